// Widget drawing as it lands in the real frame buffer: the project's font
// under the frame's GL state, read back with glReadPixels. Brightness is
// measured against the printer's own rendering of the same text in full
// colour, so the checks do not depend on the shapes of the glyphs.
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/video.h"
#include "render/text.h"
#include "render/texture.h"
#include "support/gl_context.h"
#include "ui/keynames.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

namespace {

constexpr int W = 640, H = 480;
constexpr int32_t X0 = 40, Y0 = 100;

// One read-back frame, RGBA, addressed in virtual-screen coordinates (the
// window is 640x480, so one virtual pixel is one window pixel).
struct Picture {
    std::vector<uint8_t> rgba;
    int At(int x, int y, int channel) const {
        return rgba[(size_t(H - 1 - y) * W + x) * 4 + channel];
    }
    // Calls f with one channel's value at every pixel of cell `cell` of a row
    // of `size` cells at (x, y), `inset` pixels in from each edge.
    template <class F>
    void ForCell(int32_t x, int32_t y, int32_t size, int cell, int inset, int channel, F f) const {
        for (int py = y + inset; py < y + size - inset; py++)
            for (int px = x + cell * size + inset; px < x + (cell + 1) * size - inset; px++) f(At(px, py, channel));
    }
    long CellSum(int32_t x, int32_t y, int32_t size, int cell, int channel) const {
        long sum = 0;
        ForCell(x, y, size, cell, 0, channel, [&](int v) { sum += v; });
        return sum;
    }
    int CellMax(int32_t x, int32_t y, int32_t size, int cell, int channel) const {
        int best = 0;
        ForCell(x, y, size, cell, 0, channel, [&](int v) { best = std::max(best, v); });
        return best;
    }
    // Range of a channel in a cell's interior, clear of the filter's soft rim.
    void InteriorRange(int32_t x, int32_t y, int32_t size, int cell, int channel, int& lo, int& hi) const {
        lo = 255, hi = 0;
        ForCell(x, y, size, cell, 2, channel, [&](int v) { lo = std::min(lo, v), hi = std::max(hi, v); });
    }
};

class WidgetDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlWindow();
        std::string font = ReadFileBytes(std::string(QUILLON_SOURCE_DIR) + "/assets/font.bmp");
        ASSERT_EQ(font.size(), size_t(FONT_FILE_BYTES)) << "the project's font asset";
        ASSERT_TRUE(WriteFileBytes("font.bmp", font));
        LoadFont();
        InitKeyNames();
        ResetWidgetTable();
        ResetTextEntry();
        ResetInputState();
        StartFrame();
    }
    static void StartFrame() {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        SetupFrameState();
    }
    static Picture Capture() {
        Picture p;
        p.rgba.resize(size_t(W) * H * 4);
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
        StartFrame();
        return p;
    }
    static Widget& Slot(int i) { return widgetTable.widgets[i]; }

    TempWorkDir dir;
};

// ---------------------------------------------------------------- labels

struct LabelCase {
    const char* text;
    int32_t hotkey;
    int32_t state;
    float r, g, b;
    int highlighted;   // index of the cell drawn in full colour, -1 none
};

