// Exports: pixel transfer, line codecs, compressed layers, scratch image.
#include "api/api.h"
#include "core/engine_state.h"
#include "core/pixel_formats.h"
#include "core/pixel_transfer.h"

namespace {

inline const uint8_t *Bytes(const void *p) { return static_cast<const uint8_t *>(p); }
inline uint8_t *Bytes(void *p) { return static_cast<uint8_t *>(p); }
inline const uint16_t *Values(const void *p) { return static_cast<const uint16_t *>(p); }
inline uint16_t *Values(void *p) { return static_cast<uint16_t *>(p); }

}  // namespace

// ---- Line codecs ----------------------------------------------------------------

TSY_API int32_t TSY_RLECompressRGBA64ToRGBA32(const uint16_t *src, unsigned char *dest, int32_t n) {
    int32_t result = 0;
    TSY_GUARD("RLECompressRGBA64ToRGBA32 Excpt", result = RLECompressRGBA64ToRGBA32(src, dest, n));
    return result;
}

TSY_API void TSY_RLEUncompressRGBA32ToRGBA64(const unsigned char *src, uint16_t *dest, int32_t n) {
    TSY_GUARD("RLEUncompressRGBA32ToRGBA64 Excpt", RLEUncompressRGBA32ToRGBA64(src, dest, n));
}

TSY_API int32_t TSY_RLECompressG16ToG8(const uint16_t *src, unsigned char *dest, int32_t n) {
    int32_t result = 0;
    TSY_GUARD("RLECompressG16ToG8 Excpt", result = RLECompressG16ToG8(src, dest, n));
    return result;
}

TSY_API void TSY_RLEUncompressG8ToG16(const unsigned char *src, uint16_t *dest, int32_t n) {
    TSY_GUARD("RLEUncompressG8ToG16 Excpt", RLEUncompressG8ToG16(src, dest, n));
}

TSY_API int32_t TSY_GetRGBA32LayerLineRLE(unsigned char *dest, int32_t layer, int32_t row) {
    int32_t result = 0;
    TSY_GUARD("GetRGBA32LayerLineRLE Excpt", result = GetRGBA32LayerLineRLE(dest, layer, row));
    return result;
}

TSY_API void TSY_PutRGBA32LayerLineRLE(const unsigned char *src, int32_t layer, int32_t row) {
    TSY_GUARD("PutRGBA32LayerLineRLE Excpt", PutRGBA32LayerLineRLE(src, layer, row));
}

// ---- Whole layers out to the host -------------------------------------------------

TSY_API void TSY_GetRGBA32Layer(void *dest, int32_t destStride, int32_t layer) {
    TSY_GUARD("GetRGBA32Layer Excpt", GetRGBA32Layer(Bytes(dest), destStride, layer));
}

TSY_API void TSY_GetRGBA32(void *dest, int32_t destStride) {
    TSY_GUARD("GetRGBA32 Excpt", GetRGBA32(Bytes(dest), destStride));
}

TSY_API void TSY_GetRGB24Layer(void *dest, int32_t destStride, int32_t layer) {
    TSY_GUARD("GetRGB24Layer Excpt", GetRGB24Layer(Bytes(dest), destStride, layer));
}

TSY_API void TSY_GetRGB24(void *dest, int32_t destStride) {
    TSY_GUARD("GetRGB24 Excpt", GetRGB24(Bytes(dest), destStride));
}

TSY_API void TSY_GetRGB24FromAlpha(void *dest, int32_t destStride) {
    TSY_GUARD("GetRGB24FromAlpha Excpt", GetRGB24FromAlpha(Bytes(dest), destStride));
}

TSY_API void TSY_GetRGBA64Layer(void *dest, int32_t destStride, int32_t layer) {
    TSY_GUARD("GetRGBA64Layer Excpt", GetRGBA64Layer(Bytes(dest), destStride, layer));
}

