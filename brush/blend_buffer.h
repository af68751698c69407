// Blend buffers: brush-sized RGBA64 buffers for colour pick-up and mixing.
// The host loads the selected buffer from the canvas (copy), keeps it picking
// up canvas colour (mix), tints, clears, fills or filters it; the dab renderer
// paints with its colours while blending is on.
#pragma once
#include <cstdint>

#include "brush/blend_buffer_types.h"

// Canvas lifecycle hook: sets the number of buffers (creation 1, resize and
// deletion 0). An allocation failure is recorded, not thrown.
void BlendBuffersSetCount(int count);

// Frees all buffers and allocates `count` (limited to 0..20) zero-filled ones
// when the count changes; selects buffer 0 in every case. Throws
// std::bad_alloc when a buffer cannot be obtained (count left as it was).
void BlendBufferSetCount(int count);
BlendBuffer *BlendBufferSelect(int index);
int BlendSetStrength(int strength);
int BlendSetPrimaryColorStrength(int strength);
void BlendSetRemix(int flag);
void BlendTempDisable();

// Copy from a source of srcWidth x srcHeight RGBA64 pixels, rows `srcStride`
// values apart, laid over the canvas at (0, 0).
void BlendBufferCopy(int x, int y, const uint16_t *src, int srcWidth, int srcHeight, int srcStride, int c,
                     int opaqueOutside);
void BlendBufferCopyMask(int x, int y, int c);
void BlendBufferMix(int x, int y, const uint16_t *src, int srcWidth, int srcHeight, int srcStride, int c);
void BlendBufferColor(int x, int y, int r, int g, int b, int strength);
void BlendBufferClear();
void BlendBufferFill(int high, int low);
void BlendBufferFilter(int kind, int percent);

// The canvas-sized sources of the copy and mix families.
enum class BlendSource { kRaw, kSurface, kLayer, kUnderLayer, kTrace };
void BlendBufferCopyFrom(BlendSource source, int slot, const void *raw, int x, int y, int c, int opaqueOutside);
void BlendBufferMixFrom(BlendSource source, int slot, const void *raw, int x, int y, int c);
