// Drawing of the widget table through the text printer. Every position handed
// to the printer is a plain 16-bit coordinate, and every value or typed text
// goes through "/s", so no character of it is ever read as a directive.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "render/text.h"
#include "ui/keynames.h"
#include "ui/text_entry.h"
#include "ui/widget.h"

namespace {

constexpr int SCRATCH_SIZE = 256;
constexpr int32_t COORDINATE_MASK = 0xFFFF;
constexpr char BLOCK_FORMAT[] = "\177";  // character 127: the full-cell block
constexpr float HALF_ALPHA = 0.5f;

// An idle field's value, formatted just before it is printed.
char fieldScratch[SCRATCH_SIZE];

struct Colour {
    float r, g, b;
};

Colour Scaled(const Widget& w, float factor) {
    return Colour{w.r * factor, w.g * factor, w.b * factor};
}

float LabelFactor(const Widget& w) {
    return float(w.state + 5) / 8.0f;
}
float BackgroundFactor(const Widget& w) {
    return float(w.state + 1) / 32.0f;
}

// Left edge of cell `cell` of row `row` (0 label, 1 field), kept to 16 bits so
// that a far-right position never reaches the printer as an alignment flag.
int32_t CellX(const Widget& w, int32_t cell) {
    return int32_t((int64_t(w.x) + int64_t(cell) * w.size) & COORDINATE_MASK);
}

int32_t RowY(const Widget& w, int32_t row) {
    return int32_t((int64_t(w.y) + int64_t(row) * w.size) & COORDINATE_MASK);
}

void PrintCell(const char* format, const Widget& w, int32_t cell, int32_t row, Colour c, float a) {
    PrintText(format, CellX(w, cell), RowY(w, row), w.size, c.r, c.g, c.b, a);
}

void PrintLabelChar(const Widget& w, int32_t i, Colour c) {
    PrintText("/c",
              CellX(w, i),
              RowY(w, 0),
              w.size,
              c.r,
              c.g,
              c.b,
              1.0f,
              int(static_cast<signed char>(w.text[i])));
}

void PrintFieldText(const Widget& w, const char* text, Colour c) {
    PrintText("/s", CellX(w, 0), RowY(w, 1), w.size, c.r, c.g, c.b, 1.0f, text);
}

int32_t LabelCells(const Widget& w) {
    return w.width < WIDGET_TEXT_SIZE ? w.width : WIDGET_TEXT_SIZE - 1;
}

// The label in the state colour; in an enabled widget whose hotkey name is one
// character, the first label character equal to it (upper-cased) in full colour.
void DrawLabel(const Widget& w) {
    const char* name = KeyName(w.hotkey);
    Colour dim = Scaled(w, LabelFactor(w));
    Colour full = Scaled(w, 1.0f);
    int32_t cells = LabelCells(w);
    int32_t i = 0;
    char picked = '\0';
    if (w.state != STATE_DISABLED) {
        for (; i < cells && w.text[i] && name[0] != picked; i++) {
            picked = char(std::toupper(static_cast<unsigned char>(w.text[i])));
            bool highlight = name[0] == picked && name[1] == '\0';
            PrintLabelChar(w, i, highlight ? full : dim);
        }
    }
    for (; i < cells && w.text[i]; i++)
        PrintLabelChar(w, i, dim);
}

void FormatIdleValue(const Widget& w) {
    fieldScratch[0] = '\0';
    if (!w.target)
        return;
    switch (w.editType) {
        case EDIT_INT:
            std::snprintf(
                fieldScratch, sizeof fieldScratch, "%d", *static_cast<const int32_t*>(w.target));
            break;
        case EDIT_UINT:
            std::snprintf(
                fieldScratch, sizeof fieldScratch, "%u", *static_cast<const uint32_t*>(w.target));
            break;
        case EDIT_FLOAT:
            std::snprintf(fieldScratch,
                          sizeof fieldScratch,
                          "%g",
                          double(*static_cast<const float*>(w.target)));
            break;
        default: {
            const char* s = static_cast<const char*>(w.target);
            size_t n = strnlen(s, sizeof fieldScratch - 1);
            std::memcpy(fieldScratch, s, n);
            fieldScratch[n] = '\0';
            break;
        }
    }
}

// The TextEntry's text, the selected cells within the field, and the cursor:
// an underscore in insert mode, a half-transparent block in overwrite mode.
void DrawEditedField(const Widget& w, Colour c) {
    PrintFieldText(w, textEntry.buffer, c);
    int32_t lo = textEntry.anchor < textEntry.cursor ? textEntry.anchor : textEntry.cursor;
    int32_t hi = textEntry.anchor < textEntry.cursor ? textEntry.cursor : textEntry.anchor;
    for (int32_t cell = 0; cell < w.width; cell++)
        if (cell >= lo && cell < hi)
            PrintCell(BLOCK_FORMAT, w, cell, 1, c, HALF_ALPHA);
    if (textEntry.overwrite)
        PrintCell(BLOCK_FORMAT, w, textEntry.cursor, 1, c, HALF_ALPHA);
    else
        PrintCell("_", w, textEntry.cursor, 1, c, 1.0f);
}

void DrawField(const Widget& w) {
    Colour background = Scaled(w, BackgroundFactor(w));
    for (int32_t cell = 0; cell < w.width; cell++)
        PrintCell(BLOCK_FORMAT, w, cell, 1, background, 1.0f);
    Colour text = Scaled(w, LabelFactor(w));
    if (w.activated) {
        DrawEditedField(w, text);
        return;
    }
    FormatIdleValue(w);
    PrintFieldText(w, fieldScratch, text);
}

}  // namespace

void DrawWidgets() {
    int32_t n = widgetTable.count;
    if (n > WIDGET_SLOTS)
        n = WIDGET_SLOTS;
    for (int32_t i = 0; i < n; i++) {
        const Widget& w = widgetTable.widgets[i];
        DrawLabel(w);
        if (w.kind == WIDGET_TEXT_ENTRY)
            DrawField(w);
    }
}
