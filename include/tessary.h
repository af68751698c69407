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

/* ---- end of tool state ---- */

/* ==== Brush shapes ========================================================= */

/* ---- end of brush shapes ---- */

/* ==== Dabs and stroke curves ================================================ */

/* ---- end of dabs ---- */

/* ==== Paint layer =========================================================== */

/* ---- end of paint layer ---- */

/* ==== Blend buffers ========================================================= */

/* ---- end of blend buffers ---- */

/* ==== Blend modes and single-pixel merge =================================== */

/* Composites the source pixel (red, green, blue, alpha; 0..65535) over the
 * destination pixel behind pRed..pAlpha with blend mode id `mode` and opacity
 * (percent x 2.56; 255 or more is full). *pAlpha is kept when keepAlpha is
 * nonzero. A transparent source of a mode up to 27 writes nothing. */
TSY_API void TSY_MergePixel(uint32_t *pRed, uint32_t *pGreen, uint32_t *pBlue, uint32_t *pAlpha, uint32_t red,
                            uint32_t green, uint32_t blue, uint32_t alpha, int32_t mode, int32_t opacity,
                            uint8_t keepAlpha);
/* Sets the alpha the alpha modes give their pixels to percent x 0.01 x 65535
 * (percent limited to 0..100) and returns it. */
TSY_API int32_t TSY_SetAlphaLayerOpacity(int32_t percent);

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
