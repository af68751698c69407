// The dab renderer, the engine's innermost loop.
//
// Fixed-point rules of this file: every per-pixel value is an unsigned 32-bit
// integer unless marked; shifts truncate; divisions are unsigned and truncate;
// "clamp" limits to 0..65535. The only floating point per pixel is the
// lightness shift (single precision), the rotation (single precision) and the
// soft-light mix code (double precision).
//
// Everything that does not depend on the pixel is decided once per dab in
// DabContext; the row kernel is instantiated per compositing family and
// pick-up state so the per-pixel code carries no dead branches.
#include "brush/dab.h"

#include <algorithm>
#include <cstring>

#include "brush/mix_codes.h"
#include "core/engine_state.h"
#include "core/random.h"
#include "undo/dirty_rect.h"

namespace {

bool g_dabParallel = true;

// How a pixel is composited with the target.
enum class Path { kPaintOver, kMultiply, kMix };

struct DabContext {
    // Geometry
    int x0c, x1c, y0c, y1c;  // clipped canvas rectangle, exclusive ends, clipped to the target buffer
    int skipX, skipY;
    int S;                   // maxBrushSize: row distance of shape and grain
    int brushSize;
    int half;                // brushSize / 2
    const int32_t *scaleMap;
    int mapSkipX;            // scaleMap[skipX]

    // Buffers
    uint16_t *target;
    size_t targetStride;
    const uint8_t *texture;  // null without texture
    const uint16_t *mask;    // null while the mask is inactive
    int W;                   // row distance of texture and mask
    const uint16_t *shape;
    const uint8_t *grit;     // null when grain is off
    uint32_t density;
    uint16_t *blend;         // selected blend buffer; null without pick-up
    size_t blendStride;

    // Switches
    bool pickup;     // paint colour from the blend buffer
    bool direct;     // mask scales the coverage (else it is an alpha ceiling)
    bool erase;
    bool remix;
    bool imageBrush;
    bool solid;
    bool rotate;
    bool colorLocked;
    bool blobLocked;
    bool writeAlpha; // the target's alpha may change (outside erasing)
    bool alphaScaled;
    uint32_t alphaFactor;
    uint32_t alphaLevel;  // 0 = use the computed alpha
    int code;             // effective mix code (unlisted codes above 33 run as 32)
    Path path;
    float rotSin, rotCos;

    // Colour
    int32_t R, G, B, A;       // the dab colour
    int32_t p;                // primary colour strength (0 = none)
    int32_t pR, pG, pB, pA;   // p times the dab colour
    uint32_t bs;              // blend strength
    uint32_t mixAmount, mixAmountComplement;
    MixParams mix;

