// The texture table in a real GL context: mipmap chains against the per-byte
// rule, the font against a byte-at-a-time reading of its format, and the BMP
// and TGA loaders against the pictures their files were made from, whole,
// cut short or broken, in the slot and in GL.
#include "support/support.h"

namespace {

using Image = std::vector<uint32_t>;
constexpr uint32_t MARK = 0xA5C3E10Fu;

struct TextureTest : ::testing::Test {
    TempWorkDir dir;
    void SetUp() override {
        EnsureGlWindow(), ResetRecords(), mkdir("texture", 0755), mkdir("texturelow", 0755);
    }
};

// Random words whose bytes lean to 0, 1, 254 and 255, where carries between
// packed channels would show.
Image Noise(size_t words, unsigned seed) {
    std::mt19937 rng(seed);
    Image out(words, 0);
    for (uint32_t& w : out)
        for (int b = 0; b < 32; b += 8)
            w |= (rng() % 3 ? std::array<uint32_t, 4>{0, 1, 254, 255}[rng() % 4] : rng() & 255)
                 << b;
    return out;
}

// The chain laid out as the slot holds it: each byte the floor of the mean of
// its 2x2 block in the level above, the width alone deciding the level count.
Image ReferenceChain(const Image& base, int w, int h) {
    Image out(base.size() * 2, MARK);
    std::copy(base.begin(), base.end(), out.begin());
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out.data());
    for (size_t k = 1, src = 0, dst = base.size(); (w >> k) != 0;
         src = dst, dst += base.size() >> (2 * k), k++)
        for (int y = 0; y < h >> k; y++)
            for (int i = 0; i < (w >> k) * 4;
                 i++) {  // byte i of the row: channel i % 4 of pixel i / 4
                auto above = [&](int dy, int dx) {
                    return bytes[(src + size_t(2 * y + dy) * (w >> (k - 1)) + i / 4 * 2 + dx) * 4 +
                                 i % 4];
                };
                bytes[(dst + size_t(y) * (w >> k)) * 4 + i] =
                    uint8_t((above(0, 0) + above(0, 1) + above(1, 0) + above(1, 1)) / 4);
            }
    return out;
}

TEST_F(TextureTest, MipmapChainsFollowThePerByteRuleInTheSlotAndInGl) {
    std::vector<std::pair<int, int>> sizes = {
        {1, 1}, {2, 1}, {5, 3}, {12, 4}, {4, 12}, {17, 9}, {256, 256}, {16384, 2}, {2, 2048}};
    for (int w = 8; w < 24; w++)
        sizes.push_back({w, 3});  // every remainder of the four-pixel steps
    int slot = 10;
    for (auto [w, h] : sizes) {
        Image base = Noise(size_t(w) * h, unsigned(slot)), want = ReferenceChain(base, w, h);
        TextureSlot& s = textureTable.slots[slot];
        s.pixels = static_cast<uint32_t*>(std::malloc(base.size() * 8)), s.width = w, s.height = h,
        s.mipmapped = 1;
        std::copy(base.begin(), base.end(), s.pixels),
            std::fill(s.pixels + base.size(), s.pixels + 2 * base.size(), MARK);
        UploadTextureSlot(slot++, GL_REPEAT, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_TRUE(Image(s.pixels, s.pixels + want.size()) == want) << w << "x" << h;
        size_t at = 0;
        for (int k = 0; (w >> k) && (h >> k); at += base.size() >> (2 * k), k++)
            EXPECT_TRUE(ReadGlLevel(s.glName, k) ==
                        Image(want.begin() + at, want.begin() + at + (w >> k) * (h >> k)))
                << w << "x" << h << " level " << k;
    }
    uint32_t word = MARK;
    EXPECT_TRUE(ComputeMipmapChain(nullptr, 4, 4) == 0 && ComputeMipmapChain(&word, 0, 4) == 0 &&
                word == MARK);
    textureTable.slots[300].mipmapped = 1,
    textureTable.slots[300].width = textureTable.slots[300].height = 4;
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[300].glName), BuildMipmapChain(-1),
        BuildMipmapChain(TEXTURE_SLOTS), BuildMipmapChain(300);
    EXPECT_TRUE(ReadGlLevel(textureTable.slots[300].glName, 1).empty() &&
                glGetError() == GL_NO_ERROR)
        << "mipmapped but nothing loaded: no level";
}

