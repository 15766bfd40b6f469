// The widget table: registration, behaviours and the frame-by-frame update,
// driven through the input snapshot's records as the frame loop leaves them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/input.h"
#include "render/text.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

namespace {

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWidgetTable();
        ResetInputState();
        ResetTextEntry();
        actionLog().clear();
    }

    // What a new snapshot does first: the current input becomes the previous.
    static void NextInput() {
        std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
        inputState.previousMouse = inputState.mouse;
    }
    static void MoveMouse(int32_t x, int32_t y) {
        inputState.mouse.x = x;
        inputState.mouse.y = y;
    }
    static Widget& Slot(int i) { return widgetTable.widgets[i]; }

public:
    static std::vector<int32_t>& actionLog() {
        static std::vector<int32_t> log;
        return log;
    }
};

void LogCurrent() { WidgetTest::actionLog().push_back(widgetTable.current); }

// ---------------------------------------------------------------- registration

struct AlignCase {
    const char* text;
    int32_t x, y, size;
    int32_t wantX, wantY;
};

TEST_F(WidgetTest, AlignmentFlagsAreAppliedInOrderAndCutTo16Bits) {
    const AlignCase cases[] = {
        {"Done", 320 | ALIGN_CENTRE, 4, 16, 288, 4},
        {"Sound", 600 | ALIGN_END, 100 | ALIGN_CENTRE, 16, 520, 92},
        {"Sound", 10, 100 | ALIGN_END, 16, 10, 84},
        {"Sound", 10, 100 | ALIGN_CENTRE, 15, 10, 93},
        {"0123456789", 40 | ALIGN_CENTRE, 0, 16, 65536 - 40, 0},
        {"0123456789", 320 | ALIGN_CENTRE | ALIGN_END, 100 | ALIGN_CENTRE | ALIGN_END, 16, 80, 76},
        {"abc", 7 | ALIGN_CENTRE, 0, 5, 0, 0},   // 7 - 15/2 = 0: remainder dropped
        {"x", -5, -1, 16, 65536 - 5, 65535},
    };
    for (const AlignCase& c : cases) {
        widgetTable.count = 0;
        AddWidget(c.text, c.x, c.y, c.size, 1, 1, 1);
        EXPECT_EQ(Slot(0).x, c.wantX) << c.text << " x " << c.x;
        EXPECT_EQ(Slot(0).y, c.wantY) << c.text << " y " << c.y;
        EXPECT_EQ(Slot(0).width, int32_t(std::strlen(c.text)));
    }
}

TEST_F(WidgetTest, AddRewritesTheSlotButKeepsItsActivation) {
    int32_t flag = 0;
    AddWidget("Old label", 1, 2, 8, 0.1f, 0.2f, 0.3f);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&flag));
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_q));
    AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
    AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    Slot(0).activated = 1;
    Slot(0).wasActivated = 1;

    widgetTable.count = 0;
    AddWidget("New", 30, 40, 16, 1.0f, 0.5f, 0.25f);
    const Widget& w = Slot(0);
    EXPECT_STREQ(w.text, "New");
    EXPECT_EQ(w.x, 30);
    EXPECT_EQ(w.y, 40);
    EXPECT_EQ(w.size, 16);
    EXPECT_EQ(w.r, 1.0f);
    EXPECT_EQ(w.g, 0.5f);
    EXPECT_EQ(w.b, 0.25f);
    EXPECT_EQ(w.kind, WIDGET_PLAIN);
    EXPECT_EQ(w.width, 3);
    EXPECT_EQ(w.height, 1);
    EXPECT_EQ(w.hotkey, 0);
    EXPECT_EQ(w.repeat, 0);
    EXPECT_EQ(w.state, STATE_NORMAL);
    EXPECT_EQ(w.target, nullptr);
    EXPECT_EQ(w.action, nullptr);
    EXPECT_EQ(w.activated, 1);
    EXPECT_EQ(w.wasActivated, 1);
    EXPECT_EQ(widgetTable.count, 1);

    Slot(200).activated = 1;   // beyond count: still cleared
    Slot(255).wasActivated = 1;
    ClearWidgetPresses();
    for (int i = 0; i < WIDGET_SLOTS; i++) {
        EXPECT_EQ(Slot(i).activated, 0) << i;
        EXPECT_EQ(Slot(i).wasActivated, 0) << i;
    }
}

