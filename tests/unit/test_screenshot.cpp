// Screenshot writer against a real window's front buffer and real files.
#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/video.h"
#include "render/screenshot.h"
#include "support/gl_context.h"

namespace {

uint32_t U32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(s[at + i]);
    return v;
}

// Rectangle in window pixels, origin bottom left as GL counts.
struct Box {
    int x, y, w, h;
    bool Holds(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

const uint8_t BACKGROUND[3] = {10, 20, 30};
const uint8_t MARK[3] = {200, 100, 50};

// Clears the window to BACKGROUND, the box to MARK, and shows it; then
// paints the back buffer over, so only the shown frame has the picture.
void DrawAndSwap(const Box& box) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(BACKGROUND[0] / 255.f, BACKGROUND[1] / 255.f, BACKGROUND[2] / 255.f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.x, box.y, box.w, box.h);
    glClearColor(MARK[0] / 255.f, MARK[1] / 255.f, MARK[2] / 255.f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    SDL_GL_SwapBuffers();
    glClearColor(1 / 255.f, 2 / 255.f, 3 / 255.f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
}

// The X server shows a swapped frame asynchronously; waits (at most a second)
// until the front buffer holds the background at the top-left pixel, so the
// writer is tested on the frame that is really shown.
void WaitForShownFrame(int h) {
    for (int i = 0; i < 100; ++i) {
        uint8_t px[4] = {0, 0, 0, 0};
        glReadBuffer(GL_FRONT);
        glReadPixels(0, h - 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        if (px[0] == BACKGROUND[0] && px[1] == BACKGROUND[1] && px[2] == BACKGROUND[2]) return;
        SDL_Delay(10);
    }
}

// The file is the window as drawn: every header field, rows bottom first,
// pixels B,G,R, each row padded with zeros to a multiple of 4 bytes.
void ExpectScreenshotFile(const std::string& file, int w, int h, const Box& box) {
    size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + stride * h);
    EXPECT_EQ(file.substr(0, 2), "BM");
    const uint32_t fields[][2] = {{2, uint32_t(file.size())}, {6, 0}, {10, 54}, {14, 40}, {18, uint32_t(w)},
                                  {22, uint32_t(h)}, {26, 1 | 24 << 16}, {30, 0}, {34, uint32_t(stride * h)},
                                  {38, 0}, {42, 0}, {46, 0}, {50, 0}};
    for (auto& f : fields) EXPECT_EQ(U32(file, f[0]), f[1]) << "header offset " << f[0];
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        const char* row = file.data() + 54 + y * stride;
        for (int x = 0; x < w; ++x) {
            const uint8_t* want = box.Holds(x, y) ? MARK : BACKGROUND;
            for (int c = 0; c < 3; ++c) wrong += uint8_t(row[x * 3 + c]) != want[2 - c];
        }
        for (size_t p = size_t(w) * 3; p < stride; ++p) wrong += row[p] != 0;
    }
    EXPECT_EQ(wrong, 0) << "bytes that differ from the drawn window";
}

struct ScreenshotTest : ::testing::Test {
    TempWorkDir dir;
    char name[SCREENSHOT_NAME_BYTES] = "unset";
    void SetUp() override {
        // Mesa's llvmpipe does not keep the shown frame in the front buffer
        // (front reads come back black); softpipe does, as hardware does.
        setenv("GALLIUM_DRIVER", "softpipe", 1);
        EnsureGlWindow();
        videoState.width = 640;
        videoState.height = 480;
    }
};

// The shown frame at several window sizes: a mark on the bottom edge of the
// first window, in the top right corner of the others.
TEST_F(ScreenshotTest, FileHoldsTheShownFrameBottomRowFirst) {
    const int sizes[][2] = {{640, 480}, {641, 480}, {643, 101}, {642, 7}, {1280, 960}};
    for (auto& s : sizes) {
        SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]));
        videoState.width = s[0];
        videoState.height = s[1];
        ASSERT_TRUE(SetVideoModeFromState());
        const Box box = s[0] == 640 ? Box{100, 0, 40, 20} : Box{s[0] - 9, s[1] - 5, 9, 5};
        DrawAndSwap(box);  // the drawable takes its new size during this frame
        DrawAndSwap(box);
        WaitForShownFrame(s[1]);
        ASSERT_TRUE(SaveScreenshot(name, sizeof name));
        EXPECT_STREQ(name, "scsht000.bmp");
        std::string file = ReadFileBytes(name);
        if (s[0] % 640 == 0) {
            EXPECT_EQ(file.size(), s[0] == 640 ? 921654u : 3686454u);
        }
        ExpectScreenshotFile(file, s[0], s[1], box);
        ASSERT_EQ(unlink(name), 0);
    }
}

