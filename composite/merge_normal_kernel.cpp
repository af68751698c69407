// Normal-formula batch blend: a scalar loop and an AVX2 loop giving the same
// bits. See composite_pixel.h for the precision rules both follow.
#include "composite/merge_normal_kernel.h"

#include "composite/blend_formulas.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TSY_HAVE_X86_SIMD 1
#endif

namespace {
// One lane of the batch: BlendFloat's Normal formula.
inline void BlendNormalLane(NormalBatch &b, int i) {
    const float Sa = UnitAlpha(static_cast<uint32_t>(b.sa[i]));
    const float Da = UnitAlpha(static_cast<uint32_t>(b.da[i]));
    const float iSa = 1.0f - Sa;
    float Xa = (1.0f - Da) * Sa + Da;
    if (!(Xa >= 0.0f)) Xa = 0.0f;
    if (Xa > 1.0f) Xa = 1.0f;
    b.sr[i] = static_cast<int32_t>(ChannelOut(FNormal(Premultiply(b.sr[i], Sa), Premultiply(b.dr[i], Da), iSa), Xa));
    b.sg[i] = static_cast<int32_t>(ChannelOut(FNormal(Premultiply(b.sg[i], Sa), Premultiply(b.dg[i], Da), iSa), Xa));
    b.sb[i] = static_cast<int32_t>(ChannelOut(FNormal(Premultiply(b.sb[i], Sa), Premultiply(b.db[i], Da), iSa), Xa));
    b.sa[i] = static_cast<int32_t>(AlphaOut(Xa));
}
}  // namespace

void BlendNormalBatchScalar(NormalBatch &b, int n) {
    for (int i = 0; i < n; ++i) BlendNormalLane(b, i);
}

#ifdef TSY_HAVE_X86_SIMD
namespace {

// (float)(double(v) x k) for eight floats: the double product rounded to float.
__attribute__((target("avx2"))) inline __m256 MulDoubleToFloat(__m256 v, __m256d k) {
    const __m256d lo = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(v)), k);
    const __m256d hi = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)), k);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(lo)), _mm256_cvtpd_ps(hi), 1);
}

// (float)(double(i) x k) for eight integers.
__attribute__((target("avx2"))) inline __m256 IntTimesDoubleToFloat(__m256i v, __m256d k) {
    const __m256d lo = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(v)), k);
    const __m256d hi = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1)), k);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(lo)), _mm256_cvtpd_ps(hi), 1);
}

// trunc(double(v) x k) for eight floats in 0..1.
__attribute__((target("avx2"))) inline __m256i TruncScaled(__m256 v, __m256d k) {
    const __m128i lo = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(v)), k));
    const __m128i hi = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)), k));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// clamp(v, 0, 1) with NaN going to 0, as the scalar `!(v >= 0) -> 0; v > 1 -> 1`.
__attribute__((target("avx2"))) inline __m256 ClampUnit(__m256 v) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 one = _mm256_set1_ps(1.0f);
    v = _mm256_and_ps(v, _mm256_cmp_ps(v, zero, _CMP_GE_OQ));  // false (NaN, < 0) -> +0
    return _mm256_blendv_ps(v, one, _mm256_cmp_ps(v, one, _CMP_GT_OQ));
}

__attribute__((target("avx2"))) void BlendNormalBatchAvx2(NormalBatch &b, int n) {
    const __m256d k65535 = _mm256_set1_pd(kInv65535);
    const __m256d k65280 = _mm256_set1_pd(kInv65280);
    const __m256d out65280 = _mm256_set1_pd(65280.0);
    const __m256d out65535 = _mm256_set1_pd(65535.0);
    const __m256 one = _mm256_set1_ps(1.0f);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 Sa =
            IntTimesDoubleToFloat(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(b.sa + i)), k65535);
        const __m256 Da =
            IntTimesDoubleToFloat(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(b.da + i)), k65535);
        const __m256 iSa = _mm256_sub_ps(one, Sa);
        const __m256 Xa = ClampUnit(_mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(one, Da), Sa), Da));
        int32_t *const srcs[3] = {b.sr + i, b.sg + i, b.sb + i};
        const int32_t *const dsts[3] = {b.dr + i, b.dg + i, b.db + i};
        for (int c = 0; c < 3; ++c) {
            const __m256 s = _mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(srcs[c])));
            const __m256 d = _mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(dsts[c])));
            const __m256 Sca = MulDoubleToFloat(_mm256_mul_ps(s, Sa), k65280);
            const __m256 Dca = MulDoubleToFloat(_mm256_mul_ps(d, Da), k65280);
            const __m256 Xca = _mm256_add_ps(Sca, _mm256_mul_ps(Dca, iSa));
            const __m256 q = ClampUnit(_mm256_div_ps(Xca, Xa));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(srcs[c]), TruncScaled(q, out65280));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(b.sa + i), TruncScaled(Xa, out65535));
    }
    for (; i < n; ++i) BlendNormalLane(b, i);  // the tail
}

bool g_useSimd = __builtin_cpu_supports("avx2");

}  // namespace

void SetNormalBatchSimd(bool enabled) { g_useSimd = enabled && __builtin_cpu_supports("avx2"); }

void BlendNormalBatch(NormalBatch &batch, int n) {
    if (g_useSimd) {
        BlendNormalBatchAvx2(batch, n);
    } else {
        BlendNormalBatchScalar(batch, n);
    }
}
#else
void SetNormalBatchSimd(bool) {}
void BlendNormalBatch(NormalBatch &batch, int n) { BlendNormalBatchScalar(batch, n); }
#endif