    // Per-pixel variation
    const uint8_t *colorTable;
    int colorTableLen;
    int32_t P;                // pixColorVary (0 = off)
    const uint8_t *lumTable;
    int lumTableLen;
    int32_t Lv;               // pixLumVary (0 = off)
};

inline uint32_t Clamp16(int32_t v) { return v < 0 ? 0u : (v > 65535 ? 65535u : static_cast<uint32_t>(v)); }
inline uint32_t Clamp16(int64_t v) { return v < 0 ? 0u : (v > 65535 ? 65535u : static_cast<uint32_t>(v)); }

// The per-pixel lightness shift of a channel C by the lightness byte u:
// f = ((128 - (L >> 1)) + (u % L)) / 256 in single precision; above 0.5 the
// channel moves towards white by (f - 0.5) * 2, otherwise towards black.
inline float LumFactor(int32_t Lv, uint32_t u) {
    return static_cast<float>((128 - (Lv >> 1)) + static_cast<int32_t>(u % static_cast<uint32_t>(Lv))) *
           (1.0f / 256.0f);
}

inline uint32_t LumShift(float f, uint32_t C) {
    float v;
    if (f > 0.5f) {
        const float t = (f - 0.5f) * 2.0f;
        v = static_cast<float>(65535u - C) * t + static_cast<float>(C);
    } else {
        const float t = (0.5f - f) * 2.0f;
        v = static_cast<float>(C) - static_cast<float>(C) * t;
    }
    // Ranges above 256 can push the factor outside 0..1.
    if (!(v > 0.0f)) return 0;
    if (v >= 65535.0f) return 65535;
    return static_cast<uint32_t>(v);
}

// The per-pixel colour shift q = ((P with bit 0 cleared) - 2 * (v % P)) * 128.
inline int32_t ColorShift(int32_t P, uint32_t v) {
    return ((P & ~1) - 2 * static_cast<int32_t>(v % static_cast<uint32_t>(P))) * 128;
}

// Variation table cursor of one row: start drawn from the row thread's
// generator, advanced by every pixel that reaches the colour step.
struct TableCursor {
    const uint8_t *data;
    int len;
    int pos;
    inline uint32_t Next() {
        const uint32_t v = data[pos];
        if (++pos == len) pos = 0;
        return v;
    }
};

template <Path kPath, bool kPickup, bool kRotate, bool kVary>
void DabRow(const DabContext &c, int y) {
    const int yi = y - c.y0c + c.skipY;
    const int by = c.scaleMap[yi];
    TableCursor colorCur{c.colorTable, c.colorTableLen, 0};
    TableCursor lumCur{c.lumTable, c.lumTableLen, 0};
    if (c.P > 0) colorCur.pos = EngineRand() % c.S;
    if (c.Lv > 0) lumCur.pos = EngineRand() % c.S;
    if (static_cast<unsigned>(by) >= static_cast<unsigned>(c.brushSize)) return;

    uint16_t *t = c.target + c.targetStride * static_cast<size_t>(y) + 4 * static_cast<size_t>(c.x0c);
    const size_t rowOff = static_cast<size_t>(y) * static_cast<size_t>(c.W) + static_cast<size_t>(c.x0c);
    const uint8_t *tex = c.texture != nullptr ? c.texture + rowOff : nullptr;
    const uint16_t *mrow = c.mask != nullptr ? c.mask + rowOff : nullptr;
    const int32_t *colMap = c.scaleMap - c.x0c;
    const int vRot = by - c.half;
    const float vSin = static_cast<float>(vRot) * c.rotSin;
    const float vCos = static_cast<float>(vRot) * c.rotCos;
    const size_t shapeRow = static_cast<size_t>(by) * c.S;

    for (int x = c.x0c; x < c.x1c; ++x, t += 4) {
        int bx = c.mapSkipX + colMap[x];
        size_t index;
        int pbx = bx, pby = by;  // blend-buffer position
        if constexpr (kRotate) {
            const int u = bx - c.half;
            const int rx = static_cast<int>(static_cast<float>(u) * c.rotCos - vSin) + c.half;
            const int ry = static_cast<int>(static_cast<float>(u) * c.rotSin + vCos) + c.half;
            if (static_cast<unsigned>(rx) < static_cast<unsigned>(c.brushSize) &&
                static_cast<unsigned>(ry) < static_cast<unsigned>(c.brushSize)) {
                pbx = rx;
                pby = ry;
                index = static_cast<size_t>(ry) * c.S + rx;
            } else {
                if (static_cast<unsigned>(bx) >= static_cast<unsigned>(c.brushSize)) continue;
                index = shapeRow + bx;
            }
        } else {
            // A downscaled dab can map its last column one past the brush.
            if (static_cast<unsigned>(bx) >= static_cast<unsigned>(c.brushSize)) continue;
            index = shapeRow + bx;
        }

        // 1. Grain
        if (c.grit != nullptr && c.grit[index] > c.density) continue;

        // 2. Coverage
        uint32_t w = c.shape[index];
        if (c.alphaScaled) w = (w * c.alphaFactor) >> 7;
        if (tex != nullptr) {
            const uint32_t tv = tex[x - c.x0c];
            if (tv < 255u) w = (tv * w) >> 8;
        }
        uint32_t ceiling = 65535u;
        if (mrow != nullptr) {
            const uint32_t M = mrow[x - c.x0c];
            if (c.direct) {
                if (M < 65535u) w = (M * w) >> 16;
            } else {
                ceiling = M;
            }
        }
        if (w == 0) continue;
        if (c.solid) w = 65535u;

        // 3. Paint colour
        uint32_t s[3], a;
        uint16_t *bp = nullptr;
        if constexpr (!kPickup) {
            int32_t r = c.R, g = c.G, b = c.B, aa = c.A;
            if (kVary && c.P > 0) {
                const int32_t q = ColorShift(c.P, colorCur.Next());
                r = static_cast<int32_t>(Clamp16(c.R + q));
                g = static_cast<int32_t>(Clamp16(c.G + q));
                b = static_cast<int32_t>(Clamp16(c.B + q));
                aa = static_cast<int32_t>(Clamp16(c.A + q));
            }
            s[0] = static_cast<uint32_t>(r);
            s[1] = static_cast<uint32_t>(g);
            s[2] = static_cast<uint32_t>(b);
            a = static_cast<uint32_t>(aa);
            if (kVary && c.Lv > 0) {
                // The lightness shift starts from the dab colour, not the shifted one.
                const float f = LumFactor(c.Lv, lumCur.Next());
                s[0] = LumShift(f, static_cast<uint32_t>(c.R));
                s[1] = LumShift(f, static_cast<uint32_t>(c.G));
                s[2] = LumShift(f, static_cast<uint32_t>(c.B));
            }
        } else {
            bp = c.blend + static_cast<size_t>(pby) * c.blendStride + 4 * static_cast<size_t>(pbx);
            s[0] = bp[0];
            s[1] = bp[1];
            s[2] = bp[2];
            a = bp[3];
            if (c.imageBrush && a < 65535u) {
                w = (w * a) >> 16;
                a = 65535u;
                if (w == 0) w = 1;
            }
            if (kVary && c.P > 0) {
                const int32_t q = ColorShift(c.P, colorCur.Next());
                for (int i = 0; i < 3; ++i) s[i] = Clamp16(static_cast<int32_t>(s[i]) + q);
            }
            if (kVary && c.Lv > 0) {
                const float f = LumFactor(c.Lv, lumCur.Next());
                for (int i = 0; i < 3; ++i) s[i] = LumShift(f, s[i]);
            }
            if (c.p > 0) {
                const int64_t ip = 256 - c.p;
                s[0] = Clamp16((ip * s[0] + c.pR) >> 8);
                s[1] = Clamp16((ip * s[1] + c.pG) >> 8);
                s[2] = Clamp16((ip * s[2] + c.pB) >> 8);
                a = Clamp16((ip * a + c.pA) >> 8);
            }
        }

        // 4. Compositing
        uint32_t d[3] = {t[0], t[1], t[2]};
        const uint32_t da = t[3];
        uint32_t n[3];
        uint32_t na;
        if constexpr (kPath != Path::kMix) {
            if (da == 0) {
                n[0] = s[0];
                n[1] = s[1];
                n[2] = s[2];
                na = (w * a) >> 16;
            } else if (kPickup && kPath == Path::kPaintOver) {
                // Smudge: weighted average with the target.
                const uint32_t iw = 65536u - w;
                na = (((iw * da) >> 8) + ((w * a) >> 8)) >> 8;
                for (int i = 0; i < 3; ++i)
                    n[i] = a == 0 ? d[i] : (((iw * d[i]) >> 8) + ((w * s[i]) >> 8)) >> 8;
            } else if (c.erase) {
                na = ((65535u - w) * da) >> 16;
                n[0] = d[0];
                n[1] = d[1];
                n[2] = d[2];
            } else if constexpr (kPath == Path::kPaintOver) {
                // Paint over: both terms are kept to their high 16 bits before
                // the division by the new alpha.
                const uint32_t e = (w * a) >> 16;
                const uint32_t ei = 65535u - e;
                if (da == 65535u) {
                    // Opaque target: na = 65535, a constant divisor the
                    // compiler turns into a multiplication.
                    na = 65535u;
                    for (int i = 0; i < 3; ++i) {
                        const uint32_t v =
                            (((ei * ((d[i] * 65535u) >> 16)) & 0xFFFF0000u) + ((e * s[i]) & 0xFFFF0000u)) / 65535u;
                        n[i] = v > 65535u ? 65535u : v;
                    }
                } else {
                    na = (((65535u - da) * e) >> 16) + da;
                    for (int i = 0; i < 3; ++i) {
                        const uint32_t v =
                            (((ei * ((d[i] * da) >> 16)) & 0xFFFF0000u) + ((e * s[i]) & 0xFFFF0000u)) / na;
                        n[i] = v > 65535u ? 65535u : v;
                    }
                }
            } else {
                // Multiply.
                const uint32_t e = (w * a) / 65535u;
                const uint32_t ei = 65535u - e;
                const uint32_t ida = 65535u - da;
                na = (ida * e) / 65535u + da;
                for (int i = 0; i < 3; ++i) {
                    const uint32_t sS = (e * s[i]) >> 16;
                    const uint32_t dD = (d[i] * da) >> 16;
                    const uint32_t v = ((ei * dD) / 65535u + (ida * sS) / 65535u + (dD * sS) / 65535u) * 65535u / na;
                    n[i] = v > 65535u ? 65535u : v;
                }
            }
        } else {
            // 4.1 Pre-tint a partly transparent target towards the paint colour.
            if (da == 0) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else if (da < 65535u) {
                uint32_t k = 3u * (((65535u - da) * w) >> 16);
                if (k > 65535u) k = 65535u;
                for (int i = 0; i < 3; ++i) d[i] = ((((65535u - k) * d[i]) >> 8) + ((k * s[i]) >> 8)) >> 8;
            }
            // 4.2
            if (c.erase) a = 0;
            na = a;
            // 4.3 Transform
            n[0] = s[0];
            n[1] = s[1];
            n[2] = s[2];
            if (c.code == 253 || c.code == 254) (void)EngineRand();
            uint32_t grey;
            switch (ApplyMixCode(c.code, n, d, c.mix, grey)) {
            case MixOutcome::kCanvasPixel:
                n[0] = d[0];
                n[1] = d[1];
                n[2] = d[2];
                na = da;
                break;
            case MixOutcome::kGrey:
                d[0] = d[1] = d[2] = 32767u;
                na = grey;
                break;
            case MixOutcome::kPosterized: break;
            case MixOutcome::kColour:
                // 4.4 Strength
                for (int i = 0; i < 3; ++i)
                    n[i] = (((c.mixAmountComplement * s[i]) >> 4) + ((n[i] * c.mixAmount) >> 4)) >> 4;
                break;
            }
            // 4.5 Coverage
            if (w < 65535u) {
                const uint32_t iw = 65536u - w;
                na = (((na * w) >> 8) + ((iw * da) >> 8)) >> 8;
                for (int i = 0; i < 3; ++i) {
                    const uint32_t v = ((((n[i] * w) >> 8) + ((iw * d[i]) >> 8)) >> 8) + 1;
                    n[i] = v > 65535u ? 65535u : v;
                }
            }
        }

        // 5. Pick-up remix from the target as it was (pre-tinted on the mix path).
        if (kPickup && c.remix) {
            const uint32_t bs = c.bs;
            const uint32_t ibs = 256u - bs;
            if (a == 0) {
                bp[0] = static_cast<uint16_t>(d[0]);
                bp[1] = static_cast<uint16_t>(d[1]);
                bp[2] = static_cast<uint16_t>(d[2]);
                bp[3] = static_cast<uint16_t>((da * ibs) >> 8);
            } else if (da == 0) {
                bp[3] = static_cast<uint16_t>((a * bs) >> 8);
                bp[0] = static_cast<uint16_t>(s[0]);
                bp[1] = static_cast<uint16_t>(s[1]);
                bp[2] = static_cast<uint16_t>(s[2]);
            } else {
                for (int i = 0; i < 3; ++i) {
                    const uint32_t v = ((d[i] * ibs + bs * s[i]) >> 8) + 1;
                    bp[i] = static_cast<uint16_t>(v > 65535u ? 65535u : v);
                }
                bp[3] = static_cast<uint16_t>((a * bs + da * ibs) >> 8);
            }
        }

        // 6. Write-back
        if (c.erase) {
            if (!c.blobLocked) {
                t[3] = static_cast<uint16_t>(na);
            } else if (da > 8191u) {
                t[3] = static_cast<uint16_t>(na > 9216u ? na : 9216u);
            }
            continue;
        }
        if (!c.colorLocked) {
            t[0] = static_cast<uint16_t>(n[0]);
            t[1] = static_cast<uint16_t>(n[1]);
            t[2] = static_cast<uint16_t>(n[2]);
        }
        if (c.writeAlpha && (!c.blobLocked || (da > 8191u && na > 8191u))) {
            uint32_t v = c.alphaLevel > 0 ? c.alphaLevel : na;
            if (v > ceiling) v = ceiling;
            t[3] = static_cast<uint16_t>(v > 65535u ? 65535u : v);
        }
    }
}

// The plain brush: paint over with the dab colour, no pick-up, rotation,
// variation or erasing. Same arithmetic as DabRow<kPaintOver, false, false,
// false>, with the dab colour constant per dab and every value in registers.
void PlainRow(const DabContext &c, int y) {
    const int by = c.scaleMap[y - c.y0c + c.skipY];
    if (static_cast<unsigned>(by) >= static_cast<unsigned>(c.brushSize)) return;
    uint16_t *t = c.target + c.targetStride * static_cast<size_t>(y) + 4 * static_cast<size_t>(c.x0c);
    const size_t rowOff = static_cast<size_t>(y) * static_cast<size_t>(c.W) + static_cast<size_t>(c.x0c);
    const uint8_t *tex = c.texture != nullptr ? c.texture + rowOff : nullptr;
    const uint16_t *mrow = c.mask != nullptr ? c.mask + rowOff : nullptr;
    const int32_t *map = c.scaleMap;  // column x reads brush column scaleMap[skipX] + scaleMap[x - x0c]
    const uint16_t *shape = c.shape + static_cast<size_t>(by) * c.S + c.mapSkipX;
    const uint8_t *grit = c.grit != nullptr ? c.grit + static_cast<size_t>(by) * c.S + c.mapSkipX : nullptr;
    const uint32_t R = static_cast<uint32_t>(c.R), G = static_cast<uint32_t>(c.G), B = static_cast<uint32_t>(c.B);
    const uint32_t A = static_cast<uint32_t>(c.A);
    const uint32_t density = c.density;
    const unsigned limit = static_cast<unsigned>(c.brushSize - c.mapSkipX);
    const bool alphaScaled = c.alphaScaled, direct = c.direct, solid = c.solid;
    const bool colorLocked = c.colorLocked, blob = c.blobLocked, writeAlpha = c.writeAlpha;
    const uint32_t alphaFactor = c.alphaFactor, alphaLevel = c.alphaLevel;
    const int n = c.x1c - c.x0c;
    for (int k = 0; k < n; ++k, t += 4) {
        const unsigned bx = static_cast<unsigned>(map[k]);
        if (bx >= limit) continue;
        if (grit != nullptr && grit[bx] > density) continue;
        uint32_t w = shape[bx];
        if (alphaScaled) w = (w * alphaFactor) >> 7;
        if (tex != nullptr && tex[k] < 255u) w = (tex[k] * w) >> 8;
        uint32_t ceiling = 65535u;
        if (mrow != nullptr) {
            const uint32_t M = mrow[k];
            if (direct) {
                if (M < 65535u) w = (M * w) >> 16;
            } else {
                ceiling = M;
            }
        }
        if (w == 0) continue;
        if (solid) w = 65535u;
        const uint32_t dr = t[0], dg = t[1], db = t[2], da = t[3];
        uint32_t nr, ng, nb, na;
        if (da == 0) {
            nr = R, ng = G, nb = B;
            na = (w * A) >> 16;
        } else {
            const uint32_t e = (w * A) >> 16;
            const uint32_t ei = 65535u - e;
            const uint32_t er = (e * R) & 0xFFFF0000u, eg = (e * G) & 0xFFFF0000u, eb = (e * B) & 0xFFFF0000u;
            if (da == 65535u) {
                na = 65535u;
                nr = ((ei * ((dr * 65535u) >> 16)) & 0xFFFF0000u) + er;
                ng = ((ei * ((dg * 65535u) >> 16)) & 0xFFFF0000u) + eg;
                nb = ((ei * ((db * 65535u) >> 16)) & 0xFFFF0000u) + eb;
                nr /= 65535u, ng /= 65535u, nb /= 65535u;
            } else {
                na = (((65535u - da) * e) >> 16) + da;
                nr = (((ei * ((dr * da) >> 16)) & 0xFFFF0000u) + er) / na;
                ng = (((ei * ((dg * da) >> 16)) & 0xFFFF0000u) + eg) / na;
                nb = (((ei * ((db * da) >> 16)) & 0xFFFF0000u) + eb) / na;
            }
            nr = nr > 65535u ? 65535u : nr;
            ng = ng > 65535u ? 65535u : ng;
            nb = nb > 65535u ? 65535u : nb;
        }
        if (!colorLocked) {
            t[0] = static_cast<uint16_t>(nr);
            t[1] = static_cast<uint16_t>(ng);
            t[2] = static_cast<uint16_t>(nb);
        }
        if (writeAlpha && (!blob || (da > 8191u && na > 8191u))) {
            uint32_t v = alphaLevel > 0 ? alphaLevel : na;
            if (v > ceiling) v = ceiling;
            t[3] = static_cast<uint16_t>(v > 65535u ? 65535u : v);
        }
    }
}

using RowFn = void (*)(const DabContext &, int);

template <Path kPath, bool kPickup>
RowFn PickRowFlags(const DabContext &c) {
    const bool vary = c.P > 0 || c.Lv > 0;
    if (c.rotate) return vary ? DabRow<kPath, kPickup, true, true> : DabRow<kPath, kPickup, true, false>;
    return vary ? DabRow<kPath, kPickup, false, true> : DabRow<kPath, kPickup, false, false>;
}

RowFn PickRow(const DabContext &c) {
    if (c.path == Path::kPaintOver && !c.pickup && !c.rotate && !c.erase && c.P <= 0 && c.Lv <= 0) return PlainRow;
    switch (c.path) {
    case Path::kPaintOver:
        return c.pickup ? PickRowFlags<Path::kPaintOver, true>(c) : PickRowFlags<Path::kPaintOver, false>(c);
    case Path::kMultiply:
        return c.pickup ? PickRowFlags<Path::kMultiply, true>(c) : PickRowFlags<Path::kMultiply, false>(c);
    case Path::kMix: return c.pickup ? PickRowFlags<Path::kMix, true>(c) : PickRowFlags<Path::kMix, false>(c);
    }
    return DabRow<Path::kPaintOver, false, false, false>;
}

// Runs the rows y0c..y1c-1: on the calling thread for 36 rows or fewer,
// otherwise on the worker pool with a static schedule (each worker one
// contiguous block). A remixing dab writes the blend-buffer row under each dab
// row; when a scaled-up dab maps several dab rows to one buffer row, those
// rows form one unit of the schedule so they stay on one thread and keep
// their order. A rotated remixing dab writes buffer pixels of other rows, so
// it runs on the calling thread.
void RunRows(const DabContext &c) {
    const RowFn row = PickRow(c);
    const int rows = c.y1c - c.y0c;
    bool parallel = g_dabParallel && rows > 35;
    const bool shared = c.pickup && c.remix;
    if (parallel && shared && c.rotate) parallel = false;
    if (!parallel) {
        for (int y = c.y0c; y < c.y1c; ++y) row(c, y);
        return;
    }
    // Unit boundaries: every row, or, with remix, where the buffer row changes.
    int starts[kScaleMapSize + 1];
    int units = 0;
    const int32_t *byOf = c.scaleMap + c.skipY - c.y0c;
    for (int y = c.y0c; y < c.y1c; ++y) {
        if (shared && y > c.y0c) {
            const int prev = byOf[y - 1];
            const int cur = byOf[y];
            if (cur == prev) continue;  // same buffer row: same unit
            if (cur < prev) {
                // A map that goes back could pair distant rows: stay serial.
                for (int yy = c.y0c; yy < c.y1c; ++yy) row(c, yy);
                return;
            }
        }
        starts[units++] = y;
    }
    starts[units] = c.y1c;
#pragma omp parallel for schedule(static)
    for (int u = 0; u < units; ++u)
        for (int y = starts[u]; y < starts[u + 1]; ++y) row(c, y);
}

// Picks a new grain table when the countdown has run out: a table other than
// the one in use, at a random offset of up to 24 rows and columns.
void ChangeGrainTable() {
    ToolState &tool = g_engine.tool;
    if (tool.gritCell == 0 || tool.gritCountdown >= 1) return;
    const int S = g_engine.maxBrushSize;
    const size_t tableBytes = static_cast<size_t>(S + 25) * static_cast<size_t>(S + 25);
    int inUse = -1;
    for (int k = 0; k < kGritTableCount; ++k) {
        if (tool.gritTables[k] == nullptr) return;  // no canvas: no grain to choose
        if (tool.currentGrit != nullptr && tool.currentGrit >= tool.gritTables[k] &&
            tool.currentGrit < tool.gritTables[k] + tableBytes)
            inUse = k;
    }
    int k;
    do {
        k = EngineRand() % kGritTableCount;
    } while (k == inUse);
    const int row = EngineRand() % 25;
    const int col = EngineRand() % 25;
    tool.currentGrit = tool.gritTables[k] + static_cast<size_t>(row) * S + col;
    tool.gritCountdown = tool.gritRepeat;
}

// The grain the renderer reads: null when grain is off. Before any table has
// been chosen the first table is read from its corner.
const uint8_t *ActiveGrain() {
    const ToolState &tool = g_engine.tool;
    if (tool.gritCell == 0) return nullptr;
    return tool.currentGrit != nullptr ? tool.currentGrit : tool.gritTables[0];
}

struct DabRect {
    int x0, y0, x0c, y0c, x1c, y1c, skipX, skipY;
};

DabRect MakeDabRect(int x, int y) {
    const int size = g_engine.tool.scaleSize;
    DabRect r;
    r.x0 = x - size / 2;
    r.y0 = y - size / 2;
    const int x1 = r.x0 + size;
    const int y1 = r.y0 + size;
    r.skipX = std::max(0, -r.x0);
    r.skipY = std::max(0, -r.y0);
    r.x0c = std::max(r.x0, 0);
    r.y0c = std::max(r.y0, 0);
    r.x1c = std::min(x1, g_engine.canvasWidth);
    r.y1c = std::min(y1, g_engine.canvasHeight);
    return r;
}

// Shape, scale map and size agree enough to index safely.
bool BrushUsable() {
    const ToolState &tool = g_engine.tool;
    return g_engine.brushShape != nullptr && tool.brushSize >= 1 && tool.brushSize <= g_engine.maxBrushSize &&
           tool.scaleSize >= 1 && tool.scaleSize <= kScaleMapSize - 1;
}

bool VariationTable(const RandByteTable &t, int32_t vary, int S) {
    return vary > 0 && t.data != nullptr && t.length >= S && S > 0;
}

void FillCommon(DabContext &c, const DabRect &r) {
    const ToolState &tool = g_engine.tool;
    const int S = g_engine.maxBrushSize;
    c.x0c = r.x0c;
    c.x1c = r.x1c;
    c.y0c = r.y0c;
    c.y1c = r.y1c;
    c.skipX = r.skipX;
    c.skipY = r.skipY;
    c.S = S;
    c.brushSize = tool.brushSize;
    c.half = tool.brushSize / 2;
    c.scaleMap = tool.scaleMap;
    c.mapSkipX = r.skipX < kScaleMapSize ? tool.scaleMap[r.skipX] : 0;
    c.W = g_engine.canvasWidth;
    c.texture = g_engine.textureMap;
    c.shape = g_engine.brushShape;
    c.grit = ActiveGrain();
    c.density = static_cast<uint32_t>(tool.density);
    c.solid = tool.solidMode != 0;
    c.rotate = tool.rotateMode == 1;
    c.rotSin = tool.rotateSin;
    c.rotCos = tool.rotateCos;
    c.alphaScaled = tool.alphaPercent < 100;
    c.alphaFactor = tool.alphaFactor > 0 ? static_cast<uint32_t>(tool.alphaFactor) : 0u;
    c.P = VariationTable(tool.pixColorTable, tool.pixColorVary, S) ? tool.pixColorVary : 0;
    c.colorTable = tool.pixColorTable.data;
    c.colorTableLen = tool.pixColorTable.length;
    c.Lv = VariationTable(tool.pixLumTable, tool.pixLumVary, S) ? tool.pixLumVary : 0;
    c.lumTable = tool.pixLumTable.data;
    c.lumTableLen = tool.pixLumTable.length;
    c.bs = static_cast<uint32_t>(std::clamp(tool.blendStrength, 0, 256));
    c.p = std::clamp(tool.blendPrimaryColorStrength, 0, 256);
    c.blendStride = static_cast<size_t>(g_engine.maxBrushStride);
}

// Grows the paint layer's extents by a dab rectangle (exclusive ends).
void ExtendPaintExtents(const DabRect &r) {
    LayerSlot &pl = g_engine.paintLayer;
    pl.extentMinX = std::min(pl.extentMinX, r.x0c);
    pl.extentMinY = std::min(pl.extentMinY, r.y0c);
    pl.extentMaxX = std::max(pl.extentMaxX, r.x1c);
    pl.extentMaxY = std::max(pl.extentMaxY, r.y1c);
}

}  // namespace

