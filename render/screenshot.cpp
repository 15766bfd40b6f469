#include "render/screenshot.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/video.h"

namespace {

constexpr size_t MAX_ROW_BYTES = (size_t(SCREENSHOT_MAX_WIDTH) * 3 + 3) & ~size_t(3);
constexpr size_t ROWS_PER_WRITE = 16;
// Error flags an earlier call may have left; GL keeps at most one per kind.
constexpr int MAX_PENDING_ERRORS = 16;

// glReadPixels puts the window here, bottom row first, R,G,B,A.
uint8_t capture[SCREENSHOT_CAPTURE_BYTES];
// File rows are assembled here and written a block of rows at a time.
uint8_t rowBlock[MAX_ROW_BYTES * ROWS_PER_WRITE];

void PutU16(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value) {
    PutU16(at, value);
    PutU16(at + 2, value >> 16);
}

// Reads the frame the coming swap shows: the back buffer of a double-buffered
// window (its front buffer is not readable everywhere: Mesa's llvmpipe reads it
// back black, a Wayland window has none), the front buffer of a single-buffered
// one, which is drawn on directly. Default pack state whatever the caller set;
// the caller's read buffer is kept. False when GL reports an error for the read.
bool CaptureShownFrame(int32_t width, int32_t height) {
    for (int i = 0; i < MAX_PENDING_ERRORS && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_PACK_LSB_FIRST, GL_FALSE);
    glReadBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, capture);
    glPopClientAttrib();
    glPopAttrib();
    return glGetError() == GL_NO_ERROR;
}

// Creates the first free name of the series without ever opening an existing
// file. Returns the descriptor, or -1 when every name exists or creation fails.
int CreateFirstFreeName(char name[SCREENSHOT_NAME_BYTES]) {
    for (int n = 0; n < SCREENSHOT_SERIES; ++n) {
        std::snprintf(name, SCREENSHOT_NAME_BYTES, "scsht%03d.bmp", n);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// One capture row (R,G,B,A) as a file row (B,G,R), padding bytes zero.
void ConvertRow(uint8_t* __restrict out,
                const uint8_t* __restrict in,
                size_t width,
                size_t rowBytes) {
    for (size_t i = 0; i < width; ++i, out += 3, in += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
    std::fill(out, out + (rowBytes - width * 3), uint8_t(0));
}

// Header and rows, bottom row first. Returns false on any short write.
bool WriteImage(FILE* file, int32_t width, int32_t height) {
    uint8_t header[SCREENSHOT_HEADER_BYTES];
    EncodeScreenshotHeader(header, width, height);
    if (std::fwrite(header, 1, sizeof header, file) != sizeof header)
        return false;
    size_t rowBytes = ScreenshotRowBytes(width);
    for (int32_t row = 0; row < height;) {
        size_t rows = std::min(ROWS_PER_WRITE, size_t(height - row));
        for (size_t r = 0; r < rows; ++r, ++row)
            ConvertRow(rowBlock + r * rowBytes,
                       capture + size_t(row) * size_t(width) * 4,
                       size_t(width),
                       rowBytes);
        if (std::fwrite(rowBlock, rowBytes, rows, file) != rows)
            return false;
    }
    return true;
}

}  // namespace

size_t ScreenshotRowBytes(int32_t width) {
    return (size_t(width) * 3 + 3) & ~size_t(3);
}

void EncodeScreenshotHeader(uint8_t out[SCREENSHOT_HEADER_BYTES], int32_t width, int32_t height) {
    uint32_t imageBytes = uint32_t(ScreenshotRowBytes(width) * size_t(height));
    std::fill(out, out + SCREENSHOT_HEADER_BYTES, uint8_t(0));
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out + 2, uint32_t(SCREENSHOT_HEADER_BYTES) + imageBytes);
    PutU32(out + 10, uint32_t(SCREENSHOT_HEADER_BYTES));
    PutU32(out + 14, 40);
    PutU32(out + 18, uint32_t(width));
    PutU32(out + 22, uint32_t(height));
    PutU16(out + 26, 1);
    PutU16(out + 28, 24);
    PutU32(out + 34, imageBytes);
}

bool SaveScreenshot(char* nameOut, size_t nameSize) {
    if (nameOut && nameSize)
        nameOut[0] = '\0';
    int32_t width = videoState.width;
    int32_t height = videoState.height;
    if (width <= 0 || height <= 0 || width > SCREENSHOT_MAX_WIDTH || height > SCREENSHOT_MAX_HEIGHT)
        return false;
    if (!CaptureShownFrame(width, height))
        return false;
    char name[SCREENSHOT_NAME_BYTES];
    int fd = CreateFirstFreeName(name);
    if (fd < 0)
        return false;
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(name);
        return false;
    }
    bool written = WriteImage(file, width, height);
    written = (std::fclose(file) == 0) && written;
    if (!written) {
        unlink(name);
        return false;
    }
    if (nameOut && nameSize)
        std::snprintf(nameOut, nameSize, "%s", name);
    return true;
}
