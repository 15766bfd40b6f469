// Test support: a real SDL 1.2 OpenGL window on the test run's X server, and
// temporary working directories.
#pragma once
#include <string>

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

// Reads a whole file into bytes; empty when it cannot be opened.
std::string ReadFileBytes(const std::string& path);
// Writes bytes to a file; returns false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
