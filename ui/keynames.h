// Display names of the keys that can serve as widget hotkeys.
#pragma once
#include "platform/input.h"

constexpr int KEY_NAME_SIZE = 16;  // NUL-terminated, at most 15 characters

struct KeyNameTable {
    char names[KEY_COUNT][KEY_NAME_SIZE];
};

extern KeyNameTable keyNameTable;

// Writes the 56 names ("A".."Z", "0".."9", "Left", "Enter", "Ins", ...); every
// other entry stays empty. Calling it again changes nothing.
void InitKeyNames();

// The name of a key code; "" for any code outside 0..KEY_COUNT-1.
const char* KeyName(int32_t code);