TEST_F(TextureTest, FontTakesRedAsAlphaFromAnyFileAndGoesToGlClamped) {
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    std::string noise;
    for (uint32_t w : Noise(FONT_FILE_BYTES / 4 + 100, 7))
        noise += Le(w);
    const std::string asset = ReadFileBytes(QUILLON_SOURCE_DIR "/assets/font.bmp");
    const struct {
        const char* what;
        std::string file;
        bool directory, gl;
    } rows[] = {{"whole, header unchecked", noise.substr(0, FONT_FILE_BYTES), false, true},
                {"cut in a pixel", noise.substr(0, 54 + 768 * 3 + 1), false, true},
                {"a directory: no data", "", true, true},
                {"missing: the built-in copy", asset, false, true},
                {"without GL: the image only", noise.substr(0, FONT_FILE_BYTES), false, false}};
    const uint32_t marker[4] = {1, 2, 3, 4};
    for (const auto& r : rows) {
        unlink("font.bmp"), rmdir("font.bmp"), r.directory&& mkdir("font.bmp", 0755);
        ASSERT_TRUE(r.directory || r.file == asset || WriteFileBytes("font.bmp", r.file));
        glBindTexture(GL_TEXTURE_2D, s.glName),
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT),
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        videoState.openGL = r.gl, LoadFont();
        const Image want = ReferenceFont(r.file.data(), r.file.size());
        const int wrap =
            r.gl ? GL_CLAMP : GL_REPEAT;  // without GL the texture keeps what was set above
        ASSERT_TRUE(s.width == 256 && s.height == 256 && !s.mipmapped && s.pixels) << r.what;
        EXPECT_TRUE(Image(s.pixels, s.pixels + want.size()) == want &&
                    ReadGlLevel(s.glName, 0) == (r.gl ? want : Image(marker, marker + 4)))
            << r.what;
        EXPECT_TRUE(TexParam(s.glName, GL_TEXTURE_WRAP_S) == wrap &&
                    TexParam(s.glName, GL_TEXTURE_WRAP_T) == wrap &&
                    TexParam(s.glName, GL_TEXTURE_MIN_FILTER) == GL_LINEAR &&
                    TexParam(s.glName, GL_TEXTURE_MAG_FILTER) == GL_LINEAR)
            << r.what;
    }
}

// Every test file carries this picture: a distinct word per (x, y), alpha too.
uint32_t Picture(int x, int y) {
    return uint32_t((x * 7 + 1) & 0xFF) | uint32_t((y * 13 + 2) & 0xFF) << 8 |
           uint32_t(((x + y) * 5 + 3) & 0xFF) << 16 | uint32_t((x * 3 + y * 11 + 9) & 0xFF) << 24;
}

std::string Pixel(uint32_t word) {
    return {char(word >> 16), char(word >> 8), char(word), char(word >> 24)};
}

// A BMP of the picture: positive height bottom row first, rows padded to 4
// bytes, pixel data at `offset` (junk before it).
std::string Bmp(
    int32_t w, int32_t h, uint32_t offset = 54, uint32_t bits = 24, uint32_t compression = 0) {
    std::string s = "BM" + Le(0) + Le(0) + Le(offset) + Le(40) + Le(uint32_t(w)) + Le(uint32_t(h)) +
                    Le(1, 2) + Le(bits, 2) + Le(compression) + std::string(20, '\0');
    s.resize(std::max<size_t>(offset, 54), char(0xA5));
    int64_t rows = std::llabs(int64_t(h));
    for (int64_t i = 0; i < rows && w > 0 && w * rows <= (1 << 20); i++) {
        for (int x = 0; x < w; x++)
            s += Pixel(Picture(x, int(h > 0 ? rows - 1 - i : i))).substr(0, 3);
        s.append((4 - w * 3 % 4) % 4, '\0');
    }
    return s;
}

