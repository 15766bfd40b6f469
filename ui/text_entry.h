// The one-line text entry that edits an int, unsigned, float or string
// variable in place through a text-entry widget.
#pragma once
#include <cstdint>

constexpr int EDIT_BUFFER_SIZE = 256;
constexpr int EDIT_POSITIONS = 192;  // editing works within these positions

// Edit commands returned by ReadEditKey (characters are 32 and above).
constexpr int32_t EDIT_KEY_NONE = -1;
constexpr int32_t EDIT_KEY_DELETE = 9;
constexpr int32_t EDIT_KEY_BACKSPACE = 10;
constexpr int32_t EDIT_KEY_END_EDIT = 11;
constexpr int32_t EDIT_KEY_NEXT_FIELD = 12;

struct TextEntry {
    char buffer[EDIT_BUFFER_SIZE];  // NUL-terminated text being edited
    int32_t cursor;                 // 0 .. length
    int32_t anchor;                 // other end of the selection, 0 .. length
    int32_t overwrite;              // 0 insert, 1 overwrite; only Insert toggles it
};

extern TextEntry textEntry;

// The action of every text-entry widget: loads the target on the first frame,
// applies this frame's keys and clicks, stores the text back every frame.
void EditFieldAction();

// This frame's key as a character or an edit command (-1 none); applies the
// cursor keys (Insert, Home, End, Left, Right) to the entry directly.
int32_t ReadEditKey(int32_t held, int32_t classes);

// Puts c at the cursor (insert or overwrite) unless the cursor is at 192 or beyond.
void InsertEditChar(char c);

// Deletes the selection; returns 1 when something was deleted. The selection is empty afterwards.
int32_t DeleteEditSelection();

// Zeroes the entry (tests).
void ResetTextEntry();
