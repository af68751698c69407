// The merge rows of Normal and the per-channel formulas: a scalar loop and
// AVX2 and AVX-512 loops giving the same bits, chosen at run time. See composite_pixel.h for the precision rules
// and merge_normal_simd_p.h for how the vector loops keep them.
#include "composite/merge_normal_kernel.h"

#include <cstddef>

#include "composite/blend_formulas.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include "composite/exact_scale_simd_p.h"
#define TSY_HAVE_X86_SIMD 1
#endif

namespace {

// ---- scalar ------------------------------------------------------------------

// One pixel of the merge for a formula without alpha-mode transform: steps 1,
// 2, 3, 5, 6 (Color, Hard Color and the Texturize modes clear a transparent
// destination), 7, 8 (Normal only) and 9 of the compositing rule. kBm is the
// formula id (13 stands for 13, 14 and 27: the Normal formula without the
// opaque copy).
template <int kBm, bool kMask, bool kKeep>
inline void BlendPixel(const uint16_t *s, const uint16_t *m, uint16_t *d, uint32_t pre1, uint32_t op1) {
    const uint32_t a0 = s[3];
    if (a0 == 0) return;
    uint32_t a = a0;
    if (kMask && m[3] != 0) a = (((static_cast<uint32_t>(m[0]) + m[1] + m[2]) / 3u) * a) >> 16;
    a = (pre1 * a) >> 8;
    a = (op1 * a) >> 8;
    const uint32_t A = d[3];
    uint32_t r, g, b, outA;
    if (A == 0) {
        if (a == 0 || kBm == 17 || kBm == 18 || kBm == 24 || kBm == 25 || kBm == 26) {
            r = g = b = 0;
            a = 0;
        } else {
            r = s[0], g = s[1], b = s[2];
        }
        outA = a;
    } else if (a == 0) {
        return;
    } else if (kBm == 0 && a >= 65280) {
        r = s[0], g = s[1], b = s[2];
        outA = a;
    } else if constexpr (kBm != 0) {
        const PixelRGBA out = BlendFloat(kBm, s[0], s[1], s[2], a, d[0], d[1], d[2], A);
        r = out.r, g = out.g, b = out.b, outA = out.a;
    } else {
        const float Sa = UnitAlpha(a);
        const float Da = UnitAlpha(A);
        const float iSa = 1.0f - Sa;
        float Xa = (1.0f - Da) * Sa + Da;
        if (!(Xa >= 0.0f)) Xa = 0.0f;
        if (Xa > 1.0f) Xa = 1.0f;
        r = ChannelOut(FNormal(Premultiply(s[0], Sa), Premultiply(d[0], Da), iSa), Xa);
        g = ChannelOut(FNormal(Premultiply(s[1], Sa), Premultiply(d[1], Da), iSa), Xa);
        b = ChannelOut(FNormal(Premultiply(s[2], Sa), Premultiply(d[2], Da), iSa), Xa);
        outA = AlphaOut(Xa);
    }
    d[0] = static_cast<uint16_t>(r);
    d[1] = static_cast<uint16_t>(g);
    d[2] = static_cast<uint16_t>(b);
    if (!kKeep) d[3] = static_cast<uint16_t>(outA);
}

template <int kBm, bool kMask, bool kKeep>
void BlendRowScalar(const uint16_t *s, const uint16_t *m, uint16_t *d, int w, uint32_t pre1, uint32_t op1) {
    for (int i = 0; i < w; ++i)
        BlendPixel<kBm, kMask, kKeep>(s + 4 * i, kMask ? m + 4 * i : nullptr, d + 4 * i, pre1, op1);
}

// The rest of a row after the vector loop has done `done` pixels.
template <int kBm, bool kMask, bool kKeep>
inline void BlendRowTail(const uint16_t *s, const uint16_t *m, uint16_t *d, int w, uint32_t pre1, uint32_t op1,
                         int done) {
    const size_t off = 4u * static_cast<size_t>(done);
    BlendRowScalar<kBm, kMask, kKeep>(s + off, kMask ? m + off : nullptr, d + off, w - done, pre1, op1);
}

}  // namespace

#ifdef TSY_HAVE_X86_SIMD

// ---- AVX2 (8 pixels per step) --------------------------------------------------

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
namespace normal_avx2 {
namespace {

struct V {
    using VI = __m256i;
    using VF = __m256;
    using M = __m256i;  // all-ones lanes where true
    static constexpr int N = 8;

