#include "core/pixel_transfer.h"

#include <algorithm>
#include <cstring>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/errors.h"
#include "core/layers.h"
#include "composite/merge.h"
#include "core/pixel_formats.h"
#include "mask/mask.h"
#include "imaging/library/zlib_buffers.h"
#include "undo/undo.h"

namespace {

// A block of RGBA64 pixels: `stride` 16-bit values between rows.
struct PixelRegion {
    uint16_t *pixels;
    int width;
    int height;
    size_t stride;

    uint16_t *Row(int y) const { return pixels + static_cast<size_t>(y) * stride; }
    bool Empty() const { return pixels == nullptr || width <= 0 || height <= 0; }
};

LayerSlot *CurrentSlot() {
    LayerSlot *slot = g_engine.currentSlot;
    return (slot != nullptr && slot->pixels != nullptr) ? slot : nullptr;
}

// The slot addressed in canvas geometry, cut to the buffer it really has.
PixelRegion CanvasRegion(const LayerSlot *slot) {
    if (slot == nullptr || slot->pixels == nullptr) return {nullptr, 0, 0, 0};
    return {slot->pixels, std::min(g_engine.canvasWidth, slot->width), std::min(g_engine.canvasHeight, slot->height),
            static_cast<size_t>(slot->stride)};
}

// A canvas-sized RGBA64 buffer (undo work canvas, host buffers).
PixelRegion CanvasBuffer(const uint16_t *buffer) {
    return {const_cast<uint16_t *>(buffer), g_engine.canvasWidth, g_engine.canvasHeight,
            static_cast<size_t>(g_engine.canvasWidth) * 4};
}

// The texture map and the mask as the weighted loaders see them; null when
// not in use. Both have rows W values apart.
struct WeightInputs {
    const uint8_t *texture;
    const uint16_t *mask;

    bool Any() const { return texture != nullptr || mask != nullptr; }
    const uint8_t *TextureRow(int y) const {
        return texture == nullptr ? nullptr : texture + static_cast<size_t>(y) * g_engine.canvasWidth;
    }
    const uint16_t *MaskRow(int y) const {
        return mask == nullptr ? nullptr : mask + static_cast<size_t>(y) * g_engine.canvasWidth;
    }
};

WeightInputs CurrentWeightInputs() {
    WeightInputs in{g_engine.textureMap, nullptr};
    if (g_engine.maskActive && g_engine.mask != nullptr) in.mask = g_engine.mask;
    return in;
}

inline uint32_t RowWeightA(const uint8_t *t, const uint16_t *m, int x) {
    return WeightRuleA(t != nullptr, t != nullptr ? t[x] : 0, m != nullptr, m != nullptr ? m[x] : 0);
}

inline uint32_t RowWeightB(const uint8_t *t, const uint16_t *m, int x) {
    return WeightRuleB(t != nullptr, t != nullptr ? t[x] : 0, m != nullptr, m != nullptr ? m[x] : 0);
}

inline const uint8_t *HostRow(const uint8_t *base, int stride, int64_t row) {
    return base + static_cast<ptrdiff_t>(row) * stride;
}

inline uint8_t *HostRow(uint8_t *base, int stride, int64_t row) { return base + static_cast<ptrdiff_t>(row) * stride; }

// Narrows a canvas region into `channels`-byte host pixels; `alphaOnly`
// writes the alpha high byte into every byte.
template <int channels, bool alphaOnly>
void NarrowRegion(const PixelRegion &r, uint8_t *dest, int destStride) {
    for (int y = 0; y < r.height; ++y) {
        const uint16_t *s = r.Row(y);
        uint8_t *d = HostRow(dest, destStride, y);
        for (int x = 0; x < r.width; ++x, s += 4, d += channels)
            for (int c = 0; c < channels; ++c) d[c] = Narrow16(s[alphaOnly ? 3 : c]);
    }
}

void LoadIntoSlot(LayerSlot &slot, const uint8_t *src, int srcStride, int x, int y, int w, int h, int useMask) {
    const WeightInputs in = CurrentWeightInputs();
    const bool weighted = (useMask & 0xFF) != 0 && in.Any();
    int64_t x0 = std::max(x, 0);
    int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, slot.width);
    int64_t y0 = std::max(y, 0);
    int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, slot.height);
    if (weighted) {
        // Mask and texture cover the canvas only.
        x1 = std::min<int64_t>(x1, g_engine.canvasWidth);
        y1 = std::min<int64_t>(y1, g_engine.canvasHeight);
    }
    if (x0 >= x1 || y0 >= y1) return;
    const bool lock = slot.alphaLocked != 0;
    const int n = static_cast<int>(x1 - x0);
    for (int64_t yy = y0; yy < y1; ++yy) {
        const uint8_t *s = HostRow(src, srcStride, yy - y) + (x0 - x) * 4;
        uint16_t *d = slot.pixels + static_cast<size_t>(yy) * slot.stride + x0 * 4;
        if (!weighted) {
            if (lock) {
                for (int i = 0; i < n; ++i, s += 4, d += 4) {
                    d[0] = Widen8(s[0]);
                    d[1] = Widen8(s[1]);
                    d[2] = Widen8(s[2]);
                }
            } else {
                for (int i = 0; i < n; ++i, s += 4, d += 4) {
                    if (s[3] == 0) {
                        d[0] = d[1] = d[2] = d[3] = 0;
                    } else {
                        d[0] = Widen8(s[0]);
                        d[1] = Widen8(s[1]);
                        d[2] = Widen8(s[2]);
                        d[3] = Widen8(s[3]);
                    }
                }
            }
            continue;
        }
        const uint8_t *t = in.TextureRow(static_cast<int>(yy));
        const uint16_t *m = in.MaskRow(static_cast<int>(yy));
        for (int i = 0; i < n; ++i, s += 4, d += 4)
            LoadPixelWeighted(d, s, RowWeightA(t, m, static_cast<int>(x0) + i), lock);
    }
}

}  // namespace