TEST_F(ScreenshotTest, SeriesTakesTheFirstFreeNameAndLeavesOthersAlone) {
    DrawAndSwap({0, 0, 1, 1});
    const char* expected[] = {"scsht000.bmp", "scsht001.bmp", "scsht001.bmp", "scsht002.bmp", "scsht005.bmp"};
    for (int i = 0; i < 5; ++i) {
        if (i == 2) {
            ASSERT_EQ(unlink("scsht001.bmp"), 0);
        }
        if (i == 4) {  // 003 a foreign file, 004 a dangling link: both kept as they are
            ASSERT_TRUE(WriteFileBytes("scsht003.bmp", "not mine"));
            ASSERT_EQ(symlink("target-of-004", "scsht004.bmp"), 0);
        }
        ASSERT_TRUE(SaveScreenshot(name, sizeof name));
        EXPECT_STREQ(name, expected[i]);
    }
    EXPECT_EQ(ReadFileBytes("scsht003.bmp"), "not mine");
    EXPECT_EQ(access("target-of-004", F_OK), -1);
    EXPECT_TRUE(SaveScreenshot());  // the plain call still works: 006
    EXPECT_EQ(ReadFileBytes("scsht006.bmp").size(), 921654u);
}

TEST_F(ScreenshotTest, NothingIsWrittenWhenNoNameIsFreeOrTheWindowIsOutOfRange) {
    DrawAndSwap({0, 0, 1, 1});
    const int sizes[][2] = {{1281, 960}, {1280, 961}, {0, 480}, {640, 0}, {-640, 480}, {640, -1}};
    for (auto& s : sizes) {
        videoState.width = s[0];
        videoState.height = s[1];
        EXPECT_FALSE(SaveScreenshot(name, sizeof name)) << s[0] << "x" << s[1];
        EXPECT_STREQ(name, "");
        EXPECT_EQ(access("scsht000.bmp", F_OK), -1);
    }
    videoState.width = 640;
    videoState.height = 480;
    char each[SCREENSHOT_NAME_BYTES];
    for (int n = 0; n < SCREENSHOT_SERIES; ++n) {
        std::snprintf(each, sizeof each, "scsht%03d.bmp", n);
        ASSERT_TRUE(WriteFileBytes(each, std::to_string(n)));
    }
    EXPECT_FALSE(SaveScreenshot(name, sizeof name));
    for (int n = 0; n < SCREENSHOT_SERIES; ++n) {
        std::snprintf(each, sizeof each, "scsht%03d.bmp", n);
        ASSERT_EQ(ReadFileBytes(each), std::to_string(n));
    }
}

// A file-size limit below the image makes the write fail part-way.
TEST_F(ScreenshotTest, FailedWriteLeavesNoPartialFile) {
    DrawAndSwap({0, 0, 1, 1});
    signal(SIGXFSZ, SIG_IGN);
    rlimit old, small{100000, 100000};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    small.rlim_max = old.rlim_max;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = SaveScreenshot(name, sizeof name);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(written);
    EXPECT_EQ(access("scsht000.bmp", F_OK), -1);
    ASSERT_TRUE(SaveScreenshot(name, sizeof name));  // and the name is free for the next try
    EXPECT_STREQ(name, "scsht000.bmp");
}

// Noise in every channel: the whole-row conversion must give, byte for byte,
// what the shown frame holds, at sizes that leave every row remainder.
TEST_F(ScreenshotTest, RandomFramesComeOutByteForByte) {
    const int sizes[][2] = {{1, 1}, {3, 2}, {641, 5}, {1280, 960}};
    for (auto& s : sizes) {
        SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]));
        videoState.width = s[0];
        videoState.height = s[1];
        ASSERT_TRUE(SetVideoModeFromState());
        std::mt19937 random(unsigned(s[0] * s[1]));
        std::vector<uint32_t> noise(size_t(s[0]) * s[1]);
        for (int frame = 0; frame < 2; ++frame) {  // the drawable takes its new size in the first
            for (uint32_t& w : noise) w = random() | 0xFF000000u;
            glViewport(0, 0, s[0], s[1]);
            glRasterPos2f(-1, -1);
            glDrawPixels(s[0], s[1], GL_RGBA, GL_UNSIGNED_BYTE, noise.data());
            SDL_GL_SwapBuffers();
            glFinish();
        }
        std::vector<uint8_t> shown(noise.size() * 4);
        for (int tries = 0; tries < 100; ++tries) {  // until the server shows the last frame
            glReadBuffer(GL_FRONT);
            glReadPixels(0, 0, s[0], s[1], GL_RGBA, GL_UNSIGNED_BYTE, shown.data());
            if (std::memcmp(shown.data(), noise.data(), shown.size()) == 0) break;
            SDL_Delay(10);
        }
        ASSERT_TRUE(SaveScreenshot(name, sizeof name));
        std::string file = ReadFileBytes(name);
        size_t stride = (size_t(s[0]) * 3 + 3) / 4 * 4;
        ASSERT_EQ(file.size(), 54 + stride * s[1]);
        int wrong = 0;
        for (int y = 0; y < s[1]; ++y)
            for (int x = 0; x < s[0]; ++x)
                for (int c = 0; c < 3; ++c)
                    wrong += uint8_t(file[54 + y * stride + x * 3 + c]) != shown[(size_t(y) * s[0] + x) * 4 + 2 - c];
        EXPECT_EQ(wrong, 0);
        ASSERT_EQ(unlink(name), 0);
    }
}

}  // namespace
