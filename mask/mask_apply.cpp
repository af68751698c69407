// Applying the mask: to the alpha of 8-bit images, and to the current layer
// through the mask-aware clears.
#include <cstdlib>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/pixel_formats.h"
#include "core/pixel_transfer.h"
#include "mask/mask.h"
#include "mask/mask_p.h"

using namespace mask_detail;

// ---- Mask to RGBA32 alpha -----------------------------------------------------

namespace {

// Alpha scaled by the high byte h of the mask: 0 clears, 255 keeps, otherwise
// alpha * (h + 1) >> 8.
inline void ScaleAlpha(uint8_t *pixels, const uint16_t *m, int count) {
    for (int i = 0; i < count; ++i, pixels += 4) {
        const uint32_t h = m[i] >> 8;
        if (h == 255) continue;
        pixels[3] = h == 0 ? uint8_t{0} : static_cast<uint8_t>((pixels[3] * (h + 1)) >> 8);
    }
}

}  // namespace

void MaskApplyToAlphaRectRGBA32(void *rgba32, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (rgba32 == nullptr || g_engine.mask == nullptr) return;
    // Only the part of the rectangle that lies on the canvas has mask values.
    const int cx0 = std::max(x0, 0);
    const int cy0 = std::max(y0, 0);
    const int cx1 = std::min(x1, g_engine.canvasWidth - 1);
    const int cy1 = std::min(y1, g_engine.canvasHeight - 1);
    if (cx1 < cx0 || cy1 < cy0) return;
    uint8_t *image = static_cast<uint8_t *>(rgba32);
    for (int y = cy0; y <= cy1; ++y) {
        // Offsets in 64 bits: a far-off corner must not overflow the subtraction.
        uint8_t *row = image + (static_cast<ptrdiff_t>(y) - y0) * stride + (static_cast<ptrdiff_t>(cx0) - x0) * 4;
        ScaleAlpha(row, MaskRow(y) + cx0, cx1 - cx0 + 1);
    }
}

void MaskApplyToAlphaRGBA32(void *rgba32) {
    if (rgba32 == nullptr || g_engine.mask == nullptr) return;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    if (W <= 0 || H <= 0) return;
    ScaleAlpha(static_cast<uint8_t *>(rgba32), g_engine.mask, W * H);
}

void MaskApplyToIPLSrcAlpha() {
    if (g_engine.IPLSrcBuffer32 == nullptr || g_engine.mask == nullptr || !g_engine.maskActive) return;
    // The buffer is canvas-sized; never walk past the bytes it was given.
    const size_t bufferPixels = g_engine.IPLSrcSize > 0 ? static_cast<size_t>(g_engine.IPLSrcSize) / 4 : 0;
    const size_t n = std::min(CanvasPixels(), bufferPixels);
    ScaleAlpha(g_engine.IPLSrcBuffer32, g_engine.mask, static_cast<int>(n));
}

// ---- Mask-aware clears ------------------------------------------------------------

void MaskClearLayer(int32_t r, int32_t g, int32_t b, int32_t a) {
    LayerSlot *slot = CurrentLayer();
    if (slot == nullptr) return;
    if (!g_engine.maskActive || g_engine.mask == nullptr) {
        ClearCurrentLayer(r, g, b, a);
        return;
    }
    const uint32_t colour[3] = {static_cast<uint32_t>(r & 0xFF), static_cast<uint32_t>(g & 0xFF),
                                static_cast<uint32_t>(b & 0xFF)};
    const LayerRegion reg = CanvasRegionOf(*slot);
    for (int y = 0; y < reg.height; ++y) {
        const uint16_t *m = MaskRow(y);
        uint16_t *p = LayerPixel(*slot, 0, y);
        for (int x = 0; x < reg.width; ++x, p += 4) {
            const uint32_t M = m[x];
            if (M == 0) continue;
            if (M == 65535) {
                p[0] = Widen8(r & 0xFF);
                p[1] = Widen8(g & 0xFF);
                p[2] = Widen8(b & 0xFF);
                p[3] = Widen8(a & 0xFF);
                continue;
            }
            // Partly masked: the 8-bit colour times M plus the old channel
            // times the rest; the pixel ends up opaque whatever a is.
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint16_t>(((colour[c] * M) + ((uint32_t{p[c]} * (65535 - M)) >> 8)) >> 8);
            p[3] = 65535;
        }
    }
}

void MaskClearLayerAlpha(int32_t r, int32_t g, int32_t b, int32_t a) {
    if (CurrentLayer() == nullptr) return;
    if (!g_engine.maskActive || g_engine.mask == nullptr) {
        ClearCurrentLayer(r, g, b, a);
        return;
    }
    // A canvas-sized image of the colour, loaded through mask and texture.
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    uint8_t *image = x_NewCharUndoReduce(CanvasPixels() * 4);
    if (image == nullptr) return;
    ClearRGBA32(image, W * 4, W, H, r, g, b, a);
    LoadRGBA32(image, W * 4, 1);
    ReleaseBuffer(image);
}

void ReplaceRGBA32AlphaRange(void *rgba32, int32_t alpha, int32_t tol, int32_t r, int32_t g, int32_t b, int32_t a) {
    if (rgba32 == nullptr) return;
    const int64_t T = ToleranceBound(tol, 2.56);
    const uint8_t colour[4] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                               static_cast<uint8_t>(a)};
    uint8_t *p = static_cast<uint8_t *>(rgba32);
    const size_t n = CanvasPixels();
    for (size_t i = 0; i < n; ++i, p += 4) {
        const int64_t diff = static_cast<int64_t>(p[3]) - alpha;
        if ((diff < 0 ? -diff : diff) > T) continue;
        p[0] = colour[0];
        p[1] = colour[1];
        p[2] = colour[2];
        p[3] = colour[3];
    }
}
