// The BMP and TGA loaders against the pictures their files were made from:
// each header case and pixel layout, files cut short, mipmaps and the GL
// switch, in the slot and in GL; the folders they read and the caller's
// working directory.
#include <malloc.h>

#include <climits>
#include <filesystem>

#include "render/loaders.h"
#include "support/support.h"

namespace {

constexpr uint32_t MARK = 0xA5C3E10Fu;

// Every test file carries this picture: a distinct word per (x, y), alpha too.
uint32_t Picture(int x, int y) {
    return uint32_t((x * 7 + 1) & 0xFF) | uint32_t((y * 13 + 2) & 0xFF) << 8 |
           uint32_t(((x + y) * 5 + 3) & 0xFF) << 16 | uint32_t((x * 3 + y * 11 + 9) & 0xFF) << 24;
}

// The picture's w x h pixels as a file holds them: the first `bytes` of B, G,
// R, A each, the bottom row first when `up`, each row from the right when
// `mirrored`, rows padded to 4 bytes when `padded`. Nothing for more than
// 2^20 pixels: such files are cut after their header.
std::string Body(int64_t w, int64_t h, bool up, bool mirrored, int bytes, bool padded) {
    std::string s;
    for (int64_t i = 0; i < h && w * h <= (1 << 20); i++) {
        for (int64_t j = 0; j < w; j++) {
            const uint32_t word = Picture(int(mirrored ? w - 1 - j : j), int(up ? h - 1 - i : i));
            const char file[4] = {char(word >> 16), char(word >> 8), char(word), char(word >> 24)};
            s.append(file, bytes);
        }
        s.append(padded ? (4 - w * 3 % 4) % 4 : 0, '\0');
    }
    return s;
}

// A BMP of the picture: a positive height bottom row first, pixel data at
// `offset` (junk before it).
std::string Bmp(int32_t w, int32_t h, uint32_t offset = 54, int bits = 24, int compression = 0) {
    std::string s = "BM" + Le(0) + Le(0) + Le(offset) + Le(40) + Le(w) + Le(h) + Le(1, 2) +
                    Le(bits, 2) + Le(compression) + std::string(20, '\0');
    s.resize(std::max<size_t>(offset, 54), char(0xA5));
    return s + Body(w, std::llabs(int64_t(h)), h > 0, false, 3, true);
}

// A TGA of the picture in any origin (descriptor bits 4-5), with an ID field
// and a colour map to skip.
std::string Tga(int w, int h, int depth, int descriptor, int id = 0, int map = 0, int bits = 0) {
    std::string s = std::string(1, char(id)) + char(map ? 1 : 0) + '\2' + Le(0, 2) + Le(map, 2) +
                    char(bits) + Le(0) + Le(w, 2) + Le(h, 2) + char(depth) + char(descriptor);
    s.append(id + map * ((bits + 7) / 8), char(0x5A));
    return s + Body(w, h, (descriptor & 0x20) == 0, descriptor & 0x10, depth / 8, false);
}

// The picture as a slot holds it: alpha `alpha` (-1: the picture's own) and
// opaque black for each '-' of `missing`, a character a pixel, row by row,
// its last character standing for the rest.
Pixels Want(int w, int h, int alpha, const std::string& missing) {
    Pixels out;
    for (int i = 0; i < w * h; i++) {
        const uint32_t word = Picture(i % w, i / w);
        out.push_back(alpha < 0 ? word : (word & 0xFFFFFFu) | uint32_t(alpha) << 24);
        if (!missing.empty() && missing[std::min<size_t>(i, missing.size() - 1)] == '-')
            out.back() = LOADER_MISSING_PIXEL;
    }
    return out;
}

// Each file goes into the slot of its row's index (the 17th row into slot
// 16, the half-alpha one), which holds a 1x1 mark flagged as mipmapped; all
// are loaded before any is checked. The slot and GL must hold the picture
// with the row's mipmap flag, or, for a file refused, the slot as it was; GL
// only what was uploaded. texturelow is reached through a link two folders
// deep, and the working directory never moves.
TEST(Loaders, LoadWhatIsWholeOrShortAndRefuseWhatIsNot) {
    EnsureGlWindow();
    TempWorkDir dir;
    ASSERT_EQ(mkdir("texture", 0755), 0);
    ASSERT_TRUE(std::filesystem::create_directories("far/deep"));
    ASSERT_EQ(symlink("far/deep", "texturelow"), 0);
    const struct {
        const char* name;  // the file: .bmp or .tga picks the loader
        std::string file;  // "": no such file
        int mipmap;        // the mipmap argument
        int gl;            // videoState.openGL
        int width;         // of the slot's image; 1 1 with alpha 0: refused, the mark kept
        int height;
        int alpha;            // -1: the file's
        std::string missing;  // as Want takes it
        int low = 0;          // from texturelow (the rest from texture)
    } rows[] = {
        {"bottom-up-widest-two-chunks.bmp", Bmp(16384, 6), 0, 1, 16384, 6, 255, ""},
        {"data-at-138.bmp", Bmp(8, 3, 138), 0, 1, 8, 3, 255, ""},
        {"data-offset-unset.bmp", Bmp(4, 2, 0), 0, 1, 4, 2, 255, ""},
        {"cut-bottom-up.bmp", Bmp(4, 2).substr(0, 54 + 12 + 5), 0, 1, 4, 2, 255, "#---#"},
        {"cut-padded.bmp", Bmp(5, -3).substr(0, 54 + 16 + 8), 0, 1, 5, 3, 255, "#######-"},
        {"tallest-header-only.bmp", Bmp(2, -16384).substr(0, 54), 0, 1, 2, 16384, 255, "-"},
        {"map-15-bit-two-bytes.tga", Tga(3, 2, 24, 0x20, 1, 5, 15), 0, 1, 3, 2, 255, ""},
        {"map-32-origin-2.tga", Tga(3, 2, 32, 0x28, 255, 2, 32), 0, 1, 3, 2, -1, ""},
        {"mipmapped-low.tga", Tga(32, 32, 32, 8), 1, 1, 32, 32, -1, "", 1},
        {"16-bit-black.tga", Tga(4, 3, 16, 1), 0, 1, 4, 3, 255, "-"},
        {"32-no-alpha-bits-black.tga", Tga(4, 3, 32, 0), 0, 1, 4, 3, 255, "-"},
        {"cut-origin-1.tga", Tga(3, 2, 32, 0x18).substr(0, 18 + 4 * 4 + 1), 0, 1, 3, 2, -1, "--#"},
        {"cut-origin-3.tga", Tga(3, 2, 24, 0x30).substr(0, 18 + 8), 0, 1, 3, 2, 255, "-##-"},
        {"too-wide.bmp", Bmp(16385, 1), 0, 1, 1, 1, 0, ""},
        {"too-many-pixels.bmp", Bmp(8192, 8193), 0, 1, 1, 1, 0, ""},
        {"width-negative.bmp", Bmp(-3, 2), 0, 1, 1, 1, 0, ""},
        {"slot-16-half-alpha.bmp", Bmp(4, 2), 0, 1, 4, 2, 128, ""},
        {"mipmapped.bmp", Bmp(64, 64), 1, 1, 64, 64, 255, ""},
        {"without-gl.bmp", Bmp(4, 2), 1, 0, 4, 2, 255, ""},
        {"height-min.bmp", Bmp(4, INT_MIN), 0, 1, 1, 1, 0, ""},
        {"8-bit.bmp", Bmp(2, 2, 54, 8), 0, 1, 1, 1, 0, ""},
        {"rle.bmp", Bmp(4, 2, 54, 24, 1), 0, 1, 1, 1, 0, ""},
        {"magic-ba.bmp", "BA" + Bmp(4, 2).substr(2), 0, 1, 1, 1, 0, ""},
        {"cut-in-header.bmp", Bmp(4, 2).substr(0, 53), 0, 1, 1, 1, 0, ""},
        {"too-tall.tga", Tga(1, 16385, 24, 0), 0, 1, 1, 1, 0, ""},
        {"width-zero.tga", Tga(0, 5, 24, 0), 0, 1, 1, 1, 0, ""},
        {"missing.bmp", "", 0, 1, 1, 1, 0, ""},
        {"cut-in-header.tga", Tga(3, 2, 32, 0x18).substr(0, 17), 0, 1, 1, 1, 0, ""},
    };
    const std::filesystem::path caller = std::filesystem::current_path();
    for (TextureSlot& s : textureTable.slots) {
        s = {1, 1, 1, static_cast<uint32_t*>(std::malloc(8)), s.glName};
        s.pixels[0] = MARK;
    }
    for (const auto& r : rows) {
        const std::string folder = r.low ? "texturelow/" : "texture/";
        ASSERT_TRUE(r.file.empty() || WriteFileBytes(folder + r.name, r.file)) << r.name;
        videoState.openGL = r.gl;
        if (std::strstr(r.name, ".bmp"))
            LoadBmpTexture(int(&r - rows), r.name, r.mipmap);
        else
            LoadTgaTexture(int(&r - rows), r.name, r.mipmap, r.low);
    }
    EXPECT_EQ(std::filesystem::current_path(), caller);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const TextureSlot& s = textureTable.slots[&r - rows];
        const Pixels want = r.alpha ? Want(r.width, r.height, r.alpha, r.missing) : Pixels{MARK};
        EXPECT_EQ(s.width, r.width);
        EXPECT_EQ(s.height, r.height);
        const int mipmapped = r.alpha ? r.mipmap : 1;
        EXPECT_EQ(s.mipmapped, mipmapped);
        if (size_t(s.width) * size_t(s.height) != want.size())
            continue;
        EXPECT_TRUE(SamePixels(want, Pixels(s.pixels, s.pixels + want.size()), r.width));
        EXPECT_TRUE(SamePixels(r.gl ? want : Pixels(), ReadGlLevel(s.glName, 0), r.width));
        EXPECT_GE(malloc_usable_size(s.pixels), want.size() * (mipmapped ? 8 : 4)) << "room";
        if (!r.gl)
            continue;
        EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MIN_FILTER),
                  mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
        EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_WRAP_S), GL_REPEAT);
    }
    // No texturelow: the working directory's file (5 wide).
    ASSERT_TRUE(WriteFileBytes("i.tga", Tga(5, 1, 24, 0)));
    ASSERT_EQ(unlink("texturelow"), 0);
    LoadTgaTexture(0, "i.tga", 0, 1);
    EXPECT_EQ(textureTable.slots[0].width, 5) << "tga low detail, no texturelow";
    EXPECT_EQ(std::filesystem::current_path(), caller);
    ASSERT_TRUE(WriteFileBytes("texture/most.bmp", Bmp(8192, 8192).substr(0, 54)));
    videoState.openGL = 0;
    LoadBmpTexture(3, "most.bmp", 0);
    EXPECT_EQ(textureTable.slots[3].height, 8192) << "2^26 pixels are taken";
}

}  // namespace