    static VI Set1(int32_t v) { return _mm256_set1_epi32(v); }
    static VF Set1F(float v) { return _mm256_set1_ps(v); }

    // Eight RGBA64 pixels to four vectors of 32-bit channels. The lane order
    // (pixels 0 1 4 5 2 3 6 7) is undone by StorePixels.
    static void LoadPixels(const uint16_t *p, VI &r, VI &g, VI &b, VI &a) {
        const __m256i z = _mm256_setzero_si256();
        const __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
        const __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 16));
        const __m256i lo0 = _mm256_unpacklo_epi16(s0, z), hi0 = _mm256_unpackhi_epi16(s0, z);
        const __m256i lo1 = _mm256_unpacklo_epi16(s1, z), hi1 = _mm256_unpackhi_epi16(s1, z);
        const __m256i t0 = _mm256_unpacklo_epi32(lo0, hi0), t1 = _mm256_unpackhi_epi32(lo0, hi0);
        const __m256i t2 = _mm256_unpacklo_epi32(lo1, hi1), t3 = _mm256_unpackhi_epi32(lo1, hi1);
        r = _mm256_unpacklo_epi64(t0, t2);
        g = _mm256_unpackhi_epi64(t0, t2);
        b = _mm256_unpacklo_epi64(t1, t3);
        a = _mm256_unpackhi_epi64(t1, t3);
    }
    static void StorePixels(uint16_t *p, VI r, VI g, VI b, VI a) {
        const __m256i t0 = _mm256_unpacklo_epi32(r, g), t1 = _mm256_unpacklo_epi32(b, a);
        const __m256i t2 = _mm256_unpackhi_epi32(r, g), t3 = _mm256_unpackhi_epi32(b, a);
        const __m256i s0 = _mm256_packus_epi32(_mm256_unpacklo_epi64(t0, t1), _mm256_unpackhi_epi64(t0, t1));
        const __m256i s1 = _mm256_packus_epi32(_mm256_unpacklo_epi64(t2, t3), _mm256_unpackhi_epi64(t2, t3));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), s0);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(p + 16), s1);
    }

    static VI Add(VI x, VI y) { return _mm256_add_epi32(x, y); }
    static VI Mullo(VI x, VI y) { return _mm256_mullo_epi32(x, y); }
    static VI Srli8(VI x) { return _mm256_srli_epi32(x, 8); }
    static VI Srli16(VI x) { return _mm256_srli_epi32(x, 16); }
    static M Equal(VI x, VI y) { return _mm256_cmpeq_epi32(x, y); }
    static M NotEqual(VI x, VI y) { return _mm256_xor_si256(_mm256_cmpeq_epi32(x, y), _mm256_set1_epi32(-1)); }
    static M Greater(VI x, VI y) { return _mm256_cmpgt_epi32(x, y); }
    static M And(M x, M y) { return _mm256_and_si256(x, y); }
    static M Or(M x, M y) { return _mm256_or_si256(x, y); }
    static M AndNot(M x, M y) { return _mm256_andnot_si256(y, x); }
    static bool None(M x) { return _mm256_testz_si256(x, x) != 0; }
    static bool All(M x) { return _mm256_movemask_epi8(x) == -1; }
    static VI Select(M m, VI yes, VI no) { return _mm256_blendv_epi8(no, yes, m); }
    static VI Third(VI v) { return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(v), _mm256_set1_ps(kThird))); }

    static VF Sub(VF x, VF y) { return _mm256_sub_ps(x, y); }
    static VF AddF(VF x, VF y) { return _mm256_add_ps(x, y); }
    static VF Mul(VF x, VF y) { return _mm256_mul_ps(x, y); }
    static VF UnitAlpha(VI a) { return exact_scale::UnitAlpha8(a); }
    static VF Over65280(VF p) { return exact_scale::Over65280x8(p); }
    static VF Premultiply(VI c, VF alpha) { return Over65280(_mm256_mul_ps(_mm256_cvtepi32_ps(c), alpha)); }
    static VF ClampUnit(VF v) {
        v = _mm256_and_ps(v, _mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GE_OQ));  // NaN and < 0 -> +0
        return _mm256_min_ps(v, _mm256_set1_ps(1.0f));
    }
    static VI TruncScaled(VF q, float k) { return exact_scale::TruncScaled8(q, k); }
    static bool AllOne(VF x) { return _mm256_movemask_ps(_mm256_cmp_ps(x, _mm256_set1_ps(1.0f), _CMP_EQ_OQ)) == 0xFF; }
    template <bool kNonNegative>
    static VI ChannelOut(VF Xca, VF Xa, bool unitXa) {
        const __m256 q = unitXa ? Xca : _mm256_div_ps(Xca, Xa);
        return TruncScaled(kNonNegative ? _mm256_min_ps(q, _mm256_set1_ps(1.0f)) : ClampUnit(q), 65280.0f);
    }
    static VF MinF(VF x, VF y) { return _mm256_min_ps(x, y); }  // x < y ? x : y
    static VF Div(VF x, VF y) { return _mm256_div_ps(x, y); }
    static VF Sqrt(VF x) { return _mm256_sqrt_ps(x); }
    // float(double(v) x k) for eight integers.
    static VF IntTimesDouble(VI v, double k) {
        const __m256d kk = _mm256_set1_pd(k);
        const __m256d lo = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(v)), kk);
        const __m256d hi = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1)), kk);
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(lo)), _mm256_cvtpd_ps(hi), 1);
    }
    static VF LessF(VF x, VF y) { return _mm256_cmp_ps(x, y, _CMP_LT_OQ); }
    static VF LessEqualF(VF x, VF y) { return _mm256_cmp_ps(x, y, _CMP_LE_OQ); }
    static VF SelectF(VF m, VF yes, VF no) { return _mm256_blendv_ps(no, yes, m); }
};

