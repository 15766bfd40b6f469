// Screenshot writer: the frame the window is about to show as a 24-bit BMP
// under the first free name of the series "scsht000.bmp" .. "scsht999.bmp".
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int32_t SCREENSHOT_MAX_WIDTH = 1280;  // the largest video mode
constexpr int32_t SCREENSHOT_MAX_HEIGHT = 960;
constexpr size_t SCREENSHOT_CAPTURE_BYTES =
    size_t(SCREENSHOT_MAX_WIDTH) * SCREENSHOT_MAX_HEIGHT * 4;
constexpr int SCREENSHOT_SERIES = 1000;
constexpr size_t SCREENSHOT_HEADER_BYTES = 54;
constexpr size_t SCREENSHOT_NAME_BYTES = 13;  // "scsht000.bmp" and its NUL
static_assert(SCREENSHOT_CAPTURE_BYTES == 4915200, "capture holds the largest mode in RGBA");

// Bytes of one BMP row of `width` pixels: 3 per pixel, padded to 4.
size_t ScreenshotRowBytes(int32_t width);

// The 54-byte header of a bottom-up 24-bit BMP of width x height, all fields
// little-endian. Sizes must be positive.
void EncodeScreenshotHeader(uint8_t out[SCREENSHOT_HEADER_BYTES], int32_t width, int32_t height);

// Call once the frame is drawn, right before SDL_GL_SwapBuffers: captures the
// frame (videoState width x height) exactly as that swap shows it, and writes
// it to the first name of the series that does not exist, created exclusively
// so no existing file is ever touched. Returns true when the whole file was
// written; false, with nothing left behind, when the window is empty or larger
// than 1280x960, the frame cannot be read (GL reports an error, e.g. for a
// framebuffer object of the caller's left bound), all 1000 names exist, or
// creating or writing fails. When `nameOut` is given it receives the name
// written (empty on failure).
bool SaveScreenshot(char* nameOut = nullptr, size_t nameSize = 0);
