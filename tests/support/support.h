// What the unit tests and the fuzz targets share: the engine's, the
// program's and the system's headers, a real SDL 1.2 OpenGL window, fresh
// program-wide records, temporary working directories, file bytes, GL
// read-back, the input of one frame and runs of the built programs.
#pragma once
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <malloc.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/colour_sliders.h"
#include "app/hwconfig.h"
#include "app/hwconfig_cli.h"
#include "app/setup_screen.h"
#include "platform/dirsearch.h"
#include "platform/input.h"
#include "platform/video.h"
#include "render/filelist.h"
#include "render/loaders.h"
#include "render/screenshot.h"
#include "render/text.h"
#include "render/texture.h"
#include "render/view.h"
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
    std::string path, previous;
};

std::string ReadFileBytes(const std::string& path);  // empty when it cannot be read
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// "" when the bytes are equal; otherwise the first differing offset with both
// bytes there, and both sizes.
std::string FirstDifference(const std::string& got, const std::string& want);

// `bytes` little-endian bytes of v; the bits of a float.
inline std::string Le(uint32_t v, int bytes = 4) {
    return bytes ? char(v) + Le(v >> 8, bytes - 1) : "";
}
inline uint32_t Bits(float f) {
    uint32_t v;
    return std::memcpy(&v, &f, 4), v;
}

// Level `level` of GL texture `name` as GL holds it (RGBA words), sized as GL
// reports (empty when it has no such level); leaves `name` bound.
std::vector<uint32_t> ReadGlLevel(uint32_t name, int level);
int TexParam(uint32_t name, unsigned parameter);

// ExpandPrintFormat with the arguments given here.
int ExpandFormat(char* line, size_t size, const char* format, ...);

// The font image font.bmp's bytes make, by the format's rule: skip 54 bytes,
// then for image rows 127 down to 0 three bytes per pixel one at a time, the
// third the coverage; a byte past the end reads as -1 and makes the pixel
// opaque white. Rows 128.. are clear.
std::vector<uint32_t> ReferenceFont(const void* file, size_t size);

// The drawn frame, read back and addressed in virtual-screen coordinates (the
// window is 640x480, so virtual and window pixels coincide).
struct Frame {
    std::vector<uint8_t> rgba;
    int At(int x, int y, int channel = 0) const;
    long Sum(int x, int y, int w, int h, int channel = 0) const;  // clipped to the window
};
// Reads the back buffer, then clears it and sets the frame state again.
Frame TakeFrame();

// One frame of input as the snapshots leave it: the previous copies keep the
// last frame, then `keys` are down and the mouse is at (mx, my).
void InputFrame(const std::vector<int32_t>& keys = {},
                bool left = false,
                int32_t mx = 600,
                int32_t my = 470);

// One frame of the text-entry screen: its input as InputFrame sets it, then
// "Done" (Escape) and four fields, an int, an unsigned, a float and a string
// (F1..F4), registered and updated.
void FieldScreenFrame(
    void* const targets[4], const std::vector<int32_t>& keys, bool left, int32_t mx, int32_t my);

// The configuration records encoded as a file; the file a first run writes.
std::string EncodedConfig();
std::string FirstRunFile();

// A program of the build (QUILLON_BINARY_DIR/name) run to its end with `args`,
// through the shell command `prefix` when one is given.
struct ProgramRun {
    int status;
    std::string out, err;
};
ProgramRun RunProgram(const std::string& name,
                      std::vector<std::string> args,
                      const std::string& prefix = "");

// ---- Byte comparison shared by the tool and platform tests ----

// "" when `got` holds exactly the bytes of `want`; otherwise the offset of the
// first difference with both byte values (or both sizes when one is a prefix
// of the other), for EXPECT_EQ(..., "").
std::string FirstDifferingByte(const std::string& want, const std::string& got);

// The bytes of a vector, for FirstDifferingByte.
template <typename T>
std::string AsBytes(const std::vector<T>& v) {
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
}