TEST_F(WidgetTest, LongLabelIsCutTo63CharactersAndItsWidthFollows) {
    std::string longText(100, 'w');
    longText[63] = 'X';
    AddWidget(longText.c_str(), 0 | ALIGN_END, 0, 2, 1, 1, 1);
    EXPECT_EQ(std::strlen(Slot(0).text), 63u);
    EXPECT_EQ(std::string(Slot(0).text), std::string(63, 'w'));
    EXPECT_EQ(Slot(0).width, 63);
    EXPECT_EQ(Slot(0).x, 65536 - 63 * 2);   // aligned by the stored length
    AddWidget(nullptr, 5, 5, 16, 1, 1, 1);
    EXPECT_STREQ(Slot(1).text, "");
    EXPECT_EQ(Slot(1).width, 0);
}

TEST_F(WidgetTest, EachBehaviourKindChangesOnlyItsFields) {
    int32_t i32 = 0;
    uint32_t u32 = 0;
    float f = 0;
    char s[16] = "";
    struct EntryCase {
        int32_t kind;
        void* target;
        int32_t editType;
    } entries[] = {{BEHAVIOUR_INT_ENTRY, &i32, EDIT_INT},
                   {BEHAVIOUR_UINT_ENTRY, &u32, EDIT_UINT},
                   {BEHAVIOUR_FLOAT_ENTRY, &f, EDIT_FLOAT},
                   {BEHAVIOUR_STRING_ENTRY, s, EDIT_STRING}};
    for (const EntryCase& e : entries) {
        widgetTable.count = 0;
        AddWidget("Field", 0, 0, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F2));
        AttachBehaviour(e.kind, e.target);
        EXPECT_EQ(Slot(0).kind, WIDGET_TEXT_ENTRY) << e.kind;
        EXPECT_EQ(Slot(0).editType, e.editType) << e.kind;
        EXPECT_EQ(Slot(0).target, e.target) << e.kind;
        EXPECT_EQ(Slot(0).action, &EditFieldAction) << e.kind;
        EXPECT_EQ(Slot(0).height, 2) << e.kind;
        EXPECT_EQ(Slot(0).width, 5) << e.kind;
        EXPECT_EQ(Slot(0).hotkey, SDLK_F2) << "earlier behaviours combine";
    }

    widgetTable.count = 0;
    AddWidget("Radio", 0, 0, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&i32), 800);
    EXPECT_EQ(Slot(0).kind, WIDGET_RADIO);
    EXPECT_EQ(Slot(0).radioValue, 800);
    EXPECT_EQ(Slot(0).action, &RadioAction);
    EXPECT_EQ(Slot(0).height, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&i32));
    EXPECT_EQ(Slot(0).kind, WIDGET_TOGGLE);
    EXPECT_EQ(Slot(0).action, &ToggleAction);
    EXPECT_EQ(Slot(0).radioValue, 800) << "toggle leaves the radio value";
    AttachBehaviour(BEHAVIOUR_ACTION, &LogCurrent);
    EXPECT_EQ(Slot(0).action, &LogCurrent);
    EXPECT_EQ(Slot(0).kind, WIDGET_TOGGLE) << "an action keeps the kind";
    AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
    EXPECT_EQ(Slot(0).repeat, 1);

    Widget before = Slot(0);
    AttachBehaviour(11, intptr_t(5));
    AttachBehaviour(0, static_cast<void*>(&i32));
    // A kind given the wrong form of value is refused: integers never become
    // targets the update would write through, addresses never key codes.
    AttachBehaviour(BEHAVIOUR_TOGGLE, intptr_t(0x1234));
    AttachBehaviour(BEHAVIOUR_HOTKEY, static_cast<void*>(&i32));
    AttachBehaviour(BEHAVIOUR_ACTION, intptr_t(1));
    EXPECT_EQ(std::memcmp(&before, &Slot(0), sizeof before), 0);
}

