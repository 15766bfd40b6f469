#include "bench/peers.h"

#include <SDL.h>
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#include <stb_image.h>
#include <stb_image_write.h>

namespace {

void BoxFilterChain(uint32_t* pixels, int32_t width, int32_t height, int bias) {
    size_t src = 0, dst = size_t(width) * size_t(height);
    for (int32_t k = 1; (width >> k) != 0; k++) {
        int32_t w = width >> k, h = height >> k, srcW = width >> (k - 1);
        const uint8_t* in = reinterpret_cast<const uint8_t*>(pixels + src);
        uint8_t* out = reinterpret_cast<uint8_t*>(pixels + dst);
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++)
                for (int32_t c = 0; c < 4; c++) {
                    size_t a = (size_t(2 * y) * srcW + size_t(2 * x)) * 4 + c;
                    size_t b = a + size_t(srcW) * 4;
                    out[(size_t(y) * w + x) * 4 + c] =
                        uint8_t((in[a] + in[a + 4] + in[b] + in[b + 4] + bias) >> 2);
                }
        src = dst;
        dst += size_t(w) * size_t(h);
    }
}

}  // namespace

void PlainMipmapChain(uint32_t* pixels, int32_t width, int32_t height) {
    BoxFilterChain(pixels, width, height, 0);
}

void RoundedMipmapChain(uint32_t* pixels, int32_t width, int32_t height) {
    BoxFilterChain(pixels, width, height, 2);
}

size_t MipmapBytesRead(int32_t width, int32_t height) {
    size_t words = 0;
    for (int32_t k = 1; (width >> k) != 0; k++)
        words += size_t(width >> (k - 1)) * size_t(height >> (k - 1));
    return words * 4;
}

namespace {

uint32_t GetU16(FILE* f) {
    uint32_t lo = uint32_t(std::fgetc(f)) & 0xFF;
    return lo | (uint32_t(std::fgetc(f)) & 0xFF) << 8;
}

uint32_t GetU32(FILE* f) {
    return GetU16(f) | GetU16(f) << 16;
}

void Skip(FILE* f, long count) {
    for (long i = 0; i < count; i++)
        std::fgetc(f);
}

// One pixel of `bytes` (3 or 4) B,G,R[,A] bytes, with fgetc per byte.
uint32_t GetPixel(FILE* f, int bytes) {
    int b = std::fgetc(f), g = std::fgetc(f), r = std::fgetc(f);
    int a = bytes == 4 ? std::fgetc(f) : 255;
    if (a == EOF || r == EOF)
        return 0xFF000000u;
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
}

}  // namespace

bool FgetcLoadBmp(const char* path, PeerImage& out) {
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    Skip(f, 10);
    uint32_t offset = GetU32(f);
    Skip(f, 4);
    int32_t width = int32_t(GetU32(f)), fileHeight = int32_t(GetU32(f));
    Skip(f, 2);
    uint32_t bits = GetU16(f);
    Skip(f, long(offset) - 30);
    int32_t height = fileHeight < 0 ? -fileHeight : fileHeight;
    if (bits != 24 || width <= 0 || height <= 0) {
        std::fclose(f);
        return false;
    }
    out.width = width;
    out.height = height;
    out.pixels.assign(size_t(width) * size_t(height), 0);
    long pad = (4 - (width * 3) % 4) % 4;
    for (int32_t r = 0; r < height; r++) {
        int32_t row = fileHeight > 0 ? height - 1 - r : r;
        uint32_t* line = out.pixels.data() + size_t(row) * size_t(width);
        for (int32_t x = 0; x < width; x++)
            line[x] = GetPixel(f, 3);
        Skip(f, pad);
    }
    std::fclose(f);
    return true;
}

bool FgetcLoadTga(const char* path, PeerImage& out) {
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    int idLength = std::fgetc(f);
    Skip(f, 11);
    int32_t width = int32_t(GetU16(f)), height = int32_t(GetU16(f));
    int depth = std::fgetc(f), descriptor = std::fgetc(f);
    Skip(f, idLength);
    if ((depth != 24 && depth != 32) || width <= 0 || height <= 0) {
        std::fclose(f);
        return false;
    }
    out.width = width;
    out.height = height;
    out.pixels.assign(size_t(width) * size_t(height), 0);
    int origin = descriptor >> 4 & 3;
    for (int32_t r = 0; r < height; r++) {
        int32_t row = origin < 2 ? height - 1 - r : r;
        uint32_t* line = out.pixels.data() + size_t(row) * size_t(width);
        for (int32_t x = 0; x < width; x++) {
            int32_t column = (origin & 1) ? width - 1 - x : x;
            line[column] = GetPixel(f, depth / 8);
        }
    }
    std::fclose(f);
    return true;
}

