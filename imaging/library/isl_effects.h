// The effects of the image-script library: one kernel per effect number,
// working in place on a blue-green-red-alpha image with packed rows.
#pragma once
#include <cstdint>

#include "imaging/library/isl.h"

struct ISLImage {
    uint8_t *pixels;  // 4 bytes per pixel: blue, green, red, alpha
    int width;
    int height;
};

using ISLEffectKernel = void (*)(ISLImage &image, const int32_t *params);

struct ISLEffectInfo {
    int number;
    const char *name;
    ISLEffectKernel run;
    int32_t defaults[kISLParamCount];
};

// The effect of that number, or null.
const ISLEffectInfo *ISLFindEffect(int number);

// The library's own random generator (independent of the engine's, so that
// scripts never disturb painting): a 32-bit linear congruential generator,
// state * 1664525 + 1013904223, returning the top 16 bits.
struct ISLRandom {
    uint32_t state;
    uint32_t Next16() {
        state = state * 1664525u + 1013904223u;
        return state >> 16;
    }
    // A value in [0, 1).
    float Unit() { return static_cast<float>(Next16()) * (1.0f / 65536.0f); }
};
