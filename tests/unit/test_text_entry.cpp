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

constexpr int32_t FX = 100, FY = 200, CELL = 16;
constexpr int INT_SLOT = 1, UINT_SLOT = 2, FLOAT_SLOT = 3, STRING_SLOT = 4;

Widget& Slot(int i) { return widgetTable.widgets[i]; }
std::string Text() { return textEntry.buffer; }

class TextEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWidgetTable();
        ResetInputState();
        ResetTextEntry();
    }
    // "Done", then one field per row (int, unsigned, float, string) with the
    // hotkeys F1..F4.
    void Layout() {
        widgetTable.count = 0;
        AddWidget("Done", 4, 4, CELL, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
        const char* labels[] = {intLabel, "Count:", "Scale:", "Name:...."};
        void* targets[] = {&number, &unsignedNumber, &real, text};
        for (int i = 0; i < 4; i++) {
            AddWidget(labels[i], FX, FY + i * 2 * CELL, CELL, 1, 1, 1);
            AttachBehaviour(BEHAVIOUR_INT_ENTRY + i, targets[i]);
            AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F1 + i));
        }
    }
    void Step(std::initializer_list<int32_t> keys = {}, bool left = false, int32_t mx = 600, int32_t my = 470) {
        std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
        inputState.previousMouse = inputState.mouse;
        std::memset(inputState.keys, 0, sizeof inputState.keys);
        for (int32_t k : keys) inputState.keys[k] = 1;
        inputState.mouse = MouseState{mx, my, left, 0, 0, 0, 0, 0};
        Layout();
        UpdateWidgets();
    }
    // Keys down together for one frame, then up for one.
    void Press(std::initializer_list<int32_t> keys) { Step(keys), Step(); }
    // Characters as the keys that type them; an upper-case letter is Shift + its key.
    void Type(const char* chars) {
        for (const char* c = chars; *c; c++)
            if (*c >= 'A' && *c <= 'Z') Press({SDLK_LSHIFT, int32_t(*c - 'A' + 'a')});
            else Press({int32_t(*c)});
    }
    void Click(int32_t mx, int32_t my) { Step({}, true, mx, my), Step({}, false, mx, my); }
    void Edit(int32_t hotkey, const char* buffer, int32_t anchor, int32_t cursor) {
        Press({hotkey});
        std::strcpy(textEntry.buffer, buffer);
        textEntry.anchor = anchor, textEntry.cursor = cursor;
    }

    const char* intLabel = "Value:";
    int32_t number = 0;
    uint32_t unsignedNumber = 0;
    float real = 0;
    char text[64] = "";
};

TEST_F(TextEntryTest, HotkeySelectsEverythingAndTypingReplacesItLive) {
    number = -5;
    Step({SDLK_F1});
    EXPECT_EQ(Text(), "-5");
    EXPECT_TRUE(textEntry.anchor == 0 && textEntry.cursor == 2);
    Step({SDLK_7});
    EXPECT_EQ(Text(), "7");
    EXPECT_EQ(number, 7) << "stored in the frame of the key";
    for (int frame = 0; frame < 4; frame++) Step({SDLK_7});
    EXPECT_EQ(Text(), "7") << "a held key types once";
}

TEST_F(TextEntryTest, ClickPlacesTheCursorAndDraggingSelects) {
    number = 12345;
    Click(FX + 2 * CELL + 5, FY + CELL + 3);
    EXPECT_TRUE(Slot(INT_SLOT).activated && textEntry.anchor == 2 && textEntry.cursor == 2);
    Step({}, true, FX + 1 * CELL, FY + CELL);   // a new click in the running edit
    Step({}, true, FX + 4 * CELL, FY + CELL);   // dragged, button held
    EXPECT_TRUE(textEntry.anchor == 1 && textEntry.cursor == 4);
    Step();
    Click(600, 470);   // a click outside ends the edit
    ASSERT_EQ(Slot(INT_SLOT).activated, 0);
    number = 7;
    Click(FX + 4 * CELL, FY + CELL);
    EXPECT_TRUE(textEntry.anchor == 1 && textEntry.cursor == 1) << "clamped to the text";
}

