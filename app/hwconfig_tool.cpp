// quillon-hwconfig: shows, checks and edits hwconfig.cfg.
#include "app/hwconfig_cli.h"

int main(int argc, char** argv) {
    return RunHwconfigTool(argc, argv);
}
