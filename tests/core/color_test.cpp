// Colour conversions against values worked out by hand from the formulas.
#include <gtest/gtest.h>

#include <cmath>

#include "core/color.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb Bytes(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }

void ExpectRgb(Rgb got, Rgb want) {
    EXPECT_EQ(got.r, want.r);
    EXPECT_EQ(got.g, want.g);
    EXPECT_EQ(got.b, want.b);
}

TEST(ColorTest, RgbToHsvCases) {
    double h, s, v;
    RgbToHsv(128, 128, 128, h, s, v);  // achromatic: hue -1
    EXPECT_EQ(h, -1.0);
    EXPECT_EQ(s, 0.0);
    EXPECT_NEAR(v, 128.0 / 255.0, 1e-15);
    RgbToHsv(255, 0, 0, h, s, v);
    EXPECT_NEAR(h, 0.0, 1e-12);
    EXPECT_NEAR(s, 1.0, 1e-12);
    EXPECT_NEAR(v, 1.0, 1e-12);
    // max R = 200/255, delta = 100/255: S = 0.5, H' = (100-150)/100 = -0.5, H = -30 + 360.
    RgbToHsv(200, 100, 150, h, s, v);
    EXPECT_NEAR(h, 330.0, 1e-9);
    EXPECT_NEAR(s, 0.5, 1e-12);
    EXPECT_NEAR(v, 0.7843137254901961, 1e-12);
}

struct HsvCase {
    double h, s, v;
    Rgb want;
};

TEST(ColorTest, HsvToRgbCases) {
    const HsvCase cases[] = {
        {30, 0.5, 0.8, {204, 153, 102}},   // i=0: (v, t, p) = (.8, .6, .4)
        {360, 1, 1, {255, 0, 0}},          // 360 becomes 0
        {-1, 0.5, 0.8, {127, 127, 127}},   // hue outside: trunc(0.5 * 255)
        {200, 0, 0.5, {127, 127, 127}},    // s = 0: trunc(0.5 * 255)
        {240, 1, 1, {0, 0, 255}},          // i=4: (t, p, v), f = 0
    };
    for (const auto &c : cases) {
        uint8_t r, g, b;
        HsvToRgb(c.h, c.s, c.v, r, g, b);
        SCOPED_TRACE(c.h);
        ExpectRgb(Bytes(r, g, b), c.want);
    }
}

TEST(ColorTest, RgbToHslCases) {
    double h, s, l;
    RgbToHsl(128, 128, 128, h, s, l);
    EXPECT_EQ(h, 0.0);  // HSL's undefined hue is 0, not -1
    EXPECT_EQ(s, 0.0);
    EXPECT_NEAR(l, 128.0 / 255.0, 1e-15);
    // (0, 255, 0): L = .5, S = 1/(2-1) = 1, G max: H = 1/3 + dR - dB = 1/3 -> 120.
    RgbToHsl(0, 255, 0, h, s, l);
    EXPECT_NEAR(h, 120.0, 1e-9);
    EXPECT_NEAR(s, 1.0, 1e-12);
    EXPECT_NEAR(l, 0.5, 1e-12);
}

struct HslCase {
    double h, s, l;
    Rgb want;
};

TEST(ColorTest, HslToRgbCases) {
    const HslCase cases[] = {
        // m2 = .75, m1 = .25: red hue 90 -> m2, green 330 -> m1, blue 210 -> .5
        {330, 0.5, 0.5, {191, 63, 127}},
        // m2 = 1, m1 = 0: red 90 -> 1, green -30 -> 330 -> 0, blue -150 -> 210 -> 0.5
        {-30, 1, 0.5, {255, 0, 127}},
        // red 510 -> 150 -> 1, green 390 -> 30 -> 0.5, blue 270 -> 0
        {390, 1, 0.5, {255, 127, 0}},
        {10, 0, 0.2, {51, 51, 51}},
    };
    for (const auto &c : cases) {
        uint8_t r, g, b;
        HslToRgb(c.h, c.s, c.l, r, g, b);
        SCOPED_TRACE(c.h);
        ExpectRgb(Bytes(r, g, b), c.want);
    }
}

