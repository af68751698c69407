// The selection mask: switches, whole-mask operations, exchange with the
// host, conversions with the current layer, selection builders and the
// operations that apply the mask to images and layers.
//
// Every operation works on `g_engine.mask` (W x H values, rows W apart) and,
// where it needs one, the current layer. A missing mask or current layer makes
// the operation do nothing (or return 0). Host images are trusted to have the
// size each operation states; canvas positions are clipped to the canvas and
// layer positions to the slot's own size.
#pragma once
#include <cstdint>

// ---- Switches and overlay options ----------------------------------------
void MaskEnable(int32_t on);
void MaskDisplay(int32_t on);
void MaskSetOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t fullStrength);

// ---- Whole-mask operations ------------------------------------------------
void MaskClear(int32_t r, int32_t g, int32_t b);
void MaskInvert();
void MaskGetData16(void *dest);
void MaskSetData16(const void *src);
int32_t MaskGetLineRLE(void *dest, int32_t row);
void MaskPutLineRLE(const void *src, int32_t row);
int32_t MaskGetAmount(int32_t x, int32_t y);

// ---- Exchange as RGB24 images -----------------------------------------------
void MaskSave(void *rgb24, int32_t stride);
void MaskLoad(const void *rgb24, int32_t stride, int32_t width, int32_t height);
void MaskCombine(const void *rgb24, int32_t stride, int32_t stencil, int32_t value, const char *mode);

// ---- Conversions with the current layer ---------------------------------------
void MaskToLayerImage();
void MaskFromLayerImage();
void MaskFromLayerImageLuma();
void MaskFromLayerAlpha();
void MaskToLayerAlpha(int32_t kind);

// ---- Selection builders ---------------------------------------------------------
void MaskSelectRGBA32Color(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t level);
void MaskSelectRGB24Color(const void *rgb24, int32_t r, int32_t g, int32_t b, int32_t level);
void MaskSelectRGBA32ColorRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol, int32_t level);
void MaskSelectRGBA32AlphaRange(const void *rgba32, int32_t alpha, int32_t tol, int32_t level);
void MaskSelectRGBA32LuminanceRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol, int32_t level);
void MaskSelectRGBA32HueRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol, int32_t level);
void MaskSelectRGBA32HSLRange(const void *rgba32, int32_t r, int32_t g, int32_t b, double hueTol, double satTol,
                              double lumTol, int32_t level);
void MaskSelectFloodMap(const void *map, int32_t level);
void MaskFromRGBA32Difference(const void *a, const void *b, int32_t value);

// The hue comparison of the hue and HSL range builders: h matches h0 when
// bound >= |h - h0|, or bound >= |h - (h0 - 360)|, or bound >= |h - 360 - h0|.
// A grey (hue -1 from RgbToHsv) takes part like any other hue.
bool HueWithin(double h, double h0, double bound);

// ---- Applying the mask -------------------------------------------------------------
void MaskApplyToAlphaRectRGBA32(void *rgba32, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
void MaskApplyToAlphaRGBA32(void *rgba32);
void MaskApplyToIPLSrcAlpha();
void MaskClearLayer(int32_t r, int32_t g, int32_t b, int32_t a);
void MaskClearLayerAlpha(int32_t r, int32_t g, int32_t b, int32_t a);
void ReplaceRGBA32AlphaRange(void *rgba32, int32_t alpha, int32_t tol, int32_t r, int32_t g, int32_t b, int32_t a);
