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

// Each row draws one widget and, by hand, what it must look like: the
// printer's own rendering of each cell in the colour the rules give it. The
// two frames must be identical.
TEST_F(DrawTest, WidgetsLookLikeThePrintedCellsTheyStandFor) {
    LoadTestFont(true);
    int32_t number = -5, big = 2147483647;
    uint32_t unsignedNumber = 4000000000u;
    float half = 0.5f;
    char text[] = "50%/c/s//";
    // The oracle: each cell printed alone, a label's at y in its state's
    // brightness or `highlight` in full; a field's background blocks on the
    // row below, then its value.
    auto cell = [](const char* format, int x, int y, float f, float a = 1.0f, int c = 0) {
        PrintText(format, x, y, 16, f, f, f, a, c);
    };
    auto label = [&](const char* text, int y, int state, int highlight) {
        for (int i = 0; text[i]; i++)
            cell("/c", 40 + 16 * i, y, i == highlight ? 1.0f : (state + 5) / 8.0f, 1.0f, text[i]);
    };
    auto field = [&](int cells, int y, int state, const char* shown) {
        for (int i = 0; i < cells; i++)
            cell("\177", 40 + 16 * i, y + 16, (state + 1) / 32.0f);
        cell(shown, 40, y + 16, (state + 5) / 8.0f);
    };
    // Each row: a label with its hotkey and state, the cell picked out in full
    // colour (-1 none), and for a field the value as the printer must show it.
    const struct {
        const char* text;
        int32_t hotkey, state, highlight, kind = 0;
        void* target = nullptr;
        const char* shown = nullptr;
    } rows[] = {
        {"Fullscreen", SDLK_f, STATE_NORMAL, 0},
        {"Fullscreen", SDLK_f, STATE_HOVER, 0},
        {"Sound", SDLK_s, STATE_LIT, 0},
        {"Fullscreen", SDLK_f, STATE_DISABLED, -1},
        {"Level", SDLK_l, STATE_NORMAL, 0},
        {"Mouse Unlocked", SDLK_u, STATE_NORMAL, 2},
        {"Exit", SDLK_RETURN, STATE_NORMAL, -1},
        {"Value:", 0, STATE_NORMAL, -1, BEHAVIOUR_INT_ENTRY, &number, "-5"},
        {"Unsigned:", 0, STATE_LIT, -1, BEHAVIOUR_UINT_ENTRY, &unsignedNumber, "4000000000"},
        {"Signed:", 0, STATE_LIT, -1, BEHAVIOUR_INT_ENTRY, &big, "2147483647"},
        {"Float:", 0, STATE_HOVER, -1, BEHAVIOUR_FLOAT_ENTRY, &half, "0.5"},
        {"A long label:", 0, STATE_LIT, -1, BEHAVIOUR_STRING_ENTRY, text, "50%//c//s////"}};
    for (const auto& r : rows) {
        widgetTable.count = 0, AddWidget(r.text, 40, 100, 16, 1, 1, 1),
        AttachBehaviour(BEHAVIOUR_HOTKEY, r.hotkey), AttachBehaviour(r.kind, r.target);
        widgetTable.widgets[0].state = r.state, DrawWidgets();
        const Frame drawn = TakeFrame();
        label(r.text, 100, r.state, r.highlight);
        if (r.kind)
            field(int(std::strlen(r.text)), 100, r.state, r.shown);
        EXPECT_TRUE(drawn.rgba == TakeFrame().rgba && drawn.Sum(0, 0, 640, 480) > 0)
            << r.text << " in state " << r.state;
    }
    // An edited field: the entry's text, half-transparent blocks on the
    // selected cells and the cursor, an underscore in insert mode or a block.
    const struct {
        int32_t anchor, cursor, overwrite;
    } edits[] = {{2, 5, 0}, {5, 2, 0}, {2, 5, 1}, {3, 3, 0}};
    for (const auto& e : edits) {
        widgetTable.count = 0, AddWidget("Edit me:", 40, 100, 16, 1, 1, 1),
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, &number);
        AddWidget("Idle:", 40, 200, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_INT_ENTRY, &number);
        widgetTable.widgets[0].state = STATE_LIT, widgetTable.widgets[0].activated = 1;
        std::strcpy(textEntry.buffer, "1/2/c"), textEntry.anchor = e.anchor,
                                                textEntry.cursor = e.cursor,
                                                textEntry.overwrite = e.overwrite;
        DrawWidgets();
        const Frame drawn = TakeFrame();
        label("Edit me:", 100, STATE_LIT, -1), field(8, 100, STATE_LIT, "1//2//c");
        for (int i = std::min(e.anchor, e.cursor); i < std::max(e.anchor, e.cursor); i++)
            cell("\177", 40 + 16 * i, 116, 1, 0.5f);
        cell(e.overwrite ? "\177" : "_", 40 + 16 * e.cursor, 116, 1, e.overwrite ? 0.5f : 1.0f);
        label("Idle:", 200, STATE_NORMAL, -1),
            field(5, 200, STATE_NORMAL, "-5");  // shows its target, not the entry
        EXPECT_TRUE(drawn.rgba == TakeFrame().rgba)
            << "anchor " << e.anchor << " cursor " << e.cursor << " overwrite " << e.overwrite;
    }
}

TEST_F(DrawTest, SliderRampsShadeFromBlackWithAGreyMarkerAtTheValue) {
    float values[3] = {0.25f, 0.0f, 1.1f};
    for (int i = 0; i < 3; i++)
        AddColourSlider(288, 32 + 64 * i, 256, 32, i == 0, i == 1, i == 2, &values[i]);
    DrawColourSliders();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    const Frame f = TakeFrame();
    EXPECT_TRUE(f.At(290, 48) < 8 && f.At(540, 48) > 240 && f.At(540, 48, 1) < 8 &&
                std::abs(f.At(480, 48) - 191) <= 4);
    EXPECT_TRUE(f.At(540, 112, 1) > 240 && f.At(540, 176, 2) > 240 && f.At(540, 176) < 8);
    for (auto [x, y] : {std::pair{352, 30},
                        {352, 48},
                        {352, 65},
                        {288, 100},
                        {569, 180}})  // 1.1 lies past the ramp
        EXPECT_NEAR(f.At(x, y), 128, 2) << "grey marker at " << x << "," << y;
    EXPECT_EQ(f.Sum(355, 20, 30, 10) + f.Sum(250, 20, 30, 10), 0)
        << "nothing outside ramps and markers";
}

}  // namespace
