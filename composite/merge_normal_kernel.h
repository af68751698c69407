// The merge of one row for Normal and the other colour modes outside the HSL
// family (ids 1 to 18, 24 to 27): the integer early-outs (transparent source,
// transparent destination, nothing left of the source, Normal's opaque
// source) and the floating-point blend, in one pass. A scalar loop and vector
// loops (AVX2, AVX-512) chosen at run time give the same bits; see
// composite_pixel.h for the precision rules all of them follow and
// merge_normal_simd_p.h for how the vector loops keep them.
#pragma once
#include <cstdint>

// Merges w pixels of `source` into `destination` (both RGBA64, packed) with
// the loop's formula. `mask` is null or the row of the mask layer (used only
// by the loops built for a mask). pre1 = preOpacity + 1 (1..256) and op1 =
// opacity + 1, or 256 for a full opacity. The source and destination rows are
// either the same memory or do not overlap.
using NormalRowFn = void (*)(const uint16_t *source, const uint16_t *mask, uint16_t *destination, int w, uint32_t pre1,
                             uint32_t op1);

// The row loop for one call of blend mode `mode`: with or without a mask,
// writing the alpha or keeping it (alpha lock). Chosen once per merge; null
// for the modes without a row loop (they go through CompositePixel).
NormalRowFn SelectBlendRow(int mode, bool useMask, bool keepDestAlpha);
NormalRowFn SelectNormalRow(bool useMask, bool keepDestAlpha);

// Instruction-set levels of the row loops.
enum NormalKernelLevel : int { kNormalKernelScalar = 0, kNormalKernelAvx2 = 1, kNormalKernelAvx512 = 2 };

// The best level this processor runs.
int BestNormalKernel();
// Test and benchmark switch: SelectNormalRow uses at most `level` (limited to
// what the processor runs). Returns the level now in use.
int SetNormalKernel(int level);

// Test hooks: the vector building blocks of a level applied to arrays (n a
// multiple of 16), so their exactness can be checked value by value against
// the double-precision definitions.
//   UnitAlpha:   out[i] = a[i] / 65535 as the blend stores it (a in 0..65535)
//   Premultiply: out[i] = p[i] / 65280 as the blend stores it, p = c x alpha
//   TruncScaled: out[i] = trunc(q[i] x k) in exact arithmetic, q in 0..1
//   Third:       out[i] = v[i] / 3 (v in 0..196605)
void NormalKernelUnitAlpha(int level, const int32_t *a, float *out, int n);
void NormalKernelPremultiply(int level, const float *p, float *out, int n);
void NormalKernelTruncScaled(int level, const float *q, float k, int32_t *out, int n);
void NormalKernelThird(int level, const int32_t *v, int32_t *out, int n);
