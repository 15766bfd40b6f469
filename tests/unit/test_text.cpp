// The text printer's format language, line limit, buffer bounds and
// alignment, and glyphs and the cursor as they land in the real window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/video.h"
#include "render/text.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

int ExpandInto(char* line, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = ExpandPrintFormat(line, size, format, args);
    va_end(args);
    return n;
}

std::string Expand(const char* format, ...) {
    char line[PRINT_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    int n = ExpandPrintFormat(line, sizeof line, format, args);
    va_end(args);
    EXPECT_EQ(size_t(n), std::strlen(line)) << "returned length";
    return line;
}

TEST(PrintFormat, DirectivesExpandAsDefined) {
    struct Case { std::string got; const char* want; };
    const char* none = nullptr;
    const Case cases[] = {
        {Expand("a/qb"), "aqb"},
        {Expand("a//b"), "a/b"},
        {Expand("50%"), "50%"},
        {Expand("%s%n%d"), "%s%n%d"},
        {Expand("ab/"), "ab"},
        {Expand("x/cy", 0), "xy"},
        {Expand("/c/c", 'A', 256 + 'B'), "AB"},
        {Expand("/i|/i", -42, 2147483647), "-42|2147483647"},
        {Expand("/u", -1), "4294967295"},
        {Expand("/x /x /x", 255, 0, -1), "FF 0 FFFFFFFF"},
        {Expand("/f", 1.5), "1.500000"},
        {Expand("[/s]", "hello"), "[hello]"},
        {Expand("[/s]", ""), "[]"},
        {Expand("[/s]", none), "[(null)]"},
        {Expand("/C/F/S/U/X/i", 7), "CFSUX7"},
        {Expand("/I", 0), "0"},
        {Expand("/I", 999), "999"},
        {Expand("/I", 1000), "1,000"},
        {Expand("/I", 1005), "1,005"},
        {Expand("/I", 1234567), "1,234,567"},
        {Expand("/I", 1000001), "1,000,001"},
        {Expand("/I", 2000000000), "2000,000,000"},
        {Expand("/I", -5000), "-5000"},
        {Expand("/I", -2147483647 - 1), "-2147483648"},
        {Expand("/s=/i, /I", "n", 3, 12345), "n=3, 12,345"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(PrintFormat, LineStopsAtTheLimitButTakesTheLastDirectiveWhole) {
    std::string plain(1200, 'p');
    EXPECT_EQ(Expand(plain.c_str()), std::string(1000, 'p'));
    std::string near = std::string(999, 'p') + "/s/i";
    EXPECT_EQ(Expand(near.c_str(), "abcdef", 5), std::string(999, 'p') + "abcdef");
    std::string twice = std::string(998, 'p') + "/I/I";
    EXPECT_EQ(Expand(twice.c_str(), 12345, 7), std::string(998, 'p') + "12,345");
}

TEST(PrintFormat, NoBufferIsOverrunWhateverTheArguments) {
    struct Guarded {
        char before[32];
        char line[PRINT_BUFFER_SIZE];
        char after[32];
    };
    std::string longText(5000, 's');
    std::string nearFormat = std::string(999, 'p') + "/s";
    struct Case { const char* format; size_t size; size_t wantLength; };
    const Case cases[] = {
        {nearFormat.c_str(), PRINT_BUFFER_SIZE, PRINT_BUFFER_SIZE - 1},  // line buffer's end
        {"/s", PRINT_BUFFER_SIZE, PRINT_BUFFER_SIZE - 1},                // scratch buffer's end
        {"abc/sdef", 8, 7},
        {"abc", 1, 0},
    };
    for (const Case& c : cases) {
        Guarded g;
        std::memset(&g, 0x5A, sizeof g);
        int n = ExpandInto(g.line, c.size, c.format, longText.c_str());
        EXPECT_EQ(size_t(n), c.wantLength) << c.format;
        EXPECT_EQ(std::strlen(g.line), c.wantLength) << c.format;
        for (size_t i = c.size; i < sizeof g.line; i++) ASSERT_EQ(g.line[i], 0x5A) << c.format;
        for (int i = 0; i < 32; i++) ASSERT_TRUE(g.before[i] == 0x5A && g.after[i] == 0x5A);
    }
    char untouched = 'u';
    EXPECT_EQ(ExpandInto(&untouched, 0, "abc"), 0);
    EXPECT_EQ(untouched, 'u');
    char line[8] = "old";
    EXPECT_EQ(ExpandInto(line, sizeof line, nullptr), 0);
    EXPECT_STREQ(line, "");
}

TEST(PrintAlignment, FlagsSubtractOnTheFlaggedValueThenKeepSixteenBits) {
    struct XCase { int32_t x, cells, size, want; };
    const XCase xs[] = {
        {ALIGN_CENTRE | 320, 10, 16, 240},
        {ALIGN_END | 320, 10, 16, 160},
        {ALIGN_CENTRE | ALIGN_END | 320, 10, 16, 80},
        {ALIGN_CENTRE | 100, 15, 20, 65536 - 50},
        {ALIGN_END | 10, 2, 16, 65536 - 22},
        {ALIGN_CENTRE | 320, 5, 3, 313},  // 15 / 2 truncates
        {-5, 4, 16, 65536 - 5},
        {123, 4, 16, 123},
        {ALIGN_CENTRE | 320, 0, 16, 320},
    };
    for (const XCase& c : xs) EXPECT_EQ(AlignCoordinateX(c.x, c.cells, c.size), c.want) << c.x;
    struct YCase { int32_t y, size, want; };
    const YCase ys[] = {
        {ALIGN_CENTRE | 100, 16, 92},
        {ALIGN_END | 100, 16, 84},
        {ALIGN_CENTRE | ALIGN_END | 100, 16, 76},
        {ALIGN_CENTRE | 100, 15, 93},
        {ALIGN_END | 4, 16, 65536 - 12},
        {0x40000 | 100, 16, 100},  // bits above the flags are dropped
    };
    for (const YCase& c : ys) EXPECT_EQ(AlignCoordinateY(c.y, c.size), c.want) << c.y;
}

// Window tests draw into a 640x480 window, where virtual and window pixels coincide.
class PrintDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlWindow();
        ResetTextureImages();
        ResetInputState();
        videoState.openGL = 1;
        WriteTestFont();
        LoadFont();
        SetupFrameState();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // Another texture bound: the printer must bind the font itself.
        glBindTexture(GL_TEXTURE_2D, textureTable.slots[3].glName);
    }
    // Character 65's cell lights only its top-left 8x8 quarter; of the cursor
    // picture, only cells 0 and 17 (top-left and bottom-right quarters) are lit.
    static void WriteTestFont() {
        std::string file(FONT_FILE_BYTES, '\0');
        for (int y = 0; y < 128; y++)
            for (int x = 0; x < 256; x++) {
                bool glyph = x >= 16 && x < 24 && y >= 64 && y < 72;
                bool cursor = (x < 16 && y < 16) || (x >= 16 && x < 32 && y >= 16 && y < 32);
                file[54 + size_t(127 - y) * 768 + size_t(x) * 3 + 2] = (glyph || cursor) ? char(255) : 0;
            }
        ASSERT_TRUE(WriteFileBytes("font.bmp", file));
    }
    void Grab() {
        glFinish();
        pixels.assign(640 * 480 * 4, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    // Channel ch of virtual-screen pixel (x, y); y runs down, GL rows up.
    int At(int x, int y, int ch = 0) const { return pixels[(size_t(479 - y) * 640 + x) * 4 + ch]; }
    // Every pixel of [x0,x1)x[y0,y1) inside the window is lit (red >= 128) or dark.
    void ExpectRegion(int x0, int y0, int x1, int y1, bool lit) const {
        for (int y = std::max(y0, 0); y < std::min(y1, 480); y++)
            for (int x = std::max(x0, 0); x < std::min(x1, 640); x++)
                ASSERT_EQ(At(x, y) >= 128, lit) << "pixel " << x << "," << y << " red " << At(x, y);
    }
    // A glyph of character 65 at (x, y), size s: its top-left quarter lit only.
    void ExpectGlyph(int x, int y, int s) const {
        ExpectRegion(x, y, x + s / 2, y + s / 2, true);
        ExpectRegion(x + s / 2, y, x + s, y + s, false);
        ExpectRegion(x, y + s / 2, x + s / 2, y + s, false);
    }
    TempWorkDir dir;
    std::vector<uint8_t> pixels;
};

TEST_F(PrintDrawTest, GlyphsLandOnTheirCellsAtTheMappedPixels) {
    PrintText("A", 100, 50, 16, 1.0f, 0.5f, 0.25f, 1.0f);
    PrintText("AA", 300, 200, 32, 1, 1, 1, 1);
    PrintText("A", 500, 400, 16, 1, 1, 1, 0.5f);
    Grab();
    ExpectGlyph(100, 50, 16);
    ExpectRegion(96, 46, 120, 50, false);
    ExpectRegion(96, 50, 100, 70, false);
    EXPECT_NEAR(At(103, 53, 0), 255, 2);
    EXPECT_NEAR(At(103, 53, 1), 128, 2);
    EXPECT_NEAR(At(103, 53, 2), 64, 2);
    ExpectGlyph(300, 200, 32);
    ExpectGlyph(332, 200, 32);
    ExpectRegion(364, 196, 372, 240, false);
    EXPECT_NEAR(At(503, 403), 128, 2) << "alpha 0.5 over black";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PrintDrawTest, AlignedLinesArePlacedByTheirExpandedLength) {
    // "/c" with 0 adds nothing: two characters, ending at x 200, centred on y 300.
    PrintText("A/cA", ALIGN_END | 200, ALIGN_CENTRE | 300, 16, 1, 1, 1, 1, 0);
    Grab();
    ExpectGlyph(168, 292, 16);
    ExpectGlyph(184, 292, 16);
    ExpectRegion(150, 280, 168, 320, false);
    ExpectRegion(200, 280, 220, 320, false);
    EXPECT_STREQ(printLine, "AA");
}

TEST_F(PrintDrawTest, NullAndOverlongFormatsDrawSafely) {
    std::string longText(5000, 'A');
    std::string format = std::string(999, 'A') + "/s";
    PrintText(format.c_str(), 0, 0, 16, 1, 1, 1, 1, longText.c_str());
    EXPECT_EQ(std::strlen(printLine), size_t(PRINT_BUFFER_SIZE - 1));
    Grab();
    ExpectGlyph(0, 0, 16);
    ExpectGlyph(624, 0, 16);
    glClear(GL_COLOR_BUFFER_BIT);
    PrintText(nullptr, 0, 0, 16, 1, 1, 1, 1);
    EXPECT_STREQ(printLine, "");
    Grab();
    ExpectRegion(0, 0, 640, 480, false);
}

TEST_F(PrintDrawTest, CursorIsCentredOnTheMouse) {
    inputState.mouse.x = 320;
    inputState.mouse.y = 240;
    DrawCursor(1, 1, 1, 1);
    inputState.mouse.x = 0;
    inputState.mouse.y = 0;
    DrawCursor(1, 1, 1, 1);
    Grab();
    ExpectRegion(304, 224, 320, 240, true);
    ExpectRegion(320, 240, 336, 256, true);
    ExpectRegion(320, 224, 336, 240, false);
    ExpectRegion(304, 240, 320, 256, false);
    ExpectRegion(298, 218, 342, 224, false);
    ExpectRegion(298, 256, 342, 262, false);
    // At (0,0) only the picture's bottom-right quarter is on screen.
    ExpectRegion(0, 0, 16, 16, true);
    ExpectRegion(16, 0, 40, 40, false);
    ExpectRegion(0, 16, 16, 40, false);
}

}  // namespace
