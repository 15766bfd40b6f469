// Any bytes as a texture/*.tga file.
#include "fuzz/fuzz_image.h"
#include "render/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Width and height as the header's 16-bit fields at 12 and 14.
    auto field = [&](size_t at) -> int64_t { return size < at + 2 ? 0 : int64_t(data[at] | data[at + 1] << 8); };
    return FuzzImageReader(ReadTgaTexture, data, size, field(12), field(14));
}
