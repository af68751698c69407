// The view renderer. One pass per output pixel: for each canvas position the
// draw list is walked bottom to top into a small accumulator, then the trace
// image, the checkerboard and the mask overlay finish the pixel, which is
// written as blue, green, red bytes. Nothing is allocated; everything that
// does not depend on the pixel (the draw list, the stroke's options, the zoom
// path) is decided once per call, and the row pointers once per output row.
// The walk starts at the topmost opaque pixel of a plain Normal layer, since
// that pixel replaces whatever lies beneath it.
//
// CompositePosition is the plain reference: one position, one layer after the
// other. RenderChunk gives the same bytes for 64 positions of a row at a time,
// layer by layer across the positions, eight positions per AVX2 step or
// sixteen per AVX-512 step for the common layers (see "Batched path" below);
// the stroke in progress is merged into a copy of the layer's run by the merge
// row loop first. Tests compare every vector level with the reference.
//
// Arithmetic: each layer is combined the way CompositePixel combines a source
// with a destination (see composite_pixel.h for the fixed-point rules), except
// that the destination is the accumulator, which stays in floating point
// between layers:
// - a blend leaves the accumulator at the clamped Xca / Xa per channel and the
//   clamped Xa, never reduced to 16 bits or to the 65280 ceiling in between;
// - a pixel taken over unblended (over a transparent accumulator, or an opaque
//   Normal source) is kept as its 16-bit values; a later blend reads it as
//   channel / 65280 and alpha / 65535 (the Normal shortcut counts as 65535);
// - the transparent-destination test looks at the formula after the alpha-mode
//   transform, and a source whose alpha ends at 0 is still blended over a
//   non-transparent accumulator (with Sa = 0).
// The 16-bit result of a position is the taken-over pixel, or trunc(colour x
// 65280) and trunc(alpha x 65535) after a blend, or 0 when nothing was drawn.
#include "composite/render.h"

#include <omp.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <cstddef>
#include <cstring>

#include "composite/blend_formulas.h"
#include "composite/composite_pixel.h"
#include "composite/exact_scale_simd_p.h"
#include "composite/merge_normal_kernel.h"
#include "core/engine_state.h"

