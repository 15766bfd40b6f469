// The input snapshot against SDL's own key array and pointer, and the event
// pump, focus re-upload and frame state in a real GL context.
#include "support/support.h"

namespace {

struct PlatformTest : ::testing::Test {
    Uint8* sdlKeys = nullptr;
    void SetUp() override {
        EnsureGlWindow(), ResetRecords();
        for (SDL_Event e; SDL_PollEvent(&e);) {
        }
        std::memset(sdlKeys = SDL_GetKeyState(nullptr), 0, KEY_COUNT);
    }
    void TearDown() override {
        std::memset(sdlKeys, 0, KEY_COUNT);
    }
    // Snapshots SDL's keys with exactly `down` held; returns the codes read as down.
    std::set<int> Snapshot(std::initializer_list<int> down) {
        std::memset(sdlKeys, 0, KEY_COUNT);
        for (int k : down)
            sdlKeys[k] = 1;
        SnapshotKeyboard();
        std::set<int> got;
        for (int k = 0; k < KEY_COUNT; k++)
            inputState.keys[k] ? void(got.insert(k)) : void();
        return got;
    }
};

TEST_F(PlatformTest, KeyboardSnapshotAppliesTheAliasesAndNothingElse) {
    for (int d = 0; d < 10; d++)
        EXPECT_EQ(Snapshot({SDLK_KP0 + d}), (std::set<int>{SDLK_KP0 + d, SDLK_0 + d})) << d;
    const std::pair<int, std::set<int>> rows[] = {{SDLK_KP_ENTER, {SDLK_KP_ENTER, SDLK_RETURN}},
                                                  {SDLK_RCTRL, {SDLK_RCTRL, SDLK_LCTRL}},
                                                  {SDLK_RSHIFT, {SDLK_RSHIFT, SDLK_LSHIFT}},
                                                  {SDLK_KP_MINUS, {SDLK_KP_MINUS, SDLK_MINUS}},
                                                  {SDLK_RALT, {SDLK_RALT}},
                                                  {SDLK_KP_PLUS, {SDLK_KP_PLUS}},
                                                  {SDLK_KP_PERIOD, {SDLK_KP_PERIOD}},
                                                  {SDLK_KP_DIVIDE, {SDLK_KP_DIVIDE}},
                                                  {SDLK_KP_MULTIPLY, {SDLK_KP_MULTIPLY}},
                                                  {SDLK_KP_EQUALS, {SDLK_KP_EQUALS}},
                                                  {0, {}}};
    for (const auto& [key, want] : rows)
        EXPECT_EQ(Snapshot({key}), want) << key;
    Snapshot(
        {SDLK_KP_ENTER});  // held keypad Enter: one Return edge, the alias is in previousKeys too
    EXPECT_TRUE(IsKeyPressed(SDLK_RETURN));
    Snapshot({SDLK_KP_ENTER});
    EXPECT_TRUE(IsKeyDown(SDLK_RETURN) && !IsKeyPressed(SDLK_RETURN));
    Snapshot({});
    EXPECT_TRUE(!IsKeyDown(SDLK_RETURN) && WasKeyDown(SDLK_RETURN));
    std::memset(inputState.keys, 1, KEY_COUNT);
    for (int code : {-1, KEY_COUNT, 1 << 30})
        EXPECT_FALSE(IsKeyDown(code) || IsKeyPressed(code) || WasKeyDown(code));
}

// Each row puts SDL's pointer at (rawX, rawY); rows with `held` press the real
// left button through the X server, so that SDL itself reports it down.
TEST_F(PlatformTest, MouseSnapshotMapsOntoTheVirtualScreenAndParksWithoutFocus) {
    const struct {
        int rawX, rawY, w, h, focus, held, previousLeft, previousRight, x, y, left, leftReleased,
            rightReleased;
    } rows[] = {{639, 479, 640, 480, 1, 0, 0, 0, 639, 479, 0, 0, 0},
                {400, 300, 800, 600, 1, 0, 0, 0, 320, 240, 0, 0, 0},
                {639, 10, 320, 240, 1, 0, 0, 0, 639, 20, 0, 0, 0},
                {10, 10, 640, 480, 0, 0, 1, 0, 320, 240, 0, 1, 0},
                {10, 10, 640, 480, 1, 0, 0, 1, 10, 10, 0, 0, 1},
                {100, 200, 0, 0, 1, 0, 0, 0, 100, 200, 0, 0, 0},
                {20, 30, 640, 480, 1, 1, 0, 0, 20, 30, 1, 0, 0},
                {20, 30, 640, 480, 0, 1, 1, 0, 320, 240, 0, 1, 0}};
    for (const auto& r : rows) {
        SDL_WarpMouse(Uint16(r.rawX), Uint16(r.rawY));
        ASSERT_TRUE(!r.held || std::system("xdotool mousedown 1") == 0);
        for (int i = 0, x = -1, y = -1, b = 0;
             i < 100 && (x != r.rawX || y != r.rawY || b != r.held);
             i++, SDL_Delay(10))
            SDL_PumpEvents(), b = SDL_GetMouseState(&x, &y) & 1;
        videoState.width = r.w, videoState.height = r.h, videoState.hasFocus = r.focus;
        inputState.mouse.leftDown = r.previousLeft, inputState.mouse.rightDown = r.previousRight,
        SnapshotMouse();
        ASSERT_TRUE(!r.held || std::system("xdotool mouseup 1") == 0);
        const MouseState& m = inputState.mouse;
        EXPECT_TRUE(m.x == r.x && m.y == r.y && m.leftDown == r.left && !m.rightDown &&
                    m.leftReleased == r.leftReleased && m.rightReleased == r.rightReleased &&
                    inputState.previousMouse.leftDown == r.previousLeft)
            << r.rawX << "," << r.rawY;
        inputState.mouse.leftDown = 0, SnapshotMouse();
        EXPECT_FALSE(inputState.mouse.leftReleased || inputState.mouse.rightReleased)
            << "an edge lasts one snapshot";
    }
    for (int i = 0; i < JOYSTICK_WORDS; i++)
        inputState.joystick.words[i] = i + 1;
    hardwareConfig.joystickEnabled = 0, SnapshotJoystick();
    EXPECT_EQ(inputState.previousJoystick.words[5], 0) << "joystick off: nothing copied";
    hardwareConfig.joystickEnabled = 1, SnapshotJoystick();
    for (int i = 0; i < JOYSTICK_WORDS; i++)
        EXPECT_TRUE(inputState.previousJoystick.words[i] == i + 1 &&
                    inputState.joystick.words[i] == i + 1);
}

void Push(Uint8 type, Uint8 state = 0, Uint8 gain = 0) {
    SDL_Event e = {};
    e.type = type, e.active.state = state, e.active.gain = gain, SDL_PushEvent(&e), PumpEvents();
}

// A regain uploads every occupied slot with its filter rules and rebuilds
// its chain; the focus follows only the input-focus bit; held F12 drops it on
// every event; a quit request stays.
TEST_F(PlatformTest, EventPumpReuploadsAndFollowsTheFocusF12AndQuit) {
    const struct {
        int slot, mipmapped, mag, min;
    } slots[] = {{69, 0, GL_LINEAR, GL_LINEAR},
                 {70, 0, GL_NEAREST, GL_NEAREST},
                 {97, 1, GL_NEAREST, GL_NEAREST},
                 {98, 0, GL_LINEAR, GL_LINEAR},
                 {400, 0, GL_NEAREST, GL_NEAREST},
                 {419, 0, GL_NEAREST, GL_NEAREST},
                 {420, 0, GL_LINEAR, GL_LINEAR},
                 {100, 1, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST},
                 {FONT_SLOT, 0, GL_LINEAR, GL_LINEAR}};
    for (const auto& r : slots) {
        TextureSlot& s = textureTable.slots[r.slot];
        s.pixels = static_cast<uint32_t*>(std::malloc(16 * 8 * 4 * 2)), s.width = 16, s.height = 8,
        s.mipmapped = r.mipmapped;
        for (int i = 0; i < 128; i++)
            s.pixels[i] = uint32_t(std::rand()) * 2654435761u;
    }
    const struct {
        Uint8 type, state, gain;
        int f12, hasFocus;
    } events[] = {{SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 0, 0, 0},
                  {SDL_ACTIVEEVENT, SDL_APPMOUSEFOCUS | SDL_APPACTIVE, 1, 0, 0},
                  {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS | SDL_APPACTIVE, 1, 0, 1},
                  {SDL_USEREVENT, 0, 0, 1, 0},
                  {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 1, 1, 0},
                  {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 1, 0, 1}};
    for (const auto& e : events) {
        inputState.keys[SDLK_F12] = Uint8(e.f12), Push(e.type, e.state, e.gain);
        EXPECT_EQ(videoState.hasFocus, e.hasFocus)
            << int(e.type) << " state " << int(e.state) << " F12 " << e.f12;
    }
    for (const auto& r : slots) {
        const TextureSlot& s = textureTable.slots[r.slot];
        const size_t level3 = ReadGlLevel(s.glName, 3).size();  // 2x1 in a chain from 16x8
        EXPECT_TRUE(ReadGlLevel(s.glName, 0) == std::vector<uint32_t>(s.pixels, s.pixels + 128) &&
                    TexParam(s.glName, GL_TEXTURE_MAG_FILTER) == r.mag &&
                    TexParam(s.glName, GL_TEXTURE_MIN_FILTER) == r.min &&
                    TexParam(s.glName, GL_TEXTURE_WRAP_S) == GL_REPEAT &&
                    TexParam(s.glName, GL_TEXTURE_WRAP_T) == GL_REPEAT &&
                    level3 == (r.mipmapped ? 2u : 0u))
            << "slot " << r.slot;
    }
    EXPECT_TRUE(ReadGlLevel(textureTable.slots[7].glName, 0).empty() && glGetError() == GL_NO_ERROR)
        << "an empty slot is skipped";
    Push(SDL_QUIT), PumpEvents();
    EXPECT_EQ(videoState.quitRequested, 1) << "nothing clears a quit request";
}

// The drawing tests prove the rest of the frame state on 640x480; here the
// viewport and the blend on another size, the alpha that ClearFrame sets and
// the frame state keeps, and the multitexture probe.
TEST_F(PlatformTest, FrameStateCoversAnyWindowAndTheProbeFindsMultitexture) {
    videoState.width = 800, videoState.height = 600, glMatrixMode(GL_MODELVIEW),
    glTranslatef(5, 5, 5), glDisable(GL_BLEND), glEnable(GL_DEPTH_TEST);
    GLint vp[4], src = 0, dst = 0, mode = 0;
    float m[16];
    SetupFrameState(), glGetIntegerv(GL_VIEWPORT, vp), glGetIntegerv(GL_BLEND_SRC, &src),
        glGetIntegerv(GL_BLEND_DST, &dst), glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetFloatv(GL_MODELVIEW_MATRIX, m), ProbeMultitexture();
    EXPECT_TRUE(vp[2] == 800 && vp[3] == 600 && src == GL_SRC_ALPHA &&
                dst == GL_ONE_MINUS_SRC_ALPHA && glIsEnabled(GL_BLEND) &&
                !glIsEnabled(GL_DEPTH_TEST) && mode == GL_TEXTURE && m[12] == 0);
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    ASSERT_GT(alphaBits, 0) << "the test window keeps alpha";
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT);  // alpha 0, as TakeFrame clears
    SetupFrameState();
    ClearFrame(0, 1, 0);
    SetupFrameState();
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glColor4f(1, 1, 1, 0.5f);
    glRectf(-1, -1, 0, 0);  // the bottom left quarter, half transparent
    const Frame frame = TakeFrame();
    EXPECT_EQ(frame.At(600, 100, 3), 255) << "alpha after ClearFrame, whatever the mask";
    EXPECT_EQ(frame.At(100, 400, 3), 255) << "alpha under a half-transparent square";
    const bool has = std::strstr(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                                 "GL_ARB_multitexture");
    EXPECT_TRUE((glActiveTextureARBPtr != nullptr) == has &&
                (glMultiTexCoord2fARBPtr != nullptr) == has);
}

// The player's choice in either spelling wins and reaches the other (an empty
// one counts as none); else X11 when DISPLAY is set, else Wayland, else none.
TEST_F(PlatformTest, VideoDriverFollowsThePlayerThenTheDisplays) {
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
