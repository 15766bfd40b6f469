// The committed font sheet as the printer and the cursor sample it: grey, so
// the file looks like its coverage; character 127 the full block; every
// printable glyph distinct and clear of its cell's border; nothing left of or
// above the cursor's tip at the picture's centre.
#include "support/support.h"

namespace {

TEST(Assets, FontSheetHoldsDistinctGlyphsABlockAndAPointer) {
    const std::string b = ReadFileBytes(QUILLON_SOURCE_DIR "/assets/font.bmp");
    ASSERT_EQ(b.substr(0, 30), "BM" + Le(FONT_FILE_BYTES) + Le(0) + Le(54) + Le(40) + Le(256) + Le(128) + Le(1, 2) + Le(24, 2));
    auto red = [&](int x, int y) { return uint8_t(b[54 + (size_t(127 - y) * 256 + x) * 3 + 2]); };
    for (size_t i = 54; i < b.size(); i += 3) ASSERT_TRUE(b[i] == b[i + 2] && b[i + 1] == b[i + 2]) << i;
    std::set<std::string> glyphs;
    for (int code = 33; code <= 127; code++) {
        std::string inside, border;
        for (int i = 0; i < 256; i++) (i % 16 && i % 16 < 15 && i / 16 && i / 16 < 15 ? inside : border) += char(red(code % 16 * 16 + i % 16, code / 16 * 16 + i / 16));
        EXPECT_TRUE(glyphs.insert(inside).second && inside.find_first_not_of('\0') != std::string::npos) << char(code);
        EXPECT_EQ(border.find_first_not_of(code == 127 ? '\xff' : '\0'), std::string::npos) << code;
    }
    for (int i = 0; i < 32 * 32; i++) ASSERT_TRUE((i % 32 >= 16 && i / 32 >= 16) || red(i % 32, i / 32) == 0) << i % 32 << "," << i / 32;
    EXPECT_GE(red(16, 16), 96) << "the tip reaches the centre pixel";
}

}  // namespace
