// Rows for the image work the game waits on: mipmap chains (computed, and
// with their uploads) and the BMP and TGA texture loaders.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/peers.h"
#include "render/loaders.h"
#include "render/texture.h"

namespace {

constexpr int32_t IMAGE_SIDES[] = {256, 1024, 2048};
constexpr int32_t LOADER_SIDES[] = {1024, 2048};
constexpr int32_t BENCH_SLOT = 200;  // any slot but the translucent one and the font

std::vector<uint32_t> RandomWords(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> words(count);
    for (uint32_t& w : words)
        w = random();
    return words;
}

// ---- mipmap chains --------------------------------------------------------

struct ChainFixture {
    int32_t side;
    std::vector<uint32_t> source;  // level 0
    std::vector<uint32_t> work;    // 2 * side * side words
    std::vector<uint8_t> copy;     // memcpy target
};

RowCheck CheckComputeAgainstPlain(ChainFixture& f) {
    std::vector<uint32_t> engine(f.work.size(), 0), plain(f.work.size(), 0);
    std::memcpy(engine.data(), f.source.data(), f.source.size() * 4);
    std::memcpy(plain.data(), f.source.data(), f.source.size() * 4);
    ComputeMipmapChain(engine.data(), f.side, f.side);
    PlainMipmapChain(plain.data(), f.side, f.side);
    RowCheck check;
    check.matches = engine == plain;
    if (!check.matches)
        check.remark = "levels differ from the per-byte rule";
    return check;
}

// Gives the bench slot the image in a mipmapped buffer. Done once per size:
// the upload rebuilds the chain from level 0 on every call, and a fresh block
// per call would time the allocator's page faults rather than the chain.
void PrepareSlot(const ChainFixture& f) {
    TextureSlot& s = textureTable.slots[BENCH_SLOT];
    if (s.pixels && s.width == f.side && s.mipmapped)
        return;
    std::free(s.pixels);
    s.pixels = static_cast<uint32_t*>(std::calloc(f.source.size() * 2, 4));
    std::memcpy(s.pixels, f.source.data(), f.source.size() * 4);
    s.width = s.height = f.side;
    s.mipmapped = 1;
}

// What GL holds at `level` of the texture bound now.
std::vector<uint32_t> ReadLevel(int32_t level, int32_t side) {
    std::vector<uint32_t> words(size_t(side) * size_t(side));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, words.data());
    return words;
}

// Largest per-byte difference between what GL holds for each level and the
// per-byte rule's levels; -1 when a level is missing or has the wrong size.
int LevelDistance(const ChainFixture& f, void (*rule)(uint32_t*, int32_t, int32_t)) {
    std::vector<uint32_t> plain(f.work.size(), 0);
    std::memcpy(plain.data(), f.source.data(), f.source.size() * 4);
    rule(plain.data(), f.side, f.side);
    int worst = 0;
    size_t offset = 0;
    for (int32_t level = 0; (f.side >> level) != 0; level++) {
        int32_t side = f.side >> level;
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        if (width != side)
            return -1;
        std::vector<uint32_t> held = ReadLevel(level, side);
        const uint8_t* a = reinterpret_cast<const uint8_t*>(held.data());
        const uint8_t* b = reinterpret_cast<const uint8_t*>(plain.data() + offset);
        for (size_t i = 0; i < held.size() * 4; i++)
            worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
        offset += held.size();
    }
    return worst;
}

void UploadWithEngine(const ChainFixture& f) {
    PrepareSlot(f);
    UploadTextureSlot(BENCH_SLOT, GL_REPEAT, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST);
}

void UploadWithGlu(const ChainFixture& f) {
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[BENCH_SLOT].glName);
    gluBuild2DMipmaps(
        GL_TEXTURE_2D, GL_RGBA, f.side, f.side, GL_RGBA, GL_UNSIGNED_BYTE, f.source.data());
}

