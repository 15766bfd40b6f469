// Sorted file lists from a directory search, and the engine's own wildcard test.
#pragma once
#include <cstdint>

constexpr int FILE_LIST_NAME_SIZE = 32;  // a name of up to 31 characters and its NUL
constexpr int FILE_LIST_MAX = 1024;      // names stored; the list needs FILE_LIST_MAX + 1 entries

// One list entry. A list is an array of FILE_LIST_MAX + 1 of them owned by the
// caller; the first entry whose name is empty marks the end.
struct FileListEntry {
    char name[FILE_LIST_NAME_SIZE];
};
static_assert(sizeof(FileListEntry) == FILE_LIST_NAME_SIZE, "entries are packed 32-byte names");
static_assert(sizeof(int) == 4, "the sort comparison returns a 32-bit result");

// Fills `list` with the plain files (directories == 0, dot-files included) or
// the subdirectories not starting with '.' (directories != 0) that `pattern`
// finds, at most FILE_LIST_MAX in search order, sorted by CompareFileNames,
// with the end marker after the last. Names of FILE_LIST_NAME_SIZE characters
// or more are left out (a shortened name would name another file). Never
// writes beyond entry FILE_LIST_MAX. A search that finds nothing or cannot
// start leaves only the end marker.
void ListFiles(const char* pattern, FileListEntry* list, int32_t directories);

// Byte-order comparison of two FileListEntry names as unsigned bytes: -1, 0 or
// 1; a name that begins the other sorts first. Usable as a qsort comparison.
int CompareFileNames(const void* a, const void* b);

// 1 when `name` matches `pattern` under the engine's rule: the match succeeds
// as soon as either string ends; '*' runs up to the first occurrence of the
// character after it, without backtracking; no other wildcard; case counts.
// Takes at most strlen(name) + 1 steps.
int32_t WildcardMatch(const char* pattern, const char* name);
