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

/* RGBA64 pixels are four uint16_t (red, green, blue, alpha); RGBA32 and RGB24
 * are bytes red, green, blue (, alpha). Narrowing takes the high byte,
 * widening multiplies by 256. Strides are in bytes unless named otherwise. */

/* Run-length line codecs: colour runs [count, r, g, b, a], grey runs
 * [count, value]. Encoders return the bytes written; decoders write at most
 * n values and read at most the longest stream n values can give. */
TSY_API int32_t TSY_RLECompressRGBA64ToRGBA32(const uint16_t *src, unsigned char *dest, int32_t n);
TSY_API void TSY_RLEUncompressRGBA32ToRGBA64(const unsigned char *src, uint16_t *dest, int32_t n);
TSY_API int32_t TSY_RLECompressG16ToG8(const uint16_t *src, unsigned char *dest, int32_t n);
TSY_API void TSY_RLEUncompressG8ToG16(const unsigned char *src, uint16_t *dest, int32_t n);
TSY_API int32_t TSY_GetRGBA32LayerLineRLE(unsigned char *dest, int32_t layer, int32_t row);
TSY_API void TSY_PutRGBA32LayerLineRLE(const unsigned char *src, int32_t layer, int32_t row);

/* Whole layers out to the host (canvas width x height). */
TSY_API void TSY_GetRGBA32Layer(void *dest, int32_t destStride, int32_t layer);
TSY_API void TSY_GetRGBA32(void *dest, int32_t destStride);
TSY_API void TSY_GetRGB24Layer(void *dest, int32_t destStride, int32_t layer);
TSY_API void TSY_GetRGB24(void *dest, int32_t destStride);
TSY_API void TSY_GetRGB24FromAlpha(void *dest, int32_t destStride);
TSY_API void TSY_GetRGBA64Layer(void *dest, int32_t destStride, int32_t layer);
/* Copies the part of the rectangle inside the layer; pixel (x + i, y + j)
 * lands at row j, column i of dest. */
TSY_API void TSY_GetRGBA64LayerRect(void *dest, int32_t destStride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                    int32_t h);
/* Returns the number of compressed bytes written to dest, 0 on failure. */
TSY_API int32_t TSY_GetRGBA32LayerCompressed(void *dest, int32_t unused, int32_t destCapacity, int32_t layer,
                                             int32_t level);

/* Host buffers into a layer. */
TSY_API void TSY_SetRGBA64Layer(const void *src, int32_t srcStride, int32_t layer);
TSY_API void TSY_LoadRGBA32Layer(const void *src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                 int32_t h, int32_t useMask);
TSY_API void TSY_LoadRGBA32Layer_BAD(const void *src, int32_t unused, int32_t layer, int32_t w, int32_t h, int32_t useMask);
TSY_API void TSY_LoadRGBA32(const void *src, int32_t srcStride, int32_t useMask);
TSY_API void TSY_LoadRGBA32Into(const void *src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                int32_t h);
TSY_API void TSY_LoadRGB24(const void *src, int32_t srcStride, int32_t useMask);
TSY_API void TSY_LoadRGB24ToAlpha(const void *src, int32_t srcStride, int32_t useMask);
/* Blue-green-red source into the current layer, alpha opaque. */
TSY_API void TSY_Load(const void *src, int32_t srcStride, int32_t w, int32_t h);
TSY_API void TSY_LoadRGBA32LayerCompressed(const void *src, int32_t unused, int32_t srcLength, int32_t layer);

/* Buffer conversions. */
TSY_API void TSY_RGBA64RectToRGBA32(const void *src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t srcStridePixels, int32_t unused, void *dest);
TSY_API void TSY_RGBA64RectToRGBA24(const void *src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t srcStridePixels, int32_t unused, void *dest);
TSY_API int32_t TSY_GetRGBA32FromRGBA64Rect(void *dest, int32_t destStride, const void *src, int32_t srcStride,
                                            int32_t x, int32_t y, int32_t w, int32_t h);
TSY_API int32_t TSY_GetRGB24FromRGBA64Rect(void *dest, int32_t destStride, const void *src, int32_t srcStride,
                                           int32_t x, int32_t y, int32_t w, int32_t h);
