// The fast paths (vector mipmap averages, block-read loaders) against plain
// byte-at-a-time references on random contents and awkward sizes: the bytes
// they produce must be exactly the plain rule's, whatever the size.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/video.h"
#include "render/loaders.h"
#include "render/texture.h"

namespace {

struct Size {
    int w, h;
};

std::string Label(const Size& s) { return std::to_string(s.w) + "x" + std::to_string(s.h); }

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

// Every level at its own width, each byte the floor of its 2x2 block's mean.
std::vector<uint8_t> ReferenceChain(const std::vector<uint8_t>& base, int w, int h) {
    std::vector<uint8_t> out(base.size() * 2, 0);
    std::copy(base.begin(), base.end(), out.begin());
    size_t src = 0, dst = base.size();
    for (int k = 1; (w >> k) != 0; k++) {
        int lw = w >> k, lh = h >> k, sw = w >> (k - 1);
        for (int y = 0; y < lh; y++)
            for (int x = 0; x < lw * 4; x++) {
                size_t a = src + (size_t(2 * y) * sw * 4) + size_t(x / 4) * 8 + x % 4;
                size_t b = a + size_t(sw) * 4;
                out[dst + size_t(y) * lw * 4 + x] = uint8_t((out[a] + out[a + 4] + out[b] + out[b + 4]) / 4);
            }
        src = dst;
        dst += size_t(lw) * lh * 4;
    }
    return out;
}

TEST(FastPaths, MipmapChainEqualsThePerByteRule) {
    // Widths 8..23 put every remainder behind the four-pixel vector steps.
    std::vector<Size> sizes = {{1, 1}, {2, 1}, {1, 2}, {3, 3}, {2048, 2048}, {16384, 2}, {2, 16384}, {1000, 6}};
    for (int w = 8; w < 24; w++) sizes.push_back({w, 3});
    for (const Size& s : sizes) {
        SCOPED_TRACE(Label(s));
        std::vector<uint8_t> base = RandomBytes(size_t(s.w) * s.h * 4, unsigned(s.w * 31 + s.h));
        std::vector<uint32_t> words(size_t(s.w) * s.h * 2, 0);
        std::memcpy(words.data(), base.data(), base.size());
        ComputeMipmapChain(words.data(), s.w, s.h);
        std::vector<uint8_t> want = ReferenceChain(base, s.w, s.h);
        ASSERT_EQ(std::memcmp(words.data(), want.data(), want.size()), 0);
    }
}

// A file's pixel bytes decoded one at a time: B,G,R[,A] to R,G,B,A words,
// rows placed by the order flags; pixels the file lacks are opaque black.
std::vector<uint32_t> ReferenceImage(const std::vector<uint8_t>& file, size_t start, Size s, int bytes,
                                     size_t stride, bool bottomUp, bool rightToLeft, uint32_t alpha) {
    std::vector<uint32_t> image(size_t(s.w) * s.h, LOADER_MISSING_PIXEL);
    for (int r = 0; r < s.h; r++)
        for (int c = 0; c < s.w; c++) {
            size_t at = start + size_t(r) * stride + size_t(c) * bytes;
            if (at + bytes > file.size()) continue;
            uint32_t a = bytes == 4 ? file[at + 3] : alpha;
            uint32_t word = file[at + 2] | uint32_t(file[at + 1]) << 8 | uint32_t(file[at]) << 16 | a << 24;
            int row = bottomUp ? s.h - 1 - r : r, column = rightToLeft ? s.w - 1 - c : c;
            image[size_t(row) * s.w + column] = word;
        }
    return image;
}

void Put(std::vector<uint8_t>& out, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) out[at + i] = uint8_t(v >> (8 * i));
}

// Runs a reader on the bytes and returns the slot's image (empty on failure).
std::vector<uint32_t> ReadThrough(bool (*read)(FILE*, int32_t, int32_t), const std::vector<uint8_t>& bytes,
                                  Size s) {
    FILE* f = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    bool ok = f && read(f, 30, 0);
    if (f) std::fclose(f);
    const TextureSlot& slot = textureTable.slots[30];
    if (!ok || slot.width != s.w || slot.height != s.h) return {};
    return std::vector<uint32_t>(slot.pixels, slot.pixels + size_t(s.w) * s.h);
}

// Sizes around the reader's block of rows: 16384 pixels wide is the longest
// row, and 3000 wide fills a block with a part row left over. Every file is
// also cut short in its last rows.
const Size LOADER_SIZES[] = {{1, 1}, {2, 3}, {3, 2}, {5, 7}, {17, 1}, {1023, 3}, {3000, 100}, {16384, 6}};

TEST(FastPaths, BmpReaderEqualsTheByteReader) {
    videoState.openGL = 0;
    for (const Size& s : LOADER_SIZES)
        for (bool bottomUp : {true, false})
            for (bool cut : {false, true}) {
                SCOPED_TRACE(Label(s) + (bottomUp ? " bottom-up" : " top-down") + (cut ? " cut" : ""));
                size_t stride = (size_t(s.w) * 3 + 3) & ~size_t(3), offset = 54 + (s.w % 3) * 5;
                std::vector<uint8_t> file = RandomBytes(offset + stride * s.h, unsigned(s.w + s.h));
                std::fill(file.begin(), file.begin() + 54, 0);
                file[0] = 'B', file[1] = 'M';
                Put(file, 10, uint32_t(offset), 4), Put(file, 18, uint32_t(s.w), 4);
                Put(file, 22, uint32_t(bottomUp ? s.h : -s.h), 4), Put(file, 28, 24, 2);
                if (cut) file.resize(file.size() - stride - 2);
                auto want = ReferenceImage(file, offset, s, 3, stride, bottomUp, false, 255);
                ASSERT_EQ(ReadThrough(ReadBmpTexture, file, s), want);
            }
    ResetTextureImages();
}

TEST(FastPaths, TgaReaderEqualsTheByteReaderInEveryOrigin) {
    videoState.openGL = 0;
    for (const Size& s : LOADER_SIZES)
        for (int depth : {24, 32})
            for (int origin = 0; origin < 4; origin++) {
                SCOPED_TRACE(Label(s) + " depth " + std::to_string(depth) + " origin " + std::to_string(origin));
                int bytes = depth / 8, idLength = s.w % 7;
                size_t start = 18 + idLength, stride = size_t(s.w) * bytes;
                std::vector<uint8_t> file = RandomBytes(start + stride * s.h - (origin == 3 ? 2 : 0), unsigned(s.w * depth));
                std::fill(file.begin(), file.begin() + 18, 0);
                file[0] = uint8_t(idLength), file[2] = 2, file[16] = uint8_t(depth);
                file[17] = uint8_t((depth == 32 ? 8 : 0) | origin << 4);
                Put(file, 12, uint32_t(s.w), 2), Put(file, 14, uint32_t(s.h), 2);
                auto want = ReferenceImage(file, start, s, bytes, stride, origin < 2, origin & 1, 255);
                ASSERT_EQ(ReadThrough(ReadTgaTexture, file, s), want);
            }
    ResetTextureImages();
}

}  // namespace
