// The one-line text entry, driven through the widget update as the frame loop
// drives it. Each row plays a script of key presses and clicks on a screen of
// "Done" and four fields (int, unsigned, float, string; hotkeys F1..F4) and
// compares one summary: the text [anchor,cursor], which of the five widgets
// are activated, and the four targets.
#include "support/support.h"

namespace {

struct TextEntryTest : ::testing::Test {
    int32_t number = 0;
    uint32_t count = 0;
    float scale = 0;
    char name[400] = "";
    void SetUp() override {
        ResetRecords();
    }
    void Frame(const std::vector<int32_t>& keys, bool left = false, int mx = 600, int my = 470) {
        void* const targets[4] = {&number, &count, &scale, name};
        FieldScreenFrame(targets, keys, left, mx, my);
    }
    // Tokens: a key name ("+" in front holds Shift with it), 'text types each
    // character, ~k holds key k for four frames, c:x,y clicks, d:x,y holds the
    // button at (x, y), up lets go, clear empties the string target mid-edit.
    void Play(const char* script) {
        static const std::map<std::string, int32_t> KEYS = {{"F1", SDLK_F1},
                                                            {"F2", SDLK_F2},
                                                            {"F3", SDLK_F3},
                                                            {"F4", SDLK_F4},
                                                            {"Tab", SDLK_TAB},
                                                            {"Ret", SDLK_RETURN},
                                                            {"Esc", SDLK_ESCAPE},
                                                            {"BS", SDLK_BACKSPACE},
                                                            {"Del", SDLK_DELETE},
                                                            {"KPdel", SDLK_KP_PERIOD},
                                                            {"Home", SDLK_HOME},
                                                            {"End", SDLK_END},
                                                            {"Left", SDLK_LEFT},
                                                            {"Right", SDLK_RIGHT},
                                                            {"Ins", SDLK_INSERT}};
        std::istringstream in(script);
        int x, y;
        for (std::string t; in >> t;) {
            if (t[0] == '\'')
                for (char c : t.substr(1))
                    Frame(std::isupper(c) ? std::vector<int32_t>{SDLK_LSHIFT, std::tolower(c)}
                                          : std::vector<int32_t>{c}),
                        Frame({});
            else if (t[0] == '~')
                for (int i = 0; i < 4; i++)
                    Frame({t[1]});
            else if (std::sscanf(t.c_str(), "%*[cd]:%d,%d", &x, &y) == 2)
                t[0] == 'c' ? (Frame({}, true, x, y), Frame({}, false, x, y))
                            : Frame({}, true, x, y);
            else if (t == "up" || t == "clear")
                t == "up" ? Frame({}) : void(name[0] = '\0');
            else
                Frame(t[0] == '+' ? std::vector<int32_t>{SDLK_LSHIFT, KEYS.at(t.substr(1))}
                                  : std::vector<int32_t>{KEYS.at(t)}),
                    Frame({});
        }
    }
    std::string Summary() const {
        const Widget* w = widgetTable.widgets;
        char values[96];
        std::snprintf(values,
                      sizeof values,
                      "[%d,%d] %d%d%d%d%d %d %u %.9g ",
                      textEntry.anchor,
                      textEntry.cursor,
                      w[0].activated,
                      w[1].activated,
                      w[2].activated,
                      w[3].activated,
                      w[4].activated,
                      number,
                      count,
                      double(scale));
        return textEntry.buffer + std::string(values) + name;
    }
};

TEST_F(TextEntryTest, ScriptsOfKeysAndClicks) {
    const std::string h255(255, 'h');
    const struct {
        const char* what;
        int32_t number;
        float scale;
        std::string text;
        const char* script;
        std::string want;
    } rows[] = {
        {"a hotkey selects the whole text", -5, 0, "", "F1", "-5[0,2] 01000 -5 0 0 "},
        {"typing replaces it and stores at once", -5, 0, "", "F1 '7", "7[1,1] 01000 7 0 0 "},
        {"a held key types once", 0, 0, "", "F1 ~7", "7[1,1] 01000 7 0 0 "},
        {"a click puts the cursor in the cell under it",
         12345,
         0,
         "",
         "c:134,219",
         "12345[2,2] 01000 12345 0 0 "},
        {"a drag selects from the click",
         12345,
         0,
         "",
         "c:134,219 d:116,216 d:164,216 up",
         "12345[1,4] 01000 12345 0 0 "},
        {"a click past the text stops at its end", 7, 0, "", "c:164,216", "7[1,1] 01000 7 0 0 "},
        {"a click outside ends the edit", 7, 0, "", "F1 c:600,470", "7[0,1] 00000 7 0 0 "},
        {"text that does not convert keeps the last value",
         42,
         0,
         "",
         "F1 BS '12abc Home Del Del",
         "abc[0,0] 01000 2 0 0 "},
        {"a float keeps six digits", 0, 1234567, "", "F3", "1.23457e+06[0,11] 00010 0 0 1234570 "},
        {"a field takes one character less than its width",
         0,
         0,
         "",
         "F2 '4000000000",
         "40000[5,5] 00100 0 40000 0 "},
        {"the full field refuses a character at any place",
         0,
         0,
         "",
         "F1 '123456 Home '5",
         "12345[0,0] 01000 12345 0 0 "},
        {"also in overwrite mode",
         0,
         0,
         "",
         "F1 Ins '123456 Home '5",
         "12345[0,0] 01000 12345 0 0 "},
        {"Shift types capitals", 0, 0, "ab", "F4 End 'C/d", "abC/d[5,5] 00001 0 0 0 abC/d"},
        {"Return ends the edit", 0, 0, "", "F2 '9 Ret", "9[1,1] 00000 0 9 0 "},
        {"Escape ends it and presses nothing", 0, 0, "", "F2 '9 Esc", "9[1,1] 00000 0 9 0 "},
        {"deletion forward and back",
         0,
         0,
         "abcdef",
         "F4 Home Right KPdel BS BS End Del",
         "cdef[4,4] 00001 0 0 0 cdef"},
        {"Shift extends the selection",
         0,
         0,
         "abcdef",
         "F4 End Left Left +Home +Right",
         "abcdef[4,1] 00001 0 0 0 abcdef"},
        {"a plain cursor key collapses it",
         0,
         0,
         "abcdef",
         "F4 End +Left Left",
         "abcdef[4,4] 00001 0 0 0 abcdef"},
        {"overwrite replaces at the cursor",
         0,
         0,
         "abcd",
         "F4 Home Right Ins 'X",
         "aXcd[2,2] 00001 0 0 0 aXcd"},
        {"overwrite appends at the end",
         0,
         0,
         "abcd",
         "F4 End Ins 'X",
         "abcdX[5,5] 00001 0 0 0 abcdX"},
        {"overwrite after deleting a selection",
         0,
         0,
         "abcdef",
         "F4 Home Right +Right +Right Ins 'X",
         "aXef[2,2] 00001 0 0 0 aXef"},
        {"Insert twice: insert mode; the mode outlives the edit",
         0,
         0,
         "abcd",
         "F4 Ins Ins Home Right 'X Ret F4 Ins Ret F4 Home 'Z",
         "ZXbcd[1,1] 00001 0 0 0 ZXbcd"},
        {"Tab moves on and selects everything",
         11,
         2.5f,
         "abc",
         "F3 Tab",
         "abc[0,3] 00001 11 0 2.5 abc"},
        {"Tab wraps past the plain label",
         11,
         2.5f,
         "abc",
         "F3 Tab Tab",
         "11[0,2] 01000 11 0 2.5 abc"},
        {"a target emptied mid-edit holds what the field shows",
         0,
         0,
         "hello world",
         "F4 End clear BS",
         "hello worl[10,10] 00001 0 0 0 hello worl"},
        {"a long target is taken and stored back in the edit's 255 bytes",
         0,
         0,
         std::string(399, 'h'),
         "F4",
         h255 + "[0,255] 00001 0 0 0 " + h255},
    };
    for (const auto& r : rows) {
        ResetRecords(), number = r.number, count = 0, scale = r.scale,
                        std::snprintf(name, sizeof name, "%s", r.text.c_str()), Play(r.script);
        EXPECT_EQ(Summary(), r.want) << r.what << ": " << r.script;
    }
}

TEST_F(TextEntryTest, ReadEditKeyMapsKeysByClassAndShift) {
    // `held`: the keys were down last frame too; `repeat`: what ReadEditKey is asked for such keys.
    const struct {
        int32_t down[2], classes, want, held = 0, repeat = 0;
    } rows[] = {{{SDLK_q}, 1, 'q'},
                {{SDLK_q, SDLK_LSHIFT}, 1, 'Q'},
                {{SDLK_q}, 2, -1},
                {{SDLK_5}, 2, '5'},
                {{SDLK_5, SDLK_LSHIFT}, 2, -1},
                {{SDLK_5, SDLK_LSHIFT}, 32, '%'},
                {{SDLK_0, SDLK_LSHIFT}, 32, ')'},
                {{SDLK_PERIOD}, 4, '.'},
                {{SDLK_PERIOD}, 32, -1},
                {{SDLK_PERIOD, SDLK_LSHIFT}, 32, '>'},
                {{SDLK_MINUS}, 16, '-'},
                {{SDLK_SLASH, SDLK_LSHIFT}, 32, '?'},
                {{SDLK_QUOTE, SDLK_LSHIFT}, 32, '"'},
                {{SDLK_SPACE}, 8, ' '},
                {{SDLK_SPACE}, 1, -1},
                {{SDLK_F1}, 255, -1},
                {{SDLK_a, SDLK_CAPSLOCK}, 255, 'a'},
                {{SDLK_a, SDLK_1}, 255, '1'},
                {{SDLK_a, SDLK_DELETE}, 0, EDIT_KEY_DELETE},
                {{SDLK_KP_PERIOD}, 0, EDIT_KEY_DELETE},
                {{SDLK_DELETE, SDLK_BACKSPACE}, 0, EDIT_KEY_BACKSPACE},
                {{SDLK_BACKSPACE, SDLK_ESCAPE}, 0, EDIT_KEY_END_EDIT},
                {{SDLK_RETURN, SDLK_TAB}, 0, EDIT_KEY_NEXT_FIELD},
                {{SDLK_x}, 255, -1, 1, 0},
                {{SDLK_x}, 255, 'x', 1, 1},
                {{SDLK_RETURN}, 255, -1, 1, 1},
                {{SDLK_ESCAPE}, 255, -1, 1, 1},
                {{SDLK_TAB}, 255, -1, 1, 1}};  // never these three
    for (const auto& r : rows) {
        ResetInputState();
        for (int32_t k : r.down)
            inputState.keys[k] = k != 0, inputState.previousKeys[k] = k != 0 && r.held;
        EXPECT_EQ(ReadEditKey(r.repeat, r.classes), r.want)
            << "keys " << r.down[0] << " " << r.down[1] << (r.held ? " held" : "");
    }
}

// Typing stops at position 192 and a deletion cuts the text there; a field
// of no cells and one of size 0 take a click without dividing by zero.
TEST_F(TextEntryTest, InsertStopsAtPosition192DeletionCutsThereAndEmptyFieldsTakeClicks) {
    auto set = [](size_t n, char c, int32_t at) {
        std::snprintf(textEntry.buffer, sizeof textEntry.buffer, "%s", std::string(n, c).c_str()),
            textEntry.anchor = textEntry.cursor = at;
    };
    set(191, 'a', 191), InsertEditChar('b'), InsertEditChar('c');
    EXPECT_TRUE(textEntry.buffer == std::string(191, 'a') + "b" && textEntry.cursor == 192);
    set(250, 'z', 0);
    EXPECT_TRUE(DeleteEditSelection() == 0 && textEntry.buffer == std::string(192, 'z'));
    textEntry.anchor = 195, textEntry.cursor = 10;
    EXPECT_TRUE(DeleteEditSelection() == 1 && textEntry.buffer == std::string(10, 'z') &&
                textEntry.anchor == 10);
    set(250, 'z', 191), DeleteEditSelection(), InsertEditChar('y');
    EXPECT_EQ(std::string(textEntry.buffer), std::string(191, 'z') + "yz")
        << "the cut tail never comes back";
    char empty[8] = "";
    int32_t five = 5;
    AddWidget("", 100, 200, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_STRING_ENTRY, empty);
    AddWidget("Zero size", 100, 200, 0, 1, 1, 1), AttachBehaviour(BEHAVIOUR_INT_ENTRY, &five);
    widgetTable.widgets[0].wasActivated = 1, InputFrame({SDLK_a}, true, 130, 200);
    for (int32_t i : {0, 1})
        widgetTable.current = i, EditFieldAction();
    EXPECT_TRUE(!empty[0] && textEntry.cursor == 0 && std::string(textEntry.buffer) == "5");
}

}  // namespace
