// MergeRegion and the merge exports. The general path runs CompositePixel on
// every pixel; Normal and the per-channel formulas run the row loops of
// merge_normal_kernel.h, which take the integer early-outs and the blend in
// one pass; the alpha modes transform their pixels first and blend the
// Normal-formula ones with the same loops.
#include "composite/merge.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "composite/blend_formulas.h"
#include "composite/blend_mode_names.h"
#include "composite/composite_pixel.h"
#include "composite/merge_normal_kernel.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/layers.h"

namespace {

bool g_fastPaths = true;

// The modes with a row loop: the loop takes the early-outs and the blend in
// one pass over each row.
void MergeRows(NormalRowFn row, const uint16_t *source, int x, int y, int w, int h, int sourceStride,
               const uint16_t *mask, uint16_t *destination, int dx, int dy, int destStride, int opacity,
               uint32_t preOpacity) {
    const uint32_t pre1 = preOpacity + 1u;
    const uint32_t op1 = opacity >= 255 ? 256u : static_cast<uint32_t>(opacity) + 1u;
    for (int j = 0; j < h; ++j) {
        const size_t srcRow =
            static_cast<size_t>(y + j) * static_cast<size_t>(sourceStride) + 4u * static_cast<size_t>(x);
        uint16_t *d =
            destination + static_cast<size_t>(dy + j) * static_cast<size_t>(destStride) + 4u * static_cast<size_t>(dx);
        row(source + srcRow, mask != nullptr ? mask + srcRow : nullptr, d, w, pre1, op1);
    }
}

// Alpha modes (28 to 49): each chunk of a row is first transformed pixel by
// pixel (mask, pre-opacity and the alpha-mode transform, in that order) into
// a small buffer; the pixels that end with the Normal formula and a source
// alpha above 0 are then blended by the row loop of formula 13 (Normal without
// the opaque copy, which only mode 0 takes) with the opacity still to apply.
// Every other pixel (a destination taken as transparent, a switch to the
// Texturize2 or Multiply formula, nothing left of the source) is composited on
// its own by CompositePixel and left out of the row loop (alpha 0 there).
void MergeAlphaModeRows(const uint16_t *source, int x, int y, int w, int h, int sourceStride, const uint16_t *mask,
                        uint16_t *destination, int dx, int dy, int destStride, const CompositeOptions &opt) {
    constexpr int kChunk = 64;
    const NormalRowFn row = SelectBlendRow(13, false, opt.keepDestAlpha);
    const uint32_t op1 = opt.opacity >= 255 ? 256u : static_cast<uint32_t>(opt.opacity) + 1u;
    const uint32_t pre1 = opt.preOpacity + 1u;
    const int32_t m = opt.mode;
    uint16_t t[4 * kChunk];
    for (int j = 0; j < h; ++j) {
        const size_t srcRow =
            static_cast<size_t>(y + j) * static_cast<size_t>(sourceStride) + 4u * static_cast<size_t>(x);
        const uint16_t *sRow = source + srcRow;
        const uint16_t *mRow = mask != nullptr ? mask + srcRow : nullptr;
        uint16_t *dRow =
            destination + static_cast<size_t>(dy + j) * static_cast<size_t>(destStride) + 4u * static_cast<size_t>(dx);
        for (int i0 = 0; i0 < w; i0 += kChunk) {
            const int n = std::min(kChunk, w - i0);
            for (int i = 0; i < n; ++i) {
                const uint16_t *sp = sRow + 4 * (i0 + i);
                const uint16_t *mp = mRow != nullptr ? mRow + 4 * (i0 + i) : nullptr;
                uint32_t a = sp[3];
                if (mp != nullptr && mp[3] > 0) a = (((static_cast<uint32_t>(mp[0]) + mp[1] + mp[2]) / 3u) * a) >> 16;
                a = (pre1 * a) >> 8;
                const AlphaTransformed tr =
                    ApplyAlphaTransform(m, sp[0], sp[1], sp[2], a, opt.alphaLayerOpacity, opt.sameModeMerge);
                uint16_t *tp = t + 4 * i;
                const bool inRange = tr.r >= 0 && tr.r <= 65535 && tr.g >= 0 && tr.g <= 65535 && tr.b >= 0 &&
                                     tr.b <= 65535 && tr.a <= 65535;
                if (tr.destAsTransparent || tr.bm != m || tr.a == 0 || !inRange) {
                    CompositePixel16(sp, dRow + 4 * (i0 + i), mp, opt);
                    tp[0] = tp[1] = tp[2] = tp[3] = 0;  // left alone by the row loop
                } else {
                    tp[0] = static_cast<uint16_t>(tr.r);
                    tp[1] = static_cast<uint16_t>(tr.g);
                    tp[2] = static_cast<uint16_t>(tr.b);
                    tp[3] = static_cast<uint16_t>(tr.a);
                }
            }
            row(t, nullptr, dRow + 4 * i0, n, 256u, op1);
        }
    }
}

// True when a rectangle read with the source geometry and the destination
// rectangle may share memory at different places: the row loops read several
// pixels before writing them, so a later pixel could then see a written value.
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
    const NormalRowFn row = g_fastPaths ? SelectBlendRow(mode, useMask, keepDestAlpha) : nullptr;
    if (row != nullptr && !OverlapsShifted(source, x, y, w, h, sourceStride, destination, dx, dy, destStride) &&
        !(useMask && OverlapsShifted(mask, x, y, w, h, sourceStride, destination, dx, dy, destStride))) {
        const CompositeOptions opt = MakeCompositeOptions(mode, preOpacity, opacity, keepDestAlpha, false, true);
        MergeRows(row, source, x, y, w, h, sourceStride, useMask ? mask : nullptr, destination, dx, dy, destStride,
                  opt.opacity, opt.preOpacity);
        return;
    }
    if (g_fastPaths && mode >= kFirstAlphaModeId && mode <= kLastAlphaModeId &&
        !OverlapsShifted(source, x, y, w, h, sourceStride, destination, dx, dy, destStride) &&
        !(useMask && OverlapsShifted(mask, x, y, w, h, sourceStride, destination, dx, dy, destStride))) {
        const CompositeOptions opt =
            MakeCompositeOptions(mode, preOpacity, opacity, keepDestAlpha, sameModeMerge, true);
        MergeAlphaModeRows(source, x, y, w, h, sourceStride, useMask ? mask : nullptr, destination, dx, dy, destStride,
                           opt);
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
