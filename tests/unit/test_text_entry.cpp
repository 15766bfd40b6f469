// The one-line text entry, driven through the widget update as the frame loop
// drives it: scripts of key presses and clicks on a screen of "Done" and four
// fields (int, unsigned, float, string; hotkeys F1..F4); the keys ReadEditKey
// reads; and the limits of the edit buffer.
#include "support/support.h"

namespace {

int32_t number;
uint32_t count;
float scale;
char name[400];

// One frame of the field screen with `keys` down and the mouse at (x, y).
void Frame(const std::vector<int32_t>& keys, bool left = false, int x = 600, int y = 470) {
    void* const targets[4] = {&number, &count, &scale, name};
    FieldScreenFrame(targets, keys, left, x, y);
}

// The SDL 1.2 codes of the keys the scripts name.
const std::string KEY_CODES =
    " Tab 9 Ret 13 Esc 27 BS 8 Del 127 KPdel 266 Home 278 End 279 Left 276 Right 275 Ins 277 F1 "
    "282 F2 283 F3 284 F4 285 ";
int32_t Key(const std::string& key) {
    const size_t at = KEY_CODES.find(" " + key + " ");
    EXPECT_NE(at, std::string::npos) << "a key the scripts know: " << key;
    return at == std::string::npos ? 0 : std::atoi(KEY_CODES.c_str() + at + key.size() + 2);
}

// Tokens, one or more frames each: n=, u=, f=, s= set the int, unsigned,
// float or string target; 'text types each character (capitals with Shift); ~k holds key k
// for four frames; c:x,y clicks, d:x,y holds the button there, up lets it go;
// a key name presses that key, with Shift when "+" comes first.
void Play(const std::string& script) {
    std::istringstream in(script);
    for (std::string t; in >> t;) {
        int x = 0;
        int y = 0;
        if (std::sscanf(t.c_str(), "n=%d", &number) + std::sscanf(t.c_str(), "u=%u", &count) +
                std::sscanf(t.c_str(), "f=%f", &scale) >
            0) {
        } else if (t.rfind("s=", 0) == 0) {
            std::snprintf(name, sizeof name, "%s", t.c_str() + 2);
        } else if (t[0] == '\'') {
            for (char c : t.substr(1)) {
                Frame(std::isupper(c) ? std::vector<int32_t>{SDLK_LSHIFT, std::tolower(c)}
                                      : std::vector<int32_t>{c});
                Frame({});
            }
        } else if (t[0] == '~') {
            for (int i = 0; i < 4; i++)
                Frame({t[1]});
        } else if (std::sscanf(t.c_str(), "%*[cd]:%d,%d", &x, &y) == 2) {
            Frame({}, true, x, y);
            if (t[0] == 'c')
                Frame({}, false, x, y);
        } else {
            Frame(t == "up"     ? std::vector<int32_t>{}
                  : t[0] == '+' ? std::vector<int32_t>{SDLK_LSHIFT, Key(t.substr(1))}
                                : std::vector<int32_t>{Key(t)});
            Frame({});
        }
    }
}

// Each script starts from the numbers 0 and the string "ab": the
// text [anchor,cursor], which of the five widgets are activated, and the four
// targets after it.
TEST(TextEntry, ScriptsOfKeysAndClicks) {
    const std::string h255(255, 'h');
    const std::tuple<const char*, std::string, std::string> rows[] = {
        {"a hotkey selects all", "u=3000000000 F2", "3000000000[0,10] 00100 0 3000000000 0 ab"},
        {"a held key types once", "n=-5 F1 ~7", "7[1,1] 01000 7 0 0 ab"},
        {"a float keeps six digits", "f=1234567 F3", "1.23457e+06[0,11] 00010 0 0 1234570 ab"},
        {"a click: the cell under it", "n=-1234 c:134,219", "-1234[2,2] 01000 -1234 0 0 ab"},
        {"a drag selects", "n=123 c:134,219 d:116,216 d:164,216 up", "123[1,3] 01000 123 0 0 ab"},
        {"no number: none stored", "n=42 F1 BS '12abc Home Del Del", "abc[0,0] 01000 2 0 0 ab"},
        {"a full field refuses", "F1 '123456 Home '5", "12345[0,0] 01000 12345 0 0 ab"},
        {"Shift types capitals", "F4 End 'C/d", "abC/d[5,5] 00001 0 0 0 abC/d"},
        {"Escape ends, pressing nothing", "F2 '9 Esc", "9[1,1] 00000 0 9 0 ab"},
        {"deleting", "s=abcd F4 Home Right KPdel BS BS End Del", "cd[2,2] 00001 0 0 0 cd"},
        {"cursor bounds", "F4 Home Left BS Right Right Right", "ab[2,2] 00001 0 0 0 ab"},
        {"+ selects", "s=abc F4 End Left Left +Home +End +Left +Right", "abc[1,3] 00001 0 0 0 abc"},
        {"overwrite at the cursor", "F4 Home Ins 'X", "Xb[1,1] 00001 0 0 0 Xb"},
        {"overwrite at the end", "F4 End Ins 'X", "abX[3,3] 00001 0 0 0 abX"},
        {"overwrite a selection", "s=abcd F4 Home Right +Right Ins 'X", "aXd[2,2] 00001 0 0 0 aXd"},
        {"Ins lasts", "F4 Ins Ins Home 'X Ret F4 Ins Ret F4 Home 'Z", "Zab[1,1] 00001 0 0 0 Zab"},
        {"Tab moves on, selects all", "n=11 F3 Tab", "ab[0,2] 00001 11 0 0 ab"},
        {"Tab wraps past the label", "n=11 F3 Tab Tab", "11[0,2] 01000 11 0 0 ab"},
        {"a target emptied mid-edit", "F4 End s= BS", "a[1,1] 00001 0 0 0 a"},
        {"255 bytes", "s=" + std::string(399, 'h') + " F4", h255 + "[0,255] 00001 0 0 0 " + h255},
    };
    for (const auto& [what, script, want] : rows) {
        ResetRecords();
        Play("n=0 u=0 f=0 s=ab " + script);
        char values[64];
        std::snprintf(values, sizeof values, " %d %u %.9g ", number, count, double(scale));
        std::string got = textEntry.buffer + ("[" + std::to_string(textEntry.anchor) + "," +
                                              std::to_string(textEntry.cursor) + "] ");
        for (int i = 0; i < 5; i++)
            got += std::to_string(widgetTable.widgets[i].activated);
        EXPECT_EQ(got + values + name, want) << what << ": " << script;
    }
}

// Each key of `keys` alone, with Shift or not and the character classes
// given: the characters read ('~' none). Then keys down together: the one
// read. Then what InsertEditChar and DeleteEditSelection make at the end of
// the buffer, and a click on a field of size 0.
TEST(TextEntry, KeysInsertionDeletionAndAFieldOfSizeZero) {
    const std::tuple<const char*, bool, int32_t, const char*> alone[] = {
        {"abcxyz", false, 1, "abcxyz"},
        {"abz", true, 1, "ABZ"},
        {"a ", false, 255 - 1 - 8, "~~"},
        {"0123456789", false, 2, "0123456789"},
        {"09.-", true, 2 | 4 | 16, "~~~~"},
        {"0123456789", true, 32, ")!@#$%^&*("},
        {"/;-=,\\'.", false, 32, "/;-=,\\'~"},
        {"/;-=.,\\'", true, 32, "?:_+><|\""},
        {".- []`", false, 255, ".- ~~~"},
    };
    for (const auto& [keys, shift, classes, want] : alone) {
        std::string got;
        for (const char* k = keys; *k; k++) {
            ResetInputState();
            inputState.keys[int(*k)] = 1;
            inputState.keys[SDLK_LSHIFT] = shift;
            const int32_t read = ReadEditKey(0, classes);
            got += read < 0 ? '~' : char(read);
        }
        EXPECT_EQ(got, want) << "keys " << keys << (shift ? " with Shift" : "") << ", classes "
                             << classes;
    }
    const std::tuple<std::vector<int32_t>, int32_t, int32_t> together[] = {
        // keys, classes
        {{SDLK_a, SDLK_1}, 255, '1'},
        {{SDLK_a, SDLK_DELETE}, 0, EDIT_KEY_DELETE},
        {{SDLK_DELETE, SDLK_BACKSPACE}, 0, EDIT_KEY_BACKSPACE},
        {{SDLK_BACKSPACE, SDLK_ESCAPE, SDLK_F1, SDLK_CAPSLOCK}, 0, EDIT_KEY_END_EDIT},
        {{SDLK_RETURN, SDLK_TAB}, 0, EDIT_KEY_NEXT_FIELD},
    };
    for (const auto& [keys, classes, want] : together) {
        ResetInputState();
        for (int32_t k : keys)
            inputState.keys[k] = 1;
        EXPECT_EQ(ReadEditKey(0, classes), want) << testing::PrintToString(keys);
    }
    ResetRecords();
    std::strcpy(textEntry.buffer, std::string(190, 'a').c_str());
    textEntry.cursor = 190;
    for (char c : {'x', 'y', 'z'})
        InsertEditChar(c);
    EXPECT_EQ(std::string(textEntry.buffer + 186) + " " + std::to_string(textEntry.cursor),
              "aaaaxy 192")
        << "typing stops at 192";
    std::strcpy(textEntry.buffer, std::string(250, 'z').c_str());
    textEntry.anchor = 195;
    textEntry.cursor = 191;
    const int32_t deleted = DeleteEditSelection();
    InsertEditChar('y');
    EXPECT_EQ(std::to_string(deleted) + " " + std::string(textEntry.buffer + 187) + " " +
                  std::to_string(textEntry.cursor),
              "1 zzzzy 192")
        << "191..195 deleted, the text cut at 192 for good, y typed";
    int32_t five = 5;
    AddWidget("Zero size", 100, 200, 0, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_INT_ENTRY, &five);
    InputFrame({SDLK_a}, true, 130, 200);
    EditFieldAction();
    EXPECT_EQ(std::string(textEntry.buffer) + " [" + std::to_string(textEntry.anchor) + "," +
                  std::to_string(textEntry.cursor) + "]",
              "5 [0,0]")
        << "a field of size 0 clicked";
}

}  // namespace
