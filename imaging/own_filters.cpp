// Entry routines of the own filter library and the sweep filters.
#include "imaging/own_filters.h"

#include <cstring>

#include "core/engine_state.h"

namespace {

constexpr double kPerMille = 0.001;
constexpr double kByteFraction = 0.00392156862745098;  // 1 / 255

struct FilterArgs {
    int p[17];  // p[1] .. p[16]; p[0] unused
    int red, green, blue;
};

// Fills every field of the block but the images, the geometry and p2, which
// the two entry routines set their own way.
void FillParameterBlock(const FilterArgs &a) {
    OwnFilterParams &b = g_engine.filter;
    b.filterP10 = a.p[10];
    b.filterBlue = a.blue * kByteFraction;
    b.filterGreen = a.green * kByteFraction;
    b.filterRed = a.red * kByteFraction;
    b.filterP9 = a.p[9];
    b.filterP16 = static_cast<uint8_t>(a.p[16]);
    b.filterP15 = static_cast<uint8_t>(a.p[15]);
    b.filterP14 = static_cast<uint8_t>(a.p[14]);
    b.filterP13 = static_cast<uint8_t>(a.p[13]);
    b.filterP12 = static_cast<uint8_t>(a.p[12]);
    b.filterP11 = static_cast<uint8_t>(a.p[11]);
    b.filterP8 = a.p[8] * kPerMille;
    b.filterP7 = a.p[7] * kPerMille;
    b.filterP6 = a.p[6] * kPerMille;
    b.filterP5 = a.p[5] * kPerMille;
    b.filterP4 = a.p[4] * kPerMille;
    b.filterP3 = a.p[3] * kPerMille;
    g_engine.filterKeep = static_cast<uint8_t>(a.p[1]);
}

void SetGeometry(uint8_t *source, uint8_t *target, int width, int height) {
    OwnFilterParams &b = g_engine.filter;
    b.filterTarget = target;
    b.filterSource = source;
    b.filterBottom = height - 1;
    b.filterRight = width - 1;
    b.filterTop = 0;
    b.filterLeft = 0;
    b.filterHeight = height;
    b.filterWidth = width;
    b.filterStride = width * 4;
}

// A weight 0..65535 from a per-mille fraction. Values outside 0..1000 per
// mille are held to the ends of the range, so the blend stays a blend.
int32_t WeightFromFraction(double q) {
    const double k = q * 65535.0;
    if (!(k > 0.0)) return 0;
    if (k >= 65535.0) return 65535;
    return static_cast<int32_t>(k);
}

inline int Brightness(const uint8_t *p) { return (p[0] + p[1] + p[2]) / 3; }

// Blends neighbour n toward p with weight k, all four channels:
// n.c = clamp((((k * n.c) >> 8) + ((p.c * (65535 - k)) >> 8)) >> 8).
inline void BlendToward(uint8_t *n, const uint8_t *p, int32_t k) {
    const int32_t rest = 65535 - k;
    for (int c = 0; c < 4; ++c) {
        const int32_t v = (((k * n[c]) >> 8) + ((p[c] * rest) >> 8)) >> 8;
        n[c] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

// The eight scan passes of the sweep filters, in order. Each pass visits
// pixel P = (x, y) and its neighbour N one step along the pass's column step
// (horizontal passes) or row step (vertical passes); rows are the outer loop.
// Ranges are inclusive and keep N inside the image.
template <class PairFn>
void RunSweepPasses(uint8_t *image, int width, int height, PairFn pair) {
    if (width < 2 || height < 2) return;
    const int W = width, H = height;
    const size_t stride = static_cast<size_t>(W) * 4;
    struct Pass {
        bool vertical;
        int x0, x1, dx, y0, y1, dy;
    };
    const Pass passes[8] = {
        {false, 0, W - 3, 1, 0, H - 3, 1},    // horizontal 1
        {false, W - 1, 2, -1, H - 1, 2, -1},  // horizontal 2
        {false, W - 1, 2, -1, 1, H - 2, 1},   // horizontal 3
        {false, 0, W - 3, 1, H - 1, 2, -1},   // horizontal 4
        {true, 0, W - 3, 1, 0, H - 3, 1},     // vertical 1
        {true, W - 1, 2, -1, H - 1, 2, -1},   // vertical 2
        {true, W - 1, 2, -1, 0, H - 3, 1},    // vertical 3
        {true, 0, W - 3, 1, H - 1, 2, -1},    // vertical 4
    };
    for (const Pass &s : passes) {
        const ptrdiff_t step = s.vertical ? static_cast<ptrdiff_t>(s.dy) * static_cast<ptrdiff_t>(stride) : 4 * s.dx;
        for (int y = s.y0; s.dy > 0 ? y <= s.y1 : y >= s.y1; y += s.dy) {
            uint8_t *row = image + static_cast<size_t>(y) * stride;
            for (int x = s.x0; s.dx > 0 ? x <= s.x1 : x >= s.x1; x += s.dx) {
                uint8_t *p = row + 4 * static_cast<size_t>(x);
                pair(p, p + step);
            }
        }
    }
}

// "Value Blur": the weight is k_light = trunc(q3 * 65535) where P is brighter
// than N and k_dark = trunc(q4 * 65535) where P is darker; equal brightness or
// a weight of 0 leave N alone. Small weights carry light (q3) or dark (q4)
// values far along the scan.
void ValueBlur() {
    OwnFilterParams &b = g_engine.filter;
    g_engine.filterKeep = 1;
    const int32_t kLight = WeightFromFraction(b.filterP3);
    const int32_t kDark = WeightFromFraction(b.filterP4);
    RunSweepPasses(b.filterTarget, b.filterWidth, b.filterHeight, [kLight, kDark](const uint8_t *p, uint8_t *n) {
        const int bp = Brightness(p), bn = Brightness(n);
        if (bp == bn) return;
        const int32_t k = bp > bn ? kLight : kDark;
        if (k == 0) return;
        BlendToward(n, p, k);
    });
}

using FilterFn = void (*)();

struct NamedFilter {
    const char *name;
    FilterFn run;
};

const NamedFilter kFilters[] = {
    {"Value Blur", ValueBlur},
};

void RunNamedFilter(const char *name) {
    if (name == nullptr) return;
    for (const NamedFilter &f : kFilters)
        if (std::strcmp(f.name, name) == 0) {
            f.run();
            return;
        }
}

void CopySourceToTargetWhenNotKept(int p1) {
    if (p1 != 0) return;
    const OwnFilterParams &b = g_engine.filter;
    const size_t bytes = static_cast<size_t>(b.filterWidth) * static_cast<size_t>(b.filterHeight) * 4;
    if (b.filterSource != b.filterTarget) std::memmove(b.filterTarget, b.filterSource, bytes);
}

}  // namespace

int RunOwnFilter(const char *name, int p1, int p2, int p3, int p4, int p5, int p6, int p7, int p8, int p9, int p10,
                 int p11, int p12, int p13, int p14, int p15, int p16, int red, int green, int blue) {
    if (g_engine.IPLSrcBuffer32 == nullptr || g_engine.IPLDstBuffer32 == nullptr) return 0;
    const int W = g_engine.canvasWidth, H = g_engine.canvasHeight;
    // The buffers are canvas-sized; refuse buffers that no longer match.
    const int64_t bytes = static_cast<int64_t>(W) * H * 4;
    if (W <= 0 || H <= 0 || g_engine.IPLSrcSize < bytes || g_engine.IPLDstSize < bytes) return 0;
    const FilterArgs a{{0, p1, p2, p3, p4, p5, p6, p7, p8, p9, p10, p11, p12, p13, p14, p15, p16}, red, green, blue};
    SetGeometry(g_engine.IPLSrcBuffer32, g_engine.IPLDstBuffer32, W, H);
    FillParameterBlock(a);
    g_engine.filter.filterP2 = p2;
    CopySourceToTargetWhenNotKept(p1);
    RunNamedFilter(name);
    return 1;
}

int RunOwnFilterOn(const void *source, void *target, int width, int height, const char *name, int p1, int p2, int p3,
                   int p4, int p5, int p6, int p7, int p8, int p9, int p10, int p11, int p12, int p13, int p14, int p15,
                   int p16, int red, int green, int blue) {
    if (source == nullptr || target == nullptr || width <= 0 || height <= 0) return 0;
    const FilterArgs a{{0, p1, p2, p3, p4, p5, p6, p7, p8, p9, p10, p11, p12, p13, p14, p15, p16}, red, green, blue};
    // The filters reached through this entry only read the source.
    SetGeometry(const_cast<uint8_t *>(static_cast<const uint8_t *>(source)), static_cast<uint8_t *>(target), width,
                height);
    FillParameterBlock(a);
    CopySourceToTargetWhenNotKept(p1);
    RunNamedFilter(name);
    return 1;
}
