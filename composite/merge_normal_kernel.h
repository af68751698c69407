// The Normal-formula blend of step 9 over a batch of pixels held channel by
// channel (structure of arrays), for the merge fast path. Every lane computes
// exactly what BlendFloat computes for formula 0: the same float stores, the
// same double multiplications, the same clamps and truncations, no fused
// multiply-add. The AVX2 version is chosen at run time when the processor has
// it; both give the scalar path's output bit for bit.
#pragma once
#include <cstdint>

constexpr int kNormalBatch = 256;  // pixels per batch (a multiple of 8)

struct NormalBatch {
    int32_t sr[kNormalBatch], sg[kNormalBatch], sb[kNormalBatch], sa[kNormalBatch];
    int32_t dr[kNormalBatch], dg[kNormalBatch], db[kNormalBatch], da[kNormalBatch];
    uint16_t *dst[kNormalBatch];  // where each result goes
};

// Blends lanes 0..n-1 in place: sr..sa receive the result (r, g, b, alpha).
void BlendNormalBatch(NormalBatch &batch, int n);
// The plain scalar loop, used where AVX2 is missing and by the tests.
void BlendNormalBatchScalar(NormalBatch &batch, int n);
// Test switch: false keeps BlendNormalBatch on the scalar loop.
void SetNormalBatchSimd(bool enabled);