// ---- Layer line codecs ----------------------------------------------------------

namespace {

// Pixels of row `row` that the slot's buffer holds, with the row taken W
// pixels per row from the buffer start; 0 when none.
int LinePixels(const LayerSlot &slot, int row, uint16_t **start) {
    const int64_t W = g_engine.canvasWidth;
    const int64_t total = static_cast<int64_t>(slot.width) * slot.height;
    const int64_t first = static_cast<int64_t>(row) * W;
    if (row < 0 || first >= total) return -1;
    *start = slot.pixels + first * 4;
    return static_cast<int>(std::min(W, total - first));
}

}  // namespace

int GetRGBA32LayerLineRLE(uint8_t *dest, int layer, int row) {
    const LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr || dest == nullptr) return 0;
    uint16_t *start = nullptr;
    const int n = LinePixels(*slot, row, &start);
    if (n < 0) return 0;
    return RleEncodeRGBA64ToRGBA32(start, dest, n);
}

void PutRGBA32LayerLineRLE(const uint8_t *src, int layer, int row) {
    LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr || src == nullptr) return;
    uint16_t *start = nullptr;
    const int n = LinePixels(*slot, row, &start);
    if (n <= 0) return;
    RleDecodeRGBA32ToRGBA64(src, RleColorStreamLimit(g_engine.canvasWidth), start, n);
}

// ---- Whole layers out to the host --------------------------------------------------

void GetRGBA32Layer(uint8_t *dest, int destStride, int layer) {
    const PixelRegion r = CanvasRegion(SlotWithPixels(layer));
    if (r.Empty() || dest == nullptr) return;
    NarrowRegion<4, false>(r, dest, destStride);
}

void GetRGBA32(uint8_t *dest, int destStride) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || dest == nullptr) return;
    NarrowRegion<4, false>(r, dest, destStride);
}

void GetRGB24Layer(uint8_t *dest, int destStride, int layer) {
    const PixelRegion r = CanvasRegion(SlotWithPixels(layer));
    if (r.Empty() || dest == nullptr) return;
    NarrowRegion<3, false>(r, dest, destStride);
}

void GetRGB24(uint8_t *dest, int destStride) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || dest == nullptr) return;
    NarrowRegion<3, false>(r, dest, destStride);
}

void GetRGB24FromAlpha(uint8_t *dest, int destStride) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || dest == nullptr) return;
    NarrowRegion<3, true>(r, dest, destStride);
}

