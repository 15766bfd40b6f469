// The input snapshot against SDL's own key array and pointer, and the event
// pump, focus re-upload and frame state in a real GL context.

#include "support/support.h"

namespace {

struct PlatformTest : ::testing::Test {
    Uint8* sdlKeys = nullptr;
    void SetUp() override {
        EnsureGlWindow();
        ResetRecords();
        int count = 0;
        sdlKeys = SDL_GetKeyState(&count);
        ASSERT_GE(count, KEY_COUNT);
        for (SDL_Event e; SDL_PollEvent(&e);) {
        }
        std::memset(sdlKeys, 0, KEY_COUNT);
    }
    void TearDown() override { std::memset(sdlKeys, 0, KEY_COUNT); }
    // Snapshots SDL's keys with exactly `down` held; returns the codes read as down.
    std::set<int> Snapshot(std::initializer_list<int> down) {
        std::memset(sdlKeys, 0, KEY_COUNT);
        for (int k : down) sdlKeys[k] = 1;
        SnapshotKeyboard();
        std::set<int> got;
        for (int k = 0; k < KEY_COUNT; k++)
            if (inputState.keys[k]) got.insert(k);
        return got;
    }
};

TEST_F(PlatformTest, KeyboardSnapshotAppliesTheAliasesAndNothingElse) {
    for (int d = 0; d < 10; d++) EXPECT_EQ(Snapshot({SDLK_KP0 + d}), (std::set<int>{SDLK_KP0 + d, SDLK_0 + d})) << d;
    const struct { int key; std::set<int> want; } rows[] = {
        {SDLK_KP_ENTER, {SDLK_KP_ENTER, SDLK_RETURN}}, {SDLK_RCTRL, {SDLK_RCTRL, SDLK_LCTRL}},
        {SDLK_RSHIFT, {SDLK_RSHIFT, SDLK_LSHIFT}},     {SDLK_KP_MINUS, {SDLK_KP_MINUS, SDLK_MINUS}},
        {SDLK_RALT, {SDLK_RALT}}, {SDLK_KP_PLUS, {SDLK_KP_PLUS}}, {SDLK_KP_PERIOD, {SDLK_KP_PERIOD}},
        {SDLK_KP_DIVIDE, {SDLK_KP_DIVIDE}}, {SDLK_KP_MULTIPLY, {SDLK_KP_MULTIPLY}},
        {SDLK_KP_EQUALS, {SDLK_KP_EQUALS}}, {0, {}},   // code 0 never reads down
    };
    for (const auto& r : rows) EXPECT_EQ(Snapshot({r.key}), r.want) << r.key;
    // Holding keypad Enter gives one Return edge: the alias is in previousKeys too.
    Snapshot({SDLK_KP_ENTER});
    EXPECT_TRUE(IsKeyPressed(SDLK_RETURN));
    Snapshot({SDLK_KP_ENTER});
    EXPECT_TRUE(IsKeyDown(SDLK_RETURN) && !IsKeyPressed(SDLK_RETURN));
    Snapshot({});
    EXPECT_TRUE(!IsKeyDown(SDLK_RETURN) && WasKeyDown(SDLK_RETURN));
    std::memset(inputState.keys, 1, KEY_COUNT);
    for (int code : {-1, KEY_COUNT, 1 << 30}) EXPECT_FALSE(IsKeyDown(code) || IsKeyPressed(code) || WasKeyDown(code));
}

// Puts SDL's pointer at (x, y) of the window and waits until SDL reports it.
void WarpTo(int x, int y) {
    SDL_WarpMouse(Uint16(x), Uint16(y));
    for (int i = 0, rx = -1, ry = -1; i < 50 && (rx != x || ry != y); i++, SDL_Delay(10)) {
        SDL_PumpEvents();
        SDL_GetMouseState(&rx, &ry);
    }
}

// Rows with `held` press the real left button over the window through the X
// server, so that SDL itself reports it down.
TEST_F(PlatformTest, MouseSnapshotMapsOntoTheVirtualScreenAndParksWithoutFocus) {
    const struct { int rawX, rawY, w, h, focus, held, previousLeft, previousRight, x, y, left, leftReleased, rightReleased; } rows[] = {
        {639, 479, 640, 480, 1, 0, 0, 0, 639, 479, 0, 0, 0}, {400, 300, 800, 600, 1, 0, 0, 0, 320, 240, 0, 0, 0},
        {639, 10, 320, 240, 1, 0, 0, 0, 639, 20, 0, 0, 0},    {10, 10, 640, 480, 0, 0, 1, 0, 320, 240, 0, 1, 0},
        {10, 10, 640, 480, 1, 0, 0, 1, 10, 10, 0, 0, 1},      {100, 200, 0, 0, 1, 0, 0, 0, 100, 200, 0, 0, 0},
        {20, 30, 640, 480, 1, 1, 0, 0, 20, 30, 1, 0, 0},      {20, 30, 640, 480, 0, 1, 1, 0, 320, 240, 0, 1, 0},
    };
    for (const auto& r : rows) {
        WarpTo(r.rawX, r.rawY);
        ASSERT_TRUE(!r.held || std::system("xdotool mousedown 1") == 0);
        for (int i = 0; i < 100 && r.held && !(SDL_GetMouseState(nullptr, nullptr) & 1); i++) SDL_Delay(10), SDL_PumpEvents();
        videoState.width = r.w, videoState.height = r.h, videoState.hasFocus = r.focus;
        inputState.mouse.leftDown = r.previousLeft, inputState.mouse.rightDown = r.previousRight;
        SnapshotMouse();
        ASSERT_TRUE(!r.held || std::system("xdotool mouseup 1") == 0);
        const MouseState& m = inputState.mouse;
        EXPECT_EQ(m.x * 1000 + m.y, r.x * 1000 + r.y) << r.rawX << "," << r.rawY << " in " << r.w << "x" << r.h;
        EXPECT_TRUE(m.leftDown == r.left && !m.rightDown && m.leftReleased == r.leftReleased &&
                    m.rightReleased == r.rightReleased && inputState.previousMouse.leftDown == r.previousLeft) << r.rawX;
        inputState.mouse.leftDown = 0;
        SnapshotMouse();
        EXPECT_FALSE(inputState.mouse.leftReleased || inputState.mouse.rightReleased) << "an edge lasts one snapshot";
    }
}

TEST_F(PlatformTest, JoystickSnapshotFollowsTheConfigurationSwitch) {
    for (int i = 0; i < JOYSTICK_WORDS; i++) inputState.joystick.words[i] = i + 1;
    hardwareConfig.joystickEnabled = 0;
    SnapshotJoystick();
    EXPECT_EQ(inputState.previousJoystick.words[5], 0) << "disabled: nothing copied";
    hardwareConfig.joystickEnabled = 1;
    SnapshotJoystick();
    for (int i = 0; i < JOYSTICK_WORDS; i++)
        EXPECT_TRUE(inputState.previousJoystick.words[i] == i + 1 && inputState.joystick.words[i] == i + 1);
}

void Push(Uint8 type, Uint8 state = 0, Uint8 gain = 0) {
    SDL_Event e = {};
    e.type = type, e.active.state = state, e.active.gain = gain;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

// Gives a slot a w x h image of random words (room for a chain when mipmapped).
void FillSlot(int slot, int w, int h, int mipmapped) {
    TextureSlot& s = textureTable.slots[slot];
    s.pixels = static_cast<uint32_t*>(std::malloc(size_t(w) * h * 4 * (mipmapped ? 2 : 1)));
    for (int i = 0; i < w * h; i++) s.pixels[i] = uint32_t(std::rand()) * 2654435761u;
    s.width = w, s.height = h, s.mipmapped = mipmapped;
}

TEST_F(PlatformTest, FocusRegainUploadsEveryOccupiedSlotWithTheFilterRules) {
    const struct { int slot, mipmapped, mag, min; } rows[] = {
        {69, 0, GL_LINEAR, GL_LINEAR},   {70, 0, GL_NEAREST, GL_NEAREST}, {97, 1, GL_NEAREST, GL_NEAREST},
        {98, 0, GL_LINEAR, GL_LINEAR},   {400, 0, GL_NEAREST, GL_NEAREST}, {419, 0, GL_NEAREST, GL_NEAREST},
        {420, 0, GL_LINEAR, GL_LINEAR},  {100, 1, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST}, {FONT_SLOT, 0, GL_LINEAR, GL_LINEAR},
    };
    for (const auto& r : rows) FillSlot(r.slot, 16, 8, r.mipmapped);
    videoState.hasFocus = 0;
    Push(SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS | SDL_APPACTIVE, 1);
    PumpEvents();
    EXPECT_EQ(videoState.hasFocus, 1);
    for (const auto& r : rows) {
        const TextureSlot& s = textureTable.slots[r.slot];
        EXPECT_EQ(ReadGlLevel(s.glName, 0), std::vector<uint32_t>(s.pixels, s.pixels + 128)) << r.slot;
        EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MAG_FILTER), r.mag) << r.slot;
        EXPECT_EQ(TexParam(s.glName, GL_TEXTURE_MIN_FILTER), r.min) << r.slot;
        EXPECT_TRUE(TexParam(s.glName, GL_TEXTURE_WRAP_S) == GL_REPEAT && TexParam(s.glName, GL_TEXTURE_WRAP_T) == GL_REPEAT);
        int w = 0;
        ReadGlLevel(s.glName, 3, &w);
        EXPECT_EQ(w, r.mipmapped ? 2 : 0) << "the chain is rebuilt for mipmapped slots, slot " << r.slot;
    }
    EXPECT_EQ(ReadGlLevel(textureTable.slots[7].glName, 0).size(), 0u) << "an empty slot is skipped";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PlatformTest, EventPumpFollowsTheInputFocusF12AndQuit) {
    const struct { Uint8 type, state, gain; int f12, hasFocus; } steps[] = {
        {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 0, 0, 0},  {SDL_ACTIVEEVENT, SDL_APPMOUSEFOCUS | SDL_APPACTIVE, 1, 0, 0},
        {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 1, 0, 1},  {SDL_USEREVENT, 0, 0, 1, 0},
        {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 1, 1, 0},  {SDL_ACTIVEEVENT, SDL_APPINPUTFOCUS, 1, 0, 1},
    };
    for (const auto& s : steps) {
        inputState.keys[SDLK_F12] = Uint8(s.f12);
        Push(s.type, s.state, s.gain);
        PumpEvents();
        EXPECT_EQ(videoState.hasFocus, s.hasFocus) << int(s.type) << " state " << int(s.state) << " F12 " << s.f12;
    }
    Push(SDL_QUIT);
    PumpEvents();
    PumpEvents();
    EXPECT_EQ(videoState.quitRequested, 1) << "nothing clears a quit request";
}

