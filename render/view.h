// Viewport and camera set-up for 3D views drawn inside a rectangle of the
// 640x480 virtual screen.
#pragma once
#include <cstdint>

constexpr int32_t VIEW_VIRTUAL_WIDTH = 640;
constexpr int32_t VIEW_VIRTUAL_HEIGHT = 480;

// A virtual-screen rectangle mapped to window pixels (bottom-left origin).
struct ViewportPixels {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Maps the virtual rectangle (x, y, w, h; top-left origin, y down) to window
// pixels of videoState's size, each product divided with truncation toward 0.
ViewportPixels ScaleViewRect(int32_t x, int32_t y, int32_t w, int32_t h);

// Viewport for the rectangle, a 90-degree horizontal frustum whose vertical
// extent follows the viewport's pixel aspect, identity texture and modelview;
// leaves GL_MODELVIEW current. A rectangle that scales to no pixels gets an
// empty viewport at its scaled corner (sizes below 0 count as 0); the previous
// projection then stays, as it does for a near or far that is not positive or
// a near equal to far: never a division by zero or an invalid frustum.
void SetPerspectiveView(int32_t x, int32_t y, int32_t w, int32_t h, float near, float far);

// As SetPerspectiveView with the box glOrtho(-a, a, -b, b, -c, c), loaded for
// an empty viewport too; a box flat along an axis (a, b or c 0) keeps the
// previous projection.
void SetOrthoView(
    int32_t x, int32_t y, int32_t w, int32_t h, float halfWidth, float halfHeight, float halfDepth);

// Multiplies the modelview matrix by rotation^T x translate(-position): the
// world as seen from a camera placed like an object. Null pointers skip their step.
void ApplyCamera(const float* position, const float* axes);

// Multiplies the modelview matrix by translate(position) x rotation whose
// columns are the three axes. Null pointers skip their step.
void ApplyPlacement(const float* position, const float* axes);