TSY_API void TSY_GetRGBA64LayerRect(void *dest, int32_t destStride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                    int32_t h) {
    TSY_GUARD("GetRGBA64LayerRect Excpt", GetRGBA64LayerRect(Bytes(dest), destStride, layer, x, y, w, h));
}

TSY_API int32_t TSY_GetRGBA32LayerCompressed(void *dest, int32_t /*unused*/, int32_t destCapacity, int32_t layer,
                                             int32_t level) {
    int32_t result = 0;
    TSY_GUARD("GetRGBA32Layer Excpt", result = GetRGBA32LayerCompressed(dest, destCapacity, layer, level));
    return result;
}

// ---- Host buffers into a layer ----------------------------------------------------------

TSY_API void TSY_SetRGBA64Layer(const void *src, int32_t srcStride, int32_t layer) {
    TSY_GUARD("SetRGBA64Layer Excpt", SetRGBA64Layer(Bytes(src), srcStride, layer));
}

TSY_API void TSY_LoadRGBA32Layer(const void *src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                 int32_t h, int32_t useMask) {
    TSY_GUARD("LoadRGBA32Layer Excpt", LoadRGBA32Layer(Bytes(src), srcStride, layer, x, y, w, h, useMask));
}

TSY_API void TSY_LoadRGBA32Layer_BAD(const void *src, int32_t unused, int32_t layer, int32_t w, int32_t h,
                                     int32_t useMask) {
    (void)unused;
    TSY_GUARD("LoadRGBA32Layer Excpt", LoadRGBA32LayerOld(Bytes(src), layer, w, h, useMask));
}

TSY_API void TSY_LoadRGBA32(const void *src, int32_t srcStride, int32_t useMask) {
    TSY_GUARD("LoadRGBA32 Excpt", LoadRGBA32(Bytes(src), srcStride, useMask));
}

TSY_API void TSY_LoadRGBA32Into(const void *src, int32_t srcStride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                int32_t h) {
    TSY_GUARD("LoadRGBA32Into Excpt", LoadRGBA32Into(Bytes(src), srcStride, layer, x, y, w, h));
}

TSY_API void TSY_LoadRGB24(const void *src, int32_t srcStride, int32_t useMask) {
    TSY_GUARD("LoadRGB24 Excpt", LoadRGB24(Bytes(src), srcStride, useMask));
}

TSY_API void TSY_LoadRGB24ToAlpha(const void *src, int32_t srcStride, int32_t useMask) {
    TSY_GUARD("LoadRGB24ToAlpha Excpt", LoadRGB24ToAlpha(Bytes(src), srcStride, useMask));
}

TSY_API void TSY_Load(const void *src, int32_t srcStride, int32_t w, int32_t h) {
    TSY_GUARD("Load Excpt", LoadBGR24(Bytes(src), srcStride, w, h));
}

TSY_API void TSY_LoadRGBA32LayerCompressed(const void *src, int32_t /*unused*/, int32_t srcLength, int32_t layer) {
    TSY_GUARD("LoadRGBA32LayerCompressed Excpt", LoadRGBA32LayerCompressed(src, srcLength, layer));
}

// ---- Buffer conversions ---------------------------------------------------------------------

TSY_API void TSY_RGBA64RectToRGBA32(const void *src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t srcStridePixels, int32_t /*unused*/, void *dest) {
    TSY_GUARD("RGBA64RectToRGBA32 Excpt", RGBA64RectToRGBA32(Values(src), x, y, w, h, srcStridePixels, Bytes(dest)));
}

TSY_API void TSY_RGBA64RectToRGBA24(const void *src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t srcStridePixels, int32_t /*unused*/, void *dest) {
    TSY_GUARD("RGBA64RectToRGBA24 Excpt", RGBA64RectToRGBA24(Values(src), x, y, w, h, srcStridePixels, Bytes(dest)));
}

