// The colour picker: three horizontal sliders that set the text colour.
#pragma once
#include <cstdint>

constexpr int COLOUR_SLIDER_SLOTS = 3;
constexpr float SLIDER_SNAP_STEP = 0.125f;  // Ctrl snaps to eighths
constexpr float SLIDER_MARKER_HALF = 2.5f;  // the marker is 5 units wide

struct ColourSlider {
    int32_t x;      // left edge, virtual screen
    int32_t y;      // top edge
    int32_t w;      // width, also the number of drag positions
    int32_t h;      // height
    float r, g, b;  // colour at the ramp's right end
    float* target;  // the value shown and set, 0..1; not owned
};

struct ColourSliderList {
    ColourSlider sliders[COLOUR_SLIDER_SLOTS];
    int32_t count;  // entries 0..count-1 are live
};

extern ColourSliderList colourSliderList;

// Appends a slider; ignored once the list is full.
void AddColourSlider(
    int32_t x, int32_t y, int32_t w, int32_t h, float r, float g, float b, float* target);

// While the left button is held over a slider: value = (mx - x) / w, Ctrl
// snaps to eighths, Shift copies it to the targets of entries 0..2 (grey).
void UpdateColourSliders();

// Each live slider as a black-to-colour ramp with a grey marker at its value,
// all in one quad batch at z = -1; texturing is off during the batch.
void DrawColourSliders();
