#include "core/color.h"

#include <algorithm>
#include <cmath>

namespace {

// trunc(f * 255), low byte kept. Values no integer can hold give 0.
uint8_t UnitToByteWrap(double f) {
    const double v = std::trunc(f * 255.0);
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(v) & 0xFF);
}

// trunc(f * 255) clamped to 0..255.
uint8_t UnitToByteClamp(double f) {
    const double v = std::trunc(f * 255.0);
    if (!(v > 0.0)) return 0;  // negative and NaN
    if (v > 255.0) return 255;
    return static_cast<uint8_t>(v);
}

double HueToChannel(double m1, double m2, double x) {
    if (x > 360.0)
        x -= 360.0;
    else if (x < 0.0)
        x += 360.0;
    if (x < 60.0) return m1 + (m2 - m1) * x / 60.0;
    if (x < 180.0) return m2;
    if (x < 240.0) return m1 + (m2 - m1) * (240.0 - x) / 60.0;
    return m1;
}

double LabF(double t) { return t > 0.008856 ? std::pow(t, 1.0 / 3.0) : 7.787 * t + 16.0 / 116.0; }

double LabFInverse(double t) {
    const double cube = t * t * t;
    return cube > 0.008856 ? cube : (t - 16.0 / 116.0) / 7.787;
}

double Linearise(double c) { return c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92; }

double Compand(double v) { return v > 0.0031308 ? 1.055 * std::pow(v, 1.0 / 2.4) - 0.055 : 12.92 * v; }

}  // namespace

void RgbToHsv(int r, int g, int b, double &h, double &s, double &v) {
    const double R = r * kByteToUnit, G = g * kByteToUnit, B = b * kByteToUnit;
    const double mx = std::max({R, G, B});
    const double mn = std::min({R, G, B});
    v = mx;
    const double delta = mx - mn;
    if (delta == 0.0) {
        h = -1.0;
        s = 0.0;
        return;
    }
    s = delta / mx;
    double hp;
    if (R == mx)
        hp = (G - B) / delta;
    else if (G == mx)
        hp = (B - R) / delta + 2.0;
    else
        hp = (R - G) / delta + 4.0;
    h = 60.0 * hp;
    if (h < 0.0) h += 360.0;
}

void HsvToRgb(double h, double s, double v, uint8_t &r, uint8_t &g, uint8_t &b) {
    if (s == 0.0) {
        r = g = b = UnitToByteWrap(v);
        return;
    }
    double hp = h == 360.0 ? 0.0 : h;
    hp /= 60.0;
    const double fi = std::floor(hp);
    const double f = hp - fi;
    const double p = v * (1.0 - s);
    const double q = v * (1.0 - s * f);
    const double t = v * (1.0 - s * (1.0 - f));
    double R, G, B;
    const int i = (fi >= 0.0 && fi < 6.0) ? static_cast<int>(fi) : -1;
    switch (i) {
        case 0: R = v, G = t, B = p; break;
        case 1: R = q, G = v, B = p; break;
        case 2: R = p, G = v, B = t; break;
        case 3: R = p, G = q, B = v; break;
        case 4: R = t, G = p, B = v; break;
        case 5: R = v, G = p, B = q; break;
        default: R = G = B = s; break;  // hue outside 0..360: saturation as grey
    }
    r = UnitToByteWrap(R);
    g = UnitToByteWrap(G);
    b = UnitToByteWrap(B);
}

void RgbToHsl(int r, int g, int b, double &h, double &s, double &l) {
    const double R = r * kByteToUnit, G = g * kByteToUnit, B = b * kByteToUnit;
    const double mx = std::max({R, G, B});
    const double mn = std::min({R, G, B});
    l = (mx + mn) / 2.0;
    const double delta = mx - mn;
    if (delta == 0.0) {
        s = 0.0;
        h = 0.0;
        return;
    }
    s = l < 0.5 ? delta / (mx + mn) : delta / (2.0 - mx - mn);
    const double sixth = 0.16666666666666666;
    const double dR = ((mx - R) * sixth + delta / 2.0) / delta;
    const double dG = ((mx - G) * sixth + delta / 2.0) / delta;
    const double dB = ((mx - B) * sixth + delta / 2.0) / delta;
    double H = 0.0;
    if (R == mx)
        H = dB - dG;
    else if (G == mx)
        H = 1.0 / 3.0 + dR - dB;
    else if (B == mx)
        H = 2.0 / 3.0 + dG - dR;
    if (H < 0.0) H += 1.0;
    if (H > 1.0) H -= 1.0;
    h = H * 360.0;
}

void HslToRgb(double h, double s, double l, uint8_t &r, uint8_t &g, uint8_t &b) {
    if (s == 0.0) {
        r = g = b = UnitToByteWrap(l);
        return;
    }
    const double m2 = l < 0.5 ? l * (1.0 + s) : (l + s) - s * l;
    const double m1 = 2.0 * l - m2;
    r = UnitToByteWrap(HueToChannel(m1, m2, h + 120.0));
    g = UnitToByteWrap(HueToChannel(m1, m2, h));
    b = UnitToByteWrap(HueToChannel(m1, m2, h - 120.0));
}