namespace {

constexpr int kMaxEntries = kLayerCount - 1;  // slots 1..271
constexpr int32_t kLastSkippableMode = 27;    // transparent pixels of modes up to 27 draw nothing
constexpr int32_t kTextureSourceMode = 26;    // "Texturize3": never drawn
constexpr int32_t kLayerMaskMode = 47;        // "Layer Mask": masks the entry below
constexpr int32_t kModeMultiplyId = 1;
constexpr uint32_t kCheckerLight = 65535;
constexpr uint32_t kCheckerDark = 40959;  // 0x9FFF: byte 159 after the blend
// Frames with fewer rows or pixels than this are rendered on the calling thread.
constexpr int32_t kParallelMinRows = 64;
constexpr int64_t kParallelMinPixels = 1 << 16;

// One drawn layer, with what the per-pixel loop needs.
struct DrawEntry {
    const uint16_t *pixels;
    int32_t columns;  // readable columns: the buffer width (pixels beyond read as transparent)
    int32_t rows;     // readable rows
    int32_t stride;   // in 16-bit values
    int32_t mode;
    int32_t opacity;
    bool alphaMode;     // 28..49: the alpha-mode transform runs
    bool skippable;     // mode up to 27: a transparent pixel draws nothing
    bool background;    // slot 1, first in the list: drawn opaque, never masked
    bool stroke;        // the current layer while a stroke is shown
    bool maskedByNext;  // the next entry is a "Layer Mask"
    bool canCover;      // Normal at full opacity, unmasked: an opaque pixel hides all below
};

// Everything decided once per call.
struct RenderSetup {
    DrawEntry entries[kMaxEntries];
    int count;
    uint32_t alphaLayerOpacity;
    // The stroke in progress.
    const uint16_t *paint;
    int32_t paintColumns, paintRows, paintStride;
    uint32_t paintPreFactor;  // paint pre-opacity + 1
    bool paintSkippable;      // paint mode up to 27: a transparent paint pixel changes nothing
    CompositeOptions paintOptions;
    // The merge row loop of the paint mode (null when it has none, or for a
    // paint mode above 27) and its opacity factor: the batched path merges
    // the stroke into a copy of a whole run of layer pixels with it.
    NormalRowFn strokeRow;
    uint32_t paintOp1;
    // The trace image (null unless tracing is on).
    const uint16_t *trace;
    int32_t traceColumns, traceRows, traceStride;
    // The mask overlay (null unless displayed and active).
    const uint16_t *mask;
    int32_t canvasWidth, canvasHeight;
    bool overlayHalf;
    uint32_t overlayColour[2][3];  // [square parity][blue, green, red]
};

// The rows one canvas position reads, set once per output row.
struct RowSources {
    const uint16_t *layer[kMaxEntries];  // null when the row lies outside the buffer
    const uint16_t *paint;
    const uint16_t *trace;
    const uint16_t *mask;
    int32_t cy;
};

enum class AccState : uint8_t { kEmpty, kTaken, kBlended };

struct Accumulator {
    float c[3];      // unpremultiplied colour, valid when kBlended
    float a;         // alpha, valid when kBlended
    uint32_t s[4];   // the pixel taken over, valid when kTaken
    AccState state;  // which of the two holds the latest result
};

inline bool ClearsTransparentDest(int32_t mode) {
    return mode == 17 || mode == 18 || mode == 24 || mode == 25 || mode == 26;
}

// clamp(q, 0, 1), a NaN becoming 0.
inline float ClampUnit(float q) {
    if (!(q >= 0.0f)) return 0.0f;
    return q > 1.0f ? 1.0f : q;
}

// Formulas other than 1..12 and 15..26 are the Normal formula.
inline bool UsesNormalFormula(int32_t bm) { return !((bm >= 1 && bm <= 12) || (bm >= 15 && bm <= 26)); }

// The accumulator after a blend: clamp(Xa) and clamp(Xca / Xa). Division by
// an Xa of exactly 1 is left out (it is exact).
inline void Finish(Accumulator &acc, const float Xca[3], float Xa) {
    Xa = ClampUnit(Xa);
    if (Xa == 1.0f) {
        for (int c = 0; c < 3; ++c) acc.c[c] = ClampUnit(Xca[c]);
    } else {
        for (int c = 0; c < 3; ++c) acc.c[c] = ClampUnit(Xca[c] / Xa);
    }
    acc.a = Xa;
    acc.state = AccState::kBlended;
}

// The integer part of combining a source pixel (after mask, alpha-mode
// transform and opacity; bm the formula in use) with the accumulator: over a
// transparent accumulator the source is taken over as it is (or nothing
// remains, for the modes that need something beneath); an opaque Normal
// source replaces the accumulator, which becomes opaque. Returns false when
// the floating-point blend is needed.
inline bool TakeOver(Accumulator &acc, int32_t bm, int32_t r, int32_t g, int32_t b, uint32_t a) {
    if (acc.state == AccState::kEmpty || (acc.state == AccState::kBlended && acc.a == 0.0f)) {
        if (ClearsTransparentDest(bm) || a == 0) {
            acc.state = AccState::kEmpty;
            return true;
        }
        acc.s[0] = static_cast<uint32_t>(r);
        acc.s[1] = static_cast<uint32_t>(g);
        acc.s[2] = static_cast<uint32_t>(b);
        acc.s[3] = a;
        acc.state = AccState::kTaken;
        return true;
    }
    if (bm == kModeNormalId && a >= 65280) {
        acc.s[0] = static_cast<uint32_t>(r);
        acc.s[1] = static_cast<uint32_t>(g);
        acc.s[2] = static_cast<uint32_t>(b);
        acc.s[3] = 65535;
        acc.state = AccState::kTaken;
        return true;
    }
    return false;
}

// The destination of a blend: the accumulator's colour and alpha, a pixel
// taken over being read as channel / 65280 and alpha / 65535.
inline float AccumulatorColour(const Accumulator &acc, float Dc[3]) {
    if (acc.state == AccState::kTaken) {
        for (int c = 0; c < 3; ++c) Dc[c] = static_cast<float>(static_cast<double>(acc.s[c]) * kInv65280);
        return UnitAlpha(acc.s[3]);
    }
    for (int c = 0; c < 3; ++c) Dc[c] = acc.c[c];
    return acc.a;
}

// The floating-point blend of a source over a non-transparent accumulator.
inline void BlendInto(Accumulator &acc, int32_t bm, int32_t r, int32_t g, int32_t b, uint32_t a) {
    float Dc[3];
    const float Da = AccumulatorColour(acc, Dc);
    const float Dca[3] = {Dc[0] * Da, Dc[1] * Da, Dc[2] * Da};
    float Xca[3];
    float Xa;
    if (a == 0 && UsesNormalFormula(bm)) {
        // Sa = 0 in the Normal formula: Sca = 0, so Xca = Dca and Xa = Da exactly.
        for (int c = 0; c < 3; ++c) Xca[c] = Dca[c];
        Xa = Da;
        Finish(acc, Xca, Xa);
        return;
    }
    const float Sa = UnitAlpha(a);
    const float Sca[3] = {Premultiply(r, Sa), Premultiply(g, Sa), Premultiply(b, Sa)};
    if (bm == kModeNormalId) {
        const float iSa = 1.0f - Sa;
        Xa = (1.0f - Da) * Sa + Da;
        for (int c = 0; c < 3; ++c) Xca[c] = FNormal(Sca[c], Dca[c], iSa);
    } else if (bm == kModeMultiplyId) {
        const float iSa = 1.0f - Sa;
        const float iDa = 1.0f - Da;
        Xa = iDa * Sa + Da;
        for (int c = 0; c < 3; ++c) Xca[c] = FMultiply(Sca[c], Dca[c], iSa, iDa);
    } else {
        BlendPremultiplied(bm, r, g, b, Sa, Sca, Da, Dca, Xca, Xa);
    }
    Finish(acc, Xca, Xa);
}

inline void Combine(Accumulator &acc, int32_t bm, int32_t r, int32_t g, int32_t b, uint32_t a) {
    if (!TakeOver(acc, bm, r, g, b, a)) BlendInto(acc, bm, r, g, b, a);
}

inline void LoadPixel(const uint16_t *row, int32_t columns, int32_t cx, uint32_t &r, uint32_t &g, uint32_t &b,
                      uint32_t &a) {
    if (row != nullptr && cx < columns) {
        const uint16_t *p = row + 4 * static_cast<ptrdiff_t>(cx);
        r = p[0];
        g = p[1];
        b = p[2];
        a = p[3];
    } else {
        r = g = b = a = 0;
    }
}

// The paint pixel at cx with its alpha scaled by the pre-opacity; false when
// merging it would change nothing (transparent, of a mode up to 27).
inline bool PaintPixel(const RenderSetup &s, const RowSources &rs, int32_t cx, PixelRGBA &p) {
    LoadPixel(rs.paint, s.paintColumns, cx, p.r, p.g, p.b, p.a);
    p.a = (p.a * s.paintPreFactor) >> 8;
    return p.a != 0 || !s.paintSkippable;
}

// An opaque pixel of a plain Normal layer is taken over whatever lies beneath
// it (over a transparent accumulator as it is, over anything else by the
// opaque Normal shortcut, both giving the pixel with alpha 65535): the list
// position of the topmost such pixel at cx, where compositing can start.
inline int CoverStart(const RenderSetup &s, const RowSources &rs, int32_t cx) {
    for (int k = s.count - 1; k > 0; --k) {
        const DrawEntry &e = s.entries[k];
        if (e.canCover && rs.layer[k] != nullptr && cx < e.columns &&
            rs.layer[k][4 * static_cast<ptrdiff_t>(cx) + 3] == 65535) {
            PixelRGBA p;
            if (e.stroke && PaintPixel(s, rs, cx, p)) continue;
            return k;
        }
    }
    return 0;
}

// One source pixel ready to combine.
struct Source {
    int32_t r, g, b;
    uint32_t a;
    int32_t bm;  // the formula in use
};

// The integer part of drawing list entry k at cx: the layer pixel with the
// background rule, the stroke merged in, the layer mask, the alpha-mode
// transform and the opacity. False when the layer is skipped there.
inline bool LayerSource(const RenderSetup &s, const RowSources &rs, int k, int32_t cx, Source &out) {
    const DrawEntry &e = s.entries[k];
    uint32_t r, g, b, a;
    LoadPixel(rs.layer[k], e.columns, cx, r, g, b, a);
    if (e.background) {
        a = 65535;
    } else if (a == 0 && e.skippable && !e.stroke) {
        return false;
    }
    if (e.stroke) {
        // The stroke in progress, merged into this copy of the layer pixel
        // the way TSY_MergePixel merges it.
        PixelRGBA p;
        if (PaintPixel(s, rs, cx, p)) {
            PixelRGBA d{r, g, b, a};
            if (CompositePixel(p, d, nullptr, s.paintOptions)) {
                r = d.r;
                g = d.g;
                b = d.b;
                a = d.a;
            }
        }
    }
    if (e.maskedByNext && !e.background) {
        uint32_t mr, mg, mb, ma;
        LoadPixel(rs.layer[k + 1], s.entries[k + 1].columns, cx, mr, mg, mb, ma);
        if (ma > 0) a = (((mr + mg + mb) / 3u) * a) >> 16;
    }
    out.r = static_cast<int32_t>(r);
    out.g = static_cast<int32_t>(g);
    out.b = static_cast<int32_t>(b);
    out.bm = e.mode;
    if (e.alphaMode) {
        const AlphaTransformed t = ApplyAlphaTransform(e.mode, out.r, out.g, out.b, a, s.alphaLayerOpacity, false);
        out.r = t.r;
        out.g = t.g;
        out.b = t.b;
        a = t.a;
        out.bm = t.bm;
    }
    out.a = ScaleByOpacity(a, e.opacity);
    return true;
}

// The 16-bit result of an accumulator.
inline void AccumulatorResult(const Accumulator &acc, uint32_t out[4]) {
    switch (acc.state) {
        default:  // kEmpty: nothing drawn
            out[0] = out[1] = out[2] = out[3] = 0;
            break;
        case AccState::kTaken:
            for (int c = 0; c < 4; ++c) out[c] = acc.s[c];
            break;
        case AccState::kBlended:
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint32_t>(static_cast<double>(acc.c[c]) * 65280.0);
            out[3] = static_cast<uint32_t>(static_cast<double>(acc.a) * 65535.0);
            break;
    }
}

// Composites the draw list at canvas column cx of the row set up in rs, one
// layer after the other; out receives the 16-bit result (R, G, B, A). This is
// the reference the batched path below must match.
inline void CompositePosition(const RenderSetup &s, const RowSources &rs, int32_t cx, uint32_t out[4]) {
    Accumulator acc;
    acc.a = 0.0f;
    acc.state = AccState::kEmpty;
    for (int k = CoverStart(s, rs, cx); k < s.count; ++k) {
        Source src;
        if (LayerSource(s, rs, k, cx, src)) Combine(acc, src.bm, src.r, src.g, src.b, src.a);
    }
    AccumulatorResult(acc, out);
}

// Trace mix, checkerboard and mask overlay at canvas position (cx, rs.cy);
// writes blue, green, red. All unsigned 32-bit arithmetic.
inline void FinishPixel(const RenderSetup &s, const RowSources &rs, int32_t cx, const uint32_t in[4], uint8_t *px) {
    uint32_t R = in[0], G = in[1], B = in[2];
    const uint32_t A = in[3];
    if (rs.trace != nullptr && cx < s.traceColumns) {
        const uint16_t *t = rs.trace + 4 * static_cast<ptrdiff_t>(cx);
        R = (R + t[0]) >> 1;
        G = (G + t[1]) >> 1;
        B = (B + t[2]) >> 1;
    }
    const uint32_t odd = ((static_cast<uint32_t>(cx) >> 5) + (static_cast<uint32_t>(rs.cy) >> 5)) & 1u;
    if (A < 65535) {
        const uint32_t c = odd ? kCheckerDark : kCheckerLight;
        const uint32_t k = (c * (65535u - A)) >> 8;
        R = (((A * R) >> 8) + k) >> 8;
        G = (((A * G) >> 8) + k) >> 8;
        B = (((A * B) >> 8) + k) >> 8;
    }
    if (rs.mask != nullptr) {
        uint32_t M = rs.mask[cx];
        if (M < 65535) {
            if (s.overlayHalf) M = (M >> 1) + 32767;
            const uint32_t w = 65535u - M;
            const uint32_t *col = s.overlayColour[odd];
            px[0] = static_cast<uint8_t>((((col[0] * w) >> 8) + ((M * B) >> 8)) >> 16);
            px[1] = static_cast<uint8_t>((((col[1] * w) >> 8) + ((M * G) >> 8)) >> 16);
            px[2] = static_cast<uint8_t>((((col[2] * w) >> 8) + ((M * R) >> 8)) >> 16);
            return;
        }
    }
    px[0] = static_cast<uint8_t>(B >> 8);
    px[1] = static_cast<uint8_t>(G >> 8);
    px[2] = static_cast<uint8_t>(R >> 8);
}

inline void RenderPosition(const RenderSetup &s, const RowSources &rs, int32_t cx, uint8_t *px) {
    uint32_t v[4];
    CompositePosition(s, rs, cx, v);
    FinishPixel(s, rs, cx, v, px);
}

// ---- Batched path ----------------------------------------------------------
// The same compositing for up to kChunk canvas positions of one row at a time,
// one layer after the other across the positions, with the accumulators held
// lane by lane. For plain layers (no stroke pixel to merge, no layer mask, no
// alpha-mode transform, the Normal or the Multiply formula), eight positions
// (AVX2) or sixteen (AVX-512) go through each step together: the integer tests
// become lane masks and the blend runs the operations of BlendInto in the same
// order (IEEE single products, sums and quotients give the same bits in a
// vector lane as in a scalar register). The scalar code's double-precision
// scalings (x 1/65535, x 1/65280, the final truncations) are replaced by the
// float-only steps of exact_scale_simd_p.h, which give the same bits.
// Everything else goes position by position through the functions above.

constexpr int kChunk = 64;
constexpr int32_t kStateEmpty = 0, kStateTaken = 1, kStateBlended = 2;

struct ChunkAcc {
    alignas(64) int32_t state[kChunk];
    alignas(64) int32_t s[4][kChunk];
    alignas(64) float c[3][kChunk];
    alignas(64) float a[kChunk];
    alignas(64) int32_t start[kChunk];  // the first list entry drawn at each position
};

inline Accumulator LaneGet(const ChunkAcc &A, int i) {
    Accumulator acc;
    acc.state = A.state[i] == kStateTaken ? AccState::kTaken
                                          : (A.state[i] == kStateBlended ? AccState::kBlended : AccState::kEmpty);
    for (int c = 0; c < 4; ++c) acc.s[c] = static_cast<uint32_t>(A.s[c][i]);
    for (int c = 0; c < 3; ++c) acc.c[c] = A.c[c][i];
    acc.a = A.a[i];
    return acc;
}

inline void LaneSet(ChunkAcc &A, int i, const Accumulator &acc) {
    A.state[i] =
        acc.state == AccState::kTaken ? kStateTaken : (acc.state == AccState::kBlended ? kStateBlended : kStateEmpty);
    for (int c = 0; c < 4; ++c) A.s[c][i] = static_cast<int32_t>(acc.s[c]);
    for (int c = 0; c < 3; ++c) A.c[c][i] = acc.c[c];
    A.a[i] = acc.a;
}

// List entry k at lane i, position by position.
inline void LaneStep(const RenderSetup &s, const RowSources &rs, int k, int32_t cx, ChunkAcc &A, int i) {
    Source src;
    if (!LayerSource(s, rs, k, cx, src)) return;
    Accumulator acc = LaneGet(A, i);
    Combine(acc, src.bm, src.r, src.g, src.b, src.a);
    LaneSet(A, i, acc);
}

#if defined(__x86_64__)
#define TSY_AVX2 __attribute__((target("avx2,fma")))
using exact_scale::Over65280x8;
using exact_scale::TruncScaled8;
using exact_scale::UnitAlpha8;

// ClampUnit on eight floats: a value not >= 0 (NaN included) becomes 0, one
// above 1 becomes 1.
TSY_AVX2 inline __m256 ClampUnit8(__m256 q) {
    q = _mm256_and_ps(q, _mm256_cmp_ps(q, _mm256_setzero_ps(), _CMP_GE_OQ));
    return _mm256_min_ps(q, _mm256_set1_ps(1.0f));
}

TSY_AVX2 inline __m256i LoadInts(const int32_t *p) { return _mm256_load_si256(reinterpret_cast<const __m256i *>(p)); }
TSY_AVX2 inline void StoreInts(int32_t *p, __m256i v) { _mm256_store_si256(reinterpret_cast<__m256i *>(p), v); }
TSY_AVX2 inline __m256i Select(__m256i old, __m256i v, __m256i mask) { return _mm256_blendv_epi8(old, v, mask); }

// Eight RGBA64 pixels into four vectors of 32-bit channels.
TSY_AVX2 inline void LoadPixels8(const uint16_t *p, __m256i &r, __m256i &g, __m256i &b, __m256i &a) {
    // Within each 128-bit half (two pixels): r0 r1 g0 g1 b0 b1 a0 a1.
    const __m256i pairs = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3, 10,
                                           11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i v0 = _mm256_permutevar8x32_epi32(
        _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), pairs), order);
    const __m256i v1 = _mm256_permutevar8x32_epi32(
        _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 16)), pairs), order);
    // v0: R01 R23 G01 G23 | B01 B23 A01 A23 (32-bit pairs), v1 likewise for pixels 4..7.
    const __m256i rb = _mm256_unpacklo_epi64(v0, v1);  // r0..r7 | b0..b7
    const __m256i ga = _mm256_unpackhi_epi64(v0, v1);  // g0..g7 | a0..a7
    r = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(rb));
    b = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(rb, 1));
    g = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(ga));
    a = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(ga, 1));
}

