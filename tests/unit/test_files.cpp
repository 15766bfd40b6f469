// File lists, the directory search and the wildcard match on real temporary
// directories.
#include "support/support.h"

namespace {

// The names ListFiles gives for `pattern`, checking the end marker and that
// nothing is written past the list's 1025 entries.
std::vector<std::string> List(const char* pattern, int directories) {
    static FileListEntry list[FILE_LIST_MAX + 5];
    std::memset(list, 0x5A, sizeof list), ListFiles(pattern, list, directories);
    std::vector<std::string> names;
    for (int i = 0; i <= FILE_LIST_MAX && list[i].name[0]; i++)
        names.push_back(list[i].name);
    EXPECT_TRUE(names.size() <= size_t(FILE_LIST_MAX) && !list[names.size()].name[0] &&
                std::count(reinterpret_cast<char*>(list + FILE_LIST_MAX + 1),
                           reinterpret_cast<char*>(list + FILE_LIST_MAX + 5),
                           0x5A) == std::ptrdiff_t(4 * sizeof *list));
    return names;
}

TEST(FileList, ListsSortedByByteOrderWithTheSearchsRules) {
    TempWorkDir dir;
    std::vector<std::string> sorted = {"b",
                                       "B",
                                       "a10",
                                       "a9",
                                       "\xC3\xA9t\xC3\xA9",
                                       "_x",
                                       "texture_stone_01",
                                       "texture_stone_0",
                                       "texture_stone_01\xFF",
                                       "texture_stone_01\x7F",
                                       "texture",
                                       std::string(31, 'k')};
    for (const std::string& n : sorted)
        WriteFileBytes(n, "x");
    std::sort(sorted.begin(), sorted.end());  // std::string compares bytes as unsigned
    WriteFileBytes(std::string(32, 'l'), "x"), mkdir(std::string(40, 'd').c_str(), 0755);
    EXPECT_EQ(List("*", 0), sorted) << "names too long for an entry are left out";
    EXPECT_EQ(List("*", 1), std::vector<std::string>{});
    TempWorkDir mixed;
    for (const char* d : {".cache", "maps", "sub", "sub/d.txt"})
        mkdir(d, 0755);
    for (const char* f :
         {".profile", "readme", "sub/b.txt", "sub/a.txt", "sub/c.dat", "sub/x1.dat", "sub/x22.dat"})
        WriteFileBytes(f, "x");
    ASSERT_TRUE(!symlink("maps", "maplink") && !symlink("readme", "readlink") &&
                !symlink("nowhere", "dangling"));
    const struct {
        const char* pattern;
        int directories;
        std::vector<std::string> want;
    } rows[] = {{"*", 1, {"maplink", "maps", "sub"}},
                {"*", 0, {".profile", "dangling", "readlink", "readme"}},
                {"*.*", 1, {"maplink", "maps", "sub"}},
                {"sub/*.txt", 0, {"a.txt", "b.txt"}},
                {"sub/*.txt", 1, {"d.txt"}},
                {"sub/x?.dat", 0, {"x1.dat"}},
                {"sub/*.TXT", 0, {"a.txt", "b.txt"}},
                {"./sub/c.dat", 0, {"c.dat"}},
                {"sub/", 0, {}},
                {"missing/*", 0, {}},
                {"", 0, {}},
                {"readme/*", 0, {}}};
    for (const auto& r : rows)
        EXPECT_EQ(List(r.pattern, r.directories), r.want)
            << r.pattern << " directories " << r.directories;
    TempWorkDir many;  // more than 1024: the first 1024 in the directory's own order, sorted
    for (int i = 0; i < 1500; i++)
        WriteFileBytes("f" + std::to_string(i * 7919 % 100003) + ".bmp", "x");
    std::vector<std::string> first;
    DIR* d = opendir(".");
    for (dirent* e; (e = readdir(d)) && first.size() < size_t(FILE_LIST_MAX);)
        e->d_name[0] == 'f' ? first.push_back(e->d_name) : void();
    closedir(d), std::sort(first.begin(), first.end());
    EXPECT_EQ(List("*.bmp", 0), first);
}

// The order of names is the list test's sorted table; here the two wildcard rules.
TEST(FileList, WildcardAndSearchPatternRules) {
    // pattern, name, the engine's WildcardMatch, the directory search's DirPatternMatch
    const struct {
        const char *pattern, *name;
        int wildcard, search;
    } rows[] = {{"*.bmp", "a.bmp", 1, 1},
                {"*.bmp", "a.txt", 0, 0},
                {"*.bmp", "a.b.bmp", 0, 1},
                {"*.bmp", "abc", 1, 0},
                {"*.bmp", "A.BMP", 0, 1},
                {"tex", "texture", 1, 0},
                {"texture", "tex", 1, 0},
                {"", "anything", 1, 0},
                {"x*y", "xy", 1, 1},
                {"a*", "apple", 1, 1},
                {"a*", "banana", 0, 0},
                {"A*", "apple", 0, 1},
                {"*", "*", 1, 1},
                {"a*c", "a*c", 1, 1},
                {"*c", "abcd", 1, 0},
                {"a*cx", "abcy", 0, 0},
                {"?", "x", 0, 1},
                {"**b", "ab", 1, 1},
                {"a*b*d", "axbyd", 1, 1},
                {"a*bd", "axbe", 0, 0},
                {"*b", "abab", 1, 1},
                {"*", ".hidden", 1, 1},
                {"*.*", "noext", 1, 1},
                {"?", "xy", 0, 0},
                {"?", "", 1, 0},
                {"*a*b", "xxbxxa", 1, 0},
                {"readme.*", "readme", 1, 1},
                {"readme.*", "readmex", 0, 0},
                {"x*y", "xyz", 1, 0},
                {"abcd", "abc", 1, 0}};
    for (const auto& r : rows)
        EXPECT_TRUE(WildcardMatch(r.pattern, r.name) == r.wildcard &&
                    DirPatternMatch(r.pattern, r.name) == r.search)
            << r.pattern << " vs " << r.name;
}

}  // namespace
