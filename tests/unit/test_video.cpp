// The event pump (focus, F12, quit, the upload again on a regain), the frame's
// OpenGL state and the multitexture probe, in a real SDL window and GL context.
#include "support/support.h"

namespace {

// Each event in turn, with F12 just pressed or not: the focus, the input grab
// and the quit request after it. A regain also sets the mode again from
// videoState and uploads every occupied slot again from the image kept in
// memory: the filters (9728 nearest, 9729 linear, 9985 linear from the
// nearest mipmap), repeat wrapping (10497) and the mipmap chain.
TEST(Video, EventPumpFollowsFocusF12AndQuitAndUploadsAgain) {
    EnsureGlWindow();
    for (SDL_Event e; SDL_PollEvent(&e);) {
    }
    const std::tuple<int, int, const char*> slots[] = {
        // slot, mipmapped
        {69, 0, "9729 9729 10497 10497, level 3: 0"},
        {70, 0, "9728 9728 10497 10497, level 3: 0"},
        {97, 1, "9728 9728 10497 10497, level 3: 2"},
        {100, 1, "9729 9985 10497 10497, level 3: 2"},
        {400, 0, "9728 9728 10497 10497, level 3: 0"},
        {419, 1, "9728 9728 10497 10497, level 3: 2"},
        {420, 0, "9729 9729 10497 10497, level 3: 0"},
        {FONT_SLOT, 0, "9729 9729 10497 10497, level 3: 0"},
    };
    for (const auto& [slot, mipmapped, want] : slots) {
        TextureSlot& s = textureTable.slots[slot];
        s.pixels = static_cast<uint32_t*>(std::malloc(16 * 8 * 4 * 2));
        s.width = 16;
        s.height = 8;
        s.mipmapped = mipmapped;
        std::memset(s.pixels, slot, 16 * 8 * 4);
    }
    videoState.width = 320;
    videoState.height = 240;
    const std::tuple<Uint8, Uint8, Uint8, Uint8, const char*> events[] = {
        // type, state, gain, F12
        {SDL_ACTIVEEVENT, SDL_APPMOUSEFOCUS | SDL_APPACTIVE, 1, 0, "focus 1, grab 0, quit 0"},
        {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS | SDL_APPACTIVE, 1, 0, "focus 1, grab 1, quit 0"},
        {SDL_USEREVENT, 0, 0, 1, "focus 0, grab 0, quit 0"},
        {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 1, 0, "focus 1, grab 1, quit 0"},
        {SDL_QUIT, 0, 0, 0, "focus 1, grab 1, quit 1"},  // and nothing clears it:
        {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 0, 0, "focus 0, grab 0, quit 1"},
    };
    for (const auto& event : events) {
        SDL_Event e = {};
        std::tie(e.type, e.active.state, e.active.gain, inputState.keys[SDLK_F12], std::ignore) =
            event;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
        PumpEvents();
        inputState.keys[SDLK_F12] = 0;
        const bool grabbed = SDL_WM_GrabInput(SDL_GRAB_QUERY) == SDL_GRAB_ON;
        EXPECT_EQ("focus " + std::to_string(videoState.hasFocus) + ", grab " +
                      std::to_string(grabbed) + ", quit " +
                      std::to_string(videoState.quitRequested),
                  std::get<4>(event))
            << testing::PrintToString(event);
    }
    EXPECT_EQ(SDL_GetVideoSurface()->w, 320) << "a regain sets the mode again";
    for (const auto& [slot, mipmapped, want] : slots) {
        const uint32_t name = textureTable.slots[slot].glName;
        const uint32_t* image = textureTable.slots[slot].pixels;
        EXPECT_TRUE(SamePixels(Pixels(image, image + 128), ReadGlLevel(name, 0), 16)) << slot;
        std::string got;
        for (unsigned parameter :
             {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
            got += std::to_string(TexParam(name, parameter)) +
                   (parameter == GL_TEXTURE_WRAP_T ? "" : " ");
        EXPECT_EQ(got + ", level 3: " + std::to_string(ReadGlLevel(name, 3).size()), want) << slot;
    }
}

// On an 800x600 window: the viewport, and the matrix mode left at GL_TEXTURE
// (the drawing tests show the rest of the frame state); the alpha of 1 that
// ClearFrame sets and drawing keeps; and the multitexture entry points the
// probe finds.
TEST(Video, FrameStateAndMultitextureProbe) {
    EnsureGlWindow();
    videoState.width = 800;
    videoState.height = 600;
    glMatrixMode(GL_PROJECTION);
    SetupFrameState();
    GLint got[5] = {};
    glGetIntegerv(GL_VIEWPORT, got);
    glGetIntegerv(GL_MATRIX_MODE, got + 4);
    EXPECT_EQ(std::vector<GLint>(got, got + 5), (std::vector<GLint>{0, 0, 800, 600, GL_TEXTURE}));
    glGetIntegerv(GL_ALPHA_BITS, got);
    ASSERT_GT(got[0], 0) << "the test window keeps alpha";
    videoState.width = 640;
    videoState.height = 480;
    ClearFrame(0, 1, 0);
    SetupFrameState();
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glColor4f(1, 1, 1, 0.5f);
    glRectf(-1, -1, 0, 0);  // the bottom left quarter, half transparent
    const Frame frame = TakeFrame();
    EXPECT_EQ(frame.At(600, 100, 3), 255) << "alpha after ClearFrame";
    EXPECT_EQ(frame.At(100, 400, 3), 255) << "alpha under a half-transparent square";
    ProbeMultitexture();
    EXPECT_EQ(std::make_pair(reinterpret_cast<void*>(glActiveTextureARBPtr),
                             reinterpret_cast<void*>(glMultiTexCoord2fARBPtr)),
              std::make_pair(SDL_GL_GetProcAddress("glActiveTextureARB"),
                             SDL_GL_GetProcAddress("glMultiTexCoord2fARB")));
}

// The player's choice in either spelling wins and reaches the other (an empty
// one counts as none); else X11 when DISPLAY is set, else Wayland, else none.
TEST(Video, DriverFollowsThePlayerThenTheDisplays) {
    const struct {
        const char* display;
        const char* waylandDisplay;
        const char* sdlVideodriver;
        const char* sdlVideoDriver;
        const char* want;  // the choice, then SDL_VIDEODRIVER and SDL_VIDEO_DRIVER after it
    } rows[] = {
        {":1", "wayland-0", "", "", "x11 x11 x11"},
        {"", "wayland-0", "", "", "wayland wayland wayland"},
        {"", "", "", "", "none  "},
        {":1", "", "", "wayland", "wayland wayland wayland"},
        {"", "", "dummy", "", "dummy dummy dummy"},
        {":1", "wayland-0", "x11", "wayland", "x11 x11 wayland"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.display) + "|" + r.waylandDisplay + "|" + r.sdlVideodriver +
                     "|" + r.sdlVideoDriver);
        setenv("DISPLAY", r.display, 1);
        setenv("WAYLAND_DISPLAY", r.waylandDisplay, 1);
        setenv("SDL_VIDEODRIVER", r.sdlVideodriver, 1);
        setenv("SDL_VIDEO_DRIVER", r.sdlVideoDriver, 1);
        const char* chosen = ChooseVideoDriver();
        EXPECT_EQ(std::string(chosen ? chosen : "none") + " " + std::getenv("SDL_VIDEODRIVER") +
                      " " + std::getenv("SDL_VIDEO_DRIVER"),
                  r.want);
    }
}

}  // namespace