// A TGA of the picture in any origin (descriptor bits 4-5), with an ID field
// and a colour map to skip.
std::string Tga(
    int w, int h, int depth, int descriptor, int idLength = 0, int mapLength = 0, int mapBits = 0) {
    std::string s = std::string(1, char(idLength)) + char(mapLength ? 1 : 0) + '\2' + Le(0, 2) +
                    Le(mapLength, 2) + char(mapBits) + Le(0) + Le(w, 2) + Le(h, 2) + char(depth) +
                    char(descriptor);
    s.append(idLength + mapLength * ((mapBits + 7) / 8), char(0x5A));
    int origin = descriptor >> 4 & 3;
    for (int i = 0; i < h && int64_t(w) * h <= (1 << 20); i++)
        for (int j = 0; j < w; j++)
            s += Pixel(Picture(origin & 1 ? w - 1 - j : j, origin < 2 ? h - 1 - i : i))
                     .substr(0, depth / 8);
    return s;
}

// The picture as a slot holds it: alpha from the file when `alpha` < 0.
Image PictureOf(int w, int h, int alpha) {
    Image out;
    for (int i = 0; i < w * h; i++)
        out.push_back(alpha < 0 ? Picture(i % w, i / w)
                                : (Picture(i % w, i / w) & 0xFFFFFFu) | uint32_t(alpha) << 24);
    return out;
}

// The slot holds `want`, GL holds it with the loaders' parameters, and its level 1 when mipmapped.
void ExpectLoaded(int slot, int w, int h, const Image& want) {
    const TextureSlot& s = textureTable.slots[slot];
    ASSERT_TRUE(s.width == w && s.height == h) << s.width << "x" << s.height;
    EXPECT_TRUE(Image(s.pixels, s.pixels + want.size()) == want &&
                ReadGlLevel(s.glName, 0) == want);
    EXPECT_TRUE(TexParam(s.glName, GL_TEXTURE_WRAP_S) == GL_REPEAT &&
                TexParam(s.glName, GL_TEXTURE_WRAP_T) == GL_REPEAT &&
                TexParam(s.glName, GL_TEXTURE_MAG_FILTER) == GL_LINEAR &&
                TexParam(s.glName, GL_TEXTURE_MIN_FILTER) ==
                    (s.mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR));
    EXPECT_TRUE(!s.mipmapped ||
                (malloc_usable_size(s.pixels) >= want.size() * 8 &&
                 ReadGlLevel(s.glName, 1) ==
                     Image(s.pixels + want.size(), s.pixels + want.size() * 5 / 4)));
}

