// The texture table in a real GL context: the mipmap chain as GL holds it and
// as the slot buffer lays it out, and the font as read from font.bmp, from
// short files and from the copy built into the program.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/video.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

using Image = std::vector<uint32_t>;
constexpr uint32_t SENTINEL = 0xA5C3E10Fu;

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlWindow();
        ResetTextureImages();
        videoState.openGL = 1;
    }
};

// Bytes biased towards 0, 1, 254 and 255 so that every carry a packed
// average could leak between channels actually happens.
Image RandomImage(size_t words, unsigned seed) {
    std::mt19937 rng(seed);
    const uint32_t extremes[] = {0, 1, 254, 255};
    Image out(words);
    for (uint32_t& w : out)
        for (int byte = 0; byte < 4; byte++) {
            uint32_t v = rng() % 3 ? extremes[rng() % 4] : rng() & 255;
            w |= v << (8 * byte);
        }
    return out;
}

// The chain as plainly as it can be said: each byte the floor of the mean of
// its 2x2 block in the level above; the width alone decides the level count.
std::vector<Image> ReferenceChain(const Image& base, int w, int h) {
    std::vector<Image> levels{base};
    for (int k = 1; (w >> k) != 0; k++) {
        int pw = w >> (k - 1), lw = w >> k, lh = h >> k;
        Image level(size_t(lw) * lh, 0);
        for (int y = 0; y < lh; y++)
            for (int x = 0; x < lw; x++)
                for (int byte = 0; byte < 4; byte++) {
                    unsigned sum = 0;
                    for (int dy = 0; dy < 2; dy++)
                        for (int dx = 0; dx < 2; dx++)
                            sum += (levels[k - 1][size_t(2 * y + dy) * pw + 2 * x + dx] >>
                                    (8 * byte)) & 255;
                    level[size_t(y) * lw + x] |= (sum / 4) << (8 * byte);
                }
        levels.push_back(level);
    }
    return levels;
}

// A mipmapped slot: level 0 from `base`, the rest of its 2N words sentinels.
void FillMipmappedSlot(int slot, const Image& base, int w, int h) {
    TextureSlot& s = textureTable.slots[slot];
    s.pixels = static_cast<uint32_t*>(std::malloc(base.size() * 2 * sizeof(uint32_t)));
    for (size_t i = 0; i < base.size() * 2; i++) s.pixels[i] = i < base.size() ? base[i] : SENTINEL;
    s.width = w;
    s.height = h;
    s.mipmapped = 1;
}

GLint LevelWidth(GLuint name, int level) {
    GLint v = -1;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &v);
    return v;
}

GLint TexParam(GLuint name, GLenum p) {
    GLint v = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, p, &v);
    return v;
}

// Index of the first differing word, -1 when equal (keeps failures readable).
long FirstDifference(const Image& got, const Image& want) {
    if (got.size() != want.size()) return long(std::min(got.size(), want.size()));
    for (size_t i = 0; i < got.size(); i++)
        if (got[i] != want[i]) return long(i);
    return -1;
}

TEST_F(TextureTest, ChainMatchesThePerByteAverageInGlAndInTheSlotBuffer) {
    struct Size { int w, h; };
    const Size sizes[] = {{1, 1},  {2, 2},  {4, 4},  {256, 256}, {6, 6},   {5, 3},
                          {12, 4}, {4, 12}, {64, 16}, {16, 64},  {30, 30}, {17, 9}};
    int slot = 10;
    for (const Size& sz : sizes) {
        SCOPED_TRACE(std::to_string(sz.w) + "x" + std::to_string(sz.h));
        Image base = RandomImage(size_t(sz.w) * sz.h, unsigned(slot));
        std::vector<Image> want = ReferenceChain(base, sz.w, sz.h);
        FillMipmappedSlot(slot, base, sz.w, sz.h);
        const TextureSlot& s = textureTable.slots[slot];
        glBindTexture(GL_TEXTURE_2D, s.glName);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, sz.w, sz.h, 0, GL_RGBA, GL_UNSIGNED_BYTE, s.pixels);
        BuildMipmapChain(slot);
        // Level k at N + N/4 + ... + N/4^(k-1); every other word keeps its sentinel.
        Image layout(base.size() * 2, SENTINEL);
        size_t offset = 0;
        for (size_t k = 0; k < want.size(); k++) {
            std::copy(want[k].begin(), want[k].end(), layout.begin() + offset);
            int lw = sz.w >> k, lh = sz.h >> k;
            if (lw > 0 && lh > 0) {
                EXPECT_EQ(FirstDifference(ReadGlLevel(s.glName, int(k)), want[k]), -1)
                    << "GL level " << k;
            }
            offset += k == 0 ? base.size() : (base.size() >> (2 * k));
        }
        EXPECT_EQ(FirstDifference(Image(s.pixels, s.pixels + layout.size()), layout), -1);
        EXPECT_EQ(LevelWidth(s.glName, int(want.size())), 0) << "no level past the chain";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        slot++;
    }
}

