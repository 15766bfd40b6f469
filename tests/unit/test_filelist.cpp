// File lists, the directory search and both wildcard rules on real
// temporary directories.
#include <filesystem>
#include <sstream>
#include <tuple>

#include "platform/dirsearch.h"
#include "support/support.h"

namespace {

// The names ListFiles gives for `pattern`, joined by spaces. The four
// entries past the list's 1025 must keep their bytes, and the search must be
// closed: as many files open after as before.
std::string List(const char* pattern, int directories) {
    static FileListEntry list[FILE_LIST_MAX + 5];
    std::memset(list, 0x5A, sizeof list);
    const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    ListFiles(pattern, list, directories);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}), open);
    std::string names;
    for (int i = 0; i <= FILE_LIST_MAX && list[i].name[0]; i++)
        names += (i ? " " : "") + std::string(list[i].name);
    const std::string past(reinterpret_cast<const char*>(list + FILE_LIST_MAX + 1), 4 * 32);
    EXPECT_TRUE(SameBytes(std::string(4 * 32, 0x5A), past)) << "past the list of " << pattern;
    return names;
}

// One folder of files, folders and links, listed by each row's pattern: in
// byte order, files or folders, names of 32 bytes or more left out, folders
// starting with a period too; a search that finds nothing is closed once.
TEST(FileList, ListsSortedByByteOrderWithTheSearchsRules) {
    TempWorkDir dir;
    const std::string k31(31, 'k');
    for (const char* folder : {".cache", "maps", "sub", "sub/d.txt", "high"})
        ASSERT_EQ(mkdir(folder, 0755), 0) << folder;
    std::istringstream files(
        "b B a10 a9 _x texture .profile sub/b.txt sub/a.txt sub/c.dat "
        "sub/x1.dat sub/x22.dat high/\xC3\xA9 high/texture_stone_01\xFF "
        "high/texture_stone_01\x7F high/texture_stone_01 " +
        k31 + " " + std::string(32, 'l'));
    for (std::string file; files >> file;)
        ASSERT_TRUE(WriteFileBytes(file, "x")) << file;
    ASSERT_EQ(symlink("maps", "maplink"), 0);
    ASSERT_EQ(symlink("nowhere", "dangling"), 0);
    const std::tuple<const char*, int, std::string> rows[] = {
        {"*", 0, ".profile B _x a10 a9 b dangling " + k31 + " texture"},
        {"high/*", 0, "texture_stone_01 texture_stone_01\x7F texture_stone_01\xFF \xC3\xA9"},
        {"*", 1, "high maplink maps sub"},
        {"sub/*.txt", 0, "a.txt b.txt"},
        {"sub/*.txt", 1, "d.txt"},
        {"sub/x?.dat", 0, "x1.dat"},
        {"./sub/c.dat", 0, "c.dat"},
        {"*.none", 0, ""},
        {"sub/", 0, ""},
        {"missing/*", 0, ""},
    };
    for (const auto& [pattern, directories, want] : rows)
        EXPECT_EQ(List(pattern, directories), want) << pattern << " " << directories;
    // The search alone: its end leaves the entry as it was; closing twice is safe.
    DirSearch search;
    DirEntry entry;
    ASSERT_EQ(FindFirst("sub/c.dat", &search, &entry), 0);
    EXPECT_EQ(FindNext(&search, &entry), -1);
    EXPECT_STREQ(entry.name, "c.dat");
    FindClose(&search);
    FindClose(&search);
    const FileListEntry names[] = {{"a"}, {"ab"}, {"\xFF"}};
    EXPECT_EQ(std::to_string(CompareFileNames(&names[0], &names[1])) + " " +
                  std::to_string(CompareFileNames(&names[2], &names[0])) + " " +
                  std::to_string(CompareFileNames(&names[1], &names[1])),
              "-1 1 0");
}

// More than 1024 files: the first 1024 in the directory's own order, sorted.
TEST(FileList, KeepsTheFirst1024Found) {
    TempWorkDir dir;
    for (int i = 0; i < 1500; i++)
        ASSERT_TRUE(WriteFileBytes("f" + std::to_string(i * 7919 % 100003) + ".bmp", "x"));
    std::vector<std::string> first;
    for (const auto& file : std::filesystem::directory_iterator("."))
        if (first.size() < size_t(FILE_LIST_MAX))
            first.push_back(file.path().filename());
    std::sort(first.begin(), first.end());
    std::string want;
    for (const std::string& name : first)
        want += (want.empty() ? "" : " ") + name;
    EXPECT_EQ(List("*.bmp", 0), want);
}

// The engine's WildcardMatch and the directory search's DirPatternMatch.
TEST(FileList, WildcardAndSearchPatternRules) {
    // pattern, name, what WildcardMatch and DirPatternMatch give
    const std::tuple<const char*, const char*, int, int> rows[] = {
        {"*.bmp", "a.bmp", 1, 1}, {"*.bmp", "a.txt", 0, 0},     {"*.bmp", "a.b.bmp", 0, 1},
        {"*.bmp", "abc", 1, 0},   {"*.bmp", "A.BMP", 0, 1},     {"tex", "texture", 1, 0},
        {"texture", "tex", 1, 0}, {"", "anything", 1, 0},       {"x*y", "xy", 1, 1},
        {"x*y", "xyz", 1, 0},     {"a*", "banana", 0, 0},       {"A*", "apple", 0, 1},
        {"a*c", "a*c", 1, 1},     {"*c", "abcd", 1, 0},         {"a*cx", "abcy", 0, 0},
        {"**b", "ab", 1, 1},      {"*b", "abab", 1, 1},         {"*a*b", "xxbxxa", 1, 0},
        {"?", "xy", 0, 0},        {"readme.*", "readme", 1, 1}, {"readme.*", "readmex", 0, 0},
    };
    for (const auto& [pattern, name, wildcard, search] : rows) {
        EXPECT_EQ(WildcardMatch(pattern, name), wildcard) << pattern << " with " << name;
        EXPECT_EQ(DirPatternMatch(pattern, name), search) << pattern << " with " << name;
    }
}

}  // namespace