TEST_F(PlatformTest, FrameStateMapsTheVirtualScreenOntoAnyWindow) {
    const float n = 1, f = 1000, identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float frustum[16] = {1, 0, 0, 0, 0, 1 / 0.75f, 0, 0, 0, 0, -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
    for (int w : {640, 800}) {
        videoState.width = w, videoState.height = w * 3 / 4;
        glMatrixMode(GL_MODELVIEW), glTranslatef(5, 5, 5), glDisable(GL_BLEND), glEnable(GL_DEPTH_TEST);
        SetupFrameState();
        GLint mode = 0, vp[4], src = 0, dst = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode), glGetIntegerv(GL_VIEWPORT, vp);
        glGetIntegerv(GL_BLEND_SRC, &src), glGetIntegerv(GL_BLEND_DST, &dst);
        EXPECT_TRUE(mode == GL_TEXTURE && vp[0] == 0 && vp[1] == 0 && vp[2] == w && vp[3] == w * 3 / 4);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_BLEND) && !glIsEnabled(GL_DEPTH_TEST));
        EXPECT_TRUE(src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA);
        const std::pair<GLenum, const float*> matrices[] = {
            {GL_MODELVIEW_MATRIX, identity}, {GL_TEXTURE_MATRIX, identity}, {GL_PROJECTION_MATRIX, frustum}};
        for (auto [which, want] : matrices) {
            float m[16];
            glGetFloatv(which, m);
            for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(m[i], want[i]) << which << "[" << i << "]";
        }
    }
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ProbeMultitexture();
    bool has = ext && std::strstr(ext, "GL_ARB_multitexture");
    EXPECT_TRUE((glActiveTextureARBPtr != nullptr) == has && (glMultiTexCoord2fARBPtr != nullptr) == has);
}

}  // namespace
