// File lists, the directory search and both wildcard rules on real
// temporary directories.
#include <filesystem>

#include "platform/dirsearch.h"
#include "support/support.h"

namespace {

// The names ListFiles gives for `pattern`, joined by spaces. The four
// entries past the list's 1025 must keep their bytes, and the search must be
// closed: as many files open after as before.
std::string List(const char* pattern, int directories) {
    SCOPED_TRACE(pattern);
    static FileListEntry list[FILE_LIST_MAX + 5];
    std::memset(list, 0x5A, sizeof list);
    const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    ListFiles(pattern, list, directories);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}), open);
    std::string names;
    for (int i = 0; i <= FILE_LIST_MAX && list[i].name[0]; i++)
        names += (i ? " " : "") + std::string(list[i].name);
    const std::string past(reinterpret_cast<const char*>(list + FILE_LIST_MAX + 1), 4 * 32);
    EXPECT_TRUE(SameBytes(std::string(4 * 32, 0x5A), past)) << "past the list";
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
        "b B a10 a9 .profile sub/b.txt sub/a.txt sub/c.dat sub/x1.dat high/\xC3\xA9 "
        "high/texture_stone_01\xFF high/texture_stone_01\x7F "
        "high/texture_stone_01 " +
        k31 + " " + std::string(32, 'l'));
    for (std::string file; files >> file;)
        ASSERT_TRUE(WriteFileBytes(file, "x")) << file;
    ASSERT_EQ(symlink("maps", "maplink"), 0);
    ASSERT_EQ(symlink("nowhere", "dangling"), 0);
    const std::tuple<const char*, int, std::string> rows[] = {
        {"*", 0, ".profile B a10 a9 b dangling " + k31},
        {"high/*", 0, "texture_stone_01 texture_stone_01\x7F texture_stone_01\xFF \xC3\xA9"},
        {"*", 1, "high maplink maps sub"},
        {"sub/*.txt", 0, "a.txt b.txt"},
        {"sub/*.txt", 1, "d.txt"},
        {"sub/x?.dat", 0, "x1.dat"},
        {"*.none", 0, ""},
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
    const FileListEntry entries[] = {{"a"}, {"ab"}, {"\xFF"}};
    EXPECT_EQ(std::to_string(CompareFileNames(&entries[0], &entries[1])) + " " +
                  std::to_string(CompareFileNames(&entries[2], &entries[0])) + " " +
                  std::to_string(CompareFileNames(&entries[1], &entries[1])),
              "-1 1 0");
    // The engine's WildcardMatch and the directory search's DirPatternMatch:
    // a row's pattern, its names, and for each name the digit of each ("10":
    // the first matches, the second does not).
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"*.bmp", "a.bmp a.txt a.b.bmp abc A.BMP", "11 00 01 10 01"},
        {"tex", "texture", "10"},
        {"texture", "tex", "10"},
        {"", "anything", "10"},
        {"x*y", "xy xyz", "11 10"},
        {"a*", "a apple banana", "11 11 00"},
        {"a*c", "a*c", "11"},
        {"*a*b", "xxbxxa", "10"},
        {"?", "x xy", "01 00"},
        {"readme.*", "readme readmex", "11 00"},
    };
    for (const auto& [pattern, names, want] : cases) {
        std::istringstream each(names);
        std::string got;
        for (std::string name; each >> name;)
            got += (got.empty() ? "" : " ") + std::to_string(WildcardMatch(pattern, name.c_str())) +
                   std::to_string(DirPatternMatch(pattern, name.c_str()));
        EXPECT_EQ(got, want) << pattern << " with " << names;
    }
}

// More than 1024 files: the first 1024 in the directory's own order, sorted.
TEST(FileList, KeepsTheFirst1024Found) {
    TempWorkDir dir;
    for (int i = 0; i < 1500; i++)
        ASSERT_TRUE(WriteFileBytes("f" + std::to_string(i * 7919 % 100003) + ".bmp", "x"));
    std::set<std::string> first;  // in byte order
    for (auto file = std::filesystem::directory_iterator("."); first.size() < 1024; ++file)
        first.insert(file->path().filename());
    std::string want;
    for (const std::string& name : first)
        want += (want.empty() ? "" : " ") + name;
    EXPECT_TRUE(SameBytes(want, List("*.bmp", 0)));  // the names joined by spaces
}

}  // namespace
