// The input snapshot against SDL's own key array, and against the real pointer
// and buttons of the X server.
#include "support/support.h"

namespace {

// Snapshots SDL's keys with exactly `down` held; returns the codes read as down.
std::string Snapshot(const std::vector<int>& down) {
    Uint8* sdlKeys = SDL_GetKeyState(nullptr);
    std::memset(sdlKeys, 0, KEY_COUNT);
    for (int k : down)
        sdlKeys[k] = 1;
    SnapshotKeyboard();
    std::string got;
    for (int k = 0; k < KEY_COUNT; k++)
        got += inputState.keys[k] ? (got.empty() ? "" : " ") + std::to_string(k) : "";
    return got;
}

// The keyboard's aliases and nothing else; a switched-off joystick snapshot
// keeps no previous copy, a switched-on one without a joystick keeps one.
TEST(Input, KeyboardAliasesAndJoystickSwitch) {
    EnsureGlWindow();
    const std::pair<std::vector<int>, const char*> rows[] = {
        {{SDLK_KP0, SDLK_KP1, SDLK_KP2, SDLK_KP3, SDLK_KP4}, "48 49 50 51 52 256 257 258 259 260"},
        {{SDLK_KP5, SDLK_KP6, SDLK_KP7, SDLK_KP8, SDLK_KP9}, "53 54 55 56 57 261 262 263 264 265"},
        {{SDLK_KP_ENTER}, "13 271"},
        {{SDLK_RCTRL}, "305 306"},
        {{SDLK_RSHIFT}, "303 304"},
        {{SDLK_KP_MINUS}, "45 269"},
        {{SDLK_RALT, SDLK_KP_PLUS, SDLK_KP_PERIOD, SDLK_KP_DIVIDE, SDLK_KP_EQUALS},
         "266 267 270 272 307"},
        {{0, SDLK_KP_MULTIPLY, SDLK_RETURN}, "13 268"},
    };
    for (const auto& [held, want] : rows)
        EXPECT_EQ(Snapshot(held), want) << testing::PrintToString(held);
    for (int i = 0; i < JOYSTICK_WORDS; i++)
        inputState.joystick.words[i] = i + 1;
    const int32_t* kept = inputState.previousJoystick.words;
    hardwareConfig.joystickEnabled = 0;
    SnapshotJoystick();
    EXPECT_EQ(kept[38], 0) << "switched off: nothing kept";
    hardwareConfig.joystickEnabled = 1;
    SnapshotJoystick();
    EXPECT_EQ(std::to_string(kept[0]) + " " + std::to_string(kept[38]), "1 39") << "switched on";
}

// Each row warps the X pointer to (x, y) in the window and presses one real
// button (1 left, 3 right, 4 and 5 the wheel; 0 none); then the
// snapshot runs with the window size, the focus and the left and right
// buttons of the previous snapshot given.
TEST(Input, MouseSnapshotMapsButtonsReleasesAndFocus) {
    EnsureGlWindow();
    const std::tuple<int, int, int, int, int, int, int, int, const char*> rows[] = {
        // x, y, window w and h, focus, button, left and right before
        {400, 300, 800, 600, 1, 0, 0, 0, "320,240 down 00 released 00 wheel 00"},
        {639, 10, 320, 240, 1, 0, 0, 0, "639,20 down 00 released 00 wheel 00"},
        {20, 30, 640, 480, 1, 1, 0, 0, "20,30 down 10 released 00 wheel 00"},
        {20, 30, 640, 480, 1, 0, 1, 0, "20,30 down 00 released 10 wheel 00"},
        {20, 30, 640, 480, 1, 3, 0, 0, "20,30 down 01 released 00 wheel 00"},
        {20, 30, 640, 480, 1, 0, 0, 1, "20,30 down 00 released 01 wheel 00"},
        {20, 30, 640, 480, 1, 4, 0, 0, "20,30 down 00 released 00 wheel 10"},
        {20, 30, 640, 480, 1, 5, 0, 0, "20,30 down 00 released 00 wheel 01"},
        {20, 30, 640, 480, 0, 1, 1, 0, "320,240 down 00 released 10 wheel 00"},
    };
    const bool heldWheel = SDL_Linked_Version()->patch < 50;  // sdl12-compat: clicks only
    for (const auto& row : rows) {
        const auto& [x, y, w, h, focus, button, wasLeft, wasRight, want] = row;
        if (button >= 4 && !heldWheel)
            continue;
        SDL_WarpMouse(Uint16(x), Uint16(y));
        ASSERT_EQ(button ? std::system(("xdotool mousedown " + std::to_string(button)).c_str()) : 0,
                  0);
        for (int i = 0; i < 20; i++) {  // the X server's events reach SDL
            SDL_Delay(10);
            SDL_PumpEvents();
        }
        videoState.width = w;
        videoState.height = h;
        videoState.hasFocus = focus;
        inputState.mouse.leftDown = wasLeft;
        inputState.mouse.rightDown = wasRight;
        SnapshotMouse();
        ASSERT_EQ(button ? std::system(("xdotool mouseup " + std::to_string(button)).c_str()) : 0,
                  0);
        const MouseState& m = inputState.mouse;
        std::string got = std::to_string(m.x) + "," + std::to_string(m.y);
        for (auto [label, a, b] : {std::tuple{" down ", m.leftDown, m.rightDown},
                                   {" released ", m.leftReleased, m.rightReleased},
                                   {" wheel ", m.wheelUp, m.wheelDown}})
            got += label + std::to_string(a) + std::to_string(b);
        EXPECT_EQ(got, want) << testing::PrintToString(row);
    }
}

}  // namespace
