// MergeRegion and the merge exports. The general path runs CompositePixel on
// every pixel; the Normal path takes the integer early-outs inline and hands
// the pixels that need the floating-point blend to a batch kernel.
#include "composite/merge.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "composite/blend_mode_names.h"
#include "composite/composite_pixel.h"
#include "composite/merge_normal_kernel.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/layers.h"

namespace {

bool g_fastPaths = true;

// Step 2 of CompositePixel for the fast path: the mask grey scales the alpha.
inline uint32_t MaskAlpha(const uint16_t *m, uint32_t a) {
    if (m[3] == 0) return a;
    const uint32_t grey = (static_cast<uint32_t>(m[0]) + m[1] + m[2]) / 3u;
    return (grey * a) >> 16;
}

void FlushNormalBatch(NormalBatch &batch, int &n, bool keepDestAlpha) {
    if (n == 0) return;
    BlendNormalBatch(batch, n);
    for (int i = 0; i < n; ++i) {
        uint16_t *d = batch.dst[i];
        d[0] = static_cast<uint16_t>(batch.sr[i]);
        d[1] = static_cast<uint16_t>(batch.sg[i]);
        d[2] = static_cast<uint16_t>(batch.sb[i]);
        if (!keepDestAlpha) d[3] = static_cast<uint16_t>(batch.sa[i]);
    }
    n = 0;
}

// Mode 0: steps 1, 2, 3, 5, 6, 7 and 8 inline, step 9 in batches.
template <bool kMask, bool kKeep>
void MergeNormal(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *mask,
                 uint16_t *destination, int dx, int dy, int destStride, int opacity, uint32_t preOpacity) {
    NormalBatch batch;
    int n = 0;
    const uint32_t pre1 = preOpacity + 1u;
    for (int j = 0; j < h; ++j) {
        const size_t srcRow =
            static_cast<size_t>(y + j) * static_cast<size_t>(sourceStride) + 4u * static_cast<size_t>(x);
        const uint16_t *s = source + srcRow;
        const uint16_t *m = kMask ? mask + srcRow : nullptr;
        uint16_t *d =
            destination + static_cast<size_t>(dy + j) * static_cast<size_t>(destStride) + 4u * static_cast<size_t>(dx);
        for (int i = 0; i < w; ++i, s += 4, d += 4) {
            const uint32_t a0 = s[3];
            if (a0 == 0) continue;
            uint32_t a = a0;
            if (kMask) a = MaskAlpha(m + 4 * i, a);
            a = ScaleByOpacity((pre1 * a) >> 8, opacity);
            const uint32_t A = d[3];
            if (A == 0) {
                if (a == 0) {
                    d[0] = d[1] = d[2] = 0;
                } else {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
                if (!kKeep) d[3] = static_cast<uint16_t>(a);
            } else if (a == 0) {
                continue;
            } else if (a >= 65280) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                if (!kKeep) d[3] = static_cast<uint16_t>(a);
            } else {
                batch.sr[n] = s[0];
                batch.sg[n] = s[1];
                batch.sb[n] = s[2];
                batch.sa[n] = static_cast<int32_t>(a);
                batch.dr[n] = d[0];
                batch.dg[n] = d[1];
                batch.db[n] = d[2];
                batch.da[n] = static_cast<int32_t>(A);
                batch.dst[n] = d;
                if (++n == kNormalBatch) FlushNormalBatch(batch, n, kKeep);
            }
        }
    }
    FlushNormalBatch(batch, n, kKeep);
}

// True when the source rectangle and the destination rectangle may share
// memory at different places, where deferring the blend of a pixel could let
// a later pixel read a written value.
bool OverlapsShifted(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *destination,
                     int dx, int dy, int destStride) {
    const uint16_t *sBegin = source + static_cast<size_t>(y) * sourceStride + 4u * x;
    const uint16_t *sEnd = source + static_cast<size_t>(y + h - 1) * sourceStride + 4u * (x + w);
    const uint16_t *dBegin = destination + static_cast<size_t>(dy) * destStride + 4u * dx;
    const uint16_t *dEnd = destination + static_cast<size_t>(dy + h - 1) * destStride + 4u * (dx + w);
    if (sEnd <= dBegin || dEnd <= sBegin) return false;
    return sBegin != dBegin || sourceStride != destStride;
}

}  // namespace

void SetMergeFastPaths(bool enabled) { g_fastPaths = enabled; }

