#include "app/setup_screen.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "app/colour_sliders.h"
#include "app/hwconfig.h"
#include "platform/input.h"
#include "platform/video.h"
#include "render/text.h"
#include "render/texture.h"
#include "ui/keynames.h"
#include "ui/widget.h"

int32_t colourPickerOpen = 0;

namespace {

constexpr int32_t LABEL_SIZE = 16;

struct RadioLabel {
    const char* text;
    int32_t y;
    int32_t width;  // stored into hardwareConfig.width
    int32_t hotkey;
};

constexpr RadioLabel RESOLUTION_LABELS[] = {
    {"1. 640x480", 128, 640, SDLK_1},
    {"2. 800x600", 144, 800, SDLK_2},
    {"3. 1024x768", 160, 1024, SDLK_3},
    {"4. 1280x960", 176, 1280, SDLK_4},
};

struct SliderLayout {
    int32_t y;
    float r, g, b;
};

constexpr int32_t SLIDER_X = 288;
constexpr int32_t SLIDER_W = 256;
constexpr int32_t SLIDER_H = 32;
constexpr SliderLayout SLIDER_LAYOUT[COLOUR_SLIDER_SLOTS] = {
    {32, 1, 0, 0}, {96, 0, 1, 0}, {160, 0, 0, 1}};

void AddWhiteLabel(const char* text, int32_t x, int32_t y) {
    AddWidget(text, x, y, LABEL_SIZE, 1.0f, 1.0f, 1.0f);
}

void AddToggleLabel(const char* text, int32_t x, int32_t y, int32_t* flag, int32_t hotkey) {
    AddWhiteLabel(text, x, y);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(flag));
    if (hotkey)
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(hotkey));
}

void RebuildSliderList() {
    colourSliderList.count = 0;
    for (const SliderLayout& s : SLIDER_LAYOUT)
        AddColourSlider(SLIDER_X, s.y, SLIDER_W, SLIDER_H, s.r, s.g, s.b, nullptr);
}

void PointSlidersAtTextColour() {
    float* targets[COLOUR_SLIDER_SLOTS] = {
        &hardwareConfig.textRed, &hardwareConfig.textGreen, &hardwareConfig.textBlue};
    for (int i = 0; i < COLOUR_SLIDER_SLOTS; i++)
        colourSliderList.sliders[i].target = targets[i];
}

void SetWindowIcon() {
    SDL_RWops* rw = SDL_RWFromFile(SETUP_ICON_FILE, "rb");
    if (!rw)
        return;
    // The loader closes the stream; the surface lives until the process ends.
    SDL_Surface* icon = SDL_LoadBMP_RW(rw, 1);
    if (icon)
        SDL_WM_SetIcon(icon, nullptr);
}

}  // namespace

bool IsResolutionChoice(int32_t width) {
    for (const RadioLabel& r : RESOLUTION_LABELS)
        if (r.width == width)
            return true;
    return false;
}

void LayOutSetupScreen() {
    AddWhiteLabel("Done", 4, 4);
    AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(SDLK_ESCAPE));
    for (const RadioLabel& r : RESOLUTION_LABELS) {
        AddWhiteLabel(r.text, 4, r.y);
        AttachBehaviour(BEHAVIOUR_RADIO, static_cast<void*>(&hardwareConfig.width), r.width);
        AttachBehaviour(BEHAVIOUR_HOTKEY, intptr_t(r.hotkey));
    }
    AddToggleLabel("Fullscreen", 4, 208, &hardwareConfig.fullscreen, SDLK_f);
    AddToggleLabel("Mouse Unlocked", 4, 240, &hardwareConfig.mouseUnlocked, SDLK_m);
    AddToggleLabel("Sound", 4, 272, &hardwareConfig.sound, SDLK_s);
    AddToggleLabel("Interface", 4, 304, &hardwareConfig.interfaceOn, SDLK_i);
    AddToggleLabel("Text", 4, 336, &colourPickerOpen, SDLK_t);
    // The second switch for the picker doubles as a swatch of the text colour.
    AddWidget("Color",
              80,
              336,
              LABEL_SIZE,
              hardwareConfig.textRed,
              hardwareConfig.textGreen,
              hardwareConfig.textBlue);
    AttachBehaviour(BEHAVIOUR_TOGGLE, static_cast<void*>(&colourPickerOpen));
    AddToggleLabel("Low Texture Detail", 4, 368, &hardwareConfig.lowTextureDetail, 0);
}

bool StartSetup() {
    LoadHardwareConfig();
    ApplyVideoLibraryHints();
    // With the input grabbed and the system cursor hidden SDL would otherwise
    // track the pointer by relative motion and re-centre it, so the drawn
    // cursor drifts from the real pointer on tablets, virtual machines and
    // remote desktops. The grab still confines the pointer to the window.
    // A player's own SDL_MOUSE_RELATIVE setting is left as it is.
    setenv("SDL_MOUSE_RELATIVE", "0", 0);
    const char* driver = ChooseVideoDriver();
    if (!driver) {
        std::fprintf(stderr,
                     "quillon-setup: needs a display, and neither DISPLAY (X11) nor "
                     "WAYLAND_DISPLAY (Wayland) is set\n");
        return false;
    }
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr,
                     "quillon-setup: cannot start SDL's %s video driver: %s\n",
                     driver,
                     SDL_GetError());
        return false;
    }
    videoState = VideoState{SETUP_WINDOW_WIDTH, SETUP_WINDOW_HEIGHT, 16, 0, 0, 1, 1};
    SDL_WM_SetCaption(SETUP_WINDOW_TITLE, SETUP_ICON_TITLE);
    SetWindowIcon();
    SDL_WM_GrabInput(SDL_GRAB_ON);
    HideSystemCursor();
    if (!SetVideoModeFromState()) {
        std::fprintf(stderr,
                     "quillon-setup: cannot open the %dx%d OpenGL window: %s\n",
                     SETUP_WINDOW_WIDTH,
                     SETUP_WINDOW_HEIGHT,
                     SDL_GetError());
        SDL_Quit();
        return false;
    }
    GenerateTextureNames();
    ProbeMultitexture();
    inputState.mouse.x = VIRTUAL_WIDTH / 2;
    inputState.mouse.y = VIRTUAL_HEIGHT / 2;
    LoadFont();
    InitKeyNames();
    ClearWidgetPresses();
    return true;
}

bool SetupShouldContinue() {
    return !widgetTable.widgets[DONE_WIDGET].activated && !videoState.quitRequested;
}

void RunSetupFrame() {
    ClearFrame(0.0f, 0.0f, 0.0f);
    widgetTable.count = 0;
    LayOutSetupScreen();
    if (colourPickerOpen)
        RebuildSliderList();
    PumpEvents();
    SnapshotKeyboard();
    SnapshotMouse();
    UpdateWidgets();
    // The picker may have opened in this very update; its list fills next pass.
    if (colourPickerOpen) {
        PointSlidersAtTextColour();
        UpdateColourSliders();
        DrawColourSliders();
    }
    SetupFrameState();
    PrintText("Resolution", 0, 96, LABEL_SIZE, 1.0f, 1.0f, 1.0f, 1.0f);
    DrawWidgets();
    DrawCursor(1.0f, 1.0f, 1.0f, 1.0f);
    SDL_GL_SwapBuffers();
}

int FinishSetup() {
    CompleteHeightFromWidth();
    bool saved = SaveHardwareConfig();
    SDL_WM_IconifyWindow();
    SDL_Quit();
    // A launcher must be able to tell that the player's choices were lost.
    return saved ? 0 : 1;
}