void SetDabParallel(int on) { g_dabParallel = on != 0; }

void DrawDab(int x, int y, int r, int g, int b) {
    ToolState &tool = g_engine.tool;
    // 1. The dab colour becomes the brush colour for everyone.
    tool.toolColor[0] = static_cast<uint16_t>(r & 0xFF00);
    tool.toolColor[1] = static_cast<uint16_t>(g & 0xFF00);
    tool.toolColor[2] = static_cast<uint16_t>(b & 0xFF00);
    tool.toolColor[3] = 65535;
    // 2.
    if (tool.maskMakerMode) {
        DrawDabMask(x, y);
        return;
    }
    // 3.
    const DabRect rect = MakeDabRect(x, y);
    // 4.
    const bool blendOn = tool.blendStrength != 0 && !tool.blendTempDisabled;
    const bool hasPaintLayer = g_engine.paintLayer.pixels != nullptr;
    DabContext c{};
    c.direct = blendOn || tool.eraseMode || !hasPaintLayer;
    c.erase = tool.eraseMode != 0;
    // 5. Dab colour with per-dab variation.
    int32_t R = tool.toolColor[0], G = tool.toolColor[1], B = tool.toolColor[2], A = 65535;
    if (tool.colorVary > 0) {
        const int32_t o = (tool.colorVary / 2 - EngineRand() % tool.colorVary) * 256;
        R = static_cast<int32_t>(Clamp16(R + o));
        G = static_cast<int32_t>(Clamp16(G + o));
        B = static_cast<int32_t>(Clamp16(B + o));
        A = static_cast<int32_t>(Clamp16(A + o));
    }
    if (c.erase) R = G = B = 65535, A = 0;
    // 6.
    ChangeGrainTable();
    // 8. Dirty rectangle and paint-layer extents.
    ExtendDirtyRect(rect.x0c, rect.y0c, rect.x1c, rect.y1c);
    if (hasPaintLayer) ExtendPaintExtents(rect);

    // The target: the paint layer, else the current layer.
    LayerSlot *target = hasPaintLayer ? &g_engine.paintLayer : g_engine.currentSlot;
    if (target != nullptr && target->pixels != nullptr && BrushUsable()) {
        FillCommon(c, rect);
        c.R = R, c.G = G, c.B = B, c.A = A;
        // 7. Premultiplied primary colour.
        c.pR = c.p * R, c.pG = c.p * G, c.pB = c.p * B, c.pA = c.p * A;
        c.x1c = std::min(c.x1c, target->width);
        c.y1c = std::min(c.y1c, target->height);
        c.target = target->pixels;
        c.targetStride = static_cast<size_t>(target->stride);
        c.mask = (g_engine.maskActive && g_engine.mask != nullptr) ? g_engine.mask : nullptr;
        BlendBuffer *buf = g_engine.currentBlendBuffer;
        c.pickup = blendOn && buf != nullptr && buf->pixels != nullptr;
        c.blend = c.pickup ? buf->pixels : nullptr;
        c.remix = c.pickup && tool.blendRemix != 0;
        c.imageBrush = tool.imageBrushMode != 0;
        c.colorLocked = tool.colorLocked != 0;
        c.blobLocked = tool.blobLocked != 0;
        const LayerSlot *cur = g_engine.currentSlot;
        c.writeAlpha = hasPaintLayer || (cur != nullptr && !cur->alphaLocked && !tool.alphaLocked &&
                                         g_engine.currentLayer > 1);
        c.alphaLevel = tool.alphaLevel > 0 ? static_cast<uint32_t>(tool.alphaLevel) : 0u;
        c.code = tool.mixCode;
        if (c.code > 33 && !MixCodeListed(c.code)) c.code = 32;
        c.path = c.code == 32 ? Path::kPaintOver : (c.code <= 33 ? Path::kMultiply : Path::kMix);
        c.mixAmount = static_cast<uint32_t>(std::clamp(tool.mixAmount, 0, 256));
        c.mixAmountComplement = static_cast<uint32_t>(std::clamp(tool.mixAmountComplement, 0, 256));
        c.mix = MixParams{tool.colorBanks, tool.toolColor, tool.posterizeShift};
        // 9.
        if (c.x0c < c.x1c && c.y0c < c.y1c) RunRows(c);
    }
    // 10.
    tool.blendTempDisabled = 0;
    tool.maskMakerMode = 0;
    tool.eraseMode = 0;
}

