// make-assets: renders the program's two pictures from a free font.
//   make-assets [--font TTF] [--icon-font TTF] OUTDIR
// writes OUTDIR/font.bmp (the 256x128 glyph sheet whose red channel is the
// font's coverage, with the mouse cursor in its top-left 32x32 pixels) and
// OUTDIR/qln.bmp (the 32x32 window icon). The same fonts and the same
// FreeType give byte-identical files: nothing depends on time, locale or
// directory order, and all the drawing outside FreeType is integer arithmetic.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

// ---- limits -----------------------------------------------------------------

constexpr int CELL = 16;           // side of one glyph cell in pixels
constexpr int SHEET_COLUMNS = 16;  // cells per row of the sheet
constexpr int SHEET_WIDTH = CELL * SHEET_COLUMNS;
constexpr int SHEET_HEIGHT = 128;         // cell rows 0..7: codes 0..127
constexpr int MARGIN = 1;                 // empty border kept round every glyph
constexpr int INNER = CELL - 2 * MARGIN;  // room left for a glyph inside a cell
constexpr int FIRST_GLYPH = 33;           // '!'; 32 (space) stays empty
constexpr int LAST_GLYPH = 126;           // '~'
constexpr int BLOCK_CHAR = 127;           // the full-cell block
constexpr int CURSOR_SIDE = 32;           // cursor picture: cells 0, 1, 16, 17
constexpr int LARGEST_PIXEL_SIZE = 15;
constexpr int SMALLEST_PIXEL_SIZE = 9;
constexpr int ICON_SIDE = 32;
constexpr int SUBPIXEL = 32;     // outline units per pixel
constexpr int SUPERSAMPLE = 16;  // samples per pixel side for shapes
static_assert(SUPERSAMPLE * 2 == SUBPIXEL, "samples sit on the odd outline units");
constexpr int BMP_FILE_HEADER_BYTES = 14;
constexpr int BMP_INFO_HEADER_BYTES = 40;
constexpr int BMP_HEADER_BYTES = BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES;
static_assert(BMP_HEADER_BYTES == 54, "the program reads pixels from byte 54 on");
static_assert(SHEET_WIDTH * 3 % 4 == 0 && ICON_SIDE * 3 % 4 == 0,
              "rows are written without padding, so they must fill whole words");
static_assert(BMP_HEADER_BYTES + SHEET_WIDTH * SHEET_HEIGHT * 3 == 98358,
              "font.bmp has one fixed size");

const char* const DEFAULT_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* const FONT_SEARCH_ROOT = "/usr/share/fonts";
const char* const MONO_FONT_FILE = "DejaVuSansMono.ttf";
const char* const ICON_FONT_FILE = "DejaVuSans-Bold.ttf";

// ---- records ----------------------------------------------------------------

// Glyph coverage of the font sheet, top row first; every channel of font.bmp
// carries this value.
static uint8_t sheet[SHEET_HEIGHT][SHEET_WIDTH];

// The icon, top row first, as R, G, B.
static uint8_t icon[ICON_SIDE][ICON_SIDE][3];

// How the printable glyphs are placed: one pixel size and one baseline for all.
struct GlyphLayout {
    int pixelSize;      // FreeType pixel size of the em
    int baselineRow;    // row inside the cell on which the glyphs sit
    int reducedGlyphs;  // how many were drawn smaller to fit their cell
};
static GlyphLayout layout;

// A point of a shape outline in SUBPIXEL units, y downwards.
struct ShapePoint {
    int x, y;
};

// The mouse pointer: tip on the picture's centre (16, 16), where the program
// puts the mouse position, body reaching down and to the right from there.
constexpr ShapePoint CURSOR_OUTLINE[] = {
    {16 * SUBPIXEL, 16 * SUBPIXEL},           // tip, the hot spot
    {16 * SUBPIXEL, 29 * SUBPIXEL},           // down the straight left edge
    {19 * SUBPIXEL, 26 * SUBPIXEL},           // in to the notch under the left wing
    {21 * SUBPIXEL + 19, 31 * SUBPIXEL},      // down the tail's left side
    {24 * SUBPIXEL + 6, 29 * SUBPIXEL + 26},  // across the tail's end
    {21 * SUBPIXEL + 19, 25 * SUBPIXEL},      // up the tail's right side to the notch
    {25 * SUBPIXEL, 25 * SUBPIXEL},           // out to the right wing, 45 degrees below the tip
};
constexpr int CURSOR_POINTS = sizeof CURSOR_OUTLINE / sizeof CURSOR_OUTLINE[0];