void GetRGBA64Layer(uint8_t *dest, int destStride, int layer) {
    const PixelRegion r = CanvasRegion(SlotWithPixels(layer));
    if (r.Empty() || dest == nullptr) return;
    for (int y = 0; y < r.height; ++y)
        std::memcpy(HostRow(dest, destStride, y), r.Row(y), static_cast<size_t>(r.width) * 8);
}

void GetRGBA64LayerRect(uint8_t *dest, int destStride, int layer, int x, int y, int w, int h) {
    const PixelRegion r = CanvasRegion(SlotWithPixels(layer));
    if (r.Empty() || dest == nullptr) return;
    const int64_t x0 = std::max(x, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, r.width);
    const int64_t y0 = std::max(y, 0);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, r.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int64_t yy = y0; yy < y1; ++yy)
        std::memcpy(HostRow(dest, destStride, yy - y) + (x0 - x) * 8, r.Row(static_cast<int>(yy)) + x0 * 4,
                    static_cast<size_t>(x1 - x0) * 8);
}

int GetRGBA32LayerCompressed(void *dest, int destCapacity, int layer, int level) {
    if (SlotWithPixels(layer) == nullptr || dest == nullptr) return 0;
    const size_t bytes = PixelCount(g_engine.canvasWidth, g_engine.canvasHeight) * 4;
    uint8_t *block = x_NewCharUndoReduce(bytes);
    if (block == nullptr) return 0;
    int result = 0;
    try {
        // A slot smaller than the canvas leaves the rest of the block zero.
        std::memset(block, 0, bytes);
        GetRGBA32Layer(block, g_engine.canvasWidth * 4, layer);
        result = IS3ZDeflateBuffer(block, static_cast<int>(bytes), dest, destCapacity, level);
    } catch (...) {
        ReleaseBuffer(block);
        throw;
    }
    ReleaseBuffer(block);
    return result;
}

// ---- Host buffers into a layer --------------------------------------------------------

void SetRGBA64Layer(const uint8_t *src, int srcStride, int layer) {
    const PixelRegion r = CanvasRegion(SlotWithPixels(layer));
    if (r.Empty() || src == nullptr) return;
    for (int y = 0; y < r.height; ++y)
        std::memcpy(r.Row(y), HostRow(src, srcStride, y), static_cast<size_t>(r.width) * 8);
}

void LoadRGBA32Layer(const uint8_t *src, int srcStride, int layer, int x, int y, int w, int h, int useMask) {
    LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr || src == nullptr) return;
    LoadIntoSlot(*slot, src, srcStride, x, y, w, h, useMask);
}

void LoadRGBA32(const uint8_t *src, int srcStride, int useMask) {
    LayerSlot *slot = CurrentSlot();
    if (slot == nullptr || src == nullptr) return;
    LoadIntoSlot(*slot, src, srcStride, 0, 0, slot->width, slot->height, useMask);
}

void LoadRGBA32Into(const uint8_t *src, int srcStride, int layer, int x, int y, int w, int h) {
    LoadRGBA32Layer(src, srcStride, layer, x, y, w, h, 1);
}

void LoadRGB24(const uint8_t *src, int srcStride, int useMask) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || src == nullptr) return;
    const WeightInputs in = CurrentWeightInputs();
    const bool weighted = useMask != 0 && in.Any();
    for (int y = 0; y < r.height; ++y) {
        const uint8_t *s = HostRow(src, srcStride, y);
        uint16_t *d = r.Row(y);
        if (!weighted) {
            for (int x = 0; x < r.width; ++x, s += 3, d += 4) {
                d[0] = Widen8(s[0]);
                d[1] = Widen8(s[1]);
                d[2] = Widen8(s[2]);
            }
            continue;
        }
        const uint8_t *t = in.TextureRow(y);
        const uint16_t *m = in.MaskRow(y);
        for (int x = 0; x < r.width; ++x, s += 3, d += 4) {
            const uint32_t w = RowWeightA(t, m, x);
            d[0] = WeightedBlend(s[0], d[0], w);
            d[1] = WeightedBlend(s[1], d[1], w);
            d[2] = WeightedBlend(s[2], d[2], w);
        }
    }
}

