// Bitmap-font text printer with its own format language, and the mouse cursor.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

constexpr int32_t ALIGN_CENTRE = 0x10000;  // or-ed into x or y: centred on the coordinate
constexpr int32_t ALIGN_END = 0x20000;     // or-ed into x or y: ends at the coordinate
constexpr int PRINT_BUFFER_SIZE = 1024;    // line and scratch buffers
constexpr int PRINT_LINE_LIMIT = 1000;     // expansion stops once the line holds this many

// The expanded line of the last PrintText call.
extern char printLine[PRINT_BUFFER_SIZE];

// Expands `format` ("//", "/c", "/i", "/u", "/x", "/f", "/s", "/I"; any other
// slash vanishes) into `line`, never writing past lineSize (text is cut).
// Returns the length of the line.
int ExpandPrintFormat(char* line, size_t lineSize, const char* format, va_list args);

// Applies ALIGN_CENTRE then ALIGN_END to a flagged coordinate for a run of
// `cells` characters of `size`, then keeps the low 16 bits. A negative
// coordinate carries no flags.
int32_t AlignCoordinateX(int32_t x, int32_t cells, int32_t size);
int32_t AlignCoordinateY(int32_t y, int32_t size);

// Expands the format and draws one textured quad per character at z = -1 in
// the virtual screen. Null format draws nothing. Alpha is taken as a double
// (and drawn as a float) because it is the last parameter before the format's
// arguments, and va_start on a float parameter is undefined behaviour.
void PrintText(const char* format,
               int32_t x,
               int32_t y,
               int32_t size,
               float r,
               float g,
               float b,
               double a,
               ...);

// Draws the font's top-left 32x32 picture centred on the mouse position.
void DrawCursor(float r, float g, float b, float a);