// The eight pixels of `row` at columns cx[0..7] (increasing): read in place
// when the columns are consecutive, else gathered into tmp.
TSY_AVX2 inline void LoadPixelsAt(const uint16_t *row, const int32_t *cx, bool consecutive, __m256i &r, __m256i &g,
                                  __m256i &b, __m256i &a) {
    if (consecutive) {
        LoadPixels8(row + 4 * static_cast<ptrdiff_t>(cx[0]), r, g, b, a);
        return;
    }
    alignas(32) uint16_t tmp[32];
    for (int l = 0; l < 8; ++l) std::memcpy(tmp + 4 * l, row + 4 * static_cast<ptrdiff_t>(cx[l]), 8);
    LoadPixels8(tmp, r, g, b, a);
}

// List entry e (a plain layer; k its position) at the eight lanes i0..i0+7
// at columns cx[0..7] of row; lanes in `excluded` are left alone.
TSY_AVX2 void GroupStep(const DrawEntry &e, int k, const uint16_t *row, const int32_t *cx, bool consecutive,
                        ChunkAcc &A, int i0, int excluded) {
    __m256i r, g, b, a;
    LoadPixelsAt(row, cx, consecutive, r, g, b, a);
    const __m256i zero = _mm256_setzero_si256();
    __m256i active = _mm256_cmpgt_epi32(_mm256_set1_epi32(k + 1), LoadInts(A.start + i0));
    if (excluded != 0) {
        const __m256i bit = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
        active =
            _mm256_andnot_si256(_mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(excluded), bit), bit), active);
    }
    if (e.background) {
        a = _mm256_set1_epi32(65535);
    } else if (e.skippable && !e.stroke) {
        active = _mm256_andnot_si256(_mm256_cmpeq_epi32(a, zero), active);
    }
    if (_mm256_testz_si256(active, active)) return;
    if (e.opacity < 255) a = _mm256_srli_epi32(_mm256_mullo_epi32(a, _mm256_set1_epi32(e.opacity + 1)), 8);

    __m256i state = LoadInts(A.state + i0);
    const __m256 accA = _mm256_load_ps(A.a + i0);
    const __m256i empty =
        _mm256_or_si256(_mm256_cmpeq_epi32(state, zero),
                        _mm256_and_si256(_mm256_cmpeq_epi32(state, _mm256_set1_epi32(kStateBlended)),
                                         _mm256_castps_si256(_mm256_cmp_ps(accA, _mm256_setzero_ps(), _CMP_EQ_OQ))));
    const __m256i aZero = _mm256_cmpeq_epi32(a, zero);
    const __m256i activeEmpty = _mm256_and_si256(active, empty);
    const __m256i takeT = _mm256_andnot_si256(aZero, activeEmpty);
    const __m256i zeroT = _mm256_and_si256(aZero, activeEmpty);
    const __m256i filled = _mm256_andnot_si256(empty, active);
    const __m256i takeO =
        e.mode == kModeNormalId ? _mm256_and_si256(filled, _mm256_cmpgt_epi32(a, _mm256_set1_epi32(65279))) : zero;
    const __m256i blend = _mm256_andnot_si256(takeO, filled);
    const __m256i take = _mm256_or_si256(takeT, takeO);

    if (!_mm256_testz_si256(blend, blend)) {
        const __m256 one = _mm256_set1_ps(1.0f);
        // The destination of each blending lane: a taken-over pixel or a
        // blended colour; groups of one kind convert only that kind.
        const __m256i takenI = _mm256_cmpeq_epi32(state, _mm256_set1_epi32(kStateTaken));
        const __m256 takenD = _mm256_castsi256_ps(takenI);
        const __m256i blendTaken = _mm256_and_si256(blend, takenI);
        const bool anyTaken = !_mm256_testz_si256(blendTaken, blendTaken);
        const bool allTaken = _mm256_testc_si256(takenI, blend) != 0;
        // A taken-over pixel reads as channel / 65280 and alpha / 65535,
        // without double precision (see exact_scale_simd_p.h).
        auto destination = [&](const float *blended, const int32_t *taken, bool alpha) TSY_AVX2 {
            if (!anyTaken) return _mm256_load_ps(blended);
            const __m256i t = LoadInts(taken);
            const __m256 fromTaken = alpha ? UnitAlpha8(t) : Over65280x8(_mm256_cvtepi32_ps(t));
            return allTaken ? fromTaken : _mm256_blendv_ps(_mm256_load_ps(blended), fromTaken, takenD);
        };
        const __m256 Da = destination(A.a + i0, A.s[3] + i0, true);
        const __m256 Sa = UnitAlpha8(a);
        const __m256 iSa = _mm256_sub_ps(one, Sa);
        const __m256 iDa = _mm256_sub_ps(one, Da);
        const __m256 Xa = ClampUnit8(_mm256_add_ps(_mm256_mul_ps(iDa, Sa), Da));
        const __m256 blendF = _mm256_castsi256_ps(blend);
        // Where every blending lane's Xa is exactly 1 (an opaque accumulator)
        // the quotient is Xca itself, as in Finish: no division.
        const int unitLanes = _mm256_movemask_ps(_mm256_cmp_ps(Xa, one, _CMP_EQ_OQ));
        const bool unitXa = ((unitLanes | ~_mm256_movemask_ps(blendF)) & 0xFF) == 0xFF;
        const __m256i src[3] = {r, g, b};
        for (int c = 0; c < 3; ++c) {
            const __m256 Dc = destination(A.c[c] + i0, A.s[c] + i0, false);
            const __m256 Dca = _mm256_mul_ps(Dc, Da);
            const __m256 Sca = Over65280x8(_mm256_mul_ps(_mm256_cvtepi32_ps(src[c]), Sa));
            __m256 Xca;
            if (e.mode == kModeMultiplyId) {
                Xca = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Sca, Dca), _mm256_mul_ps(Sca, iDa)),
                                    _mm256_mul_ps(Dca, iSa));
            } else {
                Xca = _mm256_add_ps(Sca, _mm256_mul_ps(Dca, iSa));
            }
            const __m256 q = ClampUnit8(unitXa ? Xca : _mm256_div_ps(Xca, Xa));
            _mm256_store_ps(A.c[c] + i0, _mm256_blendv_ps(_mm256_load_ps(A.c[c] + i0), q, blendF));
        }
        _mm256_store_ps(A.a + i0, _mm256_blendv_ps(accA, Xa, blendF));
        state = Select(state, _mm256_set1_epi32(kStateBlended), blend);
    }
    if (!_mm256_testz_si256(take, take)) {
        StoreInts(A.s[0] + i0, Select(LoadInts(A.s[0] + i0), r, take));
        StoreInts(A.s[1] + i0, Select(LoadInts(A.s[1] + i0), g, take));
        StoreInts(A.s[2] + i0, Select(LoadInts(A.s[2] + i0), b, take));
        StoreInts(A.s[3] + i0, Select(LoadInts(A.s[3] + i0), Select(a, _mm256_set1_epi32(65535), takeO), take));
        state = Select(state, _mm256_set1_epi32(kStateTaken), take);
    }
    state = Select(state, zero, zeroT);
    StoreInts(A.state + i0, state);
}

