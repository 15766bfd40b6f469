// BMP and TGA directory loaders against real files and the real GL textures.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/video.h"
#include "render/loaders.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

// The picture every test file carries: a distinct word per (x, y), alpha too.
uint32_t Picture(int x, int y) {
    return uint32_t((x * 7 + 1) & 0xFF) | uint32_t((y * 13 + 2) & 0xFF) << 8 |
           uint32_t(((x + y) * 5 + 3) & 0xFF) << 16 | uint32_t((x * 3 + y * 11 + 9) & 0xFF) << 24;
}

void Put(std::string& s, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s[at + i] = char(v >> (8 * i));
}

void PutPixel(std::string& s, uint32_t word, int bytes) {
    for (int c : {2, 1, 0, 3}) s += c == 3 && bytes == 3 ? "" : std::string(1, char(word >> (8 * c)));
}

struct BmpSpec {
    int32_t width, height;  // height as stored: positive = bottom row first
    uint32_t offset = 54, bits = 24, compression = 0;
    bool pad = true;
};

// A BMP of the picture; byte `offset` holds the first row, junk before it.
std::string MakeBmp(const BmpSpec& b) {
    std::string s(std::max<uint32_t>(b.offset, 54), char(0xA5));
    std::memset(&s[0], 0, 54);
    s[0] = 'B', s[1] = 'M';
    Put(s, 10, b.offset, 4), Put(s, 14, 40, 4), Put(s, 18, uint32_t(b.width), 4);
    Put(s, 22, uint32_t(b.height), 4), Put(s, 26, 1, 2), Put(s, 28, b.bits, 2), Put(s, 30, b.compression, 4);
    int64_t rows = std::llabs(int64_t(b.height));
    for (int i = 0; i < rows && b.width > 0 && b.width * rows <= 65536; ++i) {
        for (int x = 0; x < b.width; ++x) PutPixel(s, Picture(x, b.height > 0 ? rows - 1 - i : i), 3);
        if (b.pad) s.append((4 - b.width * 3 % 4) % 4, '\0');
    }
    return s;
}

struct TgaSpec {
    int width, height, depth, descriptor;
    int idLength = 0, mapLength = 0, mapBits = 0;
};

std::string MakeTga(const TgaSpec& t) {
    std::string s(18 + t.idLength + t.mapLength * ((t.mapBits + 7) / 8), char(0x5A));
    s[0] = char(t.idLength), s[1] = char(t.mapLength ? 1 : 0), s[2] = 2;
    Put(s, 3, 0, 2), Put(s, 5, t.mapLength, 2), s[7] = char(t.mapBits), Put(s, 8, 0, 4);
    Put(s, 12, t.width, 2), Put(s, 14, t.height, 2), s[16] = char(t.depth), s[17] = char(t.descriptor);
    int origin = t.descriptor >> 4 & 3, bytes = t.depth / 8;
    for (int i = 0; i < t.height && int64_t(t.width) * t.height <= 65536; ++i)
        for (int j = 0; j < t.width; ++j)
            PutPixel(s, Picture(origin & 1 ? t.width - 1 - j : j, origin < 2 ? t.height - 1 - i : i), bytes);
    return s;
}

const TextureSlot& Slot(int slot) { return textureTable.slots[slot]; }

std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

// Every load goes through these: the working directory must not move.
void Bmp(int slot, const char* name, int mipmap = 0) {
    std::string before = Cwd();
    LoadBmpTexture(slot, name, mipmap);
    EXPECT_EQ(Cwd(), before) << name;
}

void Tga(int slot, const char* name, int mipmap = 0, int low = 0) {
    std::string before = Cwd();
    LoadTgaTexture(slot, name, mipmap, low);
    EXPECT_EQ(Cwd(), before) << (name ? name : "(null)");
}

// The slot holds the picture (alpha forced unless `alpha` is negative).
void ExpectPicture(int slot, int w, int h, int alpha) {
    ASSERT_EQ(Slot(slot).width, w);
    ASSERT_EQ(Slot(slot).height, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t want = alpha < 0 ? Picture(x, y) : (Picture(x, y) & 0xFFFFFFu) | uint32_t(alpha) << 24;
            ASSERT_EQ(Slot(slot).pixels[y * w + x], want) << "x " << x << " y " << y;
        }
}

GLint TexParam(GLenum name) {
    GLint v = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
    return v;
}

