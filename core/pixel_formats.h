// Pixel formats, channel-width changes, run-length line codecs and the
// buffer-only converters (no layer involved).
//
// Fixed-point rules kept throughout:
//   - narrowing 16 -> 8 bits takes the high byte (v >> 8), never rounds;
//   - widening 8 -> 16 bits is v << 8 (255 -> 65280); operations that write a
//     fixed opaque alpha write 65535;
//   - the filter preparations use double precision, factor first, then times
//     the channel: integer formulas differ from them in a few dozen cases.
//
// Formats: RGBA64 = four uint16 (r, g, b, a), RGBA32 = bytes r, g, b, a,
// RGB24 = bytes r, g, b. Host strides are in bytes.
#pragma once
#include <cstddef>
#include <cstdint>

// ---- Channel width ---------------------------------------------------------

inline uint8_t Narrow16(uint16_t v) { return static_cast<uint8_t>(v >> 8); }
inline uint16_t Widen8(uint32_t v) { return static_cast<uint16_t>(v << 8); }

// ---- Mask-and-texture weights ------------------------------------------------
// A weight 0..65535 per canvas pixel from the texture byte t (when a texture
// map exists) and the mask value M (when the mask is in use).

// Rule A (colour loaders): t = 0 blocks, t >= 128 passes, otherwise
// ((2t + 1) * 65535) >> 8; then m = M >> 8: 0 blocks, 255 passes, otherwise
// ((m + 1) * w) >> 8.
inline uint32_t WeightRuleA(bool hasTexture, uint32_t t, bool hasMask, uint32_t M) {
    uint32_t w = 65535;
    if (hasTexture) {
        if (t == 0)
            w = 0;
        else if (t < 128)
            w = ((2 * t + 1) * 65535) >> 8;
    }
    if (hasMask) {
        const uint32_t m = M >> 8;
        if (m == 0)
            w = 0;
        else if (m != 255)
            w = ((m + 1) * w) >> 8;
    }
    return w;
}

// Rule B (alpha loader and the Adjust preparations): t >= 128 passes,
// otherwise (t * 131070) >> 8; then M = 65535 passes, otherwise (M * w) >> 16.
inline uint32_t WeightRuleB(bool hasTexture, uint32_t t, bool hasMask, uint32_t M) {
    uint32_t w = 65535;
    if (hasTexture && t < 128) w = (t * 131070) >> 8;
    if (hasMask && M != 65535) w = (M * w) >> 16;
    return w;
}

// Weighted blend of an 8-bit source s into a 16-bit destination d:
// w = 65535 writes s * 256, w = 0 keeps d, otherwise
// (s * w + ((d * (65535 - w)) >> 8)) >> 8.
inline uint16_t WeightedBlend(uint32_t s, uint32_t d, uint32_t w) {
    if (w == 65535) return Widen8(s);
    if (w == 0) return static_cast<uint16_t>(d);
    return static_cast<uint16_t>((s * w + ((d * (65535 - w)) >> 8)) >> 8);
}

// One pixel of the weighted RGBA32 load: source bytes s[0..3] into the
// RGBA64 pixel d with weight w; `lockAlpha` keeps the destination alpha.
inline void LoadPixelWeighted(uint16_t *d, const uint8_t *s, uint32_t w, bool lockAlpha) {
    if (w == 65535) {
        d[0] = Widen8(s[0]);
        d[1] = Widen8(s[1]);
        d[2] = Widen8(s[2]);
        if (!lockAlpha) d[3] = Widen8(s[3]);
    } else if (w == 0) {
        // masked out: the pixel is not touched
    } else if (d[3] == 0) {
        d[0] = Widen8(s[0]);
        d[1] = Widen8(s[1]);
        d[2] = Widen8(s[2]);
        if (!lockAlpha) d[3] = static_cast<uint16_t>((static_cast<uint32_t>(s[3]) * 256 * w) >> 16);
    } else if (s[3] == 0) {
        if (!lockAlpha) d[3] = static_cast<uint16_t>((static_cast<uint32_t>(d[3]) * (65535 - w)) >> 16);
    } else {
        d[0] = WeightedBlend(s[0], d[0], w);
        d[1] = WeightedBlend(s[1], d[1], w);
        d[2] = WeightedBlend(s[2], d[2], w);
        if (!lockAlpha) d[3] = WeightedBlend(s[3], d[3], w);
    }
}

// ---- Run-length line codecs ----------------------------------------------------
// Colour stream: 5-byte runs [count, r, g, b, a] of high bytes, count 1..255.
// Grey stream: 2-byte runs [count, value]. A run ends at a change or at 255
// values; n of 0 or 1 still emits one run of count 1 from the first value.

constexpr int kRleColorRunBytes = 5;
constexpr int kRleGreyRunBytes = 2;

// Encoders return the bytes written; dest must hold the worst case
// (5 * max(n, 1) or 2 * max(n, 1) bytes).
int RleEncodeRGBA64ToRGBA32(const uint16_t *src, uint8_t *dest, int n);
int RleEncodeG16ToG8(const uint16_t *src, uint8_t *dest, int n);

