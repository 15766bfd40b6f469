// Viewport scaling, projections and the camera and placement matrices, read
// back from a real GL context.
#include "support/support.h"

namespace {

const std::vector<float> IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void ExpectMatrix(GLenum which, std::vector<float> want, const char* what) {
    float m[16];
    glGetFloatv(which, m);
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], want[i], 1e-5f) << what << " [" << i << "]";
}

// Each row: a window, a virtual rectangle, the viewport it must give (y from
// the bottom, sizes truncated, an empty one at its scaled corner) and the
// frustum of near/far over the viewport's pixel aspect; the box (4, 2, 50)
// is loaded even for an empty viewport, a frustum is not.
TEST(View, ViewportsProjectionsCameraAndPlacement) {
    EnsureGlWindow();
    const struct {
        int windowW, windowH, x, y, w, h;
        float n, f;
        int vx, vy, vw, vh;
    } rows[] = {{800, 600, 0, 0, 640, 480, 1, 1000, 0, 0, 800, 600},
                {1024, 768, 0, 0, 320, 240, 1, 100, 0, 384, 512, 384},
                {800, 600, 1, 1, 3, 3, 1, 10, 1, 595, 3, 3},
                {1024, 768, 0, 0, 333, 100, 0.5f, 200, 0, 608, 532, 160},
                {320, 480, 40, 0, 1, 100, 1, 100, 20, 380, 0, 100},
                {640, 480, 0, 0, -50, 100, 1, 100, 0, 380, 0, 100}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.windowW << "x" << r.windowH << " rect " << r.x << ","
                                        << r.y << "," << r.w << "," << r.h);
        videoState.width = r.windowW, videoState.height = r.windowH;
        for (bool ortho : {false, true}) {
            glViewport(3, 5, 7, 11);  // something other than identity in every matrix
            for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW})
                glMatrixMode(mode), glLoadIdentity(), glTranslatef(2, 3, 4), glRotatef(30, 1, 1, 0);
            std::vector<float> want(16);
            glGetFloatv(GL_PROJECTION_MATRIX, want.data());
            if (ortho)
                SetOrthoView(r.x, r.y, r.w, r.h, 4, 2, 50),
                    want = {0.25f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, -0.02f, 0, 0, 0, 0, 1};
            else
                SetPerspectiveView(r.x, r.y, r.w, r.h, r.n, r.f);
            if (!ortho && r.vw > 0 && r.vh > 0)
                want = {1,
                        0,
                        0,
                        0,
                        0,
                        float(r.vw) / float(r.vh),
                        0,
                        0,
                        0,
                        0,
                        -(r.f + r.n) / (r.f - r.n),
                        -1,
                        0,
                        0,
                        -2 * r.f * r.n / (r.f - r.n),
                        0};
            GLint v[4], mode = 0;
            glGetIntegerv(GL_VIEWPORT, v), glGetIntegerv(GL_MATRIX_MODE, &mode);
            EXPECT_TRUE(v[0] == r.vx && v[1] == r.vy && v[2] == r.vw && v[3] == r.vh &&
                        mode == GL_MODELVIEW && glGetError() == GL_NO_ERROR)
                << v[0] << "," << v[1] << "," << v[2] << "," << v[3];
            ExpectMatrix(GL_PROJECTION_MATRIX, want, ortho ? "box" : "frustum");
            for (GLenum which : {GL_MODELVIEW_MATRIX, GL_TEXTURE_MATRIX})
                ExpectMatrix(which, IDENTITY, "reset");
        }
    }
    videoState.width = 640, videoState.height = 480;
    // Placement puts the axes in columns and the position last; the camera is
    // its inverse; a null pointer skips its step.
    float m[16];
    glMatrixMode(GL_MODELVIEW), glLoadIdentity(), glRotatef(40, 1, 2, 3),
        glGetFloatv(GL_MODELVIEW_MATRIX, m), glLoadIdentity();
    const float a[9] = {m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]}, p[3] = {5, -6, 7};
    glMatrixMode(GL_PROJECTION),
        ApplyPlacement(p, a);  // each operation switches to the modelview itself
    ExpectMatrix(
        GL_MODELVIEW_MATRIX,
        {a[0], a[1], a[2], 0, a[3], a[4], a[5], 0, a[6], a[7], a[8], 0, p[0], p[1], p[2], 1},
        "placement");
    glMatrixMode(GL_PROJECTION), ApplyCamera(p, a);
    ExpectMatrix(GL_MODELVIEW_MATRIX, IDENTITY, "placement then camera");
    ApplyCamera(p, a), ApplyPlacement(p, a);
    ExpectMatrix(GL_MODELVIEW_MATRIX, IDENTITY, "camera then placement");
    ApplyCamera(nullptr, nullptr), ApplyPlacement(nullptr, nullptr), ApplyCamera(p, nullptr);
    ExpectMatrix(GL_MODELVIEW_MATRIX,
                 {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -5, 6, -7, 1},
                 "the camera's translation alone");
    glLoadIdentity(), ApplyCamera(nullptr, a);
    ExpectMatrix(GL_MODELVIEW_MATRIX,
                 {a[0], a[3], a[6], 0, a[1], a[4], a[7], 0, a[2], a[5], a[8], 0, 0, 0, 0, 1},
                 "the camera's rotation alone: the axes as rows");
}

}  // namespace
