#include "app/colour_sliders.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cmath>

#include "platform/input.h"

ColourSliderList colourSliderList;

namespace {

void Vertex(float px, float py) {
    glVertex3f((px - 320.0f) / 320.0f, (240.0f - py) / 320.0f, -1.0f);
}

bool IsOver(const ColourSlider& s, int32_t mx, int32_t my) {
    return mx >= s.x && my >= s.y && mx < s.x + s.w && my < s.y + s.h;
}

void SetFromMouse(const ColourSlider& s, int32_t mx) {
    if (!s.target || s.w == 0)
        return;
    *s.target = float(double(mx - s.x) / double(s.w));
    if (IsKeyDown(SDLK_LCTRL))
        *s.target = float(std::floor(*s.target / SLIDER_SNAP_STEP + 0.5f) * SLIDER_SNAP_STEP);
    if (IsKeyDown(SDLK_LSHIFT)) {
        float grey = *s.target;
        for (int i = 0; i < COLOUR_SLIDER_SLOTS && i < colourSliderList.count; i++)
            if (colourSliderList.sliders[i].target)
                *colourSliderList.sliders[i].target = grey;
    }
}

void DrawSlider(const ColourSlider& s) {
    float x0 = float(s.x), y0 = float(s.y), x1 = float(s.x + s.w), y1 = float(s.y + s.h);
    glColor3f(0.0f, 0.0f, 0.0f);
    Vertex(x0, y0);
    glColor3f(s.r, s.g, s.b);
    Vertex(x1, y0);
    Vertex(x1, y1);
    glColor3f(0.0f, 0.0f, 0.0f);
    Vertex(x0, y1);
    float value = s.target ? *s.target : 0.0f;
    float p = x0 + value * float(s.w);
    glColor3f(0.5f, 0.5f, 0.5f);
    Vertex(p - SLIDER_MARKER_HALF, y0 - SLIDER_MARKER_HALF);
    Vertex(p + SLIDER_MARKER_HALF, y0 - SLIDER_MARKER_HALF);
    Vertex(p + SLIDER_MARKER_HALF, y1 + SLIDER_MARKER_HALF);
    Vertex(p - SLIDER_MARKER_HALF, y1 + SLIDER_MARKER_HALF);
}

}  // namespace

void AddColourSlider(
    int32_t x, int32_t y, int32_t w, int32_t h, float r, float g, float b, float* target) {
    if (colourSliderList.count < 0 || colourSliderList.count >= COLOUR_SLIDER_SLOTS)
        return;
    colourSliderList.sliders[colourSliderList.count++] = ColourSlider{x, y, w, h, r, g, b, target};
}

void UpdateColourSliders() {
    const MouseState& m = inputState.mouse;
    if (!m.leftDown)
        return;
    for (int i = 0; i < colourSliderList.count && i < COLOUR_SLIDER_SLOTS; i++) {
        const ColourSlider& s = colourSliderList.sliders[i];
        if (IsOver(s, m.x, m.y))
            SetFromMouse(s, m.x);
    }
}

void DrawColourSliders() {
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    for (int i = 0; i < colourSliderList.count && i < COLOUR_SLIDER_SLOTS; i++)
        DrawSlider(colourSliderList.sliders[i]);
    glEnd();
    glEnable(GL_TEXTURE_2D);
}
