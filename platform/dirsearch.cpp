#include "platform/dirsearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

static char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Glob match with one remembered star: on a mismatch the latest star takes one
// more character. At most len(pattern) * len(name) steps.
static bool GlobMatch(const char* p, const char* pEnd, const char* n) {
    const char* starP = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (p < pEnd && *p == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pEnd && (*p == '?' || FoldCase(*p) == FoldCase(*n))) {
            ++p;
            ++n;
        } else if (starP) {
            p = starP;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pEnd && *p == '*')
        ++p;
    return p == pEnd;
}

int32_t DirPatternMatch(const char* pattern, const char* name) {
    if (!pattern || !name)
        return 0;
    size_t length = std::strlen(pattern);
    if (GlobMatch(pattern, pattern + length, name))
        return 1;
    // "stem.*" also stands for "stem" with no extension at all.
    bool dotStar = length >= 2 && pattern[length - 2] == '.' && pattern[length - 1] == '*';
    if (dotStar && !std::strchr(name, '.') && GlobMatch(pattern, pattern + length - 2, name))
        return 1;
    return 0;
}

// Follows links like stat; entries whose type the directory already gives
// need no system call.
static int32_t IsDirectoryEntry(DIR* dir, const dirent* e) {
#ifdef DT_DIR
    if (e->d_type == DT_DIR)
        return 1;
    if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
        return 0;
#endif
    struct stat st;
    if (fstatat(dirfd(dir), e->d_name, &st, 0) != 0)
        return 0;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

int32_t FindNext(DirSearch* search, DirEntry* entry) {
    if (!search || !search->stream || !entry)
        return -1;
    DIR* dir = static_cast<DIR*>(search->stream);
    while (dirent* e = readdir(dir)) {
        if (!DirPatternMatch(search->match, e->d_name))
            continue;
        size_t length = std::strlen(e->d_name);
        if (length > size_t(DIR_SEARCH_NAME_MAX))
            continue;
        std::memcpy(entry->name, e->d_name, length + 1);
        entry->isDirectory = IsDirectoryEntry(dir, e);
        return 0;
    }
    return -1;
}

// Splits "dir/part" into the directory to open and the last part. Returns
// false when either does not fit its buffer or the last part is empty.
static bool SplitPattern(
    const char* pattern, char* directory, size_t directorySize, char* match, size_t matchSize) {
    const char* slash = std::strrchr(pattern, '/');
    const char* last = slash ? slash + 1 : pattern;
    size_t lastLength = std::strlen(last);
    if (lastLength == 0 || lastLength >= matchSize)
        return false;
    std::memcpy(match, last, lastLength + 1);
    if (!slash) {
        directory[0] = '.';
        directory[1] = '\0';
        return true;
    }
    size_t dirLength = slash == pattern ? 1 : size_t(slash - pattern);  // "/x" is the root
    if (dirLength >= directorySize)
        return false;
    std::memcpy(directory, pattern, dirLength);
    directory[dirLength] = '\0';
    return true;
}

int32_t FindFirst(const char* pattern, DirSearch* search, DirEntry* entry) {
    if (!search)
        return -1;
    search->stream = nullptr;
    search->match[0] = '\0';
    if (!pattern || !entry)
        return -1;
    char directory[4096];
    if (!SplitPattern(pattern, directory, sizeof directory, search->match, sizeof search->match))
        return -1;
    search->stream = opendir(directory);
    if (!search->stream)
        return -1;
    if (FindNext(search, entry) == 0)
        return 0;
    FindClose(search);
    return -1;
}

void FindClose(DirSearch* search) {
    if (!search || !search->stream)
        return;
    closedir(static_cast<DIR*>(search->stream));
    search->stream = nullptr;
}