#include "composite/merge_normal_simd_p.h"

}  // namespace

template <int kBm, bool kMask, bool kKeep>
void Row(const uint16_t *s, const uint16_t *m, uint16_t *d, int w, uint32_t pre1, uint32_t op1) {
    int done = 0;
    BlendRowVector<V, kBm, kMask, kKeep>(s, m, d, w, pre1, op1, done);
    BlendRowTail<kBm, kMask, kKeep>(s, m, d, w, pre1, op1, done);
}

void UnitAlphaHook(const int32_t *a, float *out, int n) {
    for (int i = 0; i < n; i += V::N)
        _mm256_storeu_ps(out + i, V::UnitAlpha(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + i))));
}
void PremultiplyHook(const float *p, float *out, int n) {
    for (int i = 0; i < n; i += V::N) _mm256_storeu_ps(out + i, V::Over65280(_mm256_loadu_ps(p + i)));
}
void TruncScaledHook(const float *q, float k, int32_t *out, int n) {
    for (int i = 0; i < n; i += V::N)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), V::TruncScaled(_mm256_loadu_ps(q + i), k));
}
void ThirdHook(const int32_t *v, int32_t *out, int n) {
    for (int i = 0; i < n; i += V::N)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i),
                            V::Third(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(v + i))));
}

}  // namespace normal_avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

// ---- AVX-512 (16 pixels per step) ----------------------------------------------

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma"))), \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")
// GCC 12 takes the deliberately undefined pass-through operand inside the
// 512-bit intrinsics for an uninitialised variable.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
namespace normal_avx512 {
namespace {

// Word indices for the two-source permutations (0-31 the first source, 32-63
// the second). kGather[c]: word 2i takes channel c of pixel i (word 4i + c of
// the sixteen pixels). kScatter[0]: word 2j from the first source's word 2j,
// word 2j + 1 from the second's; kScatter[1] and [2]: pixels 0-7 and 8-15 as
// (rg pair, ba pair) from the interleaved vectors.
struct alignas(64) WordIndex {
    uint16_t v[32];
    const uint16_t *data() const { return v; }
};
constexpr WordIndex GatherIndex(int c) {
    WordIndex w{};
    for (int i = 0; i < 16; ++i) w.v[2 * i] = static_cast<uint16_t>(4 * i + c), w.v[2 * i + 1] = 0;
    return w;
}
constexpr WordIndex ScatterIndex(int part) {
    WordIndex w{};
    for (int j = 0; j < 16; ++j) {
        if (part == 0) {
            w.v[2 * j] = static_cast<uint16_t>(2 * j);
            w.v[2 * j + 1] = static_cast<uint16_t>(32 + 2 * j);
        }
    }
    if (part != 0) {
        for (int q = 0; q < 8; ++q) {
            const int px = 8 * (part - 1) + q;
            w.v[4 * q] = static_cast<uint16_t>(2 * px);
            w.v[4 * q + 1] = static_cast<uint16_t>(2 * px + 1);
            w.v[4 * q + 2] = static_cast<uint16_t>(32 + 2 * px);
            w.v[4 * q + 3] = static_cast<uint16_t>(32 + 2 * px + 1);
        }
    }
    return w;
}
alignas(64) constexpr WordIndex kGatherIdx[4] = {GatherIndex(0), GatherIndex(1), GatherIndex(2), GatherIndex(3)};
alignas(64) constexpr WordIndex kScatterIdx[3] = {ScatterIndex(0), ScatterIndex(1), ScatterIndex(2)};
const uint16_t *const kGather[4] = {kGatherIdx[0].v, kGatherIdx[1].v, kGatherIdx[2].v, kGatherIdx[3].v};
const uint16_t *const kScatter[3] = {kScatterIdx[0].v, kScatterIdx[1].v, kScatterIdx[2].v};

struct V {
    using VI = __m512i;
    using VF = __m512;
    using M = __mmask16;
    static constexpr int N = 16;

