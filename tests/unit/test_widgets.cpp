// The widget table frame by frame (registration, hover, clicks, hotkeys,
// actions), the key names and the colour sliders' drag rules, driven through
// the input records as the snapshots leave them.
#include "support/support.h"

namespace {

Widget& Slot(int i) {
    return widgetTable.widgets[i];
}
std::vector<int32_t> actionLog;
void LogCurrent() {
    actionLog.push_back(widgetTable.current);
}
void ActivateSlot3() {
    LogCurrent(), Slot(3).activated = 1;
}
void ActivateSlot0() {
    LogCurrent(), Slot(0).activated = 1;
}

struct WidgetTest : ::testing::Test {
    void SetUp() override {
        ResetRecords(), actionLog.clear();
    }
};

// Registration: alignment flags, labels cut to 63, a slot rewritten but its
// activation kept; unknown behaviours; an empty widget; a full table.
TEST_F(WidgetTest, RegistrationAlignsAndStaysInsideTheTable) {
    const std::string longText(100, 'w');
    const struct {
        const char* text;
        int32_t x, y, size, wantX, wantY;
    } rows[] = {
        {"Done", 320 | ALIGN_CENTRE, 4, 16, 288, 4},
        {"Sound", 600 | ALIGN_END, 100 | ALIGN_CENTRE, 16, 520, 92},
        {"Sound", 10, 100 | ALIGN_END, 16, 10, 84},
        {"Sound", 10, 100 | ALIGN_CENTRE, 15, 10, 93},
        {"0123456789", 40 | ALIGN_CENTRE, 0, 16, 65536 - 40, 0},
        {"x", -5, -1, 16, 65536 - 5, 65535},
        {"0123456789", 320 | ALIGN_CENTRE | ALIGN_END, 100 | ALIGN_CENTRE | ALIGN_END, 16, 80, 76},
        {longText.c_str(), 0 | ALIGN_END, 0, 2, 65536 - 63 * 2, 0}};
    int32_t i32 = 0;
    for (const auto& r : rows) {
        widgetTable.count = 0;
        AddWidget("Old", 1, 2, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_TOGGLE, &i32),
            AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_q);
        AttachBehaviour(BEHAVIOUR_REPEAT, 1), AttachBehaviour(BEHAVIOUR_STATE, STATE_DISABLED);
        Slot(0).activated = Slot(0).wasActivated = 1, widgetTable.count = 0,
        AddWidget(r.text, r.x, r.y, r.size, 0.5f, 1, 1);
        const Widget& w = Slot(0);
        const std::string want = std::string(r.text).substr(0, 63);
        EXPECT_TRUE(w.x == r.wantX && w.y == r.wantY && w.text == want &&
                    w.width == int32_t(want.size()) && !w.kind && !w.hotkey && !w.repeat &&
                    w.state == STATE_NORMAL && w.height == 1 && !w.target && !w.action &&
                    w.r == 0.5f && w.activated && w.wasActivated)
            << r.text;
    }
    Widget before = Slot(0);
    AttachBehaviour(11, 5), AttachBehaviour(0, &i32);
    EXPECT_EQ(std::memcmp(&before, &Slot(0), sizeof before), 0) << "unknown kinds change nothing";
    widgetTable.count = 0, Slot(0).repeat = Slot(0).activated = 1,
    AddEmptyWidget();  // keeps the slot's repeat and activation
    EXPECT_TRUE(Slot(0).state == STATE_DISABLED && !Slot(0).width && !Slot(0).height &&
                !Slot(0).text[0] && Slot(0).repeat && Slot(0).activated);
    for (int i = 1; i < WIDGET_SLOTS; i++)
        AddWidget("w", i, 0, 16, 1, 1, 1);
    Widget last = Slot(WIDGET_SLOTS - 1);
    AddWidget("overflow", 9, 9, 16, 0, 0, 0), AttachBehaviour(BEHAVIOUR_TOGGLE, &i32),
        AddEmptyWidget(), AttachBehaviour(BEHAVIOUR_STATE, STATE_DISABLED);
    EXPECT_TRUE(widgetTable.count == WIDGET_SLOTS &&
                !std::memcmp(&last, &Slot(WIDGET_SLOTS - 1), sizeof last))
        << "nothing lands past the table";
    Slot(200).activated = Slot(255).wasActivated = 1, ClearWidgetPresses();
    for (int i = 0; i < WIDGET_SLOTS; i++)
        EXPECT_FALSE(Slot(i).activated || Slot(i).wasActivated) << i;
    widgetTable.count = 0, AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_ESCAPE);
    EXPECT_EQ(Slot(0).hotkey, 0) << "no widget added yet this frame";
}