void MergeRegionReference(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *mask,
                          uint16_t *destination, int dx, int dy, int destStride, int mode, int maskMode, int opacity,
                          int preOpacity, bool keepDestAlpha, bool sameModeMerge) {
    if (source == nullptr || destination == nullptr || w <= 0 || h <= 0) return;
    const CompositeOptions opt = MakeCompositeOptions(mode, preOpacity, opacity, keepDestAlpha, sameModeMerge, true);
    const bool useMask = mask != nullptr && maskMode == kModeLayerMask;
    for (int j = 0; j < h; ++j) {
        const size_t srcRow =
            static_cast<size_t>(y + j) * static_cast<size_t>(sourceStride) + 4u * static_cast<size_t>(x);
        const uint16_t *s = source + srcRow;
        const uint16_t *m = useMask ? mask + srcRow : nullptr;
        uint16_t *d =
            destination + static_cast<size_t>(dy + j) * static_cast<size_t>(destStride) + 4u * static_cast<size_t>(dx);
        for (int i = 0; i < w; ++i) CompositePixel16(s + 4 * i, d + 4 * i, m != nullptr ? m + 4 * i : nullptr, opt);
    }
}

void MergeRegion(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *mask,
                 uint16_t *destination, int dx, int dy, int destStride, int mode, int maskMode, int opacity,
                 int preOpacity, bool keepDestAlpha, bool sameModeMerge) {
    if (source == nullptr || destination == nullptr || w <= 0 || h <= 0) return;
    const bool useMask = mask != nullptr && maskMode == kModeLayerMask;
    if (g_fastPaths && mode == kModeNormal &&
        !OverlapsShifted(source, x, y, w, h, sourceStride, destination, dx, dy, destStride)) {
        const CompositeOptions opt = MakeCompositeOptions(mode, preOpacity, opacity, keepDestAlpha, false, true);
        if (useMask) {
            if (keepDestAlpha) {
                MergeNormal<true, true>(source, x, y, w, h, sourceStride, mask, destination, dx, dy, destStride,
                                        opt.opacity, opt.preOpacity);
            } else {
                MergeNormal<true, false>(source, x, y, w, h, sourceStride, mask, destination, dx, dy, destStride,
                                         opt.opacity, opt.preOpacity);
            }
        } else if (keepDestAlpha) {
            MergeNormal<false, true>(source, x, y, w, h, sourceStride, nullptr, destination, dx, dy, destStride,
                                     opt.opacity, opt.preOpacity);
        } else {
            MergeNormal<false, false>(source, x, y, w, h, sourceStride, nullptr, destination, dx, dy, destStride,
                                      opt.opacity, opt.preOpacity);
        }
        return;
    }
    MergeRegionReference(source, x, y, w, h, sourceStride, mask, destination, dx, dy, destStride, mode, maskMode,
                         opacity, preOpacity, keepDestAlpha, sameModeMerge);
}

bool MergeRGBA32Image(const uint8_t *data, uint16_t *destination, int mode, int maskMode, int opacity,
                      bool keepDestAlpha) {
    if (data == nullptr || destination == nullptr) return true;
    const int W = g_engine.canvasWidth, H = g_engine.canvasHeight;
    const size_t count = static_cast<size_t>(W) * static_cast<size_t>(H) * 4u;
    if (count == 0) return true;
    uint16_t *wide = x_NewShortUndoReduce(count);
    if (wide == nullptr) return false;
    for (size_t i = 0; i < count; ++i) wide[i] = static_cast<uint16_t>(data[i] << 8);
    MergeRegion(wide, 0, 0, W, H, 4 * W, nullptr, destination, 0, 0, 4 * W, mode, maskMode, opacity, 255, keepDestAlpha,
                false);
    ReleaseBuffer(wide);
    return true;
}

namespace {

// A table slot that can take part in merging: it has pixels.
const LayerSlot *MergeableSlot(int index) { return SlotWithPixels(index); }

// The mask buffer for slot `index` when its mask layer has the same geometry.
const uint16_t *MaskFor(int index, const LayerSlot &slot) {
    const int m = FindLayerMaskAbove(static_cast<unsigned>(index));
    if (m == 0) return nullptr;
    const LayerSlot &mask = g_engine.layers[m];
    if (mask.stride != slot.stride || mask.height < slot.height) return nullptr;
    return mask.pixels;
}

}  // namespace

int32_t MergeLayer(int32_t sourceSlot, int32_t destSlot) {
    const LayerSlot *src = MergeableSlot(sourceSlot);
    LayerSlot *dst = SlotWithPixels(destSlot);
    if (src == nullptr || dst == nullptr) return 0;
    // The whole canvas, kept inside both buffers.
    const int w = std::min({g_engine.canvasWidth, src->width, dst->width});
    const int h = std::min({g_engine.canvasHeight, src->height, dst->height});
    const bool sameMode = src->blendMode == dst->blendMode && src->blendMode > 27;
    MergeRegion(src->pixels, 0, 0, w, h, src->stride, MaskFor(sourceSlot, *src), dst->pixels, 0, 0, dst->stride,
                src->blendMode, kModeLayerMask, src->opacity, 255, false, sameMode);
    return 1;
}

