// The widget table: registration, the update frame by frame (hover, clicks,
// hotkeys, actions) driven through the input records as the snapshots leave
// them, and the drawing as it lands in the frame buffer.
#include "support/support.h"

namespace {

Widget& Slot(int i) {
    return widgetTable.widgets[i];
}

// Labels aligned as the printer aligns text (whose own test has a row for
// each flag), their text cut to what a slot holds, each added over the slot
// of the one before; the first lands on an activated, disabled toggle with a
// hotkey and resets all of it but the activation.
TEST(Widget, RegistrationAlignsAndResetsAllButTheActivation) {
    ResetRecords();
    int32_t target = 0;
    AddWidget("Old", 1, 2, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, &target);
    AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_o);
    AttachBehaviour(BEHAVIOUR_STATE, STATE_DISABLED);
    Slot(0).activated = 1;
    const std::string longText(100, 'w');
    const std::tuple<const char*, int32_t, int32_t, int32_t, const char*> labels[] = {
        // text, x, y, size
        {"Done", 320 | ALIGN_CENTRE, 100 | ALIGN_CENTRE, 16, "288,92 4 wide"},
        {longText.c_str(), ALIGN_END, 0, 2, "65410,0 63 wide"},
    };
    for (const auto& [text, x, y, size, want] : labels) {
        widgetTable.count = 0;
        AddWidget(text, x, y, size, 0.5f, 1, 1);
        const Widget& w = Slot(0);
        const std::string at = std::to_string(w.x) + "," + std::to_string(w.y);
        EXPECT_EQ(at + " " + std::to_string(std::strlen(w.text)) + " wide", want) << text;
        EXPECT_EQ("kind " + std::to_string(w.kind) + " hotkey " + std::to_string(w.hotkey) +
                      " state " + std::to_string(w.state) + (w.target ? " target" : " -") +
                      (w.action ? " action " : " - ") + std::to_string(w.activated),
                  "kind 0 hotkey 0 state 1 - - 1")
            << text;
    }
}

// A screen like the settings screen.
int32_t width = 640;
int32_t sound = 1;
int32_t repeats = 0;
int32_t value = 0;
void LayOut() {
    const std::
        tuple<const char*, int32_t, int32_t, BehaviourValue, int32_t, int32_t, int32_t, int32_t>
            widgets[] = {
                // label, y, behaviour, its value and extra, hotkey, repeat, state
                {"Done", 4, 0, 0, 0, SDLK_ESCAPE, 0, STATE_NORMAL},
                {"1. 640x480", 128, BEHAVIOUR_RADIO, &width, 640, SDLK_1, 0, STATE_NORMAL},
                {"2. 800x600", 144, BEHAVIOUR_RADIO, &width, 800, SDLK_2, 0, STATE_NORMAL},
                {"Sound", 272, BEHAVIOUR_TOGGLE, &sound, 0, SDLK_s, 0, STATE_NORMAL},
                {"Repeat", 304, BEHAVIOUR_TOGGLE, &repeats, 0, SDLK_r, 1, STATE_NORMAL},
                {"Value:", 400, BEHAVIOUR_INT_ENTRY, &value, 0, SDLK_F3, 0, STATE_NORMAL},
                {"Grey", 40, 0, 0, 0, SDLK_g, 0, STATE_DISABLED},
                {"Hold", 60, 0, 0, 0, SDLK_h, 1, STATE_NORMAL},
            };
    widgetTable.count = 0;
    for (const auto& [label, y, kind, target, extra, hotkey, repeat, state] : widgets) {
        AddWidget(label, 4, y, 16, 1, 1, 1);
        AttachBehaviour(kind, target, extra);
        AttachBehaviour(BEHAVIOUR_HOTKEY, hotkey);
        AttachBehaviour(repeat ? BEHAVIOUR_REPEAT : 0, 0);
        AttachBehaviour(BEHAVIOUR_STATE, state);
    }
}