// A screen like the settings screen, updated frame by frame. Each row is one
// frame: its input, then the states of widgets 0..7 as digits, which of them
// are activated, and the targets.
int32_t width, sound, repeats, value, greyRuns;
void LayOut() {
    widgetTable.count = 0, AddWidget("Done", 4, 4, 16, 1, 1, 1),
    AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_ESCAPE);
    AddWidget("1. 640x480", 4, 128, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_RADIO, &width, 640),
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_1);
    AddWidget("2. 800x600", 4, 144, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_RADIO, &width, 800),
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_2);
    AddWidget("Sound", 4, 272, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_TOGGLE, (intptr_t)&sound),
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_s);
    AddWidget("Repeat", 200, 272, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_TOGGLE, &repeats),
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_r);
    AttachBehaviour(BEHAVIOUR_REPEAT, 1);
    AddWidget("Value:", 4, 400, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_INT_ENTRY, &value),
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_F3);
    AddWidget("Grey", 300, 4, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_g),
        AttachBehaviour(2, 0);  // the kind alone reads the value
    AttachBehaviour(BEHAVIOUR_ACTION, static_cast<WidgetAction>([] {
                        greyRuns++;
                    }));
    AddWidget("Hold", 400, 4, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_h),
        AttachBehaviour(BEHAVIOUR_REPEAT, 1);
}