// With weighting, A = ((((65535 - w) * A) >> 8) + s * w) >> 8, which is the
// weighted blend of s into A.
void LoadRGB24ToAlpha(const uint8_t *src, int srcStride, int useMask) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || src == nullptr) return;
    const WeightInputs in = CurrentWeightInputs();
    const bool weighted = useMask != 0 && in.Any();
    for (int y = 0; y < r.height; ++y) {
        const uint8_t *s = HostRow(src, srcStride, y);
        uint16_t *d = r.Row(y);
        const uint8_t *t = in.TextureRow(y);
        const uint16_t *m = in.MaskRow(y);
        for (int x = 0; x < r.width; ++x, s += 3, d += 4) {
            if (d[3] == 0) continue;  // transparent pixels stay transparent
            d[3] = weighted ? WeightedBlend(s[0], d[3], RowWeightB(t, m, x)) : Widen8(s[0]);
        }
    }
}

void LoadBGR24(const uint8_t *src, int srcStride, int w, int h) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || src == nullptr) return;
    const int cols = std::min(w, r.width);
    const int rows = std::min(h, r.height);
    for (int y = 0; y < rows; ++y) {
        const uint8_t *s = HostRow(src, srcStride, y);
        uint16_t *d = r.Row(y);
        for (int x = 0; x < cols; ++x, s += 3, d += 4) {
            d[0] = Widen8(s[2]);
            d[1] = Widen8(s[1]);
            d[2] = Widen8(s[0]);
            d[3] = 65535;
        }
    }
}

// The block is loaded only when the stream restores it completely: a stream
// of another size or a damaged one leaves the layer as it was.
// The mask and texture weighting scales alpha in a copy of the source, so the
// host's image is left as it was handed over.
void LoadRGBA32LayerOld(const uint8_t *src, int layer, int w, int h, int useMask) {
    LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr || src == nullptr) return;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    // The merge reads a canvas-sized image into a canvas-sized layer.
    if (slot->width != W || slot->height != H) return;
    uint8_t *weighted = nullptr;
    if (useMask) {
        const size_t bytes = static_cast<size_t>(W) * static_cast<size_t>(H) * 4;
        weighted = x_NewCharUndoReduce(bytes);
        if (weighted == nullptr) return;
        std::memcpy(weighted, src, bytes);
        AdjustRGBA32ByMaskAndTexture(weighted, std::min(w, W), std::min(h, H));
        src = weighted;
    }
    MaskClearLayer(0, 0, 0, 0);
    MergeRGBA32Image(src, slot->pixels, 0, 0, 255, slot->alphaLocked != 0);
    ReleaseBuffer(weighted);
}

void LoadRGBA32LayerCompressed(const void *src, int srcLength, int layer) {
    LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr || src == nullptr || srcLength <= 0) return;
    const size_t bytes = PixelCount(slot->width, slot->height) * 4;
    if (bytes == 0 || bytes > 0x7FFFFFFF) return;
    uint8_t *block = x_NewCharUndoReduce(bytes);
    if (block == nullptr) return;
    try {
        const int restored = IS3ZInflateBuffer(src, srcLength, block, static_cast<int>(bytes), 0);
        if (restored > 0 && static_cast<size_t>(restored) == bytes)
            LoadIntoSlot(*slot, block, slot->width * 4, 0, 0, slot->width, slot->height, 0);
    } catch (...) {
        ReleaseBuffer(block);
        throw;
    }
    ReleaseBuffer(block);
}

// ---- Fills and per-pixel edits of layers ----------------------------------------------------

void ClearCurrentLayer(int r, int g, int b, int a) {
    LayerSlot *slot = CurrentSlot();
    if (slot == nullptr) return;
    const uint16_t px[4] = {Widen8(r & 0xFF), Widen8(g & 0xFF), Widen8(b & 0xFF), Widen8(a & 0xFF)};
    for (int y = 0; y < slot->height; ++y) {
        uint16_t *d = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < slot->width; ++x) std::memcpy(d + 4 * x, px, sizeof px);
    }
}

// Colour of nearly transparent pixels (alpha below 256) set with full-range
// widening (v * 257, so 255 becomes 65535) and alpha 0.
void SetColorAlpha(int r, int g, int b) {
    LayerSlot *slot = CurrentSlot();
    if (slot == nullptr) return;
    const uint16_t px[4] = {static_cast<uint16_t>((r & 0xFF) * 257), static_cast<uint16_t>((g & 0xFF) * 257),
                            static_cast<uint16_t>((b & 0xFF) * 257), 0};
    for (int y = 0; y < slot->height; ++y) {
        uint16_t *d = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < slot->width; ++x, d += 4)
            if (d[3] < 256) std::memcpy(d, px, sizeof px);
    }
}

