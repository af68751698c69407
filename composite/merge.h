// Layer merging: one RGBA64 buffer laid over another with CompositePixel, the
// layer-mask relation and the layer order.
#pragma once
#include <cstdint>

// Merges the rectangle (x, y, w, h) of `source` into `destination` at
// (dx, dy). The mask buffer (same stride as the source) is used only when
// non-null and maskMode is 47. Pixels outside the rectangle are not touched,
// the source is only read, nothing is allocated. Callers keep the rectangle
// inside every buffer; a null source or destination, or w or h below 1, does
// nothing.
void MergeRegion(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *mask,
                 uint16_t *destination, int dx, int dy, int destStride, int mode, int maskMode, int opacity,
                 int preOpacity, bool keepDestAlpha, bool sameModeMerge);

// The same through CompositePixel for every pixel, without fast paths: the
// reference the fast paths are tested against.
void MergeRegionReference(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *mask,
                          uint16_t *destination, int dx, int dy, int destStride, int mode, int maskMode, int opacity,
                          int preOpacity, bool keepDestAlpha, bool sameModeMerge);

// Test and benchmark switch: false sends MergeRegion down the reference path.
void SetMergeFastPaths(bool enabled);

// Converts a canvas-sized RGBA32 image to RGBA64 (b x 256) in a temporary
// buffer and merges it over the whole canvas into `destination` (canvas
// stride): no mask, pre-opacity 255, no same-mode flag. Returns false, doing
// nothing, when the temporary buffer cannot be allocated.
bool MergeRGBA32Image(const uint8_t *data, uint16_t *destination, int mode, int maskMode, int opacity,
                      bool keepDestAlpha);

// Bodies of the merge exports.
int32_t MergeLayer(int32_t sourceSlot, int32_t destSlot);
int32_t MergeLayerIntoRect(int32_t slot, uint16_t *buffer, int32_t x, int32_t y, int32_t w, int32_t h);
int32_t MergeLayerInto(int32_t slot, uint16_t *buffer);
int32_t MergeRect(uint16_t *buffer, int32_t x, int32_t y, int32_t w, int32_t h);
int32_t MergeAll(uint16_t *buffer);
uint32_t GetColorAtMerged(int32_t x, int32_t y);
int32_t MergeRGBA32Layer(const uint8_t *data, int32_t slot, int32_t mode, int32_t opacityPercent);
