// Directory search: every entry of one directory whose name matches a
// wildcard pattern, with its name and whether it is a directory.
//
// Pattern syntax: "dir/part" or just "part" (the working directory). Only the
// last part may hold wildcards; the directory part is taken literally.
//   *   any run of characters, the empty run included
//   ?   exactly one character
//   a trailing ".*" also matches names without a period, so "*.*" matches
//   every name and "readme.*" matches "readme"
// Letters match regardless of ASCII case. "." and ".." are found like any
// other entry. Symbolic links are reported as what they point at.
#pragma once
#include <cstdint>

constexpr int DIR_SEARCH_NAME_MAX = 255;  // longest name the platform gives

// One found entry.
struct DirEntry {
    char name[DIR_SEARCH_NAME_MAX + 1];  // NUL-terminated
    int32_t isDirectory;                 // 1 for a directory (or a link to one)
};

// An open search. Only FindFirst, FindNext and FindClose touch it.
struct DirSearch {
    void* stream;                         // the open directory, null when closed
    char match[DIR_SEARCH_NAME_MAX + 1];  // the last part of the pattern
};

// Opens the search and fills `entry` with the first match. Returns 0 when an
// entry was found; -1 when nothing matches or the directory cannot be read,
// in which case the search is already closed (FindClose is still safe).
int32_t FindFirst(const char* pattern, DirSearch* search, DirEntry* entry);

// Fills `entry` with the next match. Returns 0, or -1 at the end (or on a
// closed search); `entry` is unchanged on -1.
int32_t FindNext(DirSearch* search, DirEntry* entry);

// Releases the search. Safe on a closed or failed search, and twice.
void FindClose(DirSearch* search);

// The search's name test on its own: 1 when `name` matches `pattern`.
int32_t DirPatternMatch(const char* pattern, const char* name);