void RegisterChainRows(int32_t side) {
    auto f = std::make_shared<ChainFixture>();
    f->side = side;
    f->source = RandomWords(size_t(side) * size_t(side), uint32_t(side));
    f->work.assign(f->source.size() * 2, 0);
    f->copy.assign(MipmapBytesRead(side, side), 0);
    std::string group = "mipmap/" + std::to_string(side);
    // Level 0 is left in place between calls: every call rebuilds the same levels.
    std::memcpy(f->work.data(), f->source.data(), f->source.size() * 4);
    AddRow(
        group,
        "ComputeMipmapChain",
        [f] {
            ComputeMipmapChain(f->work.data(), f->side, f->side);
        },
        [f] {
            return CheckComputeAgainstPlain(*f);
        });
    AddRow(
        group,
        "plain per-byte loop",
        [f] {
            PlainMipmapChain(f->work.data(), f->side, f->side);
        },
        [f] {
            return CheckComputeAgainstPlain(*f);
        },
        side == 1024 ? "peer>=10" : "");
    AddRow(
        group,
        "memcpy of bytes read (limit)",
        [f] {
            std::memcpy(f->copy.data(), f->work.data(), f->copy.size());
            benchmark::DoNotOptimize(f->copy.data());
        },
        nullptr,
        side == 1024 ? "limit<=2" : "");

    std::string uploads = "mipmap+upload/" + std::to_string(side);
    AddRow(
        uploads,
        "UploadTextureSlot",
        [f] {
            UploadWithEngine(*f);
            glFinish();
        },
        [f] {
            UploadWithEngine(*f);
            RowCheck check;
            check.matches = LevelDistance(*f, PlainMipmapChain) == 0;
            if (!check.matches)
                check.remark = "GL levels differ from the per-byte rule";
            return check;
        });
    AddRow(
        uploads,
        "gluBuild2DMipmaps",
        [f] {
            UploadWithGlu(*f);
            glFinish();
        },
        [f] {
            UploadWithGlu(*f);
            RowCheck check;
            // GLU rounds its box filter to nearest: the same work under its own rounding.
            check.matches = LevelDistance(*f, RoundedMipmapChain) == 0;
            check.remark = check.matches ? "exact to the box filter rounded to nearest"
                                         : "levels differ from the rounded box filter";
            return check;
        },
        side == 1024 ? "peer>=3" : "");
}

// ---- texture loaders ------------------------------------------------------

struct LoaderFixture {
    std::string path;
    bool tga;
    PeerImage engine;  // what the engine's loader put in the slot
    std::vector<uint8_t> whole;
};

void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        out[at + i] = uint8_t(value >> (8 * i));
}

