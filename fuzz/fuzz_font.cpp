// Any bytes as font.bmp: the font is read by its own rules (no header check,
// red byte as coverage, anything past the end opaque white), never past the
// data, and the slot always ends up a whole 256x256 image.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzDirectory();
    videoState.openGL = 0;
    if (!WriteFileBytes("font.bmp", std::string(reinterpret_cast<const char*>(data), size)))
        FuzzFail("could not write a file");
    LoadFont();
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    if (s.width != FONT_SIZE || s.height != FONT_SIZE || !s.pixels || s.mipmapped)
        FuzzFail("font slot shape");
    if (std::vector<uint32_t>(s.pixels, s.pixels + FONT_SIZE * FONT_SIZE) !=
        ReferenceFont(data, size))
        FuzzFail("font image differs from the font's rules");
    return 0;
}
