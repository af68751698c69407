// The pieces of CompositePixel: the alpha-mode transforms (integer) and the
// floating-point blend with one small per-channel function per formula. The
// fixed-point rules they follow are written down in composite_pixel.h.
#pragma once
#include <cmath>
#include <cstdint>

#include "composite/composite_pixel.h"

constexpr int32_t kModeNormalId = 0;
constexpr int32_t kFirstAlphaModeId = 28;
constexpr int32_t kLastAlphaModeId = 49;

// 1/65535 and 1/65280 as the double constants the blend multiplies by, and
// 1/195840 (3 x 65280) for the source luminance of the texture modes.
constexpr double kInv65535 = 1.5259021896696422e-05;
constexpr double kInv65280 = 1.5318627450980392e-05;
constexpr double kInv195840 = 5.106209150326797e-06;
constexpr float kThird = 0.33333334f;  // the float nearest one third

// ---- Alpha-mode transforms ------------------------------------------------

struct AlphaTransformed {
    int32_t r, g, b;
    uint32_t a;
    int32_t bm;              // the formula in use afterwards
    bool destAsTransparent;  // treat the destination alpha as 0 for this pixel
};

// "Shade": a below 32767 darkens each channel by 2 x (32767 - a) (not below
// 0); a of 32767 or more lightens it by 2 x a - 65534 (not above 65535).
inline int32_t ShadeChannel(int32_t c, uint32_t a) {
    if (a < 32767) {
        const int32_t d = 2 * (32767 - static_cast<int32_t>(a));
        return c < d ? 0 : c - d;
    }
    const int32_t e = 2 * static_cast<int32_t>(a) - 65534;
    const int32_t v = c + e;
    return v > 65535 ? 65535 : v;
}

// Ramp: below 8191 nothing, from 9215 the alpha-layer opacity P, in between
// 65535 - min(65535, (9215 - a) x 64), rising over 1024 steps.
inline uint32_t RampAlpha(uint32_t a, uint32_t P) {
    if (a < 8191) return 0;
    if (a >= 9215) return P;
    const uint32_t drop = (9215 - a) * 64u;
    return 65535u - (drop < 65535u ? drop : 65535u);
}

// Luminance shading of one channel by the alpha (ids 40 to 44). Lightening
// moves c towards 65535 and is limited to 65535; darkening moves it towards 0
// and may go below 0 only where the alpha later becomes 0.
inline int32_t LumShadeChannel(int32_t mode, int32_t c, uint32_t a) {
    const int64_t cc = c;
    const int64_t aa = a;
    int64_t v;
    if (mode == 42 || mode == 43) {
        if (aa > 36862) {
            v = cc + (65535 - cc) * (aa - 36862) / 28672;
        } else {
            v = cc - cc * (36862 - aa) / 30000;
        }
    } else if (aa > 32767) {
        v = cc + (65535 - cc) * (aa - 32767) / 32767;
    } else if (mode == 41) {
        v = cc - cc * (32767 - aa) / 65535;
    } else {
        v = cc - cc * (32767 - aa) / 32767;
    }
    return static_cast<int32_t>(v > 65535 ? 65535 : v);
}

