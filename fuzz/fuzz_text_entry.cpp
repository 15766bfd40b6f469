// Any sequence of key and mouse snapshots through the widget update on the
// four field kinds: the edit buffer stays terminated, the cursor and anchor
// stay inside the text, typing never grows it past the position limit, and a
// string target is never written past its 256 bytes. Steps may also insert or
// delete on the entry directly, which typing into a label of at most 63 cells
// reaches only in part: an insertion adds at most one character, a deletion none.
#include "fuzz/fuzz_support.h"

namespace {

constexpr int STRING_TARGET_BYTES = 256;
constexpr uint8_t DIRECT_EDIT = 0xF0;  // a step byte from here on edits the entry directly
constexpr int32_t KEYS[] = {
    SDLK_a,         SDLK_b,         SDLK_z,      SDLK_0,        SDLK_1,      SDLK_9,
    SDLK_SPACE,     SDLK_MINUS,     SDLK_PERIOD, SDLK_COMMA,    SDLK_SLASH,  SDLK_e,
    SDLK_x,         SDLK_BACKSPACE, SDLK_DELETE, SDLK_HOME,     SDLK_END,    SDLK_LEFT,
    SDLK_RIGHT,     SDLK_INSERT,    SDLK_RETURN, SDLK_KP_ENTER, SDLK_TAB,    SDLK_ESCAPE,
    SDLK_F1,        SDLK_F2,        SDLK_F3,     SDLK_F4,       SDLK_LSHIFT, SDLK_RSHIFT,
    SDLK_LCTRL,     SDLK_UP,        SDLK_DOWN,   SDLK_KP0,      SDLK_KP5,    SDLK_KP_MINUS,
    SDLK_KP_PERIOD, SDLK_EQUALS,    SDLK_QUOTE,  SDLK_BACKQUOTE};
constexpr int KEY_KINDS = sizeof KEYS / sizeof KEYS[0];

int32_t number;
uint32_t unsignedNumber;
float real;
char* text;  // exactly STRING_TARGET_BYTES on the heap

// One frame of the field screen: up to two keys down, the mouse somewhere over the fields.
void Step(uint8_t key1, uint8_t key2, uint8_t mouse) {
    std::vector<int32_t> keys;
    if (key1 < 2 * KEY_KINDS)
        keys.push_back(KEYS[key1 % KEY_KINDS]);
    if (key2 < KEY_KINDS)
        keys.push_back(KEYS[key2]);
    void* const targets[4] = {&number, &unsignedNumber, &real, text};
    FieldScreenFrame(
        targets, keys, mouse >> 7, 100 + (mouse & 31) * 16, 196 + (mouse >> 5 & 3) * 32);
}

void EditDirectly(uint8_t operation, uint8_t position, uint8_t other) {
    size_t before = strnlen(textEntry.buffer, EDIT_BUFFER_SIZE);
    textEntry.cursor = int32_t(position % (before + 1));
    textEntry.anchor = operation & 1 ? textEntry.cursor : int32_t(other % (before + 1));
    operation & 1 ? InsertEditChar(char(' ' + other % 95)) : void(DeleteEditSelection());
    if (strnlen(textEntry.buffer, EDIT_BUFFER_SIZE) > before + (operation & 1))
        FuzzFail("an edit added more than it may");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    ResetWidgetTable(), ResetInputState(), ResetTextEntry();
    text = static_cast<char*>(std::malloc(STRING_TARGET_BYTES));
    const size_t start = data[0] % STRING_TARGET_BYTES;  // the first byte picks the starting texts
    std::memset(text, 'w', start), text[start] = '\0';
    unsignedNumber = uint32_t(data[0]) * 16777619u, number = int32_t(unsignedNumber ^ 0x80000000u),
    real = float(data[0]) * 1.0e30f;
    // Typing inserts only within the first EDIT_POSITIONS positions, so it can
    // push the text one past them but never further.
    const size_t longest = std::max(start, size_t(EDIT_POSITIONS) + 1);
    for (size_t i = 1; i + 3 <= size; i += 3) {
        data[i] >= DIRECT_EDIT ? EditDirectly(data[i], data[i + 1], data[i + 2])
                               : Step(data[i], data[i + 1], data[i + 2]);
        const size_t length = strnlen(textEntry.buffer, EDIT_BUFFER_SIZE);
        if (length >= size_t(EDIT_BUFFER_SIZE))
            FuzzFail("edit buffer not terminated");
        if (textEntry.cursor < 0 || size_t(textEntry.cursor) > length || textEntry.anchor < 0 ||
            size_t(textEntry.anchor) > length)
            FuzzFail("cursor or anchor outside the text");
        if (length > longest)
            FuzzFail("typing grew the text past the limit");
        if (strnlen(text, STRING_TARGET_BYTES) >= size_t(STRING_TARGET_BYTES))
            FuzzFail("string target not terminated");
    }
    return std::free(text), 0;
}