int32_t MergeLayerIntoRect(int32_t slot, uint16_t *buffer, int32_t x, int32_t y, int32_t w, int32_t h) {
    const LayerSlot *src = MergeableSlot(slot);
    if (src == nullptr || buffer == nullptr || w <= 0 || h <= 0) return 0;
    // The part of the rectangle that lies inside the layer; the buffer keeps
    // the rectangle's top-left at its origin.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, src->width);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, src->height);
    if (x1 <= x0 || y1 <= y0) return 0;
    MergeRegion(src->pixels, static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                static_cast<int>(y1 - y0), src->stride, MaskFor(slot, *src), buffer, static_cast<int>(x0 - x),
                static_cast<int>(y0 - y), 4 * w, src->blendMode, kModeLayerMask, src->opacity, 255, false, false);
    return 1;
}

int32_t MergeLayerInto(int32_t slot, uint16_t *buffer) {
    return MergeLayerIntoRect(slot, buffer, 0, 0, g_engine.canvasWidth, g_engine.canvasHeight);
}

int32_t MergeRect(uint16_t *buffer, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (buffer == nullptr || w <= 0 || h <= 0) return 0;
    const size_t rowValues = 4u * static_cast<size_t>(w);
    std::memset(buffer, 0, rowValues * static_cast<size_t>(h) * sizeof(uint16_t));
    const LayerSlot &bg = g_engine.layers[kBackgroundSlot];
    if (bg.visible && bg.pixels != nullptr) {
        // The background is copied as it is, alpha included.
        const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
        const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, bg.width);
        const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, bg.height);
        for (int64_t row = y0; row < y1 && x1 > x0; ++row) {
            std::memcpy(
                buffer + static_cast<size_t>(row - y) * rowValues + 4u * static_cast<size_t>(x0 - x),
                bg.pixels + static_cast<size_t>(row) * static_cast<size_t>(bg.stride) + 4u * static_cast<size_t>(x0),
                static_cast<size_t>(x1 - x0) * 4u * sizeof(uint16_t));
        }
    }
    for (int s = 2; s < kLayerCount; ++s) {
        const LayerSlot &slot = g_engine.layers[s];
        if (slot.pixels != nullptr && slot.visible) MergeLayerIntoRect(s, buffer, x, y, w, h);
    }
    return 1;
}

int32_t MergeAll(uint16_t *buffer) { return MergeRect(buffer, 0, 0, g_engine.canvasWidth, g_engine.canvasHeight); }

uint32_t GetColorAtMerged(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= g_engine.canvasWidth || y >= g_engine.canvasHeight) return 0xFFFFFFu;
    uint16_t *px = x_NewShortUndoReduce(4);
    if (px == nullptr) return 0;
    MergeRect(px, x, y, 1, 1);
    const uint32_t packed = (static_cast<uint32_t>(px[3] >> 8) << 24) | (static_cast<uint32_t>(px[0] >> 8) << 16) |
                            (static_cast<uint32_t>(px[1] >> 8) << 8) | static_cast<uint32_t>(px[2] >> 8);
    ReleaseBuffer(px);
    return packed;
}

int32_t MergeRGBA32Layer(const uint8_t *data, int32_t slot, int32_t mode, int32_t opacityPercent) {
    LayerSlot *dst = SlotWithPixels(slot);
    if (data == nullptr || dst == nullptr) return 0;
    // The image is canvas-sized; a layer of another size cannot take it.
    if (dst->width != g_engine.canvasWidth || dst->height != g_engine.canvasHeight) return 0;
    const int opacity = static_cast<int>(static_cast<double>(opacityPercent) * 2.56);
    const bool sameMode = mode == dst->blendMode && mode > 27;
    const int W = g_engine.canvasWidth, H = g_engine.canvasHeight;
    const size_t count = static_cast<size_t>(W) * static_cast<size_t>(H) * 4u;
    if (count == 0) return 0;
    uint16_t *wide = x_NewShortUndoReduce(count);
    if (wide == nullptr) throw std::bad_alloc();  // reported by the export's guard
    for (size_t i = 0; i < count; ++i) wide[i] = static_cast<uint16_t>(data[i] << 8);
    MergeRegion(wide, 0, 0, W, H, 4 * W, nullptr, dst->pixels, 0, 0, dst->stride, mode, 0, opacity, 255, false,
                sameMode);
    ReleaseBuffer(wide);
    return 1;
}
