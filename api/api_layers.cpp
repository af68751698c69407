// Exports: the layer table.
#include "api/api.h"
#include "core/engine_state.h"
#include "core/layers.h"

TSY_API int32_t TSY_CreateLayer(int32_t index, int32_t width, int32_t height) {
    int32_t result = 0;
    TSY_GUARD("CreateLayer Excpt", result = LayerCreate(index, width, height));
    return result;
}

TSY_API void TSY_DeleteLayer(int32_t index) { TSY_GUARD("DeleteLayer Excpt", LayerDelete(index)); }

TSY_API void TSY_SwapLayers(int32_t a, int32_t b) { TSY_GUARD("SwapLayers Excpt", LayerSwap(a, b)); }

TSY_API int32_t TSY_GetLayerCount(void) {
    int32_t result = 0;
    TSY_GUARD("GetLayerCount Excpt", result = LayerCount());
    return result;
}

TSY_API int32_t TSY_SetLayerOptions(int32_t index, int32_t visible, int32_t alphaLocked, int32_t opacityPercent,
                                    const char *modeName) {
    int32_t result = 0;
    TSY_GUARD("SetLayerOptions Excpt", result = LayerSetOptions(index, visible, alphaLocked, opacityPercent, modeName));
    return result;
}

TSY_API void TSY_SetLayer(int32_t index) { TSY_GUARD("SetLayer Excpt", LayerSelect(index)); }

TSY_API int32_t TSY_GetLayerNum(void) { return g_engine.currentLayer; }

TSY_API int32_t TSY_CreateTexture(int32_t index) {
    int32_t result = 0;
    TSY_GUARD("CreateTexture Excpt", result = TextureCreate(index));
    return result;
}

TSY_API void TSY_DeleteTexture(void) { TSY_GUARD("DeleteTexture Excpt", TextureDelete()); }

TSY_API void TSY_SetLayerAlpha(int32_t index, int32_t alpha) {
    TSY_GUARD("SetLayerAlpha Excpt", LayerSetAlpha(index, alpha));
}

TSY_API void TSY_NormalizeLayerAlpha(int32_t index) {
    TSY_GUARD("NormalizeLayerAlpha Excpt", LayerNormalizeAlpha(index));
}

TSY_API void TSY_FindDataExtentsLayer(int32_t index, int32_t *minX, int32_t *minY, int32_t *maxX, int32_t *maxY) {
    TSY_GUARD("FindDataExtentsLayer Excpt", LayerFindDataExtents(index, minX, minY, maxX, maxY));
}

TSY_API int32_t TSY_IsLayerTransparent(int32_t index) {
    int32_t result = 0;
    TSY_GUARD("IsLayerTransparent Excpt", result = LayerIsTransparent(index));
    return result;
}

TSY_API int32_t TSY_IsSingleColor(int32_t index) {
    int32_t result = 0;
    TSY_GUARD("IsSingleColor Excpt", result = LayerIsSingleColor(index));
    return result;
}

TSY_API void TSY_GetLayerData(void *dest, int32_t index) { TSY_GUARD("GetLayerData Excpt", LayerGetData(dest, index)); }

TSY_API void TSY_SetLayerData(const void *src, int32_t index) { TSY_GUARD("SetLayerData Excpt", LayerSetData(src, index)); }

TSY_API void TSY_CopyLayerData(int32_t from, int32_t to) { TSY_GUARD("CopyLayerData Excpt", LayerCopyData(from, to)); }