// ---- files ------------------------------------------------------------------

// Stores v as little-endian bytes at out, whatever the host's byte order.
static void PutLe(uint8_t* out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++)
        out[i] = uint8_t(v >> (8 * i));
}

// Fills a 54-byte header for a bottom-up, unpadded 24-bit picture.
static void BuildBmpHeader(uint8_t header[BMP_HEADER_BYTES], int width, int height) {
    uint32_t imageBytes = uint32_t(width) * uint32_t(height) * 3;
    std::memset(header, 0, BMP_HEADER_BYTES);
    header[0] = 'B';
    header[1] = 'M';
    PutLe(header + 2, BMP_HEADER_BYTES + imageBytes, 4);
    PutLe(header + 10, BMP_HEADER_BYTES, 4);
    PutLe(header + 14, BMP_INFO_HEADER_BYTES, 4);
    PutLe(header + 18, uint32_t(width), 4);
    PutLe(header + 22, uint32_t(height), 4);
    PutLe(header + 26, 1, 2);   // planes
    PutLe(header + 28, 24, 2);  // bits per pixel
    PutLe(header + 30, 0, 4);   // no compression
    PutLe(header + 34, imageBytes, 4);
}

// Writes a whole file through a temporary name and a rename, so a failed run
// never leaves a half-written picture; false (with a message) on any failure.
static bool WriteWholeFile(const fs::path& path, const uint8_t* bytes, size_t count) {
    fs::path temporary = path;
    temporary += ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make-assets: cannot create %s\n", temporary.c_str());
        return false;
    }
    bool written = std::fwrite(bytes, 1, count, file) == count;
    bool closed = std::fclose(file) == 0;
    std::error_code error;
    if (written && closed)
        fs::rename(temporary, path, error);
    if (!written || !closed || error) {
        std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

// Writes the coverage sheet as font.bmp: grey pixels, bottom row first.
static bool WriteFontBmp(const fs::path& path) {
    static uint8_t file[BMP_HEADER_BYTES + SHEET_WIDTH * SHEET_HEIGHT * 3];
    BuildBmpHeader(file, SHEET_WIDTH, SHEET_HEIGHT);
    uint8_t* out = file + BMP_HEADER_BYTES;
    for (int row = SHEET_HEIGHT - 1; row >= 0; row--)
        for (int x = 0; x < SHEET_WIDTH; x++) {
            out[0] = out[1] = out[2] = sheet[row][x];
            out += 3;
        }
    return WriteWholeFile(path, file, sizeof file);
}

// Writes the icon as qln.bmp: B, G, R, bottom row first.
static bool WriteIconBmp(const fs::path& path) {
    static uint8_t file[BMP_HEADER_BYTES + ICON_SIDE * ICON_SIDE * 3];
    BuildBmpHeader(file, ICON_SIDE, ICON_SIDE);
    uint8_t* out = file + BMP_HEADER_BYTES;
    for (int row = ICON_SIDE - 1; row >= 0; row--)
        for (int x = 0; x < ICON_SIDE; x++) {
            out[0] = icon[row][x][2];
            out[1] = icon[row][x][1];
            out[2] = icon[row][x][0];
            out += 3;
        }
    return WriteWholeFile(path, file, sizeof file);
}

// ---- fonts ------------------------------------------------------------------

// Finds a font file by name below the usual system font directory; the
// smallest matching path wins, so the result does not depend on listing order.
static std::string SearchFontFile(const char* fileName) {
    std::string best;
    std::error_code error;
    fs::recursive_directory_iterator it(FONT_SEARCH_ROOT, error), end;
    for (; !error && it != end; it.increment(error)) {
        if (it->path().filename() != fileName)
            continue;
        std::string candidate = it->path().string();
        if (best.empty() || candidate < best)
            best = candidate;
    }
    return best;
}

// Opens a face at the given path; null (with a message) when FreeType refuses it.
static FT_Face OpenFace(FT_Library library, const std::string& path) {
    FT_Face face = nullptr;
    if (path.empty() || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        std::fprintf(stderr, "make-assets: cannot open font '%s'\n", path.c_str());
        return nullptr;
    }
    return face;
}

// Loads and renders one character anti-aliased; false when the face lacks it.
static bool RenderChar(FT_Face face, int code) {
    if (FT_Get_Char_Index(face, FT_ULong(code)) == 0)
        return false;
    if (FT_Load_Char(face, FT_ULong(code), FT_LOAD_DEFAULT) != 0)
        return false;
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return false;
    return face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
}

// ---- font sheet -------------------------------------------------------------

// Letters and digits set the common baseline; marks that reach further
// (brackets, bars, underscore) are moved or reduced to fit instead.
static bool SetsBaseline(int code) {
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') ||
           (code >= 'a' && code <= 'z');
}

// Tries one pixel size: true when every printable glyph exists and all
// letters and digits fit inside a cell's margin on a common baseline, which
// is then stored in layout.
static bool TryPixelSize(FT_Face face, int pixelSize) {
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize)) != 0)
        return false;
    int ascent = 0, descent = 0;
    for (int code = FIRST_GLYPH; code <= LAST_GLYPH; code++) {
        if (!RenderChar(face, code))
            return false;
        const FT_GlyphSlot glyph = face->glyph;
        if (!SetsBaseline(code) || glyph->bitmap.rows == 0)
            continue;
        if (int(glyph->bitmap.width) > INNER)
            return false;
        if (glyph->bitmap_top > ascent)
            ascent = glyph->bitmap_top;
        int below = int(glyph->bitmap.rows) - glyph->bitmap_top;
        if (below > descent)
            descent = below;
    }
    if (ascent + descent > INNER)
        return false;
    layout.pixelSize = pixelSize;
    layout.baselineRow = MARGIN + ascent + (INNER - ascent - descent) / 2;
    return true;
}

