// The text printer's format language, and what the printer, the
// cursor, the widgets and the colour sliders put into the real frame buffer.
#include "support/support.h"

namespace {

// The line ExpandPrintFormat makes in a buffer of `size`, or "(overrun)" when
// it wrote past the buffer or returned another length than it made.
template <typename... Args>
std::string Expand(size_t size, const char* format, Args... args) {
    std::vector<char> line(size + 32, 'Z');
    int n = ExpandFormat(line.data(), size, format, args...);
    bool bounded = std::all_of(line.begin() + std::max<size_t>(size, 1), line.end(), [](char c) {
        return c == 'Z';
    });
    return size && size_t(n) == std::strlen(line.data()) && bounded ? std::string(line.data())
                                                                    : "(overrun)";
}

TEST(PrintFormat, DirectivesAndLimits) {
    const char* none = nullptr;
    std::string longText(5000, 's'), near999 = std::string(999, 'p');
    const std::pair<std::string, std::string> rows[] = {
        {Expand(1024, "a/qb//c 50% %s%n ab/"), "aqb/c 50% %s%n ab"},
        {Expand(1024, "x/cy/c/c", 0, 'A', 256 + 'B'), "xyAB"},
        {Expand(1024, "/i|/i|/u", -42, 2147483647, -1), "-42|2147483647|4294967295"},
        {Expand(1024, "/x /x /x /f", 255, 0, -1, 1.5), "FF 0 FFFFFFFF 1.500000"},
        {Expand(1024, "[/s][/s][/s]", "hello", "", none), "[hello][][(null)]"},
        {Expand(1024, "/C/F/S/U/X/i", 7), "CFSUX7"},
        {Expand(1024, "/I /I /I /I /I", 999, 1005, 1234567, 1000000, 2000000000),
         "999 1,005 1,234,567 1,000,000 2000,000,000"},
        {Expand(1024, "/I /I", -5000, INT_MIN), "-5000 -2147483648"},
        {Expand(1024, std::string(1200, 'p').c_str()), std::string(1000, 'p')},
        {Expand(1024, (near999 + "/s/i").c_str(), "abcdef", 5), near999 + "abcdef"},
        {Expand(1, "abc"), ""},
        {Expand(8, nullptr), ""},
        {Expand(1024, (near999 + "/s").c_str(), longText.c_str()), near999 + std::string(24, 's')},
        {Expand(1024, "/s", longText.c_str()), std::string(1023, 's')},
        {Expand(8, "abc/sdef", longText.c_str()), "abcssss"}};
    for (const auto& [got, want] : rows)
        EXPECT_EQ(got, want);  // the alignment rules: widget registration's table
}

struct DrawTest : ::testing::Test {
    TempWorkDir dir;
    void SetUp() override {
        EnsureGlWindow(), ResetRecords(), InitKeyNames(), TakeFrame();
    }
    // A font whose glyph 'A' lights only its top-left 8x8 quarter and whose
    // cursor picture lights only cells 0 and 17; or the project's own font.
    void LoadTestFont(bool own) {
        std::string file(FONT_FILE_BYTES, '\0');
        for (int y = 0; y < 128 && !own; y++)
            for (int x = 0; x < 256; x++)
                if ((x >= 16 && x < 24 && y >= 64 && y < 72) || (x < 16 && y < 16) ||
                    (x >= 16 && x < 32 && y >= 16 && y < 32))
                    file[54 + size_t(127 - y) * 768 + size_t(x) * 3 + 2] = char(255);
        ASSERT_TRUE(WriteFileBytes(
            "font.bmp", own ? ReadFileBytes(QUILLON_SOURCE_DIR "/assets/font.bmp") : file));
        LoadFont(),
            glBindTexture(GL_TEXTURE_2D,
                          textureTable.slots[3].glName);  // the printer binds the font itself
    }
};

// Lit pixels (red >= 128) of the rectangle, against its area: 1 all lit, 0 none.
double Lit(const Frame& f, int x, int y, int w, int h) {
    int lit = 0;
    for (int py = y; py < y + h; py++)
        for (int px = x; px < x + w; px++)
            lit += f.At(px, py) >= 128;
    return double(lit) / (w * h);
}

TEST_F(DrawTest, GlyphsAndTheCursorLandOnTheirMappedPixels) {
    LoadTestFont(false), PrintText("A", 100, 50, 16, 1.0f, 0.5f, 0.25f, 1.0f);
    PrintText("A/cA",
              ALIGN_END | 364,
              ALIGN_CENTRE | 216,
              32,
              1,
              1,
              1,
              1,
              0);  // two glyphs ending at 364
    PrintText("A", 500, 400, 16, 1, 1, 1, 0.5f);
    inputState.mouse.x = 320, inputState.mouse.y = 400, DrawCursor(1, 1, 1, 1);
    inputState.mouse.x = inputState.mouse.y = 0, DrawCursor(1, 1, 1, 1);
    const Frame f = TakeFrame();
    // Each glyph: its top-left quarter lit, the rest of its cell and a rim around it dark.
    const int glyphs[][3] = {{100, 50, 16}, {300, 200, 32}, {332, 200, 32}};
    for (auto [x, y, s] : glyphs) {
        EXPECT_EQ(Lit(f, x, y, s / 2, s / 2), 1.0) << x;
        EXPECT_EQ(Lit(f, x + s / 2, y, s / 2, s) + Lit(f, x, y + s / 2, s / 2, s / 2) +
                      Lit(f, x - 4, y - 4, s + 8, 4),
                  0)
            << x;
    }
    EXPECT_EQ(Lit(f, 364, 196, 8, 40) + Lit(f, 292, 196, 8, 40), 0)
        << "nothing beyond the aligned line";
    EXPECT_TRUE(std::abs(f.At(103, 53, 1) - 128) <= 2 && std::abs(f.At(103, 53, 2) - 64) <= 2 &&
                std::abs(f.At(503, 403) - 128) <= 2);
    EXPECT_EQ(Lit(f, 304, 384, 16, 16) + Lit(f, 320, 400, 16, 16) + Lit(f, 0, 0, 16, 16), 3.0)
        << "cursor centred on the mouse";
    EXPECT_EQ(Lit(f, 320, 384, 16, 16) + Lit(f, 304, 400, 16, 16) + Lit(f, 298, 378, 44, 6) +
                  Lit(f, 16, 0, 24, 40),
              0);
    PrintText(nullptr, 0, 0, 16, 1, 1, 1, 1);  // nothing to print, nothing drawn
    EXPECT_TRUE(printLine[0] == '\0' && TakeFrame().Sum(0, 0, 640, 480) == 0);
}

}  // namespace
