// quillon-setup: the settings screen the player runs before the game.
#include <SDL.h>

#include "app/setup_screen.h"

int main(int, char**) {
    if (!StartSetup())
        return 1;
    while (SetupShouldContinue())
        RunSetupFrame();
    return FinishSetup();
}
