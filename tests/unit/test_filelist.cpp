// File lists from real temporary directories, the directory search's own
// pattern rules, and the engine's wildcard match.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dirsearch.h"
#include "render/filelist.h"
#include "support/gl_context.h"

namespace {

constexpr int LIST_ENTRIES = FILE_LIST_MAX + 1;
constexpr int GUARD_ENTRIES = 4;
constexpr char GUARD = '\x5A';

// A list with guard entries after its 1025 entries, all pre-filled with junk.
struct GuardedList {
    FileListEntry entries[LIST_ENTRIES + GUARD_ENTRIES];
    GuardedList() { std::memset(entries, GUARD, sizeof entries); }
    bool GuardsIntact() const {
        const char* g = entries[LIST_ENTRIES].name;
        return std::all_of(g, g + GUARD_ENTRIES * FILE_LIST_NAME_SIZE, [](char c) { return c == GUARD; });
    }
    // The names before the end marker; fails the test when no marker is found.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < LIST_ENTRIES; i++) {
            if (entries[i].name[0] == '\0') return names;
            EXPECT_TRUE(std::memchr(entries[i].name, 0, FILE_LIST_NAME_SIZE)) << "entry " << i;
            names.emplace_back(entries[i].name, strnlen(entries[i].name, FILE_LIST_NAME_SIZE));
        }
        ADD_FAILURE() << "no end marker within " << LIST_ENTRIES << " entries";
        return names;
    }
};

void Touch(const std::string& path) { ASSERT_TRUE(WriteFileBytes(path, "x")) << path; }
void MakeDir(const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path; }

using Names = std::vector<std::string>;

// Unsigned byte order (upper case and '_' before lower case, digits by byte,
// UTF-8 last), and names that agree on their first 8 or 16 bytes and differ
// later, or only in length.
TEST(FileListTest, SortsByUnsignedByteOrderOverTheFullName) {
    TempWorkDir dir;
    Names names = {"b", "B", "a10", "a9", "\xC3\xA9t\xC3\xA9", "_x", "a", "texture_stone_01", "texture_stone_0", "texture_stone_01b", "texture_stone_01a",
                   "texture_stone_01\xFF", "texture_stone_01\x7F", "texturea", "texture",
                   "texture_stone_02a_with_more_xyz", "texture_stone_02a_with_more_xy", "t"};
    for (const std::string& n : names) Touch(n);
    GuardedList list;
    ListFiles("*", list.entries, 0);
    std::sort(names.begin(), names.end());  // std::string compares bytes as unsigned
    EXPECT_EQ(list.Names(), names);
    EXPECT_TRUE(list.GuardsIntact());
}

TEST(FileListTest, CompareFileNamesTable) {
    struct Case {
        const char* a;
        const char* b;
        int want;
    } cases[] = {{"a", "a", 0},     {"a", "b", -1},   {"b", "a", 1},    {"a", "ab", -1},
                 {"ab", "a", 1},    {"B", "a", -1},   {"", "a", -1},    {"", "", 0},
                 {"z", "\xE9", -1}, {"\xE9", "z", 1}, {"a9", "a10", 1}, {"x\x7F", "x\x80", -1}};
    for (const Case& c : cases) {
        FileListEntry a = {}, b = {};
        std::snprintf(a.name, sizeof a.name, "%s", c.a);
        std::snprintf(b.name, sizeof b.name, "%s", c.b);
        EXPECT_EQ(CompareFileNames(&a, &b), c.want) << '"' << c.a << "\" vs \"" << c.b << '"';
    }
}

// Subdirectories ., .., .cache and maps, plain files with and without a leading period.
void MakeMixedFolder() {
    MakeDir(".cache");
    MakeDir("maps");
    Touch(".profile");
    Touch("readme");
    Touch("maps/inner");
    ASSERT_EQ(symlink("maps", "maplink"), 0);
    ASSERT_EQ(symlink("readme", "readlink"), 0);
    ASSERT_EQ(symlink("nowhere", "dangling"), 0);
}