void DrawDabMask(int x, int y) {
    ToolState &tool = g_engine.tool;
    // 1. Target mask value from the brush colour by the grey rule.
    const uint32_t g = (static_cast<uint32_t>(tool.toolColor[0]) + tool.toolColor[1] + tool.toolColor[2]) / 3;
    int64_t m = g < 256u ? 65535 : (g > 65280u ? 0 : 65280 - static_cast<int64_t>(g));
    if (tool.colorVary > 0) {
        m += static_cast<int64_t>(tool.colorVary / 2 - EngineRand() % tool.colorVary) * 256;
        if (m < 0 || m > 65535) m = 65535;
    }
    if (tool.eraseMode) m = 65535;
    // 2.
    ChangeGrainTable();
    const int32_t p = std::clamp(tool.blendPrimaryColorStrength, 0, 256);
    const int64_t pm = p * m;
    // 3.
    const DabRect rect = MakeDabRect(x, y);
    ExtendDirtyRect(rect.x0c, rect.y0c, rect.x1c, rect.y1c);

    if (g_engine.mask != nullptr && BrushUsable()) {
        DabContext c{};
        FillCommon(c, rect);
        const bool blendOn = tool.blendStrength != 0 && !tool.blendTempDisabled;
        BlendBuffer *buf = g_engine.currentBlendBuffer;
        const bool pickup = blendOn && buf != nullptr && buf->pixels != nullptr;
        const bool remix = pickup && tool.blendRemix != 0;
        const int64_t pc = tool.blendPrimaryColorComplement;
        const uint32_t bsc = static_cast<uint32_t>(std::clamp(tool.blendStrengthComplement, 0, 256));
        const int32_t *colMap = c.scaleMap - c.x0c;
        for (int yy = c.y0c; yy < c.y1c; ++yy) {
            TableCursor colorCur{c.colorTable, c.colorTableLen, 0};
            TableCursor lumCur{c.lumTable, c.lumTableLen, 0};
            if (c.P > 0) colorCur.pos = EngineRand() % c.S;
            if (c.Lv > 0) lumCur.pos = EngineRand() % c.S;
            const int by = c.scaleMap[yy - c.y0c + c.skipY];
            if (static_cast<unsigned>(by) >= static_cast<unsigned>(c.brushSize)) continue;
            const int vRot = by - c.half;
            const float vSin = static_cast<float>(vRot) * c.rotSin;
            const float vCos = static_cast<float>(vRot) * c.rotCos;
            uint16_t *mrow = g_engine.mask + static_cast<size_t>(yy) * c.W;
            const uint8_t *tex = c.texture != nullptr ? c.texture + static_cast<size_t>(yy) * c.W : nullptr;
            for (int xx = c.x0c; xx < c.x1c; ++xx) {
                const int bx = c.mapSkipX + colMap[xx];
                int pbx = bx, pby = by;
                bool inside = static_cast<unsigned>(bx) < static_cast<unsigned>(c.brushSize);
                if (c.rotate) {
                    const int u = bx - c.half;
                    const int rx = static_cast<int>(static_cast<float>(u) * c.rotCos - vSin) + c.half;
                    const int ry = static_cast<int>(static_cast<float>(u) * c.rotSin + vCos) + c.half;
                    if (static_cast<unsigned>(rx) < static_cast<unsigned>(c.brushSize) &&
                        static_cast<unsigned>(ry) < static_cast<unsigned>(c.brushSize)) {
                        pbx = rx;
                        pby = ry;
                        inside = true;
                    }
                }
                if (!inside) continue;
                const size_t index = static_cast<size_t>(pby) * c.S + pbx;
                if (c.grit != nullptr && c.grit[index] > c.density) continue;
                uint32_t w = c.shape[index];
                if (c.alphaScaled) w = (w * c.alphaFactor) >> 7;
                if (tex != nullptr && tex[xx] < 255u) w = (tex[xx] * w) >> 8;
                if ((w & 0xFFFFu) == 0) continue;
                if (c.solid) w = 65535u;

                const uint32_t M = mrow[xx];
                uint16_t *bv = nullptr;
                int64_t v;
                if (pickup) {
                    // The mask copy keeps one value per pixel at j * maxBrushStride + i.
                    bv = buf->pixels + static_cast<size_t>(pby) * c.blendStride + pbx;
                    v = *bv;
                } else {
                    v = m;
                }
                if (c.P > 0) {
                    v += ColorShift(c.P, colorCur.Next());
                    if (v < 0 || v > 65535) v = 65535;
                }
                if (c.Lv > 0) v = LumShift(LumFactor(c.Lv, lumCur.Next()), static_cast<uint32_t>(v));
                if (pickup) {
                    if (p != 0) v = (pc * v + pm) >> 8;
                    v = Clamp16(v);
                    if (remix) {
                        const uint32_t nv = ((bsc * M + c.bs * static_cast<uint32_t>(v)) >> 8) + 1;
                        *bv = static_cast<uint16_t>(nv > 65535u ? 65535u : nv);
                    }
                }
                const uint32_t uv = static_cast<uint32_t>(v);
                mrow[xx] = static_cast<uint16_t>(((((65536u - w) * M) >> 8) + ((w * uv) >> 8)) >> 8);
            }
        }
    }
    // 5. Only the one-shot blend switch is cleared: mask making continues.
    tool.blendTempDisabled = 0;
}
