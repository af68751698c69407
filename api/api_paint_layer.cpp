// Exports: the paint layer.
#include "api/api.h"
#include "brush/paint_layer.h"

TSY_API int32_t TSY_CreatePaintLayer(int32_t opacityPercent, int32_t preOpacityPercent, const char *modeName) {
    int32_t result = 0;
    TSY_GUARD("CreatePaintLayer Excpt", result = PaintLayerCreate(opacityPercent, preOpacityPercent, modeName));
    return result;
}

TSY_API int32_t TSY_ClearPaintLayer(void) {
    int32_t result = 0;
    TSY_GUARD("ClearPaintLayer Excpt", result = PaintLayerClear());
    return result;
}

TSY_API void TSY_ClearPaintLayer_old(void) { TSY_GUARD("ClearPaintLayer_old Excpt", PaintLayerClearOld()); }

TSY_API void TSY_MergePaintLayer(int32_t layer) { TSY_GUARD("MergePaintLayer Excpt", PaintLayerMerge(layer)); }

TSY_API void TSY_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    TSY_GUARD("SetPaintLayerExtents Excpt", PaintLayerSetExtents(left, top, right, bottom));
}

TSY_API void TSY_DeletePaintLayer(void) { TSY_GUARD("DeletePaintLayer Excpt", PaintLayerDelete()); }

TSY_API void TSY_SwapPaintLayer(int32_t layer) { TSY_GUARD("SwapPaintLayer Excpt", PaintLayerSwap(layer)); }

TSY_API void TSY_BlurPaintLayerAlpha(void) { TSY_GUARD("BlurPaintLayerAlpha Excpt", PaintLayerBlurAlpha()); }
