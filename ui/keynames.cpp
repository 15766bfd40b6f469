#include "ui/keynames.h"

#include <SDL.h>

#include <cstring>

KeyNameTable keyNameTable;

namespace {

struct KeyNameEntry {
    int32_t code;
    const char* name;
};

// Single-character names (letters, digits) are the ones a label can pick out;
// the keypad codes carry the navigation legends printed on their caps.
constexpr KeyNameEntry KEY_NAMES[] = {
    {SDLK_a, "A"},          {SDLK_b, "B"},           {SDLK_c, "C"},
    {SDLK_d, "D"},          {SDLK_e, "E"},           {SDLK_f, "F"},
    {SDLK_g, "G"},          {SDLK_h, "H"},           {SDLK_i, "I"},
    {SDLK_j, "J"},          {SDLK_k, "K"},           {SDLK_l, "L"},
    {SDLK_m, "M"},          {SDLK_n, "N"},           {SDLK_o, "O"},
    {SDLK_p, "P"},          {SDLK_q, "Q"},           {SDLK_r, "R"},
    {SDLK_s, "S"},          {SDLK_t, "T"},           {SDLK_u, "U"},
    {SDLK_v, "V"},          {SDLK_w, "W"},           {SDLK_x, "X"},
    {SDLK_y, "Y"},          {SDLK_z, "Z"},           {SDLK_1, "1"},
    {SDLK_2, "2"},          {SDLK_3, "3"},           {SDLK_4, "4"},
    {SDLK_5, "5"},          {SDLK_6, "6"},           {SDLK_7, "7"},
    {SDLK_8, "8"},          {SDLK_9, "9"},           {SDLK_0, "0"},
    {SDLK_LEFT, "Left"},    {SDLK_RIGHT, "Right"},   {SDLK_UP, "Up"},
    {SDLK_DOWN, "Down"},    {SDLK_SPACE, "Space"},   {SDLK_RETURN, "Enter"},
    {SDLK_KP5, "Center"},   {SDLK_LCTRL, "Ctrl"},    {SDLK_LALT, "Alt"},
    {SDLK_LSHIFT, "Shift"}, {SDLK_COMMA, "Comma"},   {SDLK_PERIOD, "Period"},
    {SDLK_KP7, "Home"},     {SDLK_KP9, "PgUp"},      {SDLK_KP1, "End"},
    {SDLK_KP3, "PgDn"},     {SDLK_KP_PLUS, "Plus"},  {SDLK_KP_MINUS, "Minus"},
    {SDLK_KP0, "Ins"},      {SDLK_KP_PERIOD, "Del"},
};

constexpr int KEY_NAME_COUNT = sizeof KEY_NAMES / sizeof KEY_NAMES[0];
static_assert(KEY_NAME_COUNT == 56, "56 keys carry a name");
static_assert(SDLK_LAST == KEY_COUNT, "the name table covers every SDL key code");

constexpr bool AllEntriesFit() {
    for (const KeyNameEntry& e : KEY_NAMES) {
        if (e.code <= 0 || e.code >= KEY_COUNT)
            return false;
        int length = 0;
        while (e.name[length])
            length++;
        if (length == 0 || length >= KEY_NAME_SIZE)
            return false;
    }
    return true;
}
static_assert(AllEntriesFit(), "every name fits its entry and every code indexes the table");

}  // namespace

void InitKeyNames() {
    for (const KeyNameEntry& e : KEY_NAMES)
        std::memcpy(keyNameTable.names[e.code], e.name, std::strlen(e.name) + 1);
}

const char* KeyName(int32_t code) {
    if (code < 0 || code >= KEY_COUNT)
        return "";
    return keyNameTable.names[code];
}
