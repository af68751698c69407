// Exports: the selection mask.
#include "api/api.h"
#include "mask/mask.h"

// ---- Switches and overlay options ----------------------------------------

TSY_API void TSY_EnableMask(int32_t on) { TSY_GUARD("EnableMask Excpt", MaskEnable(on)); }

TSY_API void TSY_DisplayMask(int32_t on) { TSY_GUARD("DisplayMask Excpt", MaskDisplay(on)); }

TSY_API void TSY_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2,
                                int32_t fullStrength) {
    TSY_GUARD("SetMaskOptions Excpt", MaskSetOptions(r1, g1, b1, r2, g2, b2, fullStrength));
}

// ---- Whole-mask operations ------------------------------------------------

TSY_API void TSY_ClearMask(int32_t r, int32_t g, int32_t b) { TSY_GUARD("ClearMask Excpt", MaskClear(r, g, b)); }

TSY_API void TSY_InvertMask(void) { TSY_GUARD("InvertMask Excpt", MaskInvert()); }

TSY_API void TSY_GetMaskData16(void *dest) { TSY_GUARD("GetMaskData16 Excpt", MaskGetData16(dest)); }

TSY_API void TSY_SetMaskData16(const void *src) { TSY_GUARD("SetMaskData16 Excpt", MaskSetData16(src)); }

TSY_API int32_t TSY_GetMaskLineRLE(void *dest, int32_t row) {
    int32_t result = 0;
    TSY_GUARD("GetMaskLineRLE Excpt", result = MaskGetLineRLE(dest, row));
    return result;
}

TSY_API void TSY_PutMaskLineRLE(const void *src, int32_t row) {
    TSY_GUARD("PutMaskLineRLE Excpt", MaskPutLineRLE(src, row));
}

TSY_API int32_t TSY_GetMask64(int32_t x, int32_t y) {
    int32_t result = 0;
    TSY_GUARD("GetMask64 Excpt", result = MaskGetAmount(x, y));
    return result;
}

// ---- Exchange as RGB24 images -----------------------------------------------

TSY_API void TSY_SaveMask(void *rgb24, int32_t stride) { TSY_GUARD("SaveMask Excpt", MaskSave(rgb24, stride)); }

TSY_API void TSY_LoadMask(const void *rgb24, int32_t stride, int32_t width, int32_t height) {
    TSY_GUARD("LoadMask Excpt", MaskLoad(rgb24, stride, width, height));
}

TSY_API void TSY_CombineMask(const void *rgb24, int32_t stride, int32_t stencil, int32_t value, const char *mode) {
    TSY_GUARD("CombineMask Excpt", MaskCombine(rgb24, stride, stencil, value, mode));
}

// ---- Conversions with the current layer ---------------------------------------

TSY_API void TSY_CreateImageFromMask(void) { TSY_GUARD("CreateImageFromMask Excpt", MaskToLayerImage()); }

TSY_API void TSY_CreateMaskFromImage(void) { TSY_GUARD("CreateMaskFromImage Excpt", MaskFromLayerImage()); }

TSY_API void TSY_CreateMaskFromImageLuma(void) { TSY_GUARD("CreateMaskFromImageLuma Excpt", MaskFromLayerImageLuma()); }

TSY_API void TSY_CreateMaskFromAlpha(void) { TSY_GUARD("CreateMaskFromAlpha Excpt", MaskFromLayerAlpha()); }

TSY_API void TSY_CreateAlphaFromMask(int32_t kind) { TSY_GUARD("CreateAlphaFromMask Excpt", MaskToLayerAlpha(kind)); }

// ---- Selection builders ---------------------------------------------------------

TSY_API void TSY_CreateMaskFromRGBAImageColor(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t level) {
    TSY_GUARD("CreateMaskFromRGBAImageColor Excpt", MaskSelectRGBA32Color(rgba32, r, g, b, level));
}

