/*
 * tessary: a painting engine with a flat C interface.
 *
 * One canvas per process. Pixels are RGBA64 (16 bits per channel) in every
 * layer; the host exchanges RGBA32 and RGB24 images. Every function runs its
 * body under a catch-all guard: on an internal failure it records
 * "<Name> Excpt" (read it with TSY_GetLastError) and returns normally.
 *
 * Window handles are opaque pointers (an X11 window id on Linux). 32-bit
 * integers are int32_t; texts are NUL-terminated.
 */
#ifndef TESSARY_H
#define TESSARY_H

#include <stdint.h>

#if defined(TSY_BUILDING_LIBRARY)
#define TSY_API __attribute__((visibility("default")))
#else
#define TSY_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ==== Canvas lifecycle, view, errors and process services ================ */

TSY_API void TSY_CreateImage(void *hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t reserved);
TSY_API void TSY_NewSize(void *hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t reserved);
TSY_API void TSY_DeleteImage(void);

TSY_API void TSY_SetScale(int32_t zoom, float scale);
TSY_API void TSY_SetOffset(int32_t x, int32_t y);
TSY_API void TSY_SetViewSize(int32_t width, int32_t height);
TSY_API void TSY_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d);

TSY_API void TSY_SetLastError(const char *text);
TSY_API const char *TSY_GetLastError(void);

TSY_API void TSY_SetStartDir(const char *path);
TSY_API void TSY_SetRandomSeed(int32_t seed);
TSY_API int32_t TSY_IsDisplayChanged(void);
TSY_API int32_t TSY_SetWindowRedraw(void *window, int32_t on);
TSY_API int32_t TSY_RedrawWindow(void *window);
TSY_API int32_t TSY_RenameFile(const char *oldPath, const char *newPath);
TSY_API void TSY_Memcpy(void *dest, const void *src, uint32_t count);
TSY_API void *TSY_Alloc(int32_t size);
TSY_API void TSY_Free(void *block);
TSY_API void *BankAdrs(void *p);

/* ==== Layer table ========================================================= */

TSY_API int32_t TSY_CreateLayer(int32_t index, int32_t width, int32_t height);
TSY_API void TSY_DeleteLayer(int32_t index);
TSY_API void TSY_SwapLayers(int32_t a, int32_t b);
TSY_API int32_t TSY_GetLayerCount(void);
TSY_API int32_t TSY_SetLayerOptions(int32_t index, int32_t visible, int32_t alphaLocked, int32_t opacityPercent, const char *modeName);
TSY_API void TSY_SetLayer(int32_t index);
TSY_API int32_t TSY_GetLayerNum(void);
TSY_API int32_t TSY_CreateTexture(int32_t index);
TSY_API void TSY_DeleteTexture(void);
TSY_API void TSY_SetLayerAlpha(int32_t index, int32_t alpha);
TSY_API void TSY_NormalizeLayerAlpha(int32_t index);
TSY_API void TSY_FindDataExtentsLayer(int32_t index, int32_t *minX, int32_t *minY, int32_t *maxX, int32_t *maxY);
TSY_API int32_t TSY_IsLayerTransparent(int32_t index);
TSY_API int32_t TSY_IsSingleColor(int32_t index);
TSY_API void TSY_GetLayerData(void *dest, int32_t index);
TSY_API void TSY_SetLayerData(const void *src, int32_t index);
TSY_API void TSY_CopyLayerData(int32_t from, int32_t to);

/* ==== Pixel transfer, line codecs, compressed layers, scratch image ======= */

/* ---- end of pixel transfer ---- */

/* ==== Tool state =========================================================== */

TSY_API int32_t TSY_SetTool(float shapeScale, int32_t gritCell, int32_t gritCellThreshold, int32_t gritPixelThreshold,
                            int32_t shapeSoftness, int32_t colorVary, int32_t gritRepeat, int32_t blendStrength,
                            int32_t blendPrimaryColorStrength, int32_t blendRemix, int32_t reserved11,
                            int32_t shapeInvert, int32_t reserved13, const char *grainSource, const char *shapeName,
                            int32_t shapeParam);
TSY_API void TSY_SetColor(int32_t r, int32_t g, int32_t b);
TSY_API void TSY_SetColor16(int32_t r, int32_t g, int32_t b);
TSY_API void TSY_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2,
                               int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3);
TSY_API void TSY_SetSize(int32_t size);
TSY_API void TSY_SetScaleSize(int32_t size);
TSY_API void TSY_SetDensity(int32_t density);
TSY_API void TSY_SetAlpha(int32_t alphaPercent);
TSY_API void TSY_SetAlphaLevel(int32_t level);
TSY_API void TSY_SetColorVary(int32_t vary);
TSY_API void TSY_SetPixColorVary(int32_t vary);
TSY_API void TSY_SetPixLumVary(int32_t vary);
TSY_API void TSY_SetAlphaLocked(int32_t on);
TSY_API void TSY_SetColorLocked(int32_t on);
TSY_API void TSY_SetBlobLocked(int32_t on);
TSY_API void TSY_SetSolidBrushMode(int32_t on);
TSY_API void TSY_SetImageBrushMode(int32_t on);
TSY_API void TSY_SetRotateBrushMode(int32_t mode, int32_t angle);
TSY_API void TSY_SetShapeBlur(int32_t blur);
TSY_API void TSY_SetMixMode(int32_t code, int32_t amount);
TSY_API void TSY_SetTracingMode(int32_t on);
TSY_API void TSY_SetMaskMakerOn(void);
TSY_API void TSY_SetEraseModeOn(void);
TSY_API void TSY_DecDrawingLength(void);

/* ---- end of tool state ---- */

/* ==== Brush shapes ========================================================= */

TSY_API void TSY_SetBrushShape(const char *name, int32_t param);
TSY_API void TSY_SetBrushShape_ORIGINAL(const char *name, int32_t param);
TSY_API void TSY_UnloadBrushShape(void);
TSY_API void TSY_CreateBlobFromImage(int32_t layer, int32_t mode);

/* ---- end of brush shapes ---- */

/* ==== Dabs and stroke curves ================================================ */

/* ---- end of dabs ---- */

/* ==== Paint layer =========================================================== */

/* ---- end of paint layer ---- */

/* ==== Blend buffers ========================================================= */

/* ---- end of blend buffers ---- */

/* ==== Blend modes and single-pixel merge =================================== */

/* ---- end of blend modes ---- */

/* ==== Merging =============================================================== */

/* ---- end of merging ---- */

/* ==== View rendering ======================================================== */

/* ---- end of view rendering ---- */

/* ==== Undo ================================================================== */

TSY_API int32_t TSY_CanUndo(void);
TSY_API void TSY_ReduceUndo(int32_t kib);
TSY_API void TSY_SaveUndoBackBuffer(int32_t layer);
TSY_API void TSY_EndFade(void);

/* ---- end of undo ---- */

/* ==== Selection mask ======================================================== */

/* ---- end of selection mask ---- */

/* ==== Processing buffers, effects and filters ============================== */

/* ---- end of processing ---- */

#ifdef __cplusplus
}
#endif

#endif /* TESSARY_H */
