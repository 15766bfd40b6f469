// The key name table as start-up leaves it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "ui/keynames.h"

namespace {

class KeyNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&keyNameTable, 0, sizeof keyNameTable);
        InitKeyNames();
    }
};

struct NameCase {
    int32_t code;
    const char* name;
};

TEST_F(KeyNameTest, NamedAndUnnamedEntries) {
    const NameCase cases[] = {
        {SDLK_a, "A"}, {SDLK_z, "Z"}, {SDLK_f, "F"}, {'A', ""}, {SDLK_0, "0"}, {SDLK_9, "9"},
        {SDLK_LEFT, "Left"}, {SDLK_KP4, ""}, {SDLK_KP0, "Ins"}, {SDLK_KP1, "End"},
        {SDLK_KP2, ""}, {SDLK_KP3, "PgDn"}, {SDLK_KP5, "Center"}, {SDLK_KP6, ""},
        {SDLK_KP7, "Home"}, {SDLK_KP8, ""}, {SDLK_KP9, "PgUp"}, {SDLK_KP_PERIOD, "Del"},
        {SDLK_KP_MINUS, "Minus"}, {SDLK_KP_PLUS, "Plus"}, {SDLK_KP_ENTER, ""},
        {SDLK_RETURN, "Enter"}, {SDLK_SPACE, "Space"}, {SDLK_COMMA, "Comma"},
        {SDLK_PERIOD, "Period"}, {SDLK_UP, "Up"}, {SDLK_DOWN, "Down"}, {SDLK_RIGHT, "Right"},
        {SDLK_LSHIFT, "Shift"}, {SDLK_LCTRL, "Ctrl"}, {SDLK_LALT, "Alt"}, {SDLK_RSHIFT, ""},
        {SDLK_RCTRL, ""}, {SDLK_RALT, ""}, {SDLK_ESCAPE, ""}, {SDLK_INSERT, ""},
        {SDLK_HOME, ""}, {SDLK_PAGEDOWN, ""}, {SDLK_DELETE, ""}, {SDLK_F1, ""},
        {SDLK_MINUS, ""}, {SDLK_SLASH, ""}, {0, ""},
    };
    for (const NameCase& c : cases) EXPECT_STREQ(KeyName(c.code), c.name) << c.code;
    for (int32_t c = SDLK_a; c <= SDLK_z; c++)
        EXPECT_EQ(std::string(KeyName(c)), std::string(1, char(c - 'a' + 'A'))) << c;
    for (int32_t c = SDLK_0; c <= SDLK_9; c++)
        EXPECT_EQ(std::string(KeyName(c)), std::string(1, char(c))) << c;
}

TEST_F(KeyNameTest, FiftySixNamesEachZeroPaddedAndFillingTwiceChangesNothing) {
    int named = 0;
    for (int code = 0; code < KEY_COUNT; code++) {
        const char* entry = keyNameTable.names[code];
        size_t length = strnlen(entry, KEY_NAME_SIZE);
        ASSERT_LT(length, size_t(KEY_NAME_SIZE)) << code;
        named += length > 0;
        for (int k = int(length); k < KEY_NAME_SIZE; k++) EXPECT_EQ(entry[k], 0) << code;
    }
    EXPECT_EQ(named, 56);
    KeyNameTable first = keyNameTable;
    InitKeyNames();
    EXPECT_EQ(std::memcmp(&first, &keyNameTable, sizeof first), 0);
}

TEST_F(KeyNameTest, CodesOutsideTheTableHaveTheEmptyName) {
    const int32_t codes[] = {-1, -323, KEY_COUNT, KEY_COUNT + 1, 100000, INT32_MAX, INT32_MIN};
    for (int32_t code : codes) EXPECT_STREQ(KeyName(code), "") << code;
    EXPECT_EQ(KeyName(SDLK_a), keyNameTable.names[SDLK_a]) << "in range: the entry itself";
}

}  // namespace
