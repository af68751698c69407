// Pixel helpers: grey conversion, placement, channel shuffles, crop, flips
// and quarter turns.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/library/image_checks.h"
#include "imaging/library/imaging_library.h"

int32_t IS3ImageToGrayScale8Bit(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel,
                                int32_t srcStride, uint8_t *dst, int32_t dstStride, int32_t /*flags*/) {
    if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) return 0;
    if (!ValidImage(src, width, height, bytesPerPixel, srcStride) || !ValidImage(dst, width, height, 1, dstStride))
        return 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *in = src + RowOffset(y, srcStride);
        uint8_t *out = dst + RowOffset(y, dstStride);
        if (bytesPerPixel == 1) {
            std::memmove(out, in, size_t(width));
            continue;
        }
        for (int32_t x = 0; x < width; ++x, in += bytesPerPixel)
            out[x] = uint8_t((77u * in[0] + 150u * in[1] + 29u * in[2] + 128u) >> 8);
    }
    return 1;
}

namespace {

// Straight-alpha "over" of one RGBA32 pixel with source alpha sa (0 .. 255).
inline void OverPixel(uint8_t *d, const uint8_t *s, uint32_t sa) {
    if (sa == 255) {
        std::memcpy(d, s, 3);
        d[3] = 255;
        return;
    }
    if (sa == 0) return;
    const uint32_t da = d[3];
    // Alpha scaled by 255: sa x 255 + da x (255 - sa); never 0 here.
    const uint32_t a255 = sa * 255 + da * (255 - sa);
    for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * sa * 255 + d[c] * da * (255 - sa) + a255 / 2) / a255);
    d[3] = uint8_t((a255 + 127) / 255);
}

}  // namespace

int32_t IS3OverlayImage(uint8_t *target, int32_t targetWidth, int32_t targetHeight, int32_t bytesPerPixel,
                        int32_t targetStride, const uint8_t *source, int32_t sourceWidth, int32_t sourceHeight,
                        int32_t sourceStride, int32_t x, int32_t y, double opacity, int32_t flag) {
    if (bytesPerPixel > 8 || !ValidImage(target, targetWidth, targetHeight, bytesPerPixel, targetStride) ||
        !ValidImage(source, sourceWidth, sourceHeight, bytesPerPixel, sourceStride) || !(opacity >= 0.0))
        return 0;
    // The part of the source that lands on the target.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(x) + sourceWidth, targetWidth);
    const int64_t y1 = std::min<int64_t>(int64_t(y) + sourceHeight, targetHeight);
    if (x0 >= x1 || y0 >= y1 || opacity == 0.0) return 1;
    const bool full = opacity >= 1.0;
    const bool over = flag == 1 && bytesPerPixel == 4;
    const size_t spanBytes = size_t(x1 - x0) * bytesPerPixel;
    for (int64_t ty = y0; ty < y1; ++ty) {
        uint8_t *d = target + RowOffset(ty, targetStride) + size_t(x0) * bytesPerPixel;
        const uint8_t *s = source + RowOffset(ty - y, sourceStride) + size_t(x0 - x) * bytesPerPixel;
        if (over) {
            for (int64_t i = 0; i < x1 - x0; ++i) {
                const uint32_t sa = full ? s[4 * i + 3] : uint32_t(std::lround(s[4 * i + 3] * opacity));
                OverPixel(d + 4 * i, s + 4 * i, sa);
            }
        } else if (full) {
            std::memmove(d, s, spanBytes);
        } else {
            for (size_t i = 0; i < spanBytes; ++i) d[i] = uint8_t(std::lround(d[i] + (s[i] - d[i]) * opacity));
        }
    }
    return 1;
}

int32_t IS40_OverlayImage(uint8_t *target, int32_t targetWidth, int32_t targetHeight, int32_t bytesPerPixel,
                          int32_t targetStride, const uint8_t *source, int32_t sourceWidth, int32_t sourceHeight,
                          int32_t sourceStride, int32_t x, int32_t y, double opacity, double /*opacity2*/,
                          int32_t /*reserved1*/, int32_t /*reserved2*/) {
    return IS3OverlayImage(target, targetWidth, targetHeight, bytesPerPixel, targetStride, source, sourceWidth,
                           sourceHeight, sourceStride, x, y, opacity, 0);
}

int32_t IS3RGBAToBGRA(uint8_t *image, int32_t width, int32_t height, int32_t stride) {
    if (!ValidImage(image, width, height, 4, stride)) return 0;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t *p = image + RowOffset(y, stride);
        for (int32_t x = 0; x < width; ++x, p += 4) std::swap(p[0], p[2]);
    }
    return 1;
}

int32_t IS3SplitImage(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t srcStride,
                      uint8_t *const *planes, int32_t planeStride) {
    if (planes == nullptr || !ValidImage(src, width, height, bytesPerPixel, srcStride) || int64_t(planeStride) < width)
        return 0;
    bool any = false;
    for (int32_t c = 0; c < bytesPerPixel; ++c) {
        uint8_t *plane = planes[c];
        if (plane == nullptr) continue;
        any = true;
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t *in = src + RowOffset(y, srcStride) + c;
            uint8_t *out = plane + RowOffset(y, planeStride);
            for (int32_t x = 0; x < width; ++x) out[x] = in[size_t(x) * bytesPerPixel];
        }
    }
    return any ? 1 : 0;
}

