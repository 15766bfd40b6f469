// The text printer's format language and alignment, and where the printer
// and the cursor put their pixels in the real frame buffer.
#include <climits>
#include "support/support.h"

namespace {

int ExpandWith(char* line, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = ExpandPrintFormat(line, size, format, args);
    va_end(args);
    return length;
}

// The line ExpandPrintFormat makes in a buffer of exactly `size` bytes, or
// what went wrong: a byte written outside the buffer, no terminator inside
// it, or a returned length other than the line's.
template <typename... Args>
std::string Expand(size_t size, const char* format, Args... args) {
    std::string buffer(size + 64, 'Z');
    const int n = ExpandWith(&buffer[32], size, format, args...);
    if (buffer.substr(0, 32) + buffer.substr(32 + size) != std::string(64, 'Z'))
        return "(written outside the buffer)";
    const size_t length = size ? strnlen(&buffer[32], size) : 0;
    if (size_t(n) != length)
        return "(returned " + std::to_string(n) + " for a line of " + std::to_string(length) + ")";
    return buffer.substr(32, length);
}

TEST(Text, FormatDirectivesLimitsAndAlignment) {
    const char* none = nullptr;
    const std::string s5000(5000, 's');
    const std::string p999(999, 'p');
    const std::string cut = p999 + std::string(24, 's');
    const int32_t both = ALIGN_CENTRE | ALIGN_END;
    // name, what the printer made, what it must make
    const std::tuple<const char*, std::string, std::string> rows[] = {
        {"plain text, % and slashes", Expand(1024, "a/qb//c 50% %s%n ab/"), "aqb/c 50% %s%n ab"},
        {"/c: the low byte, 0 none", Expand(1024, "x/cy/c/c", 0, 'A', 256 + 'B'), "xyAB"},
        {"/i and /u", Expand(1024, "/i|/i|/u", -42, INT_MAX, -1), "-42|2147483647|4294967295"},
        {"/x and /f", Expand(1024, "/x /x /x /f", 255, 0, -1, 1.5), "FF 0 FFFFFFFF 1.500000"},
        {"/s", Expand(1024, "[/s][/s][/s]", "hello", "", none), "[hello][][(null)]"},
        {"capitals but I: none", Expand(1024, "/C/F/S/U/X/i", 7), "CFSUX7"},
        {"/I below a million", Expand(1024, "/I /I /I", 999, 1005, 100000), "999 1,005 100,000"},
        {"/I millions", Expand(1024, "/I /I", 1234567, 1000000), "1,234,567 1,000,000"},
        {"/I largest", Expand(1024, "/I", 2000000000), "2000,000,000"},
        {"/I below 0", Expand(1024, "/I /I", -5000, INT_MIN), "-5000 -2147483648"},
        {"1000 characters", Expand(1024, std::string(1200, 'p').c_str()), std::string(1000, 'p')},
        {"a value past 999", Expand(1024, (p999 + "/s/i").c_str(), "abc", 5), p999 + "abc"},
        {"a value cut at the end", Expand(1024, (p999 + "/s").c_str(), s5000.c_str()), cut},
        {"8 bytes", Expand(8, "abc/sdef", s5000.c_str()), "abcssss"},
        {"0 bytes: nothing written", Expand(0, "abc"), ""},
        {"no format", Expand(8, nullptr), ""},
        {"x centred", std::to_string(AlignCoordinateX(ALIGN_CENTRE | 320, 10, 16)), "240"},
        {"x ending", std::to_string(AlignCoordinateX(ALIGN_END | 320, 10, 16)), "160"},
        {"x centred then ending", std::to_string(AlignCoordinateX(both | 320, 3, 5)), "298"},
        {"x wraps", std::to_string(AlignCoordinateX(ALIGN_CENTRE | 100, 15, 20)), "65486"},
        {"x below 0: no flags, 16 bits", std::to_string(AlignCoordinateX(-5, 3, 16)), "65531"},
        {"y centred, rounded down", std::to_string(AlignCoordinateY(ALIGN_CENTRE | 100, 15)), "93"},
        {"y centred then ending", std::to_string(AlignCoordinateY(both | 100, 16)), "76"},
    };
    for (const auto& [name, got, want] : rows)
        EXPECT_EQ(got, want) << name;
}

// Sets the words of a square (x, y, side) of an image `width` words wide.
void Light(Pixels& image, int width, const std::array<int, 3>& square, uint32_t word) {
    for (int y = square[1]; y < square[1] + square[2]; y++)
        std::fill(&image[y * width + square[0]], &image[y * width + square[0] + square[2]], word);
}

// A font whose 'A' (cell column 1, row 4) lights only the top-left 8x8 of its
// cell and whose cursor picture lights cells 0 and 17; glyphs are drawn at
// sizes 16 and 32, the cursor at the mouse; each must light just its mapped
// square (red of 100 or more), in its colour times its alpha.
TEST(Text, GlyphsAndTheCursorLandOnTheirMappedPixels) {
    EnsureGlWindow();
    ResetRecords();
    Pixels font(256 * 256, 0x00FFFFFFu);
    Light(font, 256, {16, 64, 8}, 0xFFFFFFFFu);  // 'A': cell column 1, row 4
    Light(font, 256, {0, 0, 16}, 0xFFFFFFFFu);   // cursor cells 0 and 17
    Light(font, 256, {16, 16, 16}, 0xFFFFFFFFu);
    TextureSlot& s = textureTable.slots[FONT_SLOT];
    s = {256, 256, 0, static_cast<uint32_t*>(std::malloc(font.size() * 4)), s.glName};
    std::copy(font.begin(), font.end(), s.pixels);
    UploadTextureSlot(FONT_SLOT, GL_CLAMP, GL_LINEAR, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[3].glName);  // the printer binds the font
    TakeFrame();
    PrintText("A", 100, 50, 16, 1, 1, 1, 1);
    PrintText("A/cA", ALIGN_END | 364, ALIGN_CENTRE | 216, 32, 1, 1, 1, 1, 0);  // at 300, 200
    PrintText("A", 500, 400, 16, 1.0f, 0.5f, 0.25f, 0.5);
    inputState.mouse = {320, 400, 0, 0, 0, 0, 0, 0};
    DrawCursor(1, 1, 1, 1);
    const Frame frame = TakeFrame();
    Pixels lit;
    for (int i = 0; i < 640 * 480; i++)
        lit.push_back(frame.At(i % 640, i / 640) >= 100);
    Pixels want(640 * 480, 0);
    Light(want, 640, {100, 50, 8}, 1);  // the glyphs' lit quarters
    Light(want, 640, {300, 200, 16}, 1);
    Light(want, 640, {332, 200, 16}, 1);
    Light(want, 640, {500, 400, 8}, 1);
    Light(want, 640, {304, 384, 16}, 1);  // the cursor's cells 0 and 17
    Light(want, 640, {320, 400, 16}, 1);
    EXPECT_TRUE(SamePixels(want, lit, 640));
    EXPECT_NEAR(frame.At(503, 403, 0), 128, 2);
    EXPECT_NEAR(frame.At(503, 403, 1), 64, 2);
    EXPECT_NEAR(frame.At(503, 403, 2), 32, 2);
}

}  // namespace
