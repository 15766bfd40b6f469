// The body both texture-loader targets share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

typedef bool (*ImageReader)(FILE* file, int32_t slot, int32_t mipmap);

// Reads the bytes into a slot twice (plain, then mipmapped with its chain
// computed) and checks that a rejected file leaves the slot as it was and an
// accepted one gives a whole image of an allowed size.
int FuzzImageReader(ImageReader read, const uint8_t* data, size_t size);
