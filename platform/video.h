// Live window state, the per-frame event pump and the frame's OpenGL state.
#pragma once
#include <cstdint>

// The live window. Filled by the setup program's start-up; `quitRequested`
// goes 0 -> 1 once (window closed) and is never cleared.
struct VideoState {
    int32_t width;       // window width in pixels (divisor of the mouse mapping: keep > 0)
    int32_t height;      // window height in pixels (keep > 0)
    int32_t depth;       // colour depth, kept for the game; the mode is always requested at 32 bpp
    int32_t fullscreen;  // 0 windowed, 1 full screen
    int32_t quitRequested;  // a quit event (window close) has arrived
    int32_t openGL;         // rendering goes through OpenGL: gates mode set-up and texture uploads
    int32_t hasFocus;       // the window holds the input focus
};

extern VideoState videoState;

// Multitexture entry points, null until ProbeMultitexture finds GL_ARB_multitexture.
typedef void (*ActiveTextureFn)(unsigned int unit);
typedef void (*MultiTexCoord2fFn)(unsigned int unit, float s, float t);
extern ActiveTextureFn glActiveTextureARBPtr;
extern MultiTexCoord2fFn glMultiTexCoord2fARBPtr;

// Call before SDL_Init: on sdl12-compat, turns its OpenGL scaling off so that
// GL draws into and reads from the window's own buffers, and SDL 3's wait for
// each window operation to be confirmed, so that minimising never stalls the
// program; a player's own settings of either are kept. Does nothing on
// classic SDL 1.2.
void ApplyVideoLibraryHints();

// Call before SDL_Init: chooses SDL's video driver and returns its name, or
// null when there is nothing to show a window on. The player's own choice in
// SDL_VIDEODRIVER (SDL 1.2, SDL 2) or SDL_VIDEO_DRIVER (SDL 3) wins and is
// copied to the other spelling where that is unset; otherwise "x11" when
// DISPLAY is set, else "wayland" when WAYLAND_DISPLAY is set. Without a choice
// SDL 1.2 would fall back to drivers that draw into the text terminal.
const char* ChooseVideoDriver();

// Hides the system cursor over the window while keeping the mouse position
// absolute: SDL_ShowCursor(SDL_DISABLE) on classic SDL 1.2, a transparent
// cursor on sdl12-compat (see video.cpp for why).
void HideSystemCursor();

// Sets the GL attributes (8/8/8 colour, 16 depth, 8 stencil, double buffer) and
// opens or re-opens the video mode from videoState at 32 bpp. Returns false when
// SDL could not set the mode (callers that ignore it still get a running loop).
bool SetVideoModeFromState();

// Drains SDL's queue: focus regain (mode set again, every occupied slot
// re-uploaded, grab on), focus loss (grab off), held F12 (grab off, iconify)
// and quit. Returns once the queue is empty.
void PumpEvents();

// Re-uploads every occupied texture slot with the focus-regain filter rules
// (slots 70..97 and 400..419 nearest, others linear / linear-mipmap-nearest).
void ReuploadTextures();

// Clears the colour buffer to (r, g, b) with alpha 1, whatever the colour mask.
void ClearFrame(float r, float g, float b);

// Texturing and alpha blending on, alpha writes off (so the frame's alpha stays
// as ClearFrame left it: a compositor that blends the window, or a capture of
// its alpha, sees it opaque), depth test off, full-window viewport, the frustum
// (-1,1,-0.75,0.75,1,1000), identity model-view and texture matrices. Leaves
// the matrix mode at GL_TEXTURE.
void SetupFrameState();

// Fills the two multitexture pointers when the extension string contains
// "GL_ARB_multitexture"; leaves them null otherwise. Needs a current context.
void ProbeMultitexture();
