// Viewport scaling, projections and the camera and placement matrices, read
// back from a real GL context.
#include "render/view.h"
#include "support/support.h"

namespace {

const float SCALED[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1};

// The non-zero values of a GL matrix, column by column, or of the viewport
// (x, y, width, height) as "index:value", each rounded to 1/1000.
std::string Values(GLenum which) {
    float m[16] = {};
    glGetFloatv(which, m);
    std::ostringstream out;
    for (int i = 0; i < 16; i++)
        if (std::round(m[i] * 1000) != 0)
            out << (out.tellp() > 0 ? " " : "") << i << ":" << std::round(m[i] * 1000) / 1000;
    return out.str();
}

// Each row's view, perspective ('p': near, far) or box ('o': half sizes), in
// a 1000x600 window after every matrix was scaled by (2, 3, 4): the viewport
// in window pixels from the bottom left, sizes truncated and not below 0; the
// projection loaded, or kept ("0:2 5:3 10:4 15:1"); texture and modelview
// reset, the modelview current. Then the placement by axes that send x to y,
// y to z and z to x and a position, which puts the axes in columns and the
// position last; the camera, its inverse; a null pointer skipping its step.
TEST(View, ViewportsProjectionsPlacementAndCamera) {
    EnsureGlWindow();
    videoState = {1000, 600, 16, 0, 0, 1, 1};
    const struct {
        const char* name;
        int rect[4];
        char kind;
        float box[3];
        const char* want;  // viewport | projection
    } rows[] = {
        {"whole", {0, 0, 640, 480}, 'p', {1, 3}, "2:1000 3:600 | 0:1 5:1.667 10:-2 11:-1 14:-3"},
        {"box", {1, 1, 3, 3}, 'o', {4, 2, 0.5f}, "0:1 1:595 2:4 3:3 | 0:0.25 5:0.5 10:-2 15:1"},
        {"no width", {40, 0, 0, 100}, 'p', {1, 3}, "0:62 1:475 3:125 | 0:2 5:3 10:4 15:1"},
        {"no height", {0, 0, 100, 0}, 'p', {1, 3}, "1:600 2:156 | 0:2 5:3 10:4 15:1"},
        {"below 0", {0, 0, -50, 100}, 'o', {4, 2, 0.5f}, "1:475 3:125 | 0:0.25 5:0.5 10:-2 15:1"},
        {"near 0", {0, 0, 640, 480}, 'p', {0, 3}, "2:1000 3:600 | 0:2 5:3 10:4 15:1"},
        {"flat box", {0, 0, 640, 480}, 'o', {4, 2, 0}, "2:1000 3:600 | 0:2 5:3 10:4 15:1"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
            glMatrixMode(mode);
            glLoadMatrixf(SCALED);
        }
        const auto [x, y, w, h] = r.rect;
        r.kind == 'p' ? SetPerspectiveView(x, y, w, h, r.box[0], r.box[1])
                      : SetOrthoView(x, y, w, h, r.box[0], r.box[1], r.box[2]);
        glTranslatef(0, 0, 1);  // moves the modelview, if it is current
        EXPECT_EQ(Values(GL_VIEWPORT) + " | " + Values(GL_PROJECTION_MATRIX), r.want);
        EXPECT_EQ(Values(GL_TEXTURE_MATRIX) + ", " + Values(GL_MODELVIEW_MATRIX),
                  "0:1 5:1 10:1 15:1, 0:1 5:1 10:1 14:1 15:1");
    }
    const float p[3] = {5, -6, 7};
    const float a[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    // The steps ('p' ApplyPlacement, 'c' ApplyCamera) from the identity, and their product.
    const std::tuple<const char*, const char*, const float*, const float*, const char*> moves[] = {
        {"placement", "p", p, a, "1:1 6:1 8:1 12:5 13:-6 14:7 15:1"},
        {"camera", "c", p, a, "2:1 4:1 9:1 12:6 13:-7 14:-5 15:1"},
        {"placement, camera", "pc", p, a, "0:1 5:1 10:1 15:1"},
        {"placement by axes", "p", nullptr, a, "1:1 6:1 8:1 15:1"},
        {"camera at a position", "c", p, nullptr, "0:1 5:1 10:1 12:-5 13:6 14:-7 15:1"},
    };
    for (const auto& [name, steps, position, axes, want] : moves) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glMatrixMode(GL_PROJECTION);  // each switches to the modelview itself
        for (const char* step = steps; *step; step++)
            (*step == 'p' ? ApplyPlacement : ApplyCamera)(position, axes);
        EXPECT_EQ(Values(GL_MODELVIEW_MATRIX), want) << name;
    }
}

}  // namespace