TSY_API void TSY_CreateMaskFromRGB24ImageColor(const void *rgb24, int32_t r, int32_t g, int32_t b, int32_t level) {
    TSY_GUARD("CreateMaskFromRGB24ImageColor Excpt", MaskSelectRGB24Color(rgb24, r, g, b, level));
}

TSY_API void TSY_CreateMaskFromRGBAImageColorRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol,
                                                   int32_t level) {
    TSY_GUARD("CreateMaskFromRGBAImageColorRange Excpt", MaskSelectRGBA32ColorRange(rgba32, r, g, b, tol, level));
}

TSY_API void TSY_CreateMaskFromRGBAImageAlphaRange(const void *rgba32, int32_t alpha, int32_t tol, int32_t level) {
    TSY_GUARD("CreateMaskFromRGBAImageAlphaRange Excpt", MaskSelectRGBA32AlphaRange(rgba32, alpha, tol, level));
}

TSY_API void TSY_CreateMaskFromRGBAImageLuminanceRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol,
                                                       int32_t level) {
    TSY_GUARD("CreateMaskFromRGBAImageLuminanceRange Excpt",
              MaskSelectRGBA32LuminanceRange(rgba32, r, g, b, tol, level));
}

TSY_API void TSY_CreateMaskFromRGBAImageHueRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol,
                                                 int32_t level) {
    TSY_GUARD("CreateMaskFromRGBAImageHueRange Excpt", MaskSelectRGBA32HueRange(rgba32, r, g, b, tol, level));
}

TSY_API void TSY_CreateMaskFromRGBAImageHSLRange(const void *rgba32, int32_t r, int32_t g, int32_t b, double hueTol,
                                                 double satTol, double lumTol, int32_t level) {
    TSY_GUARD("CreateMaskFromRGBAImageHSLRange Excpt",
              MaskSelectRGBA32HSLRange(rgba32, r, g, b, hueTol, satTol, lumTol, level));
}

TSY_API void TSY_CreateMaskFromFloodMask(const void *map, int32_t level) {
    TSY_GUARD("CreateMaskFromFloodMask Excpt", MaskSelectFloodMap(map, level));
}

TSY_API void TSY_CreateMaskFromDiff_RGBA32(const void *a, const void *b, int32_t value) {
    TSY_GUARD("CreateMaskFromDiff_RGBA32 Excpt", MaskFromRGBA32Difference(a, b, value));
}

// ---- Applying the mask -------------------------------------------------------------

TSY_API void TSY_ApplyMaskToAlphaRect_RGBA32(void *rgba32, int32_t stride, int32_t x0, int32_t y0, int32_t x1,
                                             int32_t y1) {
    TSY_GUARD("ApplyMaskToAlphaRect_RGBA32 Excpt", MaskApplyToAlphaRectRGBA32(rgba32, stride, x0, y0, x1, y1));
}

TSY_API void TSY_ApplyMaskToAlpha_RGBA32(void *rgba32) {
    TSY_GUARD("ApplyMaskToAlpha_RGBA32 Excpt", MaskApplyToAlphaRGBA32(rgba32));
}

TSY_API void TSY_ApplyMaskToAlpha_IPLSrcRGBA(void) {
    TSY_GUARD("ApplyMaskToAlpha_IPLSrcRGBA Excpt", MaskApplyToIPLSrcAlpha());
}

TSY_API void TSY_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a) {
    TSY_GUARD("ClearMasked Excpt", MaskClearLayer(r, g, b, a));
}

TSY_API void TSY_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a) {
    TSY_GUARD("ClearMaskedAlpha Excpt", MaskClearLayerAlpha(r, g, b, a));
}

TSY_API void TSY_ReplaceFromRGBAImageAlphaRange(void *rgba32, int32_t alpha, int32_t tol, int32_t r, int32_t g,
                                                int32_t b, int32_t a) {
    TSY_GUARD("ReplaceFromRGBAImageAlphaRange Excpt", ReplaceRGBA32AlphaRange(rgba32, alpha, tol, r, g, b, a));
}
