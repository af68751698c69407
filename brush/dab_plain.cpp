// Row kernels of the plain brush: paint over (mix code 32) with the dab
// colour, without pick-up, rotation, per-pixel variation or erasing. This is
// the brush most strokes use, so it has a scalar kernel with the dab colour in
// registers and two vector kernels: SSE2 (every x86-64 processor) and AVX2
// (chosen at run time where the processor has it). All give exactly the
// general row kernel's result; the fast-path switch (SetDabFastPath) chooses
// among them so tests can compare.
//
// Paint over, per pixel with coverage w and dab colour (C, A):
//   e = (w * A) >> 16, e' = 65535 - e
//   da = 0:  colour C, alpha e
//   else:    na = (((65535 - da) * e) >> 16) + da
//            K  = ((e' * ((d * da) >> 16)) >> 16) + ((e * C) >> 16)
//            colour = min(65535, (K << 16) / na)
// (the general kernel writes K << 16 as the sum of the two products with
// their low 16 bits cleared; the sum of the high halves is the same number).
//
// Facts the kernels rely on, with w, A, C, d, da all in 0..65535:
// - Every product above is of two 16-bit values, so its high half is exactly
//   what a 16-bit "multiply high" gives; no 32-bit product is needed except
//   in the division.
// - K <= 65535: e + e' = 65535, so e' * x + e * C <= 65535 * 65535 < 2^32 and
//   the sum of the two high halves is at most the high half of the sum.
// - na <= 65535: for da < 65535, (65535 - da) * e < (65535 - da) * 65536, so
//   the high half is at most 65534 - da.
// - Opaque target (da = 65535): na = 65535 and (K << 16) / 65535 =
//   K + K / 65535 (as K * 65536 = K * 65535 + K), which is K for K < 65535
//   and 65536 for K = 65535, clamped to 65535 = K. So an opaque target takes
//   colour K with no division at all.
#include <algorithm>
#include <cstring>

#include "brush/dab.h"
#include "brush/dab_p.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TSY_DAB_X86 1
#endif

