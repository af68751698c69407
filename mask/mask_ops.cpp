// Switches, whole-mask operations, exchange of the mask as raw values, line
// runs and RGB24 images, and conversions between the mask and the current
// layer.
#include <cstring>

#include "core/engine_state.h"
#include "core/pixel_formats.h"
#include "mask/mask.h"
#include "mask/mask_p.h"
#include "mask/mask_values.h"

using namespace mask_detail;

// ---- Switches and overlay options ----------------------------------------

void MaskEnable(int32_t on) { g_engine.maskActive = static_cast<uint8_t>(on); }

void MaskDisplay(int32_t on) { g_engine.maskDisplayed = static_cast<uint8_t>(on); }

void MaskSetOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t fullStrength) {
    // Each channel is kept shifted left by 8, ready for the renderer's 16-bit blend.
    auto widen = [](int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) << 8); };
    g_engine.maskOverlayColour1[0] = widen(r1);
    g_engine.maskOverlayColour1[1] = widen(g1);
    g_engine.maskOverlayColour1[2] = widen(b1);
    g_engine.maskOverlayColour2[0] = widen(r2);
    g_engine.maskOverlayColour2[1] = widen(g2);
    g_engine.maskOverlayColour2[2] = widen(b2);
    g_engine.maskOverlayFullStrength = fullStrength;
}

// ---- Whole-mask operations ------------------------------------------------

void MaskClear(int32_t r, int32_t g, int32_t b) {
    if (g_engine.mask == nullptr) return;
    const int64_t mean = (static_cast<int64_t>(r) + g + b) / 3;
    const uint16_t m = MaskFromGrey16(mean);
    const size_t n = CanvasPixels();
    for (size_t i = 0; i < n; ++i) g_engine.mask[i] = m;
}

void MaskInvert() {
    if (g_engine.mask == nullptr) return;
    const size_t n = CanvasPixels();
    for (size_t i = 0; i < n; ++i) g_engine.mask[i] = static_cast<uint16_t>(65535 - g_engine.mask[i]);
}

void MaskGetData16(void *dest) {
    if (dest == nullptr || g_engine.mask == nullptr) return;
    std::memcpy(dest, g_engine.mask, CanvasPixels() * sizeof(uint16_t));
}

void MaskSetData16(const void *src) {
    if (src == nullptr || g_engine.mask == nullptr) return;
    std::memcpy(g_engine.mask, src, CanvasPixels() * sizeof(uint16_t));
}

int32_t MaskGetLineRLE(void *dest, int32_t row) {
    if (dest == nullptr || g_engine.mask == nullptr) return 0;
    if (row < 0 || row >= g_engine.canvasHeight || g_engine.canvasWidth <= 0) return 0;
    return RLECompressG16ToG8(MaskRow(row), static_cast<uint8_t *>(dest), g_engine.canvasWidth);
}

void MaskPutLineRLE(const void *src, int32_t row) {
    if (src == nullptr || g_engine.mask == nullptr) return;
    if (row < 0 || row >= g_engine.canvasHeight || g_engine.canvasWidth <= 0) return;
    RLEUncompressG8ToG16(static_cast<const uint8_t *>(src), MaskRow(row), g_engine.canvasWidth);
}

int32_t MaskGetAmount(int32_t x, int32_t y) {
    if (CurrentLayer() == nullptr || g_engine.mask == nullptr || !g_engine.maskActive) return 0;
    if (x < 0 || y < 0 || x >= g_engine.canvasWidth || y >= g_engine.canvasHeight) return 0;
    return 65535 - MaskRow(y)[x];
}

// ---- Exchange as RGB24 images -----------------------------------------------

void MaskSave(void *rgb24, int32_t stride) {
    if (rgb24 == nullptr || g_engine.mask == nullptr) return;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    for (int y = 0; y < H; ++y) {
        uint8_t *out = static_cast<uint8_t *>(rgb24) + static_cast<ptrdiff_t>(y) * stride;
        const uint16_t *m = MaskRow(y);
        for (int x = 0; x < W; ++x, out += 3) out[0] = out[1] = out[2] = GreyFromMask(m[x]);
    }
}

void MaskLoad(const void *rgb24, int32_t stride, int32_t width, int32_t height) {
    if (rgb24 == nullptr || g_engine.mask == nullptr) return;
    // An image larger than the canvas is cut at the canvas edge.
    const int w = std::min(width, g_engine.canvasWidth);
    const int h = std::min(height, g_engine.canvasHeight);
    for (int y = 0; y < h; ++y) {
        const uint8_t *in = static_cast<const uint8_t *>(rgb24) + static_cast<ptrdiff_t>(y) * stride;
        uint16_t *m = MaskRow(y);
        for (int x = 0; x < w; ++x, in += 3) m[x] = MaskFromGrey8((in[0] + in[1] + in[2]) / 3u);
    }
}