// The eight pixels of `row` at columns cx[0..7] as two vectors of four 64-bit
// pixels (read in place when consecutive).
TSY_AVX2 inline void LoadPairsAt(const uint16_t *row, const int32_t *cx, bool consecutive, __m256i &v0, __m256i &v1) {
    if (consecutive) {
        const uint16_t *p = row + 4 * static_cast<ptrdiff_t>(cx[0]);
        v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
        v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 16));
        return;
    }
    alignas(32) uint16_t tmp[32];
    for (int l = 0; l < 8; ++l) std::memcpy(tmp + 4 * l, row + 4 * static_cast<ptrdiff_t>(cx[l]), 8);
    v0 = _mm256_load_si256(reinterpret_cast<const __m256i *>(tmp));
    v1 = _mm256_load_si256(reinterpret_cast<const __m256i *>(tmp + 16));
}

// Bit l set where the pixel of `row` at column cx[l] has alpha 65535.
TSY_AVX2 inline int OpaqueMask8(const uint16_t *row, const int32_t *cx, bool consecutive) {
    __m256i v0, v1;
    LoadPairsAt(row, cx, consecutive, v0, v1);
    const __m256i full = _mm256_set1_epi64x(65535);
    const int m0 = _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_srli_epi64(v0, 48), full)));
    const int m1 = _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_srli_epi64(v1, 48), full)));
    return m0 | (m1 << 4);
}

// Bit l set where the stroke changes the layer pixel at column cx[l]
// (PaintPixel true), for eight increasing columns.
TSY_AVX2 int PaintMask8(const RenderSetup &s, const RowSources &rs, const int32_t *cx, bool consecutive) {
    if (!s.paintSkippable) return 0xFF;
    if (rs.paint == nullptr || cx[0] >= s.paintColumns) return 0;
    if (cx[7] >= s.paintColumns) {
        int mask = 0;
        for (int l = 0; l < 8; ++l) {
            PixelRGBA p;
            if (PaintPixel(s, rs, cx[l], p)) mask |= 1 << l;
        }
        return mask;
    }
    __m256i v0, v1;
    LoadPairsAt(rs.paint, cx, consecutive, v0, v1);
    // (a x pre) >> 8 is 0 exactly when a x pre < 256.
    const __m256i pre = _mm256_set1_epi64x(s.paintPreFactor);
    const __m256i limit = _mm256_set1_epi64x(255);
    const int m0 = _mm256_movemask_pd(
        _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_mul_epu32(_mm256_srli_epi64(v0, 48), pre), limit)));
    const int m1 = _mm256_movemask_pd(
        _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_mul_epu32(_mm256_srli_epi64(v1, 48), pre), limit)));
    return m0 | (m1 << 4);
}

// Clears the accumulators of the first `lanes` (a multiple of 8) positions.
TSY_AVX2 void ClearLanes(ChunkAcc &A, int lanes) {
    const __m256i z = _mm256_setzero_si256();
    for (int i0 = 0; i0 < lanes; i0 += 8) {
        StoreInts(A.state + i0, z);
        for (int c = 0; c < 4; ++c) StoreInts(A.s[c] + i0, z);
        for (int c = 0; c < 3; ++c) _mm256_store_ps(A.c[c] + i0, _mm256_setzero_ps());
        _mm256_store_ps(A.a + i0, _mm256_setzero_ps());
    }
}

// AccumulatorResult for lanes i0..i0+7: trunc(colour x 65280) and trunc(alpha
// x 65535) of a blended lane in float only (exact_scale_simd_p.h), the pixel
// of a taken-over one, 0 for an empty one.
TSY_AVX2 inline void Results8(const ChunkAcc &A, int i0, __m256i ch[3], __m256i &A16) {
    const __m256i state = LoadInts(A.state + i0);
    const __m256i taken = _mm256_cmpeq_epi32(state, _mm256_set1_epi32(kStateTaken));
    const __m256i blended = _mm256_cmpeq_epi32(state, _mm256_set1_epi32(kStateBlended));
    for (int c = 0; c < 3; ++c) {
        ch[c] = _mm256_and_si256(taken, LoadInts(A.s[c] + i0));
        ch[c] = Select(ch[c], TruncScaled8(_mm256_load_ps(A.c[c] + i0), 65280.0f), blended);
    }
    A16 = _mm256_and_si256(taken, LoadInts(A.s[3] + i0));
    A16 = Select(A16, TruncScaled8(_mm256_load_ps(A.a + i0), 65535.0f), blended);
}

// Results8 stored as R, G, B, A per position to out[4 l].
TSY_AVX2 void StoreResults8(const ChunkAcc &A, int i0, uint32_t *out) {
    __m256i ch[3], A16;
    Results8(A, i0, ch, A16);
    alignas(32) int32_t v[4][8];
    for (int c = 0; c < 3; ++c) StoreInts(v[c], ch[c]);
    StoreInts(v[3], A16);
    for (int l = 0; l < 8; ++l)
        for (int c = 0; c < 4; ++c) out[4 * l + c] = static_cast<uint32_t>(v[c][l]);
}

