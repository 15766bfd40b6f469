// Viewport scaling, projections and the camera/placement matrices, read back
// from a real GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/video.h"
#include "render/view.h"
#include "support/gl_context.h"

namespace {

struct Matrix {
    GLfloat m[16];
};

Matrix ReadMatrix(GLenum which) {
    Matrix r;
    glGetFloatv(which, r.m);
    return r;
}

void ExpectMatrixNear(const Matrix& got, const Matrix& want, float tolerance, const char* what) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got.m[i], want.m[i], tolerance) << what << " element " << i;
}

Matrix Identity() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

// Puts something other than identity into every matrix stack and the viewport.
void Scramble() {
    glViewport(3, 5, 7, 11);
    const GLenum modes[] = {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW};
    for (GLenum mode : modes) {
        glMatrixMode(mode);
        glLoadIdentity();
        glTranslatef(2, 3, 4);
        glRotatef(30, 1, 1, 0);
    }
}

void ExpectViewport(int x, int y, int w, int h) {
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(std::vector<GLint>(v, v + 4), (std::vector<GLint>{x, y, w, h}));
}

// Both views must end in modelview mode with identity modelview and texture matrices.
void ExpectResetMatrices() {
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    ExpectMatrixNear(ReadMatrix(GL_MODELVIEW_MATRIX), Identity(), 0, "modelview");
    ExpectMatrixNear(ReadMatrix(GL_TEXTURE_MATRIX), Identity(), 0, "texture");
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlWindow();
        videoState.width = 640;
        videoState.height = 480;
        Scramble();
    }
    void TearDown() override {
        videoState.width = 640;
        videoState.height = 480;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
};

struct ViewportCase {
    int windowW, windowH, x, y, w, h;
    int wantX, wantY, wantW, wantH;
};

TEST_F(ViewTest, ViewportScalesWithTruncationAndFlipsY) {
    const ViewportCase cases[] = {
        {800, 600, 0, 0, 640, 480, 0, 0, 800, 600},
        {1024, 768, 0, 0, 320, 240, 0, 384, 512, 384},  // top-left quarter
        {800, 600, 1, 0, 100, 480, 1, 0, 125, 600},     // 1.25 -> 1
        {800, 600, 1, 1, 3, 3, 1, 595, 3, 3},           // 3.75 -> 3 both ways
        {1280, 960, 320, 240, 320, 240, 640, 0, 640, 480},
        {640, 480, 10, 20, 30, 40, 10, 420, 30, 40},
    };
    for (const ViewportCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.windowW << "x" << c.windowH << " rect " << c.x << ","
                                        << c.y << "," << c.w << "," << c.h);
        videoState.width = c.windowW;
        videoState.height = c.windowH;
        Scramble();
        SetPerspectiveView(c.x, c.y, c.w, c.h, 1, 1000);
        ExpectViewport(c.wantX, c.wantY, c.wantW, c.wantH);
        ExpectResetMatrices();
        Scramble();
        SetOrthoView(c.x, c.y, c.w, c.h, 1, 1, 1);
        ExpectViewport(c.wantX, c.wantY, c.wantW, c.wantH);
        ExpectResetMatrices();
    }
}

TEST_F(ViewTest, FullScreenPerspectiveEqualsFrameProjection) {
    videoState.width = 800;
    videoState.height = 600;
    SetupFrameState();
    Matrix frame = ReadMatrix(GL_PROJECTION_MATRIX);
    Scramble();
    SetPerspectiveView(0, 0, 640, 480, 1, 1000);
    ExpectMatrixNear(ReadMatrix(GL_PROJECTION_MATRIX), frame, 1e-6f, "projection");
    ExpectResetMatrices();
}

// The frustum follows OpenGL's definition with l = -n, r = n, b = -a*n, t = a*n
// and a the ratio of the truncated pixel sizes.
TEST_F(ViewTest, PerspectiveUsesTruncatedPixelAspect) {
    videoState.width = 1024;
    videoState.height = 768;
    const float n = 0.5f, f = 200.0f;
    SetPerspectiveView(0, 0, 333, 100, n, f);
    ExpectViewport(0, 608, 532, 160);  // 532.8 -> 532
    double aspect = float(160) / float(532);
    Matrix want = {};
    want.m[0] = 1.0f;
    want.m[5] = float(1.0 / aspect);
    want.m[10] = float(-(f + n) / double(f - n));
    want.m[11] = -1.0f;
    want.m[14] = float(-2.0 * f * n / double(f - n));
    ExpectMatrixNear(ReadMatrix(GL_PROJECTION_MATRIX), want, 1e-5f, "projection");
}

TEST_F(ViewTest, OrthoLoadsSymmetricBox) {
    videoState.width = 800;
    videoState.height = 600;
    SetOrthoView(64, 48, 320, 240, 4, 2, 50);
    ExpectViewport(80, 240, 400, 300);
    Matrix want = {};
    want.m[0] = 0.25f;
    want.m[5] = 0.5f;
    want.m[10] = -0.02f;
    want.m[15] = 1.0f;
    ExpectMatrixNear(ReadMatrix(GL_PROJECTION_MATRIX), want, 1e-7f, "projection");
    ExpectResetMatrices();
}

