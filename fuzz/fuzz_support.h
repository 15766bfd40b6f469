// What every fuzz target shares: a private working directory, files in it,
// the input cut into pieces, and a way to stop the run when an oracle fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Makes (once) a fresh directory for the process and enters it; returns it.
const std::string& EnterFuzzDirectory();

// Prints the broken promise and aborts, so libFuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* what);

// The input split at NUL bytes into at most `most` pieces (the last takes the rest).
int SplitAtNul(const uint8_t* data, size_t size, std::string* pieces, int most);

// A whole file's bytes (empty when it cannot be read); writing fails the run
// when the file cannot be written.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
