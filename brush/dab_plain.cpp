// Row kernels of the plain brush: paint over (mix code 32) with the dab
// colour, without pick-up, rotation, per-pixel variation or erasing. This is
// the brush most strokes use, so it has a scalar kernel with the dab colour in
// registers and, on processors with AVX2 (checked at run time), a vector
// kernel. Both give exactly the general row kernel's result; the fast-path
// switch (SetDabFastPath) turns them off so tests can compare.
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
    if (g_dabFastPath >= kDabFastPathBest && CpuHasAvx2() && PlainRowAvx2Usable(c)) return PlainRowAvx2;
    return PlainRowScalar;
}

// The vector kernel keeps every coverage value in 16 bits: it takes dab
// opacity factors up to 128 (the setter's range; 128 leaves w unchanged).
bool PlainRowAvx2Usable(const DabContext &c) { return !c.alphaScaled || c.alphaFactor <= 128u; }

#ifdef TSY_DAB_X86

namespace {

#define TSY_AVX2 __attribute__((target("avx2")))

// Exact (K << 16) / na for 16 lanes of 16-bit K and na (na >= 1), saturated to
// 65535. Single-precision division of the exact values K * 65536 and na is
// correctly rounded and monotonic, so with m = floor(K * 65536 / na) the
// truncated quotient is m or m + 1 whenever m < 65536 (m and m + 1 are exact
// floats); limited to 65536 first, it is 65536 whenever m >= 65536. One test
// q * na > K << 16 (both below 2^32 as q <= 65536, na <= 65535; compared
// unsigned) takes off the extra one. The unsigned-saturating pack turns
// 65536 into 65535.
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
        __m256i qi = _mm256_cvttps_epi32(qf);
        const __m256i prod = _mm256_mullo_epi32(qi, n32);
        const __m256i num = _mm256_slli_epi32(k32, 16);
        const __m256i over = _mm256_cmpgt_epi32(_mm256_xor_si256(prod, sign), _mm256_xor_si256(num, sign));
        q[h] = _mm256_add_epi32(qi, over);
    }
    return _mm256_packus_epi32(q[0], q[1]);
}

// Lanes of 16-bit x above 8191.
TSY_AVX2 inline __m256i Above8191(__m256i x) {
    return _mm256_xor_si256(_mm256_cmpeq_epi16(_mm256_subs_epu16(x, _mm256_set1_epi16(8191)), _mm256_setzero_si256()),
                            _mm256_set1_epi32(-1));
}

// Per-dab constants of the vector kernel.
struct PlainVec {
    __m256i colour;      // R, G, B, A per pixel
    __m256i alphaLanes;  // all ones in each pixel's alpha lane
    __m256i level;       // alpha level (0 = off), limited to 65535
};

// Four pixels at t: e, live and ceiling hold each pixel's value in its four
// lanes. Same arithmetic as PlainPixel.
TSY_AVX2 inline void PlainQuad(const DabContext &c, const PlainVec &v, uint16_t *t, __m256i E, __m256i live,
                               __m256i ceil) {
    const __m256i ones = _mm256_set1_epi32(-1);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i T = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t));
    const __m256i DA = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(T, 0xFF), 0xFF);
    const __m256i EI = _mm256_xor_si256(E, ones);
    const __m256i dD = _mm256_mulhi_epu16(T, DA);
    const __m256i K = _mm256_add_epi16(_mm256_mulhi_epu16(EI, dD), _mm256_mulhi_epu16(E, v.colour));
    const __m256i NA = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_xor_si256(DA, ones), E), DA);
    const __m256i clear = _mm256_cmpeq_epi16(DA, zero);
    const __m256i opaque = _mm256_cmpeq_epi16(DA, ones);
    __m256i Q = K;  // opaque targets need no division
    if (_mm256_movemask_epi8(_mm256_or_si256(clear, opaque)) != -1)
        Q = DivideK(K, _mm256_max_epu16(NA, _mm256_set1_epi16(1)));
    const __m256i NC = _mm256_blendv_epi8(Q, v.colour, clear);
    const __m256i na = _mm256_blendv_epi8(NA, E, clear);
    const __m256i colourOut = c.colorLocked ? T : NC;
    __m256i alphaOut = T;
    if (c.writeAlpha) {
        __m256i a = c.alphaLevel > 0 ? v.level : na;
        a = _mm256_min_epu16(a, ceil);
        // The blob lock's test da > 8191 and na > 8191 is da > 8191 alone:
        // na >= da on every target that is not transparent.
        if (c.blobLocked) a = _mm256_blendv_epi8(T, a, Above8191(DA));
        alphaOut = a;
    }
    const __m256i out = _mm256_blendv_epi8(colourOut, alphaOut, v.alphaLanes);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(t), _mm256_blendv_epi8(T, out, live));
}

