// Event pump, focus re-upload, frame state and the multitexture probe, in a
// real GL context.
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/input.h"
#include "platform/video.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

class VideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlWindow();
        ResetInputState();
        ResetTextureImages();
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        videoState.hasFocus = 1;
        videoState.quitRequested = 0;
    }
};

void PushFocus(Uint8 state, Uint8 gain) {
    SDL_Event e = {};
    e.type = SDL_ACTIVEEVENT;
    e.active.state = state;
    e.active.gain = gain;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

// Gives a slot a w x h image of random words (and room for a chain when mipmapped).
std::vector<uint32_t> FillSlot(int slot, int w, int h, int mipmapped) {
    TextureSlot& s = textureTable.slots[slot];
    size_t words = size_t(w) * h * (mipmapped ? 2 : 1);
    s.pixels = static_cast<uint32_t*>(std::malloc(words * 4));
    for (size_t i = 0; i < words; i++) s.pixels[i] = uint32_t(std::rand()) * 2654435761u;
    s.width = w;
    s.height = h;
    s.mipmapped = mipmapped;
    return std::vector<uint32_t>(s.pixels, s.pixels + size_t(w) * h);
}

GLint TexParam(GLuint name, GLenum p) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, p, &v);
    return v;
}

TEST_F(VideoTest, FocusRegainReuploadsEverySlotWithItsFilterRules) {
    auto nearest = FillSlot(80, 8, 8, 0);
    auto nearestHigh = FillSlot(405, 4, 4, 0);
    auto mip = FillSlot(100, 16, 16, 1);
    auto plain = FillSlot(3, 4, 2, 0);
    auto font = FillSlot(FONT_SLOT, 16, 16, 0);
    PushFocus(SDL_APPINPUTFOCUS | SDL_APPACTIVE, 1);
    videoState.hasFocus = 0;
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 1);
    for (int slot : {80, 405}) {
        GLuint n = textureTable.slots[slot].glName;
        EXPECT_EQ(TexParam(n, GL_TEXTURE_MAG_FILTER), GL_NEAREST) << slot;
        EXPECT_EQ(TexParam(n, GL_TEXTURE_MIN_FILTER), GL_NEAREST) << slot;
    }
    GLuint m = textureTable.slots[100].glName;
    EXPECT_EQ(TexParam(m, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(m, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(TexParam(textureTable.slots[3].glName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    GLuint f = textureTable.slots[FONT_SLOT].glName;
    EXPECT_EQ(TexParam(f, GL_TEXTURE_WRAP_S), GL_REPEAT) << "the font is repeat after a regain";
    EXPECT_EQ(TexParam(f, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(ReadGlLevel(textureTable.slots[80].glName, 0), nearest);
    EXPECT_EQ(ReadGlLevel(textureTable.slots[405].glName, 0), nearestHigh);
    EXPECT_EQ(ReadGlLevel(m, 0), mip);
    EXPECT_EQ(ReadGlLevel(textureTable.slots[3].glName, 0), plain);
    EXPECT_EQ(ReadGlLevel(f, 0), font);
    // The chain was rebuilt and uploaded: level 4 is the 1x1 average.
    GLint w4 = 0;
    glBindTexture(GL_TEXTURE_2D, m);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &w4);
    EXPECT_EQ(w4, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(VideoTest, EmptySlotsAreSkippedOnRegain) {
    GLuint name = textureTable.slots[7].glName;
    PushFocus(SDL_APPINPUTFOCUS, 1);
    PumpEvents();
    glBindTexture(GL_TEXTURE_2D, name);
    GLint w = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 0);
}

TEST_F(VideoTest, FocusEventsFollowOnlyTheInputFocusBit) {
    PushFocus(SDL_APPINPUTFOCUS, 0);
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 0);
    PushFocus(SDL_APPMOUSEFOCUS | SDL_APPACTIVE, 1);
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 0) << "mouse focus alone is no regain";
    PushFocus(SDL_APPINPUTFOCUS, 1);
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 1);
}

TEST_F(VideoTest, HeldF12DropsFocusOnEveryEventAndQuitIsLatched) {
    inputState.keys[SDLK_F12] = 1;
    SDL_Event user = {};
    user.type = SDL_USEREVENT;
    SDL_PushEvent(&user);
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 0);
    inputState.keys[SDLK_F12] = 0;
    PushFocus(SDL_APPINPUTFOCUS, 1);
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 1);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    PumpEvents();
    EXPECT_EQ(videoState.quitRequested, 1);
    PumpEvents();
    EXPECT_EQ(videoState.quitRequested, 1) << "nothing clears a quit request";
}

void ExpectMatrix(GLenum which, const float (&want)[16]) {
    float m[16];
    glGetFloatv(which, m);
    for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(m[i], want[i]) << which << "[" << i << "]";
}

TEST_F(VideoTest, FrameStateMapsTheVirtualScreenOntoAnyWindow) {
    for (int w : {640, 800}) {
        videoState.width = w;
        videoState.height = w * 3 / 4;
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(5, 5, 5);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        SetupFrameState();
        GLint mode = 0, vp[4];
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_TEXTURE);
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], w);
        EXPECT_EQ(vp[3], w * 3 / 4);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        GLint src = 0, dst = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        EXPECT_EQ(src, GL_SRC_ALPHA);
        EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        ExpectMatrix(GL_MODELVIEW_MATRIX, identity);
        ExpectMatrix(GL_TEXTURE_MATRIX, identity);
        // glFrustum(-1, 1, -0.75, 0.75, 1, 1000).
        const float n = 1, f = 1000;
        const float frustum[16] = {1, 0, 0, 0, 0, 1 / 0.75f, 0, 0, 0, 0, -(f + n) / (f - n), -1,
                                   0, 0, -2 * f * n / (f - n), 0};
        ExpectMatrix(GL_PROJECTION_MATRIX, frustum);
    }
    videoState.width = 640;
    videoState.height = 480;
}

TEST_F(VideoTest, MultitextureProbeFindsTheExtensionOnMesa) {
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(ext, nullptr);
    ProbeMultitexture();
    bool has = std::strstr(ext, "GL_ARB_multitexture") != nullptr;
    EXPECT_EQ(glActiveTextureARBPtr != nullptr, has);
    EXPECT_EQ(glMultiTexCoord2fARBPtr != nullptr, has);
}

}  // namespace