TSY_API int32_t TSY_GetRGBA32FromRGBA64(void *dest, int32_t destStride, int32_t w, int32_t h, const void *src,
                                        int32_t srcStride);
TSY_API int32_t TSY_GetRGB24FromRGBA64(void *dest, int32_t destStride, const void *src, int32_t srcStride);
TSY_API void TSY_RGBAToRGB(void *destRGB24, int32_t w, int32_t h, const void *srcRGBA32);
TSY_API void TSY_RGBToRGBA(void *destRGBA32, int32_t w, int32_t h, const void *srcRGB24);
TSY_API void TSY_RGBAlphaToRGB(void *destRGB24, int32_t w, int32_t h, const void *srcRGBA32);
TSY_API void TSY_RGBToRGBAlpha(void *destRGBA32, int32_t w, int32_t h, const void *srcRGB24);
TSY_API void TSY_SetPixelRGB24(void *buf, int32_t stride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);

/* Fills and per-pixel edits. */
TSY_API void TSY_Clear(int32_t r, int32_t g, int32_t b, int32_t a);
TSY_API void TSY_ClearRGBA64(void *buf, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a);
TSY_API void TSY_ClearRGBA32(void *buf, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a);
TSY_API void TSY_ClearRGBA32Buf(void *buf, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a);
TSY_API void TSY_SetColorAlpha(int32_t r, int32_t g, int32_t b);
TSY_API void TSY_SetColorAlphaRGBABuf(void *buf, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b);
TSY_API void TSY_SetColorRGBABuf(void *buf, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b);
TSY_API void TSY_InvertAlpha(int32_t layer);
TSY_API void TSY_InvertAlpha_RGBA32(void *buf);
TSY_API void TSY_SetAlphaFromRGBAImageColor(void *buf, int32_t r, int32_t g, int32_t b);

/* Preparation of 8-bit copies for image processing. */
TSY_API void TSY_AdjustRGBA32ByMaskAndTexture(void *buf, int32_t w, int32_t h);
TSY_API void TSY_AdjustRGBA32RectByMaskAndTexture(void *buf, int32_t x, int32_t y, int32_t w, int32_t h);
TSY_API void TSY_AdjustRGBA32ForAlphaComp(int32_t flag, void *buf);
TSY_API void TSY_AdjustRGBA32PreFilter(void *buf, int32_t w, int32_t h);
TSY_API void TSY_AdjustRGBA32PostFilter(void *buf, int32_t w, int32_t h);
TSY_API void TSY_AdjustRGBA64PreFilter(void *buf, int32_t w, int32_t h);
TSY_API void TSY_AdjustRGBA64PostFilter(void *buf, int32_t w, int32_t h);

/* Pixel queries. The RGBAAt family returns (R << 24) | (G << 16) | (B << 8) | A
 * with coordinates clamped to the canvas; the ColorAt family returns
 * (A << 24) | (R << 16) | (G << 8) | B, 0xFFFFFF outside the canvas. */