TEST_F(TextEntryTest, TextThatDoesNotConvertKeepsTheLastStoredValue) {
    number = 42;
    Press({SDLK_F1});
    Press({SDLK_BACKSPACE});   // removes the whole selection
    EXPECT_TRUE(Text().empty() && number == 42);
    Type("12abc");
    EXPECT_TRUE(Text() == "12abc" && number == 12);
    Press({SDLK_HOME});
    Press({SDLK_DELETE});
    Press({SDLK_DELETE});
    EXPECT_TRUE(Text() == "abc" && number == 2) << "2abc was the last text that converted";
}

TEST_F(TextEntryTest, EveryTypeConvertsBackAndTheFloatKeepsSixDigits) {
    real = 1234567.0f;
    Press({SDLK_F3});
    EXPECT_EQ(Text(), "1.23457e+06");
    EXPECT_EQ(real, 1234570.0f) << "activation alone stores back";
    Press({SDLK_RETURN});
    Press({SDLK_F2});
    Type("4000000000");   // cut by the field's capacity of 5
    EXPECT_EQ(unsignedNumber, 40000u);
    Press({SDLK_RETURN});
    std::strcpy(text, "ab");
    Press({SDLK_F4});
    Press({SDLK_END});
    Type("C/d");
    EXPECT_STREQ(text, "abC/d");
}

TEST_F(TextEntryTest, ReturnAndEscapeEndTheEditAndKeepTheText) {
    for (int32_t key : {SDLK_RETURN, SDLK_ESCAPE}) {
        unsignedNumber = 0;
        Press({SDLK_F2});
        Type("9");
        Press({key});
        EXPECT_TRUE(!Slot(UINT_SLOT).activated && unsignedNumber == 9u) << key;
        EXPECT_EQ(Slot(0).activated, 0) << "Escape in a field does not press Done";
    }
}

TEST_F(TextEntryTest, DeletionForwardAndBack) {
    Edit(SDLK_F4, "abcdef", 1, 1);
    Press({SDLK_KP_PERIOD});
    EXPECT_TRUE(Text() == "acdef" && textEntry.cursor == 1);
    Press({SDLK_BACKSPACE});
    EXPECT_TRUE(Text() == "cdef" && textEntry.cursor == 0);
    Press({SDLK_BACKSPACE});   // nothing before the cursor
    Press({SDLK_END});
    Press({SDLK_DELETE});      // nothing after it
    EXPECT_STREQ(text, "cdef");
}

TEST_F(TextEntryTest, AFieldTakesOneCharacterLessThanItsWidthInBothModes) {
    intLabel = "Ten chars:";
    for (int overwrite = 0; overwrite <= 1; overwrite++) {
        textEntry.overwrite = overwrite;
        Edit(SDLK_F1, "", 0, 0);
        Type("1234567891");
        EXPECT_EQ(Text(), "123456789") << "the tenth is refused, mode " << overwrite;
        Press({SDLK_HOME});
        Type("5");   // refused even where it would only replace a character
        EXPECT_EQ(Text(), "123456789") << overwrite;
        Press({SDLK_RETURN});
    }
}

TEST_F(TextEntryTest, ShiftedCursorKeysExtendTheSelectionAndPlainOnesCollapseIt) {
    Edit(SDLK_F4, "abcdef", 4, 4);
    Press({SDLK_LSHIFT, SDLK_HOME});
    EXPECT_TRUE(textEntry.anchor == 4 && textEntry.cursor == 0);
    Press({SDLK_LSHIFT, SDLK_RIGHT});
    EXPECT_TRUE(textEntry.anchor == 4 && textEntry.cursor == 1);
    Press({SDLK_LEFT});
    EXPECT_TRUE(textEntry.anchor == 0 && textEntry.cursor == 0);
}