void InvertAlpha(int layer) {
    LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr) return;
    for (int y = 0; y < slot->height; ++y) {
        uint16_t *d = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < slot->width; ++x) d[4 * x + 3] = static_cast<uint16_t>(65535 - d[4 * x + 3]);
    }
}

void SetPixelRGB24(uint8_t *buf, int stride, int x, int y, int r, int g, int b) {
    if (buf == nullptr || x < 0 || y < 0 || x >= g_engine.canvasWidth || y >= g_engine.canvasHeight) return;
    uint8_t *p = HostRow(buf, stride, y) + 3 * static_cast<size_t>(x);
    p[0] = Narrow16(static_cast<uint16_t>(r));
    p[1] = Narrow16(static_cast<uint16_t>(g));
    p[2] = Narrow16(static_cast<uint16_t>(b));
}

// ---- Canvas-sized host buffers ----------------------------------------------------------------

int GetRGB24FromCanvasRGBA64(uint8_t *dest, int destStride, const uint16_t *src, int srcStride) {
    return GetRGB24FromRGBA64Rect(dest, destStride, src, srcStride, g_engine.canvasWidth, g_engine.canvasHeight);
}

void ClearCanvasRGBA64(uint16_t *buf, int stride, int r, int g, int b, int a) {
    ClearRGBA64(buf, stride, g_engine.canvasWidth, g_engine.canvasHeight, r, g, b, a);
}

void ClearCanvasRGBA32(uint8_t *buf, int stride, int r, int g, int b, int a) {
    ClearRGBA32(buf, stride, g_engine.canvasWidth, g_engine.canvasHeight, r, g, b, a);
}

void InvertAlphaCanvasRGBA32(uint8_t *buf) { InvertAlphaRGBA32(buf, g_engine.canvasWidth, g_engine.canvasHeight); }

void SetAlphaFromCanvasRGBA32Color(uint8_t *buf, int r, int g, int b) {
    SetAlphaFromRGBAImageColor(buf, g_engine.canvasWidth, g_engine.canvasHeight, r, g, b);
}

void AdjustCanvasRGBA32ForAlphaComp(int flag, uint8_t *buf) {
    if (flag != 0) AdjustRGBA32ForAlphaComp(buf, g_engine.canvasWidth, g_engine.canvasHeight);
}

// ---- Preparation of 8-bit copies ------------------------------------------------------------

void AdjustRGBA32RectByMaskAndTexture(uint8_t *buf, int x, int y, int w, int h) {
    const WeightInputs in = CurrentWeightInputs();
    if (buf == nullptr || !in.Any() || w <= 0) return;
    const int64_t x0 = std::max(x, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, g_engine.canvasWidth);
    const int64_t y0 = std::max(y, 0);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, g_engine.canvasHeight);
    if (x0 >= x1 || y0 >= y1) return;
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    for (int64_t yy = y0; yy < y1; ++yy) {
        uint8_t *p = buf + static_cast<size_t>(yy - y) * rowBytes + static_cast<size_t>(x0 - x) * 4;
        const uint8_t *t = in.TextureRow(static_cast<int>(yy));
        const uint16_t *m = in.MaskRow(static_cast<int>(yy));
        for (int64_t xx = x0; xx < x1; ++xx, p += 4)
            p[3] = static_cast<uint8_t>((p[3] * RowWeightB(t, m, static_cast<int>(xx))) / 65535);
    }
}

void AdjustRGBA32ByMaskAndTexture(uint8_t *buf, int w, int h) { AdjustRGBA32RectByMaskAndTexture(buf, 0, 0, w, h); }

// ---- Pixel queries ----------------------------------------------------------------------------

