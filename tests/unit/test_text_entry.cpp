// The one-line text entry, driven frame by frame through the widget update as
// the frame loop drives it: register, set this frame's keys and mouse, update.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/input.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

namespace {

constexpr int32_t FIELD_X = 100;
constexpr int32_t FIELD_Y = 200;
constexpr int32_t CELL = 16;

// One text-entry widget per row, each with an F-key hotkey; slot 0 is a
// plain label so that fields never sit in slot 0 unless a test asks for it.
struct FieldScreen {
    int32_t number = 0;
    uint32_t unsignedNumber = 0;
    float real = 0;
    char text[64] = "";
    const char* label = "Value:";

    void Layout() {
        widgetTable.count = 0;
        AddWidget("Done", 4, 4, CELL, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
        AddField(label, 0, BEHAVIOUR_INT_ENTRY, &number, SDLK_F1);
        AddField("Count:", 1, BEHAVIOUR_UINT_ENTRY, &unsignedNumber, SDLK_F2);
        AddField("Scale:", 2, BEHAVIOUR_FLOAT_ENTRY, &real, SDLK_F3);
        AddField("Name:....", 3, BEHAVIOUR_STRING_ENTRY, text, SDLK_F4);
    }
    static void AddField(const char* label, int row, int32_t kind, void* target, int32_t key) {
        AddWidget(label, FIELD_X, FIELD_Y + row * 2 * CELL, CELL, 1, 1, 1);
        AttachBehaviour(kind, target);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(key));
    }
};

constexpr int INT_SLOT = 1;
constexpr int FLOAT_SLOT = 3;
constexpr int STRING_SLOT = 4;

class TextEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWidgetTable();
        ResetInputState();
        ResetTextEntry();
        inputState.mouse.x = 600;
        inputState.mouse.y = 470;
    }

    static void NextInput() {
        std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
        inputState.previousMouse = inputState.mouse;
    }
    void Frame() {
        screen.Layout();
        UpdateWidgets();
    }
    // Keys go down together for one frame, then all come up for one frame.
    void Press(std::initializer_list<int32_t> codes) {
        NextInput();
        for (int32_t c : codes) inputState.keys[c] = 1;
        Frame();
        NextInput();
        for (int32_t c : codes) inputState.keys[c] = 0;
        Frame();
    }
    // Characters as the keys that type them: an upper-case letter is Shift
    // with the letter's key.
    void Type(const char* keys) {
        for (const char* k = keys; *k; k++) {
            if (*k >= 'A' && *k <= 'Z')
                Press({SDLK_LSHIFT, int32_t(*k - 'A' + 'a')});
            else
                Press({int32_t(*k)});
        }
    }
    void Click(int32_t x, int32_t y) {
        NextInput();
        inputState.mouse.x = x;
        inputState.mouse.y = y;
        inputState.mouse.leftDown = 1;
        Frame();
        NextInput();
        inputState.mouse.leftDown = 0;
        Frame();
    }
    void SetSelection(int32_t anchor, int32_t cursor) {
        textEntry.anchor = anchor;
        textEntry.cursor = cursor;
    }
    static std::string Text() { return textEntry.buffer; }
    static Widget& Slot(int i) { return widgetTable.widgets[i]; }

    FieldScreen screen;
};

TEST_F(TextEntryTest, HotkeySelectsEverythingAndTypingReplacesItLive) {
    screen.number = -5;
    NextInput();
    inputState.keys[SDLK_F1] = 1;
    Frame();
    EXPECT_EQ(Text(), "-5");
    EXPECT_EQ(textEntry.anchor, 0);
    EXPECT_EQ(textEntry.cursor, 2);
    EXPECT_EQ(widgetTable.captured, 1);
    NextInput();
    inputState.keys[SDLK_F1] = 0;
    inputState.keys[SDLK_7] = 1;
    Frame();
    EXPECT_EQ(Text(), "7");
    EXPECT_EQ(screen.number, 7) << "stored in the frame of the key";
}

TEST_F(TextEntryTest, ClickPlacesBothEndsAtTheColumnClampedToTheText) {
    screen.number = 12345;
    Click(FIELD_X + 2 * CELL + 5, FIELD_Y + CELL + 3);
    EXPECT_EQ(Slot(INT_SLOT).activated, 1);
    EXPECT_EQ(textEntry.cursor, 2);
    EXPECT_EQ(textEntry.anchor, 2);
    Click(600, 470);   // outside: ends the edit
    ASSERT_EQ(Slot(INT_SLOT).activated, 0);
    screen.number = 7;
    Click(FIELD_X + 4 * CELL, FIELD_Y + CELL);
    EXPECT_EQ(textEntry.cursor, 1);
    EXPECT_EQ(textEntry.anchor, 1);
}

