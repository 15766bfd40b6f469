// The committed pictures: font.bmp as the glyph sheet and cursor the printer
// samples, qln.bmp as the icon SDL loads.
#include "support/support.h"

namespace {

TEST(Assets, FontSheetHoldsDistinctGlyphsABlockAndAPointer) {
    const std::string b = ReadFileBytes(QUILLON_SOURCE_DIR "/assets/font.bmp");
    ASSERT_EQ(b.size(), size_t(FONT_FILE_BYTES));
    EXPECT_EQ(b.substr(0, 30), "BM" + Le(FONT_FILE_BYTES) + Le(0) + Le(54) + Le(40) + Le(256) + Le(128) + Le(1, 2) + Le(24, 2));
    auto red = [&](int x, int y) { return uint8_t(b[54 + (size_t(127 - y) * 256 + x) * 3 + 2]); };
    auto ink = [&](int code, int x0, int y0, int x1, int y1) {
        long sum = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) sum += red(code % 16 * 16 + x, code / 16 * 16 + y);
        return sum;
    };
    for (size_t i = 54; i < b.size(); i += 3) ASSERT_TRUE(b[i] == b[i + 2] && b[i + 1] == b[i + 2]) << "grey, so it looks like its coverage";
    EXPECT_EQ(ink(127, 0, 0, 16, 16), 255L * 256) << "character 127 is the full block";
    std::set<std::string> glyphs;
    for (int code = 2; code <= 126; code++) {
        std::string picture;
        for (int i = 0; i < 256; i++) picture += char(red(code % 16 * 16 + i % 16, code / 16 * 16 + i / 16));
        if (code > 32) EXPECT_TRUE(glyphs.insert(picture).second && ink(code, 1, 1, 15, 15) > 0 && ink(code, 0, 0, 16, 16) == ink(code, 1, 1, 15, 15)) << char(code);
        else EXPECT_TRUE(code == 16 || code == 17 || ink(code, 0, 0, 16, 16) == 0) << code;
    }
    for (char low : {'_', '.', ','}) EXPECT_GT(ink(low, 0, 8, 16, 16), ink(low, 0, 0, 16, 8)) << "upright: " << low;
    EXPECT_GT(ink('/', 8, 0, 16, 6), ink('/', 0, 0, 8, 6)) << "not mirrored";
    // The cursor: nothing left of or above its tip at the picture's centre; it
    // widens from the tip to its wings and narrows to a tail.
    auto row = [&](int y) {
        long sum = 0;
        for (int x = 16; x < 32; x++) sum += red(x, y);
        return sum;
    };
    for (int i = 0; i < 32 * 32; i++) ASSERT_TRUE((i % 32 >= 16 && i / 32 >= 16) || red(i % 32, i / 32) == 0) << i % 32 << "," << i / 32;
    EXPECT_TRUE(red(16, 16) >= 96 && row(16) < row(19) && row(19) < row(23) && row(23) > row(29) && row(29) > 0);
}

TEST(Assets, IconIsALightLetterOnADarkBlueSquare) {
    SDL_Surface* s = SDL_LoadBMP_RW(SDL_RWFromFile(QUILLON_SOURCE_DIR "/assets/qln.bmp", "rb"), 1);
    ASSERT_TRUE(s && s->w == 32 && s->h == 32 && s->format->BitsPerPixel == 24) << SDL_GetError();
    int light = 0, blue = 0;
    for (int i = 0; i < 32 * 32; i++) {
        const uint8_t* p = static_cast<uint8_t*>(s->pixels) + i / 32 * s->pitch + i % 32 * 3;
        Uint8 r, g, bl;
        SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, s->format, &r, &g, &bl);
        light += r > 200 && g > 200 && bl > 200, blue += bl > 60 && bl > 2 * r && bl < 200;
    }
    SDL_FreeSurface(s);
    EXPECT_TRUE(light > 32 * 32 / 10 && blue > 32 * 32 / 2 && blue > 2 * light) << light << " light, " << blue << " blue";
}

}  // namespace