TEST(FileListTest, DirectoryModeSkipsDotDirectoriesAndFileModeSkipsDirectories) {
    TempWorkDir dir;
    MakeMixedFolder();
    GuardedList dirs, files;
    ListFiles("*", dirs.entries, 1);
    EXPECT_EQ(dirs.Names(), (Names{"maplink", "maps"}));  // a link to a directory counts as one
    ListFiles("*", files.entries, 0);
    EXPECT_EQ(files.Names(), (Names{".profile", "dangling", "readlink", "readme"}));
    GuardedList dotted;
    ListFiles("*.*", dotted.entries, 1);  // "*.*" matches names without a period too
    EXPECT_EQ(dotted.Names(), (Names{"maplink", "maps"}));
}

TEST(FileListTest, PatternWithDirectoryPart) {
    TempWorkDir dir;
    MakeDir("sub");
    for (const char* n : {"sub/b.txt", "sub/a.txt", "sub/c.dat", "sub/x1.dat", "sub/x22.dat", "top.txt"}) Touch(n);
    MakeDir("sub/d.txt");
    const struct {
        const char* pattern;
        int directories;
        Names want;
    } cases[] = {
        {"sub/*.txt", 0, {"a.txt", "b.txt"}},
        {"sub/*.txt", 1, {"d.txt"}},
        {"sub/x?.dat", 0, {"x1.dat"}},
        {"sub/*", 0, {"a.txt", "b.txt", "c.dat", "x1.dat", "x22.dat"}},
        {"sub/*.TXT", 0, {"a.txt", "b.txt"}},  // the search ignores case, like the original platform
        {"./sub/c.dat", 0, {"c.dat"}},
        {"*.txt", 0, {"top.txt"}},
        {"sub/", 0, {}},
        {"missing/*", 0, {}},
        {"", 0, {}},
        {"top.txt/*", 0, {}},
    };
    for (const auto& c : cases) {
        GuardedList list;
        ListFiles(c.pattern, list.entries, c.directories);
        EXPECT_EQ(list.Names(), c.want) << c.pattern << " dirs=" << c.directories;
        EXPECT_TRUE(list.GuardsIntact());
    }
    GuardedList list;
    ListFiles(nullptr, list.entries, 0);
    EXPECT_EQ(list.entries[0].name[0], '\0');
}

// More than 1024 candidates: the first 1024 in the directory's own order, sorted.
TEST(FileListTest, TakesFirst1024InSearchOrderAndNeverWritesPastTheList) {
    TempWorkDir dir;
    for (int i = 0; i < 1500; i++) Touch("f" + std::to_string(i * 7919 % 100003) + ".bmp");
    Touch("other.txt");
    MakeDir("zdir.bmp");
    Names expected;
    DIR* d = opendir(".");
    ASSERT_NE(d, nullptr);
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".bmp") == 0 && n != "zdir.bmp" &&
            expected.size() < size_t(FILE_LIST_MAX))
            expected.push_back(n);
    }
    closedir(d);
    std::sort(expected.begin(), expected.end());
    GuardedList list;
    ListFiles("*.bmp", list.entries, 0);
    Names got = list.Names();
    ASSERT_EQ(got.size(), size_t(FILE_LIST_MAX));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(list.entries[FILE_LIST_MAX].name[0], '\0');
    EXPECT_TRUE(list.GuardsIntact());
}

TEST(FileListTest, NamesTooLongForAnEntryAreLeftOut) {
    TempWorkDir dir;
    std::string fits(31, 'k'), tooLong(32, 'l'), huge(250, 'm');
    for (const std::string& n : {fits, tooLong, huge, std::string("z")}) Touch(n);
    MakeDir(std::string(40, 'd'));
    GuardedList files, dirs;
    ListFiles("*", files.entries, 0);
    EXPECT_EQ(files.Names(), (Names{fits, "z"}));
    ListFiles("*", dirs.entries, 1);
    EXPECT_TRUE(dirs.Names().empty());
    EXPECT_TRUE(files.GuardsIntact());
    EXPECT_TRUE(dirs.GuardsIntact());
}