    static VI Set1(int32_t v) { return _mm512_set1_epi32(v); }
    static VF Set1F(float v) { return _mm512_set1_ps(v); }

    // Sixteen RGBA64 pixels to four vectors of 32-bit channels (pixel i in
    // lane i): one two-source word permutation per channel, the high words
    // zeroed by the mask.
    static void LoadPixels(const uint16_t *p, VI &r, VI &g, VI &b, VI &a) {
        const __m512i s0 = _mm512_loadu_si512(p);
        const __m512i s1 = _mm512_loadu_si512(p + 32);
        const __mmask32 low = 0x55555555u;
        r = _mm512_maskz_permutex2var_epi16(low, s0, _mm512_load_si512(kGather[0]), s1);
        g = _mm512_maskz_permutex2var_epi16(low, s0, _mm512_load_si512(kGather[1]), s1);
        b = _mm512_maskz_permutex2var_epi16(low, s0, _mm512_load_si512(kGather[2]), s1);
        a = _mm512_maskz_permutex2var_epi16(low, s0, _mm512_load_si512(kGather[3]), s1);
    }
    // The way back: red and green words interleaved, blue and alpha
    // interleaved, then pixels 0-7 and 8-15 taken from the two.
    static void StorePixels(uint16_t *p, VI r, VI g, VI b, VI a) {
        const __m512i pairs = _mm512_load_si512(kScatter[0]);
        const __m512i rg = _mm512_permutex2var_epi16(r, pairs, g);
        const __m512i ba = _mm512_permutex2var_epi16(b, pairs, a);
        _mm512_storeu_si512(p, _mm512_permutex2var_epi16(rg, _mm512_load_si512(kScatter[1]), ba));
        _mm512_storeu_si512(p + 32, _mm512_permutex2var_epi16(rg, _mm512_load_si512(kScatter[2]), ba));
    }

    static VI Add(VI x, VI y) { return _mm512_add_epi32(x, y); }
    static VI Mullo(VI x, VI y) { return _mm512_mullo_epi32(x, y); }
    static VI Srli8(VI x) { return _mm512_srli_epi32(x, 8); }
    static VI Srli16(VI x) { return _mm512_srli_epi32(x, 16); }
    static M Equal(VI x, VI y) { return _mm512_cmpeq_epi32_mask(x, y); }
    static M NotEqual(VI x, VI y) { return _mm512_cmpneq_epi32_mask(x, y); }
    static M Greater(VI x, VI y) { return _mm512_cmpgt_epi32_mask(x, y); }
    static M And(M x, M y) { return static_cast<M>(x & y); }
    static M Or(M x, M y) { return static_cast<M>(x | y); }
    static M AndNot(M x, M y) { return static_cast<M>(x & ~y); }
    static bool None(M x) { return x == 0; }
    static bool All(M x) { return x == 0xFFFF; }
    static VI Select(M m, VI yes, VI no) { return _mm512_mask_blend_epi32(m, no, yes); }
    static VI Third(VI v) { return _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_cvtepi32_ps(v), _mm512_set1_ps(kThird))); }

