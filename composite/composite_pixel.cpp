// CompositePixel: the per-pixel compositing rule. The fixed-point rules are
// written down in composite_pixel.h; this file follows them step by step:
//   1 transparent source (modes up to 27) writes nothing
//   2 mask grey scales the alpha, 3 pre-opacity, 4 alpha-mode transform,
//   5 opacity, 6 transparent destination, 7 transparent result,
//   8 opaque Normal source replaces, 9 floating-point blend, 10 store.
#include "composite/composite_pixel.h"

#include <cmath>

#include "composite/blend_formulas.h"
#include "core/engine_state.h"

CompositeOptions MakeCompositeOptions(int mode, int preOpacity, int opacity, bool keepDestAlpha, bool sameModeMerge,
                                      bool destTestUsesLayerMode) {
    CompositeOptions o;
    o.mode = mode;
    o.preOpacity = static_cast<uint32_t>(preOpacity < 0 ? 0 : (preOpacity > 255 ? 255 : preOpacity));
    o.opacity = opacity < 0 ? 0 : opacity;
    o.alphaLayerOpacity = g_engine.alphaLayerOpacity;
    o.keepDestAlpha = keepDestAlpha;
    o.sameModeMerge = sameModeMerge;
    o.destTestUsesLayerMode = destTestUsesLayerMode;
    return o;
}

namespace {

// Step 6: modes whose result over a transparent destination is transparent.
inline bool ClearsTransparentDest(int32_t mode) {
    return mode == 17 || mode == 18 || mode == 24 || mode == 25 || mode == 26;
}

}  // namespace

bool CompositePixel(PixelRGBA src, PixelRGBA &dst, const uint16_t *mask, const CompositeOptions &opt) {
    const int32_t m = opt.mode;
    uint32_t a = src.a;
    // 1. A transparent source of a colour mode leaves the destination alone;
    //    the alpha modes still run (an "Alpha Filter" paints where a is 0).
    if (a == 0 && m <= 27) return false;
    // 2. Layer mask: the plain grey of the mask pixel scales the alpha.
    if (mask != nullptr && mask[3] > 0) {
        const uint32_t grey = (static_cast<uint32_t>(mask[0]) + mask[1] + mask[2]) / 3u;
        a = (grey * a) >> 16;
    }
    // 3. Pre-opacity.
    a = ((opt.preOpacity + 1u) * a) >> 8;

    int32_t r = static_cast<int32_t>(src.r), g = static_cast<int32_t>(src.g), b = static_cast<int32_t>(src.b);
    uint32_t A = dst.a;
    int32_t bm = m;
    // 4. Alpha modes reinterpret the source alpha.
    if (m >= kFirstAlphaModeId && m <= kLastAlphaModeId) {
        AlphaTransformed t = ApplyAlphaTransform(m, r, g, b, a, opt.alphaLayerOpacity, opt.sameModeMerge);
        r = t.r;
        g = t.g;
        b = t.b;
        a = t.a;
        bm = t.bm;
        if (t.destAsTransparent) A = 0;
    }
    // 5. Opacity.
    a = ScaleByOpacity(a, opt.opacity);

    PixelRGBA out;
    if (A == 0) {
        // 6. Transparent destination: the source is laid down as it is.
        const int32_t tested = opt.destTestUsesLayerMode ? m : bm;
        if (ClearsTransparentDest(tested) || a == 0) {
            out = PixelRGBA{0, 0, 0, 0};
        } else {
            out = PixelRGBA{static_cast<uint32_t>(r), static_cast<uint32_t>(g), static_cast<uint32_t>(b), a};
        }
    } else if (a == 0) {
        // 7. Nothing left of the source.
        return true;
    } else if (bm == kModeNormalId && a >= 65280) {
        // 8. Opaque Normal source replaces the destination, alpha included.
        out = PixelRGBA{static_cast<uint32_t>(r), static_cast<uint32_t>(g), static_cast<uint32_t>(b), a};
    } else {
        // 9. Floating-point blend.
        out = BlendFloat(bm, r, g, b, a, dst.r, dst.g, dst.b, A);
    }
    // 10. Store.
    dst.r = out.r;
    dst.g = out.g;
    dst.b = out.b;
    if (!opt.keepDestAlpha) dst.a = out.a;
    return true;
}
