// The screenshot writer against a real window under Mesa's default driver:
// the frame the coming swap shows, byte for byte, under the first free name of
// the series, or no file at all.
#include "support/support.h"

namespace {

// The name SaveScreenshot reports, or "failed" when it says so and leaves the name empty.
std::string Shot() {
    char name[SCREENSHOT_NAME_BYTES] = "?";
    return SaveScreenshot(name, sizeof name) ? name : name[0] ? "failed, naming a file" : "failed";
}

// Noise drawn in windows of several sizes comes out bottom row first, B, G, R,
// rows padded to 4 bytes, though the front buffer holds no such frame (under
// llvmpipe it reads back black). The names skip others' files and links and
// leave them alone. No file is made for a window out of range, a frame that
// cannot be read (a framebuffer object of the caller's bound) or when all 1000
// names exist.
TEST(Screenshot, TheFrameTheSwapShowsUnderTheFirstFreeNameOrNoFile) {
    EnsureGlWindow();
    TempWorkDir dir;
    ASSERT_TRUE(WriteFileBytes("scsht001.bmp", "not mine"));
    ASSERT_EQ(symlink("target", "scsht002.bmp"), 0);
    for (auto [w, h, name] : {std::tuple{641, 5, "scsht000.bmp"},
                              {3, 2, "scsht003.bmp"},
                              {1280, 960, "scsht004.bmp"}}) {
        std::tie(videoState.width, videoState.height) = std::tie(w, h);
        ASSERT_TRUE(SetVideoModeFromState()) << name;
        SDL_GL_SwapBuffers();  // the drawable takes its new size at the swap
        std::vector<uint32_t> noise(size_t(w) * size_t(h));
        std::generate(noise.begin(), noise.end(), std::mt19937(unsigned(w * h)));
        glRasterPos2f(-1, -1);
        glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, noise.data());
        const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u;
        std::string want = "BM" + Le(54 + stride * h) + Le(0) + Le(54) + Le(40) + Le(w) + Le(h) +
                           Le(1, 2) + Le(24, 2) + Le(0) + Le(stride * h) + std::string(16, '\0');
        for (int i = 0; i < w * h; i++)
            want += Le(noise[i] >> 16, 1) + Le(noise[i] >> 8, 1) + Le(noise[i], 1) +
                    std::string(i % w == w - 1 ? stride - w * 3 : 0, '\0');
        ASSERT_EQ(Shot(), name);
        EXPECT_TRUE(SameBytes(want, ReadFileBytes(name))) << name;
    }
    EXPECT_EQ(ReadFileBytes("scsht001.bmp") + std::to_string(access("target", F_OK)), "not mine-1");
    videoState.width = 1281;
    EXPECT_EQ(Shot(), "failed") << "a window wider than 1280";
    videoState.width = 1280;
    const auto bind = PFNGLBINDFRAMEBUFFEREXTPROC(SDL_GL_GetProcAddress("glBindFramebufferEXT"));
    ASSERT_NE(bind, nullptr);
    bind(GL_FRAMEBUFFER_EXT, 1);  // a framebuffer object without buffers
    EXPECT_EQ(Shot(), "failed") << "a framebuffer object bound";
    bind(GL_FRAMEBUFFER_EXT, 0);
    EXPECT_EQ(access("scsht005.bmp", F_OK), -1) << "a failure leaves no file";
    for (int n = 5; n < SCREENSHOT_SERIES; n++)
        ASSERT_TRUE(WriteFileBytes("scsht" + std::to_string(1000 + n).substr(1) + ".bmp", "x"));
    EXPECT_EQ(Shot(), "failed") << "all 1000 names taken";
}

}  // namespace
