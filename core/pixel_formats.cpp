#include "core/pixel_formats.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

// Row start inside a host buffer whose rows are `stride` bytes apart.
template <class T>
T *RowAt(T *base, int stride, int row) {
    using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
    return reinterpret_cast<T *>(reinterpret_cast<Byte *>(base) + static_cast<ptrdiff_t>(row) * stride);
}

}  // namespace

// ---- Run-length line codecs ----------------------------------------------------

int RleEncodeRGBA64ToRGBA32(const uint16_t *src, uint8_t *dest, int n) {
    uint8_t *out = dest;
    uint8_t cur[4] = {Narrow16(src[0]), Narrow16(src[1]), Narrow16(src[2]), Narrow16(src[3])};
    unsigned count = 1;
    for (int i = 1; i < n; ++i) {
        const uint16_t *p = src + 4 * static_cast<size_t>(i);
        const uint8_t next[4] = {Narrow16(p[0]), Narrow16(p[1]), Narrow16(p[2]), Narrow16(p[3])};
        if (count < 255 && std::memcmp(next, cur, 4) == 0) {
            ++count;
            continue;
        }
        out[0] = static_cast<uint8_t>(count);
        std::memcpy(out + 1, cur, 4);
        out += kRleColorRunBytes;
        std::memcpy(cur, next, 4);
        count = 1;
    }
    out[0] = static_cast<uint8_t>(count);
    std::memcpy(out + 1, cur, 4);
    out += kRleColorRunBytes;
    return static_cast<int>(out - dest);
}

int RleEncodeG16ToG8(const uint16_t *src, uint8_t *dest, int n) {
    uint8_t *out = dest;
    uint8_t cur = Narrow16(src[0]);
    unsigned count = 1;
    for (int i = 1; i < n; ++i) {
        const uint8_t next = Narrow16(src[i]);
        if (count < 255 && next == cur) {
            ++count;
            continue;
        }
        out[0] = static_cast<uint8_t>(count);
        out[1] = cur;
        out += kRleGreyRunBytes;
        cur = next;
        count = 1;
    }
    out[0] = static_cast<uint8_t>(count);
    out[1] = cur;
    out += kRleGreyRunBytes;
    return static_cast<int>(out - dest);
}

int RleDecodeRGBA32ToRGBA64(const uint8_t *src, size_t srcBytes, uint16_t *dest, int n) {
    int written = 0;
    for (size_t pos = 0; written < n && srcBytes - pos >= kRleColorRunBytes; pos += kRleColorRunBytes) {
        const int run = std::min<int>(src[pos], n - written);
        const uint16_t px[4] = {Widen8(src[pos + 1]), Widen8(src[pos + 2]), Widen8(src[pos + 3]), Widen8(src[pos + 4])};
        uint16_t *d = dest + 4 * static_cast<size_t>(written);
        for (int i = 0; i < run; ++i, d += 4) std::memcpy(d, px, sizeof px);
        written += run;
    }
    return written;
}

int RleDecodeG8ToG16(const uint8_t *src, size_t srcBytes, uint16_t *dest, int n) {
    int written = 0;
    for (size_t pos = 0; written < n && srcBytes - pos >= kRleGreyRunBytes; pos += kRleGreyRunBytes) {
        const int run = std::min<int>(src[pos], n - written);
        std::fill_n(dest + written, run, Widen8(src[pos + 1]));
        written += run;
    }
    return written;
}

int RLECompressRGBA64ToRGBA32(const uint16_t *src, uint8_t *dest, int n) {
    if (src == nullptr || dest == nullptr) return 0;
    return RleEncodeRGBA64ToRGBA32(src, dest, n);
}

void RLEUncompressRGBA32ToRGBA64(const uint8_t *src, uint16_t *dest, int n) {
    if (src == nullptr || dest == nullptr || n <= 0) return;
    RleDecodeRGBA32ToRGBA64(src, RleColorStreamLimit(n), dest, n);
}

int RLECompressG16ToG8(const uint16_t *src, uint8_t *dest, int n) {
    if (src == nullptr || dest == nullptr) return 0;
    return RleEncodeG16ToG8(src, dest, n);
}

void RLEUncompressG8ToG16(const uint8_t *src, uint16_t *dest, int n) {
    if (src == nullptr || dest == nullptr || n <= 0) return;
    RleDecodeG8ToG16(src, RleGreyStreamLimit(n), dest, n);
}

