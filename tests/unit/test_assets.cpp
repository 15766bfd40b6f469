// The committed pictures: font.bmp as the glyph sheet and cursor the printer
// samples, qln.bmp as the icon SDL loads. Read from the source tree's assets.
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/video.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

const std::string ASSETS = std::string(QUILLON_SOURCE_DIR) + "/assets/";
constexpr int SHEET_WIDTH = 256, SHEET_HEIGHT = 128, CELL = 16;

uint32_t Le(const std::string& bytes, size_t at, int count) {
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; i--) v = (v << 8) | uint8_t(bytes[at + i]);
    return v;
}

// The sheet as coverage rows, top row first, taken from the file's red bytes.
struct Sheet {
    std::string bytes;
    int Red(int x, int y) const { return Byte(x, y, 2); }
    int Byte(int x, int y, int channel) const {
        return uint8_t(bytes[54 + (size_t(SHEET_HEIGHT - 1 - y) * SHEET_WIDTH + x) * 3 + channel]);
    }
    int Cell(int code, int cx, int cy) const {
        return Red((code % 16) * CELL + cx, (code / 16) * CELL + cy);
    }
    // Total coverage of a rectangle of one cell.
    long Ink(int code, int x0, int y0, int x1, int y1) const {
        long sum = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) sum += Cell(code, x, y);
        return sum;
    }
    // The lowest row of the cell that holds any coverage; -1 when empty.
    int LowestInkRow(int code) const {
        for (int y = CELL - 1; y >= 0; y--)
            if (Ink(code, 0, y, CELL, y + 1)) return y;
        return -1;
    }
};

Sheet LoadSheet() {
    Sheet s{ReadFileBytes(ASSETS + "font.bmp")};
    if (s.bytes.size() != 54 + size_t(SHEET_WIDTH) * SHEET_HEIGHT * 3) ADD_FAILURE() << "font.bmp size";
    s.bytes.resize(54 + size_t(SHEET_WIDTH) * SHEET_HEIGHT * 3);
    return s;
}

TEST(AssetFiles, HeadersAreUncompressedBottomUp24BitPictures) {
    struct Expect {
        const char* name;
        uint32_t width, height;
    };
    for (const Expect& e : {Expect{"font.bmp", 256, 128}, Expect{"qln.bmp", 32, 32}}) {
        SCOPED_TRACE(e.name);
        std::string b = ReadFileBytes(ASSETS + e.name);
        uint32_t image = e.width * e.height * 3;
        ASSERT_EQ(b.size(), 54 + image);
        EXPECT_EQ(b.substr(0, 2), "BM");
        const uint32_t fields[][3] = {{2, 4, 54 + image}, {6, 4, 0},  {10, 4, 54},
                                      {14, 4, 40},        {18, 4, e.width}, {22, 4, e.height},
                                      {26, 2, 1},         {28, 2, 24}, {30, 4, 0},
                                      {34, 4, image}};
        for (const auto& f : fields) EXPECT_EQ(Le(b, f[0], int(f[1])), f[2]) << "offset " << f[0];
    }
}

TEST(FontSheet, EveryPixelIsGreySoTheFileLooksLikeItsCoverage) {
    Sheet s = LoadSheet();
    for (int y = 0; y < SHEET_HEIGHT; y++)
        for (int x = 0; x < SHEET_WIDTH; x++)
            ASSERT_TRUE(s.Byte(x, y, 0) == s.Red(x, y) && s.Byte(x, y, 1) == s.Red(x, y))
                << x << "," << y;
}

TEST(FontSheet, CellsHoldBlockGlyphsAndNothingElse) {
    Sheet s = LoadSheet();
    EXPECT_EQ(s.Ink(127, 0, 0, CELL, CELL), 255L * CELL * CELL) << "the block is not full";
    for (int code = 33; code <= 126; code++) {
        SCOPED_TRACE(code);
        EXPECT_GT(s.Ink(code, 1, 1, CELL - 1, CELL - 1), 0);
        EXPECT_EQ(s.Ink(code, 0, 0, CELL, CELL), s.Ink(code, 1, 1, CELL - 1, CELL - 1))
            << "coverage on the cell's border";
    }
    for (int code = 2; code <= 32; code++) {
        bool cursorCell = code == 16 || code == 17;
        EXPECT_TRUE(cursorCell || s.Ink(code, 0, 0, CELL, CELL) == 0) << code;
    }
}

