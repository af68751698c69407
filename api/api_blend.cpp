// Exports: blend modes and the single-pixel merge.
#include "api/api.h"
#include "composite/blend_modes.h"

TSY_API void TSY_MergePixel(uint32_t *pRed, uint32_t *pGreen, uint32_t *pBlue, uint32_t *pAlpha, uint32_t red,
                            uint32_t green, uint32_t blue, uint32_t alpha, int32_t mode, int32_t opacity,
                            uint8_t keepAlpha) {
    TSY_GUARD("MergePixel Excpt",
              MergePixel(pRed, pGreen, pBlue, pAlpha, red, green, blue, alpha, mode, opacity, keepAlpha));
}

TSY_API int32_t TSY_SetAlphaLayerOpacity(int32_t percent) {
    int32_t result = 0;
    TSY_GUARD("SetAlphaLayerOpacity Excpt", result = SetAlphaLayerOpacity(percent));
    return result;
}
