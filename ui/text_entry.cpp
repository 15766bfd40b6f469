#include "ui/text_entry.h"

#include <SDL.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/input.h"
#include "ui/widget.h"

TextEntry textEntry;

namespace {

constexpr int32_t ALL_CLASSES = 255;
constexpr int32_t CLASS_LETTERS = 1;
constexpr int32_t CLASS_DIGITS = 2;
constexpr int32_t CLASS_PERIOD = 4;
constexpr int32_t CLASS_SPACE = 8;
constexpr int32_t CLASS_MINUS = 16;
constexpr int32_t CLASS_SYMBOLS = 32;
constexpr int32_t STRING_LIMIT = EDIT_BUFFER_SIZE - 1;

struct SymbolKey {
    int32_t code;
    char plain;
    char shifted;
};

// Unshifted symbols, in the order they are read.
constexpr SymbolKey PLAIN_SYMBOLS[] = {
    {SDLK_SLASH, '/', '?'},
    {SDLK_SEMICOLON, ';', ':'},
    {SDLK_MINUS, '-', '_'},
    {SDLK_EQUALS, '=', '+'},
    {SDLK_COMMA, ',', '<'},
    {SDLK_BACKSLASH, '\\', '|'},
    {SDLK_QUOTE, '\'', '"'},
};

// Shifted symbols, in the order they are read (period is shifted-only).
constexpr SymbolKey SHIFTED_SYMBOLS[] = {
    {SDLK_SLASH, '/', '?'},
    {SDLK_SEMICOLON, ';', ':'},
    {SDLK_MINUS, '-', '_'},
    {SDLK_EQUALS, '=', '+'},
    {SDLK_PERIOD, '.', '>'},
    {SDLK_COMMA, ',', '<'},
    {SDLK_BACKSLASH, '\\', '|'},
    {SDLK_QUOTE, '\'', '"'},
};

// The shifted character of each digit key 0 .. 9.
constexpr char SHIFTED_DIGITS[10] = {')', '!', '@', '#', '$', '%', '^', '&', '*', '('};

// The deletion's scratch line: the text outside the selection is gathered here.
char deleteScratch[EDIT_BUFFER_SIZE];

int32_t TextLength() {
    return int32_t(strnlen(textEntry.buffer, STRING_LIMIT));
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

void ClampEnds() {
    int32_t length = TextLength();
    textEntry.anchor = Clamp(textEntry.anchor, 0, length);
    textEntry.cursor = Clamp(textEntry.cursor, 0, length);
}

bool KeyCounts(int32_t code, int32_t held) {
    return held ? IsKeyDown(code) : IsKeyPressed(code);
}

int32_t ReadLetter(int32_t held, int32_t result) {
    int32_t letter = -1;
    for (int32_t code = SDLK_a; code <= SDLK_z; code++)
        if (KeyCounts(code, held))
            letter = code;
    if (letter < 0)
        return result;
    return IsKeyDown(SDLK_LSHIFT) ? std::toupper(letter) : letter;
}

// The character keys of the chosen classes; later keys in the reading order win.
int32_t ReadCharacter(int32_t held, int32_t classes) {
    bool shift = IsKeyDown(SDLK_LSHIFT);
    int32_t result = -1;
    if (classes & CLASS_LETTERS)
        result = ReadLetter(held, result);
    if ((classes & CLASS_SPACE) && KeyCounts(SDLK_SPACE, held))
        result = ' ';
    for (int32_t d = 0; d < 10 && (classes & CLASS_DIGITS) && !shift; d++)
        if (KeyCounts(SDLK_0 + d, held))
            result = '0' + d;
    if ((classes & CLASS_PERIOD) && !shift && KeyCounts(SDLK_PERIOD, held))
        result = '.';
    if ((classes & CLASS_MINUS) && !shift && KeyCounts(SDLK_MINUS, held))
        result = '-';
    if (!(classes & CLASS_SYMBOLS))
        return result;
    if (!shift) {
        for (const SymbolKey& k : PLAIN_SYMBOLS)
            if (KeyCounts(k.code, held))
                result = k.plain;
        return result;
    }
    for (int32_t d = 0; d < 10; d++)
        if (KeyCounts(SDLK_0 + d, held))
            result = SHIFTED_DIGITS[d];
    for (const SymbolKey& k : SHIFTED_SYMBOLS)
        if (KeyCounts(k.code, held))
            result = k.shifted;
    return result;
}

// Delete, Backspace, end of edit and next field; Return, Escape and Tab count
// only on the frame they go down, so holding them never repeats.
int32_t ReadCommand(int32_t held, int32_t result) {
    if (KeyCounts(SDLK_KP_PERIOD, held) || KeyCounts(SDLK_DELETE, held))
        result = EDIT_KEY_DELETE;
    if (KeyCounts(SDLK_BACKSPACE, held))
        result = EDIT_KEY_BACKSPACE;
    if (IsKeyPressed(SDLK_RETURN) || IsKeyPressed(SDLK_ESCAPE))
        result = EDIT_KEY_END_EDIT;
    if (IsKeyPressed(SDLK_TAB))
        result = EDIT_KEY_NEXT_FIELD;
    return result;
}

// With Shift held the cursor keys move only the cursor, extending the selection.
void ApplyCursorKeys(int32_t held) {
    bool shift = IsKeyDown(SDLK_LSHIFT);
    if (KeyCounts(SDLK_INSERT, held))
        textEntry.overwrite ^= 1;
    if (KeyCounts(SDLK_HOME, held)) {
        textEntry.cursor = 0;
        if (!shift)
            textEntry.anchor = 0;
    }
    if (KeyCounts(SDLK_END, held)) {
        textEntry.cursor = TextLength();
        if (!shift)
            textEntry.anchor = textEntry.cursor;
    }
    if (KeyCounts(SDLK_LEFT, held)) {
        if (textEntry.cursor > 0)
            textEntry.cursor--;
        if (!shift)
            textEntry.anchor = textEntry.cursor;
    }
    if (KeyCounts(SDLK_RIGHT, held)) {
        if (textEntry.cursor < TextLength())
            textEntry.cursor++;
        if (!shift)
            textEntry.anchor = textEntry.cursor;
    }
}

// The column under the mouse; a field of size 0 has every point in column 0.
int32_t ColumnUnderMouse(const Widget& w) {
    if (w.size <= 0)
        return 0;
    return (inputState.mouse.x - w.x) / w.size;
}

// Fixes, when an edit starts, the longest text a string target may receive:
// its length then or the field's typing capacity, whichever is larger (at
// most 255). The target then always receives the whole text the field shows,
// whatever the program does to it meanwhile, and never more than that room.
void FixStringRoom(Widget& w) {
    w.editTarget = w.target;
    w.editLimit = 0;
    if (!w.target || w.editType != EDIT_STRING)
        return;
    int32_t limit = int32_t(strnlen(static_cast<const char*>(w.target), STRING_LIMIT));
    if (w.width - 1 > limit)
        limit = w.width - 1;
    w.editLimit = limit > STRING_LIMIT ? STRING_LIMIT : limit;
}

void LoadTarget(const Widget& w) {
    std::memset(textEntry.buffer, 0, sizeof textEntry.buffer);
    if (!w.target)
        return;
    char* out = textEntry.buffer;
    switch (w.editType) {
        case EDIT_INT:
            std::snprintf(out, EDIT_BUFFER_SIZE, "%d", *static_cast<int32_t*>(w.target));
            break;
        case EDIT_UINT:
            std::snprintf(out, EDIT_BUFFER_SIZE, "%u", *static_cast<uint32_t*>(w.target));
            break;
        case EDIT_FLOAT:
            std::snprintf(out, EDIT_BUFFER_SIZE, "%g", double(*static_cast<float*>(w.target)));
            break;
        default: {
            const char* s = static_cast<const char*>(w.target);
            std::memcpy(out, s, strnlen(s, STRING_LIMIT));
            break;
        }
    }
}

// Converts the text back; a failed conversion leaves the target as it was.
void StoreTarget(Widget& w) {
    if (!w.target)
        return;
    const char* text = textEntry.buffer;
    switch (w.editType) {
        case EDIT_INT: {
            int value;
            if (std::sscanf(text, "%d", &value) == 1)
                *static_cast<int32_t*>(w.target) = value;
            break;
        }
        case EDIT_UINT: {
            unsigned value;
            if (std::sscanf(text, "%u", &value) == 1)
                *static_cast<uint32_t*>(w.target) = value;
            break;
        }
        case EDIT_FLOAT: {
            float value;
            if (std::sscanf(text, "%g", &value) == 1)
                *static_cast<float*>(w.target) = value;
            break;
        }
        default: {
            // A slot whose target changed during the edit is measured afresh.
            if (w.editTarget != w.target)
                FixStringRoom(w);
            char* target = static_cast<char*>(w.target);
            int32_t n = int32_t(strnlen(text, size_t(w.editLimit)));
            std::memmove(target, text, size_t(n));
            target[n] = '\0';
            break;
        }
    }
}

void StartEdit(Widget& w) {
    FixStringRoom(w);
    LoadTarget(w);
    if (inputState.mouse.leftDown) {
        textEntry.anchor = textEntry.cursor = ColumnUnderMouse(w);
    } else {
        textEntry.anchor = 0;
        textEntry.cursor = TextLength();
    }
    ClampEnds();
}

// A new click places both ends; dragging with the button held moves the cursor.
void FollowMouse(const Widget& w) {
    if (!inputState.mouse.leftDown)
        return;
    if (!inputState.previousMouse.leftDown)
        textEntry.anchor = ColumnUnderMouse(w);
    textEntry.cursor = ColumnUnderMouse(w);
    ClampEnds();
}

void RemoveAt(int32_t position) {
    int32_t length = TextLength();
    if (position < 0 || position >= length)
        return;
    std::memmove(
        textEntry.buffer + position, textEntry.buffer + position + 1, size_t(length - position));
}

// Moves the activation to the next text-entry widget in table order, wrapping
// once; the only field keeps its activation. The search visits each slot at
// most once, so it ends even when the running widget is no field itself.
void MoveToNextField(int32_t self, int32_t n) {
    for (int32_t step = 1; step < n; step++) {
        int32_t i = (self + step) % n;
        Widget& other = widgetTable.widgets[i];
        if (other.kind != WIDGET_TEXT_ENTRY)
            continue;
        widgetTable.widgets[self].activated = 0;
        other.activated = 1;
        return;
    }
}

void ApplyEditKey(Widget& w, int32_t key, int32_t self, int32_t n) {
    if (key >= ' ') {
        DeleteEditSelection();
        if (TextLength() < w.width - 1)
            InsertEditChar(char(key));
    } else if (key == EDIT_KEY_DELETE) {
        if (!DeleteEditSelection())
            RemoveAt(textEntry.cursor);
    } else if (key == EDIT_KEY_BACKSPACE) {
        if (!DeleteEditSelection() && textEntry.cursor > 0) {
            RemoveAt(textEntry.cursor - 1);
            textEntry.cursor--;
            textEntry.anchor = textEntry.cursor;
        }
    } else if (key == EDIT_KEY_NEXT_FIELD) {
        MoveToNextField(self, n);
    }
    if (IsKeyPressed(SDLK_RETURN) || IsKeyPressed(SDLK_ESCAPE))
        w.activated = 0;
}

}  // namespace

void EditFieldAction() {
    int32_t n = widgetTable.count > WIDGET_SLOTS ? WIDGET_SLOTS : widgetTable.count;
    int32_t self = widgetTable.current;
    if (self < 0 || self >= n)
        return;
    Widget& w = widgetTable.widgets[self];
    if (!w.wasActivated) {
        StartEdit(w);
    } else {
        FollowMouse(w);
        int32_t key = ReadEditKey(0, ALL_CLASSES);
        if (key != EDIT_KEY_NONE)
            ApplyEditKey(w, key, self, n);
    }
    StoreTarget(w);
}

int32_t ReadEditKey(int32_t held, int32_t classes) {
    int32_t result = ReadCommand(held, ReadCharacter(held, classes));
    ApplyCursorKeys(held);
    ClampEnds();
    return result;
}

void InsertEditChar(char c) {
    int32_t at = textEntry.cursor;
    if (at < 0 || at >= EDIT_POSITIONS)
        return;
    bool atEnd = textEntry.buffer[at] == '\0';
    if (!textEntry.overwrite)
        std::memmove(textEntry.buffer + at + 1, textEntry.buffer + at, size_t(EDIT_POSITIONS - at));
    textEntry.buffer[at] = c;
    if (textEntry.overwrite && atEnd)
        textEntry.buffer[at + 1] = '\0';
    textEntry.cursor = at + 1;
    textEntry.anchor = textEntry.cursor;
}

int32_t DeleteEditSelection() {
    int32_t lo = textEntry.anchor < textEntry.cursor ? textEntry.anchor : textEntry.cursor;
    int32_t hi = textEntry.anchor < textEntry.cursor ? textEntry.cursor : textEntry.anchor;
    int32_t kept = 0;
    int32_t deleted = 0;
    for (int32_t i = 0; i < EDIT_POSITIONS && textEntry.buffer[i]; i++) {
        if (i >= lo && i < hi)
            deleted = 1;
        else
            deleteScratch[kept++] = textEntry.buffer[i];
    }
    deleteScratch[kept] = '\0';
    std::memcpy(textEntry.buffer, deleteScratch, size_t(kept) + 1);
    // Clear what lay past the cut: an insertion shifts the terminator along,
    // and the old tail would otherwise come back behind it.
    std::memset(textEntry.buffer + kept + 1, 0, sizeof textEntry.buffer - size_t(kept) - 1);
    if (deleted)
        textEntry.cursor = lo;
    int32_t length = TextLength();
    if (textEntry.cursor > length)
        textEntry.cursor = length;
    if (textEntry.cursor < 0)
        textEntry.cursor = 0;
    textEntry.anchor = textEntry.cursor;
    return deleted;
}

void ResetTextEntry() {
    std::memset(&textEntry, 0, sizeof textEntry);
}
