#include "render/loaders.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/fs.h"
#include "platform/video.h"
#include "render/texture.h"

namespace {

constexpr uint32_t OPAQUE_ALPHA = 255;
constexpr size_t CHUNK_BYTES = 256 * 1024;  // file rows are read this many bytes at a time
static_assert(CHUNK_BYTES >= size_t(LOADER_MAX_SIDE) * 4 + 3, "a chunk holds the longest row");
static_assert(uint64_t(LOADER_MAX_PIXELS) * 8 <= uint64_t(SIZE_MAX),
              "the largest block is addressable");

// Offsets of the header fields the readers use.
constexpr size_t BMP_DATA_OFFSET = 10;
constexpr size_t BMP_WIDTH = 18;
constexpr size_t BMP_HEIGHT = 22;
constexpr size_t BMP_BITS = 28;
constexpr size_t BMP_COMPRESSION = 30;
constexpr size_t TGA_ID_LENGTH = 0;
constexpr size_t TGA_MAP_LENGTH = 5;
constexpr size_t TGA_MAP_ENTRY_BITS = 7;
constexpr size_t TGA_WIDTH = 12;
constexpr size_t TGA_HEIGHT = 14;
constexpr size_t TGA_DEPTH = 16;
constexpr size_t TGA_DESCRIPTOR = 17;

// File rows pass through here on their way into a slot image; the readers
// run on the main thread only, one file at a time.
uint8_t chunk[CHUNK_BYTES];

// How the rows of a file land in the image.
struct RowPlan {
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel;  // 3 (B,G,R), 4 (B,G,R,A) or 0: the file's pixels are not read
    size_t fileStride;      // file bytes from one row to the next, padding included
    int32_t firstRow;       // image row of the first file row
    int32_t rowStep;        // +1 top-down, -1 bottom-up
    bool rightToLeft;       // the first pixel of a file row is the rightmost
    uint32_t alpha;         // alpha word of 3-byte pixels
};

uint32_t ReadU16(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8;
}

uint32_t ReadU32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

int32_t ReadS32(const uint8_t* at) {
    uint32_t bits = ReadU32(at);
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool SizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= LOADER_MAX_SIDE && height <= LOADER_MAX_SIDE &&
           width * height <= LOADER_MAX_PIXELS;
}

// A block for the image (twice the words when mipmapped, the second half
// zeroed until the chain is built), or null. The size has passed SizeAllowed.
uint32_t* AllocateImage(int32_t width, int32_t height, int32_t mipmap) {
    size_t words = size_t(width) * size_t(height);
    uint32_t* block = static_cast<uint32_t*>(std::malloc(words * 4 * (mipmap ? 2 : 1)));
    if (block && mipmap)
        std::memset(block + words, 0, words * 4);
    return block;
}

// Frees the slot's old image and gives it the new one.
void InstallImage(int32_t slot, int32_t width, int32_t height, int32_t mipmap, uint32_t* pixels) {
    TextureSlot& s = textureTable.slots[slot];
    std::free(s.pixels);
    s.width = width;
    s.height = height;
    s.mipmapped = mipmap ? 1 : 0;
    s.pixels = pixels;
}

// Moves `count` bytes on in the stream, reading when the stream cannot seek.
void SkipBytes(FILE* file, size_t count) {
    if (count == 0)
        return;
    if (count <= size_t(LONG_MAX) && std::fseek(file, long(count), SEEK_CUR) == 0)
        return;
    while (count > 0) {
        size_t part = std::min(count, CHUNK_BYTES);
        if (std::fread(chunk, 1, part, file) != part)
            return;
        count -= part;
    }
}

void ConvertBgr(uint32_t* __restrict out,
                const uint8_t* __restrict in,
                size_t count,
                uint32_t alpha) {
    for (size_t i = 0; i < count; ++i, in += 3)
        out[i] = uint32_t(in[2]) | uint32_t(in[1]) << 8 | uint32_t(in[0]) << 16 | alpha;
}

void ConvertBgra(uint32_t* __restrict out, const uint8_t* __restrict in, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t word;
        std::memcpy(&word, in + 4 * i, 4);
        out[i] = (word & 0xFF00FF00u) | (word >> 16 & 0xFFu) | (word & 0xFFu) << 16;
    }
}

