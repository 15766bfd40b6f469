#include "platform/input.h"

#include <SDL.h>

#include <cstring>

#include "app/hwconfig.h"
#include "platform/video.h"

InputState inputState;

static_assert(KEY_COUNT == SDLK_LAST, "the key arrays cover every SDL 1.2 key code");
static_assert(sizeof(JoystickState) == JOYSTICK_WORDS * 4, "joystick record is 39 words");

namespace {

struct KeyAlias {
    int16_t source;
    int16_t target;
};

// Keys that also count as another key, so that readers need test only one code.
constexpr KeyAlias KEY_ALIASES[] = {
    {SDLK_KP_ENTER, SDLK_RETURN},
    {SDLK_RCTRL, SDLK_LCTRL},
    {SDLK_RSHIFT, SDLK_LSHIFT},
    {SDLK_KP_MINUS, SDLK_MINUS},
    {SDLK_KP0, SDLK_0},
    {SDLK_KP1, SDLK_1},
    {SDLK_KP2, SDLK_2},
    {SDLK_KP3, SDLK_3},
    {SDLK_KP4, SDLK_4},
    {SDLK_KP5, SDLK_5},
    {SDLK_KP6, SDLK_6},
    {SDLK_KP7, SDLK_7},
    {SDLK_KP8, SDLK_8},
    {SDLK_KP9, SDLK_9},
};

constexpr int JOYSTICK_BUTTON_WORD = 7;
constexpr int JOYSTICK_BUTTONS = 4;

int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

void SnapshotKeyboard() {
    std::memcpy(inputState.previousKeys, inputState.keys, KEY_COUNT);
    int count = 0;
    const Uint8* sdlKeys = SDL_GetKeyState(&count);
    std::memset(inputState.keys, 0, KEY_COUNT);
    if (sdlKeys)
        std::memcpy(
            inputState.keys, sdlKeys, count < KEY_COUNT ? (count > 0 ? count : 0) : KEY_COUNT);
    inputState.keys[0] = 0;
    for (const KeyAlias& alias : KEY_ALIASES)
        if (inputState.keys[alias.source])
            inputState.keys[alias.target] = 1;
}

void SnapshotMouse() {
    MouseState& m = inputState.mouse;
    inputState.previousMouse = m;
    Uint8 held = SDL_GetMouseState(&inputState.rawMouseX, &inputState.rawMouseY);
    inputState.ignoredButtons &= held;  // a button let go counts again from its next press
    Uint8 buttons = held & ~inputState.ignoredButtons;
    // A zero size would divide by zero; a window is never that small, so map 1:1.
    int32_t w = videoState.width > 0 ? videoState.width : VIRTUAL_WIDTH;
    int32_t h = videoState.height > 0 ? videoState.height : VIRTUAL_HEIGHT;
    m.x =
        ClampInt(int32_t(int64_t(inputState.rawMouseX) * VIRTUAL_WIDTH / w), 0, VIRTUAL_WIDTH - 1);
    m.y = ClampInt(
        int32_t(int64_t(inputState.rawMouseY) * VIRTUAL_HEIGHT / h), 0, VIRTUAL_HEIGHT - 1);
    if (!videoState.hasFocus) {
        m.x = VIRTUAL_WIDTH / 2;
        m.y = VIRTUAL_HEIGHT / 2;
        buttons = 0;
    }
    m.leftDown = (buttons & 1) ? 1 : 0;
    m.rightDown = (buttons & 4) ? 1 : 0;
    m.wheelUp = (buttons & 8) ? 1 : 0;
    m.wheelDown = (buttons & 16) ? 1 : 0;
    m.leftReleased = (!m.leftDown && inputState.previousMouse.leftDown) ? 1 : 0;
    m.rightReleased = (!m.rightDown && inputState.previousMouse.rightDown) ? 1 : 0;
}

void IgnoreHeldButtons() {
    inputState.ignoredButtons = SDL_GetMouseState(nullptr, nullptr);
}

void SnapshotJoystick() {
    if (!hardwareConfig.joystickEnabled)
        return;
    inputState.previousJoystick = inputState.joystick;
    // SDL 1.2 walks its joystick list here and crashes when the joystick
    // subsystem was never started (the setup program never starts it).
    if (SDL_WasInit(SDL_INIT_JOYSTICK))
        SDL_JoystickUpdate();
    SDL_Joystick* stick = inputState.joystickHandle;
    if (!stick)
        return;
    int32_t* words = inputState.joystick.words;
    words[0] = int32_t(SDL_JoystickGetAxis(stick, 0));
    words[1] = int32_t(SDL_JoystickGetAxis(stick, 1));
    for (int i = 0; i < JOYSTICK_BUTTONS; i++)
        words[JOYSTICK_BUTTON_WORD + i] = int32_t(SDL_JoystickGetButton(stick, i) & 0xFF);
}

bool IsKeyDown(int32_t code) {
    return code >= 0 && code < KEY_COUNT && inputState.keys[code] != 0;
}

bool WasKeyDown(int32_t code) {
    return code >= 0 && code < KEY_COUNT && inputState.previousKeys[code] != 0;
}

bool IsKeyPressed(int32_t code) {
    return IsKeyDown(code) && !WasKeyDown(code);
}

void ResetInputState() {
    std::memset(&inputState, 0, sizeof inputState);
}
