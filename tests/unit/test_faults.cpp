// Faults survived: a save killed at any moment leaves the old or the new
// file, whole; a texture folder of broken files loads what is good and leaves
// every other slot as it was; a font.bmp that is no file at all still gives a
// font image by the font's rules.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "app/hwconfig.h"
#include "platform/video.h"
#include "render/filelist.h"
#include "render/loaders.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

std::string EncodedWithWidth(int32_t width) {
    ResetHardwareConfig();
    hardwareConfig.width = width;
    uint8_t image[CONFIG_V4_BYTES];
    EncodeHardwareConfig(image);
    return std::string(reinterpret_cast<char*>(image), sizeof image);
}

// A child saving two different records in turn, as fast as it can, is
// killed with SIGKILL after a random delay, a few hundred times over. The
// file must always be one of the three whole files, never a mixture or a cut.
// QUILLON_FAULT_SEED replays the delays of a printed seed.
TEST(Faults, SaveKilledAtAnyMomentLeavesAWholeFile) {
    TempWorkDir dir;
    const std::string first = EncodedWithWidth(640), a = EncodedWithWidth(800), b = EncodedWithWidth(1024);
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, first));
    const char* replay = std::getenv("QUILLON_FAULT_SEED");
    unsigned seed = replay ? unsigned(std::strtoul(replay, nullptr, 10)) : unsigned(std::time(nullptr));
    std::printf("[  SEED    ] %u\n", seed);
    std::mt19937 random(seed);
    int seen[3] = {0, 0, 0}, strays = 0;
    constexpr int ROUNDS = 300;
    for (int round = 0; round < ROUNDS; round++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int32_t i = 0;; i++) {
                ResetHardwareConfig();
                hardwareConfig.width = i % 2 ? 1024 : 800;
                SaveHardwareConfig();
            }
        }
        usleep(useconds_t(random() % 3000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::string now = ReadFileBytes(CONFIG_FILE_NAME);
        int which = now == first ? 0 : now == a ? 1 : now == b ? 2 : -1;
        ASSERT_NE(which, -1) << "round " << round << ": " << now.size() << " bytes, seed " << seed;
        seen[which]++;
        // A killed save may leave its temporary file, named after the file and
        // never read by the loader; count and clear them. Nothing else may appear.
        std::vector<FileListEntry> list(FILE_LIST_MAX + 1);
        ListFiles("*.*", list.data(), 0);
        for (int i = 0; list[i].name[0]; i++) {
            std::string name = list[i].name;
            if (name == CONFIG_FILE_NAME) continue;
            ASSERT_EQ(name.rfind(std::string(CONFIG_FILE_NAME) + ".", 0), 0u) << name;
            ASSERT_EQ(unlink(name.c_str()), 0);
            strays++;
        }
    }
    std::printf("[  ROUNDS  ] %d: old %d, first record %d, second record %d; %d temporary files left by kills\n",
                ROUNDS, seen[0], seen[1], seen[2], strays);
    EXPECT_GT(seen[1] + seen[2], 0) << "no save ever completed: the test proves nothing";
}

void Put(std::string& s, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) s[at + i] = char(v >> (8 * i));
}

// A bottom-up 24-bit BMP or a 32-bit top-down TGA whose every pixel is `word`
// (R,G,B,A bytes as the slot holds them; BMP alpha is the loader's own).
std::string Image(bool tga, int32_t width, int32_t height, uint32_t word) {
    std::string s(tga ? 18 : 54, '\0');
    if (tga) {
        s[2] = 2, s[16] = 32, s[17] = 8 | 2 << 4;
        Put(s, 12, uint32_t(width), 2), Put(s, 14, uint32_t(height), 2);
    } else {
        s[0] = 'B', s[1] = 'M';
        Put(s, 10, 54, 4), Put(s, 18, uint32_t(width), 4), Put(s, 22, uint32_t(height), 4), Put(s, 28, 24, 2);
    }
    int64_t count = int64_t(width) * height;
    size_t padding = tga ? 0 : size_t(4 - width * 3 % 4) % 4;
    for (int32_t y = 0; y < height && count > 0 && count <= 4096; y++) {
        for (int32_t x = 0; x < width; x++) {
            s += char(word >> 16), s += char(word >> 8), s += char(word);
            if (tga) s += char(word >> 24);
        }
        s.append(padding, '\0');
    }
    return s;
}

constexpr uint32_t MARK = 0xA1B2C3D4u;