namespace {

int g_dabFastPath = kDabFastPathBest;

// Row pointers of one dab row, or false when the row maps outside the brush.
struct PlainRowPtrs {
    uint16_t *t;            // target pixel of column x0c
    const uint8_t *tex;     // texture at (x0c, y), null without texture
    const uint16_t *mrow;   // mask at (x0c, y), null without mask
    const uint16_t *shape;  // brush row, shifted by scaleMap[skipX]
    const uint8_t *grit;    // grain row, shifted likewise; null without grain
    int limit;              // column k is inside the brush while scaleMap[k] < limit
};

inline bool PlainRowSetup(const DabContext &c, int y, PlainRowPtrs &p) {
    const int by = c.scaleMap[y - c.y0c + c.skipY];
    if (static_cast<unsigned>(by) >= static_cast<unsigned>(c.brushSize)) return false;
    p.t = c.target + c.targetStride * static_cast<size_t>(y) + 4 * static_cast<size_t>(c.x0c);
    const size_t rowOff = static_cast<size_t>(y) * static_cast<size_t>(c.W) + static_cast<size_t>(c.x0c);
    p.tex = c.texture != nullptr ? c.texture + rowOff : nullptr;
    p.mrow = c.mask != nullptr ? c.mask + rowOff : nullptr;
    const size_t shapeRow = static_cast<size_t>(by) * static_cast<size_t>(c.S) + static_cast<size_t>(c.mapSkipX);
    p.shape = c.shape + shapeRow;
    p.grit = c.grit != nullptr ? c.grit + shapeRow : nullptr;
    p.limit = c.brushSize - c.mapSkipX;
    return p.limit > 0;
}

// One pixel of the plain brush, column k of the row. The arithmetic is the
// general kernel's, in the order it does it.
inline void PlainPixel(const DabContext &c, const PlainRowPtrs &p, int k) {
    const int bx = c.scaleMap[k];
    if (bx >= p.limit) return;
    if (p.grit != nullptr && p.grit[bx] > c.density) return;
    uint32_t w = p.shape[bx];
    if (c.alphaScaled) w = (w * c.alphaFactor) >> 7;
    if (p.tex != nullptr && p.tex[k] < 255u) w = (p.tex[k] * w) >> 8;
    uint32_t ceiling = 65535u;
    if (p.mrow != nullptr) {
        const uint32_t M = p.mrow[k];
        if (c.direct) {
            if (M < 65535u) w = (M * w) >> 16;
        } else {
            ceiling = M;
        }
    }
    if (w == 0) return;
    if (c.solid) w = 65535u;
    uint16_t *t = p.t + 4 * static_cast<size_t>(k);
    const uint32_t R = static_cast<uint32_t>(c.R), G = static_cast<uint32_t>(c.G), B = static_cast<uint32_t>(c.B);
    const uint32_t A = static_cast<uint32_t>(c.A);
    const uint32_t dr = t[0], dg = t[1], db = t[2], da = t[3];
    uint32_t nr, ng, nb, na;
    const uint32_t e = (w * A) >> 16;
    if (da == 0) {
        nr = R, ng = G, nb = B;
        na = e;
    } else {
        const uint32_t ei = 65535u - e;
        const uint32_t er = (e * R) & 0xFFFF0000u, eg = (e * G) & 0xFFFF0000u, eb = (e * B) & 0xFFFF0000u;
        if (da == 65535u) {
            // Opaque target: the colour is K itself (see the top of the file).
            na = 65535u;
            nr = ((((ei * ((dr * 65535u) >> 16)) & 0xFFFF0000u) + er) >> 16);
            ng = ((((ei * ((dg * 65535u) >> 16)) & 0xFFFF0000u) + eg) >> 16);
            nb = ((((ei * ((db * 65535u) >> 16)) & 0xFFFF0000u) + eb) >> 16);
        } else {
            na = (((65535u - da) * e) >> 16) + da;
            nr = (((ei * ((dr * da) >> 16)) & 0xFFFF0000u) + er) / na;
            ng = (((ei * ((dg * da) >> 16)) & 0xFFFF0000u) + eg) / na;
            nb = (((ei * ((db * da) >> 16)) & 0xFFFF0000u) + eb) / na;
            nr = nr > 65535u ? 65535u : nr;
            ng = ng > 65535u ? 65535u : ng;
            nb = nb > 65535u ? 65535u : nb;
        }
    }
    if (!c.colorLocked) {
        t[0] = static_cast<uint16_t>(nr);
        t[1] = static_cast<uint16_t>(ng);
        t[2] = static_cast<uint16_t>(nb);
    }
    if (c.writeAlpha && (!c.blobLocked || (da > 8191u && na > 8191u))) {
        uint32_t v = c.alphaLevel > 0 ? c.alphaLevel : na;
        if (v > ceiling) v = ceiling;
        t[3] = static_cast<uint16_t>(v > 65535u ? 65535u : v);
    }
}

#ifdef TSY_DAB_X86
bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#else
bool CpuHasAvx2() { return false; }
#endif

}  // namespace

void SetDabFastPath(int mode) { g_dabFastPath = std::clamp(mode, 0, static_cast<int>(kDabFastPathBest)); }

int DabVectorKernelAvailable() { return CpuHasAvx2() ? 1 : 0; }

void PlainRowScalar(const DabContext &c, int y) {
    PlainRowPtrs p;
    if (!PlainRowSetup(c, y, p)) return;
    const int n = c.x1c - c.x0c;
    for (int k = 0; k < n; ++k) PlainPixel(c, p, k);
}

