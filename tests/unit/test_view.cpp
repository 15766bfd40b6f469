// Viewport scaling, projections and the camera and placement matrices, read
// back from a real GL context.
#include "support/support.h"

namespace {

std::vector<float> Read(GLenum which) {
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

// Something other than identity in every matrix stack and the viewport.
void Scramble() {
    glViewport(3, 5, 7, 11);
    for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) glMatrixMode(mode), glLoadIdentity(), glTranslatef(2, 3, 4), glRotatef(30, 1, 1, 0);
}

void ExpectNear(const std::vector<float>& got, const std::vector<float>& want, const char* what) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got[i], want[i], 1e-5f) << what << " [" << i << "]";
}

// Each row: a window, a virtual rectangle, the viewport it must give (y from
// the bottom, sizes truncated, an empty one at its scaled corner), then the
// frustum of near/far over the viewport's pixel aspect and the box a, b, c.
TEST(View, ViewportsScaleAndProjectionsFollowTheirPixels) {
    EnsureGlWindow();
    const struct { int windowW, windowH, x, y, w, h; float n, f; int vx, vy, vw, vh; } rows[] = {
        {800, 600, 0, 0, 640, 480, 1, 1000, 0, 0, 800, 600},         {1024, 768, 0, 0, 320, 240, 1, 100, 0, 384, 512, 384},
        {800, 600, 1, 0, 100, 480, 2, 50, 1, 0, 125, 600},           {800, 600, 1, 1, 3, 3, 1, 10, 1, 595, 3, 3},
        {1280, 960, 320, 240, 320, 240, 1, 9, 640, 0, 640, 480},     {1024, 768, 0, 0, 333, 100, 0.5f, 200, 0, 608, 532, 160},
        {640, 480, 10, 0, 0, 100, 1, 100, 10, 380, 0, 100},          {320, 480, 40, 0, 1, 100, 1, 100, 20, 380, 0, 100},
        {640, 480, 0, 20, 100, 0, 1, 100, 0, 460, 100, 0},           {640, 480, 0, 0, -50, 100, 1, 100, 0, 380, 0, 100},
    };
    const std::vector<float> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.windowW << "x" << r.windowH << " rect " << r.x << "," << r.y << "," << r.w << "," << r.h);
        videoState.width = r.windowW, videoState.height = r.windowH;
        for (bool ortho : {false, true}) {
            Scramble();
            std::vector<float> want = Read(GL_PROJECTION_MATRIX);   // an empty viewport keeps a frustum out
            if (ortho) {
                SetOrthoView(r.x, r.y, r.w, r.h, 4, 2, 50);
                want = {0.25f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, -0.02f, 0, 0, 0, 0, 1};
            } else {
                SetPerspectiveView(r.x, r.y, r.w, r.h, r.n, r.f);
                if (r.vw > 0 && r.vh > 0)
                    want = {1, 0, 0, 0, 0, float(r.vw) / float(r.vh), 0, 0, 0, 0, -(r.f + r.n) / (r.f - r.n), -1, 0, 0, -2 * r.f * r.n / (r.f - r.n), 0};
            }
            GLint v[4], mode = 0;
            glGetIntegerv(GL_VIEWPORT, v), glGetIntegerv(GL_MATRIX_MODE, &mode);
            EXPECT_EQ(std::vector<GLint>(v, v + 4), (std::vector<GLint>{r.vx, r.vy, r.vw, r.vh})) << (ortho ? "ortho" : "perspective");
            ExpectNear(Read(GL_PROJECTION_MATRIX), want, ortho ? "box" : "frustum");
            ExpectNear(Read(GL_MODELVIEW_MATRIX), identity, "modelview");
            ExpectNear(Read(GL_TEXTURE_MATRIX), identity, "texture");
            EXPECT_TRUE(mode == GL_MODELVIEW && glGetError() == GL_NO_ERROR);
        }
    }
    videoState.width = 640, videoState.height = 480;
}

// The camera maps its position to the eye's origin and its axes to the eye's
// axes; placement puts the axes in columns and the position last; one undoes
// the other; a null pointer skips its step.
TEST(View, CameraAndPlacementAreInverseFrames) {
    EnsureGlWindow();
    glMatrixMode(GL_MODELVIEW), glLoadIdentity(), glRotatef(40, 1, 2, 3);
    std::vector<float> r = Read(GL_MODELVIEW_MATRIX);
    const float axes[9] = {r[0], r[1], r[2], r[4], r[5], r[6], r[8], r[9], r[10]}, p[3] = {5, -6, 7};
    glLoadIdentity(), glMatrixMode(GL_PROJECTION);   // each operation switches to the modelview itself
    ApplyPlacement(p, axes);
    std::vector<float> placed = Read(GL_MODELVIEW_MATRIX);
    ExpectNear(placed, {axes[0], axes[1], axes[2], 0, axes[3], axes[4], axes[5], 0, axes[6], axes[7], axes[8], 0, p[0], p[1], p[2], 1}, "placement");
    glMatrixMode(GL_PROJECTION);
    ApplyCamera(p, axes);
    ExpectNear(Read(GL_MODELVIEW_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, "placement then camera");
    glLoadIdentity();
    ApplyCamera(p, axes);
    std::vector<float> camera = Read(GL_MODELVIEW_MATRIX);
    for (int row = 0; row < 3; row++)
        EXPECT_NEAR(camera[12 + row] + camera[row] * p[0] + camera[4 + row] * p[1] + camera[8 + row] * p[2], 0, 1e-5f) << "the camera sits at the origin";
    ApplyPlacement(p, axes);
    ExpectNear(Read(GL_MODELVIEW_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, "camera then placement");
    glLoadIdentity();
    ApplyCamera(nullptr, nullptr), ApplyPlacement(nullptr, nullptr), ApplyCamera(p, nullptr);
    ExpectNear(Read(GL_MODELVIEW_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -5, 6, -7, 1}, "the camera's translation alone");
    glLoadIdentity();
    ApplyCamera(nullptr, axes);
    ExpectNear(Read(GL_MODELVIEW_MATRIX), {axes[0], axes[3], axes[6], 0, axes[1], axes[4], axes[7], 0, axes[2], axes[5], axes[8], 0, 0, 0, 0, 1}, "the camera's rotation alone: the axes as rows");
}

}  // namespace