// ---- Packed converters -------------------------------------------------------------

void Rgba32ToRgba64(const uint8_t *src, uint16_t *dest, int w, int h) {
    if (src == nullptr || dest == nullptr) return;
    const size_t values = PixelCount(w, h) * 4;
    for (size_t i = 0; i < values; ++i) dest[i] = Widen8(src[i]);
}

void Rgba64ToRgba32(const uint16_t *src, uint8_t *dest, int w, int h) {
    if (src == nullptr || dest == nullptr) return;
    const size_t values = PixelCount(w, h) * 4;
    for (size_t i = 0; i < values; ++i) dest[i] = Narrow16(src[i]);
}

void SetAlphaRGBA32(uint8_t *buf, int w, int h, int a) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) buf[4 * i + 3] = static_cast<uint8_t>(a);
}

// ---- Buffer conversions ----------------------------------------------------------------

namespace {

// h rows of w RGBA64 pixels (rows srcStride bytes apart) narrowed to
// `channels` bytes per pixel (rows destStride bytes apart).
template <int channels>
void NarrowRect(uint8_t *dest, ptrdiff_t destStride, const uint16_t *src, ptrdiff_t srcStride, int w, int h) {
    if (w <= 0 || h <= 0) return;
    for (int y = 0; y < h; ++y) {
        const uint16_t *s = reinterpret_cast<const uint16_t *>(reinterpret_cast<const uint8_t *>(src) + y * srcStride);
        uint8_t *d = dest + y * destStride;
        for (int x = 0; x < w; ++x, s += 4, d += channels)
            for (int c = 0; c < channels; ++c) d[c] = Narrow16(s[c]);
    }
}

}  // namespace

void RGBA64RectToRGBA32(const uint16_t *src, int x, int y, int w, int h, int srcStridePixels, uint8_t *dest) {
    if (src == nullptr || dest == nullptr) return;
    const uint16_t *start = src + (static_cast<ptrdiff_t>(y) * srcStridePixels + x) * 4;
    NarrowRect<4>(dest, static_cast<ptrdiff_t>(w) * 4, start, static_cast<ptrdiff_t>(srcStridePixels) * 8, w, h);
}

void RGBA64RectToRGBA24(const uint16_t *src, int x, int y, int w, int h, int srcStridePixels, uint8_t *dest) {
    if (src == nullptr || dest == nullptr) return;
    const uint16_t *start = src + (static_cast<ptrdiff_t>(y) * srcStridePixels + x) * 4;
    NarrowRect<3>(dest, static_cast<ptrdiff_t>(w) * 3, start, static_cast<ptrdiff_t>(srcStridePixels) * 8, w, h);
}

int GetRGBA32FromRGBA64Rect(uint8_t *dest, int destStride, const uint16_t *src, int srcStride, int w, int h) {
    if (dest == nullptr || src == nullptr) return 0;
    NarrowRect<4>(dest, destStride, src, srcStride, w, h);
    return 1;
}

int GetRGB24FromRGBA64Rect(uint8_t *dest, int destStride, const uint16_t *src, int srcStride, int w, int h) {
    if (dest == nullptr || src == nullptr) return 0;
    NarrowRect<3>(dest, destStride, src, srcStride, w, h);
    return 1;
}

void RGBAToRGB(uint8_t *dest24, int w, int h, const uint8_t *src32) {
    if (dest24 == nullptr || src32 == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) std::memcpy(dest24 + 3 * i, src32 + 4 * i, 3);
}

void RGBToRGBA(uint8_t *dest32, int w, int h, const uint8_t *src24) {
    if (dest32 == nullptr || src24 == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) std::memcpy(dest32 + 4 * i, src24 + 3 * i, 3);
}

void RGBAlphaToRGB(uint8_t *dest24, int w, int h, const uint8_t *src32) {
    if (dest24 == nullptr || src32 == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) std::memset(dest24 + 3 * i, src32[4 * i + 3], 3);
}

void RGBToRGBAlpha(uint8_t *dest32, int w, int h, const uint8_t *src24) {
    if (dest32 == nullptr || src24 == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t *s = src24 + 3 * i;
        dest32[4 * i + 3] = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
    }
}

// ---- Fills -----------------------------------------------------------------------------