namespace {

enum class CombineMode { Add, Subtract, Replace };

CombineMode CombineModeFromName(const char *mode) {
    if (mode != nullptr && std::strcmp(mode, "Subtract") == 0) return CombineMode::Subtract;
    if (mode != nullptr && std::strcmp(mode, "Replace") == 0) return CombineMode::Replace;
    return CombineMode::Add;  // "Add" and every other text
}

}  // namespace

void MaskCombine(const void *rgb24, int32_t stride, int32_t stencil, int32_t value, const char *mode) {
    if (rgb24 == nullptr || g_engine.mask == nullptr) return;
    const CombineMode how = CombineModeFromName(mode);
    const bool useStencil = (stencil & 0xFF) == 1;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    for (int y = 0; y < H; ++y) {
        const uint8_t *in = static_cast<const uint8_t *>(rgb24) + static_cast<ptrdiff_t>(y) * stride;
        uint16_t *m = MaskRow(y);
        for (int x = 0; x < W; ++x, in += 3) {
            int64_t g = (in[0] + in[1] + in[2]) / 3;
            // A stencil turns black into `value` and everything else into nothing.
            if (useStencil) g = (g == 0) ? value : 0;
            const int64_t v = g * 256;
            if (v == 0) continue;
            int64_t result;
            switch (how) {
                case CombineMode::Subtract:
                    result = m[x] + v;
                    break;  // frees area
                case CombineMode::Replace:
                    result = 65280 - v;
                    break;
                default:
                    result = m[x] - v;
                    break;  // protects area
            }
            // A stencil value outside 0..255 could leave the 16-bit range.
            m[x] = static_cast<uint16_t>(std::clamp<int64_t>(result, 0, 65535));
        }
    }
}

// ---- Conversions with the current layer ---------------------------------------

void MaskToLayerImage() {
    LayerSlot *slot = CurrentLayer();
    if (slot == nullptr || g_engine.mask == nullptr) return;
    const LayerRegion r = CanvasRegionOf(*slot);
    for (int y = 0; y < r.height; ++y) {
        const uint16_t *m = MaskRow(y);
        uint16_t *p = LayerPixel(*slot, 0, y);
        for (int x = 0; x < r.width; ++x, p += 4) {
            const uint16_t grey = m[x] > 254 ? static_cast<uint16_t>(65535 - m[x]) : uint16_t{65280};
            p[0] = p[1] = p[2] = grey;
            p[3] = 65535;
        }
    }
}

namespace {

// Sets every mask value under the current layer from its pixel.
template <class PixelToMask>
void MaskFromLayer(PixelToMask toMask) {
    const LayerSlot *slot = CurrentLayer();
    if (slot == nullptr || g_engine.mask == nullptr) return;
    const LayerRegion r = CanvasRegionOf(*slot);
    for (int y = 0; y < r.height; ++y) {
        uint16_t *m = MaskRow(y);
        const uint16_t *p = LayerPixel(*slot, 0, y);
        for (int x = 0; x < r.width; ++x, p += 4) m[x] = toMask(p);
    }
}

}  // namespace

void MaskFromLayerImage() {
    MaskFromLayer([](const uint16_t *p) { return MaskFromGrey16((p[0] + p[1] + p[2]) / 3); });
}

void MaskFromLayerImageLuma() {
    MaskFromLayer([](const uint16_t *p) { return MaskFromGrey16((3 * p[0] + 4 * p[1] + p[2]) >> 3); });
}

void MaskFromLayerAlpha() {
    MaskFromLayer([](const uint16_t *p) { return p[3]; });
}

namespace {

// Alpha of every layer pixel on the canvas from its mask value.
template <class Combine>
void LayerAlphaFromMask(LayerSlot &slot, Combine combine) {
    const LayerRegion r = CanvasRegionOf(slot);
    for (int y = 0; y < r.height; ++y) {
        const uint16_t *m = MaskRow(y);
        uint16_t *alpha = LayerPixel(slot, 0, y) + 3;
        for (int x = 0; x < r.width; ++x, alpha += 4) *alpha = combine(*alpha, m[x]);
    }
}

}  // namespace

void MaskToLayerAlpha(int32_t kind) {
    LayerSlot *slot = CurrentLayer();
    if (slot == nullptr || g_engine.mask == nullptr) return;
    switch (kind) {
        case 0:
            LayerAlphaFromMask(*slot, [](uint16_t, uint16_t m) { return m; });
            break;
        case 1:
            LayerAlphaFromMask(*slot,
                               [](uint16_t a, uint16_t m) { return static_cast<uint16_t>(std::min(65535, a + m)); });
            break;
        case 2:
            LayerAlphaFromMask(*slot, [](uint16_t a, uint16_t m) { return static_cast<uint16_t>(std::max(0, a - m)); });
            break;
        default:
            break;  // any other kind changes nothing
    }
}
