// Step 9 of CompositePixel: the floating-point blend, one switch over the
// formula id. See composite_pixel.h for the precision of every store.
#include "composite/blend_formulas.h"
#include "core/color.h"

void HslModeColour(int32_t bm, int32_t r, int32_t g, int32_t b, const float Dca[3], float C[3]) {
    // Source from the unpremultiplied channels over 65280; destination from
    // the premultiplied channels as they are (not divided by Da).
    float sh, ss, sl, dh, ds, dl;
    RgbToHslF(static_cast<float>(static_cast<double>(r) * kInv65280),
              static_cast<float>(static_cast<double>(g) * kInv65280),
              static_cast<float>(static_cast<double>(b) * kInv65280), sh, ss, sl);
    RgbToHslF(Dca[0], Dca[1], Dca[2], dh, ds, dl);
    float h = sh, s = ss, l = dl;
    switch (bm) {
        case 19:  // Colorize: source hue and saturation, weighted destination lightness
            l = (3.0f * Dca[0] + 4.0f * Dca[1] + Dca[2]) * 0.125f;
            break;
        case 20:  // HSL Hue
            s = ds;
            break;
        case 21:  // HSL Sat
            h = dh;
            break;
        case 22:  // HSL Lum
            h = dh;
            s = ds;
            l = sl;
            break;
        default:  // 23 HSL Color
            break;
    }
    HslToRgbF(h, s, l, C[0], C[1], C[2]);
}

