// What every fuzz target shares: the engine's and the program's headers, a
// private working directory, files in it, the input cut into pieces, and a
// way to stop the run when an oracle fails.
#pragma once
#include <SDL.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/hwconfig.h"
#include "app/hwconfig_cli.h"
#include "platform/dirsearch.h"
#include "platform/input.h"
#include "platform/video.h"
#include "render/filelist.h"
#include "render/loaders.h"
#include "render/text.h"
#include "render/texture.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

// Makes (once) a fresh directory for the process and enters it; returns it.
const std::string& EnterFuzzDirectory();

// Prints the broken promise and aborts, so libFuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* what);

// The input split at NUL bytes into at most `most` pieces (the last takes the rest).
int SplitAtNul(const uint8_t* data, size_t size, std::string* pieces, int most);

// A whole file's bytes (empty when it cannot be read); writing fails the run
// when the file cannot be written.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
