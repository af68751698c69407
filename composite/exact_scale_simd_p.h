// Vector building blocks that give the bits of the scalar blend's
// double-precision scalings with float operations only, shared by the merge
// row loops and the view renderer. merge_normal_simd_p.h explains why each is
// exact; the merge tests check them value by value.
// - UnitAlpha: float(double(a) x 1/65535) for integers a, as fma(a, H, a x L)
//   with H + L the float split of 1/65535.
// - Over65280: float(double(p) x 1/65280) for any float p, the same way.
// - TruncScaled: trunc(double(q) x k) for q in 0..1 and k = 65280 or 65535.
#pragma once
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include "composite/blend_formulas.h"

namespace exact_scale {

// 1/65535 and 1/65280 each split into a float head and a float remainder.
constexpr float kHead65535 = static_cast<float>(kInv65535);
constexpr float kTail65535 = static_cast<float>(kInv65535 - static_cast<double>(static_cast<float>(kInv65535)));
constexpr float kHead65280 = static_cast<float>(kInv65280);
constexpr float kTail65280 = static_cast<float>(kInv65280 - static_cast<double>(static_cast<float>(kInv65280)));

#define TSY_EXACT_AVX2 __attribute__((target("avx2,fma")))
#define TSY_EXACT_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")))

TSY_EXACT_AVX2 inline __m256 UnitAlpha8(__m256i a) {
    const __m256 af = _mm256_cvtepi32_ps(a);
    return _mm256_fmadd_ps(af, _mm256_set1_ps(kHead65535), _mm256_mul_ps(af, _mm256_set1_ps(kTail65535)));
}
TSY_EXACT_AVX2 inline __m256 Over65280x8(__m256 p) {
    return _mm256_fmadd_ps(p, _mm256_set1_ps(kHead65280), _mm256_mul_ps(p, _mm256_set1_ps(kTail65280)));
}
// t = q x k rounded; the exact residual q x k - t tells whether t rounded up,
// and then the float just below t (the product rounded toward zero) has the
// exact product's truncation.
TSY_EXACT_AVX2 inline __m256i TruncScaled8(__m256 q, float k) {
    const __m256 kk = _mm256_set1_ps(k);
    const __m256 t = _mm256_mul_ps(q, kk);
    const __m256 e = _mm256_fmsub_ps(q, kk, t);  // exact q x k - t
    const __m256 up = _mm256_cmp_ps(e, _mm256_setzero_ps(), _CMP_LT_OQ);
    const __m256i below = _mm256_add_epi32(_mm256_castps_si256(t), _mm256_castps_si256(up));
    return _mm256_cvttps_epi32(_mm256_castsi256_ps(below));
}

TSY_EXACT_AVX512 inline __m512 UnitAlpha16(__m512i a) {
    const __m512 af = _mm512_cvtepi32_ps(a);
    return _mm512_fmadd_ps(af, _mm512_set1_ps(kHead65535), _mm512_mul_ps(af, _mm512_set1_ps(kTail65535)));
}
TSY_EXACT_AVX512 inline __m512 Over65280x16(__m512 p) {
    return _mm512_fmadd_ps(p, _mm512_set1_ps(kHead65280), _mm512_mul_ps(p, _mm512_set1_ps(kTail65280)));
}
// The product rounded toward zero, then truncated: the exact truncation.
TSY_EXACT_AVX512 inline __m512i TruncScaled16(__m512 q, float k) {
    return _mm512_cvttps_epi32(_mm512_mul_round_ps(q, _mm512_set1_ps(k), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
}

}  // namespace exact_scale
#endif