TEST_F(WidgetTest, UpdateFrameByFrame) {
    width = 640, sound = 1, repeats = 0, value = 0, greyRuns = 0;
    const struct {
        const char* name;
        std::vector<int32_t> keys;
        int left, mx, my;
        const char *states, *activated;
        int width, sound, repeats, greyRuns;
    } frames[] = {
        {"idle: radio and toggle lit by their targets",
         {},
         0,
         600,
         470,
         "13131101",
         "00000000",
         640,
         1,
         0,
         0},
        {"hotkey 2: old and new choice lit",
         {SDLK_2},
         0,
         600,
         470,
         "13331101",
         "00000000",
         800,
         1,
         0,
         0},
        {"held: no second edge", {SDLK_2}, 0, 600, 470, "11331101", "00000000", 800, 1, 0, 0},
        {"two hotkeys in one frame",
         {SDLK_s, SDLK_1},
         0,
         600,
         470,
         "13331101",
         "00000000",
         640,
         0,
         0,
         0},
        {"repeat fires every frame", {SDLK_r}, 0, 600, 470, "13113101", "00000000", 640, 0, 1, 0},
        {"repeat again", {SDLK_r}, 0, 600, 470, "13113101", "00000000", 640, 0, 0, 0},
        {"hover: last pixel of the box", {}, 0, 83, 287, "13121101", "00000000", 640, 0, 0, 0},
        {"right edge is outside", {}, 0, 84, 280, "13111101", "00000000", 640, 0, 0, 0},
        {"bottom edge is outside", {}, 0, 10, 288, "13111101", "00000000", 640, 0, 0, 0},
        {"a field's box has two rows", {}, 0, 10, 431, "13111201", "00000000", 640, 0, 0, 0},
        {"click on the 800 label", {}, 1, 10, 150, "13311101", "00000000", 800, 0, 0, 0},
        {"held button moved onto Sound: no click",
         {},
         1,
         10,
         275,
         "11321101",
         "00000000",
         800,
         0,
         0,
         0},
        {"released", {}, 0, 10, 275, "11321101", "00000000", 800, 0, 0, 0},
        {"disabled: no hover, click or hotkey",
         {SDLK_g},
         1,
         310,
         10,
         "11311101",
         "00000000",
         800,
         0,
         0,
         0},
        {"F3 starts the edit", {SDLK_F3}, 0, 600, 470, "11311301", "00000100", 800, 0, 0, 0},
        {"an edit blocks hotkeys", {SDLK_s}, 0, 600, 470, "11311301", "00000100", 800, 0, 0, 0},
        {"Escape ends the edit only",
         {SDLK_ESCAPE},
         0,
         600,
         470,
         "11311301",
         "00000000",
         800,
         0,
         0,
         0},
        {"Escape still held", {SDLK_ESCAPE}, 0, 600, 470, "11311101", "00000000", 800, 0, 0, 0},
        {"Escape released", {}, 0, 600, 470, "11311101", "00000000", 800, 0, 0, 0},
        {"Escape again presses Done",
         {SDLK_ESCAPE},
         0,
         600,
         470,
         "31311101",
         "10000000",
         800,
         0,
         0,
         0},
        {"Done stays activated", {}, 0, 600, 470, "31311101", "10000000", 800, 0, 0, 0},
        {"a click inside Done keeps it", {}, 1, 10, 10, "31311101", "10000000", 800, 0, 0, 0},
        {"F3 again", {SDLK_F3}, 0, 600, 470, "31311301", "10000100", 800, 0, 0, 0},
        {"a click ends the edit and presses Sound",
         {},
         1,
         10,
         275,
         "11331101",
         "00000000",
         800,
         1,
         0,
         0},
        {"a repeat label is activated while held",
         {SDLK_h},
         0,
         600,
         470,
         "11331103",
         "00000001",
         800,
         1,
         0,
         0},
        {"and released when the key is up", {}, 0, 600, 470, "11331101", "00000000", 800, 1, 0, 0},
    };
    for (const auto& f : frames) {
        InputFrame(f.keys, f.left, f.mx, f.my), LayOut(), UpdateWidgets();
        std::string states, activated;
        for (int i = 0; i < 8; i++)
            states += char('0' + Slot(i).state), activated += char('0' + Slot(i).activated);
        EXPECT_EQ(states + " " + activated, std::string(f.states) + " " + f.activated) << f.name;
        EXPECT_TRUE(width == f.width && sound == f.sound && repeats == f.repeats &&
                    greyRuns == f.greyRuns)
            << f.name;
        EXPECT_EQ(widgetTable.captured, f.activated[5] == '1') << f.name;
    }
    Slot(6).activated = 1;  // an activation left in a disabled slot still runs its action
    InputFrame(), LayOut(), UpdateWidgets();
    EXPECT_EQ(greyRuns, 1);
}

TEST_F(WidgetTest, ActionsRunInSlotOrderAndHotkeysStayInsideTheKeyArrays) {
    auto layout = [] {
        widgetTable.count = 0;
        for (WidgetAction action : {LogCurrent, ActivateSlot3, ActivateSlot0, LogCurrent}) {
            AddWidget("a", 0, 20 * widgetTable.count, 16, 1, 1, 1),
                AttachBehaviour(BEHAVIOUR_ACTION, action);
            AttachBehaviour(BEHAVIOUR_HOTKEY,
                            widgetTable.count == 2   ? SDLK_b
                            : widgetTable.count == 3 ? SDLK_c
                                                     : 0);
        }
    };
    for (int frame = 0; frame < 2; frame++)
        InputFrame({SDLK_b, SDLK_c}), layout(), UpdateWidgets();
    EXPECT_EQ(actionLog, (std::vector<int32_t>{1, 2, 3, 0}))
        << "higher slots run in the same pass, lower ones next frame";
    widgetTable.count = 100000, UpdateWidgets();
    EXPECT_EQ(widgetTable.current, WIDGET_SLOTS)
        << "a count outside the table is never walked past";
    std::memset(inputState.keys, 1, sizeof inputState.keys),
        std::memset(inputState.previousKeys, 0, sizeof inputState.previousKeys);
    inputState.previousKeys[0] = 1;  // what a reader one past the current array would take as down
    for (int32_t code : {-1, KEY_COUNT, INT32_MAX, INT32_MIN, 0, KEY_COUNT - 1}) {
        widgetTable.count = 0, AddWidget("Key", 4, 4, 16, 1, 1, 1),
        AttachBehaviour(BEHAVIOUR_HOTKEY, code);
        Slot(0).activated = 0, UpdateWidgets();
        EXPECT_EQ(Slot(0).activated, code == KEY_COUNT - 1) << code;
    }
}