RowFn PlainRowKernel(DabContext &c) {
    if (g_dabFastPath == kDabFastPathOff) return nullptr;
    // The kernels index the brush row by scaleMap[skipX] + scaleMap[k] and
    // test only the upper end: every map value must be non-negative.
    const int n = c.x1c - c.x0c;
    if (c.mapSkipX < 0) return nullptr;
    bool identity = n <= c.brushSize - c.mapSkipX;
    for (int k = 0; k < n; ++k) {
        if (c.scaleMap[k] < 0) return nullptr;
        identity = identity && c.scaleMap[k] == k;
    }
    c.plainIdentityMap = identity;
    if (g_dabFastPath == kDabFastPathScalar || !PlainRowVectorUsable(c)) return PlainRowScalar;
    if (g_dabFastPath >= kDabFastPathBest && CpuHasAvx2()) return PlainRowAvx2;
#ifdef TSY_DAB_X86
    return PlainRowSse2;
#else
    return PlainRowScalar;
#endif
}

// The vector kernels keep every coverage value in 16 bits: they take dab
// opacity factors up to 128 (the setter's range; 128 leaves w unchanged).
bool PlainRowVectorUsable(const DabContext &c) { return !c.alphaScaled || c.alphaFactor <= 128u; }

#ifdef TSY_DAB_X86

// Both vector kernels work in 16-bit lanes, pixels as they lie in memory
// (red, green, blue, alpha), eight columns per step:
// 1. the coverage of the eight columns in one 128-bit vector, computed as
//    PlainPixel does (grain, opacity, texture, mask); a step without any
//    coverage is skipped whole, so the transparent corners of a round brush
//    cost little;
// 2. e = (w * A) >> 16 and the pixel's ceiling spread to all four lanes of
//    their pixel, then the pixels composited four (AVX2) or two (SSE2) per
//    vector with 16-bit multiply-high, the division (below) only where a
//    target pixel is neither transparent nor opaque, and the results
//    selected per lane;
// 3. the last columns of the row through PlainPixel.
//
// The exact division (K << 16) / na, saturated to 65535, for na >= 1:
// single-precision division of the exact values K * 65536 and na is correctly
// rounded and monotonic, so with m = floor(K * 65536 / na) the truncated
// quotient is m or m + 1 whenever m < 65536 (m and m + 1 are exact floats);
// limited to 65536 first, it is 65536 whenever m >= 65536. One test
// q * na > K << 16 (both below 2^32 as q <= 65536 and na <= 65535, compared
// unsigned) takes off the extra one; the saturating pack to 16 bits turns
// 65536 into 65535.

