// The 512-slot texture table. Every slot keeps its RGBA image in memory so it
// can be sent to GL again after the context is rebuilt (focus regain).
#pragma once
#include <cstdint>

constexpr int TEXTURE_SLOTS = 512;
constexpr int FONT_SLOT = 511;
constexpr int FONT_SIZE = 256;  // the font image is 256x256; font.bmp supplies rows 0..127
constexpr int FONT_FILE_ROWS = 128;
constexpr int FONT_FILE_BYTES = 54 + 256 * 128 * 3;

// One slot. Pixel words hold R,G,B,A in memory order, top row first.
struct TextureSlot {
    int32_t width;  // 0 = empty slot
    int32_t height;
    int32_t mipmapped;  // buffer holds 2*width*height words; min filter linear-mipmap-nearest
    uint32_t* pixels;   // owned by the slot, null until something is loaded
    uint32_t glName;    // generated once at start-up, never deleted
};

struct TextureTable {
    TextureSlot slots[TEXTURE_SLOTS];
};

extern TextureTable textureTable;

// One glGenTextures(1) per slot, slot 0 first. Needs a current context.
void GenerateTextureNames();

// Reads font.bmp (24-bit, 256x128, bottom-up, red = coverage) into the font
// slot as white with alpha; missing file: the built-in copy of the project's
// font. Pixels past the end of a short file are opaque white. Uploads when
// videoState.openGL is set (clamp wrap, linear filters, no mipmaps).
void LoadFont();

// Computes mipmap levels 1.. of a mipmapped slot in place (each byte the
// rounded-down average of its 2x2 block; each level row-major with its own
// width as stride, at word offsets N, N+N/4, ...) and uploads each to the bound
// texture. Does nothing for an out-of-range, empty or non-mipmapped slot.
void BuildMipmapChain(int32_t slot);

// Computes the chain into `pixels` (2*w*h words, level 0 filled) without GL.
// Returns the number of levels including level 0.
int ComputeMipmapChain(uint32_t* pixels, int32_t width, int32_t height);

// Binds the slot's texture, sets wrap (S and T), then the magnification and
// minification filters, uploads level 0 from the slot's image and, for a
// mipmapped slot, builds and uploads the chain. Out-of-range slots are ignored.
void UploadTextureSlot(int32_t slot, int32_t wrap, int32_t magFilter, int32_t minFilter);

// Frees every slot's image and zeroes the sizes; keeps the GL names (tests).
void ResetTextureImages();
