// Any bytes as a texture/*.bmp file.
#include "fuzz/fuzz_image.h"
#include "render/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Width and height as the header's signed 32-bit fields at 18 and 22.
    auto field = [&](size_t at) -> int64_t {
        if (size < at + 4) return 0;
        return int32_t(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
                       uint32_t(data[at + 3]) << 24);
    };
    int64_t height = field(22);
    return FuzzImageReader(ReadBmpTexture, data, size, field(18), height < 0 ? -height : height);
}
