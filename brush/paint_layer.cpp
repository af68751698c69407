// The paint layer record and its operations.
#include "brush/paint_layer.h"

#include <algorithm>
#include <cstring>

#include "composite/blend_mode_names.h"
#include "composite/merge.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/layers.h"
#include "imaging/library/imaging_library.h"

namespace {

LayerSlot &Paint() { return g_engine.paintLayer; }

size_t PaintValues() {
    const LayerSlot &p = Paint();
    if (p.width <= 0 || p.height <= 0) return 0;
    return static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 4u;
}

}  // namespace

void PaintLayerEmptyExtents() {
    LayerSlot &p = Paint();
    p.extentMinX = g_engine.canvasWidth;
    p.extentMinY = g_engine.canvasHeight;
    p.extentMaxX = 0;
    p.extentMaxY = 0;
}

int32_t PaintLayerCreate(int32_t opacityPercent, int32_t preOpacityPercent, const char *modeName) {
    LayerSlot &p = Paint();
    if (p.pixels == nullptr) {
        const int W = g_engine.canvasWidth, H = g_engine.canvasHeight;
        p.width = W;
        p.height = H;
        p.stride = 4 * W;
        if (W > 0 && H > 0) p.pixels = x_NewShortUndoReduce(static_cast<size_t>(W) * static_cast<size_t>(H) * 4u);
        p.extentMinX = 0;
        p.extentMinY = 0;
        p.extentMaxX = W;
        p.extentMaxY = H;
        PaintLayerClear();
    }
    if (modeName != nullptr && std::strlen(modeName) < static_cast<size_t>(kModeNameSize)) {
        std::strcpy(p.modeName, modeName);
    }
    p.visible = 1;
    p.alphaLocked = 0;
    // Percentages beyond 0..100 would wrap in the 16-bit fields; they are
    // limited to the full range instead.
    const int opacity = static_cast<int>(static_cast<double>(opacityPercent) * 2.56);
    const int pre = static_cast<int>(static_cast<double>(preOpacityPercent) * 2.559);
    p.opacity = static_cast<uint16_t>(std::clamp(opacity, 0, 256));
    p.preOpacity = static_cast<uint16_t>(std::clamp(pre, 0, 255));
    p.blendMode = BlendModeFromName(modeName);
    return p.blendMode;
}

int32_t PaintLayerClear() {
    LayerSlot &p = Paint();
    if (p.pixels == nullptr) return 0;
    std::memset(p.pixels, 0, PaintValues() * sizeof(uint16_t));
    PaintLayerEmptyExtents();
    return 1;
}

void PaintLayerClearOld() {
    LayerSlot &p = Paint();
    if (p.pixels == nullptr) return;
    std::memset(p.pixels, 0xFF, PaintValues() * sizeof(uint16_t));
    const int left = std::max(p.extentMinX, 0), top = std::max(p.extentMinY, 0);
    const int right = std::min(p.extentMaxX, p.width), bottom = std::min(p.extentMaxY, p.height);
    for (int row = top; row < bottom && right > left; ++row) {
        std::memset(
            p.pixels + static_cast<size_t>(row) * static_cast<size_t>(p.stride) + 4u * static_cast<size_t>(left), 0,
            static_cast<size_t>(right - left) * 4u * sizeof(uint16_t));
    }
    PaintLayerEmptyExtents();
}

void PaintLayerMerge(int32_t layer) {
    LayerSlot &p = Paint();
    if (p.pixels == nullptr) return;
    LayerSlot *dst = SlotWithPixels(layer);
    if (dst != nullptr) {
        // The extents rectangle, kept inside both buffers (an empty or
        // inverted rectangle merges nothing).
        const int left = std::max(p.extentMinX, 0), top = std::max(p.extentMinY, 0);
        const int right = std::min({p.extentMaxX, p.width, dst->width});
        const int bottom = std::min({p.extentMaxY, p.height, dst->height});
        const LayerSlot *current = SlotAt(g_engine.currentLayer);
        const bool keepAlpha = (current != nullptr && current->alphaLocked) || g_engine.tool.alphaLocked != 0;
        MergeRegion(p.pixels, left, top, right - left, bottom - top, p.stride, nullptr, dst->pixels, left, top,
                    dst->stride, p.blendMode, 0, p.opacity, p.preOpacity, keepAlpha, false);
    }
    PaintLayerClear();
}

void PaintLayerSetExtents(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    LayerSlot &p = Paint();
    p.extentMinX = left;
    p.extentMinY = top;
    p.extentMaxX = right;
    p.extentMaxY = bottom;
}

void PaintLayerDelete() { ReleaseBuffer(Paint().pixels); }

void PaintLayerSwap(int32_t layer) {
    LayerSlot *slot = SlotAt(layer);
    if (slot == nullptr) return;
    std::swap(*slot, Paint());
}

void PaintLayerBlurAlpha() {
    LayerSlot &p = Paint();
    if (p.pixels == nullptr || p.width <= 0 || p.height <= 0) return;
    const int w = p.width, h = p.height;
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    uint8_t *A = x_NewCharUndoReduce(count);
    uint8_t *B = x_NewCharUndoReduce(count);
    if (A != nullptr && B != nullptr) {
        for (int y = 0; y < h; ++y) {
            const uint16_t *row = p.pixels + static_cast<size_t>(y) * static_cast<size_t>(p.stride);
            for (int x = 0; x < w; ++x) A[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(row[4 * x + 3] >> 8);
        }
        // The library's 3 x 3 binomial blur (1 2 1 / 2 4 2 / 1 2 1, edges
        // repeated) at full strength on the one alpha channel.
        if (IS3BlurImage(A, w, h, 1, w, B, w, 100, 1) != 0) {
            for (int y = 0; y < h; ++y) {
                uint16_t *row = p.pixels + static_cast<size_t>(y) * static_cast<size_t>(p.stride);
                for (int x = 0; x < w; ++x) {
                    const size_t i = static_cast<size_t>(y) * w + x;
                    // The solid body of the stroke stays opaque; only its edge softens.
                    row[4 * x + 3] = A[i] >= 240 ? 65535 : static_cast<uint16_t>(B[i] << 8);
                }
            }
        }
    }
    ReleaseBuffer(A);
    ReleaseBuffer(B);
}
