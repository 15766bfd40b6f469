#include "render/texture.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/video.h"

extern const unsigned char BUILTIN_FONT_BMP[];
extern const size_t BUILTIN_FONT_BMP_SIZE;

TextureTable textureTable;

namespace {

constexpr const char* FONT_FILE_NAME = "font.bmp";
constexpr size_t FONT_HEADER_BYTES = 54;
constexpr uint32_t WHITE_RGB = 0x00FFFFFFu;
constexpr uint32_t OPAQUE_WHITE = 0xFFFFFFFFu;
constexpr uint32_t EVEN_BYTES = 0x00FF00FFu;

// The font file as read: at most the bytes the font's rules ever look at.
unsigned char fontFileBytes[FONT_FILE_BYTES];

// Rounded-down per-byte average of four RGBA words; no carry crosses a byte.
inline uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    uint32_t even = (a & EVEN_BYTES) + (b & EVEN_BYTES) + (c & EVEN_BYTES) + (d & EVEN_BYTES);
    uint32_t odd = ((a >> 8) & EVEN_BYTES) + ((b >> 8) & EVEN_BYTES) + ((c >> 8) & EVEN_BYTES) +
                   ((d >> 8) & EVEN_BYTES);
    return ((even >> 2) & EVEN_BYTES) | (((odd >> 2) & EVEN_BYTES) << 8);
}

#if defined(__SSE2__)
// Four output pixels from eight pixels of each of two source rows.
inline __m128i Average8x2(const uint32_t* row0, const uint32_t* row1) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0));
    __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 4));
    __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1));
    __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + 4));
    // Vertical sums in 16-bit lanes: pixels 0-1, 2-3, 4-5, 6-7.
    __m128i s01 = _mm_add_epi16(_mm_unpacklo_epi8(a0, zero), _mm_unpacklo_epi8(b0, zero));
    __m128i s23 = _mm_add_epi16(_mm_unpackhi_epi8(a0, zero), _mm_unpackhi_epi8(b0, zero));
    __m128i s45 = _mm_add_epi16(_mm_unpacklo_epi8(a1, zero), _mm_unpacklo_epi8(b1, zero));
    __m128i s67 = _mm_add_epi16(_mm_unpackhi_epi8(a1, zero), _mm_unpackhi_epi8(b1, zero));
    // Horizontal pairs: low halves hold the even pixel, high halves the odd one.
    __m128i q01 = _mm_add_epi16(_mm_unpacklo_epi64(s01, s23), _mm_unpackhi_epi64(s01, s23));
    __m128i q23 = _mm_add_epi16(_mm_unpacklo_epi64(s45, s67), _mm_unpackhi_epi64(s45, s67));
    return _mm_packus_epi16(_mm_srli_epi16(q01, 2), _mm_srli_epi16(q23, 2));
}
#endif

// One output row of a level from two rows of the level above it.
void ReduceRow(const uint32_t* row0, const uint32_t* row1, uint32_t* out, int32_t outWidth) {
    int32_t x = 0;
#if defined(__SSE2__)
    for (; x + 4 <= outWidth; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         Average8x2(row0 + 2 * x, row1 + 2 * x));
#endif
    for (; x < outWidth; x++)
        out[x] = Average4(row0[2 * x], row0[2 * x + 1], row1[2 * x], row1[2 * x + 1]);
}

int32_t LevelCount(int32_t width) {
    int32_t levels = 1;
    while (levels < 31 && (width >> levels) != 0)
        levels++;
    return levels;
}

void FreeSlotImage(TextureSlot& s) {
    std::free(s.pixels);
    s.pixels = nullptr;
}

// The font's rules: no header check; row 127 first; red byte -> alpha;
// anything past the end of the data reads as opaque white.
void DecodeFont(const unsigned char* bytes, size_t size, uint32_t* pixels) {
    for (int fileRow = 0; fileRow < FONT_FILE_ROWS; fileRow++) {
        uint32_t* out = pixels + size_t(FONT_FILE_ROWS - 1 - fileRow) * FONT_SIZE;
        size_t rowStart = FONT_HEADER_BYTES + size_t(fileRow) * FONT_SIZE * 3;
        for (int column = 0; column < FONT_SIZE; column++) {
            size_t red = rowStart + size_t(column) * 3 + 2;
            out[column] = red < size ? (uint32_t(bytes[red]) << 24) | WHITE_RGB : OPAQUE_WHITE;
        }
    }
    // No glyph lives below the file's rows; keep them invisible.
    for (size_t i = size_t(FONT_FILE_ROWS) * FONT_SIZE; i < size_t(FONT_SIZE) * FONT_SIZE; i++)
        pixels[i] = WHITE_RGB;
}

}  // namespace