// Single precision: the same steps on floats. The thirds are double constants,
// so those sums are formed in double and stored as float; a pure red may come
// out as 360 instead of 0, which every user treats alike.
void RgbToHslF(float r, float g, float b, float &h, float &s, float &l) {
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    l = (mx + mn) / 2.0f;
    const float delta = mx - mn;
    if (delta == 0.0f) {
        s = 0.0f;
        h = 0.0f;
        return;
    }
    s = l < 0.5f ? delta / (mx + mn) : delta / (2.0f - mx - mn);
    const float sixth = 0.16666667f;
    const float dR = ((mx - r) * sixth + delta / 2.0f) / delta;
    const float dG = ((mx - g) * sixth + delta / 2.0f) / delta;
    const float dB = ((mx - b) * sixth + delta / 2.0f) / delta;
    float H = 0.0f;
    if (r == mx)
        H = dB - dG;
    else if (g == mx)
        H = static_cast<float>(1.0 / 3.0 + dR - dB);
    else if (b == mx)
        H = static_cast<float>(2.0 / 3.0 + dG - dR);
    if (H < 0.0f) H += 1.0f;
    if (H > 1.0f) H -= 1.0f;
    h = H * 360.0f;
}

float HueToChannelF(float m1, float m2, float x) {
    if (x > 360.0f)
        x -= 360.0f;
    else if (x < 0.0f)
        x += 360.0f;
    if (x < 60.0f) return m1 + (m2 - m1) * x / 60.0f;
    if (x < 180.0f) return m2;
    if (x < 240.0f) return m1 + (m2 - m1) * (240.0f - x) / 60.0f;
    return m1;
}

void HslToRgbF(float h, float s, float l, float &r, float &g, float &b) {
    if (s == 0.0f) {
        r = g = b = l;
        return;
    }
    const float m2 = l < 0.5f ? l * (1.0f + s) : (l + s) - s * l;
    const float m1 = 2.0f * l - m2;
    r = HueToChannelF(m1, m2, h + 120.0f);
    g = HueToChannelF(m1, m2, h);
    b = HueToChannelF(m1, m2, h - 120.0f);
}

void RgbToXyz(int r, int g, int b, double &X, double &Y, double &Z) {
    const double R = Linearise(r * kByteToUnit) * 100.0;
    const double G = Linearise(g * kByteToUnit) * 100.0;
    const double B = Linearise(b * kByteToUnit) * 100.0;
    X = 0.4124 * R + 0.3576 * G + 0.1805 * B;
    Y = 0.2126 * R + 0.7152 * G + 0.0722 * B;
    Z = 0.0193 * R + 0.1192 * G + 0.9505 * B;
    if (X < 0.0) X = 0.0;
    if (Y < 0.0) Y = 0.0;
    if (Z < 0.0) Z = 0.0;
}

void XyzToLab(double X, double Y, double Z, double &L, double &a, double &b) {
    const double fx = LabF(X / 95.047);
    const double fy = LabF(Y / 100.0);
    const double fz = LabF(Z / 108.883);
    L = 116.0 * fy - 16.0;
    a = 500.0 * (fx - fy);
    b = 200.0 * (fy - fz);
}

void LabToXyz(double L, double a, double b, double &X, double &Y, double &Z) {
    const double fy = (L + 16.0) / 116.0;
    const double fx = fy + a / 500.0;
    const double fz = fy - b / 200.0;
    X = 95.047 * LabFInverse(fx);
    Y = 100.0 * LabFInverse(fy);
    Z = 108.883 * LabFInverse(fz);
    if (X < 0.0) X = 0.0;
    if (Y < 0.0) Y = 0.0;
    if (Z < 0.0) Z = 0.0;
}

void XyzToRgb(double X, double Y, double Z, uint8_t &r, uint8_t &g, uint8_t &b) {
    const double x = X / 100.0, y = Y / 100.0, z = Z / 100.0;
    const double R = 3.2406 * x - 1.5372 * y - 0.4986 * z;
    const double G = -0.9689 * x + 1.8758 * y + 0.0415 * z;
    const double B = 0.0557 * x - 0.2040 * y + 1.0570 * z;
    r = UnitToByteClamp(Compand(R));
    g = UnitToByteClamp(Compand(G));
    b = UnitToByteClamp(Compand(B));
}

void LabToRgb(double L, double a, double b, uint8_t &r, uint8_t &g, uint8_t &bl) {
    double X, Y, Z;
    LabToXyz(L, a, b, X, Y, Z);
    XyzToRgb(X, Y, Z, r, g, bl);
}

void CmyToCmyk(double c, double m, double y, double &oc, double &om, double &oy, double &k) {
    const double K = std::min({1.0, c, m, y});
    if (K == 1.0) {
        oc = om = oy = 0.0;
    } else {
        oc = (c - K) / (1.0 - K);
        om = (m - K) / (1.0 - K);
        oy = (y - K) / (1.0 - K);
    }
    k = K;
}

void CmykToRgb(double c, double m, double y, double k, uint8_t &r, uint8_t &g, uint8_t &b) {
    CmyToRgb(k + (1.0 - k) * c, k + (1.0 - k) * m, k + (1.0 - k) * y, r, g, b);
}

void CmyToRgb(double c, double m, double y, uint8_t &r, uint8_t &g, uint8_t &b) {
    r = UnitToByteWrap(1.0 - c);
    g = UnitToByteWrap(1.0 - m);
    b = UnitToByteWrap(1.0 - y);
}
