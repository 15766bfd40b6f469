#include "render/view.h"

#include <GL/gl.h>

#include "platform/video.h"

// Products are formed in 64 bits so absurd rectangles cannot overflow; for
// every rectangle on or near the virtual screen the result equals 32-bit math.
static int32_t ScaleAxis(int32_t value, int32_t windowSize, int32_t virtualSize) {
    int64_t scaled = int64_t(value) * windowSize / virtualSize;
    if (scaled > INT32_MAX)
        return INT32_MAX;
    if (scaled < INT32_MIN)
        return INT32_MIN;
    return int32_t(scaled);
}

ViewportPixels ScaleViewRect(int32_t x, int32_t y, int32_t w, int32_t h) {
    int32_t flippedY = int32_t(int64_t(VIEW_VIRTUAL_HEIGHT) - (int64_t(y) + h));
    ViewportPixels v;
    v.x = ScaleAxis(x, videoState.width, VIEW_VIRTUAL_WIDTH);
    v.y = ScaleAxis(flippedY, videoState.height, VIEW_VIRTUAL_HEIGHT);
    v.width = ScaleAxis(w, videoState.width, VIEW_VIRTUAL_WIDTH);
    v.height = ScaleAxis(h, videoState.height, VIEW_VIRTUAL_HEIGHT);
    return v;
}

// Sets and returns the viewport; a size that scales below 0 counts as 0, so an
// empty rectangle gets an empty viewport at its scaled corner.
static ViewportPixels SetViewport(int32_t x, int32_t y, int32_t w, int32_t h) {
    ViewportPixels v = ScaleViewRect(x, y, w, h);
    if (v.width < 0)
        v.width = 0;
    if (v.height < 0)
        v.height = 0;
    glViewport(v.x, v.y, v.width, v.height);
    return v;
}

static void ResetTextureAndModelview() {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SetPerspectiveView(int32_t x, int32_t y, int32_t w, int32_t h, float near, float far) {
    ViewportPixels v = SetViewport(x, y, w, h);
    double n = near, f = far;
    // An empty viewport has no aspect, and glFrustum refuses a flat box or a
    // depth range that is not positive: the previous projection stays then.
    if (v.width > 0 && v.height > 0 && n > 0 && f > 0 && n != f) {
        float aspect = float(v.height) / float(v.width);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-n, n, -double(aspect) * n, double(aspect) * n, n, f);
    }
    ResetTextureAndModelview();
}

void SetOrthoView(int32_t x,
                  int32_t y,
                  int32_t w,
                  int32_t h,
                  float halfWidth,
                  float halfHeight,
                  float halfDepth) {
    SetViewport(x, y, w, h);
    // glOrtho refuses a box that is flat along any axis.
    if (halfWidth != 0 && halfHeight != 0 && halfDepth != 0) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-halfWidth, halfWidth, -halfHeight, halfHeight, -halfDepth, halfDepth);
    }
    ResetTextureAndModelview();
}

void ApplyCamera(const float* position, const float* axes) {
    glMatrixMode(GL_MODELVIEW);
    if (axes) {
        const float* r = axes;
        const GLfloat m[16] = {
            r[0], r[3], r[6], 0, r[1], r[4], r[7], 0, r[2], r[5], r[8], 0, 0, 0, 0, 1};
        glMultMatrixf(m);
    }
    if (position)
        glTranslatef(-position[0], -position[1], -position[2]);
}

void ApplyPlacement(const float* position, const float* axes) {
    glMatrixMode(GL_MODELVIEW);
    if (position)
        glTranslatef(position[0], position[1], position[2]);
    if (axes) {
        const float* r = axes;
        const GLfloat m[16] = {
            r[0], r[1], r[2], 0, r[3], r[4], r[5], 0, r[6], r[7], r[8], 0, 0, 0, 0, 1};
        glMultMatrixf(m);
    }
}