TEST_F(TextEntryTest, DraggingFromTheClickSelectsAndANewClickMovesTheAnchor) {
    screen.number = 12345;
    Click(FIELD_X + 1, FIELD_Y + CELL);   // start the edit at column 0
    NextInput();
    inputState.mouse.x = FIELD_X + 1 * CELL;
    inputState.mouse.leftDown = 1;   // a click in the running edit at column 1
    Frame();
    NextInput();
    inputState.mouse.x = FIELD_X + 4 * CELL;   // dragged to column 4, button held
    Frame();
    EXPECT_EQ(textEntry.anchor, 1);
    EXPECT_EQ(textEntry.cursor, 4);
    EXPECT_EQ(Slot(INT_SLOT).activated, 1);
}

TEST_F(TextEntryTest, TextThatDoesNotConvertKeepsTheLastStoredValue) {
    screen.number = 42;
    Press({SDLK_F1});
    Press({SDLK_BACKSPACE});   // deletes the whole selection
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(screen.number, 42);
    Type("12abc");
    EXPECT_EQ(Text(), "12abc");
    EXPECT_EQ(screen.number, 12);
    Press({SDLK_HOME});
    Press({SDLK_DELETE});
    Press({SDLK_DELETE});
    EXPECT_EQ(Text(), "abc");
    EXPECT_EQ(screen.number, 2) << "2abc was the last text that converted";
}

TEST_F(TextEntryTest, ActivationAloneStoresTheSixDigitFloatBack) {
    screen.real = 1234567.0f;
    Press({SDLK_F3});
    EXPECT_EQ(Text(), "1.23457e+06");
    EXPECT_EQ(screen.real, 1234570.0f);
    EXPECT_EQ(Slot(FLOAT_SLOT).activated, 1);
}

TEST_F(TextEntryTest, ReturnAndEscapeEndTheEditAndKeepTheText) {
    const int32_t enders[] = {SDLK_RETURN, SDLK_ESCAPE};
    for (int32_t key : enders) {
        screen.unsignedNumber = 0;
        Press({SDLK_F2});
        Type("9");
        Press({key});
        EXPECT_EQ(Slot(2).activated, 0) << key;
        EXPECT_EQ(screen.unsignedNumber, 9u) << key;
        EXPECT_EQ(Slot(0).activated, 0) << "Escape in a field does not press Done";
    }
}

TEST_F(TextEntryTest, KeypadPeriodDeletesForwardAndBackspaceDeletesBack) {
    std::strcpy(screen.text, "abcdef");
    Press({SDLK_F4});
    Press({SDLK_HOME});
    Press({SDLK_RIGHT});
    Press({SDLK_KP_PERIOD});
    EXPECT_EQ(Text(), "acdef");
    EXPECT_EQ(textEntry.cursor, 1);
    Press({SDLK_BACKSPACE});
    EXPECT_EQ(Text(), "cdef");
    EXPECT_EQ(textEntry.cursor, 0);
    Press({SDLK_BACKSPACE});   // nothing before the cursor
    EXPECT_EQ(Text(), "cdef");
    Press({SDLK_END});
    Press({SDLK_DELETE});   // nothing after it
    EXPECT_EQ(Text(), "cdef");
    EXPECT_STREQ(screen.text, "cdef");
}

TEST_F(TextEntryTest, AFieldTakesOneCharacterLessThanItsWidth) {
    for (int overwrite = 0; overwrite <= 1; overwrite++) {
        ResetTextEntry();
        textEntry.overwrite = overwrite;
        screen.label = "Ten chars:";   // width 10: nine characters
        screen.text[0] = '\0';
        Slot(STRING_SLOT).activated = 0;
        Slot(INT_SLOT).activated = 0;
        Press({SDLK_F1});
        Type("123456789");
        EXPECT_EQ(Text(), "123456789") << overwrite;
        Type("1");
        EXPECT_EQ(Text(), "123456789") << "the tenth is refused, mode " << overwrite;
        Press({SDLK_HOME});
        Type("5");   // refused even where it would only replace a character
        EXPECT_EQ(Text(), "123456789") << overwrite;
        Press({SDLK_RETURN});
    }
}