// Chooses the largest pixel size whose letters all fit; false if none does.
static bool ChooseLayout(FT_Face face) {
    for (int size = LARGEST_PIXEL_SIZE; size >= SMALLEST_PIXEL_SIZE; size--)
        if (TryPixelSize(face, size))
            return true;
    std::fprintf(stderr, "make-assets: the font's glyphs do not fit a %d-pixel cell\n", CELL);
    return false;
}

// Renders one character at the layout's size, or smaller when its bitmap is
// too large for a cell; false when no size from the smallest up fits.
static bool RenderFitting(FT_Face face, int code, int* reduced) {
    for (int size = layout.pixelSize; size >= SMALLEST_PIXEL_SIZE; size--) {
        if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0 || !RenderChar(face, code))
            return false;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        if (int(bitmap.width) <= INNER && int(bitmap.rows) <= INNER) {
            if (size != layout.pixelSize)
                ++*reduced;
            return true;
        }
    }
    return false;
}

// Moves a span of length inside [MARGIN, CELL - MARGIN) with the least shift.
static int KeepInside(int start, int length) {
    if (start + length > CELL - MARGIN)
        start = CELL - MARGIN - length;
    if (start < MARGIN)
        start = MARGIN;
    return start;
}

// Left edge of the rendered glyph in its cell: the advance box centred in the
// cell, then nudged so that the bitmap keeps the margin on both sides.
static int GlyphLeft(const FT_GlyphSlot glyph) {
    int advance = int((glyph->advance.x + 32) >> 6);  // 26.6 fixed point, rounded
    return KeepInside((CELL - advance) / 2 + glyph->bitmap_left, int(glyph->bitmap.width));
}

// Copies the rendered glyph of one character into its cell, on the common
// baseline unless that would cross the cell's margin.
static bool DrawGlyph(FT_Face face, int code, int* reduced) {
    if (!RenderFitting(face, code, reduced))
        return false;
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    int cellX = (code % SHEET_COLUMNS) * CELL, cellY = (code / SHEET_COLUMNS) * CELL;
    int left = GlyphLeft(glyph);
    int top = KeepInside(layout.baselineRow - glyph->bitmap_top, int(bitmap.rows));
    for (unsigned row = 0; row < bitmap.rows; row++)
        for (unsigned x = 0; x < bitmap.width; x++)
            sheet[cellY + top + int(row)][cellX + left + int(x)] =
                bitmap.buffer[int(row) * bitmap.pitch + int(x)];
    return true;
}

// Fills the cell of one code with full coverage.
static void FillCell(int code) {
    int cellX = (code % SHEET_COLUMNS) * CELL, cellY = (code / SHEET_COLUMNS) * CELL;
    for (int y = 0; y < CELL; y++)
        std::memset(&sheet[cellY + y][cellX], 255, CELL);
}

// Even-odd test of one point (SUBPIXEL units) against a closed outline.
static bool InsideOutline(const ShapePoint* points, int count, int px, int py) {
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const ShapePoint& a = points[i];
        const ShapePoint& b = points[j];
        if ((a.y > py) == (b.y > py))
            continue;
        // The edge crosses the sample's row: is the crossing right of px?
        int64_t lhs = int64_t(px - a.x) * (b.y - a.y);
        int64_t rhs = int64_t(b.x - a.x) * (py - a.y);
        if ((b.y > a.y) ? lhs < rhs : lhs > rhs)
            inside = !inside;
    }
    return inside;
}