TEST(FontSheet, GlyphsAreDistinctUprightAndShareABaseline) {
    Sheet s = LoadSheet();
    for (int a = 33; a <= 126; a++)
        for (int b = a + 1; b <= 126; b++) {
            bool same = true;
            for (int i = 0; i < CELL * CELL && same; i++)
                same = s.Cell(a, i % CELL, i / CELL) == s.Cell(b, i % CELL, i / CELL);
            EXPECT_FALSE(same) << char(a) << " and " << char(b) << " are the same picture";
        }
    // Marks that sit high or low in their cell tell a flipped picture apart.
    for (char low : {'_', '.', ','}) EXPECT_GT(s.Ink(low, 0, 8, 16, 16), s.Ink(low, 0, 0, 16, 8)) << low;
    for (char high : {'^', '\'', '"', '`'})
        EXPECT_GT(s.Ink(high, 0, 0, 16, 8), s.Ink(high, 0, 8, 16, 16)) << high;
    EXPECT_GT(s.Ink('/', 8, 0, 16, 6), s.Ink('/', 0, 0, 8, 6)) << "mirrored";
    EXPECT_GT(s.Ink('\\', 0, 0, 8, 6), s.Ink('\\', 8, 0, 16, 6)) << "mirrored";
    int baseline = s.LowestInkRow('H');
    for (const char* c = "ABCDEFGHIKLMNOPRSTUVWXYZ0123456789abcdehikmnorstuvwxz"; *c; c++)
        EXPECT_EQ(s.LowestInkRow(*c), baseline) << *c;
    for (char below : {'g', 'p', 'q', 'y', 'j'}) EXPECT_GT(s.LowestInkRow(below), baseline) << below;
}

TEST(FontSheet, CursorIsAPointerWhoseTipIsThePictureCentre) {
    Sheet s = LoadSheet();
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            bool beforeTip = x < 16 || y < 16;
            ASSERT_TRUE(!beforeTip || s.Red(x, y) == 0) << "ink left of or above the tip at " << x << "," << y;
        }
    EXPECT_GE(s.Red(16, 16), 96) << "the tip does not reach the centre pixel";
    auto rowInk = [&](int y) {
        long sum = 0;
        for (int x = 16; x < 32; x++) sum += s.Red(x, y);
        return sum;
    };
    // The pointer widens from the tip down to its wings, then narrows to a tail.
    EXPECT_LT(rowInk(16), rowInk(19));
    EXPECT_LT(rowInk(19), rowInk(23));
    EXPECT_GT(rowInk(23), rowInk(29));
    EXPECT_GT(rowInk(29), 0);
    EXPECT_EQ(s.Red(16, 20), 255);
    EXPECT_EQ(s.Red(17, 23), 255);
}

TEST(FontSheet, ProgramLoadsItAsWhiteGlyphsWithCoverageAlpha) {
    Sheet s = LoadSheet();
    EnsureGlWindow();
    TempWorkDir dir;
    ASSERT_TRUE(WriteFileBytes("font.bmp", s.bytes));
    LoadFont();
    std::vector<uint8_t> texels(size_t(FONT_SIZE) * FONT_SIZE * 4);
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[FONT_SLOT].glName);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    for (int y = 0; y < SHEET_HEIGHT; y++)
        for (int x = 0; x < SHEET_WIDTH; x++) {
            const uint8_t* t = &texels[(size_t(y) * FONT_SIZE + x) * 4];
            ASSERT_EQ(t[3], s.Red(x, y)) << x << "," << y;
            ASSERT_TRUE(t[0] == 255 && t[1] == 255 && t[2] == 255) << x << "," << y;
        }
}

TEST(Icon, SdlLoadsALightLetterOnADarkBlueSquare) {
    SDL_Surface* surface = SDL_LoadBMP_RW(SDL_RWFromFile((ASSETS + "qln.bmp").c_str(), "rb"), 1);
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    ASSERT_EQ(surface->w, 32);
    ASSERT_EQ(surface->h, 32);
    ASSERT_EQ(surface->format->BitsPerPixel, 24);
    int light = 0, blue = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            const uint8_t* p = static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * 3;
            Uint8 r, g, b;
            SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, surface->format, &r, &g, &b);
            light += r > 200 && g > 200 && b > 200;
            blue += b > 60 && b > 2 * r && b < 200;
        }
    SDL_FreeSurface(surface);
    EXPECT_GT(light, 32 * 32 / 10) << "the letter is missing or faint";
    EXPECT_GT(blue, 32 * 32 / 2) << "the background is not mostly blue";
    EXPECT_GT(blue, 2 * light) << "the letter swamps the square";
}

}  // namespace