// AccumulatorResult and FinishPixel for the eight increasing columns
// cx[0..7] at lanes i0..i0+7, writing 24 bytes to px.
TSY_AVX2 void Finish8(const RenderSetup &s, const RowSources &rs, const int32_t *cx, bool consecutive,
                      const ChunkAcc &A, int i0, uint8_t *px) {
    if (rs.trace != nullptr && cx[0] < s.traceColumns && cx[7] >= s.traceColumns) {
        // The trace image ends among these columns: one by one.
        for (int l = 0; l < 8; ++l) {
            uint32_t v[4];
            AccumulatorResult(LaneGet(A, i0 + l), v);
            FinishPixel(s, rs, cx[l], v, px + 3 * l);
        }
        return;
    }
    __m256i ch[3], A16;
    Results8(A, i0, ch, A16);

    if (rs.trace != nullptr && cx[0] < s.traceColumns) {
        __m256i t[4];
        LoadPixelsAt(rs.trace, cx, consecutive, t[0], t[1], t[2], t[3]);
        for (int c = 0; c < 3; ++c) ch[c] = _mm256_srli_epi32(_mm256_add_epi32(ch[c], t[c]), 1);
    }
    const __m256i cxv = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(cx));
    const __m256i oddBit =
        _mm256_and_si256(_mm256_add_epi32(_mm256_srli_epi32(cxv, 5),
                                          _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(rs.cy) >> 5))),
                         _mm256_set1_epi32(1));
    const __m256i odd = _mm256_cmpeq_epi32(oddBit, _mm256_set1_epi32(1));
    const __m256i full = _mm256_set1_epi32(65535);
    const __m256i see = _mm256_cmpgt_epi32(full, A16);  // A below 65535
    if (!_mm256_testz_si256(see, see)) {
        const __m256i c = Select(full, _mm256_set1_epi32(static_cast<int32_t>(kCheckerDark)), odd);
        const __m256i k = _mm256_srli_epi32(_mm256_mullo_epi32(c, _mm256_sub_epi32(full, A16)), 8);
        for (int i = 0; i < 3; ++i) {
            const __m256i v =
                _mm256_srli_epi32(_mm256_add_epi32(_mm256_srli_epi32(_mm256_mullo_epi32(A16, ch[i]), 8), k), 8);
            ch[i] = Select(ch[i], v, see);
        }
    }
    // Bytes: blue, green, red = channel >> 8, or the overlay mix.
    __m256i byte[3] = {_mm256_srli_epi32(ch[2], 8), _mm256_srli_epi32(ch[1], 8), _mm256_srli_epi32(ch[0], 8)};
    if (rs.mask != nullptr) {
        __m256i M;
        if (consecutive) {
            M = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(rs.mask + cx[0])));
        } else {
            alignas(32) int32_t m[8];
            for (int l = 0; l < 8; ++l) m[l] = rs.mask[cx[l]];
            M = LoadInts(m);
        }
        const __m256i under = _mm256_cmpgt_epi32(full, M);
        if (!_mm256_testz_si256(under, under)) {
            if (s.overlayHalf) M = _mm256_add_epi32(_mm256_srli_epi32(M, 1), _mm256_set1_epi32(32767));
            const __m256i w = _mm256_sub_epi32(full, M);
            const __m256i src[3] = {ch[2], ch[1], ch[0]};
            for (int i = 0; i < 3; ++i) {
                const __m256i col = Select(_mm256_set1_epi32(static_cast<int32_t>(s.overlayColour[0][i])),
                                           _mm256_set1_epi32(static_cast<int32_t>(s.overlayColour[1][i])), odd);
                const __m256i v =
                    _mm256_srli_epi32(_mm256_add_epi32(_mm256_srli_epi32(_mm256_mullo_epi32(col, w), 8),
                                                       _mm256_srli_epi32(_mm256_mullo_epi32(M, src[i]), 8)),
                                      16);
                byte[i] = Select(byte[i], v, under);
            }
        }
    }
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    const __m256i word = _mm256_or_si256(_mm256_and_si256(byte[0], lowByte),
                                         _mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(byte[1], lowByte), 8),
                                                         _mm256_slli_epi32(_mm256_and_si256(byte[2], lowByte), 16)));
    // Three bytes of each 32-bit word, packed: twelve bytes per 128-bit
    // half, written as eight and four so nothing past px[23] is touched.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8,
                                          9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i packed = _mm256_shuffle_epi8(word, pack);
    const __m128i lo = _mm256_castsi256_si128(packed), hi = _mm256_extracti128_si256(packed, 1);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(px), lo);
    const int32_t loTail = _mm_extract_epi32(lo, 2);
    std::memcpy(px + 8, &loTail, 4);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(px + 12), hi);
    const int32_t hiTail = _mm_extract_epi32(hi, 2);
    std::memcpy(px + 20, &hiTail, 4);
}

// CoverStart for the eight increasing columns cx[0..7].
TSY_AVX2 void CoverStart8(const RenderSetup &s, const RowSources &rs, const int32_t *cx, bool consecutive,
                          int32_t *start) {
    int found = 0;
    for (int l = 0; l < 8; ++l) start[l] = 0;
    for (int k = s.count - 1; k > 0; --k) {
        const DrawEntry &e = s.entries[k];
        const uint16_t *row = rs.layer[k];
        if (!e.canCover || row == nullptr || cx[0] >= e.columns) continue;
        if (cx[7] >= e.columns) {
            // The buffer ends among these columns: one by one.
            for (int l = 0; l < 8; ++l) start[l] = CoverStart(s, rs, cx[l]);
            return;
        }
        int cond = OpaqueMask8(row, cx, consecutive) & ~found;
        if (cond == 0) continue;
        if (e.stroke) cond &= ~PaintMask8(s, rs, cx, consecutive);
        for (int l = 0; l < 8; ++l)
            if ((cond >> l) & 1) start[l] = k;
        found |= cond;
        if (found == 0xFF) break;
    }
}

// ---- AVX-512: GroupStep for sixteen lanes ----
#define TSY_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")))
// GCC 12 takes the deliberately undefined pass-through operand inside the
// 512-bit intrinsics for an uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

TSY_AVX512 inline __m512i Join16(__m256i lo, __m256i hi) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
}

// ClampUnit on sixteen floats.
TSY_AVX512 inline __m512 ClampUnit16(__m512 q) {
    q = _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(q, _mm512_setzero_ps(), _CMP_GE_OQ), q);  // NaN, < 0 -> +0
    return _mm512_min_ps(q, _mm512_set1_ps(1.0f));
}

// GroupStep for the sixteen lanes i0..i0+15 at columns cx[0..15] (lanes in
// the 16-bit `excluded` left alone): the same tests and operations, with
// mask registers for the lane masks.
TSY_AVX512 void GroupStep16(const DrawEntry &e, int k, const uint16_t *row, const int32_t *cx, bool consecutive,
                            ChunkAcc &A, int i0, int excluded) {
    __m256i r0, g0, b0, a0, r1, g1, b1, a1;
    LoadPixelsAt(row, cx, consecutive, r0, g0, b0, a0);
    LoadPixelsAt(row, cx + 8, consecutive, r1, g1, b1, a1);
    const __m512i r = Join16(r0, r1), g = Join16(g0, g1), b = Join16(b0, b1);
    __m512i a = Join16(a0, a1);
    const __m512i zero = _mm512_setzero_si512();
    __mmask16 active = _mm512_cmpgt_epi32_mask(_mm512_set1_epi32(k + 1), _mm512_load_si512(A.start + i0));
    active = static_cast<__mmask16>(active & ~excluded);
    if (e.background) {
        a = _mm512_set1_epi32(65535);
    } else if (e.skippable && !e.stroke) {
        active = static_cast<__mmask16>(active & _mm512_cmpneq_epi32_mask(a, zero));
    }
    if (active == 0) return;
    if (e.opacity < 255) a = _mm512_srli_epi32(_mm512_mullo_epi32(a, _mm512_set1_epi32(e.opacity + 1)), 8);

    __m512i state = _mm512_load_si512(A.state + i0);
    const __m512 accA = _mm512_load_ps(A.a + i0);
    const __mmask16 empty = static_cast<__mmask16>(_mm512_cmpeq_epi32_mask(state, zero) |
                                                   (_mm512_cmpeq_epi32_mask(state, _mm512_set1_epi32(kStateBlended)) &
                                                    _mm512_cmp_ps_mask(accA, _mm512_setzero_ps(), _CMP_EQ_OQ)));
    const __mmask16 aZero = _mm512_cmpeq_epi32_mask(a, zero);
    const __mmask16 activeEmpty = static_cast<__mmask16>(active & empty);
    const __mmask16 takeT = static_cast<__mmask16>(activeEmpty & ~aZero);
    const __mmask16 zeroT = static_cast<__mmask16>(activeEmpty & aZero);
    const __mmask16 filled = static_cast<__mmask16>(active & ~empty);
    const __mmask16 takeO = e.mode == kModeNormalId
                                ? static_cast<__mmask16>(filled & _mm512_cmpgt_epi32_mask(a, _mm512_set1_epi32(65279)))
                                : static_cast<__mmask16>(0);
    const __mmask16 blend = static_cast<__mmask16>(filled & ~takeO);
    const __mmask16 take = static_cast<__mmask16>(takeT | takeO);

    if (blend != 0) {
        const __m512 one = _mm512_set1_ps(1.0f);
        const __mmask16 taken = _mm512_cmpeq_epi32_mask(state, _mm512_set1_epi32(kStateTaken));
        const bool anyTaken = (blend & taken) != 0;
        const bool allTaken = (blend & ~taken) == 0;
        auto destination = [&](const float *blended, const int32_t *takenPixel, bool alpha) TSY_AVX512 {
            if (!anyTaken) return _mm512_load_ps(blended);
            const __m512i t = _mm512_load_si512(takenPixel);
            const __m512 fromTaken =
                alpha ? exact_scale::UnitAlpha16(t) : exact_scale::Over65280x16(_mm512_cvtepi32_ps(t));
            return allTaken ? fromTaken : _mm512_mask_blend_ps(taken, _mm512_load_ps(blended), fromTaken);
        };
        const __m512 Da = destination(A.a + i0, A.s[3] + i0, true);
        const __m512 Sa = exact_scale::UnitAlpha16(a);
        const __m512 iSa = _mm512_sub_ps(one, Sa);
        const __m512 iDa = _mm512_sub_ps(one, Da);
        const __m512 Xa = ClampUnit16(_mm512_add_ps(_mm512_mul_ps(iDa, Sa), Da));
        const bool unitXa = static_cast<__mmask16>(_mm512_cmp_ps_mask(Xa, one, _CMP_EQ_OQ) | ~blend) == 0xFFFF;
        const __m512i src[3] = {r, g, b};
        for (int c = 0; c < 3; ++c) {
            const __m512 Dc = destination(A.c[c] + i0, A.s[c] + i0, false);
            const __m512 Dca = _mm512_mul_ps(Dc, Da);
            const __m512 Sca = exact_scale::Over65280x16(_mm512_mul_ps(_mm512_cvtepi32_ps(src[c]), Sa));
            __m512 Xca;
            if (e.mode == kModeMultiplyId) {
                Xca = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(Sca, Dca), _mm512_mul_ps(Sca, iDa)),
                                    _mm512_mul_ps(Dca, iSa));
            } else {
                Xca = _mm512_add_ps(Sca, _mm512_mul_ps(Dca, iSa));
            }
            _mm512_mask_store_ps(A.c[c] + i0, blend, ClampUnit16(unitXa ? Xca : _mm512_div_ps(Xca, Xa)));
        }
        _mm512_mask_store_ps(A.a + i0, blend, Xa);
        state = _mm512_mask_mov_epi32(state, blend, _mm512_set1_epi32(kStateBlended));
    }
    if (take != 0) {
        _mm512_mask_store_epi32(A.s[0] + i0, take, r);
        _mm512_mask_store_epi32(A.s[1] + i0, take, g);
        _mm512_mask_store_epi32(A.s[2] + i0, take, b);
        _mm512_mask_store_epi32(A.s[3] + i0, take, _mm512_mask_mov_epi32(a, takeO, _mm512_set1_epi32(65535)));
        state = _mm512_mask_mov_epi32(state, take, _mm512_set1_epi32(kStateTaken));
    }
    state = _mm512_mask_mov_epi32(state, zeroT, zero);
    _mm512_store_si512(A.state + i0, state);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}
