#include "render/filelist.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/dirsearch.h"

// Whether a found entry belongs in the list of the requested kind.
static bool IsWanted(const DirEntry& entry, int32_t directories) {
    if (!directories)
        return !entry.isDirectory;
    return entry.isDirectory && entry.name[0] != '.';
}

// Copies the name into `slot`, zero-padded to the entry's end, when it fits;
// returns false for too long a name.
static bool StoreName(FileListEntry* slot, const char* name) {
    size_t length = std::strlen(name);
    if (length >= size_t(FILE_LIST_NAME_SIZE))
        return false;
    std::memset(slot->name, 0, sizeof slot->name);
    std::memcpy(slot->name, name, length);
    return true;
}

// Sort keys: the first 16 bytes of a zero-padded name as two big-endian
// numbers order exactly as the bytes do; equal keys fall back to the names.
struct SortKey {
    uint64_t high;
    uint64_t low;
    const FileListEntry* entry;
};

static uint64_t BigEndianWord(const char* bytes) {
    uint64_t word = 0;
    for (int i = 0; i < 8; ++i)
        word = word << 8 | uint64_t(uint8_t(bytes[i]));
    return word;
}

static bool KeyBefore(const SortKey& a, const SortKey& b) {
    if (a.high != b.high)
        return a.high < b.high;
    if (a.low != b.low)
        return a.low < b.low;
    return CompareFileNames(a.entry, b.entry) < 0;
}

// Gives the same order as qsort with CompareFileNames (names in one directory
// are distinct, so stability cannot matter) at a fraction of the cost.
static void SortEntries(FileListEntry* list, int count) {
    static SortKey keys[FILE_LIST_MAX];
    static FileListEntry sorted[FILE_LIST_MAX];
    for (int i = 0; i < count; ++i)
        keys[i] = SortKey{BigEndianWord(list[i].name), BigEndianWord(list[i].name + 8), &list[i]};
    std::sort(keys, keys + count, KeyBefore);
    for (int i = 0; i < count; ++i)
        sorted[i] = *keys[i].entry;
    std::memcpy(list, sorted, size_t(count) * sizeof(FileListEntry));
}

void ListFiles(const char* pattern, FileListEntry* list, int32_t directories) {
    if (!list)
        return;
    int count = 0;
    DirSearch search;
    static DirEntry entry;  // 260 bytes; kept off the caller's stack
    int32_t found = FindFirst(pattern, &search, &entry);
    while (found == 0 && count < FILE_LIST_MAX) {
        if (IsWanted(entry, directories) && StoreName(&list[count], entry.name))
            ++count;
        found = FindNext(&search, &entry);
    }
    list[count].name[0] = '\0';
    FindClose(&search);
    SortEntries(list, count);
}

int CompareFileNames(const void* a, const void* b) {
    const unsigned char* x =
        reinterpret_cast<const unsigned char*>(static_cast<const FileListEntry*>(a)->name);
    const unsigned char* y =
        reinterpret_cast<const unsigned char*>(static_cast<const FileListEntry*>(b)->name);
    for (int i = 0; i < FILE_LIST_NAME_SIZE; ++i) {
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
        if (x[i] == 0)
            return 0;
    }
    return 0;
}

int32_t WildcardMatch(const char* pattern, const char* name) {
    if (!pattern || !name)
        return 1;
    size_t i = 0;
    size_t j = 0;
    // Every pass moves j forward by one, so the loop ends within strlen(name) + 1 passes.
    for (;;) {
        if (pattern[i] == '\0' || name[j] == '\0')
            return 1;
        if (pattern[i] != name[j] && pattern[i] != '*')
            return 0;
        if (pattern[i] == name[j]) {
            ++i;
        } else if (pattern[i + 1] == name[j]) {
            i += 2;
        }
        ++j;
    }
}
