// Test support: a real SDL 1.2 OpenGL window on the test run's X server, and
// temporary working directories.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Opens (once per process) a 640x480 SDL OpenGL window, generates the texture
// names and fills videoState as the setup program does. Safe to call again.
void EnsureGlWindow();

// Creates a fresh temporary directory and makes it the working directory;
// the destructor returns to the previous directory and removes the tree.
struct TempWorkDir {
    TempWorkDir();
    ~TempWorkDir();
    std::string path;
    std::string previous;
};

// Level `level` of GL texture `name` as GL holds it, in RGBA words, sized by
// what GL reports for that level; its width and height go to the pointers
// that are given. Leaves `name` bound.
std::vector<uint32_t> ReadGlLevel(uint32_t name, int level, int* width = nullptr, int* height = nullptr);

// Reads a whole file into bytes; empty when it cannot be opened.
std::string ReadFileBytes(const std::string& path);
// Writes bytes to a file; returns false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