// A folder of pictures in every layout; files cut short at every length, each
// pixel then the picture when all its bytes made it into the file, opaque
// black when not; formats not read; broken and oversized files. It is loaded
// as a game loads it: through the file list, each file into a slot of its own.
// Every slot starts with a 1x1 mark that a rejected file (no image wanted)
// must leave in place.
TEST_F(TextureTest, TextureFolderLoadsWhatIsGoodAndNothingElse) {
    const Image none, black(12, LOADER_MISSING_PIXEL);
    std::vector<std::tuple<std::string, std::string, int, int, Image>> entries = {
        {"a.bmp", Bmp(16, 64), 16, 64, PictureOf(16, 64, 255)},
        {"b.bmp", Bmp(16, -64), 16, 64, PictureOf(16, 64, 255)},
        {"c.bmp", Bmp(7, 2), 7, 2, PictureOf(7, 2, 255)},
        {"d.bmp", Bmp(8, 3, 138), 8, 3, PictureOf(8, 3, 255)},
        {"e.bmp", Bmp(4, 2, 0), 4, 2, PictureOf(4, 2, 255)},
        {"f.bmp", Bmp(16384, -6), 16384, 6, PictureOf(16384, 6, 255)},
        {"g.tga", Tga(3, 2, 32, 8, 7, 3, 24), 3, 2, PictureOf(3, 2, -1)},
        {"h.tga", Tga(3, 2, 24, 32, 1, 5, 15), 3, 2, PictureOf(3, 2, 255)},
        {"i.tga", Tga(3, 2, 32, 40, 255, 2, 32), 3, 2, PictureOf(3, 2, -1)},
        {"j.tga", Tga(5, 3, 24, 0x10), 5, 3, PictureOf(5, 3, 255)},
        {"k.tga", Tga(5, 3, 32, 0x38), 5, 3, PictureOf(5, 3, -1)},
        {"l.tga", Tga(3000, 100, 24, 0), 3000, 100, PictureOf(3000, 100, 255)},
        {"m-16-bit.tga", Tga(4, 3, 16, 1), 4, 3, black},
        {"n-32-no-alpha.tga", Tga(4, 3, 32, 0), 4, 3, black},
        {"s-too-wide.bmp", Bmp(16385, 1), 0, 0, none},
        {"t-too-tall.tga", Tga(1, 16385, 24, 0), 0, 0, none},
        {"u-too-many.bmp", Bmp(8192, 8193), 0, 0, none},
        {"v-zero.tga", Tga(0, 5, 24, 0), 0, 0, none},
        {"w-negative.bmp", Bmp(-3, 2), 0, 0, none},
        {"x-min.bmp", Bmp(4, INT_MIN), 0, 0, none},
        {"y-8-bit.bmp", Bmp(2, 2, 54, 8), 0, 0, none},
        {"z0-rle.bmp", Bmp(4, 2, 54, 24, 1), 0, 0, none},
        {"z1-32-bit.bmp", Bmp(4, 2, 54, 32), 0, 0, none},
        {"z2-magic.bmp", "BA" + Bmp(4, 2).substr(2), 0, 0, none},
        {"z3-text.bmp", "this is not a picture at all, not even close", 0, 0, none},
        {"z4-empty.tga", "", 0, 0, none}};
    // bottom-up BMP, top-down BMP, mirrored 32-bit TGA, top-down mirrored 24-bit TGA
    for (auto [bmp, w, h, bytes, origin] : {std::tuple{true, 7, 5, 3, 0},
                                            {true, 5, 4, 3, 2},
                                            {false, 5, 4, 4, 1},
                                            {false, 3, 4, 3, 3}}) {
        const std::string full = bmp ? Bmp(w, origin ? -h : h)
                                     : Tga(w, h, bytes * 8, origin << 4 | (bytes == 4 ? 8 : 0));
        const size_t header = bmp ? 54 : 18, stride = bmp ? (w * 3 + 3) / 4 * 4 : size_t(w) * bytes;
        for (size_t length = 0; length < full.size(); length++) {
            Image want;
            for (int i = 0; i < w * h && length >= header; i++) {
                size_t row = origin < 2 ? h - 1 - i / w : i / w,
                       column = origin & 1 ? w - 1 - i % w : i % w;
                want.push_back(header + row * stride + (column + 1) * bytes > length
                                   ? LOADER_MISSING_PIXEL
                               : bytes == 4 ? Picture(i % w, i / w)
                                            : Picture(i % w, i / w) | 0xFF000000u);
            }
            char name[32];
            std::snprintf(
                name, sizeof name, "cut-%d%d-%03zu%s", bmp, origin, length, bmp ? ".bmp" : ".tga");
            entries.emplace_back(
                name, full.substr(0, length), want.empty() ? 0 : w, want.empty() ? 0 : h, want);
        }
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries)
        ASSERT_TRUE(WriteFileBytes("texture/" + std::get<0>(e), std::get<1>(e)));
    ASSERT_EQ(mkdir("texture/z5-folder.bmp", 0755), 0);
    for (TextureSlot& s : textureTable.slots)
        s.pixels = static_cast<uint32_t*>(std::malloc(4)), s.pixels[0] = MARK,
        s.width = s.height = 1;
    std::vector<FileListEntry> list(FILE_LIST_MAX + 1);
    ListFiles("texture/*.*", list.data(), 0);
    int slot = 32;
    ASSERT_LE(slot + entries.size(), size_t(TEXTURE_SLOTS));
    for (int i = 0; list[i].name[0]; i++, slot++)
        std::strstr(list[i].name, ".bmp") ? LoadBmpTexture(slot, list[i].name, 0)
                                          : LoadTgaTexture(slot, list[i].name, 0, 0);
    ASSERT_EQ(slot, 32 + int(entries.size())) << "the folder is no file of the list";
    for (int i = 0; i < TEXTURE_SLOTS; i++) {
        const TextureSlot& s = textureTable.slots[i];
        const auto* e = i >= 32 && i < slot ? &entries[i - 32] : nullptr;
        SCOPED_TRACE(e ? std::get<0>(*e) : "slot " + std::to_string(i));
        if (e && !std::get<4>(*e).empty())
            ExpectLoaded(i, std::get<2>(*e), std::get<3>(*e), std::get<4>(*e));
        else
            EXPECT_TRUE(s.width == 1 && s.height == 1 && s.pixels[0] == MARK &&
                        (!e || ReadGlLevel(s.glName, 0) == Image{MARK}));
    }
}