TEST(FileListTest, DirectorySearchReportsEveryMatchOnceAndClosesSafely) {
    TempWorkDir dir;
    for (const char* n : {"a.bmp", "b.BMP", "c.tga"}) Touch(n);
    MakeDir("d.bmp");
    DirSearch search;
    DirEntry entry;
    Names found;
    int directories = 0;
    for (int32_t r = FindFirst("*.bmp", &search, &entry); r == 0; r = FindNext(&search, &entry)) {
        found.push_back(entry.name);
        directories += entry.isDirectory;
        EXPECT_EQ(entry.isDirectory, std::string(entry.name) == "d.bmp" ? 1 : 0) << entry.name;
    }
    FindClose(&search);
    FindClose(&search);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Names{"a.bmp", "b.BMP", "d.bmp"}));
    EXPECT_EQ(directories, 1);
    EXPECT_EQ(FindNext(&search, &entry), -1);
    EXPECT_EQ(FindFirst("nomatch*.xyz", &search, &entry), -1);
    FindClose(&search);
}

TEST(FileListTest, DirectorySearchPatternTable) {
    struct Case {
        const char* pattern;
        const char* name;
        int want;
    } cases[] = {
        {"*", "anything", 1},     {"*", ".hidden", 1},      {"*.*", "noext", 1},
        {"*.*", "a.b.c", 1},      {"*.bmp", "a.bmp", 1},    {"*.bmp", "a.bmp.txt", 0},
        {"*.bmp", "A.BMP", 1},    {"?", "x", 1},            {"?", "xy", 0},
        {"?", "", 0},             {"a?c", "abc", 1},        {"a?c", "ac", 0},
        {"*a*b", "xxaxxb", 1},    {"*a*b", "xxbxxa", 0},    {"readme.*", "readme", 1},
        {"readme.*", "readme.txt", 1}, {"readme.*", "readmex", 0}, {"x*y", "xay", 1},
        {"x*y", "xyz", 0},        {"abc", "abcd", 0},       {"abcd", "abc", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DirPatternMatch(c.pattern, c.name), c.want) << c.pattern << " vs " << c.name;
}

TEST(WildcardMatchTest, EngineRuleTable) {
    struct Case {
        const char* pattern;
        const char* name;
        int want;
    } cases[] = {
        {"*.bmp", "a.bmp", 1},  {"*.bmp", "a.txt", 0},   {"*.bmp", "a.b.bmp", 0},
        {"*.bmp", "abc", 1},    {"tex", "texture", 1},   {"texture", "tex", 1},
        {"", "anything", 1},    {"anything", "", 1},     {"", "", 1},
        {"x*y", "xy", 1},       {"a*", "a", 1},          {"a*", "apple", 1},
        {"a*", "banana", 0},    {"A*", "apple", 0},      {"*", "*", 1},
        {"a*c", "a*c", 1},      {"*c", "abcd", 1},       {"a*cx", "abcy", 0},
        {"ab", "ax", 0},        {"?", "x", 0},           {"**b", "ab", 1},
        {"a*b*d", "axbyd", 1},  {"a*bd", "axbe", 0},     {"*b", "abab", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.want) << c.pattern << " vs " << c.name;
}

// Inputs that make backtracking matchers take exponential time.
TEST(WildcardMatchTest, AdversarialInputsFinishQuickly) {
    std::string name(2000000, 'a');
    std::string pattern;
    for (int i = 0; i < 100000; i++) pattern += "*a";
    pattern += "*b";
    auto start = std::chrono::steady_clock::now();
    int32_t a = WildcardMatch(pattern.c_str(), name.c_str());
    int32_t b = WildcardMatch(name.c_str(), pattern.c_str());
    std::string stars(2000000, '*');
    int32_t c = WildcardMatch(stars.c_str(), name.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(a, 1);  // the name runs out while '*' is still taking characters
    EXPECT_EQ(b, 0);  // 'a' against '*' in the name is a plain mismatch
    EXPECT_EQ(c, 1);
    EXPECT_LT(seconds, 1.0);
    int32_t d = DirPatternMatch(std::string(200, '*').append("b").c_str(), std::string(255, 'a').c_str());
    EXPECT_EQ(d, 0);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
}

}  // namespace