TEST_F(WidgetDrawTest, LabelCellsInTheStateBrightnessWithTheHotkeyLetterInFull) {
    const int32_t size = 32;
    const LabelCase cases[] = {
        {"Fullscreen", SDLK_f, STATE_NORMAL, 1, 1, 1, 0},
        {"Fullscreen", SDLK_f, STATE_HOVER, 1, 1, 1, 0},
        {"Fullscreen", SDLK_f, STATE_LIT, 1, 1, 1, 0},
        {"Fullscreen", SDLK_f, STATE_DISABLED, 1, 1, 1, -1},
        {"Level", SDLK_l, STATE_NORMAL, 1, 1, 1, 0},          // only the first L
        {"sound", SDLK_s, STATE_NORMAL, 1, 1, 1, 0},          // lower case in the label
        {"Mouse Unlocked", SDLK_u, STATE_NORMAL, 1, 1, 1, 2},
        {"1. 640x480", SDLK_1, STATE_NORMAL, 1, 1, 1, 0},
        {"Done", SDLK_ESCAPE, STATE_NORMAL, 1, 1, 1, -1},     // no name, no highlight
        {"Exit", SDLK_RETURN, STATE_NORMAL, 1, 1, 1, -1},     // "Enter" is no letter
        {"Orange", SDLK_o, STATE_HOVER, 1, 0.5f, 0, 0},
        {"Nothing", 0, STATE_NORMAL, 1, 1, 1, -1},
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " state " + std::to_string(c.state));
        int cells = int(std::strlen(c.text));
        PrintText(c.text, X0, Y0, size, c.r, c.g, c.b, 1.0f);
        Picture reference = Capture();

        widgetTable.count = 0;
        AddWidget(c.text, X0, Y0, size, c.r, c.g, c.b);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(c.hotkey));
        Slot(0).state = c.state;
        DrawWidgets();
        Picture drawn = Capture();

        float stateFactor = float(c.state + 5) / 8.0f;
        for (int cell = 0; cell < cells; cell++) {
            float want = cell == c.highlighted ? 1.0f : stateFactor;
            for (int ch = 0; ch < 3; ch++) {
                long ref = reference.CellSum(X0, Y0, size, cell, ch);
                long got = drawn.CellSum(X0, Y0, size, cell, ch);
                if (ref == 0) {
                    EXPECT_EQ(got, 0) << "cell " << cell << " channel " << ch;
                    continue;
                }
                EXPECT_NEAR(double(got) / double(ref), want, 0.02) << "cell " << cell << " channel " << ch;
            }
        }
        EXPECT_EQ(drawn.CellSum(X0, Y0, size, cells, 0), 0) << "nothing past the label";
        EXPECT_EQ(drawn.CellSum(X0, Y0 + size, size, 0, 0), 0) << "nothing under a plain label";
    }
}

TEST_F(WidgetDrawTest, OnlyWidgetsBelowCountAreDrawnAndLaterOnesLieOverEarlier) {
    widgetTable.count = 0;
    AddWidget("\177", X0, Y0, 16, 1, 1, 1);
    AddWidget("\177", X0, Y0, 16, 0, 0, 1);   // same cell, drawn second
    AddWidget("\177", X0 + 100, Y0, 16, 1, 1, 1);
    widgetTable.count = 2;
    DrawWidgets();
    Picture p = Capture();
    int lo, hi;
    p.InteriorRange(X0, Y0, 16, 0, 2, lo, hi);
    EXPECT_NEAR(lo, 191, 1);   // blue block at 0.75 over the white one
    p.InteriorRange(X0, Y0, 16, 0, 0, lo, hi);
    EXPECT_EQ(hi, 0) << "the second widget covers the first";
    EXPECT_EQ(p.CellSum(X0 + 100, Y0, 16, 0, 0), 0) << "slot 2 is beyond count";
}

// ---------------------------------------------------------------- fields

TEST_F(WidgetDrawTest, IdleFieldShowsBackgroundBlocksAndTheTargetsValue) {
    const int32_t size = 16;
    int32_t number = -5;
    widgetTable.count = 0;
    AddWidget("Value:", X0, Y0, size, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&number));
    DrawWidgets();
    Picture drawn = Capture();

    int lo, hi;
    for (int cell = 2; cell < 6; cell++) {   // past the value's two cells
        drawn.InteriorRange(X0, Y0 + size, size, cell, 0, lo, hi);
        EXPECT_NEAR(lo, 16, 1) << "background at 1/16 in state 1, cell " << cell;
        EXPECT_NEAR(hi, 16, 1) << cell;
    }
    EXPECT_EQ(drawn.CellSum(X0, Y0 + size, size, 6, 0), 0) << "six blocks, no more";

    // The value's cells: "-5" in 0.75 over the same background.
    for (int c = 0; c < 6; c++) PrintText("\177", X0 + c * size, Y0 + size, size, 0.0625f, 0.0625f, 0.0625f, 1);
    PrintText("-5", X0, Y0 + size, size, 0.75f, 0.75f, 0.75f, 1);
    Picture reference = Capture();
    for (int cell = 0; cell < 2; cell++)
        EXPECT_EQ(drawn.CellSum(X0, Y0 + size, size, cell, 1), reference.CellSum(X0, Y0 + size, size, cell, 1))
            << cell;
}