// Each row is one frame of the screen above: its keys and mouse ("" none,
// else the left button "up" or "down" at x,y), then the states of the eight
// widgets, which are activated, and width, sound and repeats.
TEST(Widget, UpdateFrameByFrame) {
    ResetRecords();
    const std::tuple<const char*, std::vector<int32_t>, const char*, const char*> frames[] = {
        {"idle: lit by the targets", {}, "", "13131101 00000000: 640 1 0"},
        {"hotkey 2: old and new choice lit", {SDLK_2}, "", "13331101 00000000: 800 1 0"},
        {"held: no second edge", {SDLK_2}, "", "11331101 00000000: 800 1 0"},
        {"two hotkeys in one frame", {SDLK_s, SDLK_1}, "", "13331101 00000000: 640 0 0"},
        {"repeat fires every frame", {SDLK_r}, "", "13113101 00000000: 640 0 1"},
        {"repeat again", {SDLK_r}, "", "13113101 00000000: 640 0 0"},
        {"hover: first pixel of the box", {}, "up 4,272", "13121101 00000000: 640 0 0"},
        {"hover: last pixel of the box", {}, "up 83,287", "13121101 00000000: 640 0 0"},
        {"the right edge is outside", {}, "up 84,280", "13111101 00000000: 640 0 0"},
        {"the bottom edge is outside", {}, "up 10,288", "13111101 00000000: 640 0 0"},
        {"a field's box has two rows", {}, "up 10,431", "13111201 00000000: 640 0 0"},
        {"click on the 800 label", {}, "down 10,150", "13311101 00000000: 800 0 0"},
        {"held onto Sound: no click", {}, "down 10,275", "11321101 00000000: 800 0 0"},
        {"disabled: no hover, click or key", {SDLK_g}, "down 10,45", "11311101 00000000: 800 0 0"},
        {"F3 starts the edit", {SDLK_F3}, "", "11311301 00000100: 800 0 0"},
        {"an edit blocks hotkeys", {SDLK_s}, "", "11311301 00000100: 800 0 0"},
        {"Escape ends the edit only", {SDLK_ESCAPE}, "", "11311301 00000000: 800 0 0"},
        {"Escape still held", {SDLK_ESCAPE}, "", "11311101 00000000: 800 0 0"},
        {"Escape let go", {}, "", "11311101 00000000: 800 0 0"},
        {"Escape again presses Done", {SDLK_ESCAPE}, "", "31311101 10000000: 800 0 0"},
        {"a click inside Done keeps it", {}, "down 10,10", "31311101 10000000: 800 0 0"},
        {"F3 again", {SDLK_F3}, "", "31311301 10000100: 800 0 0"},
        {"a click ends it, presses Sound", {}, "down 10,275", "11331101 00000000: 800 1 0"},
        {"a repeat label while held", {SDLK_h}, "", "11331103 00000001: 800 1 0"},
        {"and no longer", {}, "", "11331101 00000000: 800 1 0"},
    };
    for (const auto& [name, keys, mouse, want] : frames) {
        int32_t x = 600;
        int32_t y = 470;
        std::sscanf(mouse, "%*s %d,%d", &x, &y);
        InputFrame(keys, mouse[0] == 'd', x, y);
        LayOut();
        UpdateWidgets();
        std::string got;
        for (int i = 0; i < 16; i++)
            got += std::string(i == 8 ? " " : "") +
                   char('0' + (i < 8 ? Slot(i).state : Slot(i - 8).activated));
        EXPECT_EQ(got + ": " + std::to_string(width) + " " + std::to_string(sound) + " " +
                      std::to_string(repeats),
                  want)
            << name;
    }
}

// Hotkeys outside the key arrays never read as down, nor does code 0 (no
// hotkey), with every key down and nothing down before; clearing the presses
// clears what the one inside left.
TEST(Widget, HotkeysStayInsideTheKeyArrays) {
    ResetRecords();
    std::memset(inputState.keys, 1, sizeof inputState.keys);
    std::memset(inputState.previousKeys, 0, sizeof inputState.previousKeys);
    inputState.previousKeys[0] = 1;  // what a reader one past `keys` would take as down
    widgetTable.count = 0;
    for (int32_t code : {-1, KEY_COUNT, INT32_MAX, INT32_MIN, 0, KEY_COUNT - 1}) {
        AddWidget("Key", 4, 4, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, code);
    }
    UpdateWidgets();
    std::string activated;
    for (int i = 0; i < 6; i++)
        activated += std::to_string(Slot(i).activated);
    EXPECT_EQ(activated, "000001") << "codes -1, 323, INT32_MAX, INT32_MIN, 0, 322";
    ClearWidgetPresses();
    EXPECT_EQ(std::to_string(Slot(5).activated) + std::to_string(Slot(5).wasActivated), "00");
}

// The red level, in 32nds, at (dx, dy) inside each of `cells` 16-pixel cells
// from (x, y), as runs: "32 24x9".
std::string Levels(const Frame& frame, int x, int y, int cells, int dx, int dy) {
    std::string s;
    for (int i = 0; i < cells;) {
        const int level = (frame.At(x + 16 * i + dx, y + dy) * 32 + 127) / 255;
        int n = 1;
        while (i + n < cells && (frame.At(x + 16 * (i + n) + dx, y + dy) * 32 + 127) / 255 == level)
            n++;
        s +=
            (s.empty() ? "" : " ") + std::to_string(level) + (n > 1 ? "x" + std::to_string(n) : "");
        i += n;
    }
    return s;
}

