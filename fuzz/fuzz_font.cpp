// Any bytes as font.bmp: the font is read by its own rules (no header check,
// red byte as coverage, anything past the end opaque white), never past the
// data, and the slot always ends up a whole 256x256 image.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzDirectory();
    videoState.openGL = 0;
    WriteWholeFile("font.bmp", std::string(reinterpret_cast<const char*>(data), size));
    LoadFont();
    const TextureSlot& s = textureTable.slots[FONT_SLOT];
    if (s.width != FONT_SIZE || s.height != FONT_SIZE || !s.pixels || s.mipmapped) FuzzFail("font slot shape");
    for (int row = 0; row < FONT_SIZE; row++)
        for (int column = 0; column < FONT_SIZE; column++) {
            uint32_t want = 0x00FFFFFFu;  // rows the file does not supply stay invisible
            if (row < FONT_FILE_ROWS) {
                size_t red = 54 + size_t(FONT_FILE_ROWS - 1 - row) * FONT_SIZE * 3 + size_t(column) * 3 + 2;
                want = red < size ? uint32_t(data[red]) << 24 | 0x00FFFFFFu : 0xFFFFFFFFu;
            }
            if (s.pixels[row * FONT_SIZE + column] != want) FuzzFail("font pixel differs from the font's rules");
        }
    return 0;
}
