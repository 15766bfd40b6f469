// The widget table: registration, behaviours and the frame-by-frame update,
// driven through the input records as the snapshots leave them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/input.h"
#include "render/text.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

namespace {

std::vector<int32_t> actionLog;
void LogCurrent() { actionLog.push_back(widgetTable.current); }
void ActivateSlot3() { LogCurrent(), widgetTable.widgets[3].activated = 1; }
void ActivateSlot0() { LogCurrent(), widgetTable.widgets[0].activated = 1; }

Widget& Slot(int i) { return widgetTable.widgets[i]; }
void Add(const char* text, int32_t x, int32_t y) { AddWidget(text, x, y, 16, 1, 1, 1); }

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWidgetTable();
        ResetInputState();
        ResetTextEntry();
        actionLog.clear();
    }
    // One frame: the previous input is kept as a snapshot keeps it, `keys` are
    // the keys down now, then the layout is registered and updated.
    void Step(std::initializer_list<int32_t> keys = {}, bool left = false, int32_t mx = 600,
              int32_t my = 470) {
        std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
        inputState.previousMouse = inputState.mouse;
        std::memset(inputState.keys, 0, sizeof inputState.keys);
        for (int32_t k : keys) inputState.keys[k] = 1;
        inputState.mouse.x = mx;
        inputState.mouse.y = my;
        inputState.mouse.leftDown = left;
        widgetTable.count = 0;
        layout();
        UpdateWidgets();
    }
    std::function<void()> layout = [] {};
};

// ---------------------------------------------------------------- registration

TEST_F(WidgetTest, AlignmentFlagsAreAppliedInOrderAndCutTo16Bits) {
    const std::string longText(100, 'w');
    struct {
        const char* text;
        int32_t x, y, size, wantX, wantY;
    } cases[] = {
        {"Done", 320 | ALIGN_CENTRE, 4, 16, 288, 4},
        {"Sound", 600 | ALIGN_END, 100 | ALIGN_CENTRE, 16, 520, 92},
        {"Sound", 10, 100 | ALIGN_END, 16, 10, 84},
        {"Sound", 10, 100 | ALIGN_CENTRE, 15, 10, 93},
        {"0123456789", 40 | ALIGN_CENTRE, 0, 16, 65536 - 40, 0},
        {"0123456789", 320 | ALIGN_CENTRE | ALIGN_END, 100 | ALIGN_CENTRE | ALIGN_END, 16, 80, 76},
        {"abc", 7 | ALIGN_CENTRE, 0, 5, 0, 0},
        {"x", -5, -1, 16, 65536 - 5, 65535},   // sign bits are no flags
        {longText.c_str(), 0 | ALIGN_END, 0, 2, 65536 - 63 * 2, 0},   // cut to 63, aligned by that
    };
    for (const auto& c : cases) {
        widgetTable.count = 0;
        AddWidget(c.text, c.x, c.y, c.size, 1, 1, 1);
        std::string want = std::string(c.text).substr(0, 63);
        EXPECT_EQ(Slot(0).x, c.wantX) << c.text << " x " << c.x;
        EXPECT_EQ(Slot(0).y, c.wantY) << c.text << " y " << c.y;
        EXPECT_EQ(Slot(0).text, want);
        EXPECT_EQ(Slot(0).width, int32_t(want.size()));
    }
    AddWidget(nullptr, 5, 5, 16, 1, 1, 1);
    EXPECT_EQ(Slot(1).width, 0);
}

TEST_F(WidgetTest, AddRewritesTheSlotButKeepsItsActivationUntilCleared) {
    int32_t flag = 0;
    Add("Old label", 1, 2);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&flag));
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_q));
    AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
    AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    Slot(0).activated = Slot(0).wasActivated = 1;
    widgetTable.count = 0;
    Add("New", 30, 40);
    const Widget& w = Slot(0);
    EXPECT_STREQ(w.text, "New");
    EXPECT_EQ(w.kind | w.hotkey | w.repeat | w.radioValue, 0);
    EXPECT_EQ(w.state, STATE_NORMAL);
    EXPECT_EQ(w.height, 1);
    EXPECT_TRUE(w.target == nullptr && w.action == nullptr);
    EXPECT_TRUE(w.activated && w.wasActivated);

    Slot(200).activated = Slot(255).wasActivated = 1;   // beyond count: cleared too
    ClearWidgetPresses();
    for (int i = 0; i < WIDGET_SLOTS; i++) EXPECT_FALSE(Slot(i).activated || Slot(i).wasActivated) << i;
}