TEST_F(WidgetTest, AttachBeforeAnyAddIsIgnored) {
    Slot(0).hotkey = 0;
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
    EXPECT_EQ(Slot(0).hotkey, 0);
    AddWidget("Done", 4, 4, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
    EXPECT_EQ(Slot(0).hotkey, SDLK_ESCAPE);
}

TEST_F(WidgetTest, ToggleAndRadioActionsWriteTheTargetOfCurrent) {
    int32_t width = 640, a = 1, b = 2;
    AddWidget("800", 0, 0, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&width), 800);
    AddWidget("a", 0, 0, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&a));
    AddWidget("b", 0, 0, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&b));
    widgetTable.current = 0;
    RadioAction();
    widgetTable.current = 1;
    ToggleAction();
    widgetTable.current = 2;
    ToggleAction();
    EXPECT_EQ(width, 800);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 3);
}

TEST_F(WidgetTest, EmptyWidgetIsDisabledAndKeepsTheSlotsRepeat) {
    AddWidget("Label", 10, 10, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
    Slot(0).activated = 1;
    widgetTable.count = 0;
    AddEmptyWidget();
    const Widget& w = Slot(0);
    EXPECT_EQ(w.state, STATE_DISABLED);
    EXPECT_EQ(w.width, 0);
    EXPECT_EQ(w.height, 0);
    EXPECT_EQ(w.text[0], '\0');
    EXPECT_EQ(w.action, nullptr);
    EXPECT_EQ(w.repeat, 1);
    EXPECT_EQ(w.activated, 1);
    EXPECT_EQ(widgetTable.count, 1);
}

TEST_F(WidgetTest, AddsBeyondTheLastSlotAreDroppedWithTheirBehaviours) {
    for (int i = 0; i < WIDGET_SLOTS; i++) AddWidget("w", i, 0, 1, 1, 1, 1);
    ASSERT_EQ(widgetTable.count, WIDGET_SLOTS);
    Widget last = Slot(WIDGET_SLOTS - 1);
    int32_t flag = 0;
    AddWidget("overflow", 9, 9, 16, 0, 0, 0);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_z));
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&flag));
    AddEmptyWidget();
    AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    EXPECT_EQ(widgetTable.count, WIDGET_SLOTS);
    EXPECT_EQ(std::memcmp(&last, &Slot(WIDGET_SLOTS - 1), sizeof last), 0)
        << "the last real widget is untouched";
    EXPECT_EQ(widgetTable.current, 0) << "nothing past the slots was written";

    widgetTable.count = 0;   // the next frame registers normally again
    AddWidget("again", 0, 0, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_a));
    EXPECT_EQ(Slot(0).hotkey, SDLK_a);
}

// ---------------------------------------------------------------- update

TEST_F(WidgetTest, HeldHotkeyFiresOnceWithoutRepeatAndEveryFrameWithIt) {
    for (int repeat = 0; repeat <= 1; repeat++) {
        ResetWidgetTable();
        ResetInputState();
        int32_t flips = 0;
        int32_t fired = 0;
        for (int frame = 0; frame < 4; frame++) {
            NextInput();
            inputState.keys[SDLK_f] = 1;
            widgetTable.count = 0;
            AddWidget("Fullscreen", 4, 208, 16, 1, 1, 1);
            AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&flips));
            AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_f));
            if (repeat) AttachBehaviour(BEHAVIOUR_REPEAT, intptr_t(0));
            int32_t before = flips;
            UpdateWidgets();
            fired += flips != before;
            EXPECT_EQ(Slot(0).activated, 0) << "a toggle's activation is a one-frame pulse";
        }
        EXPECT_EQ(fired, repeat ? 4 : 1) << "repeat " << repeat;
    }
}