namespace {

// The coverage step is plain SSE2 so both kernels share it; it must be
// inlined into the AVX2 kernel (as a call it would mix legacy SSE and AVX
// encodings in the hot loop).
#define TSY_SHARED_INLINE inline __attribute__((always_inline))

// Per-row constants and inputs of the coverage step.
struct CoverConsts {
    __m128i dens;    // density (grain skips values above it)
    __m128i factor;  // opacity factor << 9
    __m128i A;       // dab alpha
    bool gritOn, scaleW, direct, solid, identity;
};

TSY_SHARED_INLINE CoverConsts MakeCoverConsts(const DabContext &c, const PlainRowPtrs &p) {
    CoverConsts k;
    k.gritOn = p.grit != nullptr && c.density < 255u;
    k.scaleW = c.alphaScaled && c.alphaFactor < 128u;
    k.direct = c.direct;
    k.solid = c.solid;
    k.identity = c.plainIdentityMap;
    k.dens = _mm_set1_epi16(static_cast<short>(c.density));
    k.factor = _mm_set1_epi16(static_cast<short>(c.alphaFactor << 9));
    k.A = _mm_set1_epi16(static_cast<short>(c.A));
    return k;
}

TSY_SHARED_INLINE __m128i Select128(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Step 1 for columns k..k+7 (SSE2 only, so both kernels share it): e and the
// live mask (all ones where the pixel is painted), the ceiling (all ones
// unless the mask is an alpha ceiling). False when no column is painted.
TSY_SHARED_INLINE bool CoverEight(const DabContext &c, const PlainRowPtrs &p, const CoverConsts &q, int k, __m128i &E,
                                  __m128i &live, __m128i &ceil) {
    const __m128i ones = _mm_set1_epi32(-1);
    const __m128i zero = _mm_setzero_si128();
    __m128i W, Gr = zero;
    if (q.identity) {
        W = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p.shape + k));
        if (q.gritOn) Gr = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p.grit + k)), zero);
    } else {
        alignas(16) uint16_t ws[8];
        alignas(16) uint16_t gs[8];
        for (int i = 0; i < 8; ++i) {
            const int bx = c.scaleMap[k + i];
            const bool in = bx < p.limit;
            ws[i] = in ? p.shape[bx] : 0;
            gs[i] = in && q.gritOn ? p.grit[bx] : 0;
        }
        W = _mm_load_si128(reinterpret_cast<const __m128i *>(ws));
        Gr = _mm_load_si128(reinterpret_cast<const __m128i *>(gs));
    }
    if (q.gritOn) W = _mm_andnot_si128(_mm_cmpgt_epi16(Gr, q.dens), W);
    if (q.scaleW) W = _mm_mulhi_epu16(W, q.factor);
    if (p.tex != nullptr) {
        const __m128i tx = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p.tex + k)), zero);
        const __m128i tw = _mm_mulhi_epu16(W, _mm_slli_epi16(tx, 8));
        W = Select128(_mm_cmpeq_epi16(tx, _mm_set1_epi16(255)), W, tw);
    }
    ceil = ones;
    if (p.mrow != nullptr) {
        const __m128i M = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p.mrow + k));
        if (q.direct) {
            W = Select128(_mm_cmpeq_epi16(M, ones), W, _mm_mulhi_epu16(M, W));
        } else {
            ceil = M;
        }
    }
    live = _mm_xor_si128(_mm_cmpeq_epi16(W, zero), ones);
    if (_mm_movemask_epi8(live) == 0) return false;
    if (q.solid) W = _mm_or_si128(W, live);
    E = _mm_mulhi_epu16(W, q.A);
    return true;
}

// The dab colour as one pixel's four lanes.
TSY_SHARED_INLINE int64_t ColourPattern(const DabContext &c) {
    return static_cast<int64_t>(static_cast<uint64_t>(c.R) | (static_cast<uint64_t>(c.G) << 16) |
                                (static_cast<uint64_t>(c.B) << 32) | (static_cast<uint64_t>(c.A) << 48));
}

constexpr int64_t kAlphaLanes = static_cast<int64_t>(0xFFFF000000000000ull);

// ---- SSE2 kernel: two pixels per vector ----

inline __m128i Min16(__m128i a, __m128i b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); }

inline __m128i Above8191(__m128i x) {
    return _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(x, _mm_set1_epi16(8191)), _mm_setzero_si128()),
                         _mm_set1_epi32(-1));
}

// Low 32 bits of the lane products (both factors below 2^17 here).
inline __m128i MulLo32(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
}

inline __m128i DivideK(__m128i K, __m128i na) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sign = _mm_set1_epi32(static_cast<int>(0x80000000u));
    const __m128 scale = _mm_set1_ps(65536.0f);
    __m128i q[2];
    for (int h = 0; h < 2; ++h) {
        const __m128i k32 = h == 0 ? _mm_unpacklo_epi16(K, zero) : _mm_unpackhi_epi16(K, zero);
        const __m128i n32 = h == 0 ? _mm_unpacklo_epi16(na, zero) : _mm_unpackhi_epi16(na, zero);
        __m128 qf = _mm_div_ps(_mm_mul_ps(_mm_cvtepi32_ps(k32), scale), _mm_cvtepi32_ps(n32));
        qf = _mm_min_ps(qf, scale);
        const __m128i qi = _mm_cvttps_epi32(qf);
        const __m128i prod = MulLo32(qi, n32);
        const __m128i num = _mm_slli_epi32(k32, 16);
        const __m128i over = _mm_cmpgt_epi32(_mm_xor_si128(prod, sign), _mm_xor_si128(num, sign));
        // 0..65536, moved to the signed range for the saturating pack.
        q[h] = _mm_sub_epi32(_mm_add_epi32(qi, over), _mm_set1_epi32(32768));
    }
    return _mm_xor_si128(_mm_packs_epi32(q[0], q[1]), _mm_set1_epi16(static_cast<short>(0x8000)));
}