TEST_F(WidgetTest, EachBehaviourKindChangesOnlyItsFields) {
    int32_t i32 = 0;
    uint32_t u32 = 0;
    float f = 0;
    char s[16] = "";
    struct {
        int32_t kind;
        void* target;
        int32_t editType;
    } entries[] = {{BEHAVIOUR_INT_ENTRY, &i32, EDIT_INT}, {BEHAVIOUR_UINT_ENTRY, &u32, EDIT_UINT},
                   {BEHAVIOUR_FLOAT_ENTRY, &f, EDIT_FLOAT}, {BEHAVIOUR_STRING_ENTRY, s, EDIT_STRING}};
    for (const auto& e : entries) {
        widgetTable.count = 0;
        Add("Field", 0, 0);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F2));
        AttachBehaviour(e.kind, e.target);
        const Widget& w = Slot(0);
        EXPECT_TRUE(w.kind == WIDGET_TEXT_ENTRY && w.editType == e.editType && w.target == e.target) << e.kind;
        EXPECT_TRUE(w.action == &EditFieldAction && w.height == 2 && w.width == 5) << e.kind;
        EXPECT_EQ(w.hotkey, SDLK_F2) << "behaviours combine";
    }
    widgetTable.count = 0;
    Add("Radio", 0, 0);
    AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&i32), 800);
    EXPECT_TRUE(Slot(0).kind == WIDGET_RADIO && Slot(0).radioValue == 800 && Slot(0).action == &RadioAction);
    EXPECT_EQ(Slot(0).height, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&i32));
    EXPECT_TRUE(Slot(0).kind == WIDGET_TOGGLE && Slot(0).action == &ToggleAction && Slot(0).radioValue == 800);
    AttachBehaviour(BEHAVIOUR_ACTION, &LogCurrent);
    EXPECT_TRUE(Slot(0).action == &LogCurrent && Slot(0).kind == WIDGET_TOGGLE);

    // Unknown kinds change nothing.
    Widget before = Slot(0);
    AttachBehaviour(11, intptr_t(5));
    AttachBehaviour(0, static_cast<void*>(&i32));
    EXPECT_EQ(std::memcmp(&before, &Slot(0), sizeof before), 0);
}

// The value's form never decides the behaviour, the kind does: an address
// passed as an integer still toggles, and a state given as a literal 0 applies.
TEST_F(WidgetTest, TheKindAloneDecidesHowTheValueIsRead) {
    int32_t flag = 0;
    layout = [&] {
        Add("Flag", 4, 4);
        AttachBehaviour(BEHAVIOUR_TOGGLE, (intptr_t)&flag);
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_f);
        Add("Off", 4, 40);
        AttachBehaviour(2, 0);
    };
    Step({SDLK_f});
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Slot(1).state, STATE_DISABLED);
}

TEST_F(WidgetTest, ToggleRadioAndEmptyWidgets) {
    int32_t width = 640, a = 1, b = 2;
    Add("800", 0, 0);
    AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&width), 800);
    Add("a", 0, 0);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&a));
    Add("b", 0, 0);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&b));
    AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
    widgetTable.current = 0, RadioAction();
    widgetTable.current = 1, ToggleAction();
    widgetTable.current = 2, ToggleAction();
    EXPECT_EQ(width, 800);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 3);

    widgetTable.count = 2;
    Slot(2).activated = 1;
    AddEmptyWidget();
    const Widget& w = Slot(2);
    EXPECT_TRUE(w.state == STATE_DISABLED && w.width == 0 && w.height == 0 && !w.text[0] && !w.action);
    EXPECT_TRUE(w.repeat && w.activated) << "repeat and activation stay with the slot";
}

TEST_F(WidgetTest, AttachWithoutALastWidgetAndAddsPastTheTableAreIgnored) {
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
    EXPECT_EQ(Slot(0).hotkey, 0) << "count 0";
    for (int i = 0; i < WIDGET_SLOTS; i++) Add("w", i, 0);
    Widget last = Slot(WIDGET_SLOTS - 1);
    int32_t flag = 0;
    AddWidget("overflow", 9, 9, 16, 0, 0, 0);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_z));
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&flag));
    AddEmptyWidget();
    AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    EXPECT_EQ(widgetTable.count, WIDGET_SLOTS);
    EXPECT_EQ(std::memcmp(&last, &Slot(WIDGET_SLOTS - 1), sizeof last), 0) << "the last real widget";
    EXPECT_EQ(widgetTable.current, 0) << "nothing written past the slots";
    widgetTable.count = 0;   // the next frame registers normally again
    Add("again", 0, 0);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_a));
    EXPECT_EQ(Slot(0).hotkey, SDLK_a);
}

