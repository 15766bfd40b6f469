// What the unit tests and the fuzz targets share: the engine's, the
// program's and the system's headers, a real SDL 1.2 OpenGL window, fresh
// program-wide records, temporary working directories, file bytes, GL
// read-back, byte and pixel comparisons, the input of one frame and runs of
// the built programs.
#pragma once
#include <SDL.h>
#include <GL/gl.h>
// gtest.h brings <cstdint>, <sstream>, <string>, <tuple>, <vector>,
// <unistd.h> and <sys/stat.h> with it.
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

#include "app/colour_sliders.h"
#include "app/hwconfig.h"
#include "app/hwconfig_cli.h"
#include "app/setup_screen.h"
#include "platform/input.h"
#include "platform/video.h"
#include "render/filelist.h"
#include "render/screenshot.h"
#include "render/text.h"
#include "render/texture.h"
#include "ui/keynames.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

// Opens (once per process) a 640x480 SDL OpenGL window, names the texture
// slots and fills videoState as the setup program does. Its frame buffer keeps
// alpha, so that what the engine leaves there can be read back.
void EnsureGlWindow();

// Every program-wide record back to its program-start contents (the GL names
// and the window excepted); videoState as the setup program fills it.
void ResetRecords();

// A fresh temporary directory made the working directory; the destructor goes
// back and removes the tree.
struct TempWorkDir {
    TempWorkDir();
    ~TempWorkDir();
    std::string path;
    std::string previous;
};

std::string ReadFileBytes(const std::string& path);  // empty when it cannot be read
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// `bytes` little-endian bytes of v; the bits of a float.
inline std::string Le(uint32_t v, int bytes = 4) {
    return bytes ? char(v) + Le(v >> 8, bytes - 1) : "";
}
inline uint32_t Bits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// Success when the two are equal; else the offset of the first differing
// byte and both bytes ("the end" past the shorter one).
::testing::AssertionResult SameBytes(const std::string& want, const std::string& got);
// Success when the two images of `width` pixels a row are equal; else the x
// and y of the first differing word and both words (width 0: byte offsets and
// the low bytes, as SameBytes gives them).
using Pixels = std::vector<uint32_t>;  // an image's RGBA words, row-major
::testing::AssertionResult SamePixels(const Pixels& want, const Pixels& got, int width);

// Level `level` of GL texture `name` as GL holds it (RGBA words), sized as GL
// reports (empty when it has no such level); leaves `name` bound.
Pixels ReadGlLevel(uint32_t name, int level);
int TexParam(uint32_t name, unsigned parameter);

// The drawn frame, read back and addressed in virtual-screen coordinates (the
// window is 640x480, so virtual and window pixels coincide).
struct Frame {
    std::vector<uint8_t> rgba;
    int At(int x, int y, int channel = 0) const;
};
// Reads the back buffer, then clears it and sets the frame state again.
Frame TakeFrame();

// One frame of input as the snapshots leave it: the previous copies keep the
// last frame, then `keys` are down and the mouse is at (mx, my).
void InputFrame(const std::vector<int>& keys = {}, bool left = false, int mx = 600, int my = 470);

// One frame of the text-entry screen: its input as InputFrame sets it, then
// "Done" (Escape) and four fields, an int, an unsigned, a float and a string
// (F1..F4), registered and updated.
void FieldScreenFrame(
    void* const targets[4], const std::vector<int>& keys, bool left, int mx, int my);

// The configuration records encoded as a file; the file a first run writes.
std::string EncodedConfig();
std::string FirstRunFile();

// A program of the build (QUILLON_BINARY_DIR/name) run to its end with `args`,
// through the shell command `prefix` when one is given.
struct ProgramRun {
    int status;
    std::string out;
    std::string err;
};
ProgramRun RunProgram(const std::string& name,
                      std::vector<std::string> args,
                      const std::string& prefix = "");