    static VF Sub(VF x, VF y) { return _mm512_sub_ps(x, y); }
    static VF AddF(VF x, VF y) { return _mm512_add_ps(x, y); }
    static VF Mul(VF x, VF y) { return _mm512_mul_ps(x, y); }
    static VF UnitAlpha(VI a) { return exact_scale::UnitAlpha16(a); }
    static VF Over65280(VF p) { return exact_scale::Over65280x16(p); }
    static VF Premultiply(VI c, VF alpha) { return Over65280(_mm512_mul_ps(_mm512_cvtepi32_ps(c), alpha)); }
    static VF ClampUnit(VF v) {
        v = _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(v, _mm512_setzero_ps(), _CMP_GE_OQ), v);  // NaN, < 0 -> +0
        return _mm512_min_ps(v, _mm512_set1_ps(1.0f));
    }
    static VI TruncScaled(VF q, float k) { return exact_scale::TruncScaled16(q, k); }
    static bool AllOne(VF x) { return _mm512_cmp_ps_mask(x, _mm512_set1_ps(1.0f), _CMP_EQ_OQ) == 0xFFFF; }
    template <bool kNonNegative>
    static VI ChannelOut(VF Xca, VF Xa, bool unitXa) {
        const __m512 q = unitXa ? Xca : _mm512_div_ps(Xca, Xa);
        return TruncScaled(kNonNegative ? _mm512_min_ps(q, _mm512_set1_ps(1.0f)) : ClampUnit(q), 65280.0f);
    }
    static VF MinF(VF x, VF y) { return _mm512_min_ps(x, y); }  // x < y ? x : y
    static VF Div(VF x, VF y) { return _mm512_div_ps(x, y); }
    static VF Sqrt(VF x) { return _mm512_sqrt_ps(x); }
    // float(double(v) x k) for sixteen integers.
    static VF IntTimesDouble(VI v, double k) {
        const __m512d kk = _mm512_set1_pd(k);
        const __m512d lo = _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_castsi512_si256(v)), kk);
        const __m512d hi = _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(v, 1)), kk);
        return _mm512_insertf32x8(_mm512_castps256_ps512(_mm512_cvtpd_ps(lo)), _mm512_cvtpd_ps(hi), 1);
    }
    static M LessF(VF x, VF y) { return _mm512_cmp_ps_mask(x, y, _CMP_LT_OQ); }
    static M LessEqualF(VF x, VF y) { return _mm512_cmp_ps_mask(x, y, _CMP_LE_OQ); }
    static VF SelectF(M m, VF yes, VF no) { return _mm512_mask_blend_ps(m, no, yes); }
};

#include "composite/merge_normal_simd_p.h"

}  // namespace

template <int kBm, bool kMask, bool kKeep>
void Row(const uint16_t *s, const uint16_t *m, uint16_t *d, int w, uint32_t pre1, uint32_t op1) {
    int done = 0;
    BlendRowVector<V, kBm, kMask, kKeep>(s, m, d, w, pre1, op1, done);
    BlendRowTail<kBm, kMask, kKeep>(s, m, d, w, pre1, op1, done);
}

void UnitAlphaHook(const int32_t *a, float *out, int n) {
    for (int i = 0; i < n; i += V::N) _mm512_storeu_ps(out + i, V::UnitAlpha(_mm512_loadu_si512(a + i)));
}
void PremultiplyHook(const float *p, float *out, int n) {
    for (int i = 0; i < n; i += V::N) _mm512_storeu_ps(out + i, V::Over65280(_mm512_loadu_ps(p + i)));
}
void TruncScaledHook(const float *q, float k, int32_t *out, int n) {
    for (int i = 0; i < n; i += V::N) _mm512_storeu_si512(out + i, V::TruncScaled(_mm512_loadu_ps(q + i), k));
}
void ThirdHook(const int32_t *v, int32_t *out, int n) {
    for (int i = 0; i < n; i += V::N) _mm512_storeu_si512(out + i, V::Third(_mm512_loadu_si512(v + i)));
}

}  // namespace normal_avx512
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif

#endif  // TSY_HAVE_X86_SIMD

// ---- dispatch --------------------------------------------------------------------

namespace {

int DetectBest() {
#ifdef TSY_HAVE_X86_SIMD
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("fma"))
        return kNormalKernelAvx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return kNormalKernelAvx2;
#endif
    return kNormalKernelScalar;
}

const int g_best = DetectBest();
int g_level = g_best;

// The formulas with row loops, in table order; modes 7, 14 and 27 share a
// row with 6, 13 and 13. Not here: the HSL modes and the alpha modes.
constexpr int kRowFormulas[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 24, 25, 26};
constexpr int kRowFormulaCount = sizeof(kRowFormulas) / sizeof(kRowFormulas[0]);

int RowFormulaIndex(int mode) {
    if (mode == 7) mode = 6;
    if (mode == 14 || mode == 27) mode = 13;
    for (int i = 0; i < kRowFormulaCount; ++i)
        if (kRowFormulas[i] == mode) return i;
    return -1;
}

// Row loops indexed by [level][formula][mask][keep].
using RowTable = NormalRowFn[3][kRowFormulaCount][2][2];