// ---------------------------------------------------------------- update

TEST_F(WidgetTest, HeldHotkeyFiresOnceWithoutRepeatAndEveryFrameWithIt) {
    for (int repeat = 0; repeat <= 1; repeat++) {
        int32_t flips = 0, fired = 0;
        layout = [&] {
            Add("Fullscreen", 4, 208);
            AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&flips));
            AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_f));
            if (repeat) AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
        };
        for (int frame = 0; frame < 4; frame++) {
            int32_t before = flips;
            Step({SDLK_f});
            fired += flips != before;
            EXPECT_EQ(Slot(0).activated, 0) << "a toggle's activation is a one-frame pulse";
        }
        Step();
        EXPECT_EQ(fired, repeat ? 4 : 1) << "repeat " << repeat;
    }
}

TEST_F(WidgetTest, MouseIsOverTheHalfOpenBoxIncludingAFieldRow) {
    int32_t value = 0, entry = 0;
    layout = [&] {
        Add("Done", 100, 50);
        if (entry) AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
    };
    struct {
        int32_t entry, mx, my, state;
    } cases[] = {{0, 100, 50, STATE_HOVER},  {0, 163, 65, STATE_HOVER}, {0, 164, 50, STATE_NORMAL},
                 {0, 99, 50, STATE_NORMAL},  {0, 100, 49, STATE_NORMAL}, {0, 100, 66, STATE_NORMAL},
                 {1, 100, 81, STATE_HOVER},  {1, 100, 82, STATE_NORMAL}};
    for (const auto& c : cases) {
        entry = c.entry;
        Step({}, false, c.mx, c.my);
        EXPECT_EQ(Slot(0).state, c.state) << c.mx << "," << c.my << " entry " << c.entry;
    }
}

TEST_F(WidgetTest, DoneStaysActivatedUntilAClickOutsideItsBox) {
    int32_t sound = 1;
    layout = [&] {
        Add("Done", 4, 4);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
        Add("Sound", 4, 272);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&sound));
    };
    Step({SDLK_ESCAPE});
    Step({SDLK_ESCAPE});
    Step();
    Step({}, true, 10, 10);   // a click inside keeps it
    Step();
    EXPECT_TRUE(Slot(0).activated && Slot(0).state == STATE_LIT);
    Step({}, true);   // a click outside every widget ends it; the toggle stays lit
    EXPECT_TRUE(!Slot(0).activated && Slot(0).state == STATE_NORMAL);
    EXPECT_TRUE(Slot(1).state == STATE_LIT && sound == 1);
}

TEST_F(WidgetTest, ClicksOnRadiosAndTogglesLightThemInTheClickFrame) {
    int32_t width = 640, on = 1;
    layout = [&] {
        Add("1. 640x480", 4, 128);
        AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&width), 640);
        Add("2. 800x600", 4, 144);
        AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&width), 800);
        Add("Sound", 4, 272);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&on));
    };
    Step({}, true, 20, 150);
    EXPECT_EQ(width, 800);
    EXPECT_TRUE(Slot(0).state == STATE_LIT && Slot(1).state == STATE_LIT) << "old and new choice";
    Step({}, true, 20, 150);   // held: no second click
    EXPECT_TRUE(Slot(0).state == STATE_NORMAL && Slot(1).state == STATE_LIT && !Slot(1).activated);
    Step({}, true, 10, 275);   // held button moved onto the toggle: no click
    EXPECT_TRUE(on == 1 && Slot(2).state == STATE_LIT);
    Step();
    Step({}, true, 10, 275);
    EXPECT_TRUE(on == 0 && Slot(2).state == STATE_LIT) << "lit by the activation";
    Step({}, false, 10, 275);
    EXPECT_EQ(Slot(2).state, STATE_HOVER);
}

