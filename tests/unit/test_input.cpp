// The input snapshot against SDL's own key array and mouse state.
#include <SDL.h>
#include <gtest/gtest.h>

#include "app/hwconfig.h"
#include "platform/input.h"
#include "platform/video.h"
#include "support/gl_context.h"

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlWindow();
        ResetInputState();
        int count = 0;
        sdlKeys = SDL_GetKeyState(&count);
        ASSERT_GE(count, KEY_COUNT);
        std::fill(sdlKeys, sdlKeys + KEY_COUNT, 0);
    }
    void TearDown() override { std::fill(sdlKeys, sdlKeys + KEY_COUNT, 0); }
    Uint8* sdlKeys = nullptr;
};

struct AliasCase {
    int source;
    int target;
};

TEST_F(InputTest, AliasesSetTheirTargetAndKeepTheSourceDown) {
    const AliasCase cases[] = {{SDLK_KP_ENTER, SDLK_RETURN}, {SDLK_RCTRL, SDLK_LCTRL},
                               {SDLK_RSHIFT, SDLK_LSHIFT},   {SDLK_KP_MINUS, SDLK_MINUS},
                               {SDLK_KP0, SDLK_0},           {SDLK_KP7, SDLK_7},
                               {SDLK_KP9, SDLK_9}};
    for (const AliasCase& c : cases) {
        std::fill(sdlKeys, sdlKeys + KEY_COUNT, 0);
        sdlKeys[c.source] = 1;
        SnapshotKeyboard();
        EXPECT_TRUE(inputState.keys[c.source]) << c.source;
        EXPECT_TRUE(inputState.keys[c.target]) << c.source << " -> " << c.target;
        int down = 0;
        for (int k = 0; k < KEY_COUNT; k++) down += inputState.keys[k] != 0;
        EXPECT_EQ(down, 2) << "only source and target are down for " << c.source;
    }
}

TEST_F(InputTest, NoAliasForRightAltAndKeypadOperators) {
    const int unaliased[] = {SDLK_RALT, SDLK_KP_PLUS, SDLK_KP_PERIOD, SDLK_KP_DIVIDE,
                             SDLK_KP_MULTIPLY, SDLK_KP_EQUALS};
    for (int key : unaliased) {
        std::fill(sdlKeys, sdlKeys + KEY_COUNT, 0);
        sdlKeys[key] = 1;
        SnapshotKeyboard();
        int down = 0;
        for (int k = 0; k < KEY_COUNT; k++) down += inputState.keys[k] != 0;
        EXPECT_EQ(down, 1) << key;
    }
    EXPECT_FALSE(inputState.keys[SDLK_LALT]);
}

TEST_F(InputTest, KeyCodeZeroNeverReadsDown) {
    sdlKeys[0] = 1;
    SnapshotKeyboard();
    EXPECT_EQ(inputState.keys[0], 0);
    EXPECT_FALSE(IsKeyDown(0));
}

TEST_F(InputTest, PressEdgeLastsOneSnapshotAndAliasesCarryIntoPrevious) {
    sdlKeys[SDLK_KP_ENTER] = 1;
    SnapshotKeyboard();
    EXPECT_TRUE(IsKeyPressed(SDLK_RETURN));
    SnapshotKeyboard();
    EXPECT_TRUE(IsKeyDown(SDLK_RETURN));
    EXPECT_FALSE(IsKeyPressed(SDLK_RETURN)) << "holding keypad Enter gives one Return edge";
    sdlKeys[SDLK_KP_ENTER] = 0;
    SnapshotKeyboard();
    EXPECT_FALSE(IsKeyDown(SDLK_RETURN));
    EXPECT_TRUE(WasKeyDown(SDLK_RETURN));
}

TEST_F(InputTest, ReadersRejectCodesOutsideTheArrays) {
    std::fill(inputState.keys, inputState.keys + KEY_COUNT, 1);
    for (int code : {-1, -1000, KEY_COUNT, KEY_COUNT + 1, 1 << 30}) {
        EXPECT_FALSE(IsKeyDown(code)) << code;
        EXPECT_FALSE(IsKeyPressed(code)) << code;
        EXPECT_FALSE(WasKeyDown(code)) << code;
    }
}

// Moves SDL's pointer inside the window and lets SDL see the motion.
void WarpAndPump(int x, int y) {
    SDL_WarpMouse(Uint16(x), Uint16(y));
    for (int i = 0; i < 50; i++) {
        SDL_PumpEvents();
        int rx, ry;
        SDL_GetMouseState(&rx, &ry);
        if (rx == x && ry == y) return;
        SDL_Delay(10);
    }
}

TEST_F(InputTest, MouseMapsWindowPixelsOntoTheVirtualScreen) {
    WarpAndPump(639, 479);
    videoState.width = 640;
    videoState.height = 480;
    SnapshotMouse();
    EXPECT_EQ(inputState.rawMouseX, 639);
    EXPECT_EQ(inputState.mouse.x, 639);
    EXPECT_EQ(inputState.mouse.y, 479);
    WarpAndPump(400, 300);
    videoState.width = 800;
    videoState.height = 600;
    SnapshotMouse();
    EXPECT_EQ(inputState.mouse.x, 320);
    EXPECT_EQ(inputState.mouse.y, 240);
    // A window smaller than the virtual screen: positions scale up and clamp.
    WarpAndPump(639, 10);
    videoState.width = 320;
    videoState.height = 240;
    SnapshotMouse();
    EXPECT_EQ(inputState.mouse.x, 639);
    EXPECT_EQ(inputState.mouse.y, 20);
    videoState.width = 640;
    videoState.height = 480;
}

TEST_F(InputTest, WithoutFocusTheMouseIsParkedAtTheCentreWithButtonsUp) {
    WarpAndPump(10, 10);
    videoState.hasFocus = 1;
    SnapshotMouse();
    inputState.mouse.leftDown = 1;  // as if the button was held at the last snapshot
    videoState.hasFocus = 0;
    SnapshotMouse();
    EXPECT_EQ(inputState.mouse.x, 320);
    EXPECT_EQ(inputState.mouse.y, 240);
    EXPECT_EQ(inputState.mouse.leftDown, 0);
    EXPECT_EQ(inputState.mouse.leftReleased, 1);
    SnapshotMouse();
    EXPECT_EQ(inputState.mouse.leftReleased, 0);
    EXPECT_EQ(inputState.previousMouse.x, 320);
    videoState.hasFocus = 1;
}

TEST_F(InputTest, ZeroWindowSizeDoesNotDivideByZero) {
    videoState.width = 0;
    videoState.height = 0;
    SnapshotMouse();
    EXPECT_GE(inputState.mouse.x, 0);
    EXPECT_LE(inputState.mouse.x, 639);
    videoState.width = 640;
    videoState.height = 480;
}

TEST_F(InputTest, JoystickSnapshotFollowsTheConfigurationSwitch) {
    for (int i = 0; i < JOYSTICK_WORDS; i++) inputState.joystick.words[i] = i + 1;
    hardwareConfig.joystickEnabled = 0;
    SnapshotJoystick();
    EXPECT_EQ(inputState.previousJoystick.words[0], 0) << "disabled: nothing copied";
    hardwareConfig.joystickEnabled = 1;
    SnapshotJoystick();
    for (int i = 0; i < JOYSTICK_WORDS; i++) EXPECT_EQ(inputState.previousJoystick.words[i], i + 1);
    for (int i = 0; i < JOYSTICK_WORDS; i++)
        EXPECT_EQ(inputState.joystick.words[i], i + 1) << "no handle: current record untouched";
}

}  // namespace