TSY_API int32_t TSY_GetRGBA32FromRGBA64Rect(void *dest, int32_t destStride, const void *src, int32_t srcStride,
                                            int32_t /*x*/, int32_t /*y*/, int32_t w, int32_t h) {
    int32_t result = 0;
    TSY_GUARD("GetRGBA32FromRGBA64Rect Excpt",
              result = GetRGBA32FromRGBA64Rect(Bytes(dest), destStride, Values(src), srcStride, w, h));
    return result;
}

TSY_API int32_t TSY_GetRGB24FromRGBA64Rect(void *dest, int32_t destStride, const void *src, int32_t srcStride,
                                           int32_t /*x*/, int32_t /*y*/, int32_t w, int32_t h) {
    int32_t result = 0;
    TSY_GUARD("GetRGB24FromRGBA64Rect Excpt",
              result = GetRGB24FromRGBA64Rect(Bytes(dest), destStride, Values(src), srcStride, w, h));
    return result;
}

TSY_API int32_t TSY_GetRGBA32FromRGBA64(void *dest, int32_t destStride, int32_t w, int32_t h, const void *src,
                                        int32_t srcStride) {
    int32_t result = 0;
    TSY_GUARD("GetRGBA32FromRGBA64 Excpt",
              result = GetRGBA32FromRGBA64Rect(Bytes(dest), destStride, Values(src), srcStride, w, h));
    return result;
}

TSY_API int32_t TSY_GetRGB24FromRGBA64(void *dest, int32_t destStride, const void *src, int32_t srcStride) {
    int32_t result = 0;
    TSY_GUARD("GetRGB24FromRGBA64 Excpt",
              result = GetRGB24FromCanvasRGBA64(Bytes(dest), destStride, Values(src), srcStride));
    return result;
}

TSY_API void TSY_RGBAToRGB(void *destRGB24, int32_t w, int32_t h, const void *srcRGBA32) {
    TSY_GUARD("RGBAToRGB Excpt", RGBAToRGB(Bytes(destRGB24), w, h, Bytes(srcRGBA32)));
}

TSY_API void TSY_RGBToRGBA(void *destRGBA32, int32_t w, int32_t h, const void *srcRGB24) {
    TSY_GUARD("RGBToRGBA Excpt", RGBToRGBA(Bytes(destRGBA32), w, h, Bytes(srcRGB24)));
}

TSY_API void TSY_RGBAlphaToRGB(void *destRGB24, int32_t w, int32_t h, const void *srcRGBA32) {
    TSY_GUARD("RGBAlphaToRGB Excpt", RGBAlphaToRGB(Bytes(destRGB24), w, h, Bytes(srcRGBA32)));
}

TSY_API void TSY_RGBToRGBAlpha(void *destRGBA32, int32_t w, int32_t h, const void *srcRGB24) {
    TSY_GUARD("RGBToRGBAlpha Excpt", RGBToRGBAlpha(Bytes(destRGBA32), w, h, Bytes(srcRGB24)));
}

TSY_API void TSY_SetPixelRGB24(void *buf, int32_t stride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
    TSY_GUARD("SetPixelRGB24 Excpt", SetPixelRGB24(Bytes(buf), stride, x, y, r, g, b));
}

// ---- Fills and per-pixel edits -----------------------------------------------------------------

TSY_API void TSY_Clear(int32_t r, int32_t g, int32_t b, int32_t a) {
    TSY_GUARD("Clear Excpt", ClearCurrentLayer(r, g, b, a));
}

TSY_API void TSY_ClearRGBA64(void *buf, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a) {
    TSY_GUARD("ClearRGBA64 Excpt", ClearCanvasRGBA64(Values(buf), stride, r, g, b, a));
}

TSY_API void TSY_ClearRGBA32(void *buf, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a) {
    TSY_GUARD("ClearRGBA32 Excpt", ClearCanvasRGBA32(Bytes(buf), stride, r, g, b, a));
}

TSY_API void TSY_ClearRGBA32Buf(void *buf, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a) {
    TSY_GUARD("ClearRGBA32Buf Excpt", ClearRGBA32Buf(Bytes(buf), w, h, r, g, b, a));
}

