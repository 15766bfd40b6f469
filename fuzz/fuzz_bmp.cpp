// Any bytes as a texture/*.bmp file.
#include "fuzz/fuzz_image.h"
#include "render/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzImageReader(ReadBmpTexture, data, size);
}
