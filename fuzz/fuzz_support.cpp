#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static std::string fuzzDirectory;

// Removes the files the targets left and the directory itself.
static void RemoveFuzzDirectory() {
    DIR* dir = opendir(fuzzDirectory.c_str());
    for (dirent* e; dir && (e = readdir(dir));)
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) unlink((fuzzDirectory + "/" + e->d_name).c_str());
    if (dir) closedir(dir);
    rmdir(fuzzDirectory.c_str());
}

const std::string& EnterFuzzDirectory() {
    if (!fuzzDirectory.empty()) return fuzzDirectory;
    // Memory-backed when the machine has it: the targets save files on every
    // run, and a disk's flushes would set the pace.
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : P_tmpdir) + "/quillon-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0]) || chdir(pattern.c_str()) != 0) FuzzFail("no fuzz directory");
    std::atexit(RemoveFuzzDirectory);
    return fuzzDirectory = pattern;
}

void FuzzFail(const char* what) {
    std::fprintf(stderr, "oracle failed: %s\n", what);
    std::abort();
}

int SplitAtNul(const uint8_t* data, size_t size, std::string* pieces, int most) {
    int count = 0;
    for (size_t start = 0, i = 0; i <= size && count < most; i++)
        if (i == size || (count < most - 1 && data[i] == 0)) {
            bool last = count == most - 1;   // the last piece takes the rest
            pieces[count++].assign(reinterpret_cast<const char*>(data) + start, (last ? size : i) - start), start = i + 1;
            if (last) break;
        }
    return count;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    char block[4096];
    for (size_t got; f && (got = std::fread(block, 1, sizeof block, f)) > 0;) bytes.append(block, got);
    if (f) std::fclose(f);
    return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) FuzzFail("could not write a file");
}
