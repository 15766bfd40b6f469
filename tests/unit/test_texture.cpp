// The texture table in a real GL context: the font from whole and short
// font.bmp files and without one, and mipmap chains built from pyramids whose
// every level is known beforehand, as GL holds them.
#include "support/support.h"

namespace {

constexpr uint32_t MARK = 0xA5C3E10Fu;

// font.bmp cut to `size` bytes, and the image it must give. The file: 54
// header bytes nothing checks, then image rows 127 down to 0, each pixel blue
// and green (never read) and red = a coverage distinct per pixel. The image:
// white with that coverage as alpha where the file holds the whole pixel,
// opaque white where not, rows 128.. clear.
std::pair<std::string, Pixels> Font(size_t size) {
    std::string file(54, 'h');
    Pixels image(256 * 256, 0x00FFFFFFu);
    for (int y = 127; y >= 0; y--)
        for (int x = 0; x < 256; x++) {
            const uint32_t coverage = uint32_t(x * 7 + y * 13 + 1) & 0xFF;
            file.append({'\xB5', '\x6A', char(coverage)});
            image[y * 256 + x] = file.size() <= size ? coverage << 24 | 0xFFFFFFu : 0xFFFFFFFFu;
        }
    file.resize(size);
    return {file, image};
}

TEST(Texture, FontTakesRedAsAlphaBottomRowFirstAndGoesToGlClamped) {
    EnsureGlWindow();
    ResetRecords();
    TempWorkDir dir;
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    const size_t cut = 54 + 3 * 768 + 3 + 2;  // three rows, a pixel and a red byte short
    // name, the file's size, videoState.openGL
    const std::tuple<const char*, size_t, int> rows[] = {
        {"cut short, without GL: the slot only", cut, 0},
        {"whole file", FONT_FILE_BYTES, 1},
    };
    for (const auto& [name, size, gl] : rows) {
        SCOPED_TRACE(name);
        const auto [file, want] = Font(size);
        ASSERT_TRUE(WriteFileBytes("font.bmp", file));
        videoState.openGL = gl;
        LoadFont();
        EXPECT_TRUE(SamePixels(want, Pixels(s.pixels, s.pixels + want.size()), 256));
        EXPECT_TRUE(SamePixels(gl ? want : Pixels(), ReadGlLevel(s.glName, 0), 256));
    }
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    // No font.bmp: the program's own font, as if its file were there.
    ASSERT_TRUE(WriteFileBytes("font.bmp", ReadFileBytes(QUILLON_SOURCE_DIR "/assets/font.bmp")));
    LoadFont();
    const Pixels asset(s.pixels, s.pixels + 256 * 256);
    ASSERT_EQ(unlink("font.bmp"), 0);
    LoadFont();
    EXPECT_TRUE(SamePixels(asset, Pixels(s.pixels, s.pixels + 256 * 256), 256));
}

// Levels 0..deepest of a w x h image: the deepest level (the last with
// pixels) is made up; each level above holds, for every pixel below it, a 2x2
// block of three copies and one copy plus 3 in every byte, so that a rounded
// average would show; a last odd column or row holds MARK, which the level
// below may not take in.
std::vector<Pixels> Pyramid(int w, int h, int deepest) {
    std::vector<Pixels> levels(deepest + 1);
    for (int k = deepest; k >= 0; k--)
        for (int i = 0; i < (w >> k) * (h >> k); i++) {
            const int x = i % (w >> k);
            const int y = i / (w >> k);
            const int below = w >> (k + 1);
            const bool held = k < deepest && x / 2 < below && y / 2 < (h >> (k + 1));
            const uint32_t word = held ? levels[k + 1][y / 2 * below + x / 2] : MARK;
            levels[k].push_back(k == deepest ? uint32_t(i * 0x9E3779B1u) & 0x7F7F7F7Fu
                                             : word + (held && x & y & 1 ? 0x03030303u : 0));
        }
    return levels;
}

TEST(Texture, MipmapChainsAverageEachByteRoundedDown) {
    EnsureGlWindow();
    ResetRecords();
    textureTable.slots[300] = {4, 4, 1, nullptr, textureTable.slots[300].glName};
    for (int slot : {-1, TEXTURE_SLOTS, 300})  // no slot, or one without an image
        BuildMipmapChain(slot);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // name, width, height, the last level with pixels, the levels GL gets (the width deciding)
    const std::tuple<const char*, int, int, int, int> rows[] = {
        {"1x1: no level", 1, 1, 0, 1},
        {"6x2: level 0's stride is its width", 6, 2, 1, 3},
        {"22x6: by fours, then 3 or 1 left", 22, 6, 2, 5},
        {"17x9: odd sides", 17, 9, 3, 5},
        {"higher than wide: ends at a width of 1", 4, 16, 2, 3},
        {"256x256", 256, 256, 8, 9},
        {"16384x2", 16384, 2, 1, 15},
    };
    int slot = 10;
    for (const auto& [name, w, h, deepest, levels] : rows) {
        SCOPED_TRACE(name);
        const std::vector<Pixels> want = Pyramid(w, h, deepest);
        TextureSlot& s = textureTable.slots[++slot];
        s = {w, h, 1, static_cast<uint32_t*>(std::malloc(want[0].size() * 8)), s.glName};
        std::copy(want[0].begin(), want[0].end(), s.pixels);
        UploadTextureSlot(slot, GL_REPEAT, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST);
        for (int k = 0; k <= levels; k++)
            EXPECT_TRUE(
                SamePixels(k <= deepest ? want[k] : Pixels(), ReadGlLevel(s.glName, k), w >> k))
                << "level " << k;
        EXPECT_EQ(ComputeMipmapChain(s.pixels, w, h), levels) << "levels counted";
    }
}

}  // namespace
