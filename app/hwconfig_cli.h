// The quillon-hwconfig support tool: shows, checks and edits a hardware
// configuration file through exactly the program's loader and saver.
#pragma once

constexpr int HWCONFIG_EXIT_OK = 0;
constexpr int HWCONFIG_EXIT_FAILED = 1;  // --check: not fully understood; --set: not saved
constexpr int HWCONFIG_EXIT_USAGE = 2;   // bad arguments; no file was touched

// Runs the tool on argv[1..argc-1], printing on stdout and stderr. Never ends
// the process and keeps nothing between calls; returns the exit status.
// Nothing is written unless every argument parsed.
int RunHwconfigTool(int argc, char** argv);
