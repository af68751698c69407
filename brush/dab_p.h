// Internals shared by the dab renderer's translation units: the per-dab
// context every row kernel reads, and the plain-brush row kernels.
#pragma once
#include <cstddef>
#include <cstdint>

#include "brush/mix_codes.h"

// How a pixel is composited with the target.
enum class DabPath { kPaintOver, kMultiply, kMix };

struct DabContext {
    // Geometry
    int x0c, x1c, y0c, y1c;  // clipped canvas rectangle, exclusive ends, clipped to the target buffer
    int skipX, skipY;
    int S;  // maxBrushSize: row distance of shape and grain
    int brushSize;
    int half;  // brushSize / 2
    const int32_t *scaleMap;
    int mapSkipX;  // scaleMap[skipX]

    // Buffers
    uint16_t *target;
    size_t targetStride;
    const uint8_t *texture;  // null without texture
    const uint16_t *mask;    // null while the mask is inactive
    int W;                   // row distance of texture and mask
    const uint16_t *shape;
    const uint8_t *grit;  // null when grain is off
    uint32_t density;
    uint16_t *blend;  // selected blend buffer; null without pick-up
    size_t blendStride;

    // Switches
    bool pickup;  // paint colour from the blend buffer
    bool direct;  // mask scales the coverage (else it is an alpha ceiling)
    bool erase;
    bool remix;
    bool imageBrush;
    bool solid;
    bool rotate;
    bool colorLocked;
    bool blobLocked;
    bool writeAlpha;  // the target's alpha may change (outside erasing)
    bool alphaScaled;
    uint32_t alphaFactor;
    uint32_t alphaLevel;  // 0 = use the computed alpha
    int code;             // effective mix code (unlisted codes above 33 run as 32)
    DabPath path;
    float rotSin, rotCos;

    // Colour
    int32_t R, G, B, A;      // the dab colour
    int32_t p;               // primary colour strength (0 = none)
    int32_t pR, pG, pB, pA;  // p times the dab colour
    uint32_t bs;             // blend strength
    uint32_t mixAmount, mixAmountComplement;
    MixParams mix;

    // Per-pixel variation
    const uint8_t *colorTable;
    int colorTableLen;
    int32_t P;  // pixColorVary (0 = off)
    const uint8_t *lumTable;
    int lumTableLen;
    int32_t Lv;  // pixLumVary (0 = off)

    // Plain-brush kernels: set by PlainRowKernel.
    bool plainIdentityMap;  // scaleMap[k] == k over the dab's columns, all inside the brush
};

using RowFn = void (*)(const DabContext &, int);

// The plain brush (paint over with the dab colour; no pick-up, rotation,
// per-pixel variation or erasing) has its own row kernels, all giving exactly
// the result of the general row kernel. PlainRowKernel picks the kernel the
// fast-path setting and the processor allow for this dab, or null when the
// general kernel must run.
RowFn PlainRowKernel(DabContext &c);

// The scalar plain kernel and the vector ones (SSE2 on every x86-64
// processor, AVX2 where the processor has it; elsewhere both run the scalar
// kernel). The vector kernels take the dabs PlainRowVectorUsable accepts.
void PlainRowScalar(const DabContext &c, int y);
bool PlainRowVectorUsable(const DabContext &c);
void PlainRowSse2(const DabContext &c, int y);
void PlainRowAvx2(const DabContext &c, int y);

// The vector kernels' exact division on 16 lanes: q = min(65535, (K << 16) / na)
// for na >= 1. The AVX2 one only when DabVectorKernelAvailable() says so;
// tests check both against integer division.
void PlainDivide16Sse2(const uint16_t *K, const uint16_t *na, uint16_t *q);
void PlainDivide16Avx2(const uint16_t *K, const uint16_t *na, uint16_t *q);