// A font whose every printable glyph lights its top-left quarter, "_" its
// bottom half and character 127 its whole cell. Each white widget at (40, 100)
// is read back at the top-left quarter of its label's cells, then of its
// field's cells and two more. Text is drawn at (state + 5) / 8 (32 is full),
// a field's blocks at (state + 1) / 32, the hotkey's letter in full.
TEST(Widget, DrawsLabelsFieldsAndTheEditedField) {
    EnsureGlWindow();
    ResetRecords();
    TempWorkDir dir;
    std::string font(FONT_FILE_BYTES, '\0');
    for (int c = 33; c < 128; c++)
        for (int p = 0; p < 256; p++)  // the glyph's pixel p % 16, p / 16
            font[54 + size_t(127 - c / 16 * 16 - p / 16) * 768 + size_t(c % 16 * 16 + p % 16) * 3 +
                 2] = c == 127 || (c == '_' ? p >= 128 : p % 16 < 8 && p < 128) ? char(255) : 0;
    ASSERT_TRUE(WriteFileBytes("font.bmp", font));
    LoadFont();
    InitKeyNames();
    TakeFrame();
    int32_t number = -5;
    uint32_t large = 3000000000u;
    float half = 0.5f;
    char text[] = "50%/c/s//";
    const std::tuple<const char*, int32_t, int32_t, int32_t, void*, const char*> rows[] = {
        // label, hotkey, state, field
        {"Fullscreen", SDLK_f, STATE_NORMAL, 0, nullptr, "32 24x9"},
        {"Fullscreen", SDLK_f, STATE_DISABLED, 0, nullptr, "20x10"},
        {"Mouse Unlocked", SDLK_u, STATE_NORMAL, 0, nullptr, "24x2 32 24x2 0 24x8"},
        {"1. 640x480", SDLK_1, STATE_NORMAL, 0, nullptr, "32 24 0 24x7"},
        {"Exit", SDLK_RETURN, STATE_NORMAL, 0, nullptr, "24x4"},
        {"Value:", 0, STATE_NORMAL, BEHAVIOUR_INT_ENTRY, &number, "24x6 | 24x2 2x4 0x2"},
        {"Unsigned:", 0, STATE_LIT, BEHAVIOUR_UINT_ENTRY, &large, "32x9 | 32x10 0"},
        {"Float:", 0, STATE_HOVER, BEHAVIOUR_FLOAT_ENTRY, &half, "28x6 | 28x3 3x3 0x2"},
        {"Name....:", 0, STATE_DISABLED, BEHAVIOUR_STRING_ENTRY, text, "20x9 | 20x9 0x2"},
    };
    for (const auto& [label, hotkey, state, kind, target, want] : rows) {
        widgetTable.count = 0;
        AddWidget(label, 40, 100, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, hotkey);
        AttachBehaviour(kind, target);
        Slot(0).state = state;
        DrawWidgets();
        const Frame f = TakeFrame();
        const int n = int(std::strlen(label));
        EXPECT_EQ(
            Levels(f, 40, 100, n, 4, 4) + (kind ? " | " + Levels(f, 40, 116, n + 2, 4, 4) : ""),
            want)
            << label << " in state " << state;
    }
    // Being edited, "1/2/c", read at both quarters: the text, half-transparent
    // blocks over the selected cells, the cursor an underscore (insert) or a
    // block (overwrite); below, an idle field in (0.5, 1, 1) shows its target.
    widgetTable.count = 0;
    AddWidget("Edit me:", 40, 100, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, &number);
    AddWidget("Idle:", 40, 200, 16, 0.5f, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, &number);
    Slot(0).state = STATE_LIT;
    Slot(0).activated = 1;
    std::strcpy(textEntry.buffer, "1/2/c");
    const std::tuple<int32_t, int32_t, int32_t, const char*> edits[] = {
        // anchor, cursor, overwrite
        {2, 5, 0, "32x5 4x3 0x2 / 4x2 18x3 32 4x2 0x2 | 12x2 1x3 0x2"},
        {5, 2, 1, "32x5 4x3 0x2 / 4x2 25 18x2 4x3 0x2 | 12x2 1x3 0x2"},
    };
    for (const auto& [anchor, cursor, overwrite, want] : edits) {
        textEntry.anchor = anchor;
        textEntry.cursor = cursor;
        textEntry.overwrite = overwrite;
        DrawWidgets();
        const Frame f = TakeFrame();
        EXPECT_EQ(Levels(f, 40, 116, 10, 4, 4) + " / " + Levels(f, 40, 116, 10, 12, 12) + " | " +
                      Levels(f, 40, 216, 7, 4, 4),
                  want)
            << "anchor " << anchor << ", cursor " << cursor << ", overwrite " << overwrite;
    }
}

}  // namespace
