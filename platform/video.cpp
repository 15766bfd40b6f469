#include "platform/video.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/input.h"
#include "render/texture.h"

VideoState videoState;
ActiveTextureFn glActiveTextureARBPtr = nullptr;
MultiTexCoord2fFn glMultiTexCoord2fARBPtr = nullptr;

namespace {

constexpr int VIDEO_BITS_PER_PIXEL = 32;

struct GlAttribute {
    SDL_GLattr attribute;
    int value;
};

// Requested in this order before every mode set.
constexpr GlAttribute GL_ATTRIBUTES[] = {
    {SDL_GL_RED_SIZE, 8},
    {SDL_GL_GREEN_SIZE, 8},
    {SDL_GL_BLUE_SIZE, 8},
    {SDL_GL_DEPTH_SIZE, 16},
    {SDL_GL_STENCIL_SIZE, 8},
    {SDL_GL_DOUBLEBUFFER, 1},
};

struct SlotRange {
    int first;
    int last;
};

// Slots whose pictures are pixel art: sampled nearest both ways after a regain.
constexpr SlotRange NEAREST_SLOTS[] = {{70, 97}, {400, 419}};

bool IsNearestSlot(int slot) {
    for (const SlotRange& r : NEAREST_SLOTS)
        if (slot >= r.first && slot <= r.last)
            return true;
    return false;
}

// Every occupied slot gets the regain rules, whatever its loader chose.
void UploadSlotForRegain(int slot) {
    bool mipmapped = textureTable.slots[slot].mipmapped != 0;
    if (IsNearestSlot(slot))
        UploadTextureSlot(slot, GL_REPEAT, GL_NEAREST, GL_NEAREST);
    else
        UploadTextureSlot(
            slot, GL_REPEAT, GL_LINEAR, mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
}

// sdl12-compat reports its version as 1.2.50 and up so that programs can tell
// it from classic SDL 1.2, whose last release is 1.2.15.
constexpr Uint8 COMPAT_LAYER_FIRST_PATCH = 50;

// An 8 by 8 cursor whose data and mask bits are all clear: fully transparent.
constexpr int BLANK_CURSOR_SIZE = 8;
Uint8 blankCursorBits[BLANK_CURSOR_SIZE * BLANK_CURSOR_SIZE / 8];
SDL_Cursor* blankCursor = nullptr;  // made once, kept until the process ends

// True when the SDL 1.2 underneath is sdl12-compat, the SDL 1.2 interface over
// SDL 2, rather than classic SDL 1.2.
bool IsSdlCompatLayer() {
    const SDL_version* v = SDL_Linked_Version();
    return v && v->major == 1 && v->minor == 2 && v->patch >= COMPAT_LAYER_FIRST_PATCH;
}

void OnFocusGained() {
    if (videoState.openGL)
        SetVideoModeFromState();
    ReuploadTextures();
    SDL_WM_GrabInput(SDL_GRAB_ON);
    HideSystemCursor();
    videoState.hasFocus = 1;
    // The click that brought the focus back (a compositor or window manager
    // that focuses on click passes the click on too) only focuses.
    IgnoreHeldButtons();
}

void OnFocusLost() {
    SDL_WM_GrabInput(SDL_GRAB_OFF);
    videoState.hasFocus = 0;
}

void HandleEvent(const SDL_Event& e) {
    bool inputFocus = e.type == SDL_ACTIVEEVENT && (e.active.state & SDL_APPINPUTFOCUS);
    if (inputFocus && e.active.gain == 1)
        OnFocusGained();
    if (inputFocus && e.active.gain == 0)
        OnFocusLost();
    // A minimise that was never carried out (a compositor may ignore it, and
    // Wayland never confirms one) leaves the window shown and focused, so no
    // regain would come: a click on it brings the focus back.
    if (e.type == SDL_MOUSEBUTTONDOWN && !videoState.hasFocus &&
        (SDL_GetAppState() & SDL_APPINPUTFOCUS))
        OnFocusGained();
    // Read from the previous frame's snapshot: the pump never refreshes it.
    if (inputState.keys[SDLK_F12]) {
        SDL_WM_GrabInput(SDL_GRAB_OFF);
        SDL_WM_IconifyWindow();
        videoState.hasFocus = 0;
    }
    if (e.type == SDL_QUIT)
        videoState.quitRequested = 1;
}

const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

const char* ChooseVideoDriver() {
    static char chosen[64];
    const char* choice = NonEmptyVariable("SDL_VIDEODRIVER");
    if (!choice)
        choice = NonEmptyVariable("SDL_VIDEO_DRIVER");
    if (!choice && NonEmptyVariable("DISPLAY"))
        choice = "x11";
    if (!choice && NonEmptyVariable("WAYLAND_DISPLAY"))
        choice = "wayland";
    if (!choice)
        return nullptr;
    std::snprintf(chosen, sizeof chosen, "%s", choice);
    // Each SDL reads one spelling: SDL 1.2 and SDL 2 the first, SDL 3 (under
    // sdl2-compat too) the second. A spelling the player set stays as set; an
    // empty one would make SDL look for a driver named "".
    for (const char* variable : {"SDL_VIDEODRIVER", "SDL_VIDEO_DRIVER"})
        if (!NonEmptyVariable(variable))
            setenv(variable, chosen, 1);
    return chosen;
}

// sdl12-compat draws an OpenGL window into a framebuffer object of its own and
// copies it to the window at each swap. Code that reads the window back with
// glReadBuffer(GL_FRONT) or GL_BACK then gets a GL error or that object's
// next frame, so a screenshot would fail or hold the wrong picture. The
// library reads the hint once, in SDL_Init.
//
// Where sdl12-compat runs over sdl2-compat and SDL 3, sdl2-compat asks SDL 3
// to wait after each window operation until the window system confirms it: up
// to 100 ms a minimise, and a screen without a window manager never confirms
// one (nor, on some SDL 3 releases, does a window manager when the window is
// minimised already). Held F12 minimises once per event taken and the exit
// minimises once more, so the program would stall for seconds or longer. SDL 3
// lets an environment variable outrank sdl2-compat's setting; nothing here
// needs the wait. Both are read in SDL_Init, and a player's own values are
// kept.
void ApplyVideoLibraryHints() {
    if (!IsSdlCompatLayer())
        return;
    setenv("SDL12COMPAT_OPENGL_SCALING", "0", 0);
    setenv("SDL_VIDEO_SYNC_WINDOW_OPERATIONS", "0", 0);
}

// sdl12-compat turns "input grabbed and cursor hidden" into SDL 2's relative
// mouse mode whenever both come to hold while its window exists: in the setup
// program from the first focus regain on. In that mode it moves its mouse
// position only by the device's own motion: a pointer that is warped or absolute (a tablet, a
// virtual machine, a remote desktop, xdotool) leaves the position where
// relative mode began, so the drawn cursor and the hovered label stay behind.
// SDL_MOUSE_RELATIVE=0, classic SDL 1.2's switch against relative tracking,
// means nothing to sdl12-compat or SDL 2. So there the cursor stays "shown"
// but transparent: the grab still confines the pointer, nothing is seen, and
// the position stays absolute, as on classic SDL 1.2.
void HideSystemCursor() {
    if (!IsSdlCompatLayer()) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (!blankCursor)
        blankCursor = SDL_CreateCursor(
            blankCursorBits, blankCursorBits, BLANK_CURSOR_SIZE, BLANK_CURSOR_SIZE, 0, 0);
    if (blankCursor)
        SDL_SetCursor(blankCursor);
    SDL_ShowCursor(blankCursor ? SDL_ENABLE : SDL_DISABLE);
}

bool SetVideoModeFromState() {
    if (!videoState.openGL)
        return false;
    for (const GlAttribute& a : GL_ATTRIBUTES)
        SDL_GL_SetAttribute(a.attribute, a.value);
    Uint32 flags = SDL_OPENGL | (videoState.fullscreen ? SDL_FULLSCREEN : 0);
    return SDL_SetVideoMode(videoState.width, videoState.height, VIDEO_BITS_PER_PIXEL, flags) !=
           nullptr;
}

void ReuploadTextures() {
    for (int slot = 0; slot < TEXTURE_SLOTS; slot++) {
        const TextureSlot& s = textureTable.slots[slot];
        if (s.width != 0)
            UploadSlotForRegain(slot);
    }
}

void PumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e))
        HandleEvent(e);
}

void ClearFrame(float r, float g, float b) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void SetupFrameState() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Blending would lower the alpha of the frame where text is half covered;
    // OpenGL 1.1 has no separate alpha blend function, so alpha is not written.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, videoState.width, videoState.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.0, 1.0, -0.75, 0.75, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
}

void ProbeMultitexture() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions || !std::strstr(extensions, "GL_ARB_multitexture"))
        return;
    glActiveTextureARBPtr =
        reinterpret_cast<ActiveTextureFn>(SDL_GL_GetProcAddress("glActiveTextureARB"));
    glMultiTexCoord2fARBPtr =
        reinterpret_cast<MultiTexCoord2fFn>(SDL_GL_GetProcAddress("glMultiTexCoord2fARB"));
}