void GenerateTextureNames() {
    for (TextureSlot& s : textureTable.slots) {
        GLuint name = 0;
        glGenTextures(1, &name);
        s.glName = name;
    }
}

void LoadFont() {
    TextureSlot& s = textureTable.slots[FONT_SLOT];
    s.width = FONT_SIZE;
    s.height = FONT_SIZE;
    s.mipmapped = 0;  // the buffer has no room for a chain
    FreeSlotImage(s);
    s.pixels = static_cast<uint32_t*>(std::malloc(size_t(FONT_SIZE) * FONT_SIZE * 4));
    if (!s.pixels) {
        s.width = s.height = 0;  // nothing to draw or re-upload
        return;
    }
    FILE* f = std::fopen(FONT_FILE_NAME, "rb");
    if (f) {
        size_t got = std::fread(fontFileBytes, 1, sizeof fontFileBytes, f);
        std::fclose(f);
        DecodeFont(fontFileBytes, got, s.pixels);
    } else {
        // No font beside the program: the copy built into it keeps the screen usable.
        DecodeFont(BUILTIN_FONT_BMP, BUILTIN_FONT_BMP_SIZE, s.pixels);
    }
    if (videoState.openGL)
        UploadTextureSlot(FONT_SLOT, GL_CLAMP, GL_LINEAR, GL_LINEAR);
}

int ComputeMipmapChain(uint32_t* pixels, int32_t width, int32_t height) {
    if (!pixels || width <= 0 || height <= 0)
        return 0;
    size_t n = size_t(width) * size_t(height);
    int32_t levels = LevelCount(width);
    size_t src = 0, dst = n, step = n >> 2;
    for (int32_t k = 1; k < levels; k++) {
        int32_t w = width >> k, h = height >> k, srcStride = width >> (k - 1);
        for (int32_t y = 0; y < h; y++) {
            const uint32_t* row0 = pixels + src + size_t(2 * y) * srcStride;
            ReduceRow(row0, row0 + srcStride, pixels + dst + size_t(y) * w, w);
        }
        src = dst;
        dst += step;
        step >>= 2;
    }
    return levels;
}

void BuildMipmapChain(int32_t slot) {
    if (slot < 0 || slot >= TEXTURE_SLOTS)
        return;
    TextureSlot& s = textureTable.slots[slot];
    if (!s.pixels || !s.mipmapped || s.width <= 0 || s.height <= 0)
        return;
    int32_t levels = ComputeMipmapChain(s.pixels, s.width, s.height);
    size_t n = size_t(s.width) * size_t(s.height);
    size_t offset = n, step = n >> 2;
    for (int32_t k = 1; k < levels; k++) {
        glTexImage2D(GL_TEXTURE_2D,
                     k,
                     GL_RGBA,
                     s.width >> k,
                     s.height >> k,
                     0,
                     GL_RGBA,
                     GL_UNSIGNED_BYTE,
                     s.pixels + offset);
        offset += step;
        step >>= 2;
    }
}

void UploadTextureSlot(int32_t slot, int32_t wrap, int32_t magFilter, int32_t minFilter) {
    if (slot < 0 || slot >= TEXTURE_SLOTS)
        return;
    const TextureSlot& s = textureTable.slots[slot];
    glBindTexture(GL_TEXTURE_2D, s.glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexImage2D(
        GL_TEXTURE_2D, 0, GL_RGBA, s.width, s.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, s.pixels);
    if (s.mipmapped)
        BuildMipmapChain(slot);
}

void ResetTextureImages() {
    for (TextureSlot& s : textureTable.slots) {
        FreeSlotImage(s);
        s.width = s.height = s.mipmapped = 0;
    }
}