bool StbLoad(const char* path, PeerImage& out) {
    int w = 0, h = 0, n = 0;
    unsigned char* data = stbi_load(path, &w, &h, &n, 4);
    if (!data)
        return false;
    out.width = w;
    out.height = h;
    out.pixels.resize(size_t(w) * size_t(h));
    std::memcpy(out.pixels.data(), data, out.pixels.size() * 4);
    stbi_image_free(data);
    return true;
}

bool SdlLoadBmp(const char* path, PeerImage& out) {
    SDL_Surface* loaded = SDL_LoadBMP(path);
    if (!loaded)
        return false;
    SDL_PixelFormat rgba{};
    rgba.BitsPerPixel = 32;
    rgba.BytesPerPixel = 4;
    rgba.Rmask = 0x000000FFu;
    rgba.Gmask = 0x0000FF00u;
    rgba.Bmask = 0x00FF0000u;
    rgba.Amask = 0xFF000000u;
    rgba.Gshift = 8;
    rgba.Bshift = 16;
    rgba.Ashift = 24;
    rgba.alpha = 255;
    SDL_Surface* converted = SDL_ConvertSurface(loaded, &rgba, SDL_SWSURFACE);
    SDL_FreeSurface(loaded);
    if (!converted)
        return false;
    out.width = converted->w;
    out.height = converted->h;
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int32_t y = 0; y < out.height; y++)
        std::memcpy(out.pixels.data() + size_t(y) * out.width,
                    static_cast<uint8_t*>(converted->pixels) + size_t(y) * converted->pitch,
                    size_t(out.width) * 4);
    SDL_FreeSurface(converted);
    return true;
}

bool FreadWholeFile(const char* path, std::vector<uint8_t>& buffer) {
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    bool ok = std::fread(buffer.data(), 1, buffer.size(), f) == buffer.size();
    std::fclose(f);
    return ok;
}

bool ByteWriterSaveBmp(const char* path, const uint8_t* capture, int32_t width, int32_t height) {
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    uint32_t image = uint32_t(width) * uint32_t(height) * 3;
    const uint32_t fields[] = {54 + image, 0, 54, 40, uint32_t(width), uint32_t(height)};
    std::fputc('B', f);
    std::fputc('M', f);
    for (uint32_t v : fields)
        for (int i = 0; i < 4; i++)
            std::fputc(int(v >> (8 * i) & 0xFF), f);
    const uint32_t rest[] = {1 | 24u << 16, 0, image, 0, 0, 0, 0};
    for (uint32_t v : rest)
        for (int i = 0; i < 4; i++)
            std::fputc(int(v >> (8 * i) & 0xFF), f);
    size_t pixels = size_t(width) * size_t(height);
    for (size_t p = 0; p < pixels; p++) {
        std::fputc(capture[p * 4 + 2], f);
        std::fputc(capture[p * 4 + 1], f);
        std::fputc(capture[p * 4 + 0], f);
    }
    return std::fclose(f) == 0;
}

bool StbWriteBmp(const char* path, const uint8_t* rgbCapture, int32_t width, int32_t height) {
    stbi_flip_vertically_on_write(1);
    return stbi_write_bmp(path, width, height, 3, rgbCapture) != 0;
}

int ReaddirCount(const char* directory) {
    DIR* dir = opendir(directory);
    if (!dir)
        return -1;
    int count = 0;
    while (readdir(dir))
        count++;
    closedir(dir);
    return count;
}

namespace {
int PlainFileFilter(const struct dirent* entry) {
    return entry->d_type == DT_REG;
}
}  // namespace

int ScandirAlphasort(const char* directory) {
    struct dirent** names = nullptr;
    int count = scandir(directory, &names, PlainFileFilter, alphasort);
    for (int i = 0; i < count; i++)
        std::free(names[i]);
    std::free(names);
    return count;
}

bool PlainOverwrite(const char* path, const uint8_t* bytes, size_t size) {
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