// The transform of an alpha mode (m in 28..49), P = alphaLayerOpacity.
inline AlphaTransformed ApplyAlphaTransform(int32_t m, int32_t r, int32_t g, int32_t b, uint32_t a, uint32_t P,
                                            bool sameMode) {
    AlphaTransformed t{r, g, b, a, m, false};
    if (sameMode) {
        // Same alpha mode on both sides: keep the raw alpha data by letting
        // the untransformed source replace the destination.
        switch (m) {
            case 39: case 43: case 44:
                if (a < 8191) t.a = 0;
                else if (a >= 9215) t.destAsTransparent = true;
                else t.bm = 1;  // Multiply
                return t;
            case 40: case 41: case 42:
                if (a >= 8191) t.destAsTransparent = true;
                else t.a = 0;
                return t;
            case 46:
                if (a > 32512) t.destAsTransparent = true;
                else t.a = 0;
                return t;
            case 47: case 48: case 49:
                break;  // as without the flag
            default:  // 28..38, 45
                if (a > 0) t.destAsTransparent = true;
                return t;
        }
    }
    switch (m) {
        case 28:  // Alpha Normal
            break;
        case 29:  // Alpha Filter: inverted alpha in white, transparent becomes opaque
            t.r = t.g = t.b = 65535;
            t.a = 65535 - a;
            break;
        case 30: case 45:  // black outline where partly transparent
            if (a >= 1 && a <= 65279) {
                t.r = t.g = t.b = 0;
                t.a = P;
            }
            break;
        case 31: case 32:
            if (a > 0) t.a = a >= 12287 ? P : 65535 - a;
            break;
        case 33:
            if (a > 0) t.a = 65535 - a;
            break;
        case 34:
            if (a > 0) {
                t.r = t.g = t.b = static_cast<int32_t>(a);
                t.a = P;
            }
            break;
        case 35: case 36:
            if (a > 0) {
                t.r = ShadeChannel(r, a);
                t.g = ShadeChannel(g, a);
                t.b = ShadeChannel(b, a);
                t.a = P;
                if (m == 36) t.bm = 25;
            }
            break;
        case 37:
            if (a > 0) {
                if (a >= 32767) {
                    t.r = ShadeChannel(r, a);
                    t.g = ShadeChannel(g, a);
                    t.b = ShadeChannel(b, a);
                    t.a = P;
                } else {
                    const uint32_t d = 2u * (32767u - a);
                    t.a = a < d ? 0 : a - d;
                }
                t.bm = 25;
            }
            break;
        case 38:
            if (a > 0) {
                if (a >= 32767) {
                    t.a = P;
                } else {
                    const uint32_t d = 4u * (32767u - a);
                    t.a = a < d ? 0 : a - d;
                }
            }
            break;
        case 39:
            if (a > 0) t.a = RampAlpha(a, P);
            break;
        case 40: case 41: case 42:
            t.r = LumShadeChannel(m, r, a);
            t.g = LumShadeChannel(m, g, a);
            t.b = LumShadeChannel(m, b, a);
            if (a > 0) t.a = a >= 8191 ? P : 0;
            break;
        case 43: case 44:
            t.r = LumShadeChannel(m, r, a);
            t.g = LumShadeChannel(m, g, a);
            t.b = LumShadeChannel(m, b, a);
            if (a > 0) t.a = RampAlpha(a, P);
            break;
        case 46:  // Alpha Highlight
            if (a > 32512) t.a = 0;
            break;
        case 47:  // Layer Mask: invisible itself
            t.a = 0;
            break;
        case 48:  // Luminance Alpha
            t.a = static_cast<uint32_t>(r + g + b) / 3u;
            t.r = t.g = t.b = 65535;
            break;
        case 49:  // Luminance Alpha Invert
            t.a = 65535u - static_cast<uint32_t>(r + g + b) / 3u;
            t.r = t.g = t.b = 0;
            break;
        default:
            break;
    }
    return t;
}

// ---- Floating-point blend ---------------------------------------------------

// Sa = a / 65535: double product stored as float.
inline float UnitAlpha(uint32_t a) { return static_cast<float>(static_cast<double>(a) * kInv65535); }

// Sca = c x Sa / 65280: float product c x Sa, then the double constant.
inline float Premultiply(int32_t c, float alpha) {
    return static_cast<float>(static_cast<double>(static_cast<float>(c) * alpha) * kInv65280);
}

// The channel leaving the blend: trunc(clamp(Xca / Xa, 0, 1) x 65280.0).
inline uint32_t ChannelOut(float xca, float xa) {
    float q = xca / xa;
    if (!(q >= 0.0f)) q = 0.0f;  // also NaN
    if (q > 1.0f) q = 1.0f;
    return static_cast<uint32_t>(static_cast<double>(q) * 65280.0);
}

// The alpha leaving the blend: trunc(clamp(Xa, 0, 1) x 65535.0).
inline uint32_t AlphaOut(float xa) {
    if (!(xa >= 0.0f)) xa = 0.0f;
    if (xa > 1.0f) xa = 1.0f;
    return static_cast<uint32_t>(static_cast<double>(xa) * 65535.0);
}

// Per-channel formulas on premultiplied values; T = Sca(1 - Da) + Dca(1 - Sa).