std::vector<uint8_t> MakeBmp(int32_t side, uint32_t seed) {
    size_t row = (size_t(side) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> file(54 + row * side, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLe(file, 2, uint32_t(file.size()), 4);
    PutLe(file, 10, 54, 4);
    PutLe(file, 14, 40, 4);
    PutLe(file, 18, uint32_t(side), 4);
    PutLe(file, 22, uint32_t(side), 4);
    PutLe(file, 26, 1, 2);
    PutLe(file, 28, 24, 2);
    std::vector<uint32_t> noise = RandomWords((file.size() - 54) / 4 + 1, seed);
    std::memcpy(file.data() + 54, noise.data(), file.size() - 54);
    return file;
}

std::vector<uint8_t> MakeTga(int32_t side, int depth, int origin, uint32_t seed) {
    size_t pixels = size_t(side) * size_t(side) * size_t(depth / 8);
    std::vector<uint8_t> file(18 + pixels, 0);
    file[2] = 2;  // uncompressed true colour
    PutLe(file, 12, uint32_t(side), 2);
    PutLe(file, 14, uint32_t(side), 2);
    file[16] = uint8_t(depth);
    file[17] = uint8_t((depth == 32 ? 8 : 0) | origin << 4);
    std::vector<uint32_t> noise = RandomWords(pixels / 4 + 1, seed);
    std::memcpy(file.data() + 18, noise.data(), pixels);
    return file;
}

bool LoadWithEngine(const LoaderFixture& f) {
    FILE* file = std::fopen(f.path.c_str(), "rb");
    if (!file)
        return false;
    bool ok = f.tga ? ReadTgaTexture(file, BENCH_SLOT, 0) : ReadBmpTexture(file, BENCH_SLOT, 0);
    std::fclose(file);
    return ok;
}

PeerImage SlotImage() {
    const TextureSlot& s = textureTable.slots[BENCH_SLOT];
    PeerImage image;
    image.width = s.width;
    image.height = s.height;
    image.pixels.assign(s.pixels, s.pixels + size_t(s.width) * size_t(s.height));
    return image;
}

RowCheck SameImage(const PeerImage& engine, bool loaded, const PeerImage& peer) {
    RowCheck check;
    check.matches = loaded && engine.width == peer.width && engine.height == peer.height &&
                    engine.pixels == peer.pixels;
    if (!check.matches)
        check.remark = loaded ? "RGBA words differ from the engine's" : "could not load the file";
    return check;
}

void RegisterLoaderRows(const std::string& group,
                        const std::vector<uint8_t>& bytes,
                        bool tga,
                        const std::string& goal) {
    auto f = std::make_shared<LoaderFixture>();
    f->path = BenchDirectory() + "/" + group.substr(0, group.find('/')) + "-" +
              group.substr(group.find('/') + 1) + (tga ? ".tga" : ".bmp");
    f->tga = tga;
    f->whole.assign(bytes.size(), 0);
    FILE* out = std::fopen(f->path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
        std::exit(1);
    std::fclose(out);
    auto engineImage = [f] {
        if (f->engine.width == 0 && LoadWithEngine(*f))
            f->engine = SlotImage();
        return f->engine;
    };
    AddRow(
        group,
        tga ? "ReadTgaTexture" : "ReadBmpTexture",
        [f] {
            LoadWithEngine(*f);
        },
        [f, engineImage] {
            RowCheck check;
            check.matches = engineImage().width > 0;
            if (!check.matches)
                check.remark = "the engine rejected the file";
            return check;
        });
    AddRow(
        group,
        "stb_image",
        [f] {
            PeerImage image;
            StbLoad(f->path.c_str(), image);
        },
        [f, engineImage] {
            PeerImage image;
            bool ok = StbLoad(f->path.c_str(), image);
            return SameImage(engineImage(), ok, image);
        },
        goal);
    if (!tga)
        AddRow(
            group,
            "SDL_LoadBMP + convert",
            [f] {
                PeerImage image;
                SdlLoadBmp(f->path.c_str(), image);
            },
            [f, engineImage] {
                PeerImage image;
                bool ok = SdlLoadBmp(f->path.c_str(), image);
                return SameImage(engineImage(), ok, image);
            });
    auto fgetcLoad = [tga](const char* path, PeerImage& image) {
        return tga ? FgetcLoadTga(path, image) : FgetcLoadBmp(path, image);
    };
    AddRow(
        group,
        "fgetc per byte",
        [f, fgetcLoad] {
            PeerImage image;
            fgetcLoad(f->path.c_str(), image);
        },
        [f, engineImage, fgetcLoad] {
            PeerImage image;
            bool ok = fgetcLoad(f->path.c_str(), image);
            return SameImage(engineImage(), ok, image);
        });
    AddRow(group, "one fread (limit)", [f] {
        FreadWholeFile(f->path.c_str(), f->whole);
    });
}

}  // namespace

void RegisterImageRows() {
    for (int32_t side : IMAGE_SIDES)
        RegisterChainRows(side);
    for (int32_t side : LOADER_SIDES) {
        std::string size = std::to_string(side);
        RegisterLoaderRows(
            "bmp24/" + size, MakeBmp(side, 1), false, side == 1024 ? "peer>=2.5" : "");
        for (int depth : {24, 32})
            for (int origin : {0, 2}) {
                std::string group = "tga" + std::to_string(depth) +
                                    (origin == 0 ? "-bottomup/" : "-topdown/") + size;
                RegisterLoaderRows(group,
                                   MakeTga(side, depth, origin, uint32_t(depth + origin)),
                                   true,
                                   depth == 32 && side == 2048 ? "peer>=1.3" : "");
            }
    }
}