TEST_F(TextEntryTest, OverwriteModeReplacesTheCharacterAtTheCursor) {
    Press({SDLK_F4});
    Press({SDLK_INSERT});
    struct {
        const char* start;
        int32_t anchor, cursor;
        const char* want;
    } cases[] = {{"abcd", 1, 1, "aXcd"}, {"abcd", 4, 4, "abcdX"}, {"abcdef", 1, 3, "aXef"}, {"", 0, 0, "X"}};
    for (const auto& c : cases) {
        std::memset(textEntry.buffer, 'q', sizeof textEntry.buffer);   // stale bytes past the text
        std::strcpy(textEntry.buffer, c.start);
        textEntry.anchor = c.anchor, textEntry.cursor = c.cursor;
        Type("X");
        EXPECT_EQ(Text(), c.want) << c.start << " " << c.anchor << ".." << c.cursor;
    }
    Press({SDLK_INSERT});
    Edit(SDLK_F4, "abcd", 1, 1);
    Type("X");
    EXPECT_EQ(Text(), "aXbcd") << "Insert again: insert mode";
    Press({SDLK_INSERT});
    Press({SDLK_RETURN});
    Edit(SDLK_F4, "abcd", 0, 0);
    Type("Z");
    EXPECT_EQ(Text(), "Zbcd") << "the mode carries over to the next edit";
}

TEST_F(TextEntryTest, TabMovesToTheNextFieldWrappingToTheFirst) {
    number = 11;
    real = 2.5f;
    std::strcpy(text, "abc");
    Press({SDLK_F3});
    Press({SDLK_TAB});
    EXPECT_TRUE(!Slot(FLOAT_SLOT).activated && Slot(STRING_SLOT).activated);
    EXPECT_TRUE(Text() == "abc" && textEntry.anchor == 0 && textEntry.cursor == 3) << "all selected";
    Press({SDLK_TAB});   // wraps past the plain label in slot 0
    EXPECT_TRUE(!Slot(STRING_SLOT).activated && Slot(INT_SLOT).activated && Text() == "11");
    EXPECT_TRUE(real == 2.5f && std::string(text) == "abc");
}

TEST_F(TextEntryTest, TabInTheOnlyFieldKeepsItAndAFieldlessSearchEnds) {
    int32_t value = 3;
    for (int slot = 0; slot <= 1; slot++) {
        ResetWidgetTable();
        widgetTable.count = 0;
        if (slot == 1) AddWidget("Plain", 0, 0, CELL, 1, 1, 1);
        AddWidget("Only:", FX, FY, CELL, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&value));
        Slot(slot).activated = Slot(slot).wasActivated = 1;
        inputState.keys[SDLK_TAB] = 1;
        widgetTable.current = slot;
        EditFieldAction();
        inputState.keys[SDLK_TAB] = 0;
        EXPECT_EQ(Slot(slot).activated, 1) << slot;
    }
    // The action attached by hand to a plain label, no field anywhere.
    ResetWidgetTable();
    AddWidget("Odd", 0, 0, CELL, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_ACTION, &EditFieldAction);
    Slot(0).activated = Slot(0).wasActivated = 1;
    inputState.keys[SDLK_TAB] = 1;
    widgetTable.current = 0;
    EditFieldAction();
    EXPECT_EQ(Slot(0).activated, 1);
}