#else
void CoverStart8(const RenderSetup &, const RowSources &, const int32_t *, bool, int32_t *) {}
int PaintMask8(const RenderSetup &, const RowSources &, const int32_t *, bool) { return 0xFF; }
void ClearLanes(ChunkAcc &, int) {}
void Finish8(const RenderSetup &, const RowSources &, const int32_t *, bool, const ChunkAcc &, int, uint8_t *) {}
void StoreResults8(const ChunkAcc &, int, uint32_t *) {}
void GroupStep(const DrawEntry &, int, const uint16_t *, const int32_t *, bool, ChunkAcc &, int, int) {}
void GroupStep16(const DrawEntry &, int, const uint16_t *, const int32_t *, bool, ChunkAcc &, int, int) {}
bool CpuHasAvx2() { return false; }
void GroupStep(const DrawEntry &, int, const uint16_t *, ChunkAcc &, int, int) {}
#endif

int DetectRenderLevel() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (!CpuHasAvx2()) return kRenderVectorNone;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl"))
        return kRenderVectorAvx512;
    return kRenderVectorAvx2;
#else
    return kRenderVectorNone;
#endif
}
const int g_bestRenderLevel = DetectRenderLevel();

// Test switches: the position-by-position reference path and the vector level.
bool g_renderBatched = true;
int g_renderLevel = g_bestRenderLevel;

// An entry the vector step handles: no layer mask, no alpha-mode transform,
// the Normal formula (any id that uses it) or Multiply.
inline bool VectorEntry(const DrawEntry &e) {
    return !e.maskedByNext && !e.alphaMode && (UsesNormalFormula(e.mode) || e.mode == kModeMultiplyId);
}

// Lane indexes 0..kChunk-1: the columns of a run copied into a buffer.
constexpr struct LaneIndex {
    int32_t v[kChunk];
} kLaneIndexTable = [] {
    LaneIndex t{};
    for (int i = 0; i < kChunk; ++i) t.v[i] = i;
    return t;
}();
const int32_t *const kLaneIndex = kLaneIndexTable.v;

// The pixels of list entry e (the current layer while the stroke is shown) at
// columns cx[0..n-1] of row with the stroke merged in, as LayerSource has them
// before the layer mask: merged[4 i] holds column cx[i]. paint is scratch.
void StrokeRun(const RenderSetup &s, const RowSources &rs, const DrawEntry &e, const uint16_t *row, const int32_t *cx,
               bool consecutive, int n, uint16_t *merged, uint16_t *paint) {
    if (consecutive) {
        std::memcpy(merged, row + 4 * static_cast<ptrdiff_t>(cx[0]), 8 * static_cast<size_t>(n));
    } else {
        for (int i = 0; i < n; ++i) std::memcpy(merged + 4 * i, row + 4 * static_cast<ptrdiff_t>(cx[i]), 8);
    }
    if (e.background)
        for (int i = 0; i < n; ++i) merged[4 * i + 3] = 65535;
    if (s.paintPreFactor == 256u && rs.paint != nullptr && cx[n - 1] < s.paintColumns) {
        // A full pre-opacity leaves the paint pixels as they are: read in
        // place, or gathered as they are.
        const uint16_t *src = rs.paint + 4 * static_cast<ptrdiff_t>(cx[0]);
        if (!consecutive) {
            for (int i = 0; i < n; ++i) std::memcpy(paint + 4 * i, rs.paint + 4 * static_cast<ptrdiff_t>(cx[i]), 8);
            src = paint;
        }
        s.strokeRow(src, nullptr, merged, n, 256u, s.paintOp1);
        return;
    }
    // The paint pixels with the pre-opacity applied, transparent where the
    // paint buffer has none.
    for (int i = 0; i < n; ++i) {
        PixelRGBA p;
        LoadPixel(rs.paint, s.paintColumns, cx[i], p.r, p.g, p.b, p.a);
        paint[4 * i] = static_cast<uint16_t>(p.r);
        paint[4 * i + 1] = static_cast<uint16_t>(p.g);
        paint[4 * i + 2] = static_cast<uint16_t>(p.b);
        paint[4 * i + 3] = static_cast<uint16_t>((p.a * s.paintPreFactor) >> 8);
    }
    s.strokeRow(paint, nullptr, merged, n, 256u, s.paintOp1);
}

// Composites and finishes the n <= kChunk canvas columns cx of the row set up
// in rs, writing blue, green, red to px[3 i]; or, when out16 is given (tests),
// writes the 16-bit composite R, G, B, A to out16[4 i] instead of finishing.
void RenderChunk(const RenderSetup &s, const RowSources &rs, const int32_t *cx, int n, uint8_t *px,
                 uint32_t *out16 = nullptr) {
    if (!g_renderBatched) {
        for (int i = 0; i < n; ++i) {
            if (out16 != nullptr) {
                CompositePosition(s, rs, cx[i], out16 + 4 * i);
            } else {
                RenderPosition(s, rs, cx[i], px + 3 * i);
            }
        }
        return;
    }
    ChunkAcc A;
    // The columns always increase; consecutive ones are read in place.
    const bool consecutive = n > 0 && cx[n - 1] - cx[0] == n - 1;
    const int level = g_renderLevel;
    const bool vector = level >= kRenderVectorAvx2;
    const bool wide = level >= kRenderVectorAvx512;
    const int groups = vector ? n / 8 : 0;
    for (int i0 = 0; i0 < groups * 8; i0 += 8) CoverStart8(s, rs, cx + i0, consecutive, A.start + i0);
    for (int i = groups * 8; i < n; ++i) A.start[i] = CoverStart(s, rs, cx[i]);
    int first = s.count;
    ClearLanes(A, groups * 8);
    for (int i = 0; i < groups * 8 && first > 0; ++i)
        if (A.start[i] < first) first = A.start[i];
    for (int i = groups * 8; i < n; ++i) {
        A.state[i] = kStateEmpty;
        A.a[i] = 0.0f;
        for (int c = 0; c < 4; ++c) A.s[c][i] = 0;
        for (int c = 0; c < 3; ++c) A.c[c][i] = 0.0f;
        if (A.start[i] < first) first = A.start[i];
    }
    for (int k = first; k < s.count; ++k) {
        const DrawEntry &e = s.entries[k];
        const uint16_t *row = rs.layer[k];
        int vectorLanes = 0;
        if (groups > 0 && e.stroke && s.strokeRow != nullptr && VectorEntry(e) && row != nullptr &&
            cx[n - 1] < e.columns) {
            // The stroke merged into a copy of the layer pixels by the merge
            // row loop (the same bits as merging pixel by pixel), then the copy
            // drawn as a plain layer.
            vectorLanes = groups * 8;
            alignas(64) uint16_t merged[4 * kChunk];
            alignas(64) uint16_t paint[4 * kChunk];
            StrokeRun(s, rs, e, row, cx, consecutive, vectorLanes, merged, paint);
            DrawEntry plain = e;
            plain.background = false;  // the copy carries the background's alpha already
            int i0 = 0;
            if (wide)
                for (; i0 + 16 <= vectorLanes; i0 += 16) GroupStep16(plain, k, merged, kLaneIndex + i0, true, A, i0, 0);
            for (; i0 < vectorLanes; i0 += 8) GroupStep(plain, k, merged, kLaneIndex + i0, true, A, i0, 0);
        } else if (groups > 0 && VectorEntry(e) && row != nullptr && cx[n - 1] < e.columns &&
                   (!e.stroke || (rs.paint != nullptr && cx[n - 1] < s.paintColumns))) {
            vectorLanes = groups * 8;
            for (int i0 = 0; i0 < vectorLanes;) {
                const int step = wide && i0 + 16 <= vectorLanes ? 16 : 8;
                // Positions where the stroke changes the layer pixel go one by one.
                int excluded = 0;
                if (e.stroke) {
                    excluded = PaintMask8(s, rs, cx + i0, consecutive);
                    if (step == 16) excluded |= PaintMask8(s, rs, cx + i0 + 8, consecutive) << 8;
                }
                if (step == 16) {
                    GroupStep16(e, k, row, cx + i0, consecutive, A, i0, excluded);
                } else {
                    GroupStep(e, k, row, cx + i0, consecutive, A, i0, excluded);
                }
                for (int l = 0; excluded != 0 && l < step; ++l)
                    if ((excluded >> l) & 1 && k >= A.start[i0 + l]) LaneStep(s, rs, k, cx[i0 + l], A, i0 + l);
                i0 += step;
            }
        }
        for (int i = vectorLanes; i < n; ++i)
            if (k >= A.start[i]) LaneStep(s, rs, k, cx[i], A, i);
    }
    if (out16 != nullptr) {
        for (int i0 = 0; i0 < groups * 8; i0 += 8) StoreResults8(A, i0, out16 + 4 * i0);
        for (int i = groups * 8; i < n; ++i) AccumulatorResult(LaneGet(A, i), out16 + 4 * i);
        return;
    }
    for (int i0 = 0; i0 < groups * 8; i0 += 8) Finish8(s, rs, cx + i0, consecutive, A, i0, px + 3 * i0);
    for (int i = groups * 8; i < n; ++i) {
        uint32_t v[4];
        AccumulatorResult(LaneGet(A, i), v);
        FinishPixel(s, rs, cx[i], v, px + 3 * i);
    }
}

