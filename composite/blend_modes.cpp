// The single-pixel merge and the alpha-layer opacity.
#include "composite/blend_modes.h"

#include "composite/composite_pixel.h"
#include "core/engine_state.h"

namespace {
uint32_t Channel16(uint32_t v) { return v > 65535u ? 65535u : v; }
}  // namespace

void MergePixel(uint32_t *pRed, uint32_t *pGreen, uint32_t *pBlue, uint32_t *pAlpha, uint32_t red, uint32_t green,
                uint32_t blue, uint32_t alpha, int32_t mode, int32_t opacity, uint8_t keepAlpha) {
    if (pRed == nullptr || pGreen == nullptr || pBlue == nullptr || pAlpha == nullptr) return;
    const CompositeOptions opt = MakeCompositeOptions(mode, 255, opacity, keepAlpha != 0, false, false);
    PixelRGBA dst{Channel16(*pRed), Channel16(*pGreen), Channel16(*pBlue), Channel16(*pAlpha)};
    const PixelRGBA src{Channel16(red), Channel16(green), Channel16(blue), Channel16(alpha)};
    if (!CompositePixel(src, dst, nullptr, opt)) return;
    *pRed = dst.r;
    *pGreen = dst.g;
    *pBlue = dst.b;
    if (keepAlpha == 0) *pAlpha = dst.a;
}

int32_t SetAlphaLayerOpacity(int32_t percent) {
    // An opacity beyond 0..100 per cent would wrap in 16 bits (101 becoming
    // nearly transparent); it is limited instead.
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    const double value = static_cast<double>(percent) * 0.01 * 65535.0;
    g_engine.alphaLayerOpacity = static_cast<uint16_t>(static_cast<int32_t>(value));
    return g_engine.alphaLayerOpacity;
}