#define TSY_SCALAR_ROWS(unused, bm)                                            \
    {                                                                          \
        {BlendRowScalar<bm, false, false>, BlendRowScalar<bm, false, true>}, { \
            BlendRowScalar<bm, true, false>, BlendRowScalar<bm, true, true>    \
        }                                                                      \
    }
#ifdef TSY_HAVE_X86_SIMD
#define TSY_ROWS(ns, bm)                                                                                             \
    {                                                                                                                \
        {ns::Row<bm, false, false>, ns::Row<bm, false, true>}, { ns::Row<bm, true, false>, ns::Row<bm, true, true> } \
    }
#else
#define TSY_ROWS(ns, bm) TSY_SCALAR_ROWS(ns, bm)
#endif
// One level: the rows of every formula of kRowFormulas, in its order.
#define TSY_LEVEL(rows, ns)                                                                                     \
    {                                                                                                           \
        rows(ns, 0), rows(ns, 1), rows(ns, 2), rows(ns, 3), rows(ns, 4), rows(ns, 5), rows(ns, 6), rows(ns, 8), \
            rows(ns, 9), rows(ns, 10), rows(ns, 11), rows(ns, 12), rows(ns, 13), rows(ns, 15), rows(ns, 16),    \
            rows(ns, 17), rows(ns, 18), rows(ns, 24), rows(ns, 25), rows(ns, 26)                                \
    }

const RowTable kRows = {
    TSY_LEVEL(TSY_SCALAR_ROWS, scalar),
    TSY_LEVEL(TSY_ROWS, normal_avx2),
    TSY_LEVEL(TSY_ROWS, normal_avx512),
};
#undef TSY_LEVEL
#undef TSY_ROWS
#undef TSY_SCALAR_ROWS

}  // namespace

NormalRowFn SelectBlendRow(int mode, bool useMask, bool keepDestAlpha) {
    const int f = RowFormulaIndex(mode);
    return f < 0 ? nullptr : kRows[g_level][f][useMask][keepDestAlpha];
}

NormalRowFn SelectNormalRow(bool useMask, bool keepDestAlpha) { return SelectBlendRow(0, useMask, keepDestAlpha); }

int BestNormalKernel() { return g_best; }

int SetNormalKernel(int level) {
    g_level = level < 0 ? 0 : (level > g_best ? g_best : level);
    return g_level;
}

void NormalKernelUnitAlpha(int level, const int32_t *a, float *out, int n) {
#ifdef TSY_HAVE_X86_SIMD
    if (level == kNormalKernelAvx2 && g_best >= level) return normal_avx2::UnitAlphaHook(a, out, n);
    if (level == kNormalKernelAvx512 && g_best >= level) return normal_avx512::UnitAlphaHook(a, out, n);
#endif
    (void)level;
    for (int i = 0; i < n; ++i) out[i] = UnitAlpha(static_cast<uint32_t>(a[i]));
}

void NormalKernelPremultiply(int level, const float *p, float *out, int n) {
#ifdef TSY_HAVE_X86_SIMD
    if (level == kNormalKernelAvx2 && g_best >= level) return normal_avx2::PremultiplyHook(p, out, n);
    if (level == kNormalKernelAvx512 && g_best >= level) return normal_avx512::PremultiplyHook(p, out, n);
#endif
    (void)level;
    for (int i = 0; i < n; ++i) out[i] = static_cast<float>(static_cast<double>(p[i]) * kInv65280);
}

void NormalKernelTruncScaled(int level, const float *q, float k, int32_t *out, int n) {
#ifdef TSY_HAVE_X86_SIMD
    if (level == kNormalKernelAvx2 && g_best >= level) return normal_avx2::TruncScaledHook(q, k, out, n);
    if (level == kNormalKernelAvx512 && g_best >= level) return normal_avx512::TruncScaledHook(q, k, out, n);
#endif
    (void)level;
    for (int i = 0; i < n; ++i) out[i] = static_cast<int32_t>(static_cast<double>(q[i]) * static_cast<double>(k));
}

void NormalKernelThird(int level, const int32_t *v, int32_t *out, int n) {
#ifdef TSY_HAVE_X86_SIMD
    if (level == kNormalKernelAvx2 && g_best >= level) return normal_avx2::ThirdHook(v, out, n);
    if (level == kNormalKernelAvx512 && g_best >= level) return normal_avx512::ThirdHook(v, out, n);
#endif
    (void)level;
    for (int i = 0; i < n; ++i) out[i] = v[i] / 3;
}
