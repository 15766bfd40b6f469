#include "platform/video.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstring>

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
    {SDL_GL_RED_SIZE, 8},     {SDL_GL_GREEN_SIZE, 8},   {SDL_GL_BLUE_SIZE, 8},
    {SDL_GL_DEPTH_SIZE, 16},  {SDL_GL_STENCIL_SIZE, 8}, {SDL_GL_DOUBLEBUFFER, 1},
};

struct SlotRange {
    int first;
    int last;
};

// Slots whose pictures are pixel art: sampled nearest both ways after a regain.
constexpr SlotRange NEAREST_SLOTS[] = {{70, 97}, {400, 419}};

bool IsNearestSlot(int slot) {
    for (const SlotRange& r : NEAREST_SLOTS)
        if (slot >= r.first && slot <= r.last) return true;
    return false;
}

// Every occupied slot gets the regain rules, whatever its loader chose.
void UploadSlotForRegain(int slot) {
    bool mipmapped = textureTable.slots[slot].mipmapped != 0;
    if (IsNearestSlot(slot))
        UploadTextureSlot(slot, GL_REPEAT, GL_NEAREST, GL_NEAREST);
    else
        UploadTextureSlot(slot, GL_REPEAT, GL_LINEAR,
                          mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
}

void OnFocusGained() {
    if (videoState.openGL) SetVideoModeFromState();
    ReuploadTextures();
    SDL_WM_GrabInput(SDL_GRAB_ON);
    SDL_ShowCursor(SDL_DISABLE);
    videoState.hasFocus = 1;
}

void OnFocusLost() {
    SDL_WM_GrabInput(SDL_GRAB_OFF);
    videoState.hasFocus = 0;
}

void HandleEvent(const SDL_Event& e) {
    bool inputFocus = e.type == SDL_ACTIVEEVENT && (e.active.state & SDL_APPINPUTFOCUS);
    if (inputFocus && e.active.gain == 1) OnFocusGained();
    if (inputFocus && e.active.gain == 0) OnFocusLost();
    // Read from the previous frame's snapshot: the pump never refreshes it.
    if (inputState.keys[SDLK_F12]) {
        SDL_WM_GrabInput(SDL_GRAB_OFF);
        SDL_WM_IconifyWindow();
        videoState.hasFocus = 0;
    }
    if (e.type == SDL_QUIT) videoState.quitRequested = 1;
}

}  // namespace

bool SetVideoModeFromState() {
    if (!videoState.openGL) return false;
    for (const GlAttribute& a : GL_ATTRIBUTES) SDL_GL_SetAttribute(a.attribute, a.value);
    Uint32 flags = SDL_OPENGL | (videoState.fullscreen ? SDL_FULLSCREEN : 0);
    return SDL_SetVideoMode(videoState.width, videoState.height, VIDEO_BITS_PER_PIXEL, flags) !=
           nullptr;
}

void ReuploadTextures() {
    for (int slot = 0; slot < TEXTURE_SLOTS; slot++) {
        const TextureSlot& s = textureTable.slots[slot];
        if (s.width != 0) UploadSlotForRegain(slot);
    }
}

void PumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
}

void SetupFrameState() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
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
    if (!extensions || !std::strstr(extensions, "GL_ARB_multitexture")) return;
    glActiveTextureARBPtr =
        reinterpret_cast<ActiveTextureFn>(SDL_GL_GetProcAddress("glActiveTextureARB"));
    glMultiTexCoord2fARBPtr =
        reinterpret_cast<MultiTexCoord2fFn>(SDL_GL_GetProcAddress("glMultiTexCoord2fARB"));
}