int32_t IS3CombineImageChannels(const uint8_t *const *planes, int32_t width, int32_t height, int32_t bytesPerPixel,
                                int32_t planeStride, uint8_t *dst, int32_t dstStride) {
    if (planes == nullptr || !ValidImage(dst, width, height, bytesPerPixel, dstStride) || int64_t(planeStride) < width)
        return 0;
    bool any = false;
    for (int32_t c = 0; c < bytesPerPixel; ++c) {
        const uint8_t *plane = planes[c];
        if (plane == nullptr) continue;
        any = true;
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t *in = plane + RowOffset(y, planeStride);
            uint8_t *out = dst + RowOffset(y, dstStride) + c;
            for (int32_t x = 0; x < width; ++x) out[size_t(x) * bytesPerPixel] = in[x];
        }
    }
    return any ? 1 : 0;
}

int32_t IS3SplitRGBAToRGBPlusA(const uint8_t *rgba, int32_t width, int32_t height, int32_t stride, uint8_t *rgb,
                               int32_t rgbStride, uint8_t *alpha, int32_t alphaStride) {
    if (!ValidImage(rgba, width, height, 4, stride) || (rgb == nullptr && alpha == nullptr)) return 0;
    if (rgb != nullptr && !ValidImage(rgb, width, height, 3, rgbStride)) return 0;
    if (alpha != nullptr && !ValidImage(alpha, width, height, 1, alphaStride)) return 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *in = rgba + RowOffset(y, stride);
        uint8_t *c = rgb != nullptr ? rgb + RowOffset(y, rgbStride) : nullptr;
        uint8_t *a = alpha != nullptr ? alpha + RowOffset(y, alphaStride) : nullptr;
        for (int32_t x = 0; x < width; ++x, in += 4) {
            if (c != nullptr) std::memcpy(c + 3 * size_t(x), in, 3);
            if (a != nullptr) a[x] = in[3];
        }
    }
    return 1;
}

int32_t IS3CropImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                     int32_t dstStride, const ISRect *rect, int32_t bytesPerPixel) {
    if (rect == nullptr || !ValidImage(src, width, height, bytesPerPixel, srcStride)) return 0;
    const int64_t left = std::min(rect->left, rect->right), right = std::max(rect->left, rect->right);
    const int64_t top = std::min(rect->top, rect->bottom), bottom = std::max(rect->top, rect->bottom);
    const int64_t cw = right - left, ch = bottom - top;
    if (cw <= 0 || ch <= 0 || cw > 0x7FFFFFFF || ch > 0x7FFFFFFF) return 0;
    if (dst == nullptr || int64_t(dstStride) < cw * bytesPerPixel) return 0;
    // The columns of the rectangle that lie inside the source.
    const int64_t ix0 = std::clamp<int64_t>(left, 0, width), ix1 = std::clamp<int64_t>(right, 0, width);
    for (int64_t r = 0; r < ch; ++r) {
        uint8_t *out = dst + RowOffset(r, dstStride);
        const int64_t sy = top + r;
        std::memset(out, 0, size_t(cw) * bytesPerPixel);
        if (sy < 0 || sy >= height || ix0 >= ix1) continue;
        std::memcpy(out + size_t(ix0 - left) * bytesPerPixel,
                    src + RowOffset(sy, srcStride) + size_t(ix0) * bytesPerPixel, size_t(ix1 - ix0) * bytesPerPixel);
    }
    return 1;
}

int32_t IS3HorizontalFlipImage(uint8_t *image, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t stride) {
    if (!ValidImage(image, width, height, bytesPerPixel, stride)) return 0;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t *row = image + RowOffset(y, stride);
        for (int32_t a = 0, b = width - 1; a < b; ++a, --b)
            std::swap_ranges(row + size_t(a) * bytesPerPixel, row + size_t(a + 1) * bytesPerPixel,
                             row + size_t(b) * bytesPerPixel);
    }
    return 1;
}

int32_t IS3VerticalFlipImage(uint8_t *image, int32_t rowBytes, int32_t height) {
    if (!ValidImage(image, rowBytes, height, 1, rowBytes)) return 0;
    for (int32_t a = 0, b = height - 1; a < b; ++a, --b)
        std::swap_ranges(image + RowOffset(a, rowBytes), image + RowOffset(a + 1, rowBytes),
                         image + RowOffset(b, rowBytes));
    return 1;
}

int32_t IS3QuickRotateImage(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t srcStride,
                            uint8_t *dst, int32_t dstStride, int32_t code) {
    if (code < 0 || code > 2 || !ValidImage(src, width, height, bytesPerPixel, srcStride) || dst == nullptr ||
        dst == src)
        return 0;
    const int32_t dstWidth = code == 1 ? width : height;
    if (int64_t(dstStride) < int64_t(dstWidth) * bytesPerPixel) return 0;
    const size_t bpp = size_t(bytesPerPixel);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *in = src + RowOffset(y, srcStride);
        for (int32_t x = 0; x < width; ++x, in += bpp) {
            int64_t dx, dy;
            switch (code) {
                case 0:
                    dx = height - 1 - y, dy = x;
                    break;  // clockwise
                case 1:
                    dx = width - 1 - x, dy = height - 1 - y;
                    break;  // half turn
                default:
                    dx = y, dy = width - 1 - x;
                    break;  // counter-clockwise
            }
            std::memcpy(dst + RowOffset(dy, dstStride) + size_t(dx) * bpp, in, bpp);
        }
    }
    return 1;
}