struct ValueCase {
    int32_t kind;
    void* target;
    const char* shown;   // the text as the printer must show it, slashes escaped
};

TEST_F(WidgetDrawTest, IdleValuesOfEveryTypeAreDrawnLiterally) {
    const int32_t size = 16;
    int32_t i32 = 2147483647;
    uint32_t u32 = 4000000000u;
    float half = 0.5f;
    char text[] = "50%/c/s//";
    const ValueCase cases[] = {{BEHAVIOUR_INT_ENTRY, &i32, "2147483647"},
                               {BEHAVIOUR_UINT_ENTRY, &u32, "4000000000"},
                               {BEHAVIOUR_FLOAT_ENTRY, &half, "0.5"},
                               {BEHAVIOUR_STRING_ENTRY, text, "50%//c//s////"}};
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.shown);
        widgetTable.count = 0;
        AddWidget("A long label:", X0, Y0, size, 1, 1, 1);
        AttachBehaviour(c.kind, c.target);
        Slot(0).state = STATE_LIT;   // value in full colour: compare with the printer directly
        DrawWidgets();
        Picture drawn = Capture();
        for (int k = 0; k < 13; k++) PrintText("\177", X0 + k * size, Y0 + size, size, 0.125f, 0.125f, 0.125f, 1);
        PrintText(c.shown, X0, Y0 + size, size, 1, 1, 1, 1);
        Picture reference = Capture();
        for (int cell = 0; cell < 13; cell++)
            EXPECT_EQ(drawn.CellSum(X0, Y0 + size, size, cell, 0),
                      reference.CellSum(X0, Y0 + size, size, cell, 0))
                << "cell " << cell;
    }
}

struct EditCase {
    int32_t anchor, cursor, overwrite;
    int selectedFrom, selectedTo;   // cells drawn as half-transparent blocks
    int underscoreCell;             // -1 in overwrite mode
};

TEST_F(WidgetDrawTest, EditedFieldShowsSelectionAndCursorByMode) {
    const int32_t size = 16;
    int32_t number = 0;
    const EditCase cases[] = {
        {2, 5, 0, 2, 5, 5},    // blocks on 2..4, underscore on 5
        {5, 2, 0, 2, 5, 2},    // same selection from the other end
        {2, 5, 1, 2, 6, -1},   // overwrite: the cursor cell is a block too
        {3, 3, 0, 3, 3, 3},    // no selection
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE("anchor " + std::to_string(c.anchor) + " cursor " + std::to_string(c.cursor) +
                     " overwrite " + std::to_string(c.overwrite));
        widgetTable.count = 0;
        AddWidget("Edit me:", X0, Y0, size, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&number));
        Slot(0).state = STATE_LIT;
        Slot(0).activated = 1;
        std::strcpy(textEntry.buffer, "       ");   // blank text: cells show only blocks
        textEntry.anchor = c.anchor;
        textEntry.cursor = c.cursor;
        textEntry.overwrite = c.overwrite;
        DrawWidgets();
        Picture p = Capture();

        int bgLo, bgHi;
        p.InteriorRange(X0, Y0 + size, size, 7, 0, bgLo, bgHi);
        EXPECT_NEAR(bgLo, 32, 1) << "background at 1/8 while lit";
        double half = 0.5 * 255 + 0.5 * bgLo;
        for (int cell = 0; cell < 8; cell++) {
            int lo, hi;
            p.InteriorRange(X0, Y0 + size, size, cell, 0, lo, hi);
            bool selected = cell >= c.selectedFrom && cell < c.selectedTo;
            double base = selected ? half : double(bgLo);
            if (cell == c.underscoreCell) {
                // The printer's own underscore at alpha 1 over the same cell.
                int32_t cx = X0 + cell * size, cy = Y0 + size;
                PrintText("\177", cx, cy, size, 0.125f, 0.125f, 0.125f, 1);
                if (selected) PrintText("\177", cx, cy, size, 1, 1, 1, 0.5f);
                PrintText("_", cx, cy, size, 1, 1, 1, 1);
                Picture underscore = Capture();
                EXPECT_EQ(p.CellSum(X0, cy, size, cell, 0), underscore.CellSum(X0, cy, size, cell, 0))
                    << "the underscore at full alpha in cell " << cell;
                EXPECT_GT(p.CellMax(X0, cy, size, cell, 0), base + 40) << cell;
            } else {
                EXPECT_NEAR(lo, base, 2) << (selected ? "half block" : "background") << " in cell " << cell;
                EXPECT_NEAR(hi, base, 2) << cell;
            }
        }
    }
}