TEST_F(WidgetTest, KeyNamesAreTheFiftySixNamedKeys) {
    InitKeyNames();
    std::string named;
    for (int code = 0; code < KEY_COUNT; code++)
        if (KeyName(code)[0] && !(code >= SDLK_a && code <= SDLK_z) &&
            !(code >= SDLK_0 && code <= SDLK_9))
            named += std::to_string(code) + ":" + KeyName(code) + " ";
    EXPECT_EQ(named,
              "13:Enter 32:Space 44:Comma 46:Period 256:Ins 257:End 259:PgDn 261:Center 263:Home "
              "265:PgUp "
              "266:Del 269:Minus 270:Plus 273:Up 274:Down 275:Right 276:Left 304:Shift 306:Ctrl "
              "308:Alt ");
    for (int c = 0; c < 36; c++)
        EXPECT_EQ(std::string(KeyName(c < 26 ? SDLK_a + c : SDLK_0 + c - 26)),
                  std::string(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[c]));
    for (int32_t code : {-1, KEY_COUNT, INT32_MIN})
        EXPECT_STREQ(KeyName(code), "");
}

TEST_F(WidgetTest, SlidersFollowTheHeldButtonWithCtrlSnapAndShiftGrey) {
    float rgb[3];
    const float Q = 0.25f;  // each row starts from it
    for (int i = 0; i < 4; i++)
        AddColourSlider(288, 32 + 64 * i, 256, 32, i == 0, i == 1, i == 2, &rgb[i % 3]);
    EXPECT_EQ(colourSliderList.count, 3) << "the list holds three sliders";
    const struct {
        int left, mx, my, ctrl, shift;
        float r, g, b;
    } rows[] = {{1, 288, 40, 0, 0, 0, Q, Q},
                {1, 543, 63, 0, 0, 255 / 256.f, Q, Q},
                {1, 544, 40, 0, 0, Q, Q, Q},
                {1, 400, 31, 0, 0, Q, Q, Q},
                {1, 400, 64, 0, 0, Q, Q, Q},
                {0, 300, 40, 0, 0, Q, Q, Q},
                {1, 540, 40, 1, 0, 1, Q, Q},
                {1, 304, 40, 1, 0, 0.125f, Q, Q},
                {1, 303, 40, 1, 0, 0, Q, Q},
                {1, 416, 100, 0, 1, 0.5f, 0.5f, 0.5f},
                {1, 541, 170, 1, 1, 1, 1, 1},
                {1, 320, 191, 0, 0, Q, Q, 0.125f}};
    for (const auto& r : rows) {
        rgb[0] = rgb[1] = rgb[2] = Q, InputFrame({}, r.left, r.mx, r.my);
        inputState.keys[SDLK_LCTRL] = Uint8(r.ctrl), inputState.keys[SDLK_LSHIFT] = Uint8(r.shift),
        UpdateColourSliders();
        EXPECT_TRUE(rgb[0] == r.r && rgb[1] == r.g && rgb[2] == r.b)
            << r.mx << "," << r.my << " ctrl " << r.ctrl << " shift " << r.shift;
    }
}

}  // namespace
