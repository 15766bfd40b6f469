// The colour picker's sliders: what the held left button sets over them, with
// Ctrl snapping to eighths and Shift making grey, and how they are drawn.
#include "support/support.h"

namespace {

// The settings screen's red, green and blue sliders over `rgb` (x 288, 256
// wide, 32 high, at y 32, 96 and 160), and a fourth the full list refuses.
void AddSliders(float* rgb) {
    for (int i = 0; i < 4; i++)
        AddColourSlider(288, 32 + 64 * i, 256, 32, i == 0, i == 1, i == 2, &rgb[i % 3]);
}

TEST(ColourSliders, FollowTheHeldButtonWithCtrlSnapAndShiftGreyAndDrawRampsAndMarkers) {
    ResetRecords();
    const std::tuple<const char*, bool, int, int, std::vector<int>, std::array<float, 3>> rows[] = {
        // left button, mouse x and y, keys held; each component starts at 0.25
        {"the top left corner", true, 288, 32, {}, {0, .25f, .25f}},
        {"the last pixel", true, 543, 63, {}, {255 / 256.0f, .25f, .25f}},
        {"the right edge is outside", true, 544, 40, {}, {.25f, .25f, .25f}},
        {"above", true, 400, 31, {}, {.25f, .25f, .25f}},
        {"below", true, 400, 64, {}, {.25f, .25f, .25f}},
        {"the button up", false, 300, 40, {}, {.25f, .25f, .25f}},
        {"Ctrl near the end", true, 540, 40, {SDLK_LCTRL}, {1, .25f, .25f}},
        {"Ctrl half-way goes up", true, 304, 40, {SDLK_LCTRL}, {0.125f, .25f, .25f}},
        {"Ctrl just below half-way", true, 303, 40, {SDLK_LCTRL}, {0, .25f, .25f}},
        {"Shift on green", true, 416, 100, {SDLK_LSHIFT}, {0.5f, 0.5f, 0.5f}},
        {"Ctrl and Shift on blue", true, 541, 170, {SDLK_LCTRL, SDLK_LSHIFT}, {1, 1, 1}},
        {"blue alone", true, 320, 191, {}, {.25f, .25f, 0.125f}},
    };
    for (const auto& [name, left, x, y, keys, want] : rows) {
        std::array<float, 3> rgb = {.25f, .25f, .25f};
        colourSliderList.count = 0;
        AddSliders(rgb.data());
        InputFrame(keys, left, x, y);
        UpdateColourSliders();
        EXPECT_EQ(rgb, want) << name;
    }
    // Each ramp black at its left end and its full colour at its right end; a
    // grey marker 5 units wide standing 2.5 out of the ramp at the value, even
    // outside the ramp. Colours are read in eighths: "8,0,0" red.
    EnsureGlWindow();
    colourSliderList.count = 0;
    TakeFrame();
    float values[3] = {0.25f, 0.0f, 1.1f};
    AddSliders(values);
    EXPECT_EQ(colourSliderList.count, 3);
    DrawColourSliders();
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_TRUE);
    const Frame f = TakeFrame();
    const std::tuple<const char*, int, int, const char*> points[] = {
        {"red ramp, left end", 290, 48, "0,0,0"},
        {"red ramp, right end", 541, 48, "8,0,0"},
        {"past the ramp", 545, 48, "0,0,0"},
        {"green ramp, right end", 541, 112, "0,8,0"},
        {"blue ramp, right end", 541, 176, "0,0,8"},
        {"marker at 0.25, above the ramp", 352, 30, "4,4,4"},
        {"marker at 0.25, over it", 350, 48, "4,4,4"},
        {"marker at 0.25, below it", 353, 65, "4,4,4"},
        {"beside the marker", 356, 48, "2,0,0"},
        {"marker at 0 on the left end", 286, 100, "4,4,4"},
        {"marker at 1.1 past the right end", 569, 180, "4,4,4"},
    };
    for (const auto& [name, x, y, want] : points)
        EXPECT_EQ(std::to_string((f.At(x, y, 0) * 8 + 127) / 255) + "," +
                      std::to_string((f.At(x, y, 1) * 8 + 127) / 255) + "," +
                      std::to_string((f.At(x, y, 2) * 8 + 127) / 255),
                  want)
            << name << " at " << x << "," << y;
}

}  // namespace