TEST_F(TextEntryTest, StringStoreBackNeverGrowsPastTheTargetsRoom) {
    // Two string fields edited at once (one clicked, the other's hotkey in the
    // same frame) share the one buffer: the short target must not receive the
    // long one's text.
    struct {
        char shortText[4];
        char guard[12];
    } small;
    std::strcpy(small.shortText, "xy");
    std::memset(small.guard, 'G', sizeof small.guard);
    char longText[64] = "a long text of thirty-nine characters..";
    for (int frame = 0; frame < 2; frame++) {
        std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
        inputState.previousMouse = inputState.mouse;
        inputState.mouse = MouseState{FX, FY, 1, 0, 0, 0, 0, 0};
        inputState.keys[SDLK_F5] = 1;
        widgetTable.count = 0;
        AddWidget("abc", FX, FY, CELL, 1, 1, 1);   // takes 2 characters
        AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(small.shortText));
        AddWidget("Long label", FX, FY + 100, CELL, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(longText));
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_F5));
        UpdateWidgets();
        ASSERT_TRUE(Slot(0).activated && Slot(1).activated);
    }
    EXPECT_EQ(std::string(small.guard, sizeof small.guard), std::string(sizeof small.guard, 'G'));
    EXPECT_LE(std::strlen(small.shortText), 2u);
    EXPECT_STREQ(longText, "a long text of thirty-nine characters..");

    static char huge[400];   // a target longer than the buffer: loaded and stored cut
    std::memset(huge, 'h', sizeof huge - 1);
    ResetWidgetTable();
    AddWidget("Huge:", FX, FY, CELL, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(huge));
    Slot(0).activated = 1;
    UpdateWidgets();
    EXPECT_EQ(std::strlen(huge), size_t(EDIT_BUFFER_SIZE - 1));
    EXPECT_EQ(huge[EDIT_BUFFER_SIZE], 'h') << "nothing written past the bound";
}

// The room of a string target is measured when the edit starts: a target the
// program shortens during the edit still receives the whole text shown.
TEST_F(TextEntryTest, StringTargetHoldsTheShownTextAfterTheProgramShortensIt) {
    std::strcpy(text, "hello world");   // longer than the field's 8 typed characters
    Press({SDLK_F4});
    Press({SDLK_END});
    text[0] = '\0';
    Step();
    EXPECT_EQ(std::string(text), Text());
    Press({SDLK_BACKSPACE});
    EXPECT_EQ(std::string(text), "hello worl");
}

TEST_F(TextEntryTest, FieldsWithoutWidthOrSizeTakeNothingAndDoNotFault) {
    char empty[8] = "";
    int32_t five = 5;
    widgetTable.count = 0;
    AddWidget("", FX, FY, CELL, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_STRING_ENTRY, static_cast<void*>(empty));
    AddWidget("Zero size", FX, FY, 0, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, static_cast<void*>(&five));
    Slot(0).activated = Slot(0).wasActivated = 1;
    inputState.keys[SDLK_a] = 1;
    widgetTable.current = 0;
    EditFieldAction();
    EXPECT_TRUE(Text().empty() && empty[0] == 0) << "width 0 takes no typed character";
    Slot(1).activated = 1;   // a click reaches the zero-size field only through its slot
    inputState.mouse = MouseState{FX + 30, FY, 1, 0, 0, 0, 0, 0};
    widgetTable.current = 1;
    EditFieldAction();
    EXPECT_TRUE(textEntry.cursor == 0 && Text() == "5");
}

// ---------------------------------------------------------------- direct operations

