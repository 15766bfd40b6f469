// What every fuzz target shares beyond the tests' support: a private working
// directory, the input cut into pieces, and a way to stop the run when an
// oracle fails.
#pragma once
#include "support/support.h"

// Prints the broken promise and aborts, so libFuzzer keeps the input.
[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "oracle failed: %s\n", what), std::abort();
}

// Makes (once) a fresh working directory for the process, removed at exit; returns it.
inline const std::string& EnterFuzzDirectory() {
    static TempWorkDir directory;
    return directory.path;
}

// The input split at NUL bytes into at most `most` pieces (the last takes the rest).
inline int SplitAtNul(const uint8_t* data, size_t size, std::string* pieces, int most) {
    int count = 0;
    for (size_t start = 0, i = 0; i <= size && count < most; i++)
        if (i == size || (count < most - 1 && data[i] == 0))
            pieces[count++].assign(reinterpret_cast<const char*>(data) + start, i - start),
                start = i + 1;
    return count;
}