namespace {

inline uint32_t PackRGBA(const uint16_t *p) {
    return (static_cast<uint32_t>(Narrow16(p[0])) << 24) | (static_cast<uint32_t>(Narrow16(p[1])) << 16) |
           (static_cast<uint32_t>(Narrow16(p[2])) << 8) | Narrow16(p[3]);
}

inline uint32_t PackARGB(const uint16_t *p) {
    return (static_cast<uint32_t>(Narrow16(p[3])) << 24) | (static_cast<uint32_t>(Narrow16(p[0])) << 16) |
           (static_cast<uint32_t>(Narrow16(p[1])) << 8) | Narrow16(p[2]);
}

uint32_t RegionRGBAAt(const PixelRegion &r, int x, int y) {
    if (r.Empty()) return 0;
    x = std::min(std::max(x, 0), r.width - 1);
    y = std::min(std::max(y, 0), r.height - 1);
    return PackRGBA(r.Row(y) + 4 * x);
}

uint32_t RegionColorAt(const PixelRegion &r, int x, int y) {
    if (r.pixels == nullptr) return 0;
    if (x < 0 || y < 0 || x >= r.width || y >= r.height) return 0xFFFFFF;
    return PackARGB(r.Row(y) + 4 * x);
}

PixelRegion SourceRegion(PixelSource source, int layer) {
    switch (source) {
        case PixelSource::Surface:
            return CanvasRegion(CurrentSlot());
        case PixelSource::UnderLayer:
            return CanvasBuffer(g_engine.undoWorkCanvas);
        case PixelSource::Layer:
            return CanvasRegion(SlotWithPixels(layer));
        case PixelSource::Trace:
            return CanvasRegion(g_engine.traceSlot);
        case PixelSource::History:
            return CanvasBuffer(UndoCanUndo() ? g_engine.undoWorkCanvas : nullptr);
    }
    return {nullptr, 0, 0, 0};
}

}  // namespace

int GetChannel64(int x, int y, int channel) {
    const PixelRegion r = CanvasRegion(CurrentSlot());
    if (r.Empty() || x < 0 || y < 0 || x >= r.width || y >= r.height) return 0;
    return r.Row(y)[4 * x + channel];
}

uint32_t GetRGBAAt(int x, int y, const uint16_t *buffer) { return RegionRGBAAt(CanvasBuffer(buffer), x, y); }

uint32_t GetColorAt(int x, int y, const uint16_t *buffer) { return RegionColorAt(CanvasBuffer(buffer), x, y); }

uint32_t GetRGBAAtSource(PixelSource source, int x, int y, int layer) {
    return RegionRGBAAt(SourceRegion(source, layer), x, y);
}

uint32_t GetColorAtSource(PixelSource source, int x, int y, int layer) {
    return RegionColorAt(SourceRegion(source, layer), x, y);
}

// ---- Scratch image ------------------------------------------------------------------------------

int CreateNewRGBA(int width, int height) {
    ReleaseBuffer(g_engine.scratchImage);
    if (width < 0 || height < 0) width = height = 0;
    g_engine.scratchWidth = width;
    g_engine.scratchHeight = height;
    g_engine.scratchImage = x_NewCharUndoReduce(PixelCount(width, height) * 4);
    if (g_engine.scratchImage == nullptr) {
        SetLastErrorText("CreateNewRGBA Excpt");
        return 0;
    }
    return 1;
}

void DeleteNewRGBA() { ReleaseBuffer(g_engine.scratchImage); }

int IsNewRGBA32Transparent() {
    const uint8_t *p = g_engine.scratchImage;
    if (p == nullptr) return 0;
    const size_t n = PixelCount(g_engine.scratchWidth, g_engine.scratchHeight);
    for (size_t i = 0; i < n; ++i)
        if (p[4 * i + 3] < 255) return 1;
    return 0;
}

void SetInNewRGBA() {
    LayerSlot *slot = CurrentSlot();
    if (slot == nullptr || g_engine.scratchImage == nullptr) return;
    LoadIntoSlot(*slot, g_engine.scratchImage, g_engine.scratchWidth * 4, 0, 0, g_engine.scratchWidth,
                 g_engine.scratchHeight, 1);
}

void GetNewRGBA32(void *dest) {
    if (g_engine.scratchImage == nullptr || dest == nullptr) return;
    std::memcpy(dest, g_engine.scratchImage, PixelCount(g_engine.scratchWidth, g_engine.scratchHeight) * 4);
}

void GetNewRGBA24(void *dest) {
    if (g_engine.scratchImage == nullptr || dest == nullptr) return;
    RGBAToRGB(static_cast<uint8_t *>(dest), g_engine.scratchWidth, g_engine.scratchHeight, g_engine.scratchImage);
}