TEST_F(WidgetTest, MouseIsOverTheHalfOpenBox) {
    struct OverCase {
        int32_t mx, my;
        int32_t state;
    } cases[] = {{100, 50, STATE_HOVER},       {100 + 4 * 16 - 1, 50 + 15, STATE_HOVER},
                 {100 + 4 * 16, 50, STATE_NORMAL}, {99, 50, STATE_NORMAL},
                 {100, 49, STATE_NORMAL},      {100, 66, STATE_NORMAL}};
    for (const OverCase& c : cases) {
        MoveMouse(c.mx, c.my);
        widgetTable.count = 0;
        AddWidget("Done", 100, 50, 16, 1, 1, 1);
        UpdateWidgets();
        EXPECT_EQ(Slot(0).state, c.state) << c.mx << "," << c.my;
    }
    // A text entry's box takes in the field row under the label.
    int32_t value = 0;
    MoveMouse(100, 50 + 31);
    widgetTable.count = 0;
    AddWidget("Done", 100, 50, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
    UpdateWidgets();
    EXPECT_EQ(Slot(0).state, STATE_HOVER);
}

// "Done": a label without an action whose hotkey is Escape.
struct DoneScreen {
    void Layout() {
        widgetTable.count = 0;
        AddWidget("Done", 4, 4, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
        AddWidget("Sound", 4, 272, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&sound));
    }
    int32_t sound = 1;
};

TEST_F(WidgetTest, DoneStaysActivatedUntilAClickOutsideItsBox) {
    DoneScreen screen;
    MoveMouse(600, 400);
    NextInput();
    inputState.keys[SDLK_ESCAPE] = 1;
    screen.Layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 1);
    EXPECT_EQ(Slot(0).state, STATE_LIT);
    for (int frame = 0; frame < 3; frame++) {
        NextInput();
        inputState.keys[SDLK_ESCAPE] = frame == 0;   // held, then released
        screen.Layout();
        UpdateWidgets();
        EXPECT_EQ(Slot(0).activated, 1) << frame;
        EXPECT_EQ(Slot(0).state, STATE_LIT) << frame;
    }
    NextInput();   // a click inside keeps it
    MoveMouse(10, 10);
    inputState.mouse.leftDown = 1;
    screen.Layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 1);
    NextInput();
    inputState.mouse.leftDown = 0;
    screen.Layout();
    UpdateWidgets();
    NextInput();   // a click outside every widget ends it, and lit toggles stay lit
    MoveMouse(600, 400);
    inputState.mouse.leftDown = 1;
    screen.Layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 0);
    EXPECT_EQ(Slot(0).state, STATE_NORMAL);
    EXPECT_EQ(Slot(1).state, STATE_LIT);
    EXPECT_EQ(screen.sound, 1);
}

TEST_F(WidgetTest, ClickedRadioAndTheOldChoiceAreBothLitInTheClickFrame) {
    int32_t width = 640;
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("1. 640x480", 4, 128, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&width), 640);
        AddWidget("2. 800x600", 4, 144, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&width), 800);
    };
    MoveMouse(20, 150);
    NextInput();
    inputState.mouse.leftDown = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(width, 800);
    EXPECT_EQ(Slot(0).state, STATE_LIT);
    EXPECT_EQ(Slot(1).state, STATE_LIT);
    NextInput();
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).state, STATE_NORMAL);
    EXPECT_EQ(Slot(1).state, STATE_LIT);
    EXPECT_EQ(Slot(1).activated, 0);
}

TEST_F(WidgetTest, ClickedToggleThatIsOnIsLitOnceThenHovered) {
    int32_t on = 1;
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("Sound", 4, 272, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&on));
    };
    MoveMouse(10, 275);
    NextInput();
    inputState.mouse.leftDown = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(on, 0);
    EXPECT_EQ(Slot(0).state, STATE_LIT);
    NextInput();   // still held: no second click
    layout();
    UpdateWidgets();
    EXPECT_EQ(on, 0);
    EXPECT_EQ(Slot(0).state, STATE_HOVER);
}