TEST_F(TextEntryTest, ShiftedCursorKeysExtendTheSelectionAndPlainOnesCollapseIt) {
    std::strcpy(screen.text, "abcdef");
    Press({SDLK_F4});
    Press({SDLK_END});
    Press({SDLK_LEFT});
    Press({SDLK_LEFT});
    Press({SDLK_LSHIFT, SDLK_HOME});
    EXPECT_EQ(textEntry.anchor, 4);
    EXPECT_EQ(textEntry.cursor, 0);
    Press({SDLK_LSHIFT, SDLK_RIGHT});
    EXPECT_EQ(textEntry.anchor, 4);
    EXPECT_EQ(textEntry.cursor, 1);
    Press({SDLK_LEFT});
    EXPECT_EQ(textEntry.anchor, 0);
    EXPECT_EQ(textEntry.cursor, 0);
    Press({SDLK_LSHIFT, SDLK_END});
    Type("X");
    EXPECT_EQ(Text(), "X") << "typing replaces the selection";
}

struct OverwriteCase {
    const char* start;
    int32_t anchor, cursor;
    const char* want;
};

TEST_F(TextEntryTest, OverwriteModeReplacesTheCharacterAtTheCursor) {
    Press({SDLK_F4});
    Press({SDLK_INSERT});
    ASSERT_EQ(textEntry.overwrite, 1);
    const OverwriteCase cases[] = {
        {"abcd", 1, 1, "aXcd"}, {"abcd", 4, 4, "abcdX"}, {"abcdef", 1, 3, "aXef"}, {"", 0, 0, "X"}};
    for (const OverwriteCase& c : cases) {
        std::memset(textEntry.buffer, 'q', sizeof textEntry.buffer);   // stale bytes past the text
        std::strcpy(textEntry.buffer, c.start);
        SetSelection(c.anchor, c.cursor);
        Type("X");
        EXPECT_EQ(Text(), c.want) << c.start << " " << c.anchor << ".." << c.cursor;
    }
    Press({SDLK_INSERT});
    EXPECT_EQ(textEntry.overwrite, 0);
    std::strcpy(textEntry.buffer, "abcd");
    SetSelection(1, 1);
    Type("X");
    EXPECT_EQ(Text(), "aXbcd");
    Press({SDLK_INSERT});
    Press({SDLK_RETURN});
    std::strcpy(screen.text, "abcd");
    Press({SDLK_F4});   // the next edit keeps overwrite mode
    SetSelection(0, 0);
    Type("Z");
    EXPECT_EQ(Text(), "Zbcd");
}

TEST_F(TextEntryTest, TabMovesToTheNextFieldWrappingToTheFirst) {
    screen.number = 11;
    screen.real = 2.5f;
    std::strcpy(screen.text, "abc");
    Press({SDLK_F3});
    Press({SDLK_TAB});
    EXPECT_EQ(Slot(FLOAT_SLOT).activated, 0);
    EXPECT_EQ(Slot(STRING_SLOT).activated, 1);
    EXPECT_EQ(Text(), "abc");
    EXPECT_EQ(textEntry.anchor, 0) << "the new field starts with everything selected";
    EXPECT_EQ(textEntry.cursor, 3);
    Press({SDLK_TAB});   // wraps past the plain label in slot 0
    EXPECT_EQ(Slot(STRING_SLOT).activated, 0);
    EXPECT_EQ(Slot(INT_SLOT).activated, 1);
    EXPECT_EQ(Text(), "11");
    EXPECT_EQ(screen.real, 2.5f);
    EXPECT_STREQ(screen.text, "abc");
}

TEST_F(TextEntryTest, TabInTheOnlyFieldKeepsItInEverySlot) {
    // The field in slot 0 (its wrapped search reaches itself) and in slot 1.
    for (int slot = 0; slot <= 1; slot++) {
        ResetWidgetTable();
        int32_t value = 3;
        auto layout = [&] {
            widgetTable.count = 0;
            if (slot == 1) AddWidget("Plain", 0, 0, CELL, 1, 1, 1);
            AddWidget("Only:", FIELD_X, FIELD_Y, CELL, 1, 1, 1);
            AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
        };
        layout();
        Slot(slot).activated = 1;
        UpdateWidgets();
        NextInput();
        inputState.keys[SDLK_TAB] = 1;
        layout();
        UpdateWidgets();
        inputState.keys[SDLK_TAB] = 0;
        EXPECT_EQ(Slot(slot).activated, 1) << slot;
        EXPECT_EQ(widgetTable.captured, 1) << slot;
    }
}