// A rectangle that scales to no pixels gets an empty viewport at its scaled
// corner (negative sizes count as 0); the orthographic box is loaded as ever,
// while the perspective keeps the previous projection rather than an invalid
// frustum. The modelview is reset either way.
TEST_F(ViewTest, EmptyScaledRectangleSetsAnEmptyViewport) {
    const ViewportCase cases[] = {
        {640, 480, 10, 0, 0, 100, 10, 380, 0, 100},
        {320, 480, 40, 0, 1, 100, 20, 380, 0, 100},   // 0.5 pixel wide
        {640, 480, 0, 20, 100, 0, 0, 460, 100, 0},
        {640, 480, 0, 0, -50, 100, 0, 380, 0, 100},
    };
    for (const ViewportCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "window " << c.windowW << " x " << c.x << " w " << c.w << " h " << c.h);
        videoState.width = c.windowW;
        videoState.height = c.windowH;
        Scramble();
        Matrix before = ReadMatrix(GL_PROJECTION_MATRIX);
        SetPerspectiveView(c.x, c.y, c.w, c.h, 1, 100);
        ExpectViewport(c.wantX, c.wantY, c.wantW, c.wantH);
        ExpectMatrixNear(ReadMatrix(GL_PROJECTION_MATRIX), before, 0, "projection");
        ExpectResetMatrices();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        Scramble();
        SetOrthoView(c.x, c.y, c.w, c.h, 2, 2, 2);
        ExpectViewport(c.wantX, c.wantY, c.wantW, c.wantH);
        EXPECT_EQ(ReadMatrix(GL_PROJECTION_MATRIX).m[0], 0.5f) << "the box is loaded";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

// An orthonormal frame: rotation of 40 degrees about the normalised (1, 2, 3).
void MakeAxes(float axes[9]) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRotatef(40, 1, 2, 3);
    Matrix r = ReadMatrix(GL_MODELVIEW_MATRIX);
    glPopMatrix();
    for (int column = 0; column < 3; column++)
        for (int k = 0; k < 3; k++) axes[column * 3 + k] = r.m[column * 4 + k];
}

TEST_F(ViewTest, PlacementPutsAxesInColumnsAndPositionLast) {
    float axes[9];
    MakeAxes(axes);
    const float p[3] = {5, -6, 7};
    glMatrixMode(GL_PROJECTION);  // the operation must switch to modelview itself
    ApplyPlacement(p, axes);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    ASSERT_EQ(mode, GL_MODELVIEW);
    glLoadIdentity();
    ApplyPlacement(p, axes);
    Matrix m = ReadMatrix(GL_MODELVIEW_MATRIX);
    for (int column = 0; column < 3; column++)
        for (int k = 0; k < 3; k++) EXPECT_NEAR(m.m[column * 4 + k], axes[column * 3 + k], 1e-6f);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(m.m[12 + k], p[k], 1e-6f);
}

// The camera maps its own position to the eye origin and its axes to the eye's axes.
TEST_F(ViewTest, CameraMapsItsFrameToEyeSpace) {
    float axes[9];
    MakeAxes(axes);
    const float p[3] = {1, 2, -3};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ApplyCamera(p, axes);
    Matrix m = ReadMatrix(GL_MODELVIEW_MATRIX);
    for (int row = 0; row < 3; row++) {
        float eye = m.m[12 + row];
        for (int k = 0; k < 3; k++) eye += m.m[k * 4 + row] * p[k];
        EXPECT_NEAR(eye, 0, 1e-5f) << "position row " << row;
    }
    for (int axis = 0; axis < 3; axis++)
        for (int row = 0; row < 3; row++) {
            float v = 0;
            for (int k = 0; k < 3; k++) v += m.m[k * 4 + row] * axes[axis * 3 + k];
            EXPECT_NEAR(v, axis == row ? 1.0f : 0.0f, 1e-5f) << "axis " << axis << " row " << row;
        }
}

TEST_F(ViewTest, CameraThenPlacementRestoresModelview) {
    float axes[9];
    MakeAxes(axes);
    const float p[3] = {10, -20, 30};
    glMatrixMode(GL_MODELVIEW);
    Matrix before = ReadMatrix(GL_MODELVIEW_MATRIX);  // scrambled, not identity
    ApplyCamera(p, axes);
    ApplyPlacement(p, axes);
    ExpectMatrixNear(ReadMatrix(GL_MODELVIEW_MATRIX), before, 1e-4f, "modelview");
}

TEST_F(ViewTest, NullPointersSkipTheirStep) {
    float axes[9];
    MakeAxes(axes);
    const float p[3] = {4, 5, 6};
    for (int camera = 0; camera < 2; camera++) {
        SCOPED_TRACE(camera ? "camera" : "placement");
        auto apply = camera ? ApplyCamera : ApplyPlacement;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        apply(nullptr, nullptr);
        ExpectMatrixNear(ReadMatrix(GL_MODELVIEW_MATRIX), Identity(), 0, "both null");

        apply(p, nullptr);
        Matrix t = Identity();
        for (int k = 0; k < 3; k++) t.m[12 + k] = camera ? -p[k] : p[k];
        ExpectMatrixNear(ReadMatrix(GL_MODELVIEW_MATRIX), t, 1e-6f, "translation only");

        glLoadIdentity();
        apply(nullptr, axes);
        Matrix r = ReadMatrix(GL_MODELVIEW_MATRIX);
        for (int k = 0; k < 3; k++) EXPECT_EQ(r.m[12 + k], 0.0f);
        // Placement holds the axes as columns, the camera as rows.
        for (int column = 0; column < 3; column++)
            for (int k = 0; k < 3; k++) {
                float got = camera ? r.m[k * 4 + column] : r.m[column * 4 + k];
                EXPECT_NEAR(got, axes[column * 3 + k], 1e-6f);
            }
    }
}

}  // namespace
