// The parameter block of the engine's own filter library. Every call of the
// entry routines fills it in full; the filters read it (and a few write their
// derived weights back into it).
#pragma once
#include <cstdint>

struct OwnFilterParams {
    uint8_t *filterTarget;  // image written (RGBA32)
    uint8_t *filterSource;  // image read when filterKeep is 0
    int32_t filterBottom;   // work rectangle, inclusive: height - 1
    int32_t filterRight;    // width - 1
    int32_t filterTop;      // 0
    int32_t filterLeft;     // 0
    int32_t filterHeight;
    int32_t filterWidth;
    int32_t filterStride;  // row stride in bytes (width * 4)
    int32_t filterP10;
    double filterBlue;   // p19 / 255
    double filterGreen;  // p18 / 255
    double filterRed;    // p17 / 255
    int32_t filterP9;
    uint8_t filterP16;  // switches: low bytes of p16 .. p11
    uint8_t filterP15;
    uint8_t filterP14;
    uint8_t filterP13;
    uint8_t filterP12;
    uint8_t filterP11;
    double filterP8;  // per-mille parameters as fractions: p8 .. p3 times 0.001
    double filterP7;
    double filterP6;
    double filterP5;
    double filterP4;
    double filterP3;
    int32_t filterP2;
};
