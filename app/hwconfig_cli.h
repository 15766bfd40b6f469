// The quillon-hwconfig support tool: shows, checks, edits and resets a
// hardware configuration file through exactly the program's loader and saver.
#pragma once

// Exit statuses; what each means in each mode is listed once, in the tool's
// --help (and its manual page says the same).
constexpr int HWCONFIG_EXIT_OK = 0;
constexpr int HWCONFIG_EXIT_FAILED = 1;
constexpr int HWCONFIG_EXIT_USAGE = 2;

// Runs the tool on argv[1..argc-1], printing on stdout and stderr. Never ends
// the process and keeps nothing between calls (the option parser is reset on
// entry); returns the exit status. Nothing is written unless every argument
// and value was accepted.
int RunHwconfigTool(int argc, char** argv);