TSY_API int32_t TSY_GetRed64(int32_t x, int32_t y);
TSY_API int32_t TSY_GetGreen64(int32_t x, int32_t y);
TSY_API int32_t TSY_GetBlue64(int32_t x, int32_t y);
TSY_API int32_t TSY_GetAlpha64(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetRGBAAt(int32_t x, int32_t y, const void *buffer);
TSY_API uint32_t TSY_GetColorAt(int32_t x, int32_t y, const void *buffer);
TSY_API uint32_t TSY_GetRGBAAtSurface(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetColorAtSurface(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetRGBAAtUnderLayer(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetColorAtUnderLayer(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer);
TSY_API uint32_t TSY_GetColorAtLayer(int32_t x, int32_t y, int32_t layer);
TSY_API uint32_t TSY_GetRGBAAtTrace(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetColorAtTrace(int32_t x, int32_t y);
TSY_API uint32_t TSY_GetColorAtHistory(int32_t x, int32_t y);

/* Scratch image: an RGBA32 image left by clipboard, capture and file calls. */
TSY_API void TSY_DeleteNewRGBA(void);
TSY_API int32_t TSY_GetNewRGBAWidth(void);
TSY_API int32_t TSY_GetNewRGBAHeight(void);
TSY_API int32_t TSY_IsNewRGBA32Transparent(void);
TSY_API void TSY_SetInNewRGBA(void);
TSY_API void TSY_GetNewRGBA32(void *dest);
TSY_API void TSY_GetNewRGBA24(void *dest);

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
/* One brush dab centred on canvas pixel (x, y) with the colour (r, g, b)
 * (16-bit values; only their high bytes count). */
TSY_API void TSY_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);
/* One dab drawn into the selection mask. */
TSY_API void TSY_DrawDabGritMask(int32_t x, int32_t y);
/* 100 points of a smooth curve from (x0, y0) through (x1, y1) to (x2, y2). */
TSY_API void TSY_CalcSpline3(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                             int32_t unused);
TSY_API int32_t TSY_GetSplinePointCount(void);
TSY_API int32_t TSY_GetSplinePointX(uint32_t i);
TSY_API int32_t TSY_GetSplinePointY(uint32_t i);

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
/* Softens the stroke's edge: the alpha (high bytes) goes through a 3 x 3
 * binomial blur; pixels with alpha high byte 240 or more become opaque. */
TSY_API void TSY_BlurPaintLayerAlpha(void);

/* ---- end of paint layer ---- */

/* ==== Blend buffers ========================================================= */
/* Up to 20 brush-sized RGBA64 buffers of picked-up paint; one is selected.
 * x, y give the brush centre; c is a strength 0..255. */
TSY_API void TSY_SetBlendBufferCount(int32_t count);
TSY_API void *TSY_SelectBlendBuffer(int32_t index);
TSY_API int32_t TSY_SetBlendStrength(int32_t strength);
TSY_API int32_t TSY_SetBlendPrimaryColorStrength(int32_t strength);
TSY_API void TSY_SetBlendRemix(int32_t flag);
TSY_API void TSY_TempDisableBlend(void);
TSY_API void TSY_DoCopyBlendBuffer(int32_t x, int32_t y, const void *source, int32_t c, int32_t opaqueOutside);
TSY_API void TSY_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t c, int32_t opaqueOutside);
TSY_API void TSY_CopyBlendBufferLayer(int32_t slot, int32_t x, int32_t y, int32_t c);
TSY_API void TSY_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_DoMixBlendBuffer(int32_t x, int32_t y, const void *source, int32_t c);
TSY_API void TSY_MixBlendBufferSurface(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_MixBlendBufferLayer(int32_t slot, int32_t x, int32_t y, int32_t c);
TSY_API void TSY_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_MixBlendBufferHistory(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_MixBlendBufferTrace(int32_t x, int32_t y, int32_t c);
TSY_API void TSY_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t ignored,
                                    int32_t strength);
TSY_API void TSY_ClearBlendBuffer(void);
TSY_API void TSY_FillBlendBuffer(int32_t ignored1, int32_t ignored2, int32_t high, int32_t low);
TSY_API void TSY_FilterBlendBuffer(int32_t kind, int32_t percent);

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

/* Composites the canvas rectangle (x, y, w, h) from the visible layers, the
   stroke in progress, the trace image, a checkerboard behind transparency and
   the mask overlay into output: 24-bit pixels, blue, green, red, rows stride
   bytes apart, at the zoom set by TSY_SetScale and at most the view size set
   by TSY_SetViewSize. Writes nothing without a current layer. */
TSY_API void TSY_Render(void *output, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h);

/* ---- end of view rendering ---- */

/* ==== Undo ================================================================== */

/* Saving: the work record holds the current layer as it was at the last
   save; painting grows the dirty rectangle; a save records one step. */
TSY_API void TSY_SaveUndoBackBuffer(int32_t layer);
TSY_API void TSY_SaveUndoBuffer(int32_t saveImage, int32_t saveMask);
TSY_API void TSY_InvalidateDirtyUndoCanvas(void);

/* Undo and redo. */
TSY_API void TSY_Undo(void);
TSY_API void TSY_Redo(void);
TSY_API int32_t TSY_CanUndo(void);
TSY_API int32_t TSY_CanRedo(void);
TSY_API int32_t TSY_GetRedoCount(void);
TSY_API int32_t TSY_GetUndoCount(void);

/* Control: levels (at most 500), pause, budget in MiB (0 = automatic). */
TSY_API void TSY_SetUndoLevels(int32_t n);
TSY_API void TSY_ClearUndo(void);
TSY_API void TSY_PauseUndo(void);
TSY_API void TSY_ResumeUndo(void);
TSY_API void TSY_SetUndoMB(int32_t mb);
TSY_API int32_t TSY_GetTotalUndoMemory(void);
TSY_API int32_t TSY_GetCurrentUndoMemory(void);
TSY_API void TSY_ReduceUndo(int32_t kib);
TSY_API int32_t TSY_StartFade(void);
TSY_API void TSY_EndFade(void);
TSY_API void TSY_UpdateFade(int32_t value);

/* ---- end of undo ---- */

/* ==== Selection mask ======================================================== */

/* Switches and overlay options. */
TSY_API void TSY_EnableMask(int32_t on);
TSY_API void TSY_DisplayMask(int32_t on);
TSY_API void TSY_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2,
                                int32_t fullStrength);

/* Whole-mask operations. */
TSY_API void TSY_ClearMask(int32_t r, int32_t g, int32_t b);
TSY_API void TSY_InvertMask(void);
TSY_API void TSY_GetMaskData16(void *dest);
TSY_API void TSY_SetMaskData16(const void *src);
TSY_API int32_t TSY_GetMaskLineRLE(void *dest, int32_t row);
TSY_API void TSY_PutMaskLineRLE(const void *src, int32_t row);
TSY_API int32_t TSY_GetMask64(int32_t x, int32_t y);

/* The mask as an RGB24 image (white = protected). */
TSY_API void TSY_SaveMask(void *rgb24, int32_t stride);
TSY_API void TSY_LoadMask(const void *rgb24, int32_t stride, int32_t width, int32_t height);
TSY_API void TSY_CombineMask(const void *rgb24, int32_t stride, int32_t stencil, int32_t value, const char *mode);

/* Conversions between the mask and the current layer. */
TSY_API void TSY_CreateImageFromMask(void);
TSY_API void TSY_CreateMaskFromImage(void);
TSY_API void TSY_CreateMaskFromImageLuma(void);
TSY_API void TSY_CreateMaskFromAlpha(void);
TSY_API void TSY_CreateAlphaFromMask(int32_t kind);

/* Selection builders: matching pixels get (255 - level) * 256. */
TSY_API void TSY_CreateMaskFromRGBAImageColor(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t level);
TSY_API void TSY_CreateMaskFromRGB24ImageColor(const void *rgb24, int32_t r, int32_t g, int32_t b, int32_t level);
TSY_API void TSY_CreateMaskFromRGBAImageColorRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol,
                                                   int32_t level);
TSY_API void TSY_CreateMaskFromRGBAImageAlphaRange(const void *rgba32, int32_t alpha, int32_t tol, int32_t level);
TSY_API void TSY_CreateMaskFromRGBAImageLuminanceRange(const void *rgba32, int32_t r, int32_t g, int32_t b,
                                                       int32_t tol, int32_t level);
TSY_API void TSY_CreateMaskFromRGBAImageHueRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol,
                                                 int32_t level);
TSY_API void TSY_CreateMaskFromRGBAImageHSLRange(const void *rgba32, int32_t r, int32_t g, int32_t b, double hueTol,
                                                 double satTol, double lumTol, int32_t level);
TSY_API void TSY_CreateMaskFromFloodMask(const void *map, int32_t level);
TSY_API void TSY_CreateMaskFromDiff_RGBA32(const void *a, const void *b, int32_t value);

/* Applying the mask. */
TSY_API void TSY_ApplyMaskToAlphaRect_RGBA32(void *rgba32, int32_t stride, int32_t x0, int32_t y0, int32_t x1,
                                             int32_t y1);
TSY_API void TSY_ApplyMaskToAlpha_RGBA32(void *rgba32);
TSY_API void TSY_ApplyMaskToAlpha_IPLSrcRGBA(void);
TSY_API void TSY_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a);
TSY_API void TSY_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a);
TSY_API void TSY_ReplaceFromRGBAImageAlphaRange(void *rgba32, int32_t alpha, int32_t tol, int32_t r, int32_t g,
                                                int32_t b, int32_t a);

/* ---- end of selection mask ---- */

/* ==== Processing buffers, effects and filters ============================== */

/* ---- end of processing ---- */

#ifdef __cplusplus
}
#endif

#endif /* TESSARY_H */
