#include "render/filelist.h"

#include <cstdlib>
#include <cstring>

#include "platform/dirsearch.h"

// Whether a found entry belongs in the list of the requested kind.
static bool IsWanted(const DirEntry& entry, int32_t directories) {
    if (!directories) return !entry.isDirectory;
    return entry.isDirectory && entry.name[0] != '.';
}

// Copies the name into `slot` when it fits; returns false for too long a name.
static bool StoreName(FileListEntry* slot, const char* name) {
    size_t length = std::strlen(name);
    if (length >= size_t(FILE_LIST_NAME_SIZE)) return false;
    std::memcpy(slot->name, name, length + 1);
    return true;
}

void ListFiles(const char* pattern, FileListEntry* list, int32_t directories) {
    if (!list) return;
    int count = 0;
    DirSearch search;
    static DirEntry entry;  // 260 bytes; kept off the caller's stack
    int32_t found = FindFirst(pattern, &search, &entry);
    while (found == 0 && count < FILE_LIST_MAX) {
        if (IsWanted(entry, directories) && StoreName(&list[count], entry.name)) ++count;
        found = FindNext(&search, &entry);
    }
    list[count].name[0] = '\0';
    FindClose(&search);
    std::qsort(list, size_t(count), sizeof(FileListEntry), CompareFileNames);
}

int CompareFileNames(const void* a, const void* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(static_cast<const FileListEntry*>(a)->name);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(static_cast<const FileListEntry*>(b)->name);
    for (int i = 0; i < FILE_LIST_NAME_SIZE; ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
        if (x[i] == 0) return 0;
    }
    return 0;
}

int32_t WildcardMatch(const char* pattern, const char* name) {
    if (!pattern || !name) return 1;
    size_t i = 0;
    size_t j = 0;
    // Every pass moves j forward by one, so the loop ends within strlen(name) + 1 passes.
    for (;;) {
        if (pattern[i] == '\0' || name[j] == '\0') return 1;
        if (pattern[i] != name[j] && pattern[i] != '*') return 0;
        if (pattern[i] == name[j]) {
            ++i;
        } else if (pattern[i + 1] == name[j]) {
            i += 2;
        }
        ++j;
    }
}
