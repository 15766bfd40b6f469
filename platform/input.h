// The once-per-frame snapshot of keyboard, mouse and joystick. Everything
// outside this module reads the snapshot, never SDL's live state.
#pragma once
#include <cstdint>

struct _SDL_Joystick;

constexpr int KEY_COUNT = 323;  // SDL 1.2 key codes 0 .. SDLK_LAST-1
constexpr int JOYSTICK_WORDS = 39;
constexpr int VIRTUAL_WIDTH = 640;  // the virtual screen all 2D layout uses
constexpr int VIRTUAL_HEIGHT = 480;

// Mouse in the virtual screen (0..639, 0..479). Flags hold 0 or 1.
struct MouseState {
    int32_t x;
    int32_t y;
    int32_t leftDown;      // button mask bit 1
    int32_t rightDown;     // button mask bit 4
    int32_t leftReleased;  // held at the previous snapshot, not now
    int32_t rightReleased;
    int32_t wheelUp;    // mask bit 8
    int32_t wheelDown;  // mask bit 16
};

// Axes 0 and 1 in words 0 and 1, buttons 0..3 in words 7..10; nothing else is written.
struct JoystickState {
    int32_t words[JOYSTICK_WORDS];
};

struct InputState {
    uint8_t keys[KEY_COUNT];          // SDL key state with aliases applied; entry 0 always 0
    uint8_t previousKeys[KEY_COUNT];  // keys as the previous keyboard snapshot left it
    int32_t rawMouseX;                // window pixels as SDL last reported them
    int32_t rawMouseY;
    MouseState mouse;
    MouseState previousMouse;
    JoystickState joystick;
    JoystickState previousJoystick;
    _SDL_Joystick* joystickHandle;  // open joystick or null (the setup screen opens none)
    uint8_t ignoredButtons;  // SDL button mask held at the focus regain: read as up until let go
};

extern InputState inputState;

// Copies keys to previousKeys, takes SDL's key state, clears entry 0 and applies
// the aliases (keypad Enter->Return, right Ctrl/Shift->left, keypad minus and digits).
void SnapshotKeyboard();

// Copies mouse to previousMouse, maps SDL's window position onto the virtual
// screen (clamped), parks it at (320,240) with no buttons while unfocused, and
// forms the release edges. Ignored buttons read as up.
void SnapshotMouse();

// The buttons SDL reports held now are ignored until each is let go: the click
// that brings the focus back only focuses. Called by the event pump.
void IgnoreHeldButtons();

// Polls the joystick when the configuration enables it; with no handle it only
// keeps the previous copy and calls SDL_JoystickUpdate.
void SnapshotJoystick();

// Bounds-checked readers: any code outside 0..KEY_COUNT-1 reads as up.
bool IsKeyDown(int32_t code);
bool WasKeyDown(int32_t code);    // in previousKeys
bool IsKeyPressed(int32_t code);  // down now, up at the previous snapshot

// Zeroes the whole record (tests and a fresh start).
void ResetInputState();