// Points the row sources at canvas row cy (layers, paint, trace) and mask row
// maskRow.
void SetRow(const RenderSetup &s, RowSources &rs, int32_t cy, int32_t maskRow) {
    rs.cy = cy;
    for (int k = 0; k < s.count; ++k) {
        const DrawEntry &e = s.entries[k];
        rs.layer[k] = cy < e.rows ? e.pixels + static_cast<ptrdiff_t>(cy) * e.stride : nullptr;
    }
    rs.paint = s.paint != nullptr && cy < s.paintRows ? s.paint + static_cast<ptrdiff_t>(cy) * s.paintStride : nullptr;
    rs.trace = s.trace != nullptr && cy < s.traceRows ? s.trace + static_cast<ptrdiff_t>(cy) * s.traceStride : nullptr;
    rs.mask = s.mask != nullptr ? s.mask + static_cast<ptrdiff_t>(maskRow) * s.canvasWidth : nullptr;
}

// The readable extent of a buffer: rows and columns that exist, with a stride
// too short for the width limiting the columns.
void BufferExtent(const LayerSlot &slot, int32_t &columns, int32_t &rows) {
    columns = slot.width < 0 ? 0 : slot.width;
    if (slot.stride / 4 < columns) columns = slot.stride < 0 ? 0 : slot.stride / 4;
    rows = slot.height < 0 ? 0 : slot.height;
}

bool BuildSetup(RenderSetup &s) {
    const LayerSlot *current = g_engine.currentSlot;
    if (current == nullptr || current->pixels == nullptr) return false;
    const bool strokeExists = g_engine.paintLayer.pixels != nullptr;

    s.count = 0;
    s.alphaLayerOpacity = g_engine.alphaLayerOpacity;
    bool strokeShown = false;
    for (int slot = 1; slot < kLayerCount; ++slot) {
        const LayerSlot &L = g_engine.layers[slot];
        if (L.pixels == nullptr || !L.visible || L.blendMode == kTextureSourceMode) continue;
        DrawEntry &e = s.entries[s.count];
        e.pixels = L.pixels;
        BufferExtent(L, e.columns, e.rows);
        e.stride = L.stride;
        e.mode = L.blendMode;
        e.opacity = L.opacity;
        e.alphaMode = L.blendMode >= kFirstAlphaModeId && L.blendMode <= kLastAlphaModeId;
        e.skippable = L.blendMode <= kLastSkippableMode;
        e.background = slot == kBackgroundSlot;
        e.stroke = strokeExists && &L == current;
        e.maskedByNext = false;
        if (s.count > 0 && L.blendMode == kLayerMaskMode) {
            s.entries[s.count - 1].maskedByNext = true;
            s.entries[s.count - 1].canCover = false;
        }
        e.canCover = e.mode == kModeNormalId && e.opacity >= 255;
        strokeShown = strokeShown || e.stroke;
        ++s.count;
    }

    s.paint = nullptr;
    if (strokeShown) {
        const LayerSlot &P = g_engine.paintLayer;
        s.paint = P.pixels;
        BufferExtent(P, s.paintColumns, s.paintRows);
        s.paintStride = P.stride;
        const uint32_t pre = P.preOpacity > 255 ? 255u : P.preOpacity;
        s.paintPreFactor = pre + 1u;
        s.paintSkippable = P.blendMode <= kLastSkippableMode;
        const bool keepAlpha = current->alphaLocked != 0 || g_engine.tool.alphaLocked != 0;
        s.paintOptions = MakeCompositeOptions(P.blendMode, 255, P.opacity, keepAlpha, false, false);
        // The row loop applies the source alpha's pre-opacity (given as 256:
        // the copy of the paint pixels carries it already) and the opacity the
        // way CompositePixel does; its transparent-destination test is on the
        // formula, which for these modes is the paint mode itself.
        s.strokeRow = s.paintSkippable ? SelectBlendRow(P.blendMode, false, keepAlpha) : nullptr;
        s.paintOp1 = s.paintOptions.opacity >= 255 ? 256u : static_cast<uint32_t>(s.paintOptions.opacity) + 1u;
    }

    s.trace = nullptr;
    const LayerSlot *trace = g_engine.traceSlot;
    if (g_engine.tool.tracingMode && trace != nullptr && trace->pixels != nullptr) {
        s.trace = trace->pixels;
        BufferExtent(*trace, s.traceColumns, s.traceRows);
        s.traceStride = trace->stride;
    }

    s.canvasWidth = g_engine.canvasWidth;
    s.canvasHeight = g_engine.canvasHeight;
    s.mask = g_engine.maskDisplayed && g_engine.maskActive ? g_engine.mask : nullptr;
    s.overlayHalf = g_engine.maskOverlayFullStrength == 0;
    for (int c = 0; c < 3; ++c) {
        // Blue first: the output order.
        s.overlayColour[1][c] = static_cast<uint32_t>(g_engine.maskOverlayColour1[2 - c]);
        s.overlayColour[0][c] = static_cast<uint32_t>(g_engine.maskOverlayColour2[2 - c]);
    }
    return true;
}

enum class ZoomPath { kActual, kMagnify, kReduce };

// The output frame of one call.
struct Frame {
    uint8_t *out;
    ptrdiff_t stride;
    int32_t x, y, w, h;  // the clipped canvas rectangle
    int32_t cols, rows;  // output pixels written
    ZoomPath path;
    int32_t n;  // magnification
    double s;   // reduction: canvas pixels per output pixel
};

inline uint8_t *OutputRow(const Frame &f, int32_t j) { return f.out + static_cast<ptrdiff_t>(j) * f.stride; }

void RenderRowsActual(const RenderSetup &s, const Frame &f, int32_t j0, int32_t j1) {
    RowSources rs;
    int32_t cx[kChunk];
    for (int32_t j = j0; j < j1; ++j) {
        SetRow(s, rs, f.y + j, f.y + j);
        uint8_t *row = OutputRow(f, j);
        for (int32_t i0 = 0; i0 < f.cols; i0 += kChunk) {
            const int n = f.cols - i0 < kChunk ? f.cols - i0 : kChunk;
            for (int i = 0; i < n; ++i) cx[i] = f.x + i0 + i;
            RenderChunk(s, rs, cx, n, row + static_cast<ptrdiff_t>(i0) * 3);
        }
    }
}