// Coverage 0..255 of pixel (x, y) by an outline, from SUPERSAMPLE squared
// samples placed on odd outline units, so that none lies on a corner.
static uint8_t OutlineCoverage(const ShapePoint* points, int count, int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < SUPERSAMPLE; sy++)
        for (int sx = 0; sx < SUPERSAMPLE; sx++)
            hits +=
                InsideOutline(points, count, x * SUBPIXEL + sx * 2 + 1, y * SUBPIXEL + sy * 2 + 1);
    return uint8_t((hits * 255 + SUPERSAMPLE * SUPERSAMPLE / 2) / (SUPERSAMPLE * SUPERSAMPLE));
}

// Draws the pointer into the top-left 32x32 pixels of the sheet.
static void DrawCursorPicture() {
    for (int y = 0; y < CURSOR_SIDE; y++)
        for (int x = 0; x < CURSOR_SIDE; x++)
            sheet[y][x] = OutlineCoverage(CURSOR_OUTLINE, CURSOR_POINTS, x, y);
}

// Checks what the program relies on: no printable glyph touches its cell's
// border, so linear filtering never carries one cell into the next.
static bool MarginsAreClear() {
    for (int code = FIRST_GLYPH; code <= LAST_GLYPH; code++) {
        int cellX = (code % SHEET_COLUMNS) * CELL, cellY = (code / SHEET_COLUMNS) * CELL;
        for (int i = 0; i < CELL; i++)
            if (sheet[cellY][cellX + i] || sheet[cellY + CELL - 1][cellX + i] ||
                sheet[cellY + i][cellX] || sheet[cellY + i][cellX + CELL - 1]) {
                std::fprintf(stderr, "make-assets: glyph %d reaches its cell's border\n", code);
                return false;
            }
    }
    return true;
}

// Renders the whole sheet: glyphs, block and cursor; false on any failure.
static bool BuildSheet(FT_Face face) {
    std::memset(sheet, 0, sizeof sheet);
    if (!ChooseLayout(face))
        return false;
    for (int code = FIRST_GLYPH; code <= LAST_GLYPH; code++)
        if (!DrawGlyph(face, code, &layout.reducedGlyphs)) {
            std::fprintf(stderr, "make-assets: the font cannot render character %d\n", code);
            return false;
        }
    FillCell(BLOCK_CHAR);
    DrawCursorPicture();
    return MarginsAreClear();
}

// ---- icon -------------------------------------------------------------------

constexpr int ICON_RADIUS = 6;                       // corner radius, pixels
constexpr uint8_t ICON_CORNER[3] = {0, 0, 0};        // outside the rounded square
constexpr uint8_t ICON_TOP[3] = {44, 86, 168};       // square's colour at its top
constexpr uint8_t ICON_BOTTOM[3] = {14, 30, 82};     // and at its bottom
constexpr uint8_t ICON_LETTER[3] = {236, 242, 255};  // the letter
constexpr int ICON_LETTER_PIXELS = 27;

// Blends two colours by coverage (0..255), rounding to nearest.
static void Blend(uint8_t out[3], const uint8_t under[3], const uint8_t over[3], int coverage) {
    for (int c = 0; c < 3; c++)
        out[c] = uint8_t((under[c] * (255 - coverage) + over[c] * coverage + 127) / 255);
}

// Is the sample (SUBPIXEL units) inside the icon's rounded square?
static bool InsideRoundedSquare(int px, int py) {
    const int side = ICON_SIDE * SUBPIXEL, radius = ICON_RADIUS * SUBPIXEL;
    int dx = 0, dy = 0;
    if (px < radius)
        dx = radius - px;
    if (px > side - radius)
        dx = px - (side - radius);
    if (py < radius)
        dy = radius - py;
    if (py > side - radius)
        dy = py - (side - radius);
    return dx * dx + dy * dy <= radius * radius;
}