struct Consts128 {
    __m128i colour, alphaLanes, level;
};

inline void PlainPair(const DabContext &c, const Consts128 &v, uint16_t *t, __m128i E, __m128i live, __m128i ceil) {
    const __m128i ones = _mm_set1_epi32(-1);
    const __m128i zero = _mm_setzero_si128();
    const __m128i T = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t));
    const __m128i DA = _mm_shufflehi_epi16(_mm_shufflelo_epi16(T, 0xFF), 0xFF);
    const __m128i dD = _mm_mulhi_epu16(T, DA);
    const __m128i K = _mm_add_epi16(_mm_mulhi_epu16(_mm_xor_si128(E, ones), dD), _mm_mulhi_epu16(E, v.colour));
    const __m128i NA = _mm_add_epi16(_mm_mulhi_epu16(_mm_xor_si128(DA, ones), E), DA);
    const __m128i clear = _mm_cmpeq_epi16(DA, zero);
    const __m128i opaque = _mm_cmpeq_epi16(DA, ones);
    __m128i Q = K;  // opaque targets need no division
    if (_mm_movemask_epi8(_mm_or_si128(clear, opaque)) != 0xFFFF) Q = DivideK(K, _mm_sub_epi16(NA, clear));
    const __m128i NC = Select128(clear, v.colour, Q);
    const __m128i na = Select128(clear, E, NA);
    const __m128i colourOut = c.colorLocked ? T : NC;
    __m128i alphaOut = T;
    if (c.writeAlpha) {
        __m128i a = Min16(c.alphaLevel > 0 ? v.level : na, ceil);
        if (c.blobLocked) a = Select128(Above8191(DA), a, T);
        alphaOut = a;
    }
    const __m128i out = Select128(v.alphaLanes, alphaOut, colourOut);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(t), Select128(live, out, T));
}

}  // namespace

void PlainRowSse2(const DabContext &c, int y) {
    PlainRowPtrs p;
    if (!PlainRowSetup(c, y, p)) return;
    const int n = c.x1c - c.x0c;
    const CoverConsts q = MakeCoverConsts(c, p);
    Consts128 v;
    v.colour = _mm_set1_epi64x(ColourPattern(c));
    v.alphaLanes = _mm_set1_epi64x(kAlphaLanes);
    v.level = _mm_set1_epi16(static_cast<short>(c.alphaLevel < 65535u ? c.alphaLevel : 65535u));
    const bool ceilings = p.mrow != nullptr && !c.direct;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        __m128i E, live, ceil;
        if (!CoverEight(c, p, q, k, E, live, ceil)) continue;
        // Each value to its pixel's four lanes: pixels 0-1, 2-3, 4-5, 6-7.
        const __m128i eLo = _mm_unpacklo_epi16(E, E), eHi = _mm_unpackhi_epi16(E, E);
        const __m128i lLo = _mm_unpacklo_epi16(live, live), lHi = _mm_unpackhi_epi16(live, live);
        const __m128i cLo = _mm_unpacklo_epi16(ceil, ceil), cHi = _mm_unpackhi_epi16(ceil, ceil);
        const __m128i es[4] = {_mm_unpacklo_epi32(eLo, eLo), _mm_unpackhi_epi32(eLo, eLo), _mm_unpacklo_epi32(eHi, eHi),
                               _mm_unpackhi_epi32(eHi, eHi)};
        const __m128i ls[4] = {_mm_unpacklo_epi32(lLo, lLo), _mm_unpackhi_epi32(lLo, lLo), _mm_unpacklo_epi32(lHi, lHi),
                               _mm_unpackhi_epi32(lHi, lHi)};
        const __m128i none = _mm_set1_epi32(-1);
        const __m128i cs[4] = {
            ceilings ? _mm_unpacklo_epi32(cLo, cLo) : none, ceilings ? _mm_unpackhi_epi32(cLo, cLo) : none,
            ceilings ? _mm_unpacklo_epi32(cHi, cHi) : none, ceilings ? _mm_unpackhi_epi32(cHi, cHi) : none};
        uint16_t *t = p.t + 4 * static_cast<size_t>(k);
        for (int i = 0; i < 4; ++i) PlainPair(c, v, t + 8 * i, es[i], ls[i], cs[i]);
    }
    for (; k < n; ++k) PlainPixel(c, p, k);
}

