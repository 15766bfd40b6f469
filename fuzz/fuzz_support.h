// What every fuzz target shares beyond the tests' support: a private working
// directory and a way to stop the run when an oracle fails.
#pragma once
#include "support/support.h"

// Prints the broken promise and aborts, so libFuzzer keeps the input.
[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "oracle failed: %s\n", what);
    std::abort();
}

// Makes (once) a fresh working directory for the process, removed at exit; returns it.
inline const std::string& EnterFuzzDirectory() {
    static TempWorkDir directory;
    return directory.path;
}