// Paints the rounded square with a top-to-bottom gradient, corners anti-aliased.
static void PaintIconBackground() {
    for (int y = 0; y < ICON_SIDE; y++) {
        uint8_t fill[3];
        Blend(fill, ICON_TOP, ICON_BOTTOM, y * 255 / (ICON_SIDE - 1));
        for (int x = 0; x < ICON_SIDE; x++) {
            int hits = 0;
            for (int sy = 0; sy < SUPERSAMPLE; sy++)
                for (int sx = 0; sx < SUPERSAMPLE; sx++)
                    hits +=
                        InsideRoundedSquare(x * SUBPIXEL + sx * 2 + 1, y * SUBPIXEL + sy * 2 + 1);
            int coverage = (hits * 255 + 128) / (SUPERSAMPLE * SUPERSAMPLE);
            Blend(icon[y][x], ICON_CORNER, fill, coverage);
        }
    }
}

// Draws the letter Q centred on its inked box; false when it cannot be rendered
// or does not fit the icon.
static bool PaintIconLetter(FT_Face face) {
    if (FT_Set_Pixel_Sizes(face, 0, ICON_LETTER_PIXELS) != 0 || !RenderChar(face, 'Q'))
        return false;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    int width = int(bitmap.width), height = int(bitmap.rows);
    if (width + 4 > ICON_SIDE || height + 4 > ICON_SIDE)
        return false;
    int left = (ICON_SIDE - width) / 2, top = (ICON_SIDE - height) / 2;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t* pixel = icon[top + y][left + x];
            uint8_t under[3] = {pixel[0], pixel[1], pixel[2]};
            Blend(pixel, under, ICON_LETTER, bitmap.buffer[y * bitmap.pitch + x]);
        }
    return true;
}

// Renders the whole icon; false (with a message) on failure.
static bool BuildIcon(FT_Face face) {
    PaintIconBackground();
    if (PaintIconLetter(face))
        return true;
    std::fprintf(stderr, "make-assets: cannot draw the icon's letter\n");
    return false;
}

// ---- command line -----------------------------------------------------------

// What the command line asked for.
struct Options {
    std::string fontPath;      // glyph font; empty: the default, else a search
    std::string iconFontPath;  // icon font; empty: the bold face beside it
    std::string outDir;
};
static Options options;

// Parses the arguments into options; false on a malformed command line.
static bool ParseArguments(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if ((arg == "--font" || arg == "--icon-font") && i + 1 < argc)
            (arg == "--font" ? options.fontPath : options.iconFontPath) = argv[++i];
        else if (!arg.empty() && arg[0] != '-' && options.outDir.empty())
            options.outDir = arg;
        else
            return false;
    }
    return !options.outDir.empty();
}

// The glyph font: the one named, else the default path, else a search.
static std::string ResolveFont() {
    if (!options.fontPath.empty())
        return options.fontPath;
    std::error_code error;
    if (fs::is_regular_file(DEFAULT_FONT, error))
        return DEFAULT_FONT;
    return SearchFontFile(MONO_FONT_FILE);
}

// The icon font: the one named, else the bold face next to the glyph font,
// else a search, else the glyph font itself.
static std::string ResolveIconFont(const std::string& fontPath) {
    if (!options.iconFontPath.empty())
        return options.iconFontPath;
    std::error_code error;
    fs::path beside = fs::path(fontPath).parent_path() / ICON_FONT_FILE;
    if (fs::is_regular_file(beside, error))
        return beside.string();
    std::string found = SearchFontFile(ICON_FONT_FILE);
    return found.empty() ? fontPath : found;
}

// Builds both pictures and writes them; the process's exit status.
static int Run(FT_Library library) {
    std::string fontPath = ResolveFont();
    FT_Face face = OpenFace(library, fontPath);
    if (!face)
        return 1;
    bool sheetBuilt = BuildSheet(face);
    FT_Done_Face(face);
    if (!sheetBuilt)
        return 1;
    FT_Face iconFace = OpenFace(library, ResolveIconFont(fontPath));
    if (!iconFace)
        return 1;
    bool iconBuilt = BuildIcon(iconFace);
    FT_Done_Face(iconFace);
    if (!iconBuilt)
        return 1;
    fs::path dir = options.outDir;
    if (!WriteFontBmp(dir / "font.bmp") || !WriteIconBmp(dir / "qln.bmp"))
        return 1;
    std::printf("make-assets: glyphs at %d px, baseline on row %d, %d drawn smaller to fit\n",
                layout.pixelSize,
                layout.baselineRow,
                layout.reducedGlyphs);
    return 0;
}

int main(int argc, char** argv) {
    if (!ParseArguments(argc, argv)) {
        std::fprintf(stderr, "usage: make-assets [--font TTF] [--icon-font TTF] OUTDIR\n");
        return 2;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "make-assets: FreeType did not start\n");
        return 1;
    }
    int status = Run(library);
    FT_Done_FreeType(library);
    return status;
}