void PlainDivide16Sse2(const uint16_t *K, const uint16_t *na, uint16_t *q) {
    for (int h = 0; h < 2; ++h) {
        const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i *>(K + 8 * h));
        const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i *>(na + 8 * h));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + 8 * h), DivideK(k, n));
    }
}

// ---- AVX2 kernel: four pixels per vector ----

namespace {

#define TSY_AVX2 __attribute__((target("avx2")))

TSY_AVX2 inline __m256i DivideK(__m256i K, __m256i na) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i sign = _mm256_set1_epi32(static_cast<int>(0x80000000u));
    const __m256 scale = _mm256_set1_ps(65536.0f);
    __m256i q[2];
    for (int h = 0; h < 2; ++h) {
        const __m256i k32 = h == 0 ? _mm256_unpacklo_epi16(K, zero) : _mm256_unpackhi_epi16(K, zero);
        const __m256i n32 = h == 0 ? _mm256_unpacklo_epi16(na, zero) : _mm256_unpackhi_epi16(na, zero);
        __m256 qf = _mm256_div_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(k32), scale), _mm256_cvtepi32_ps(n32));
        qf = _mm256_min_ps(qf, scale);
        const __m256i qi = _mm256_cvttps_epi32(qf);
        const __m256i prod = _mm256_mullo_epi32(qi, n32);
        const __m256i num = _mm256_slli_epi32(k32, 16);
        const __m256i over = _mm256_cmpgt_epi32(_mm256_xor_si256(prod, sign), _mm256_xor_si256(num, sign));
        q[h] = _mm256_add_epi32(qi, over);
    }
    return _mm256_packus_epi32(q[0], q[1]);
}

TSY_AVX2 inline __m256i Above8191(__m256i x) {
    return _mm256_xor_si256(_mm256_cmpeq_epi16(_mm256_subs_epu16(x, _mm256_set1_epi16(8191)), _mm256_setzero_si256()),
                            _mm256_set1_epi32(-1));
}

struct Consts256 {
    __m256i colour, alphaLanes, level;
};