TEST_F(TextEntryTest, ReadEditKeyMapsKeysByClassAndShift) {
    struct {
        int32_t down[2];   // 0: no second key
        int32_t classes, want;
    } cases[] = {
        {{SDLK_q}, 1, 'q'}, {{SDLK_q, SDLK_LSHIFT}, 1, 'Q'}, {{SDLK_q}, 2, -1},
        {{SDLK_5}, 2, '5'}, {{SDLK_5, SDLK_LSHIFT}, 2, -1}, {{SDLK_5, SDLK_LSHIFT}, 32, '%'},
        {{SDLK_0, SDLK_LSHIFT}, 32, ')'}, {{SDLK_9, SDLK_LSHIFT}, 32, '('}, {{SDLK_PERIOD}, 4, '.'},
        {{SDLK_PERIOD}, 32, -1}, {{SDLK_PERIOD, SDLK_LSHIFT}, 32, '>'}, {{SDLK_MINUS}, 16, '-'},
        {{SDLK_MINUS, SDLK_LSHIFT}, 32, '_'}, {{SDLK_SLASH}, 32, '/'}, {{SDLK_SLASH, SDLK_LSHIFT}, 32, '?'},
        {{SDLK_QUOTE, SDLK_LSHIFT}, 32, '"'}, {{SDLK_BACKSLASH}, 32, '\\'},
        {{SDLK_SEMICOLON, SDLK_LSHIFT}, 32, ':'}, {{SDLK_EQUALS, SDLK_LSHIFT}, 32, '+'},
        {{SDLK_COMMA, SDLK_LSHIFT}, 32, '<'}, {{SDLK_SPACE}, 8, ' '}, {{SDLK_SPACE}, 1, -1},
        {{SDLK_LEFTBRACKET}, 255, -1}, {{SDLK_F1}, 255, -1}, {{SDLK_a, SDLK_CAPSLOCK}, 255, 'a'},
        {{SDLK_a, SDLK_1}, 255, '1'},   // later in the reading order wins
        {{SDLK_a, SDLK_DELETE}, 0, EDIT_KEY_DELETE}, {{SDLK_KP_PERIOD}, 0, EDIT_KEY_DELETE},
        {{SDLK_DELETE, SDLK_BACKSPACE}, 0, EDIT_KEY_BACKSPACE},
        {{SDLK_BACKSPACE, SDLK_ESCAPE}, 0, EDIT_KEY_END_EDIT}, {{SDLK_RETURN, SDLK_TAB}, 0, EDIT_KEY_NEXT_FIELD},
    };
    for (const auto& c : cases) {
        ResetInputState();
        for (int32_t k : c.down) inputState.keys[k] = k != 0;
        EXPECT_EQ(ReadEditKey(0, c.classes), c.want) << "keys " << c.down[0] << " " << c.down[1];
    }
    // Held keys count only when asked, and Return, Escape and Tab never.
    for (int32_t key : {SDLK_x, SDLK_RETURN, SDLK_ESCAPE, SDLK_TAB}) {
        ResetInputState();
        inputState.keys[key] = inputState.previousKeys[key] = 1;
        EXPECT_EQ(ReadEditKey(0, 255), -1) << key;
        EXPECT_EQ(ReadEditKey(1, 255), key == SDLK_x ? 'x' : -1) << key;
    }
}

TEST_F(TextEntryTest, InsertStopsAtPosition192AndDeletionCutsThere) {
    std::string full(191, 'a');
    std::strcpy(textEntry.buffer, full.c_str());
    textEntry.anchor = textEntry.cursor = 191;
    InsertEditChar('b');
    InsertEditChar('c');
    EXPECT_TRUE(Text() == full + "b" && textEntry.cursor == 192) << "nothing goes in at 192";

    std::strcpy(textEntry.buffer, std::string(250, 'z').c_str());
    textEntry.anchor = textEntry.cursor = 0;
    EXPECT_EQ(DeleteEditSelection(), 0);
    EXPECT_EQ(Text(), std::string(192, 'z'));
    textEntry.anchor = 195, textEntry.cursor = 10;   // an end past the surviving text
    EXPECT_EQ(DeleteEditSelection(), 1);
    EXPECT_TRUE(Text() == std::string(10, 'z') && textEntry.cursor == 10 && textEntry.anchor == 10);

    std::strcpy(textEntry.buffer, std::string(250, 'z').c_str());
    textEntry.anchor = textEntry.cursor = 191;
    DeleteEditSelection();  // cuts the text to 192
    InsertEditChar('y');    // pushes the 192nd character out past the cut
    EXPECT_EQ(Text(), std::string(191, 'z') + "yz") << "the cut tail never comes back";
}

}  // namespace
