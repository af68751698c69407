// Private helpers of the mask files: the buffers an operation needs, or null
// when they are missing, and the region of the current layer that lies on the
// canvas.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/engine_state.h"
#include "core/layer_types.h"

namespace mask_detail {

inline size_t CanvasPixels() {
    if (g_engine.canvasWidth <= 0 || g_engine.canvasHeight <= 0) return 0;
    return static_cast<size_t>(g_engine.canvasWidth) * static_cast<size_t>(g_engine.canvasHeight);
}

// The current layer when it holds pixels, else null.
inline LayerSlot *CurrentLayer() {
    LayerSlot *slot = g_engine.currentSlot;
    return (slot != nullptr && slot->pixels != nullptr) ? slot : nullptr;
}

// The part of a layer that has a mask pixel under it: the canvas and the
// slot's own buffer overlap in columns 0..width-1 and rows 0..height-1.
struct LayerRegion {
    int width;
    int height;
};

inline LayerRegion CanvasRegionOf(const LayerSlot &slot) {
    return {std::max(0, std::min(g_engine.canvasWidth, slot.width)),
            std::max(0, std::min(g_engine.canvasHeight, slot.height))};
}

// Pixel x of row y of a layer (4 values per pixel, rows `stride` values apart).
inline uint16_t *LayerPixel(const LayerSlot &slot, int x, int y) {
    return slot.pixels + static_cast<ptrdiff_t>(y) * slot.stride + static_cast<ptrdiff_t>(x) * 4;
}

// Mask value row y (rows W apart).
inline uint16_t *MaskRow(int y) { return g_engine.mask + static_cast<ptrdiff_t>(y) * g_engine.canvasWidth; }

// The bound trunc(tol * factor) of the range builders, computed in double.
inline int64_t ToleranceBound(int32_t tol, double factor) {
    return static_cast<int64_t>(static_cast<double>(tol) * factor);
}

}  // namespace mask_detail