// Where the loaders look (the image width tells which file was read), that
// the caller's working directory never moves, and slots outside the table.
TEST_F(TextureTest, LoadersLookInTheirFoldersAndComeBackToTheCallersDirectory) {
    const struct {
        const char* unusable;
        bool tga;
        int low, width;
    } rows[] = {{nullptr, false, 0, 2},
                {"texture", false, 0, 1},
                {nullptr, true, 1, 3},
                {nullptr, true, 0, 2},
                {"texturelow", true, 1, 1},
                {"texture", true, 0, 1}};
    for (const auto& r : rows) {
        TempWorkDir inner;
        const std::string folders[] = {
            ".", "texture", "texturelow"};  // the width tells which was read
        for (int i = 0; i < 3; i++)
            ASSERT_TRUE((i == 0 || !mkdir(folders[i].c_str(), 0755)) &&
                        WriteFileBytes(folders[i] + "/i.bmp", Bmp(i + 1, 1)) &&
                        WriteFileBytes(folders[i] + "/i.tga", Tga(i + 1, 1, 24, 0)));
        ASSERT_TRUE(!r.unusable ||
                    (rename(r.unusable, "gone") == 0 && WriteFileBytes(r.unusable, "x")));
        ResetTextureImages(),
            r.tga ? LoadTgaTexture(0, "i.tga", 0, r.low) : LoadBmpTexture(0, "i.bmp", 0);
        EXPECT_TRUE(textureTable.slots[0].width == r.width && ReadFileBytes("i.bmp") == Bmp(1, 1))
            << (r.tga ? "tga " : "bmp ") << (r.unusable ? r.unusable : "");
    }
    ASSERT_TRUE(WriteFileBytes("only.bmp", Bmp(2, 2)));  // no fallback past an existing folder
    ResetTextureImages(), LoadBmpTexture(0, "only.bmp", 0);
    EXPECT_EQ(textureTable.slots[0].width, 0);
    ASSERT_TRUE(!rmdir("texture") && !mkdir("far", 0755) && !mkdir("far/deep", 0755) &&
                !symlink("far/deep", "texture") && WriteFileBytes("far/deep/l.bmp", Bmp(3, 3)));
    LoadBmpTexture(0, "l.bmp", 0);  // through a link, and back
    EXPECT_TRUE(textureTable.slots[0].width == 3 && ReadFileBytes("only.bmp") == Bmp(2, 2));
    const std::string before(reinterpret_cast<const char*>(&textureTable), sizeof textureTable);
    for (int slot : {-1, TEXTURE_SLOTS, INT_MIN, INT_MAX})
        LoadBmpTexture(slot, "l.bmp", 1), LoadTgaTexture(slot, "l.tga", 0, 1);
    EXPECT_EQ(std::memcmp(before.data(), &textureTable, sizeof textureTable), 0)
        << "slots outside the table";
}