TEST_F(WidgetDrawTest, OnlyTheEditedFieldShowsTheEntryAndItsTextIsLiteral) {
    const int32_t size = 16;
    int32_t edited = 999, idle = 77;
    widgetTable.count = 0;
    AddWidget("First:", X0, Y0, size, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&edited));
    AddWidget("Second", X0, Y0 + 64, size, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&idle));
    for (int i = 0; i < 2; i++) Slot(i).state = STATE_LIT;
    Slot(0).activated = 1;
    std::strcpy(textEntry.buffer, "1/2/c");
    textEntry.anchor = textEntry.cursor = 5;
    DrawWidgets();
    Picture drawn = Capture();

    for (int k = 0; k < 6; k++) {
        PrintText("\177", X0 + k * size, Y0 + size, size, 0.125f, 0.125f, 0.125f, 1);
        PrintText("\177", X0 + k * size, Y0 + 64 + size, size, 0.125f, 0.125f, 0.125f, 1);
    }
    PrintText("1//2//c", X0, Y0 + size, size, 1, 1, 1, 1);
    PrintText("_", X0 + 5 * size, Y0 + size, size, 1, 1, 1, 1);
    PrintText("77", X0, Y0 + 64 + size, size, 1, 1, 1, 1);
    Picture reference = Capture();
    for (int cell = 0; cell < 6; cell++) {
        EXPECT_EQ(drawn.CellSum(X0, Y0 + size, size, cell, 0), reference.CellSum(X0, Y0 + size, size, cell, 0))
            << "edited field, cell " << cell;
        EXPECT_EQ(drawn.CellSum(X0, Y0 + 64 + size, size, cell, 0),
                  reference.CellSum(X0, Y0 + 64 + size, size, cell, 0))
            << "idle field, cell " << cell;
    }
}

TEST_F(WidgetDrawTest, AWrappedLabelNeverReachesThePrinterAsAnAlignedLine) {
    // Centred on x 40, ten cells of 16 start at 65536 - 40: the first three
    // cells lie left of the screen, the rest from x 8 on.
    widgetTable.count = 0;
    AddWidget("\177\177\177\177\177\177\177\177\177\177", 40 | ALIGN_CENTRE, Y0, 16, 1, 1, 1);
    ASSERT_EQ(Slot(0).x, 65536 - 40);
    DrawWidgets();
    Picture p = Capture();
    int lo, hi;
    p.InteriorRange(8, Y0, 16, 0, 0, lo, hi);
    EXPECT_NEAR(lo, 191, 1) << "cell 3 lands at x 8";
    p.InteriorRange(8 + 6 * 16, Y0, 16, 0, 0, lo, hi);
    EXPECT_NEAR(lo, 191, 1) << "cell 9 lands at x 104";
    EXPECT_EQ(p.CellSum(0, Y0, 8, 0, 0) + p.CellSum(120, Y0, 16, 0, 0), 0);
}

}  // namespace
