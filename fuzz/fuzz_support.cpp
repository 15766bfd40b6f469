#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string fuzzDirectory;

// Removes the files the targets left and the directory itself.
void RemoveFuzzDirectory() {
    if (DIR* dir = opendir(fuzzDirectory.c_str())) {
        while (dirent* e = readdir(dir))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                unlink((fuzzDirectory + "/" + e->d_name).c_str());
        closedir(dir);
    }
    rmdir(fuzzDirectory.c_str());
}

}  // namespace

const std::string& EnterFuzzDirectory() {
    std::string& path = fuzzDirectory;
    if (path.empty()) {
        // Memory-backed when the machine has it: the targets save files on
        // every run, and a disk's flushes would set the pace.
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : P_tmpdir) + "/quillon-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0]) || chdir(pattern.c_str()) != 0) {
            std::perror("fuzz directory");
            std::abort();
        }
        path = pattern;
        std::atexit(RemoveFuzzDirectory);
    }
    return path;
}

void FuzzFail(const char* what) {
    std::fprintf(stderr, "oracle failed: %s\n", what);
    std::abort();
}

int SplitAtNul(const uint8_t* data, size_t size, std::string* pieces, int most) {
    int count = 0;
    size_t start = 0;
    for (size_t i = 0; i <= size && count < most; i++) {
        bool last = count == most - 1;
        if (i == size || (!last && data[i] == 0)) {
            pieces[count++].assign(reinterpret_cast<const char*>(data) + start, (last ? size : i) - start);
            start = i + 1;
            if (last) break;
        }
    }
    return count;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        for (size_t got; (got = std::fread(block, 1, sizeof block, f)) > 0;) bytes.append(block, got);
        std::fclose(f);
    }
    return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) FuzzFail("could not write a file");
}
