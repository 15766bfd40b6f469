// The colour picker's drag rules and its ramp as drawn.
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/colour_sliders.h"
#include "platform/input.h"
#include "platform/video.h"
#include "support/gl_context.h"

namespace {

float red, green, blue;

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        red = green = blue = 1.0f;
        colourSliderList.count = 0;
        AddColourSlider(288, 32, 256, 32, 1, 0, 0, &red);
        AddColourSlider(288, 96, 256, 32, 0, 1, 0, &green);
        AddColourSlider(288, 160, 256, 32, 0, 0, 1, &blue);
    }
    void Drag(int x, int y, bool ctrl = false, bool shift = false) {
        inputState.mouse.x = x;
        inputState.mouse.y = y;
        inputState.mouse.leftDown = 1;
        inputState.keys[SDLK_LCTRL] = ctrl;
        inputState.keys[SDLK_LSHIFT] = shift;
        UpdateColourSliders();
    }
};

TEST_F(SliderTest, ValueFollowsThePointerInsideTheHalfOpenRamp) {
    Drag(288, 40);
    EXPECT_EQ(red, 0.0f);
    Drag(543, 40);
    EXPECT_EQ(red, 255.0f / 256.0f);
    Drag(544, 40);
    EXPECT_EQ(red, 255.0f / 256.0f) << "right edge is outside";
    Drag(400, 31);
    EXPECT_EQ(red, 255.0f / 256.0f) << "above the top edge";
    Drag(400, 64);
    EXPECT_EQ(red, 255.0f / 256.0f) << "bottom edge is outside";
    Drag(416, 63);
    EXPECT_EQ(red, 0.5f);
    EXPECT_EQ(green, 1.0f);
    EXPECT_EQ(blue, 1.0f);
}

TEST_F(SliderTest, NothingChangesWhileTheButtonIsUp) {
    inputState.mouse.x = 300;
    inputState.mouse.y = 40;
    inputState.mouse.leftDown = 0;
    UpdateColourSliders();
    EXPECT_EQ(red, 1.0f);
}

TEST_F(SliderTest, CtrlSnapsToEighthsWithHalfwayGoingUp) {
    struct Case {
        int x;
        float want;
    } cases[] = {{543, 1.0f}, {304, 0.125f}, {303, 0.0f}, {288 + 240, 1.0f}, {288 + 239, 0.875f},
                 {288 + 48, 0.25f}};
    for (const Case& c : cases) {
        Drag(c.x, 40, true);
        EXPECT_EQ(red, c.want) << c.x;
    }
}

TEST_F(SliderTest, ShiftMakesAGreyAndCombinesWithCtrl) {
    Drag(416, 100, false, true);
    EXPECT_EQ(red, 0.5f);
    EXPECT_EQ(green, 0.5f);
    EXPECT_EQ(blue, 0.5f);
    Drag(541, 170, true, true);
    EXPECT_EQ(red, 1.0f);
    EXPECT_EQ(green, 1.0f);
    EXPECT_EQ(blue, 1.0f);
}

TEST_F(SliderTest, ListNeverGrowsPastThreeEntries) {
    float extra = 0.25f;
    AddColourSlider(0, 0, 10, 10, 1, 1, 1, &extra);
    EXPECT_EQ(colourSliderList.count, COLOUR_SLIDER_SLOTS);
    Drag(5, 5);
    EXPECT_EQ(extra, 0.25f);
}

// Reads the window pixel under a virtual-screen point of a 640x480 window.
void PixelAt(int vx, int vy, unsigned char out[4]) {
    glReadBuffer(GL_BACK);
    glReadPixels(vx, 479 - vy, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, out);
}

TEST_F(SliderTest, RampShadesFromBlackToTheColourWithAGreyMarker) {
    EnsureGlWindow();
    videoState.width = 640;
    videoState.height = 480;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    SetupFrameState();
    red = 0.25f;
    DrawColourSliders();
    unsigned char px[4];
    PixelAt(290, 48, px);
    EXPECT_LT(px[0], 8);
    PixelAt(540, 48, px);
    EXPECT_GT(px[0], 240);
    EXPECT_LT(px[1], 8);
    PixelAt(480, 48, px);
    EXPECT_NEAR(px[0], 191, 4) << "three quarters along the red ramp";
    PixelAt(540, 112, px);
    EXPECT_GT(px[1], 240);
    EXPECT_LT(px[0], 8);
    PixelAt(540, 176, px);
    EXPECT_GT(px[2], 240);
    // Marker at 288 + 0.25 * 256 = 352, standing out above the ramp.
    PixelAt(352, 31, px);
    EXPECT_NEAR(px[0], 128, 3);
    EXPECT_NEAR(px[1], 128, 3);
    PixelAt(358, 31, px);
    EXPECT_EQ(px[0], 0) << "the marker is 5 units wide";
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "texturing is back on after the batch";
}

}  // namespace
