// Any bytes as a texture/*.bmp file (built as fuzz-bmp) or a texture/*.tga
// file (fuzz-tga), read into a slot twice, plain and mipmapped with its chain
// computed: a refused file leaves the slot as it was, an accepted one is a
// whole image (the reader writes every pixel) of a size the loaders accept.
#include "fuzz/fuzz_support.h"
#include "render/loaders.h"

namespace {

constexpr uint32_t MARK = 0x12345678u;

// The pixels a header claims. Claims above 2^20 that the loaders would take
// (up to 2^26) cost a second each in fresh pages and would slow every
// mutation of such an input to that pace, so they are not fuzzed; the unit
// tests load the largest sizes.
int64_t Claimed(const uint8_t* data, size_t size) {
#ifdef FUZZ_tga
    return size < 16 ? 0 : int64_t(data[12] | data[13] << 8) * (data[14] | data[15] << 8);
#else
    int32_t side[2] = {0, 0};  // width and height, little-endian as the machines fuzzed
    if (size >= 26)
        std::memcpy(side, data + 18, sizeof side);
    return int64_t(side[0]) * std::llabs(int64_t(side[1]));
#endif
}

void ReadOnce(const uint8_t* data, size_t size, int32_t slot, int32_t mipmap) {
    TextureSlot& s = textureTable.slots[slot];
    std::free(s.pixels);  // a 1x1 image the reader must either keep or replace whole
    s = {1, 1, 0, static_cast<uint32_t*>(std::malloc(4)), s.glName};
    s.pixels[0] = MARK;
    const uint32_t* before = s.pixels;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return;  // an empty input has no stream
#ifdef FUZZ_tga
    const bool ok = ReadTgaTexture(file, slot, mipmap);
#else
    const bool ok = ReadBmpTexture(file, slot, mipmap);
#endif
    std::fclose(file);
    if (!ok && (s.pixels != before || s.width != 1 || s.height != 1 || s.pixels[0] != MARK))
        FuzzFail("a refused file changed the slot");
    const bool sides =
        s.width >= 1 && s.height >= 1 && s.width <= LOADER_MAX_SIDE && s.height <= LOADER_MAX_SIDE;
    if (ok && (!sides || int64_t(s.width) * s.height > LOADER_MAX_PIXELS || s.mipmapped != mipmap))
        FuzzFail("an accepted image of a size the loaders refuse");
    if (ok && mipmap)
        ComputeMipmapChain(s.pixels, s.width, s.height);  // in the second half of the block
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t claimed = Claimed(data, size);
    if (claimed > (1 << 20) && claimed <= LOADER_MAX_PIXELS)
        return 0;
    videoState.openGL = 0;
    ReadOnce(data, size, TRANSLUCENT_SLOT, 0);
    ReadOnce(data, size, TRANSLUCENT_SLOT + 1, 1);
    ResetTextureImages();
    return 0;
}