TEST_F(WidgetTest, HotkeysFireOnEveryWidgetThatHasThemAndOnlyInsideTheKeyArrays) {
    int32_t a = 0, b = 0;
    layout = [&] {
        Add("Sound", 4, 272);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&a));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_s));
        Add("Speech", 4, 300);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&b));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_s));
    };
    Step({SDLK_s});
    EXPECT_TRUE(a == 1 && b == 1);

    // Every key down now and up before, except entry 0 of the previous array:
    // what a reader one past the current array would take as "down".
    std::memset(inputState.keys, 1, sizeof inputState.keys);
    std::memset(inputState.previousKeys, 0, sizeof inputState.previousKeys);
    inputState.previousKeys[0] = 1;
    const int32_t codes[] = {-1, -300, KEY_COUNT, KEY_COUNT + 1, 9999, INT32_MAX, INT32_MIN, 0, KEY_COUNT - 1};
    for (int32_t code : codes) {
        widgetTable.count = 0;
        Add("Key", 4, 4);
        Slot(0).activated = 0;
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(code));
        UpdateWidgets();
        EXPECT_EQ(Slot(0).activated, code == KEY_COUNT - 1) << code;
    }
}

TEST_F(WidgetTest, DisabledWidgetIgnoresMouseAndHotkeyButAClickStillReleasesIt) {
    static int32_t runs;
    runs = 0;
    layout = [] {
        Add("Grey", 4, 4);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_g));
        AttachBehaviour(BEHAVIOUR_ACTION, static_cast<WidgetAction>([] { runs++; }));
        AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    };
    Step({SDLK_g}, true, 10, 10);
    EXPECT_TRUE(Slot(0).state == STATE_DISABLED && !Slot(0).activated && runs == 0);
    Slot(0).activated = 1;   // an activation left in the slot still runs the action
    Step();
    EXPECT_TRUE(runs == 1 && Slot(0).state == STATE_DISABLED);
    layout = [] {
        Add("Grey", 4, 4);
        AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    };
    Slot(0).activated = 1;
    Step({}, true);
    EXPECT_EQ(Slot(0).activated, 0) << "released by a click anywhere";
}

TEST_F(WidgetTest, ActionsRunInSlotOrderWithCurrentAsTheLoopCounter) {
    layout = [] {
        Add("a", 0, 0);
        AttachBehaviour(BEHAVIOUR_ACTION, &LogCurrent);
        Add("b", 0, 20);
        AttachBehaviour(BEHAVIOUR_ACTION, &ActivateSlot3);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_b));
        Add("c", 0, 40);
        AttachBehaviour(BEHAVIOUR_ACTION, &ActivateSlot0);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_c));
        Add("d", 0, 60);
        AttachBehaviour(BEHAVIOUR_ACTION, &LogCurrent);
    };
    Step({SDLK_b, SDLK_c});
    EXPECT_EQ(actionLog, (std::vector<int32_t>{1, 2, 3})) << "a higher slot runs in the same pass";
    EXPECT_EQ(widgetTable.current, 4);
    EXPECT_TRUE(Slot(0).activated && !Slot(0).wasActivated) << "a lower slot waits for the next frame";
    Step({SDLK_b, SDLK_c});
    EXPECT_EQ(actionLog, (std::vector<int32_t>{1, 2, 3, 0}));

    widgetTable.count = 100000;   // a count outside the table is never walked past
    UpdateWidgets();
    EXPECT_EQ(widgetTable.current, WIDGET_SLOTS);
    widgetTable.count = -3;
    UpdateWidgets();
    EXPECT_EQ(widgetTable.current, 0);
}

TEST_F(WidgetTest, AnEditedFieldBlocksHotkeysUntilTheUpdateAfterItEnds) {
    int32_t value = 0, sound = 0;
    layout = [&] {
        Add("Done", 4, 4);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
        Add("Sound", 4, 272);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&sound));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_s));
        Add("Value:", 4, 400);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F3));
    };
    Step({SDLK_F3});
    EXPECT_TRUE(Slot(2).activated && Slot(2).wasActivated && widgetTable.captured);
    Step({SDLK_s});
    EXPECT_TRUE(sound == 0 && !Slot(1).activated) << "the s went into the field";
    Step({SDLK_ESCAPE});   // ends the edit without pressing "Done"
    EXPECT_TRUE(!Slot(2).activated && !Slot(0).activated && !widgetTable.captured);
    Step({SDLK_ESCAPE});   // still held: no new edge
    EXPECT_EQ(Slot(0).activated, 0);
    Step();
    Step({SDLK_ESCAPE});
    EXPECT_EQ(Slot(0).activated, 1);

    Step({SDLK_F3});
    EXPECT_TRUE(Slot(2).activated && widgetTable.captured);
    Step({}, true, 10, 275);   // a click ends the edit and presses the widget under it
    EXPECT_TRUE(!Slot(2).activated && sound == 1 && !widgetTable.captured);
}

}  // namespace