void RenderRowsMagnify(const RenderSetup &s, const Frame &f, int32_t j0, int32_t j1) {
    RowSources rs;
    const int32_t n = f.n;
    const size_t rowBytes = static_cast<size_t>(f.cols) * 3u;
    // Canvas columns shown (the last one possibly in part).
    const int32_t canvasCols = static_cast<int32_t>((static_cast<int64_t>(f.cols) + n - 1) / n);
    // Output rows showing the same canvas row are byte-for-byte equal: copy
    // them, unless the host's rows overlap.
    const bool copyRows = (f.stride < 0 ? -f.stride : f.stride) >= static_cast<ptrdiff_t>(rowBytes);
    int32_t cx[kChunk];
    uint8_t px[3 * kChunk];
    for (int32_t j = j0; j < j1; ++j) {
        uint8_t *row = OutputRow(f, j);
        if (copyRows && j > j0 && j / n == (j - 1) / n) {
            std::memcpy(row, OutputRow(f, j - 1), rowBytes);
            continue;
        }
        const int32_t cy = f.y + j / n;
        SetRow(s, rs, cy, cy);
        // Each canvas pixel once, repeated n times across (the last one as
        // often as the column limit allows).
        for (int32_t c0 = 0; c0 < canvasCols; c0 += kChunk) {
            const int m = canvasCols - c0 < kChunk ? canvasCols - c0 : kChunk;
            for (int i = 0; i < m; ++i) cx[i] = f.x + c0 + i;
            RenderChunk(s, rs, cx, m, px);
            for (int i = 0; i < m; ++i) {
                const int64_t o0 = static_cast<int64_t>(c0 + i) * n;
                const int64_t reps = f.cols - o0 < n ? f.cols - o0 : n;
                uint8_t *o = row + o0 * 3;
                for (int64_t r = 0; r < reps; ++r, o += 3) {
                    o[0] = px[3 * i];
                    o[1] = px[3 * i + 1];
                    o[2] = px[3 * i + 2];
                }
            }
        }
    }
}

// One step of the reduction stepping: the accumulator advances by s and the
// integer part is the number of canvas pixels to step.
inline int32_t StepReduction(double &acc, double s) {
    acc += s;
    const int32_t step = static_cast<int32_t>(acc);
    acc -= step;
    return step;
}

static_assert(8192 % kChunk == 0, "the column table holds whole chunks");

void RenderRowsReduce(const RenderSetup &s, const Frame &f, int32_t j0, int32_t j1) {
    RowSources rs;
    // Replay the row stepping up to the first row of this block, so every
    // block of rows samples exactly the rows a single pass would.
    double rowAcc = 0.0;
    int32_t Y = 0;
    for (int32_t j = 0; j < j0; ++j) Y += StepReduction(rowAcc, f.s);
    const int32_t lastX = f.x + f.w - 1, lastY = f.y + f.h - 1;
    // Every row steps through the same columns: the first kColumnTable of
    // them are stepped once here, the rest (very wide views) row by row from
    // the state the table ends with.
    constexpr int32_t kColumnTable = 8192;
    int32_t table[kColumnTable];
    const int32_t tabled = f.cols < kColumnTable ? f.cols : kColumnTable;
    double tableAcc = 0.0;
    int32_t tableX = 0;
    for (int32_t i = 0; i < tabled; ++i) {
        table[i] = f.x + tableX > lastX ? lastX : f.x + tableX;
        tableX += StepReduction(tableAcc, f.s);
    }
    int32_t cx[kChunk];
    for (int32_t j = j0; j < j1; ++j) {
        int32_t cy = f.y + Y;
        if (cy > lastY) cy = lastY;
        int32_t maskRow = static_cast<int32_t>(f.y + j * f.s);
        if (maskRow > lastY) maskRow = lastY;
        SetRow(s, rs, cy, maskRow);
        uint8_t *row = OutputRow(f, j);
        double colAcc = tableAcc;
        int32_t X = tableX;
        for (int32_t i0 = 0; i0 < f.cols; i0 += kChunk) {
            const int n = f.cols - i0 < kChunk ? f.cols - i0 : kChunk;
            const int32_t *cols = table + i0;
            if (i0 + n > tabled) {
                // Past the table (kColumnTable is a multiple of kChunk, so
                // the whole chunk is).
                for (int i = 0; i < n; ++i) {
                    cx[i] = f.x + X > lastX ? lastX : f.x + X;
                    X += StepReduction(colAcc, f.s);
                }
                cols = cx;
            }
            RenderChunk(s, rs, cols, n, row + static_cast<ptrdiff_t>(i0) * 3);
        }
        Y += StepReduction(rowAcc, f.s);
    }
}

void RenderRows(const RenderSetup &s, const Frame &f, int32_t j0, int32_t j1) {
    switch (f.path) {
        case ZoomPath::kActual:
            RenderRowsActual(s, f, j0, j1);
            break;
        case ZoomPath::kMagnify:
            RenderRowsMagnify(s, f, j0, j1);
            break;
        case ZoomPath::kReduce:
            RenderRowsReduce(s, f, j0, j1);
            break;
    }
}

// Chooses the zoom path and the output size; false when nothing is written.
bool PlanFrame(Frame &f, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int64_t W = g_engine.canvasWidth, H = g_engine.canvasHeight;
    int64_t x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int64_t w0 = w, h0 = h;
    if (x0 + w0 > W) w0 = W - x0;
    if (y0 + h0 > H) h0 = H - y0;
    if (w0 <= 0 || h0 <= 0) return false;
    f.x = static_cast<int32_t>(x0);
    f.y = static_cast<int32_t>(y0);
    f.w = static_cast<int32_t>(w0);
    f.h = static_cast<int32_t>(h0);

    const int32_t zoom = g_engine.viewZoom;
    const float scale = g_engine.viewScale;
    int64_t cols, rows;
    if (scale == static_cast<float>(zoom)) {
        f.path = ZoomPath::kActual;
        cols = w0;
        rows = h0;
    } else if (scale < static_cast<float>(zoom)) {
        if (zoom < 1) return false;
        f.path = ZoomPath::kMagnify;
        f.n = zoom;
        cols = w0 * zoom;
        rows = h0 * zoom;
    } else if (scale > static_cast<float>(zoom)) {
        if (!(scale > 0.0f) || !(scale < 1e30f)) return false;
        f.path = ZoomPath::kReduce;
        f.s = scale;
        // Columns up to trunc(x + w / s - 1), rows likewise.
        cols = static_cast<int64_t>(static_cast<double>(x0) + static_cast<double>(w0) / f.s - 1.0) - x0 + 1;
        rows = static_cast<int64_t>(static_cast<double>(y0) + static_cast<double>(h0) / f.s - 1.0) - y0 + 1;
    } else {
        return false;  // a NaN scale
    }
    if (cols > g_engine.viewWidth) cols = g_engine.viewWidth;
    if (rows > g_engine.viewHeight) rows = g_engine.viewHeight;
    if (cols <= 0 || rows <= 0) return false;
    f.cols = static_cast<int32_t>(cols);
    f.rows = static_cast<int32_t>(rows);
    return true;
}

}  // namespace

void RenderViewThreads(uint8_t *output, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h, int threads) {
    if (output == nullptr) return;
    RenderSetup setup;
    if (!BuildSetup(setup)) return;
    Frame f;
    if (!PlanFrame(f, x, y, w, h)) return;
    f.out = output;
    f.stride = stride;

    int team = threads;
    if (team <= 0) {
        const bool large = f.rows >= kParallelMinRows && static_cast<int64_t>(f.rows) * f.cols >= kParallelMinPixels;
        team = large ? omp_get_max_threads() : 1;
    }
    if (team > f.rows) team = f.rows;
    if (team <= 1) {
        RenderRows(setup, f, 0, f.rows);
        return;
    }
    // Contiguous blocks of output rows; each thread writes only its own rows
    // and computes them exactly as a single pass would.
#pragma omp parallel num_threads(team)
    {
        const int64_t t = omp_get_thread_num(), nt = omp_get_num_threads();
        const int32_t j0 = static_cast<int32_t>(f.rows * t / nt);
        const int32_t j1 = static_cast<int32_t>(f.rows * (t + 1) / nt);
        RenderRows(setup, f, j0, j1);
    }
}

void SetRenderPathsForTests(bool batched, bool simd) {
    g_renderBatched = batched;
    g_renderLevel = simd ? g_bestRenderLevel : kRenderVectorNone;
}

int BestRenderVectorLevel() { return g_bestRenderLevel; }

void RenderCompositeForTests(int32_t cy, const int32_t *cx, int n, uint32_t *out) {
    RenderSetup setup;
    if (out == nullptr || cx == nullptr || n <= 0 || n > kChunk || !BuildSetup(setup)) return;
    if (cy < 0 || cy >= setup.canvasHeight) return;
    RowSources rs;
    SetRow(setup, rs, cy, cy);
    RenderChunk(setup, rs, cx, n, nullptr, out);
}

int SetRenderVectorLevelForTests(int level) {
    g_renderBatched = true;
    g_renderLevel = level < 0 ? 0 : (level > g_bestRenderLevel ? g_bestRenderLevel : level);
    return g_renderLevel;
}

void RenderView(uint8_t *output, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h) {
    RenderViewThreads(output, stride, x, y, w, h, 0);
}