// Every slot first holds a 1x1 mark; then each file of the folder goes into a
// slot of its own, found through the file list as a game finds its textures,
// and GL receives each slot's image as it then stands.
TEST(Faults, BrokenTextureFolderLoadsWhatIsGoodAndNothingElse) {
    EnsureGlWindow();
    TempWorkDir dir;
    ASSERT_EQ(mkdir("texture", 0755), 0);
    struct Entry {
        const char* name;
        std::string bytes;
        int32_t width, height;  // 0: rejected, the slot keeps its mark
        uint32_t pixel;         // every pixel of an accepted image
    };
    const uint32_t red = 0xFF0000FFu, green = 0x8000FF00u;
    std::vector<Entry> entries = {
        {"a-good.bmp", Image(false, 5, 3, red), 5, 3, red},
        {"b-good.tga", Image(true, 2, 4, green), 2, 4, green},
        {"c-header-cut.bmp", Image(false, 5, 3, red).substr(0, 40), 0, 0, 0},
        {"d-header-cut.tga", Image(true, 2, 2, red).substr(0, 17), 0, 0, 0},
        {"e-pixels-missing.bmp", Image(false, 4, 2, red).substr(0, 54), 4, 2, LOADER_MISSING_PIXEL},
        {"f-pixels-missing.tga", Image(true, 3, 3, green).substr(0, 18), 3, 3, LOADER_MISSING_PIXEL},
        {"g-too-wide.bmp", Image(false, 100000, 1, red), 0, 0, 0},
        {"h-too-tall.tga", Image(true, 1, 16385, red), 0, 0, 0},
        {"i-too-many-pixels.bmp", Image(false, 8192, 8193, red), 0, 0, 0},
        {"j-zero.tga", Image(true, 0, 5, red), 0, 0, 0},
        {"k-negative.bmp", Image(false, -3, 2, red), 0, 0, 0},
        {"l-not-an-image.bmp", "this is not a picture at all, not even close to one", 0, 0, 0},
        {"m-empty.tga", "", 0, 0, 0},
        {"n-eight-bit.bmp", [] { std::string s = Image(false, 2, 2, 0); Put(s, 28, 8, 2); return s; }(), 0, 0, 0},
    };
    for (const Entry& e : entries) ASSERT_TRUE(WriteFileBytes(std::string("texture/") + e.name, e.bytes));
    ASSERT_EQ(mkdir("texture/o-directory.bmp", 0755), 0);
    ResetTextureImages();
    for (TextureSlot& s : textureTable.slots) {
        s.pixels = static_cast<uint32_t*>(std::malloc(4));
        s.pixels[0] = MARK;
        s.width = s.height = 1;
    }
    std::vector<FileListEntry> list(FILE_LIST_MAX + 1);
    ListFiles("texture/*.*", list.data(), 0);
    int32_t slot = 100;
    for (int i = 0; list[i].name[0]; i++, slot++) {
        std::string name = list[i].name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) LoadBmpTexture(slot, name.c_str(), 0);
        else LoadTgaTexture(slot, name.c_str(), 0, 0);
    }
    ASSERT_EQ(slot, 100 + int32_t(entries.size())) << "the directory is not a file of the list";
    for (int32_t s = 0; s < TEXTURE_SLOTS; s++) {
        const TextureSlot& t = textureTable.slots[s];
        const Entry* e = s >= 100 && s < 100 + int32_t(entries.size()) ? &entries[size_t(s - 100)] : nullptr;
        SCOPED_TRACE(e ? e->name : "untouched slot " + std::to_string(s));
        if (e) {
            int32_t w, h;
            std::vector<uint32_t> gl = ReadGlLevel(t.glName, 0, &w, &h);
            ASSERT_TRUE(w == t.width && h == t.height);
            ASSERT_TRUE(std::equal(gl.begin(), gl.end(), t.pixels)) << "GL image differs from the slot";
        }
        if (!e || e->width == 0) {
            ASSERT_TRUE(t.width == 1 && t.height == 1 && t.pixels[0] == MARK);
            continue;
        }
        ASSERT_TRUE(t.width == e->width && t.height == e->height);
        for (int32_t p = 0; p < t.width * t.height; p++) ASSERT_EQ(t.pixels[p], e->pixel) << "pixel " << p;
    }
    ResetTextureImages();
}

// A directory named font.bmp opens for reading but yields no bytes: every
// pixel font.bmp supplies is then past the end of the data, opaque white, and
// the rows below stay clear, in the slot and in GL.
TEST(Faults, FontFileThatIsADirectoryReadsAsNoData) {
    EnsureGlWindow();
    TempWorkDir dir;
    ASSERT_EQ(mkdir("font.bmp", 0755), 0);
    LoadFont();
    const TextureSlot& t = textureTable.slots[FONT_SLOT];
    ASSERT_TRUE(t.width == FONT_SIZE && t.height == FONT_SIZE && t.pixels);
    int32_t w, h;
    std::vector<uint32_t> gl = ReadGlLevel(t.glName, 0, &w, &h);
    ASSERT_TRUE(w == FONT_SIZE && h == FONT_SIZE);
    for (int32_t p = 0; p < FONT_SIZE * FONT_SIZE; p++) {
        uint32_t want = p < FONT_FILE_ROWS * FONT_SIZE ? 0xFFFFFFFFu : 0x00FFFFFFu;
        ASSERT_EQ(t.pixels[p], want) << "pixel " << p;
        ASSERT_EQ(gl[size_t(p)], want) << "GL pixel " << p;
    }
}

}  // namespace
