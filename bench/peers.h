// What a game programmer would otherwise write or link for the engine's file
// and image work: the plain loops, byte-at-a-time readers and writers, and the
// library calls the benchmark suite times beside the engine.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An RGBA image as the engine's slots hold it: one word per pixel, top row first.
struct PeerImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// The mipmap rule written the obvious way: every byte of every output pixel
// is the rounded-down average of the four bytes above it, read one at a time.
// `pixels` holds 2*w*h words with level 0 filled; levels land where the engine
// puts them.
void PlainMipmapChain(uint32_t* pixels, int32_t width, int32_t height);

// The same box filter rounded to nearest ((sum + 2) / 4), the rule
// gluBuild2DMipmaps follows, to check that it does the same work.
void RoundedMipmapChain(uint32_t* pixels, int32_t width, int32_t height);

// Word count of everything ComputeMipmapChain reads (every level but the last).
size_t MipmapBytesRead(int32_t width, int32_t height);

// A 24-bit BMP or a 24/32-bit TGA read with one fgetc per byte into `out`;
// false when the header is not one the engine accepts.
bool FgetcLoadBmp(const char* path, PeerImage& out);
bool FgetcLoadTga(const char* path, PeerImage& out);

// stb_image with four channels requested; false when it fails.
bool StbLoad(const char* path, PeerImage& out);

// SDL_LoadBMP, then SDL_ConvertSurface to 32-bit R,G,B,A byte order.
bool SdlLoadBmp(const char* path, PeerImage& out);

// The whole file in one fread into `buffer`; false when it cannot be read.
bool FreadWholeFile(const char* path, std::vector<uint8_t>& buffer);

// Writes a capture (bottom row first, R,G,B,A) as the engine's 24-bit BMP,
// one fputc per byte.
bool ByteWriterSaveBmp(const char* path, const uint8_t* capture, int32_t width, int32_t height);

// stbi_write_bmp of an R,G,B capture, bottom row first, flipped on write.
bool StbWriteBmp(const char* path, const uint8_t* rgbCapture, int32_t width, int32_t height);

// Every name in `directory` through readdir alone; returns how many.
int ReaddirCount(const char* directory);

// scandir with alphasort over `directory`, plain files only; returns how many.
int ScandirAlphasort(const char* directory);

// The settings written over the old file with fopen("wb") and one fwrite.
bool PlainOverwrite(const char* path, const uint8_t* bytes, size_t size);
