// Writes the seed corpora under DIR/<target>/ from the engine's own encoders
// and small hand-made inputs:  fuzz-make-seeds DIR
#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/hwconfig.h"
#include "render/screenshot.h"

namespace {

std::string root;
int written = 0;

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
    std::string dir = root + "/" + target;
    mkdir(root.c_str(), 0777);
    mkdir(dir.c_str(), 0777);
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    written++;
}

void Put(std::string& s, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) s[at + i] = char(v >> (8 * i));
}

std::string Pixels(size_t count, int seed) {
    std::string s(count, '\0');
    for (size_t i = 0; i < count; i++) s[i] = char((i * 37 + size_t(seed) * 11) & 0xFF);
    return s;
}

void HardwareConfigSeeds() {
    ResetHardwareConfig();
    uint8_t image[CONFIG_V4_BYTES];
    EncodeHardwareConfig(image);
    std::string v4(reinterpret_cast<char*>(image), sizeof image);
    Seed("hwconfig", "v4-defaults", v4);
    Seed("hwconfig", "v4-short", v4.substr(0, 100));
    for (uint32_t version : {1u, 2u, 3u, 7u}) {
        std::string old = v4.substr(0, version == 1 ? CONFIG_V1_BYTES : version == 2 ? CONFIG_V2_BYTES : CONFIG_V3_BYTES);
        Put(old, 0, version, 4);
        Seed("hwconfig", "v" + std::to_string(version), old);
    }
    Seed("hwconfig", "empty", "");
}

void FontSeeds() {
    std::string font(54 + 256 * 128 * 3, '\0');
    font[0] = 'B', font[1] = 'M';
    for (size_t i = 54; i < font.size(); i += 3) font[i + 2] = char(i % 251);
    Seed("font", "full", font);
    Seed("font", "header-only", font.substr(0, 54));
    Seed("font", "cut", font.substr(0, 1000));
}

std::string Bmp(int32_t width, int32_t height, uint32_t bits, uint32_t offset, bool pad) {
    std::string s(offset, '\0');
    s[0] = 'B', s[1] = 'M';
    Put(s, 10, offset, 4), Put(s, 14, 40, 4), Put(s, 18, uint32_t(width), 4), Put(s, 22, uint32_t(height), 4);
    Put(s, 26, 1, 2), Put(s, 28, bits, 2);
    size_t row = size_t(width) * 3, stride = pad ? (row + 3) & ~size_t(3) : row;
    s += Pixels(stride * size_t(height < 0 ? -height : height), width);
    return s;
}

void BmpSeeds() {
    uint8_t header[SCREENSHOT_HEADER_BYTES];
    EncodeScreenshotHeader(header, 4, 2);
    Seed("bmp", "screenshot-4x2", std::string(reinterpret_cast<char*>(header), sizeof header) + Pixels(24, 1));
    Seed("bmp", "bottom-up-5x3", Bmp(5, 3, 24, 54, true));
    Seed("bmp", "top-down-7x2", Bmp(7, -2, 24, 54, true));
    Seed("bmp", "offset-70", Bmp(3, 3, 24, 70, true));
    Seed("bmp", "unset-offset", [] { std::string s = Bmp(2, 2, 24, 54, true); Put(s, 10, 0, 4); return s; }());
    Seed("bmp", "8-bit", Bmp(4, 4, 8, 54, true));
    Seed("bmp", "huge", Bmp(1, 1, 24, 54, true).replace(18, 4, "\xff\xff\x00\x00", 4));
}

std::string Tga(int width, int height, int depth, int descriptor, int idLength, int mapLength) {
    std::string s(18, '\0');
    s[0] = char(idLength), s[1] = char(mapLength ? 1 : 0), s[2] = 2;
    Put(s, 5, uint32_t(mapLength), 2), s[7] = char(mapLength ? 24 : 0);
    Put(s, 12, uint32_t(width), 2), Put(s, 14, uint32_t(height), 2), s[16] = char(depth), s[17] = char(descriptor);
    s += std::string(size_t(idLength), 'i') + Pixels(size_t(mapLength) * 3, 9);
    return s + Pixels(size_t(width) * height * size_t(depth / 8), depth);
}

void TgaSeeds() {
    for (int origin = 0; origin < 4; origin++) {
        Seed("tga", "rgb-origin" + std::to_string(origin), Tga(3, 2, 24, origin << 4, 0, 0));
        Seed("tga", "rgba-origin" + std::to_string(origin), Tga(2, 3, 32, 8 | origin << 4, 0, 0));
    }
    Seed("tga", "id-and-map", Tga(2, 2, 24, 0, 5, 4));
    Seed("tga", "16-bit", Tga(2, 2, 16, 1, 0, 0));
    Seed("tga", "32-no-alpha-bits", Tga(2, 2, 32, 0, 0, 0));
}

void TextSeeds() {
    const char* formats[] = {"plain", "//i=/i", "/c/u/x", "/f and /s", "/I /I /I", "tail /", "/q/z//", "/s/s/s"};
    int n = 0;
    for (const char* f : formats) {
        std::string s("\x00\x04", 2);
        s += f;
        s += std::string("\0abc\0longer string", 19);
        Seed("print", "format" + std::to_string(n++), s);
    }
    Seed("print", "tiny-buffer", std::string("\x03\x00/s", 4) + std::string("\0abcdef", 7));
    Seed("wildcard", "star", std::string("*.bmp\0texture01.bmp", 19));
    Seed("wildcard", "dot-star", std::string("readme.*\0README", 15));
    Seed("wildcard", "question", std::string("t??.tga\0tex.tga", 15));
    Seed("wildcard", "many-stars", std::string("*a*a*a*a*a*a*b\0aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 46));
    // Text entry: a first byte, then frames of (key, key, mouse).
    Seed("text_entry", "type-digits", std::string("\x05\x18\xff\x00\x04\xff\x00\x05\xff\x00\x14\xff\x00", 13));
    Seed("text_entry", "click-and-type", std::string("\x40\xff\xff\x85\xff\xff\x05\x00\xff\x05\x0d\xff\x05", 13));
    Seed("text_entry", "string-edit", std::string("\xfe\x1b\xff\x60\x00\x1c\x60\x0f\xff\x60\x13\xff\x60", 13));
    Seed("hwconfig_set", "width", std::string("width=800", 9));
    Seed("hwconfig_set", "several", std::string("width=1024\0fullscreen=1\0textRed=0.5", 35));
    Seed("hwconfig_set", "height-and-bad", std::string("height=7\0sound=x", 16));
    Seed("hwconfig_set", "option", std::string("--json\0width=640", 16));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-make-seeds DIR\n");
        return 2;
    }
    root = argv[1];
    HardwareConfigSeeds();
    FontSeeds();
    BmpSeeds();
    TgaSeeds();
    TextSeeds();
    std::printf("%d seeds written under %s\n", written, root.c_str());
    return 0;
}