TEST_F(WidgetTest, HeldButtonMovedOntoAWidgetDoesNotClickIt) {
    int32_t on = 0;
    MoveMouse(600, 400);
    inputState.mouse.leftDown = 1;
    NextInput();
    MoveMouse(10, 275);
    widgetTable.count = 0;
    AddWidget("Sound", 4, 272, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&on));
    UpdateWidgets();
    EXPECT_EQ(on, 0);
    EXPECT_EQ(Slot(0).state, STATE_HOVER);
}

TEST_F(WidgetTest, TwoWidgetsWithOneHotkeyAreBothActivated) {
    int32_t a = 0, b = 0;
    NextInput();
    inputState.keys[SDLK_s] = 1;
    AddWidget("Sound", 4, 272, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&a));
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_s));
    AddWidget("Speech", 4, 300, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&b));
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_s));
    UpdateWidgets();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
}

TEST_F(WidgetTest, HotkeysOutsideTheKeyArraysNeverFire) {
    // Every key down now and up before, except entry 0 of the previous array,
    // which is what a reader one past the current array would take as "down".
    std::memset(inputState.keys, 1, sizeof inputState.keys);
    inputState.previousKeys[0] = 1;
    const int32_t codes[] = {-1, -300, KEY_COUNT, KEY_COUNT + 1, 9999, INT32_MAX, INT32_MIN, 0};
    for (int32_t code : codes) {
        widgetTable.count = 0;
        AddWidget("Key", 4, 4, 16, 1, 1, 1);
        Slot(0).activated = 0;
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(code));
        UpdateWidgets();
        EXPECT_EQ(Slot(0).activated, 0) << code;
    }
    widgetTable.count = 0;   // a real code in the same state does fire
    AddWidget("Key", 4, 4, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(KEY_COUNT - 1));
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 1);
}

TEST_F(WidgetTest, DisabledWidgetIgnoresMouseAndHotkeyButAClickStillReleasesIt) {
    int32_t runs = 0;
    static int32_t* counter;
    counter = &runs;
    auto layout = [] {
        widgetTable.count = 0;
        AddWidget("Grey", 4, 4, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_g));
        AttachBehaviour(BEHAVIOUR_ACTION, static_cast<WidgetAction>([] { (*counter)++; }));
        AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    };
    MoveMouse(10, 10);
    NextInput();
    inputState.mouse.leftDown = 1;
    inputState.keys[SDLK_g] = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).state, STATE_DISABLED);
    EXPECT_EQ(Slot(0).activated, 0);
    EXPECT_EQ(runs, 0);

    NextInput();   // an activation left in the slot still runs the action once
    inputState.mouse.leftDown = 0;
    layout();
    Slot(0).activated = 1;
    UpdateWidgets();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(Slot(0).state, STATE_DISABLED);

    NextInput();   // and a plain disabled label is released by any click
    widgetTable.count = 0;
    AddWidget("Grey", 4, 4, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_STATE, intptr_t(STATE_DISABLED));
    Slot(0).activated = 1;
    MoveMouse(600, 400);
    inputState.mouse.leftDown = 1;
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 0);
}

void ActivateSlot3() {
    LogCurrent();
    widgetTable.widgets[3].activated = 1;
}
void ActivateSlot0() {
    LogCurrent();
    widgetTable.widgets[0].activated = 1;
}

TEST_F(WidgetTest, ActionsRunInSlotOrderWithCurrentAsTheLoopCounter) {
    auto layout = [] {
        widgetTable.count = 0;
        AddWidget("a", 0, 0, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_ACTION, &LogCurrent);
        AddWidget("b", 0, 20, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_ACTION, &ActivateSlot3);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_b));
        AddWidget("c", 0, 40, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_ACTION, &ActivateSlot0);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_c));
        AddWidget("d", 0, 60, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_ACTION, &LogCurrent);
    };
    NextInput();
    inputState.keys[SDLK_b] = 1;
    inputState.keys[SDLK_c] = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(actionLog(), (std::vector<int32_t>{1, 2, 3}))
        << "a higher slot activated by an action runs in the same pass";
    EXPECT_EQ(widgetTable.current, 4);
    EXPECT_EQ(Slot(0).activated, 1) << "a lower slot activated late keeps it for the next frame";
    EXPECT_EQ(Slot(0).wasActivated, 0);
    actionLog().clear();
    NextInput();
    layout();
    UpdateWidgets();
    EXPECT_EQ(actionLog(), (std::vector<int32_t>{0}));
    EXPECT_EQ(Slot(0).activated, 0);
}

