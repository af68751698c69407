// The view renderer: composites a canvas rectangle from the visible layers,
// the stroke in progress, the trace image, the transparency checkerboard and
// the selection-mask overlay into the host's 24-bit (blue, green, red) buffer
// at the current zoom.
#pragma once
#include <cstdint>

// Renders the canvas rectangle (x, y, w, h) into `output`, rows `stride` bytes
// apart, at the zoom of viewZoom / viewScale, writing at most viewWidth x
// viewHeight pixels. Reads the engine state and changes none of it.
void RenderView(uint8_t *output, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h);

// The same with an explicit number of threads for the output rows: 1 renders
// on the calling thread, 0 lets the renderer choose (the default team size for
// frames large enough to be worth splitting). Every thread count writes the
// same bytes.
void RenderViewThreads(uint8_t *output, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h, int threads);

// Test switch: batched = false composites position by position (the reference
// path); simd = false blends batches without vector instructions. Both true
// by default.
void SetRenderPathsForTests(bool batched, bool simd);

// Vector levels of the batched path: 0 none, 1 AVX2 (eight positions per
// step), 2 AVX-512 (sixteen). The best level this processor runs, and a test
// and benchmark switch to use at most `level` (limited to the best); returns
// the level now in use. The batched path stays on.
enum RenderVectorLevel : int { kRenderVectorNone = 0, kRenderVectorAvx2 = 1, kRenderVectorAvx512 = 2 };
int BestRenderVectorLevel();
int SetRenderVectorLevelForTests(int level);

// Test hook: the 16-bit composite of the layer stack (R, G, B, A per position,
// before the trace mix, the checkerboard and the overlay) at the n <= 64
// increasing canvas columns cx of canvas row cy, by the path the switches
// select, written to out[4 i].
void RenderCompositeForTests(int32_t cy, const int32_t *cx, int n, uint32_t *out);