TEST_F(TextureTest, AveragesRoundDownPerChannelWithoutCarries) {
    struct Block { uint32_t a, b, c, d, want; };
    const Block blocks[] = {
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFEFEFEFE, 0xFEFEFEFE},  // 254, not 255
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {0x000000FF, 0x000000FF, 0x000000FF, 0x000000FF, 0x000000FF},
        {0xFF000000, 0x00000000, 0x00000000, 0x00000000, 0x3F000000},
        {0x01010101, 0x01010101, 0x01010101, 0x00000000, 0x00000000},
        {0x00FF00FF, 0xFF00FF00, 0x00FF00FF, 0xFF00FF00, 0x7F7F7F7F},
        {0x03020100, 0x03020100, 0x03020100, 0x03020100, 0x03020100},
        {0x80808080, 0x7F7F7F7F, 0x80808080, 0x7F7F7F7F, 0x7F7F7F7F},
    };
    constexpr int count = int(sizeof blocks / sizeof blocks[0]);
    // All blocks side by side in one 16x2 image (the wide path), and each alone in 2x2.
    Image wide(size_t(4 * count * 2), 0);
    for (int i = 0; i < count; i++) {
        const Block& bl = blocks[i];
        uint32_t quad[8] = {bl.a, bl.b, bl.c, bl.d, 0, 0, 0, 0};
        ASSERT_EQ(ComputeMipmapChain(quad, 2, 2), 2);
        EXPECT_EQ(quad[4], bl.want) << "2x2 block " << i;
        wide[2 * i] = bl.a;
        wide[2 * i + 1] = bl.b;
        wide[2 * count + 2 * i] = bl.c;
        wide[2 * count + 2 * i + 1] = bl.d;
    }
    ASSERT_EQ(ComputeMipmapChain(wide.data(), 2 * count, 2), 5);
    for (int i = 0; i < count; i++) EXPECT_EQ(wide[4 * count + i], blocks[i].want) << "wide block " << i;
}