TSY_API void TSY_SetColorAlpha(int32_t r, int32_t g, int32_t b) {
    TSY_GUARD("SetColorAlpha Excpt", SetColorAlpha(r, g, b));
}

TSY_API void TSY_SetColorAlphaRGBABuf(void *buf, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b) {
    TSY_GUARD("SetColorAlphaRGBABuf Excpt", SetColorAlphaRGBABuf(Bytes(buf), w, h, r, g, b));
}

TSY_API void TSY_SetColorRGBABuf(void *buf, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b) {
    TSY_GUARD("SetColorRGBABuf Excpt", SetColorRGBABuf(Bytes(buf), w, h, r, g, b));
}

TSY_API void TSY_InvertAlpha(int32_t layer) { TSY_GUARD("InvertAlpha Excpt", InvertAlpha(layer)); }

TSY_API void TSY_InvertAlpha_RGBA32(void *buf) {
    TSY_GUARD("InvertAlpha_RGBA32 Excpt", InvertAlphaCanvasRGBA32(Bytes(buf)));
}

TSY_API void TSY_SetAlphaFromRGBAImageColor(void *buf, int32_t r, int32_t g, int32_t b) {
    TSY_GUARD("SetAlphaFromRGBAImageColor Excpt", SetAlphaFromCanvasRGBA32Color(Bytes(buf), r, g, b));
}

// ---- Preparation of 8-bit copies ----------------------------------------------------------------

TSY_API void TSY_AdjustRGBA32ByMaskAndTexture(void *buf, int32_t w, int32_t h) {
    TSY_GUARD("AdjustRGBA32ByMaskAndTexture Excpt", AdjustRGBA32ByMaskAndTexture(Bytes(buf), w, h));
}

TSY_API void TSY_AdjustRGBA32RectByMaskAndTexture(void *buf, int32_t x, int32_t y, int32_t w, int32_t h) {
    TSY_GUARD("AdjustRGBA32RectByMaskAndTexture Excpt", AdjustRGBA32RectByMaskAndTexture(Bytes(buf), x, y, w, h));
}

TSY_API void TSY_AdjustRGBA32ForAlphaComp(int32_t flag, void *buf) {
    TSY_GUARD("AdjustRGBA32ForAlphaComp Excpt", AdjustCanvasRGBA32ForAlphaComp(flag, Bytes(buf)));
}

TSY_API void TSY_AdjustRGBA32PreFilter(void *buf, int32_t w, int32_t h) {
    TSY_GUARD("AdjustRGBA32PreFilter Excpt", AdjustRGBA32PreFilter(Bytes(buf), w, h));
}

TSY_API void TSY_AdjustRGBA32PostFilter(void *buf, int32_t w, int32_t h) {
    TSY_GUARD("AdjustRGBA32PostFilter Excpt", AdjustRGBA32PostFilter(Bytes(buf), w, h));
}

TSY_API void TSY_AdjustRGBA64PreFilter(void *buf, int32_t w, int32_t h) {
    TSY_GUARD("AdjustRGBA64PreFilter Excpt", AdjustRGBA64PreFilter(Values(buf), w, h));
}

TSY_API void TSY_AdjustRGBA64PostFilter(void *buf, int32_t w, int32_t h) {
    TSY_GUARD("AdjustRGBA64PostFilter Excpt", AdjustRGBA64PostFilter(Values(buf), w, h));
}

// ---- Pixel queries ------------------------------------------------------------------------------

TSY_API int32_t TSY_GetRed64(int32_t x, int32_t y) {
    int32_t result = 0;
    TSY_GUARD("GetRed64 Excpt", result = GetChannel64(x, y, 0));
    return result;
}

TSY_API int32_t TSY_GetGreen64(int32_t x, int32_t y) {
    int32_t result = 0;
    TSY_GUARD("GetGreen64 Excpt", result = GetChannel64(x, y, 1));
    return result;
}

