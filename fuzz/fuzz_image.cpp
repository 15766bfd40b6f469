// Any bytes as a texture/*.bmp file (built as fuzz-bmp) or a texture/*.tga
// file (fuzz-tga), read into a slot twice, plain and mipmapped with its chain
// computed: a rejected file leaves the slot as it was, an accepted one gives a
// whole image of a size the loaders promise to accept.
#include "fuzz/fuzz_support.h"

namespace {

constexpr uint32_t MARK = 0x12345678u;
volatile uint32_t sink;  // where the words read land, so the reads stay

// Pixels a header may claim and still be fuzzed. Larger images the loaders
// accept (up to 2^26 pixels) cost a second each in fresh pages, and a corpus
// entry with one would slow every mutation of it to that pace; the unit tests
// load the largest sizes instead. Claims the loaders reject stay in: their
// check is what is being fuzzed.
constexpr int64_t FUZZ_MAX_PIXELS = int64_t(1) << 20;

// The sizes the loaders promise to accept, stated here on its own so the
// oracle does not lean on the code it checks.
bool SizeAccepted(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= LOADER_MAX_SIDE && height <= LOADER_MAX_SIDE &&
           width * height <= LOADER_MAX_PIXELS;
}

int64_t Field(const uint8_t* data, size_t size, size_t at, int bytes) {
    uint32_t v = 0;  // little-endian, as the machines the fuzzer runs on
    if (size >= at + bytes)
        std::memcpy(&v, data + at, size_t(bytes));
    return bytes == 4 ? int64_t(int32_t(v)) : int64_t(v);
}

void ReadOnce(const uint8_t* data, size_t size, int32_t slot, int32_t mipmap) {
    TextureSlot& s = textureTable.slots[slot];
    std::free(s.pixels);  // a 1x1 image the reader must either keep or replace whole
    const uint32_t* before = s.pixels = static_cast<uint32_t*>(std::malloc(4));
    s.pixels[0] = MARK, s.width = s.height = 1, s.mipmapped = 0;
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
        FuzzFail("rejected file changed the slot");
    if (ok && (!SizeAccepted(s.width, s.height) || s.mipmapped != mipmap))
        FuzzFail("accepted image has a size the loaders refuse");
    if (!ok)
        return;
    uint32_t sum = 0;  // touch every word the slot owns, so a short allocation shows
    for (size_t i = 0; i < size_t(s.width) * size_t(s.height) * (mipmap ? 2 : 1); i++)
        sum += s.pixels[i];
    if (mipmap)
        ComputeMipmapChain(s.pixels, s.width, s.height);
    sink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#ifdef FUZZ_tga
    int64_t width = Field(data, size, 12, 2),
            height = Field(data, size, 14, 2);  // the header's 16-bit fields
#else
    int64_t width = Field(data, size, 18, 4),
            height = std::llabs(Field(data, size, 22, 4));  // signed 32-bit fields
#endif
    if (SizeAccepted(width, height) && width * height > FUZZ_MAX_PIXELS)
        return 0;
    videoState.openGL = 0, ReadOnce(data, size, TRANSLUCENT_SLOT, 0),
    ReadOnce(data, size, TRANSLUCENT_SLOT + 1, 1);
    return ResetTextureImages(), 0;
}