TEST_F(TextureTest, BuilderLeavesUnusableSlotsAlone) {
    EXPECT_EQ(ComputeMipmapChain(nullptr, 4, 4), 0);
    uint32_t word = SENTINEL;
    EXPECT_EQ(ComputeMipmapChain(&word, 0, 4), 0);
    EXPECT_EQ(word, SENTINEL);
    BuildMipmapChain(-1);
    BuildMipmapChain(TEXTURE_SLOTS);
    // Not mipmapped: the buffer has room for level 0 only, and no level appears in GL.
    TextureSlot& plain = textureTable.slots[300];
    Image base = RandomImage(16, 3);
    plain.pixels = static_cast<uint32_t*>(std::malloc(16 * sizeof(uint32_t)));
    std::copy(base.begin(), base.end(), plain.pixels);
    plain.width = plain.height = 4;
    glBindTexture(GL_TEXTURE_2D, plain.glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, plain.pixels);
    BuildMipmapChain(300);
    EXPECT_EQ(Image(plain.pixels, plain.pixels + 16), base);
    EXPECT_EQ(LevelWidth(plain.glName, 1), 0);
    // Mipmapped but nothing loaded.
    textureTable.slots[301].mipmapped = 1;
    textureTable.slots[301].width = textureTable.slots[301].height = 4;
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[301].glName);
    BuildMipmapChain(301);
    EXPECT_EQ(LevelWidth(textureTable.slots[301].glName, 1), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// font.bmp read the way its format is defined: skip 54 bytes, then for image
// rows 127 down to 0 take three bytes per pixel, one at a time; the third is
// the coverage; a byte past the end reads as -1 and makes the pixel opaque.
Image ReferenceFont(const std::string& file) {
    Image out(256 * 256, 0x00FFFFFFu);
    size_t pos = 54;
    auto next = [&]() { return pos < file.size() ? int(uint8_t(file[pos++])) : (pos++, -1); };
    for (int row = 127; row >= 0; row--)
        for (int x = 0; x < 256; x++) {
            next();
            next();
            int red = next();
            out[size_t(row) * 256 + x] = red < 0 ? 0xFFFFFFFFu : 0x00FFFFFFu | uint32_t(red) << 24;
        }
    return out;
}

std::string RandomFontFile(size_t length, unsigned seed) {
    std::mt19937 rng(seed);
    std::string bytes(length, '\0');
    for (char& c : bytes) c = char(rng());
    return bytes;
}

// The font slot holds `want`, and GL holds the same image unless told otherwise.
void ExpectFontSlotHolds(const Image& want, bool inGl = true) {
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    ASSERT_EQ(s.width, 256);
    ASSERT_EQ(s.height, 256);
    EXPECT_EQ(s.mipmapped, 0);
    ASSERT_NE(s.pixels, nullptr);
    EXPECT_EQ(FirstDifference(Image(s.pixels, s.pixels + 256 * 256), want), -1);
    if (inGl) {
        EXPECT_EQ(FirstDifference(ReadGlLevel(s.glName, 0), want), -1) << "GL image";
    }
}

TEST_F(TextureTest, FontTakesRedAsAlphaBottomRowFirstAndGoesToGlClamped) {
    TempWorkDir dir;
    std::string file = RandomFontFile(FONT_FILE_BYTES, 11);  // the header is random too: unchecked
    ASSERT_TRUE(WriteFileBytes("font.bmp", file));
    LoadFont();
    ExpectFontSlotHolds(ReferenceFont(file));
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    EXPECT_EQ(s.pixels[127 * 256 + 0], 0x00FFFFFFu | uint32_t(uint8_t(file[56])) << 24)
        << "the first pixel bytes are the bottom image row";
    EXPECT_EQ(s.pixels[255], 0x00FFFFFFu | uint32_t(uint8_t(file[FONT_FILE_BYTES - 1])) << 24)
        << "the last pixel bytes are the top image row";
    EXPECT_EQ(s.pixels[128 * 256], 0x00FFFFFFu) << "rows the file does not supply are transparent";
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(LevelWidth(s.glName, 1), 0) << "the font has no mipmaps";
}

TEST_F(TextureTest, ShortAndLongFontFilesReplaceTheImageEachTime) {
    // Each load replaces the previous image; lengths cut inside the header,
    // between pixels and inside a pixel (blue and green present, red missing).
    const size_t lengths[] = {0, 10, 54, 54 + 768 * 5 + 3, 54 + 768 * 5 + 4, 54 + 768 * 5 + 5,
                              FONT_FILE_BYTES - 1, FONT_FILE_BYTES + 1000};
    TempWorkDir dir;
    for (size_t length : lengths) {
        SCOPED_TRACE(length);
        std::string file = RandomFontFile(length, unsigned(length));
        ASSERT_TRUE(WriteFileBytes("font.bmp", file));
        LoadFont();
        ExpectFontSlotHolds(ReferenceFont(file));
    }
}

TEST_F(TextureTest, FontWithoutGlFillsTheImageOnly) {
    TempWorkDir dir;
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    uint32_t small[4] = {1, 2, 3, 4};
    glBindTexture(GL_TEXTURE_2D, s.glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, small);
    std::string file = RandomFontFile(FONT_FILE_BYTES, 5);
    ASSERT_TRUE(WriteFileBytes("font.bmp", file));
    videoState.openGL = 0;
    LoadFont();
    videoState.openGL = 1;
    ExpectFontSlotHolds(ReferenceFont(file), false);
    EXPECT_EQ(LevelWidth(s.glName, 0), 2);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_WRAP_S), GL_REPEAT);
}

TEST_F(TextureTest, MissingFontFileFallsBackToTheBuiltInCopy) {
    std::string asset = ReadFileBytes(std::string(QUILLON_SOURCE_DIR) + "/assets/font.bmp");
    TempWorkDir dir;
    LoadFont();
    ExpectFontSlotHolds(ReferenceFont(asset));
}

}  // namespace
