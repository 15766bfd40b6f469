// What the unit tests share: the engine's and the program's headers, a real
// SDL 1.2 OpenGL window, fresh program-wide records, temporary working
// directories, file bytes, GL read-back, the input of one frame and runs of
// the built programs.
#pragma once
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/colour_sliders.h"
#include "app/hwconfig.h"
#include "app/setup_screen.h"
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
// slots and fills videoState as the setup program does.
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

// `bytes` little-endian bytes of v; the bits of a float.
std::string Le(uint32_t v, int bytes = 4);
uint32_t Bits(float f);

// Level `level` of GL texture `name` as GL holds it (RGBA words), sized as GL
// reports; leaves `name` bound.
std::vector<uint32_t> ReadGlLevel(uint32_t name, int level, int* width = nullptr, int* height = nullptr);
int TexParam(uint32_t name, unsigned parameter);

// The drawn frame, read back and addressed in virtual-screen coordinates (the
// window is 640x480, so virtual and window pixels coincide).
struct Frame {
    std::vector<uint8_t> rgba;
    int At(int x, int y, int channel = 0) const;
    long Sum(int x, int y, int w, int h, int channel = 0) const;   // clipped to the window
};
// Reads the back buffer, then clears it and sets the frame state again.
Frame TakeFrame();

// One frame of input as the snapshots leave it: the previous copies keep the
// last frame, then `keys` are down and the mouse is at (mx, my).
void InputFrame(const std::vector<int32_t>& keys = {}, bool left = false, int32_t mx = 600,
                int32_t my = 470);

// A program of the build (QUILLON_BINARY_DIR/name) run to its end with `args`.
struct ProgramRun {
    int status;
    std::string out, err;
};
ProgramRun RunProgram(const std::string& name, std::vector<std::string> args);