// Slot 16's BMP pixels get half alpha; mipmapped loads carry their chain and
// a plain reload drops it; without GL the slot is filled and GL left alone;
// with GL a missing file still uploads the slot as it stands; the largest
// sizes are accepted with their missing pixels opaque black.
TEST_F(TextureTest, SlotsMipmapsAndTheOpenGlSwitch) {
    ASSERT_TRUE(WriteFileBytes("texture/a.bmp", Bmp(4, 2)) &&
                WriteFileBytes("texture/m.bmp", Bmp(64, 64)) &&
                WriteFileBytes("texturelow/m.tga", Tga(32, 32, 32, 8)));
    LoadBmpTexture(TRANSLUCENT_SLOT, "a.bmp", 0), LoadBmpTexture(17, "a.bmp", 0),
        LoadBmpTexture(10, "m.bmp", 1), LoadTgaTexture(11, "m.tga", 1, 1);
    ExpectLoaded(TRANSLUCENT_SLOT, 4, 2, PictureOf(4, 2, 128)),
        ExpectLoaded(17, 4, 2, PictureOf(4, 2, 255)),
        ExpectLoaded(10, 64, 64, PictureOf(64, 64, 255));
    ExpectLoaded(11, 32, 32, PictureOf(32, 32, -1));
    LoadBmpTexture(10, "a.bmp", 0);
    EXPECT_EQ(textureTable.slots[10].mipmapped, 0) << "a plain reload drops the chain";
    const uint32_t marker[4] = {0x11223344u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u};
    for (int slot : {12, 13, 14})
        glBindTexture(GL_TEXTURE_2D, textureTable.slots[slot].glName),
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker);
    videoState.openGL = 0, LoadBmpTexture(12, "a.bmp", 1), LoadTgaTexture(12, "missing.tga", 0, 0);
    EXPECT_TRUE(textureTable.slots[12].width == 4 &&
                ReadGlLevel(textureTable.slots[12].glName, 0) == Image(marker, marker + 4));
    videoState.openGL = 1, LoadBmpTexture(13, "a.bmp", 0), LoadBmpTexture(13, "nothing.bmp", 0),
    LoadTgaTexture(14, nullptr, 0, 0);
    ExpectLoaded(13, 4, 2, PictureOf(4, 2, 255));
    EXPECT_TRUE(ReadGlLevel(textureTable.slots[14].glName, 0).empty() &&
                textureTable.slots[14].width == 0);
    videoState.openGL = 0;
    for (auto [w, h] : {std::pair{LOADER_MAX_SIDE, 2}, {2, -LOADER_MAX_SIDE}, {8192, 8192}}) {
        const TextureSlot& s = textureTable.slots[2];
        WriteFileBytes("texture/big.bmp", Bmp(w, h).substr(0, 54)), LoadBmpTexture(2, "big.bmp", 0);
        EXPECT_TRUE(s.width == w && s.height == std::abs(h) &&
                    std::count(s.pixels,
                               s.pixels + size_t(w) * std::abs(h),
                               LOADER_MISSING_PIXEL) == int64_t(w) * std::abs(h));
    }
}

}  // namespace