// Spreads eight 16-bit values to two vectors of four pixels, each value in
// its pixel's four lanes.
TSY_AVX2 inline void Spread(__m128i x, __m256i &lo, __m256i &hi) {
    const __m256i both = _mm256_broadcastsi128_si256(x);
    const __m256i ctlLo = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5, 4, 5, 6, 7,
                                           6, 7, 6, 7, 6, 7);
    const __m256i ctlHi = _mm256_add_epi8(ctlLo, _mm256_set1_epi8(8));
    lo = _mm256_shuffle_epi8(both, ctlLo);
    hi = _mm256_shuffle_epi8(both, ctlHi);
}

}  // namespace

// Eight columns at a time: the coverage of eight pixels in one 16-bit vector
// (groups without coverage are skipped whole), then two groups of four
// pixels composited in 16-bit lanes. The last columns run through PlainPixel.
TSY_AVX2 void PlainRowAvx2(const DabContext &c, int y) {
    PlainRowPtrs p;
    if (!PlainRowSetup(c, y, p)) return;
    const int n = c.x1c - c.x0c;
    const bool identity = c.plainIdentityMap;
    const bool gritOn = p.grit != nullptr && c.density < 255u;
    const bool scaleW = c.alphaScaled && c.alphaFactor < 128u;
    const bool direct = c.direct;
    const __m128i ones8 = _mm_set1_epi32(-1);
    const __m128i zero8 = _mm_setzero_si128();
    const __m128i dens = _mm_set1_epi16(static_cast<short>(c.density));
    const __m128i factor = _mm_set1_epi16(static_cast<short>(c.alphaFactor << 9));
    const __m128i A8 = _mm_set1_epi16(static_cast<short>(c.A));
    PlainVec v;
    v.colour = _mm256_set1_epi64x(
        static_cast<long long>(static_cast<uint64_t>(c.R) | (static_cast<uint64_t>(c.G) << 16) |
                               (static_cast<uint64_t>(c.B) << 32) | (static_cast<uint64_t>(c.A) << 48)));
    v.alphaLanes = _mm256_set1_epi64x(static_cast<long long>(0xFFFF000000000000ull));
    v.level = _mm256_set1_epi16(static_cast<short>(std::min(c.alphaLevel, 65535u)));
    const __m256i noCeiling = _mm256_set1_epi32(-1);

    int k = 0;
    for (; k + 8 <= n; k += 8) {
        __m128i W, Gr = zero8;
        if (identity) {
            W = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p.shape + k));
            if (gritOn) Gr = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p.grit + k)));
        } else {
            alignas(16) uint16_t ws[8];
            alignas(16) uint16_t gs[8];
            for (int i = 0; i < 8; ++i) {
                const int bx = c.scaleMap[k + i];
                const bool in = bx < p.limit;
                ws[i] = in ? p.shape[bx] : 0;
                gs[i] = in && gritOn ? p.grit[bx] : 0;
            }
            W = _mm_load_si128(reinterpret_cast<const __m128i *>(ws));
            Gr = _mm_load_si128(reinterpret_cast<const __m128i *>(gs));
        }
        if (gritOn) W = _mm_andnot_si128(_mm_cmpgt_epi16(Gr, dens), W);
        if (scaleW) W = _mm_mulhi_epu16(W, factor);
        if (p.tex != nullptr) {
            const __m128i tx = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p.tex + k)));
            const __m128i tw = _mm_mulhi_epu16(W, _mm_slli_epi16(tx, 8));
            W = _mm_blendv_epi8(tw, W, _mm_cmpeq_epi16(tx, _mm_set1_epi16(255)));
        }
        __m128i ceil8 = ones8;
        if (p.mrow != nullptr) {
            const __m128i M = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p.mrow + k));
            if (direct) {
                W = _mm_blendv_epi8(_mm_mulhi_epu16(M, W), W, _mm_cmpeq_epi16(M, ones8));
            } else {
                ceil8 = M;
            }
        }
        const __m128i live8 = _mm_xor_si128(_mm_cmpeq_epi16(W, zero8), ones8);
        if (_mm_movemask_epi8(live8) == 0) continue;  // nothing covered in these eight columns
        if (c.solid) W = _mm_or_si128(W, live8);
        const __m128i E8 = _mm_mulhi_epu16(W, A8);
        __m256i E0, E1, L0, L1, C0 = noCeiling, C1 = noCeiling;
        Spread(E8, E0, E1);
        Spread(live8, L0, L1);
        if (p.mrow != nullptr && !direct) Spread(ceil8, C0, C1);
        uint16_t *t = p.t + 4 * static_cast<size_t>(k);
        PlainQuad(c, v, t, E0, L0, C0);
        PlainQuad(c, v, t + 16, E1, L1, C1);
    }
    for (; k < n; ++k) PlainPixel(c, p, k);
}

TSY_AVX2 void PlainDivide16(const uint16_t *K, const uint16_t *na, uint16_t *q) {
    const __m256i k = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(K));
    const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(na));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(q), DivideK(k, n));
}

#else

void PlainRowAvx2(const DabContext &c, int y) { PlainRowScalar(c, y); }

void PlainDivide16(const uint16_t *K, const uint16_t *na, uint16_t *q) {
    for (int i = 0; i < 16; ++i)
        q[i] = static_cast<uint16_t>(std::min(65535u, (static_cast<uint32_t>(K[i]) << 16) / na[i]));
}

#endif