TSY_API int32_t TSY_GetBlue64(int32_t x, int32_t y) {
    int32_t result = 0;
    TSY_GUARD("GetBlue64 Excpt", result = GetChannel64(x, y, 2));
    return result;
}

TSY_API int32_t TSY_GetAlpha64(int32_t x, int32_t y) {
    int32_t result = 0;
    TSY_GUARD("GetAlpha64 Excpt", result = GetChannel64(x, y, 3));
    return result;
}

TSY_API uint32_t TSY_GetRGBAAt(int32_t x, int32_t y, const void *buffer) {
    uint32_t result = 0;
    TSY_GUARD("GetRGBAAt Excpt", result = GetRGBAAt(x, y, Values(buffer)));
    return result;
}

TSY_API uint32_t TSY_GetColorAt(int32_t x, int32_t y, const void *buffer) {
    uint32_t result = 0;
    TSY_GUARD("GetColorAt Excpt", result = GetColorAt(x, y, Values(buffer)));
    return result;
}

TSY_API uint32_t TSY_GetRGBAAtSurface(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetRGBAAtSurface Excpt", result = GetRGBAAtSource(PixelSource::Surface, x, y, 0));
    return result;
}

TSY_API uint32_t TSY_GetColorAtSurface(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetColorAtSurface Excpt", result = GetColorAtSource(PixelSource::Surface, x, y, 0));
    return result;
}

TSY_API uint32_t TSY_GetRGBAAtUnderLayer(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetRGBAAtUnderLayer Excpt", result = GetRGBAAtSource(PixelSource::UnderLayer, x, y, 0));
    return result;
}

TSY_API uint32_t TSY_GetColorAtUnderLayer(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetColorAtUnderLayer Excpt", result = GetColorAtSource(PixelSource::UnderLayer, x, y, 0));
    return result;
}

TSY_API uint32_t TSY_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer) {
    uint32_t result = 0;
    TSY_GUARD("GetRGBAAtLayer Excpt", result = GetRGBAAtSource(PixelSource::Layer, x, y, layer));
    return result;
}

TSY_API uint32_t TSY_GetColorAtLayer(int32_t x, int32_t y, int32_t layer) {
    uint32_t result = 0;
    TSY_GUARD("GetColorAtLayer Excpt", result = GetColorAtSource(PixelSource::Layer, x, y, layer));
    return result;
}

TSY_API uint32_t TSY_GetRGBAAtTrace(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetRGBAAtTrace Excpt", result = GetRGBAAtSource(PixelSource::Trace, x, y, 0));
    return result;
}

TSY_API uint32_t TSY_GetColorAtTrace(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetColorAtTrace Excpt", result = GetColorAtSource(PixelSource::Trace, x, y, 0));
    return result;
}

TSY_API uint32_t TSY_GetColorAtHistory(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("GetColorAtHistory Excpt", result = GetColorAtSource(PixelSource::History, x, y, 0));
    return result;
}

// ---- Scratch image -------------------------------------------------------------------------------

TSY_API void TSY_DeleteNewRGBA(void) { TSY_GUARD("DeleteNewRGBA Excpt", DeleteNewRGBA()); }

TSY_API int32_t TSY_GetNewRGBAWidth(void) { return g_engine.scratchWidth; }

TSY_API int32_t TSY_GetNewRGBAHeight(void) { return g_engine.scratchHeight; }

TSY_API int32_t TSY_IsNewRGBA32Transparent(void) {
    int32_t result = 0;
    TSY_GUARD("IsNewRGBA32Transparent Excpt", result = IsNewRGBA32Transparent());
    return result;
}

TSY_API void TSY_SetInNewRGBA(void) { TSY_GUARD("SetInNewRGBA Excpt", SetInNewRGBA()); }

TSY_API void TSY_GetNewRGBA32(void *dest) { TSY_GUARD("GetNewRGBA32 Excpt", GetNewRGBA32(dest)); }

TSY_API void TSY_GetNewRGBA24(void *dest) { TSY_GUARD("GetNewRGBA24 Excpt", GetNewRGBA24(dest)); }