void ClearRGBA64(uint16_t *buf, int stride, int w, int h, int r, int g, int b, int a) {
    if (buf == nullptr || w <= 0 || h <= 0) return;
    const uint16_t px[4] = {static_cast<uint16_t>(r), static_cast<uint16_t>(g), static_cast<uint16_t>(b),
                            static_cast<uint16_t>(a)};
    for (int y = 0; y < h; ++y) {
        uint16_t *d = RowAt(buf, stride, y);
        for (int x = 0; x < w; ++x) std::memcpy(d + 4 * x, px, sizeof px);
    }
}

void ClearRGBA32(uint8_t *buf, int stride, int w, int h, int r, int g, int b, int a) {
    if (buf == nullptr || w <= 0 || h <= 0) return;
    const uint8_t px[4] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                           static_cast<uint8_t>(a)};
    for (int y = 0; y < h; ++y) {
        uint8_t *d = RowAt(buf, stride, y);
        for (int x = 0; x < w; ++x) std::memcpy(d + 4 * x, px, sizeof px);
    }
}

void ClearRGBA32Buf(uint8_t *buf, int w, int h, int r, int g, int b, int a) {
    if (w <= 0 || w > 0x1FFFFFFF) return;
    ClearRGBA32(buf, w * 4, w, h, r, g, b, a);
}

void SetColorAlphaRGBABuf(uint8_t *buf, int w, int h, int r, int g, int b) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *p = buf + 4 * i;
        if (p[3] != 0) continue;
        p[0] = static_cast<uint8_t>(r);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(b);
    }
}

void SetColorRGBABuf(uint8_t *buf, int w, int h, int r, int g, int b) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *p = buf + 4 * i;
        p[0] = static_cast<uint8_t>(r);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(b);
    }
}

void InvertAlphaRGBA32(uint8_t *buf, int w, int h) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) buf[4 * i + 3] = static_cast<uint8_t>(255 - buf[4 * i + 3]);
}

void SetAlphaFromRGBAImageColor(uint8_t *buf, int w, int h, int r, int g, int b) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *p = buf + 4 * i;
        if (p[0] == static_cast<uint8_t>(r) && p[1] == static_cast<uint8_t>(g) && p[2] == static_cast<uint8_t>(b))
            p[3] = 0;
    }
}

// ---- Filter preparations -------------------------------------------------------------------
// Written as the products they are, factor first: (a * k) and 1 / (a * k) are
// formed once per pixel in double precision and then multiply the channel.

namespace {

constexpr double k8 = 1.0 / 255.0;
constexpr double k16 = 1.0 / 65535.0;

inline uint8_t ScaleUp8(uint8_t c, double f) {
    const double v = c * f;
    return v >= 255.0 ? 255 : static_cast<uint8_t>(v);
}

}  // namespace

void AdjustRGBA32ForAlphaComp(uint8_t *buf, int w, int h) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *p = buf + 4 * i;
        if (p[3] == 0) continue;
        const double f = 1.0 / (p[3] * k8);
        for (int c = 0; c < 3; ++c) p[c] = ScaleUp8(p[c], f);
    }
}

void AdjustRGBA32PreFilter(uint8_t *buf, int w, int h) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *p = buf + 4 * i;
        if (p[3] == 0 || p[3] == 255) continue;
        const double f = p[3] * k8;
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] + 1) * f);
    }
}

void AdjustRGBA32PostFilter(uint8_t *buf, int w, int h) {
    if (buf == nullptr || h < 1) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *p = buf + 4 * i;
        if (p[3] == 0 || p[3] == 255) continue;
        const double f = 1.0 / (p[3] * k8);
        for (int c = 0; c < 3; ++c) p[c] = ScaleUp8(p[c], f);
        if (p[3] == 254) p[3] = 255;
    }
}

void AdjustRGBA64PreFilter(uint16_t *buf, int w, int h) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint16_t *p = buf + 4 * i;
        if (p[3] == 0) continue;
        const double f = p[3] * k16;
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint16_t>(p[c] * f);
    }
}

void AdjustRGBA64PostFilter(uint16_t *buf, int w, int h) {
    if (buf == nullptr) return;
    const size_t n = PixelCount(w, h);
    for (size_t i = 0; i < n; ++i) {
        uint16_t *p = buf + 4 * i;
        if (p[3] == 0) continue;
        const double f = 1.0 / (p[3] * k16);
        for (int c = 0; c < 3; ++c) {
            const double v = p[c] * f;
            p[c] = v >= 65536.0 ? 65535 : static_cast<uint16_t>(v);
        }
    }
}
