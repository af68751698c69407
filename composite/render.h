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