void BlendPremultiplied(int32_t bm, int32_t r, int32_t g, int32_t b, float Sa, const float Sca[3], float Da,
                        const float Dca[3], float Xca[3], float &XaOut) {
    const float iSa = 1.0f - Sa;
    const float iDa = 1.0f - Da;
    float Xa = iDa * Sa + Da;

    switch (bm) {
        case 1:
            for (int c = 0; c < 3; ++c) Xca[c] = FMultiply(Sca[c], Dca[c], iSa, iDa);
            break;
        case 2:
            for (int c = 0; c < 3; ++c) Xca[c] = FScreen(Sca[c], Dca[c]);
            break;
        case 3:
            for (int c = 0; c < 3; ++c) Xca[c] = FDarken(Sca[c], Dca[c], Sa, Da, iSa, iDa);
            break;
        case 4:
            for (int c = 0; c < 3; ++c) Xca[c] = FLighten(Sca[c], Dca[c], Sa, Da, iSa, iDa);
            break;
        case 5:
            for (int c = 0; c < 3; ++c) Xca[c] = FDifference(Sca[c], Dca[c], Sa, Da);
            break;
        case 6:
        case 7:
            for (int c = 0; c < 3; ++c) Xca[c] = FExclusion(Sca[c], Dca[c], Sa, Da, iSa, iDa);
            break;
        case 8:
            for (int c = 0; c < 3; ++c) {
                const float T = Sca[c] * iDa + Dca[c] * iSa;
                Xca[c] = FOverlayLike(2.0f * Dca[c] < Da, Sca[c], Dca[c], Sa, Da, T);
            }
            break;
        case 9:
            for (int c = 0; c < 3; ++c) {
                const float T = Sca[c] * iDa + Dca[c] * iSa;
                Xca[c] = FOverlayLike(2.0f * Sca[c] < Sa, Sca[c], Dca[c], Sa, Da, T);
            }
            break;
        case 10:
            for (int c = 0; c < 3; ++c) Xca[c] = FSoftLight(Sca[c], Dca[c], Sa, Da, Sca[c] * iDa + Dca[c] * iSa);
            break;
        case 11:
            for (int c = 0; c < 3; ++c) Xca[c] = FDodge(Sca[c], Dca[c], Sa, Da, Sca[c] * iDa + Dca[c] * iSa);
            break;
        case 12:
            for (int c = 0; c < 3; ++c) Xca[c] = FBurn(Sca[c], Dca[c], Sa, Da, Sca[c] * iDa + Dca[c] * iSa);
            break;
        case 15:  // Add: Sca + Dca, Xa = Sa + Da
            for (int c = 0; c < 3; ++c) Xca[c] = Sca[c] + Dca[c];
            Xa = Sa + Da;
            break;
        case 16:  // Subtract: Sca + Dca - Sa Da, Xa = Sa + Da
            for (int c = 0; c < 3; ++c) Xca[c] = Sca[c] + Dca[c] - Sa * Da;
            Xa = Sa + Da;
            break;
        case 17:    // Color: Sca + (L - 0.5) Sa + Dca(1 - Sa), Xa = Da
        case 18: {  // Hard Color: the shift 1.75 times stronger
            const float L = (Dca[0] + Dca[1] + Dca[2]) * kThird;
            for (int c = 0; c < 3; ++c) {
                Xca[c] = bm == 17 ? Sca[c] + (L - 0.5f) * Sa + Dca[c] * iSa
                                  : Sca[c] + (L - 0.5f) * 1.75f * Sa + Dca[c] * iSa;
            }
            Xa = Da;
            break;
        }
        case 19:
        case 20:
        case 21:
        case 22:
        case 23: {  // Dca(1 - Sa) + C Sa, Xa = Da
            float C[3];
            HslModeColour(bm, r, g, b, Dca, C);
            for (int c = 0; c < 3; ++c) Xca[c] = Dca[c] * iSa + C[c] * Sa;
            Xa = Da;
            break;
        }
        case 24:    // Texturize: Dc + (Lt - 0.5) 1.75 Sa, Xa = Da
        case 25: {  // Texturize2: Dc + (Ls - 0.5) 1.75 Sa, Xa = Da
            const float Ls = static_cast<float>(static_cast<double>(r + g + b) * kInv195840);
            float Dc[3];
            for (int c = 0; c < 3; ++c) Dc[c] = Dca[c] / Da;
            float shift = Ls - 0.5f;
            if (bm == 24) {
                const float k = (Ls - 0.5f) * Sa;
                const float Lt = ((Dc[0] + k) + (Dc[1] + k) + (Dc[2] + k)) * kThird;
                shift = Lt - 0.5f;
            }
            for (int c = 0; c < 3; ++c) Xca[c] = Dc[c] + shift * 1.75f * Sa;
            Xa = Da;
            break;
        }
        case 26:  // Texturize3: the destination unchanged
            for (int c = 0; c < 3; ++c) Xca[c] = Dca[c];
            Xa = Da;
            break;
        default:  // Normal, and 13, 14, 27 and up
            for (int c = 0; c < 3; ++c) Xca[c] = FNormal(Sca[c], Dca[c], iSa);
            break;
    }
    XaOut = Xa;
}

PixelRGBA BlendFloat(int32_t bm, int32_t r, int32_t g, int32_t b, uint32_t a, uint32_t R, uint32_t G, uint32_t B,
                     uint32_t A) {
    const float Sa = UnitAlpha(a);
    const float Da = UnitAlpha(A);
    const float Sca[3] = {Premultiply(r, Sa), Premultiply(g, Sa), Premultiply(b, Sa)};
    const float Dca[3] = {Premultiply(static_cast<int32_t>(R), Da), Premultiply(static_cast<int32_t>(G), Da),
                          Premultiply(static_cast<int32_t>(B), Da)};
    float Xca[3];
    float Xa;
    BlendPremultiplied(bm, r, g, b, Sa, Sca, Da, Dca, Xca, Xa);
    if (!(Xa >= 0.0f)) Xa = 0.0f;
    if (Xa > 1.0f) Xa = 1.0f;
    return PixelRGBA{ChannelOut(Xca[0], Xa), ChannelOut(Xca[1], Xa), ChannelOut(Xca[2], Xa), AlphaOut(Xa)};
}