TSY_AVX2 inline void PlainQuad(const DabContext &c, const Consts256 &v, uint16_t *t, __m256i E, __m256i live,
                               __m256i ceil) {
    const __m256i ones = _mm256_set1_epi32(-1);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i T = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t));
    const __m256i DA = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(T, 0xFF), 0xFF);
    const __m256i dD = _mm256_mulhi_epu16(T, DA);
    const __m256i K =
        _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_xor_si256(E, ones), dD), _mm256_mulhi_epu16(E, v.colour));
    const __m256i NA = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_xor_si256(DA, ones), E), DA);
    const __m256i clear = _mm256_cmpeq_epi16(DA, zero);
    const __m256i opaque = _mm256_cmpeq_epi16(DA, ones);
    __m256i Q = K;  // opaque targets need no division
    if (_mm256_movemask_epi8(_mm256_or_si256(clear, opaque)) != -1) Q = DivideK(K, _mm256_sub_epi16(NA, clear));
    const __m256i NC = _mm256_blendv_epi8(Q, v.colour, clear);
    const __m256i na = _mm256_blendv_epi8(NA, E, clear);
    const __m256i colourOut = c.colorLocked ? T : NC;
    __m256i alphaOut = T;
    if (c.writeAlpha) {
        __m256i a = _mm256_min_epu16(c.alphaLevel > 0 ? v.level : na, ceil);
        if (c.blobLocked) a = _mm256_blendv_epi8(T, a, Above8191(DA));
        alphaOut = a;
    }
    const __m256i out = _mm256_blendv_epi8(colourOut, alphaOut, v.alphaLanes);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(t), _mm256_blendv_epi8(T, out, live));
}

// Eight 16-bit values to two vectors of four pixels, each value in its
// pixel's four lanes.
TSY_AVX2 inline void Spread(__m128i x, __m256i &lo, __m256i &hi) {
    const __m256i both = _mm256_broadcastsi128_si256(x);
    const __m256i ctlLo = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5, 4, 5, 6, 7,
                                           6, 7, 6, 7, 6, 7);
    const __m256i ctlHi = _mm256_add_epi8(ctlLo, _mm256_set1_epi8(8));
    lo = _mm256_shuffle_epi8(both, ctlLo);
    hi = _mm256_shuffle_epi8(both, ctlHi);
}

}  // namespace

TSY_AVX2 void PlainRowAvx2(const DabContext &c, int y) {
    PlainRowPtrs p;
    if (!PlainRowSetup(c, y, p)) return;
    const int n = c.x1c - c.x0c;
    const CoverConsts q = MakeCoverConsts(c, p);
    Consts256 v;
    v.colour = _mm256_set1_epi64x(ColourPattern(c));
    v.alphaLanes = _mm256_set1_epi64x(kAlphaLanes);
    v.level = _mm256_set1_epi16(static_cast<short>(c.alphaLevel < 65535u ? c.alphaLevel : 65535u));
    const bool ceilings = p.mrow != nullptr && !c.direct;
    const __m256i none = _mm256_set1_epi32(-1);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        __m128i E8, live8, ceil8;
        if (!CoverEight(c, p, q, k, E8, live8, ceil8)) continue;
        __m256i E0, E1, L0, L1, C0 = none, C1 = none;
        Spread(E8, E0, E1);
        Spread(live8, L0, L1);
        if (ceilings) Spread(ceil8, C0, C1);
        uint16_t *t = p.t + 4 * static_cast<size_t>(k);
        PlainQuad(c, v, t, E0, L0, C0);
        PlainQuad(c, v, t + 16, E1, L1, C1);
    }
    for (; k < n; ++k) PlainPixel(c, p, k);
}

TSY_AVX2 void PlainDivide16Avx2(const uint16_t *K, const uint16_t *na, uint16_t *q) {
    const __m256i k = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(K));
    const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(na));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(q), DivideK(k, n));
}

#else

void PlainRowAvx2(const DabContext &c, int y) { PlainRowScalar(c, y); }
void PlainRowSse2(const DabContext &c, int y) { PlainRowScalar(c, y); }

void PlainDivide16Avx2(const uint16_t *K, const uint16_t *na, uint16_t *q) { PlainDivide16Sse2(K, na, q); }
void PlainDivide16Sse2(const uint16_t *K, const uint16_t *na, uint16_t *q) {
    for (int i = 0; i < 16; ++i)
        q[i] = static_cast<uint16_t>(std::min(65535u, (static_cast<uint32_t>(K[i]) << 16) / na[i]));
}

#endif