// Normal: Sca + Dca(1 - Sa)
inline float FNormal(float Sca, float Dca, float iSa) { return Sca + Dca * iSa; }
// Multiply: Sca Dca + Sca(1 - Da) + Dca(1 - Sa)
inline float FMultiply(float Sca, float Dca, float iSa, float iDa) { return Sca * Dca + Sca * iDa + Dca * iSa; }
// Screen: Sca + Dca - Sca Dca
inline float FScreen(float Sca, float Dca) { return Sca + Dca - Sca * Dca; }
// Darken: the smaller of the two laid over each other
inline float FDarken(float Sca, float Dca, float Sa, float Da, float iSa, float iDa) {
    return Dca * Sa <= Sca * Da ? Dca + Sca * iDa : Sca + Dca * iSa;
}
// Lighten: the larger of the two laid over each other
inline float FLighten(float Sca, float Dca, float Sa, float Da, float iSa, float iDa) {
    return Sca * Da <= Dca * Sa ? Dca + Sca * iDa : Sca + Dca * iSa;
}
// Difference: Sca + Dca - 2 min(Sca Da, Dca Sa)
inline float FDifference(float Sca, float Dca, float Sa, float Da) {
    const float x = Sca * Da, y = Dca * Sa;
    return Sca + Dca - 2.0f * (x < y ? x : y);
}
// Negation and Exclusion: (Sca Da + Dca Sa - 2 Sca Dca) + Sca(1 - Da) + Dca(1 - Sa)
inline float FExclusion(float Sca, float Dca, float Sa, float Da, float iSa, float iDa) {
    return (Sca * Da + Dca * Sa - 2.0f * Sca * Dca) + Sca * iDa + Dca * iSa;
}
// Overlay (test on the destination) and Hard Light (test on the source):
// 2 Sca Dca + T, or Sa Da - 2(Da - Dca)(Sa - Sca) + T
inline float FOverlayLike(bool low, float Sca, float Dca, float Sa, float Da, float T) {
    return low ? 2.0f * Sca * Dca + T : Sa * Da - 2.0f * (Da - Dca) * (Sa - Sca) + T;
}
// Soft Light with m = Dca / Da, three regions.
inline float FSoftLight(float Sca, float Dca, float Sa, float Da, float T) {
    const float m = Dca / Da;
    if (2.0f * Sca < Sa) return Dca * (Sa + (2.0f * Sca - Sa) * (1.0f - m)) + T;
    if (8.0f * Dca <= Da) return Dca * (Sa + (2.0f * Sca - Sa) * (3.0f - 8.0f * m) * (1.0f - m)) + T;
    return Dca * Sa + (2.0f * Sca - Sa) * (Da * std::sqrt(m) - Dca) + T;
}
// Dodge: Dca Sa / (1 - Sca / Sa) + T while Sa Da > Sca Da + Dca Sa, else Sa Da + T
inline float FDodge(float Sca, float Dca, float Sa, float Da, float T) {
    if (Sa * Da > Sca * Da + Dca * Sa) return Dca * Sa / (1.0f - Sca / Sa) + T;
    return Sa * Da + T;
}
// Burn: Sa (Sca Da + Dca Sa - Sa Da) / Sca + T while Sca Da + Dca Sa > Sa Da, else T
inline float FBurn(float Sca, float Dca, float Sa, float Da, float T) {
    const float sum = Sca * Da + Dca * Sa;
    if (sum > Sa * Da) return Sa * (sum - Sa * Da) / Sca + T;
    return T;
}

// The HSL modes' colour C for ids 19..23 (declared here, defined with the
// single-precision conversions).
void HslModeColour(int32_t bm, int32_t r, int32_t g, int32_t b, const float Dca[3], float C[3]);

// The formula bm on premultiplied values: Xca per channel and the unclamped
// result alpha Xa. (r, g, b) is the unpremultiplied source, read by the HSL
// and texture formulas. The view renderer calls this with its floating-point
// accumulator as the destination.
void BlendPremultiplied(int32_t bm, int32_t r, int32_t g, int32_t b, float Sa, const float Sca[3], float Da,
                        const float Dca[3], float Xca[3], float &Xa);

// Step 9 of CompositePixel for formula bm: source (r, g, b, a), destination
// (R, G, B, A), both alphas above 0.
PixelRGBA BlendFloat(int32_t bm, int32_t r, int32_t g, int32_t b, uint32_t a, uint32_t R, uint32_t G, uint32_t B,
                     uint32_t A);