// Decoders read whole runs from at most srcBytes bytes and write at most n
// values (pixels), widened by 256. A run that would pass n is cut at n; a run
// of count 0 writes nothing. They return the number of values written.
int RleDecodeRGBA32ToRGBA64(const uint8_t *src, size_t srcBytes, uint16_t *dest, int n);
int RleDecodeG8ToG16(const uint8_t *src, size_t srcBytes, uint16_t *dest, int n);

// The longest stream an encoder produces for n values: the exported decoders,
// which receive no stream length, never read further than this.
inline size_t RleColorStreamLimit(int n) { return static_cast<size_t>(n < 1 ? 1 : n) * kRleColorRunBytes; }
inline size_t RleGreyStreamLimit(int n) { return static_cast<size_t>(n < 1 ? 1 : n) * kRleGreyRunBytes; }

// Exported codec bodies (null pointers: 0 bytes / nothing written).
int RLECompressRGBA64ToRGBA32(const uint16_t *src, uint8_t *dest, int n);
void RLEUncompressRGBA32ToRGBA64(const uint8_t *src, uint16_t *dest, int n);
int RLECompressG16ToG8(const uint16_t *src, uint8_t *dest, int n);
void RLEUncompressG8ToG16(const uint8_t *src, uint16_t *dest, int n);

// ---- Packed converters used across the engine ------------------------------------

// Every byte * 256, alpha included (w * h pixels, packed).
void Rgba32ToRgba64(const uint8_t *src, uint16_t *dest, int w, int h);
// High bytes of all four channels (w * h pixels, packed).
void Rgba64ToRgba32(const uint16_t *src, uint8_t *dest, int w, int h);
// Every alpha byte = a.
void SetAlphaRGBA32(uint8_t *buf, int w, int h, int a);

// ---- Buffer conversions (exported bodies) -----------------------------------------

void RGBA64RectToRGBA32(const uint16_t *src, int x, int y, int w, int h, int srcStridePixels, uint8_t *dest);
void RGBA64RectToRGBA24(const uint16_t *src, int x, int y, int w, int h, int srcStridePixels, uint8_t *dest);
// src and dest point at the rectangle's first pixel; x and y do not move them.
// Return 1, or 0 for a null pointer.
int GetRGBA32FromRGBA64Rect(uint8_t *dest, int destStride, const uint16_t *src, int srcStride, int w, int h);
int GetRGB24FromRGBA64Rect(uint8_t *dest, int destStride, const uint16_t *src, int srcStride, int w, int h);
void RGBAToRGB(uint8_t *dest24, int w, int h, const uint8_t *src32);
void RGBToRGBA(uint8_t *dest32, int w, int h, const uint8_t *src24);
void RGBAlphaToRGB(uint8_t *dest24, int w, int h, const uint8_t *src32);
void RGBToRGBAlpha(uint8_t *dest32, int w, int h, const uint8_t *src24);

// ---- Fills of host buffers -----------------------------------------------------------

void ClearRGBA64(uint16_t *buf, int stride, int w, int h, int r, int g, int b, int a);
void ClearRGBA32(uint8_t *buf, int stride, int w, int h, int r, int g, int b, int a);
// Packed w x h RGBA32 image.
void ClearRGBA32Buf(uint8_t *buf, int w, int h, int r, int g, int b, int a);
void SetColorAlphaRGBABuf(uint8_t *buf, int w, int h, int r, int g, int b);
void SetColorRGBABuf(uint8_t *buf, int w, int h, int r, int g, int b);
void InvertAlphaRGBA32(uint8_t *buf, int w, int h);
void SetAlphaFromRGBAImageColor(uint8_t *buf, int w, int h, int r, int g, int b);

// ---- Filter preparations (double precision, exactly as written) ------------------------

// Un-premultiplies pixels with a > 0: c = min(255, trunc(c * (1 / (a * (1/255))))).
void AdjustRGBA32ForAlphaComp(uint8_t *buf, int w, int h);
// a in 1..254: c = trunc((c + 1) * (a * (1/255))).
void AdjustRGBA32PreFilter(uint8_t *buf, int w, int h);
// a in 1..254: c = min(255, trunc(c * (1 / (a * (1/255))))); alpha 254 -> 255.
void AdjustRGBA32PostFilter(uint8_t *buf, int w, int h);
// a > 0: c = trunc(c * (a * (1/65535))).
void AdjustRGBA64PreFilter(uint16_t *buf, int w, int h);
// a > 0: c = min(65535, trunc(c * (1 / (a * (1/65535))))).
void AdjustRGBA64PostFilter(uint16_t *buf, int w, int h);

// Number of pixels of a w x h image, 0 for negative sizes.
inline size_t PixelCount(int w, int h) {
    return (w <= 0 || h <= 0) ? 0 : static_cast<size_t>(w) * static_cast<size_t>(h);
}