// GL holds exactly the slot's level 0 with the loaders' parameters.
void ExpectGlHoldsSlot(int slot) {
    const TextureSlot& s = Slot(slot);
    GLint w, h;
    std::vector<uint32_t> gl = ReadGlLevel(s.glName, 0, &w, &h);
    ASSERT_EQ(w, s.width);
    ASSERT_EQ(h, s.height);
    EXPECT_TRUE(std::equal(gl.begin(), gl.end(), s.pixels)) << "GL image differs from slot " << slot;
    EXPECT_EQ(TexParam(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexParam(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(TexParam(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(GL_TEXTURE_MIN_FILTER), s.mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
}

struct LoaderTest : ::testing::Test {
    TempWorkDir dir;
    void SetUp() override {
        EnsureGlWindow();
        ResetTextureImages();
        videoState.openGL = 1;
        mkdir("texture", 0755);
        mkdir("texturelow", 0755);
    }
};

// Row order from the height sign, row padding, the pixel-data offset (an
// unset one means 54) and the slot's alpha, in the slot and in GL.
TEST_F(LoaderTest, BmpPicturesLoadUpright) {
    const struct {
        BmpSpec bmp;
        int slot;
    } cases[] = {{{16, 64}, 3},         {{16, -64}, 3},     {{4, 4}, TRANSLUCENT_SLOT}, {{4, 4}, 17},
                 {{5, 3}, FONT_SLOT},   {{6, -3}, 5},       {{7, 2}, 5},                {{1, -1}, 5},
                 {{8, 3, 138}, 5},      {{5, -2, 200}, 5},  {{4, 2, 0}, 5},             {{8, 2, 54, 24, 0, false}, 5}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes("texture/a.bmp", MakeBmp(c.bmp)));
        Bmp(c.slot, "a.bmp");
        ExpectPicture(c.slot, c.bmp.width, std::abs(c.bmp.height), c.slot == TRANSLUCENT_SLOT ? 128 : 255);
        ExpectGlHoldsSlot(c.slot);
    }
}

// Every origin at both depths, then image IDs and colour maps to skip.
TEST_F(LoaderTest, TgaPicturesLoadUpright) {
    std::vector<TgaSpec> cases = {{3, 2, 32, 8, 7, 3, 24}, {3, 2, 24, 32, 1, 5, 15}, {3, 2, 32, 40, 255, 2, 32}, {3, 2, 24, 0, 0, 4, 16}};
    for (int origin = 0; origin < 4; ++origin)
        for (int depth : {24, 32}) cases.push_back({5, 3, depth, origin << 4 | (depth == 32 ? 8 : 0)});
    for (const TgaSpec& c : cases) {
        ASSERT_TRUE(WriteFileBytes("texture/o.tga", MakeTga(c)));
        Tga(7, "o.tga");
        SCOPED_TRACE("descriptor " + std::to_string(c.descriptor) + " depth " + std::to_string(c.depth));
        ExpectPicture(7, c.width, c.height, c.depth == 32 ? -1 : 255);
        ExpectGlHoldsSlot(7);
    }
    for (TgaSpec t : {TgaSpec{4, 3, 16, 1}, TgaSpec{4, 3, 8, 0}, TgaSpec{4, 3, 32, 0}, TgaSpec{4, 3, 15, 0}}) {
        ASSERT_TRUE(WriteFileBytes("texture/f.tga", MakeTga(t)));  // formats not read: black, header's size
        Tga(6, "f.tga");
        ASSERT_EQ(std::make_pair(Slot(6).width, Slot(6).height), std::make_pair(4, 3));
        EXPECT_TRUE(std::all_of(Slot(6).pixels, Slot(6).pixels + 12, [](uint32_t p) { return p == LOADER_MISSING_PIXEL; }));
        ExpectGlHoldsSlot(6);
    }
}

TEST_F(LoaderTest, RejectedHeadersLeaveTheSlotAsItWas) {
    ASSERT_TRUE(WriteFileBytes("texture/good.bmp", MakeBmp({4, 2})));
    std::vector<std::string> bad;
    for (BmpSpec b : {BmpSpec{4, 2, 54, 8}, {4, 2, 54, 24, 1}, {4, 2, 54, 24, 3}, {4, 2, 54, 32}, {0, 2}, {-4, 2},
                      {4, 0}, {16385, 1}, {1, 16385}, {8192, 8193}, {4, INT_MIN}, {INT_MIN, 2}})
        bad.push_back(MakeBmp(b));
    bad.push_back(MakeBmp({4, 2}).substr(0, 53));
    bad.push_back(MakeBmp({4, 2}));
    bad.back()[1] = 'A';
    for (TgaSpec t : {TgaSpec{0, 2, 24, 0}, {2, 0, 24, 0}, {16385, 1, 24, 0}, {65535, 65535, 32, 8}}) bad.push_back(MakeTga(t));
    bad.push_back(MakeTga({2, 2, 24, 0}).substr(0, 17));
    for (size_t i = 0; i < bad.size(); ++i) {
        Bmp(9, "good.bmp");
        const uint32_t* kept = Slot(9).pixels;
        ASSERT_TRUE(WriteFileBytes("texture/bad", bad[i]));
        bad[i][0] == 'B' ? Bmp(9, "bad") : Tga(9, "bad");
        EXPECT_EQ(Slot(9).pixels, kept) << "case " << i;
        ExpectPicture(9, 4, 2, 255);
        ExpectGlHoldsSlot(9);
    }
}

TEST_F(LoaderTest, LargestAcceptedSizesLoadShortFilesAsOpaqueBlack) {
    videoState.openGL = 0;
    for (BmpSpec b : {BmpSpec{LOADER_MAX_SIDE, 2}, BmpSpec{2, -LOADER_MAX_SIDE}, BmpSpec{8192, 8192}}) {
        ASSERT_TRUE(WriteFileBytes("texture/big.bmp", MakeBmp(b).substr(0, 54)));
        Bmp(2, "big.bmp");
        ASSERT_EQ(Slot(2).width, b.width);
        ASSERT_EQ(Slot(2).height, std::abs(b.height));
        size_t n = size_t(b.width) * std::abs(b.height);
        EXPECT_TRUE(std::all_of(Slot(2).pixels, Slot(2).pixels + n, [](uint32_t p) { return p == LOADER_MISSING_PIXEL; }));
    }
}

// Cuts a file at every length; each pixel is the picture when all its bytes
// made it into the file, opaque black when not, and never anything else.
TEST_F(LoaderTest, TruncatedFilesGiveOpaqueBlackForMissingPixels) {
    struct Case {
        bool bmp;
        int w, h, bytes, origin;  // TGA origin; BMP: 0 bottom-up, 2 top-down
    } cases[] = {{true, 7, 5, 3, 0}, {true, 5, 4, 3, 2}, {false, 5, 4, 4, 1}, {false, 3, 4, 3, 3}, {false, 4, 3, 3, 0}};
    for (const Case& c : cases) {
        std::string full = c.bmp ? MakeBmp({c.w, c.origin ? -c.h : c.h})
                                 : MakeTga({c.w, c.h, c.bytes * 8, c.origin << 4 | (c.bytes == 4 ? 8 : 0)});
        size_t header = c.bmp ? 54 : 18, stride = c.bmp ? (c.w * 3 + 3) / 4 * 4 : size_t(c.w) * c.bytes;
        for (size_t length = 0; length <= full.size(); ++length) {
            ResetTextureImages();
            ASSERT_TRUE(WriteFileBytes("texture/t.img", full.substr(0, length)));
            c.bmp ? Bmp(1, "t.img") : Tga(1, "t.img");
            if (length < header) {
                EXPECT_EQ(Slot(1).width, 0) << length;
                continue;
            }
            ASSERT_EQ(Slot(1).width, c.w);
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x) {
                    size_t fileRow = c.origin < 2 ? c.h - 1 - y : y, fileCol = c.origin & 1 ? c.w - 1 - x : x;
                    bool present = header + fileRow * stride + (fileCol + 1) * c.bytes <= length;
                    uint32_t pic = c.bytes == 4 ? Picture(x, y) : Picture(x, y) | 0xFF000000u;
                    ASSERT_EQ(Slot(1).pixels[y * c.w + x], present ? pic : LOADER_MISSING_PIXEL)
                        << "length " << length << " x " << x << " y " << y;
                }
        }
    }
}

// Where each loader looks; the image width tells which file was read.
TEST_F(LoaderTest, DirectoryChoiceFallsBackToTheWorkingDirectoryOnlyWhenEntryFails) {
    struct Case {
        const char* removeDir;  // made unusable before the load, or null
        bool tga;
        int lowDetail, expectWidth;
    } cases[] = {{nullptr, false, 0, 2}, {"texture", false, 0, 1},   {nullptr, true, 1, 3},
                 {nullptr, true, 0, 2},  {"texturelow", true, 1, 1}, {"texture", true, 0, 1}};
    for (const Case& c : cases) {
        TempWorkDir inner;
        mkdir("texture", 0755), mkdir("texturelow", 0755);
        const char* where[] = {".", "texture", "texturelow"};
        for (int i = 0; i < 3; ++i) {
            std::string base = std::string(where[i]) + "/img";
            ASSERT_TRUE(WriteFileBytes(base + ".bmp", MakeBmp({i + 1, 1})));
            ASSERT_TRUE(WriteFileBytes(base + ".tga", MakeTga({i + 1, 1, 24, 0})));
        }
        if (c.removeDir) {  // a plain file of that name cannot be entered
            ASSERT_EQ(rename(c.removeDir, "gone"), 0);
            ASSERT_TRUE(WriteFileBytes(c.removeDir, "x"));
        }
        ResetTextureImages();
        c.tga ? Tga(0, "img.tga", 0, c.lowDetail) : Bmp(0, "img.bmp");
        EXPECT_EQ(Slot(0).width, c.expectWidth) << (c.tga ? "tga " : "bmp ") << (c.removeDir ? c.removeDir : "-");
    }
    // A directory that exists but lacks the file: no fallback, slot stays empty.
    ASSERT_TRUE(WriteFileBytes("only.bmp", MakeBmp({2, 2})));
    ResetTextureImages();
    Bmp(0, "only.bmp");
    EXPECT_EQ(Slot(0).width, 0);
    // Entered through a link: the caller still ends where it started.
    ASSERT_EQ(rmdir("texture"), 0);
    mkdir("elsewhere", 0755), mkdir("elsewhere/deeper", 0755);
    ASSERT_EQ(symlink("elsewhere/deeper", "texture"), 0);
    ASSERT_TRUE(WriteFileBytes("elsewhere/deeper/l.bmp", MakeBmp({3, 3})));
    Bmp(0, "l.bmp");
    EXPECT_EQ(Slot(0).width, 3);
}

TEST_F(LoaderTest, MipmappedSlotOwnsTwiceTheImageAndGlGetsTheChain) {
    ASSERT_TRUE(WriteFileBytes("texture/m.bmp", MakeBmp({64, 64})));
    ASSERT_TRUE(WriteFileBytes("texturelow/m.tga", MakeTga({32, 32, 32, 8})));
    Bmp(10, "m.bmp", 1);
    Tga(11, "m.tga", 1, 1);
    for (int slot : {10, 11}) {
        const TextureSlot& s = Slot(slot);
        size_t n = size_t(s.width) * s.height;
        EXPECT_EQ(s.mipmapped, 1);
        EXPECT_GE(malloc_usable_size(s.pixels), 2 * n * 4);
        ExpectGlHoldsSlot(slot);
        GLint w, h;
        std::vector<uint32_t> level1 = ReadGlLevel(s.glName, 1, &w, &h);
        EXPECT_EQ(w, s.width / 2);
        EXPECT_EQ(h, s.height / 2);
        EXPECT_TRUE(std::equal(level1.begin(), level1.end(), s.pixels + n));
    }
    Bmp(10, "m.bmp", 0);  // reloading without the flag drops the chain
    EXPECT_EQ(Slot(10).mipmapped, 0);
    ExpectGlHoldsSlot(10);
}

TEST_F(LoaderTest, WithoutOpenGlTheSlotIsFilledAndGlUntouched) {
    const uint32_t marker[4] = {0x11223344u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u};
    glBindTexture(GL_TEXTURE_2D, Slot(12).glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker);
    glBindTexture(GL_TEXTURE_2D, 0);
    ASSERT_TRUE(WriteFileBytes("texture/a.bmp", MakeBmp({4, 4})));
    videoState.openGL = 0;
    Bmp(12, "a.bmp", 1);
    Tga(12, "missing.tga");
    ExpectPicture(12, 4, 4, 255);
    GLint bound = -1, w, h;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    std::vector<uint32_t> gl = ReadGlLevel(Slot(12).glName, 0, &w, &h);
    ASSERT_EQ(w, 2);
    EXPECT_TRUE(std::equal(gl.begin(), gl.end(), marker));
}

TEST_F(LoaderTest, MissingFileUploadsTheSlotAsItIs) {
    const uint32_t marker[4] = {1, 2, 3, 4};
    ASSERT_TRUE(WriteFileBytes("texture/a.bmp", MakeBmp({4, 2})));
    Bmp(13, "a.bmp");
    for (int slot : {13, 14}) {  // filled, never filled
        glBindTexture(GL_TEXTURE_2D, Slot(slot).glName);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker);
        Bmp(slot, "nothing.bmp");
        Tga(slot, nullptr);
        ExpectGlHoldsSlot(slot);
    }
    EXPECT_EQ(Slot(14).width, 0);
}

TEST_F(LoaderTest, OutOfRangeSlotsAreIgnored) {
    ASSERT_TRUE(WriteFileBytes("texture/a.bmp", MakeBmp({4, 4})));
    ASSERT_TRUE(WriteFileBytes("texture/a.tga", MakeTga({4, 4, 24, 0})));
    glBindTexture(GL_TEXTURE_2D, Slot(20).glName);
    std::vector<char> before(sizeof textureTable);
    std::memcpy(before.data(), &textureTable, sizeof textureTable);
    for (int slot : {-1, TEXTURE_SLOTS, INT_MIN, INT_MAX}) {
        Bmp(slot, "a.bmp", 1);
        Tga(slot, "a.tga", 0, 1);
    }
    EXPECT_EQ(std::memcmp(before.data(), &textureTable, sizeof textureTable), 0);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), Slot(20).glName);
}

}  // namespace
