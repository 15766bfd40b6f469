// Texture directory loaders: 24-bit BMP and true-colour TGA files from the
// "texture" / "texturelow" directories into a slot of the texture table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr const char* TEXTURE_DIRECTORY = "texture";
constexpr const char* TEXTURE_LOW_DIRECTORY = "texturelow";

constexpr int32_t LOADER_MAX_SIDE = 16384;               // widest or tallest image accepted
constexpr int64_t LOADER_MAX_PIXELS = int64_t(1) << 26;  // 8192x8192: 256 MiB, 512 MiB mipmapped
constexpr uint32_t LOADER_MISSING_PIXEL = 0xFF000000u;   // opaque black, for pixels a file lacks
constexpr int32_t TRANSLUCENT_SLOT = 16;  // the one slot whose BMP pixels get half alpha
constexpr uint32_t TRANSLUCENT_ALPHA = 128;

constexpr size_t BMP_HEADER_BYTES = 54;
constexpr size_t TGA_HEADER_BYTES = 18;

// Reads `fileName` from "texture" (from the working directory when "texture"
// cannot be entered) into `slot`, then uploads the slot when videoState.openGL
// is set, whether or not a file was read. Only uncompressed 24-bit files with a
// width and height of 1..LOADER_MAX_SIDE are accepted; anything else leaves the
// slot as it was. Pixels get alpha 128 in TRANSLUCENT_SLOT, 255 elsewhere. An
// index outside the table is ignored. The working directory is the same after
// the call as before it.
void LoadBmpTexture(int32_t slot, const char* fileName, int32_t mipmap);

// As LoadBmpTexture for a TGA file, from "texturelow" when `lowDetail` is set,
// else "texture". Any header with a width and height of 1..LOADER_MAX_SIDE
// replaces the slot's image; 24-bit pixels and 32-bit pixels with 8 alpha bits
// are read in any of the four origins, every other pixel format gives opaque
// black pixels of the header's size.
void LoadTgaTexture(int32_t slot, const char* fileName, int32_t mipmap, int32_t lowDetail);

// The BMP reading step alone, from the start of an open stream into `slot`
// (no directory change, no upload). Returns false and leaves the slot
// untouched when the file is rejected or the image cannot be allocated.
bool ReadBmpTexture(FILE* file, int32_t slot, int32_t mipmap);

// The TGA reading step alone, as ReadBmpTexture.
bool ReadTgaTexture(FILE* file, int32_t slot, int32_t mipmap);
