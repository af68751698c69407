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

/* Provides the stroke layer (canvas-sized, made when absent) and sets the
 * stroke's opacity, pre-opacity (per cent) and blend mode; returns the mode id.
 * An existing paint layer keeps its pixels. */
TSY_API int32_t TSY_CreatePaintLayer(int32_t opacityPercent, int32_t preOpacityPercent, const char *modeName);
/* Clears the paint layer to transparent and empties its extents; returns 1,
 * or 0 when there is no paint layer. */
TSY_API int32_t TSY_ClearPaintLayer(void);
/* Fills the paint layer with opaque white, clears the extents rectangle to
 * transparent and empties the extents. */
TSY_API void TSY_ClearPaintLayer_old(void);
/* Merges the stroke (the extents rectangle) into a layer and clears it. */
TSY_API void TSY_MergePaintLayer(int32_t layer);
/* Stores the extents (right and bottom exclusive). */
TSY_API void TSY_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom);
/* Releases the paint layer's pixels; the options stay. */
TSY_API void TSY_DeletePaintLayer(void);
/* Exchanges the paint layer record, extents included, with a table slot. */
TSY_API void TSY_SwapPaintLayer(int32_t layer);

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

/* RGBA64 buffers: four unsigned 16-bit channels per pixel, rows packed. The
 * merge functions return 1 when they merged and 0 when there was nothing to
 * merge (missing layer or buffer, empty rectangle). */

/* Merges the whole source layer into the destination layer with the source's
 * mode, opacity and layer mask. */
TSY_API int32_t TSY_MergeLayer(int32_t sourceSlot, int32_t destSlot);
/* Merges the rectangle (x, y, w, h) of a layer into a w x h RGBA64 buffer. */
TSY_API int32_t TSY_MergeLayerIntoRect(int32_t slot, void *buffer, int32_t x, int32_t y, int32_t w, int32_t h);
/* The same over the whole canvas (buffer of canvas size). */
TSY_API int32_t TSY_MergeLayerInto(int32_t slot, void *buffer);
/* Flattens the visible layers over the rectangle into a w x h RGBA64 buffer. */
TSY_API int32_t TSY_MergeRect(void *buffer, int32_t x, int32_t y, int32_t w, int32_t h);
/* Flattens the whole canvas into a canvas-sized RGBA64 buffer. */
TSY_API int32_t TSY_Merge(void *buffer);
/* The flattened colour at one canvas pixel, packed alpha, red, green, blue
 * (high bytes, alpha in bits 31-24); 0xFFFFFF outside the canvas. */
TSY_API uint32_t TSY_GetColorAtMerged(int32_t x, int32_t y);
/* Merges a canvas-sized RGBA32 image into a layer with a blend mode id and an
 * opacity in per cent. */
TSY_API int32_t TSY_MergeRGBA32Layer(const void *data, int32_t slot, int32_t mode, int32_t opacityPercent);

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
