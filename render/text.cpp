#include "render/text.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "platform/input.h"
#include "render/texture.h"

char printLine[PRINT_BUFFER_SIZE];

namespace {

// One directive's text before it joins the line.
char printScratch[PRINT_BUFFER_SIZE];

constexpr float HALF_TEXEL = 1.0f / 512.0f;
constexpr float CELL = 16.0f / 256.0f;
constexpr int32_t COORDINATE_MASK = 0xFFFF;
constexpr int CURSOR_HALF = 16;

// Appends text to a line of capacity lineSize; cuts at the end of the buffer.
struct LineWriter {
    char* line;
    size_t size;
    size_t length;
    void Append(const char* text) {
        while (*text && length + 1 < size)
            line[length++] = *text++;
        line[length] = '\0';
    }
    void AppendChar(char c) {
        if (length + 1 < size)
            line[length++] = c;
        line[length] = '\0';
    }
};

// "/I": decimal with commas between groups of three; the millions group is
// never split further and negative values are not grouped.
void FormatGrouped(char* out, size_t size, int v) {
    size_t used = 0;
    auto add = [&](const char* fmt, int value) {
        if (used >= size)
            return;
        int n = std::snprintf(out + used, size - used, fmt, value);
        if (n > 0)
            used += size_t(n);
    };
    out[0] = '\0';
    if (v >= 1000000)
        add("%d,", v / 1000000);
    if (v >= 1000)
        add(v >= 1000000 ? "%.3d," : "%d,", (v / 1000) % 1000);
    if (v >= 1000)
        add("%.3d", v % 1000);
    else
        add("%d", v);
}

// Formats the value of directive d into the scratch buffer; false when d is
// no directive. va_list is passed by pointer so the caller's position advances.
bool FormatDirective(char d, va_list* args) {
    char* s = printScratch;
    const size_t n = sizeof printScratch;
    switch (d) {
        case '/':
            std::snprintf(s, n, "/");
            return true;
        case 'c': {
            int v = va_arg(*args, int);
            s[0] = char(v);
            s[1] = '\0';
            return true;
        }
        case 'i':
            std::snprintf(s, n, "%d", va_arg(*args, int));
            return true;
        // The caller passes an int; its bits are shown unsigned.
        case 'u':
            std::snprintf(s, n, "%u", unsigned(va_arg(*args, int)));
            return true;
        case 'x':
            std::snprintf(s, n, "%X", unsigned(va_arg(*args, int)));
            return true;
        case 'f':
            std::snprintf(s, n, "%f", va_arg(*args, double));
            return true;
        case 's': {
            const char* text = va_arg(*args, const char*);
            std::snprintf(s, n, "%s", text ? text : "(null)");
            return true;
        }
        case 'I':
            FormatGrouped(s, n, va_arg(*args, int));
            return true;
        default:
            return false;
    }
}

int32_t KeepLow16(int64_t v) {
    return int32_t(v & COORDINATE_MASK);
}

// Flags live in bits 16 and 17 of a coordinate of 0..65535; the sign bits of
// a negative coordinate are no flags, so -5 is simply 5 left of the edge (the
// same rule as widget registration).
bool CarriesFlag(int64_t v, int32_t flag) {
    return v >= 0 && (v & flag) != 0;
}

void VertexAt(float x, float y) {
    glVertex3f((x - 320.0f) / 320.0f, (240.0f - y) / 320.0f, -1.0f);
}

void TexturedVertex(float r, float g, float b, float a, float s, float t, float x, float y) {
    glColor4f(r, g, b, a);
    glTexCoord2f(s, t);
    VertexAt(x, y);
}

void DrawCharacter(
    signed char c, float x0, float y0, float size, float r, float g, float b, float a) {
    int col = c & 15, row = c >> 4;
    float s0 = float(col) * CELL + HALF_TEXEL, s1 = float(col + 1) * CELL - HALF_TEXEL;
    float t0 = float(row) * CELL + HALF_TEXEL, t1 = float(row + 1) * CELL - HALF_TEXEL;
    float x1 = x0 + size, y1 = y0 + size;
    glBegin(GL_QUADS);
    TexturedVertex(r, g, b, a, s0, t0, x0, y0);
    TexturedVertex(r, g, b, a, s1, t0, x1, y0);
    TexturedVertex(r, g, b, a, s1, t1, x1, y1);
    TexturedVertex(r, g, b, a, s0, t1, x0, y1);
    glEnd();
}

}  // namespace

int ExpandPrintFormat(char* line, size_t lineSize, const char* format, va_list args) {
    if (!line || lineSize == 0)
        return 0;
    LineWriter out{line, lineSize, 0};
    line[0] = '\0';
    if (!format)
        return 0;
    va_list rest;
    va_copy(rest, args);
    const char* p = format;
    while (*p && out.length < size_t(PRINT_LINE_LIMIT) && out.length + 1 < lineSize) {
        if (*p != '/') {
            out.AppendChar(*p++);
            continue;
        }
        if (FormatDirective(p[1], &rest)) {
            out.Append(printScratch);
            p += 2;
        } else {
            p += 1;  // the slash alone vanishes; the next character stands for itself
        }
    }
    va_end(rest);
    return int(out.length);
}

int32_t AlignCoordinateX(int32_t x, int32_t cells, int32_t size) {
    int64_t v = x;
    int64_t width = int64_t(cells) * size;
    if (CarriesFlag(v, ALIGN_CENTRE))
        v -= width / 2;
    if (CarriesFlag(v, ALIGN_END))
        v -= width;
    return KeepLow16(v);
}

int32_t AlignCoordinateY(int32_t y, int32_t size) {
    int64_t v = y;
    if (CarriesFlag(v, ALIGN_CENTRE))
        v -= size / 2;
    if (CarriesFlag(v, ALIGN_END))
        v -= size;
    return KeepLow16(v);
}

void PrintText(const char* format,
               int32_t x,
               int32_t y,
               int32_t size,
               float r,
               float g,
               float b,
               double alpha,
               ...) {
    float a = float(alpha);
    va_list args;
    va_start(args, alpha);
    int n = ExpandPrintFormat(printLine, sizeof printLine, format, args);
    va_end(args);
    // Both centre tests come before both end tests, as for widget labels.
    int32_t px = AlignCoordinateX(x, n, size);
    int32_t py = AlignCoordinateY(y, size);
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[FONT_SLOT].glName);
    float fx = float(px), fy = float(py), fs = float(size);
    for (int k = 0; k < n; k++)
        DrawCharacter(
            static_cast<signed char>(printLine[k]), fx + float(k) * fs, fy, fs, r, g, b, a);
}

void DrawCursor(float r, float g, float b, float a) {
    float mx = float(inputState.mouse.x), my = float(inputState.mouse.y);
    const float lo = HALF_TEXEL, hi = 63.0f / 512.0f, half = float(CURSOR_HALF);
    glBindTexture(GL_TEXTURE_2D, textureTable.slots[FONT_SLOT].glName);
    glBegin(GL_QUADS);
    TexturedVertex(r, g, b, a, lo, lo, mx - half, my - half);
    TexturedVertex(r, g, b, a, hi, lo, mx + half, my - half);
    TexturedVertex(r, g, b, a, hi, hi, mx + half, my + half);
    TexturedVertex(r, g, b, a, lo, hi, mx - half, my + half);
    glEnd();
}
