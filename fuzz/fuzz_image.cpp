#include "fuzz/fuzz_image.h"

#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "platform/video.h"
#include "render/loaders.h"
#include "render/texture.h"

namespace {

constexpr uint32_t MARK = 0x12345678u;

// The sizes the loaders promise to accept, stated here on its own so the
// oracle does not lean on the code it checks.
bool SizeAccepted(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= LOADER_MAX_SIDE && height <= LOADER_MAX_SIDE &&
           width * height <= LOADER_MAX_PIXELS;
}

// A 1x1 image the loader must either keep or replace whole.
void MarkSlot(int32_t slot) {
    TextureSlot& s = textureTable.slots[slot];
    std::free(s.pixels);
    s.pixels = static_cast<uint32_t*>(std::malloc(4));
    s.pixels[0] = MARK;
    s.width = s.height = 1;
    s.mipmapped = 0;
}

void ReadOnce(ImageReader read, const uint8_t* data, size_t size, int32_t slot, int32_t mipmap) {
    MarkSlot(slot);
    const uint32_t* before = textureTable.slots[slot].pixels;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return;  // an empty input has no stream
    bool ok = read(file, slot, mipmap);
    std::fclose(file);
    const TextureSlot& s = textureTable.slots[slot];
    if (!ok) {
        if (s.pixels != before || s.width != 1 || s.height != 1 || s.pixels[0] != MARK) FuzzFail("rejected file changed the slot");
        return;
    }
    if (!SizeAccepted(s.width, s.height) || s.mipmapped != mipmap)
        FuzzFail("accepted image has a size the loaders refuse");
    // Touch every word the slot owns, so a short allocation shows.
    size_t words = size_t(s.width) * size_t(s.height) * (mipmap ? 2 : 1);
    uint32_t sum = 0;
    for (size_t i = 0; i < words; i++) sum += s.pixels[i];
    if (mipmap) ComputeMipmapChain(s.pixels, s.width, s.height);
    volatile uint32_t keep = sum;
    (void)keep;
}

}  // namespace

int FuzzImageReader(ImageReader read, const uint8_t* data, size_t size, int64_t width, int64_t height) {
    if (SizeAccepted(width, height) && width * height > FUZZ_MAX_PIXELS) return 0;
    videoState.openGL = 0;
    ReadOnce(read, data, size, TRANSLUCENT_SLOT, 0);
    ReadOnce(read, data, size, TRANSLUCENT_SLOT + 1, 1);
    ResetTextureImages();
    return 0;
}