TEST_F(WidgetTest, WasActivatedFollowsTheEndOfEachUpdate) {
    int32_t value = 0;
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("Plain", 0, 0, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_p));
        AddWidget("Entry", 0, 100, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
    };
    MoveMouse(4, 104);
    NextInput();
    inputState.mouse.leftDown = 1;
    inputState.keys[SDLK_p] = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 1);
    EXPECT_EQ(Slot(0).wasActivated, 1);
    EXPECT_EQ(Slot(1).activated, 1) << "a text entry stays activated after its action";
    EXPECT_EQ(Slot(1).wasActivated, 1);
    EXPECT_EQ(widgetTable.captured, 1);

    NextInput();   // a click inside the edited field keeps the edit going
    inputState.mouse.leftDown = 0;
    layout();
    UpdateWidgets();
    NextInput();
    inputState.mouse.leftDown = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(1).activated, 1);
    EXPECT_EQ(Slot(0).activated, 0) << "the click was outside the plain label";
}

TEST_F(WidgetTest, AnEditedFieldBlocksHotkeysUntilTheUpdateAfterItEnds) {
    int32_t value = 0, sound = 0;
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("Done", 4, 4, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
        AddWidget("Sound", 4, 272, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&sound));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_s));
        AddWidget("Value:", 4, 400, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F3));
    };
    NextInput();
    inputState.keys[SDLK_F3] = 1;
    layout();
    UpdateWidgets();
    ASSERT_EQ(Slot(2).activated, 1);
    EXPECT_EQ(widgetTable.captured, 1);

    NextInput();   // typing the s of another widget's hotkey
    inputState.keys[SDLK_F3] = 0;
    inputState.keys[SDLK_s] = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(sound, 0);
    EXPECT_EQ(Slot(1).activated, 0);

    NextInput();   // Escape ends the edit without pressing "Done"
    inputState.keys[SDLK_s] = 0;
    inputState.keys[SDLK_ESCAPE] = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(2).activated, 0);
    EXPECT_EQ(Slot(0).activated, 0);
    EXPECT_EQ(widgetTable.captured, 0);

    NextInput();   // still held: no new edge
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 0);

    NextInput();   // pressed again, it now presses "Done"
    inputState.keys[SDLK_ESCAPE] = 0;
    layout();
    UpdateWidgets();
    NextInput();
    inputState.keys[SDLK_ESCAPE] = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 1);
}

TEST_F(WidgetTest, AClickOnAnotherWidgetEndsTheEditAndActivatesIt) {
    int32_t value = 0, sound = 0;
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("Value:", 4, 400, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
        AddWidget("Sound", 4, 272, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&sound));
    };
    layout();
    Slot(0).activated = 1;
    UpdateWidgets();
    ASSERT_EQ(widgetTable.captured, 1);
    NextInput();
    MoveMouse(10, 275);
    inputState.mouse.leftDown = 1;
    layout();
    UpdateWidgets();
    EXPECT_EQ(Slot(0).activated, 0);
    EXPECT_EQ(sound, 1);
    EXPECT_EQ(widgetTable.captured, 0);
}

TEST_F(WidgetTest, CountOutsideTheTableIsNeverWalkedPast) {
    for (int i = 0; i < WIDGET_SLOTS; i++) AddWidget("w", 0, 0, 16, 1, 1, 1);
    widgetTable.count = 100000;
    UpdateWidgets();
    EXPECT_EQ(widgetTable.current, WIDGET_SLOTS);
    widgetTable.count = -3;
    UpdateWidgets();
    EXPECT_EQ(widgetTable.current, 0);
    EXPECT_EQ(widgetTable.captured, 0);
}

}  // namespace
