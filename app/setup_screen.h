// The settings screen: start-up, one frame of the loop, and the exit sequence.
// main() is StartSetup(); while (SetupShouldContinue()) RunSetupFrame(); FinishSetup().
#pragma once
#include <cstdint>

constexpr const char* SETUP_WINDOW_TITLE = "Quillon Setup";
constexpr const char* SETUP_ICON_TITLE = "SDL";
constexpr const char* SETUP_ICON_FILE = "qln.bmp";
constexpr int32_t SETUP_WINDOW_WIDTH = 640;
constexpr int32_t SETUP_WINDOW_HEIGHT = 480;
constexpr int DONE_WIDGET = 0;  // slot of "Done"; its activation ends the loop

// Non-zero while the colour picker is shown; never stored in the file.
extern int32_t colourPickerOpen;

// Loads the configuration, starts SDL, opens the 640x480 window with caption
// and icon, grabs the input, names the texture slots, loads the font and key
// names. Returns false (with one line on stderr) when there is no display
// (see ChooseVideoDriver) or SDL or the window could not be started; nothing
// has been written then.
bool StartSetup();

// True when one of the four resolution choices stores this width.
bool IsResolutionChoice(int32_t width);

// True while "Done" is not activated and no quit was requested.
bool SetupShouldContinue();

// Registers the twelve labels with their behaviours, in the fixed order that
// carries widget identity from frame to frame.
void LayOutSetupScreen();

// One pass of the loop: clear, lay out, pump, snapshot, update, sliders,
// frame state, heading, widgets, cursor, swap.
void RunSetupFrame();

// Completes the height from the width, saves, iconifies and shuts SDL down.
// Returns the process exit status: 0 when the file was written, 1 when the
// save failed (its one line on stderr says why).
int FinishSetup();
