// quillon-texture-viewer: shows the BMP and TGA files of the "texture" folder
// as a grid, filtered by a wildcard typed into a text entry. F5 saves a
// screenshot, Escape (while not typing) or closing the window quits.
//
// It uses the engine the way a game does: the video state and event pump, the
// input snapshot, the widget table with a text entry, the texture loaders and
// table, the text printer, the file list and wildcard match, the screenshot writer.
#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "platform/input.h"
#include "platform/video.h"
#include "render/filelist.h"
#include "render/loaders.h"
#include "render/screenshot.h"
#include "render/text.h"
#include "render/texture.h"
#include "ui/keynames.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

namespace {

constexpr const char* VIEWER_TITLE = "Quillon Texture Viewer";
constexpr int VIEWER_MAX_IMAGES = 64;  // slots 0..63 hold the folder's images
constexpr int TILE_SIZE = 96;          // virtual-screen pixels per grid cell
constexpr int TILE_COLUMNS = 6;
constexpr int GRID_TOP = 72;
constexpr int LABEL_SIZE = 16;
constexpr int NAME_SIZE = 8;

struct Viewer {
    FileListEntry names[VIEWER_MAX_IMAGES];  // file name of each loaded slot
    int32_t count;                           // slots in use
    char filter[EDIT_BUFFER_SIZE];           // wildcard the text entry edits
    char status[64];                         // last screenshot's name
    bool quit;
};

Viewer viewer;
FileListEntry listing[FILE_LIST_MAX + 1];

// Loads every listed file of one kind into the next free slots.
void LoadListed(const char* pattern, bool tga) {
    ListFiles(pattern, listing, 0);
    for (int i = 0; listing[i].name[0] && viewer.count < VIEWER_MAX_IMAGES; ++i) {
        int32_t slot = viewer.count++;
        viewer.names[slot] = listing[i];
        if (tga)
            LoadTgaTexture(slot, listing[i].name, 0, 0);
        else
            LoadBmpTexture(slot, listing[i].name, 0);
    }
}

bool StartViewer() {
    ApplyVideoLibraryHints();
    if (!ChooseVideoDriver()) {
        std::fprintf(stderr, "quillon-texture-viewer: needs DISPLAY or WAYLAND_DISPLAY\n");
        return false;
    }
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "quillon-texture-viewer: cannot start SDL: %s\n", SDL_GetError());
        return false;
    }
    videoState = VideoState{640, 480, 16, 0, 0, 1, 1};
    SDL_WM_SetCaption(VIEWER_TITLE, VIEWER_TITLE);
    HideSystemCursor();
    if (!SetVideoModeFromState()) {
        std::fprintf(
            stderr, "quillon-texture-viewer: cannot open the window: %s\n", SDL_GetError());
        SDL_Quit();
        return false;
    }
    GenerateTextureNames();
    LoadFont();
    InitKeyNames();
    ClearWidgetPresses();
    LoadListed("texture/*.bmp", false);
    LoadListed("texture/*.tga", true);
    std::snprintf(
        viewer.status, sizeof viewer.status, "%d images, F5 screenshot", int(viewer.count));
    return true;
}

// One textured quad on the virtual screen, mapped as the frame projection does.
void DrawTile(uint32_t texture, int x, int y, int size) {
    float left = (x - 320) / 320.0f, right = (x + size - 320) / 320.0f;
    float top = (240 - y) / 320.0f, bottom = (240 - y - size) / 320.0f;
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(left, top, -1);
    glTexCoord2f(1, 0);
    glVertex3f(right, top, -1);
    glTexCoord2f(1, 1);
    glVertex3f(right, bottom, -1);
    glTexCoord2f(0, 1);
    glVertex3f(left, bottom, -1);
    glEnd();
}

void DrawGrid() {
    int shown = 0;
    for (int slot = 0; slot < viewer.count; ++slot) {
        if (!WildcardMatch(viewer.filter, viewer.names[slot].name))
            continue;
        int x = 8 + (shown % TILE_COLUMNS) * (TILE_SIZE + 8);
        int y = GRID_TOP + (shown / TILE_COLUMNS) * (TILE_SIZE + NAME_SIZE + 8);
        DrawTile(textureTable.slots[slot].glName, x, y, TILE_SIZE);
        PrintText("/s", x, y + TILE_SIZE, NAME_SIZE, 1, 1, 1, 1, viewer.names[slot].name);
        ++shown;
    }
}

// Saves the frame just drawn, before the swap shows it: the file holds what the
// player sees. The status line tells from the next frame on.
void SaveShownFrame() {
    char name[SCREENSHOT_NAME_BYTES];
    if (SaveScreenshot(name, sizeof name))
        std::snprintf(viewer.status, sizeof viewer.status, "saved %s", name);
    else
        std::snprintf(viewer.status, sizeof viewer.status, "screenshot not saved");
}

void RunViewerFrame() {
    ClearFrame(0.1f, 0.1f, 0.15f);
    widgetTable.count = 0;
    AddWidget("Filter", 8, 8, LABEL_SIZE, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_STRING_ENTRY, viewer.filter);
    PumpEvents();
    SnapshotKeyboard();
    SnapshotMouse();
    // Taken before the update: the update that sees Escape end an edit also
    // clears `captured`, so reading it afterwards would quit as well.
    bool wasEditing = widgetTable.captured;
    UpdateWidgets();
    // Escape quits only when no field held the keyboard before this frame's
    // update: otherwise it ended an edit.
    if (IsKeyPressed(SDLK_ESCAPE) && !wasEditing)
        viewer.quit = true;
    SetupFrameState();
    DrawGrid();
    PrintText("/s", 632 | ALIGN_END, 8, NAME_SIZE, 1, 1, 0.5f, 1, viewer.status);
    DrawWidgets();
    DrawCursor(1, 1, 1, 1);
    if (IsKeyPressed(SDLK_F5))
        SaveShownFrame();
    SDL_GL_SwapBuffers();
}

}  // namespace

int main(int, char**) {
    if (!StartViewer())
        return 1;
    while (!viewer.quit && !videoState.quitRequested)
        RunViewerFrame();
    SDL_Quit();
    return 0;
}