// Fills one image row from the `available` file bytes of its file row; pixels
// the file does not hold in full become LOADER_MISSING_PIXEL.
void FillRow(uint32_t* row, const uint8_t* file, size_t available, const RowPlan& plan) {
    size_t width = size_t(plan.width);
    size_t present = plan.bytesPerPixel ? std::min(width, available / plan.bytesPerPixel) : 0;
    if (plan.bytesPerPixel == 3)
        ConvertBgr(row, file, present, plan.alpha);
    if (plan.bytesPerPixel == 4)
        ConvertBgra(row, file, present);
    std::fill(row + present, row + width, LOADER_MISSING_PIXEL);
    if (plan.rightToLeft)
        std::reverse(row, row + width);
}

// Reads the file rows from the stream's position into `image` as `plan` says.
// Every image pixel is written, whatever the stream holds.
void ReadRows(FILE* file, const RowPlan& plan, uint32_t* image) {
    size_t rowsPerChunk = plan.bytesPerPixel ? CHUNK_BYTES / plan.fileStride : CHUNK_BYTES;
    bool ended = plan.bytesPerPixel == 0;
    int32_t row = plan.firstRow;
    for (int32_t done = 0; done < plan.height;) {
        size_t rows = std::min(rowsPerChunk, size_t(plan.height - done));
        size_t want = rows * plan.fileStride;
        size_t got = ended ? 0 : std::fread(chunk, 1, want, file);
        ended = ended || got < want;
        for (size_t r = 0; r < rows; ++r, ++done, row += plan.rowStep) {
            size_t at = r * plan.fileStride;
            FillRow(image + size_t(row) * size_t(plan.width),
                    chunk + at,
                    got > at ? got - at : 0,
                    plan);
        }
    }
}

// Common tail of both readers: allocate, read the rows, install.
bool ReadImage(FILE* file, int32_t slot, int32_t mipmap, const RowPlan& plan, size_t skip) {
    uint32_t* pixels = AllocateImage(plan.width, plan.height, mipmap);
    if (!pixels)
        return false;
    SkipBytes(file, skip);
    ReadRows(file, plan, pixels);
    InstallImage(slot, plan.width, plan.height, mipmap, pixels);
    return true;
}

// Sends the slot's image (possibly empty) to its texture with the loaders'
// parameters, then the mipmap chain when the slot carries one.
void UploadSlot(int32_t slot) {
    GLint minFilter = textureTable.slots[slot].mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR;
    UploadTextureSlot(slot, GL_REPEAT, GL_LINEAR, minFilter);
}

typedef bool (*ReadFn)(FILE* file, int32_t slot, int32_t mipmap);

// The outline both loaders share. The way back is the remembered directory
// rather than "..", so a directory reached through a link still returns the
// caller to where it was.
void LoadFromDirectory(
    int32_t slot, const char* directory, const char* fileName, int32_t mipmap, ReadFn read) {
    if (slot < 0 || slot >= TEXTURE_SLOTS)
        return;
    int held = HoldWorkingDirectory();
    bool entered = ChangeDirectory(directory) == 0;
    FILE* file = fileName ? std::fopen(fileName, "rb") : nullptr;
    if (file) {
        read(file, slot, mipmap);
        std::fclose(file);
    }
    if (ReturnToHeldDirectory(held) != 0 && entered)
        ChangeDirectory("..");
    if (videoState.openGL)
        UploadSlot(slot);
}

}  // namespace

