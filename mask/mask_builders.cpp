// Selection builders: each writes the selection value (255 - level) * 256 into
// the mask of every canvas pixel whose image pixel matches, and leaves the
// other pixels alone, so a builder only ever adds to what the mask passes.
// The images cover the whole canvas, packed rows (RGBA32: W * 4 bytes, RGB24:
// W * 3 bytes, flood map: W bytes).
#include <cmath>
#include <cstdlib>

#include "core/color.h"
#include "core/engine_state.h"
#include "mask/mask.h"
#include "mask/mask_p.h"
#include "mask/mask_values.h"

using namespace mask_detail;

namespace {

// Walks the canvas pixel by pixel over an image of `bytesPerPixel` bytes per
// pixel, writing `value` into the mask where `matches(pixel)` holds.
template <int bytesPerPixel, class Match>
void SelectWhere(const void *image, uint16_t value, Match matches) {
    if (image == nullptr || g_engine.mask == nullptr) return;
    const size_t n = CanvasPixels();
    const uint8_t *p = static_cast<const uint8_t *>(image);
    uint16_t *m = g_engine.mask;
    for (size_t i = 0; i < n; ++i, p += bytesPerPixel)
        if (matches(p)) m[i] = value;
}

inline int64_t AbsDiff(int64_t a, int64_t b) { return a > b ? a - b : b - a; }

// Caches the last colour converted, so runs of equal pixels convert once.
// The conversion is a pure function, so the result is the same either way.
template <class Convert>
struct LastColour {
    Convert convert;
    uint32_t key = 0xFFFFFFFFu;  // no 24-bit colour has this key
    double a = 0, b = 0, c = 0;

    void Get(const uint8_t *p, double &oa, double &ob, double &oc) {
        const uint32_t k =
            static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
        if (k != key) {
            convert(p[0], p[1], p[2], a, b, c);
            key = k;
        }
        oa = a;
        ob = b;
        oc = c;
    }
};

}  // namespace

bool HueWithin(double h, double h0, double bound) {
    return bound >= std::fabs(h - h0) || bound >= std::fabs(h - (h0 - 360.0)) || bound >= std::fabs(h - 360.0 - h0);
}

void MaskSelectRGBA32Color(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t level) {
    SelectWhere<4>(rgba32, MaskSelectionValue(level),
                   [=](const uint8_t *p) { return p[0] == r && p[1] == g && p[2] == b; });
}

void MaskSelectRGB24Color(const void *rgb24, int32_t r, int32_t g, int32_t b, int32_t level) {
    SelectWhere<3>(rgb24, MaskSelectionValue(level),
                   [=](const uint8_t *p) { return p[0] == r && p[1] == g && p[2] == b; });
}

void MaskSelectRGBA32ColorRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol, int32_t level) {
    const int64_t T = ToleranceBound(tol, 2.56);
    SelectWhere<4>(rgba32, MaskSelectionValue(level), [=](const uint8_t *p) {
        return AbsDiff(p[0], r) <= T && AbsDiff(p[1], g) <= T && AbsDiff(p[2], b) <= T;
    });
}

void MaskSelectRGBA32AlphaRange(const void *rgba32, int32_t alpha, int32_t tol, int32_t level) {
    const int64_t T = ToleranceBound(tol, 2.56);
    SelectWhere<4>(rgba32, MaskSelectionValue(level), [=](const uint8_t *p) { return AbsDiff(p[3], alpha) <= T; });
}

void MaskSelectRGBA32LuminanceRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol, int32_t level) {
    const int64_t T = ToleranceBound(tol, 2.56);
    const int64_t reference = (static_cast<int64_t>(r) + g + b) / 3;
    SelectWhere<4>(rgba32, MaskSelectionValue(level),
                   [=](const uint8_t *p) { return AbsDiff((p[0] + p[1] + p[2]) / 3, reference) <= T; });
}

void MaskSelectRGBA32HueRange(const void *rgba32, int32_t r, int32_t g, int32_t b, int32_t tol, int32_t level) {
    // D = trunc(tol * 1.8) whole degrees; greys have hue -1 and are compared as such.
    const double D = static_cast<double>(ToleranceBound(tol, 1.8));
    double h0, s0, v0;
    RgbToHsv(r, g, b, h0, s0, v0);
    auto hsv = [](int cr, int cg, int cb, double &h, double &s, double &v) { RgbToHsv(cr, cg, cb, h, s, v); };
    LastColour<decltype(hsv)> last{hsv};
    SelectWhere<4>(rgba32, MaskSelectionValue(level), [&](const uint8_t *p) {
        double h, s, v;
        last.Get(p, h, s, v);
        return HueWithin(h, h0, D);
    });
}

void MaskSelectRGBA32HSLRange(const void *rgba32, int32_t r, int32_t g, int32_t b, double hueTol, double satTol,
                              double lumTol, int32_t level) {
    const double hueBound = hueTol * 180.0;
    double h0, s0, l0;
    RgbToHsl(r, g, b, h0, s0, l0);
    auto hsl = [](int cr, int cg, int cb, double &h, double &s, double &l) { RgbToHsl(cr, cg, cb, h, s, l); };
    LastColour<decltype(hsl)> last{hsl};
    SelectWhere<4>(rgba32, MaskSelectionValue(level), [&](const uint8_t *p) {
        double h, s, l;
        last.Get(p, h, s, l);
        return HueWithin(h, h0, hueBound) && std::fabs(s - s0) <= satTol && std::fabs(l - l0) <= lumTol;
    });
}

void MaskSelectFloodMap(const void *map, int32_t level) {
    SelectWhere<1>(map, MaskSelectionValue(level), [](const uint8_t *p) { return *p == 1; });
}

void MaskFromRGBA32Difference(const void *a, const void *b, int32_t value) {
    if (a == nullptr || b == nullptr || g_engine.mask == nullptr) return;
    const uint16_t v = static_cast<uint16_t>(value);
    const uint8_t *pb = static_cast<const uint8_t *>(b);
    SelectWhere<4>(a, v, [&pb](const uint8_t *pa) {
        const bool differs = pa[0] != pb[0] || pa[1] != pb[1] || pa[2] != pb[2] || pa[3] != pb[3];
        pb += 4;
        return differs;
    });
}
