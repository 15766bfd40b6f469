// Any bytes as font.bmp: the font slot always ends up a whole 256x256 image
// of white pixels (the glyphs are alpha alone), read without going past the
// data the file gave.
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
    for (int i = 0; i < FONT_SIZE * FONT_SIZE; i++)
        if ((s.pixels[i] & 0xFFFFFFu) != 0xFFFFFFu)
            FuzzFail("a font pixel that is not white");
    return 0;
}