bool ReadBmpTexture(FILE* file, int32_t slot, int32_t mipmap) {
    if (slot < 0 || slot >= TEXTURE_SLOTS || !file)
        return false;
    uint8_t header[BMP_HEADER_BYTES];
    if (std::fread(header, 1, sizeof header, file) != sizeof header)
        return false;
    if (header[0] != 'B' || header[1] != 'M' || ReadU16(header + BMP_BITS) != 24 ||
        ReadU32(header + BMP_COMPRESSION) != 0)
        return false;
    int64_t width = ReadS32(header + BMP_WIDTH);
    int64_t fileHeight = ReadS32(header + BMP_HEIGHT);
    int64_t height = fileHeight < 0 ? -fileHeight : fileHeight;
    if (!SizeAllowed(width, height))
        return false;
    // Pixel data never starts inside the header; a smaller offset is a writer
    // that left the field unset.
    uint32_t dataOffset = std::max<uint32_t>(ReadU32(header + BMP_DATA_OFFSET), BMP_HEADER_BYTES);
    RowPlan plan;
    plan.width = int32_t(width);
    plan.height = int32_t(height);
    plan.bytesPerPixel = 3;
    plan.fileStride = (size_t(width) * 3 + 3) & ~size_t(3);
    plan.firstRow = fileHeight > 0 ? plan.height - 1 : 0;
    plan.rowStep = fileHeight > 0 ? -1 : 1;
    plan.rightToLeft = false;
    plan.alpha = (slot == TRANSLUCENT_SLOT ? TRANSLUCENT_ALPHA : OPAQUE_ALPHA) << 24;
    return ReadImage(file, slot, mipmap, plan, dataOffset - BMP_HEADER_BYTES);
}

bool ReadTgaTexture(FILE* file, int32_t slot, int32_t mipmap) {
    if (slot < 0 || slot >= TEXTURE_SLOTS || !file)
        return false;
    uint8_t header[TGA_HEADER_BYTES];
    if (std::fread(header, 1, sizeof header, file) != sizeof header)
        return false;
    int32_t width = int32_t(ReadU16(header + TGA_WIDTH));
    int32_t height = int32_t(ReadU16(header + TGA_HEIGHT));
    if (!SizeAllowed(width, height))
        return false;
    uint32_t depth = header[TGA_DEPTH];
    uint32_t alphaBits = header[TGA_DESCRIPTOR] & 0x0Fu;
    uint32_t origin = header[TGA_DESCRIPTOR] >> 4 & 3u;
    // Colour map entries occupy whole bytes each (15-bit entries take two).
    size_t mapBytes =
        size_t(ReadU16(header + TGA_MAP_LENGTH)) * ((header[TGA_MAP_ENTRY_BITS] + 7u) / 8u);
    RowPlan plan;
    plan.width = width;
    plan.height = height;
    plan.bytesPerPixel = depth == 32 && alphaBits == 8 ? 4 : depth == 24 ? 3 : 0;
    plan.fileStride = size_t(width) * size_t(plan.bytesPerPixel);
    plan.firstRow = origin < 2 ? height - 1 : 0;
    plan.rowStep = origin < 2 ? -1 : 1;
    plan.rightToLeft = origin == 1 || origin == 3;
    plan.alpha = OPAQUE_ALPHA << 24;
    return ReadImage(file, slot, mipmap, plan, header[TGA_ID_LENGTH] + mapBytes);
}

void LoadBmpTexture(int32_t slot, const char* fileName, int32_t mipmap) {
    LoadFromDirectory(slot, TEXTURE_DIRECTORY, fileName, mipmap, ReadBmpTexture);
}

void LoadTgaTexture(int32_t slot, const char* fileName, int32_t mipmap, int32_t lowDetail) {
    LoadFromDirectory(slot,
                      lowDetail ? TEXTURE_LOW_DIRECTORY : TEXTURE_DIRECTORY,
                      fileName,
                      mipmap,
                      ReadTgaTexture);
}