TEST_F(TextEntryTest, EditFieldActionOnAWidgetThatIsNoFieldDoesNotHang) {
    // The action attached by hand to a plain label in slot 0 with no field
    // anywhere: Tab must give up after one round.
    int32_t value = 0;
    widgetTable.count = 0;
    AddWidget("Odd", 0, 0, CELL, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_ACTION, &EditFieldAction);
    Slot(0).target = &value;
    Slot(0).activated = 1;
    Slot(0).wasActivated = 1;
    inputState.keys[SDLK_TAB] = 1;
    widgetTable.current = 0;
    EditFieldAction();
    EXPECT_EQ(Slot(0).activated, 1);
}

TEST_F(TextEntryTest, HeldLetterTypesOnce) {
    Press({SDLK_F4});
    NextInput();
    inputState.keys[SDLK_k] = 1;
    for (int frame = 0; frame < 5; frame++) {
        Frame();
        NextInput();
    }
    EXPECT_EQ(Text(), "k");
}

TEST_F(TextEntryTest, StringStoreBackNeverGrowsPastTheTargetsRoom) {
    // Two string fields edited at once (one clicked, the other's hotkey in the
    // same frame) share the one buffer; the short target must not receive the
    // long one's text.
    struct {
        char shortText[4];
        char guard[12];
    } small;
    std::strcpy(small.shortText, "xy");
    std::memset(small.guard, 'G', sizeof small.guard);
    char longText[64];
    std::strcpy(longText, "a long text of thirty-nine characters..");
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("abc", FIELD_X, FIELD_Y, CELL, 1, 1, 1);   // takes 2 characters
        AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(small.shortText));
        AddWidget("Long label", FIELD_X, FIELD_Y + 100, CELL, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(longText));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F5));
    };
    NextInput();
    inputState.mouse.x = FIELD_X;
    inputState.mouse.y = FIELD_Y;
    inputState.mouse.leftDown = 1;
    inputState.keys[SDLK_F5] = 1;
    layout();
    UpdateWidgets();
    ASSERT_EQ(Slot(0).activated, 1);
    ASSERT_EQ(Slot(1).activated, 1);
    NextInput();
    layout();
    UpdateWidgets();
    EXPECT_EQ(std::string(small.guard, sizeof small.guard), std::string(sizeof small.guard, 'G'));
    EXPECT_LE(std::strlen(small.shortText), 2u);
    EXPECT_STREQ(longText, "a long text of thirty-nine characters..");
}

TEST_F(TextEntryTest, FieldsWithoutWidthOrSizeTakeNothingAndDoNotFault) {
    char text[8] = "";
    int32_t number = 5;
    auto layout = [&] {
        widgetTable.count = 0;
        AddWidget("", FIELD_X, FIELD_Y, CELL, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(text));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F6));
        AddWidget("Zero size", FIELD_X, FIELD_Y, 0, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&number));
    };
    NextInput();
    inputState.keys[SDLK_F6] = 1;
    layout();
    UpdateWidgets();
    NextInput();
    inputState.keys[SDLK_F6] = 0;
    inputState.keys[SDLK_a] = 1;
    layout();
    UpdateWidgets();
    EXPECT_STREQ(text, "");
    EXPECT_EQ(Text(), "");
    // A click reaches the zero-size field's action only through its slot.
    widgetTable.widgets[0].activated = 0;
    widgetTable.widgets[1].activated = 1;
    widgetTable.widgets[1].wasActivated = 0;
    inputState.mouse.leftDown = 1;
    inputState.mouse.x = FIELD_X + 30;
    widgetTable.current = 1;
    EditFieldAction();
    EXPECT_EQ(textEntry.cursor, 0);
    EXPECT_EQ(Text(), "5");
}

// ---------------------------------------------------------------- direct operations

struct KeyCase {
    int32_t down[2];   // 0: no second key
    int32_t classes;
    int32_t want;
};

