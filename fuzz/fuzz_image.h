// The body both texture-loader targets share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

typedef bool (*ImageReader)(FILE* file, int32_t slot, int32_t mipmap);

// Reads the bytes into a slot twice (plain, then mipmapped with its chain
// computed) and checks that a rejected file leaves the slot as it was and an
// accepted one gives a whole image of an allowed size. `width` and `height`
// are what the header claims (negative heights as their size).
int FuzzImageReader(ImageReader read, const uint8_t* data, size_t size, int64_t width, int64_t height);

// Pixels a header may claim and still be fuzzed. Larger images the loaders
// accept (up to 2^26 pixels) cost a second each in fresh pages, and a corpus
// entry with one would slow every mutation of it to that pace; the unit tests
// load the largest sizes instead. Claims the loaders reject stay in: their
// check is what is being fuzzed.
constexpr int64_t FUZZ_MAX_PIXELS = int64_t(1) << 20;