TEST(ColorTest, SinglePrecisionHslRoundTrip) {
    float h, s, l, r, g, b;
    RgbToHslF(1.0f, 0.5f, 0.0f, h, s, l);  // orange: H = 30
    EXPECT_NEAR(h, 30.0f, 1e-4f);
    EXPECT_FLOAT_EQ(s, 1.0f);
    EXPECT_FLOAT_EQ(l, 0.5f);
    HslToRgbF(h, s, l, r, g, b);
    EXPECT_NEAR(r, 1.0f, 1e-6f);
    EXPECT_NEAR(g, 0.5f, 1e-5f);
    EXPECT_NEAR(b, 0.0f, 1e-6f);
    HslToRgbF(0.0f, 0.0f, 0.25f, r, g, b);
    EXPECT_EQ(r, 0.25f);
    EXPECT_EQ(b, 0.25f);
    // Thresholds are strict: 60 falls in the flat part.
    EXPECT_EQ(HueToChannelF(0.0f, 1.0f, 60.0f), 1.0f);
    EXPECT_EQ(HueToChannelF(0.0f, 1.0f, 240.0f), 0.0f);
    EXPECT_EQ(HueToChannelF(0.0f, 1.0f, 30.0f), 0.5f);
}

TEST(ColorTest, XyzAndLab) {
    double X, Y, Z;
    RgbToXyz(255, 255, 255, X, Y, Z);
    EXPECT_NEAR(X, 95.05, 1e-9);
    EXPECT_NEAR(Y, 100.0, 1e-9);
    EXPECT_NEAR(Z, 108.9, 1e-9);
    XyzToLab(X, Y, Z, X, Y, Z);  // in place, as the Lab path uses it
    EXPECT_NEAR(X, 100.0, 1e-9);
    EXPECT_NEAR(Y, 0.0, 0.011);
    EXPECT_NEAR(Z, 0.0, 0.011);
}

TEST(ColorTest, LabRoundTripsTruncate) {
    const Rgb cases[][2] = {
        {{255, 0, 0}, {254, 0, 0}},
        {{128, 64, 32}, {127, 64, 32}},
        {{10, 10, 10}, {10, 10, 10}},
    };
    for (const auto &c : cases) {
        double X, Y, Z;
        RgbToXyz(c[0].r, c[0].g, c[0].b, X, Y, Z);
        XyzToLab(X, Y, Z, X, Y, Z);
        uint8_t r, g, b;
        LabToRgb(X, Y, Z, r, g, b);
        SCOPED_TRACE(c[0].r);
        ExpectRgb(Bytes(r, g, b), c[1]);
    }
}

TEST(ColorTest, LabToRgbClamps) {
    uint8_t r, g, b;
    LabToRgb(100, 0, 0, r, g, b);
    ExpectRgb(Bytes(r, g, b), {255, 255, 254});
    LabToRgb(120, 0, 0, r, g, b);
    ExpectRgb(Bytes(r, g, b), {255, 255, 255});
    LabToRgb(0, 0, 0, r, g, b);
    ExpectRgb(Bytes(r, g, b), {0, 0, 0});
}

TEST(ColorTest, Cmyk) {
    double c, m, y, k;
    CmyToCmyk(1, 1, 1, c, m, y, k);
    EXPECT_EQ(c, 0.0);
    EXPECT_EQ(m, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(k, 1.0);
    CmyToCmyk(0, 0, 0, c, m, y, k);
    EXPECT_EQ(k, 0.0);
    EXPECT_EQ(c, 0.0);
    // K = .2: (.6-.2)/.8 = .5, (.2-.2)/.8 = 0, (1-.2)/.8 = 1
    CmyToCmyk(0.6, 0.2, 1.0, c, m, y, k);
    EXPECT_NEAR(c, 0.5, 1e-12);
    EXPECT_NEAR(m, 0.0, 1e-12);
    EXPECT_NEAR(y, 1.0, 1e-12);
    EXPECT_NEAR(k, 0.2, 1e-12);
    uint8_t r, g, b;
    // c' = .1 + .9*.5 = .55 -> 114.75; m' = .325 -> 172.125; y' = .1 -> 229.5
    CmykToRgb(0.5, 0.25, 0, 0.1, r, g, b);
    ExpectRgb(Bytes(r, g, b), {114, 172, 229});
    CmyToRgb(0, 1, 0.5, r, g, b);
    ExpectRgb(Bytes(r, g, b), {255, 0, 127});
}

}  // namespace