TEST_F(TextEntryTest, ReadEditKeyMapsKeysByClassAndShift) {
    const KeyCase cases[] = {
        {{SDLK_q}, 1, 'q'},
        {{SDLK_q, SDLK_LSHIFT}, 1, 'Q'},
        {{SDLK_q}, 2, -1},
        {{SDLK_5}, 2, '5'},
        {{SDLK_5, SDLK_LSHIFT}, 2, -1},
        {{SDLK_5, SDLK_LSHIFT}, 32, '%'},
        {{SDLK_0, SDLK_LSHIFT}, 32, ')'},
        {{SDLK_9, SDLK_LSHIFT}, 32, '('},
        {{SDLK_PERIOD}, 4, '.'},
        {{SDLK_PERIOD}, 32, -1},
        {{SDLK_PERIOD, SDLK_LSHIFT}, 32, '>'},
        {{SDLK_MINUS}, 16, '-'},
        {{SDLK_MINUS, SDLK_LSHIFT}, 32, '_'},
        {{SDLK_SLASH}, 32, '/'},
        {{SDLK_SLASH, SDLK_LSHIFT}, 32, '?'},
        {{SDLK_QUOTE, SDLK_LSHIFT}, 32, '"'},
        {{SDLK_BACKSLASH}, 32, '\\'},
        {{SDLK_SEMICOLON, SDLK_LSHIFT}, 32, ':'},
        {{SDLK_EQUALS, SDLK_LSHIFT}, 32, '+'},
        {{SDLK_COMMA, SDLK_LSHIFT}, 32, '<'},
        {{SDLK_SPACE}, 8, ' '},
        {{SDLK_SPACE}, 1, -1},
        {{SDLK_LEFTBRACKET}, 255, -1},
        {{SDLK_F1}, 255, -1},
        {{SDLK_a, SDLK_CAPSLOCK}, 255, 'a'},
        {{SDLK_a, SDLK_1}, 255, '1'},           // later in the reading order wins
        {{SDLK_a, SDLK_DELETE}, 0, EDIT_KEY_DELETE},
        {{SDLK_KP_PERIOD}, 0, EDIT_KEY_DELETE},
        {{SDLK_DELETE, SDLK_BACKSPACE}, 0, EDIT_KEY_BACKSPACE},
        {{SDLK_BACKSPACE, SDLK_ESCAPE}, 0, EDIT_KEY_END_EDIT},
        {{SDLK_RETURN, SDLK_TAB}, 0, EDIT_KEY_NEXT_FIELD},
        {{SDLK_HOME}, 255, -1},
    };
    for (const KeyCase& c : cases) {
        ResetInputState();
        for (int32_t k : c.down)
            if (k) inputState.keys[k] = 1;
        EXPECT_EQ(ReadEditKey(0, c.classes), c.want) << "keys " << c.down[0] << " " << c.down[1];
    }
}

TEST_F(TextEntryTest, HeldKeysCountOnlyWhenAskedAndNeverForReturnEscapeTab) {
    const int32_t keys[] = {SDLK_x, SDLK_RETURN, SDLK_ESCAPE, SDLK_TAB};
    const int32_t heldWant[] = {'x', -1, -1, -1};
    for (int i = 0; i < 4; i++) {
        ResetInputState();
        inputState.keys[keys[i]] = 1;
        inputState.previousKeys[keys[i]] = 1;
        EXPECT_EQ(ReadEditKey(0, 255), -1) << keys[i];
        EXPECT_EQ(ReadEditKey(1, 255), heldWant[i]) << keys[i];
    }
}

TEST_F(TextEntryTest, InsertStopsAtPosition192AndDeletionCutsThere) {
    std::string full(191, 'a');
    std::strcpy(textEntry.buffer, full.c_str());
    SetSelection(191, 191);
    InsertEditChar('b');
    EXPECT_EQ(Text(), full + "b");
    EXPECT_EQ(textEntry.cursor, 192);
    InsertEditChar('c');
    EXPECT_EQ(Text(), full + "b") << "nothing goes in at 192";
    EXPECT_EQ(textEntry.cursor, 192);

    std::string longer(250, 'z');
    std::strcpy(textEntry.buffer, longer.c_str());
    SetSelection(0, 0);
    EXPECT_EQ(DeleteEditSelection(), 0);
    EXPECT_EQ(Text(), std::string(192, 'z'));
    SetSelection(195, 10);   // an end past the surviving text
    EXPECT_EQ(DeleteEditSelection(), 1);
    EXPECT_EQ(Text(), std::string(10, 'z'));
    EXPECT_EQ(textEntry.cursor, 10);
    EXPECT_EQ(textEntry.anchor, 10);
}

TEST_F(TextEntryTest, AStringTargetLongerThanTheBufferIsLoadedCut) {
    static char huge[400];
    std::memset(huge, 'h', sizeof huge - 1);
    huge[sizeof huge - 1] = '\0';
    widgetTable.count = 0;
    AddWidget("Huge:", FIELD_X, FIELD_Y, CELL, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(huge));
    Slot(0).activated = 1;
    UpdateWidgets();
    EXPECT_EQ(std::strlen(textEntry.buffer), size_t(EDIT_BUFFER_SIZE - 1));
    EXPECT_EQ(std::strlen(huge), size_t(EDIT_BUFFER_SIZE - 1)) << "stored back within 256 bytes";
    EXPECT_EQ(huge[EDIT_BUFFER_SIZE], 'h') << "nothing written past the bound";
}

}  // namespace
