// CompositePixel: every mode id against values computed by hand from the
// formulas, the integer shortcuts, the alpha-mode transforms and the
// single-pixel export.
//
// How the expected values were found: Sa = a / 65535, Sca = c x Sa / 65280,
// Dca = C x Da / 65280; the mode's formula gives Xca and Xa; the channel is
// trunc(min(1, Xca / Xa) x 65280) and the alpha trunc(Xa x 65535). The rows
// list Xca and Xa. Inputs were chosen so that no result lies within 0.002 of
// an integer, where the float stores could tip the truncation, except where a
// row says so: a destination channel passed through unchanged (Darken,
// Lighten, Texturize3 with Sa x 0 terms) comes back as
// trunc(float(C / 65280) x 65280); float(26300 / 65280) = 0.40287989 lies
// below 26300 / 65280 = 0.40287990, so 26300 comes back as 26299, and likewise
// 6100 as 6099 (float(6100 / 65280) = 0.09344362 < 0.09344363), while
// 45900 / 65280 = 45/64 is exact.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "composite/blend_mode_names.h"
#include "composite/composite_pixel.h"
#include "engine_fixture.h"
#include "tessary.h"

namespace {

struct Px {
    uint32_t r, g, b, a;
};

bool operator==(const Px &x, const Px &y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }
std::ostream &operator<<(std::ostream &os, const Px &p) {
    return os << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

// The source and destinations of the colour-mode tables.
constexpr Px kSrc{51000, 13500, 39300, 30000};  // Sa = 0.457771
constexpr Px kDstOpaque{26300, 45900, 6100, 65535};
constexpr Px kDstPart{26300, 45900, 6100, 40000};  // Da = 0.610361

// TSY_MergePixel's way: no mask, pre-opacity 255, no same-mode flag.
Px Merge(Px src, Px dst, int mode, int opacity = 256, bool keep = false) {
    const CompositeOptions opt = MakeCompositeOptions(mode, 255, opacity, keep, false, false);
    PixelRGBA d{dst.r, dst.g, dst.b, dst.a};
    CompositePixel(PixelRGBA{src.r, src.g, src.b, src.a}, d, nullptr, opt);
    return Px{d.r, d.g, d.b, d.a};
}

struct ModeCase {
    const char *name;
    int mode;
    Px expected;
};
std::string CaseName(const ::testing::TestParamInfo<ModeCase> &info) { return info.param.name; }

class ColourModeOverOpaque : public EngineTest, public ::testing::WithParamInterface<ModeCase> {};
TEST_P(ColourModeOverOpaque, MatchesFormula) {
    EXPECT_EQ(Merge(kSrc, kDstOpaque, GetParam().mode), GetParam().expected);
}
// Destination opaque: Da = 1, so T = Dca (1 - Sa) and Xa = 1.
INSTANTIATE_TEST_SUITE_P(Table, ColourModeOverOpaque, ::testing::Values(
    ModeCase{"Normal", 0, {37606, 31068, 21297, 65535}},  // Xca 0.576087 0.475923 0.326256, Xa 1.000000
    ModeCase{"Multiply", 1, {23666, 29233, 4988, 65535}},  // Xca 0.362537 0.447818 0.076420, Xa 1.000000
    ModeCase{"Screen", 2, {40240, 47734, 22409, 65535}},  // Xca 0.616430 0.731229 0.343280, Xa 1.000000
    ModeCase{"Darken", 3, {26299, 31068, 6099, 65535}},  // Xca 0.402880 0.475923 0.093444, Xa 1.000000
    ModeCase{"Lighten", 4, {37606, 45900, 21297, 65535}},  // Xca 0.576087 0.703125 0.326256, Xa 1.000000
    ModeCase{"Difference", 5, {25567, 39720, 18505, 65535}},  // Xca 0.391660 0.608457 0.283480, Xa 1.000000
    ModeCase{"Negation", 6, {30834, 43389, 20728, 65535}},  // Xca 0.472347 0.664666 0.317528, Xa 1.000000
    ModeCase{"Exclusion", 7, {30834, 43389, 20728, 65535}},  // Xca 0.472347 0.664666 0.317528, Xa 1.000000
    ModeCase{"Overlay", 8, {33072, 40697, 6669, 65535}},  // Xca 0.506620 0.623433 0.102172, Xa 1.000000
    ModeCase{"HardLight", 9, {36337, 33578, 11627, 65535}},  // Xca 0.556636 0.514381 0.178121, Xa 1.000000
    ModeCase{"SoftLight", 10, {30197, 42242, 7263, 65535}},  // Xca 0.462580 0.647092 0.111266, Xa 1.000000
    ModeCase{"Dodge", 11, {44143, 51378, 10324, 65535}},  // Xca 0.676224 0.787042 0.158151, Xa 1.000000
    ModeCase{"Burn", 12, {21303, 24888, 3307, 65535}},  // Xca 0.326344 0.381255 0.050668, Xa 1.000000
    ModeCase{"Reflect", 13, {37606, 31068, 21297, 65535}},  // Xca 0.576087 0.475923 0.326256, Xa 1.000000
    ModeCase{"Glow", 14, {37606, 31068, 21297, 65535}},  // Xca 0.576087 0.475923 0.326256, Xa 1.000000
    ModeCase{"Add", 15, {49646, 52079, 24090, 65535}},  // Xca 0.760513 0.797793 0.369032, Xa 1.000000
    ModeCase{"Subtract", 16, {19763, 22196, 0, 65535}},  // Xca 0.302743 0.340022 -0.088739, Xa 1.000000
    ModeCase{"Color", 17, {34613, 28074, 18304, 65535}},  // Xca 0.530225 0.430061 0.280395, Xa 1.000000
    ModeCase{"HardColor", 18, {32367, 25829, 16058, 65535}},  // Xca 0.495830 0.395666 0.245999, Xa 1.000000
    ModeCase{"Colorize", 19, {38068, 31819, 21849, 65535}},  // Xca 0.583156 0.487436 0.334712, Xa 1.000000
    ModeCase{"HSLHue", 20, {35272, 27680, 18634, 65535}},  // Xca 0.540323 0.424031 0.285460, Xa 1.000000
    ModeCase{"HSLSat", 21, {26266, 43710, 8289, 65535}},  // Xca 0.402374 0.669580 0.126989, Xa 1.000000
    ModeCase{"HSLLum", 22, {29194, 50950, 6771, 65535}},  // Xca 0.447213 0.780498 0.103726, Xa 1.000000
    ModeCase{"HSLColor", 23, {33082, 29870, 17811, 65535}},  // Xca 0.506778 0.457576 0.272847, Xa 1.000000
    ModeCase{"Texturize", 24, {21779, 41379, 1579, 65535}},  // Xca 0.333633 0.633878 0.024197, Xa 1.000000
    ModeCase{"Texturize2", 25, {27870, 47470, 7670, 65535}},  // Xca 0.426932 0.727178 0.117496, Xa 1.000000
    ModeCase{"Texturize3", 26, {26299, 45900, 6099, 65535}}  // Xca 0.402880 0.703125 0.093444, Xa 1.000000
    ), CaseName);

class ColourModeOverPartial : public EngineTest, public ::testing::WithParamInterface<ModeCase> {};
TEST_P(ColourModeOverPartial, MatchesFormula) {
    EXPECT_EQ(Merge(kSrc, kDstPart, GetParam().mode), GetParam().expected);
}
// Destination alpha 40000: default Xa = (1 - Da) Sa + Da = 0.788726 -> 51689;
// Add and Subtract: Sa + Da = 1.068 clamps to 1; the colour-shift, HSL and
// texture modes keep Xa = Da, and Da is the float store of 40000 / 65535 =
// 0.61036088, which is 0.61036086 (just below), so the alpha comes back as
// trunc(39999.9990) = 39999. The Texturize rows divide unpremultiplied values
// by Da again and so reach the 65280 ceiling.
INSTANTIATE_TEST_SUITE_P(Table, ColourModeOverPartial, ::testing::Values(
    ModeCase{"Normal", 0, {40635, 27095, 25369, 51689}},  // Xca 0.490969 0.327371 0.306514, Xa 0.788726
    ModeCase{"Multiply", 1, {29847, 25675, 12747, 51689}},  // Xca 0.360626 0.310217 0.154024, Xa 0.788726
    ModeCase{"Screen", 2, {42673, 39992, 26229, 51689}},  // Xca 0.515593 0.483200 0.316904, Xa 0.788726
    ModeCase{"Darken", 3, {31885, 27095, 13607, 51689}},  // Xca 0.385250 0.327371 0.164414, Xa 0.788726
    ModeCase{"Lighten", 4, {40635, 38572, 25369, 51689}},  // Xca 0.490969 0.466046 0.306514, Xa 0.788726
    ModeCase{"Difference", 5, {31318, 33790, 23208, 51689}},  // Xca 0.378402 0.408265 0.280405, Xa 0.788726
    ModeCase{"Negation", 6, {35395, 36630, 24928, 51689}},  // Xca 0.427650 0.442573 0.301186, Xa 0.788726
    ModeCase{"Exclusion", 7, {35395, 36630, 24928, 51689}},  // Xca 0.427650 0.442573 0.301186, Xa 0.788726
    ModeCase{"Overlay", 8, {37126, 34547, 14048, 51689}},  // Xca 0.448569 0.417405 0.169742, Xa 0.788726
    ModeCase{"HardLight", 9, {39653, 29038, 17885, 51689}},  // Xca 0.479097 0.350844 0.216098, Xa 0.788726
    ModeCase{"SoftLight", 10, {34901, 35742, 14508, 51689}},  // Xca 0.421689 0.431846 0.175292, Xa 0.788726
    ModeCase{"Dodge", 11, {45694, 42812, 16876, 51689}},  // Xca 0.552089 0.517266 0.203909, Xa 0.788726
    ModeCase{"Burn", 12, {28019, 22312, 11447, 51689}},  // Xca 0.338535 0.269589 0.138306, Xa 0.788726
    ModeCase{"Reflect", 13, {40635, 27095, 25369, 51689}},  // Xca 0.490969 0.327371 0.306514, Xa 0.788726
    ModeCase{"Glow", 14, {40635, 27095, 25369, 51689}},  // Xca 0.490969 0.327371 0.306514, Xa 0.788726
    ModeCase{"Add", 15, {39398, 34195, 21713, 65535}},  // Xca 0.603535 0.523828 0.332622, Xa 1.000000
    ModeCase{"Subtract", 16, {21159, 15955, 3474, 65535}},  // Xca 0.324130 0.244422 0.053217, Xa 1.000000
    ModeCase{"Color", 17, {39978, 22481, 20250, 39999}},  // Xca 0.373794 0.210196 0.189339, Xa 0.610361
    ModeCase{"Colorize", 19, {38566, 31322, 22037, 39999}},  // Xca 0.360589 0.292859 0.206045, Xa 0.610361
    ModeCase{"HSLHue", 20, {35272, 27680, 18634, 39999}},  // Xca 0.329792 0.258812 0.174234, Xa 0.610361
    ModeCase{"HSLSat", 21, {26266, 43710, 8289, 39999}},  // Xca 0.245593 0.408685 0.077509, Xa 0.610361
    ModeCase{"HSLLum", 22, {38727, 65280, 8982, 39999}},  // Xca 0.362095 0.631946 0.083984, Xa 0.610361
    ModeCase{"HSLColor", 23, {33082, 29870, 17811, 39999}},  // Xca 0.309317 0.279287 0.166535, Xa 0.610361
    ModeCase{"Texturize", 24, {35683, 65280, 2587, 39999}},  // Xca 0.333633 0.633878 0.024197, Xa 0.610361
    ModeCase{"Texturize2", 25, {45661, 65280, 12566, 39999}}  // Xca 0.426932 0.727178 0.117496, Xa 0.610361
    ), CaseName);

struct AlphaCase {
    const char *name;
    int mode;
    Px src;
    int alphaPercent;  // TSY_SetAlphaLayerOpacity: 100 -> P 65535, 50 -> P 32767
    Px expected;
};
std::string AlphaCaseName(const ::testing::TestParamInfo<AlphaCase> &info) { return info.param.name; }

class AlphaModeOverOpaque : public EngineTest, public ::testing::WithParamInterface<AlphaCase> {};
TEST_P(AlphaModeOverOpaque, TransformThenFormula) {
    const AlphaCase &c = GetParam();
    TSY_SetAlphaLayerOpacity(c.alphaPercent);
    EXPECT_EQ(Merge(c.src, kDstOpaque, c.mode), c.expected);
}
// Each row: the transformed source (r, g, b, a) and formula, then the blend
// over kDstOpaque as in the colour tables.
INSTANTIATE_TEST_SUITE_P(Table, AlphaModeOverOpaque, ::testing::Values(
    // no transform: Normal formula, not the opaque shortcut (bm = 28)
    AlphaCase{"AlphaNormal", 28, {51000, 13100, 39300, 30000}, 100, {37606, 30885, 21297, 65535}},
    // white, a = 65535 - 30000 = 35535
    AlphaCase{"AlphaFilter", 29, {51000, 13100, 39300, 30000}, 100, {47574, 56546, 38327, 65535}},
    // transparent -> white, a = 65535: Sca = 65535 / 65280 > 1 -> 65280
    AlphaCase{"AlphaFilterPaintsTransparentWhite", 29, {51000, 13100, 39300, 0}, 100, {65280, 65280, 65280, 65535}},
    // 1 <= a <= 65279 -> black with a = P = 65535: Xca = 0
    AlphaCase{"AlphaBlackOutline", 30, {51000, 13100, 39300, 30000}, 100, {0, 0, 0, 65535}},
    // a >= 12287 -> P = 32767
    AlphaCase{"AlphaOutlineTint1", 31, {51000, 13100, 39300, 30000}, 50, {38649, 29500, 22699, 65535}},
    // a < 12287 -> 65535 - 5000 = 60535
    AlphaCase{"AlphaOutlineTint1Low", 31, {51000, 13100, 39300, 5000}, 100, {49115, 15602, 36767, 65535}},
    AlphaCase{"AlphaOutlineTint2", 32, {51000, 13100, 39300, 30000}, 50, {38649, 29500, 22699, 65535}},
    // a = 65535 - 30000 = 35535
    AlphaCase{"AlphaInvert", 33, {51000, 13100, 39300, 30000}, 100, {39693, 28114, 24102, 65535}},
    // grey 30000 at a = P = 32767
    AlphaCase{"AlphaShader", 34, {51000, 13100, 39300, 30000}, 50, {28149, 37950, 18049, 65535}},
    // shade by d = 2 (32767 - 30000) = 5534: (45466, 7566, 33766), a = P = 32767
    AlphaCase{"AlphaShaderColor", 35, {51000, 13100, 39300, 30000}, 50, {35882, 26733, 19932, 65535}},
    // shade by e = 2 x 40000 - 65534 = 14466: (65466, 27566, 53766), a = 32767,
    // Texturize2: Ls = 146798 / 195840 = 0.749581, Dc + 0.249581 x 1.75 x Sa
    AlphaCase{"AlphaShaderTexture2", 36, {51000, 13100, 39300, 40000}, 50, {40555, 60155, 20355, 65535}},
    // a < 32767: a = 30000 - 5534 = 24466, colour kept, Texturize2:
    // Ls = 103400 / 195840 = 0.527982, Dc + 0.027982 x 1.75 x 0.373327
    AlphaCase{"AlphaHighlightTexture2", 37, {51000, 13100, 39300, 30000}, 100, {27493, 47093, 7293, 65535}},
    // a >= 32767: as Alpha Shader Texture2
    AlphaCase{"AlphaHighlightTexture2High", 37, {51000, 13100, 39300, 40000}, 50, {40555, 60155, 20355, 65535}},
    // a = 30000 - 4 x 2767 = 18932
    AlphaCase{"AlphaSmooth", 38, {51000, 13100, 39300, 30000}, 100, {33435, 36424, 15690, 65535}},
    // ramp: 65535 - (9215 - 9000) x 64 = 51775
    AlphaCase{"AlphaSmooth2", 39, {51000, 13100, 39300, 9000}, 100, {45813, 19986, 32329, 65535}},
    // lighten: c + (65535 - c) x 7233 / 32767 -> (54208, 24674, 45091), a = P
    AlphaCase{"AlphaSmoothLum", 40, {51000, 13100, 39300, 40000}, 50, {40253, 35287, 25595, 65535}},
    // darken at most half: c - c x 12767 / 65535 -> (41065, 10548, 31644), a = P
    AlphaCase{"AlphaSmoothLum2", 41, {51000, 13100, 39300, 20000}, 50, {33682, 28224, 18871, 65535}},
    // c - c x 16862 / 30000 -> (22335, 5737, 17211), a = P
    AlphaCase{"AlphaSmoothLum3", 42, {51000, 13100, 39300, 20000}, 50, {24317, 25818, 11655, 65535}},
    // c - c x 27862 / 30000 -> (3635, 934, 2801), ramp -> 51775
    AlphaCase{"AlphaSmoothLum4", 43, {51000, 13100, 39300, 9000}, 100, {8393, 10375, 3493, 65535}},
    // c - c x 23767 / 32767 -> (14008, 3599, 10795), ramp -> 51775
    AlphaCase{"AlphaSmoothLum5", 44, {51000, 13100, 39300, 9000}, 100, {16588, 12480, 9809, 65535}},
    // black at a = P = 32767: Xca = Dca (1 - 0.499992)
    AlphaCase{"AlphaOverlayOutline", 45, {51000, 13100, 39300, 30000}, 50, {13150, 22950, 3050, 65535}},
    // a > 32512 -> 0: destination unchanged
    AlphaCase{"AlphaHighlight", 46, {51000, 13100, 39300, 40000}, 100, {26300, 45900, 6100, 65535}},
    AlphaCase{"AlphaHighlightLow", 46, {51000, 13100, 39300, 30000}, 100, {37606, 30885, 21297, 65535}},
    // invisible itself
    AlphaCase{"LayerMask", 47, {51000, 13100, 39300, 30000}, 100, {26300, 45900, 6100, 65535}},
    // a = 40000, white
    AlphaCase{"LuminanceAlpha", 48, {40000, 40000, 40000, 123}, 100, {50247, 57884, 42376, 65535}},
    // a = 65535 - 40000 = 25535, black
    AlphaCase{"LuminanceAlphaInvert", 49, {40000, 40000, 40000, 123}, 100, {16052, 28015, 3723, 65535}}),
    AlphaCaseName);

using CompositePixelTest = EngineTest;

TEST_F(CompositePixelTest, OpaqueNormalSourceReplacesFromAlpha65280) {
    // Step 8: 65280 or more replaces the destination, alpha included.
    EXPECT_EQ(Merge({51000, 13100, 39300, 65280}, kDstOpaque, 0), (Px{51000, 13100, 39300, 65280}));
    EXPECT_EQ(Merge({65535, 65535, 65535, 65535}, kDstOpaque, 0), (Px{65535, 65535, 65535, 65535}));
    // 65279 is blended: Sa = 65279 / 65535 = 0.996094, Xca = Sca + Dca (1 - Sa):
    // red 0.778186 + 0.001586 = 0.779772 -> 50903.5 -> 50903; green 0.199896
    // + 0.002741 = 0.202637 -> 13228.2; blue 0.598432 + 0.001603 -> 39170.3.
    EXPECT_EQ(Merge({51000, 13100, 39300, 65279}, kDstOpaque, 0), (Px{50903, 13228, 39170, 65535}));
}

TEST_F(CompositePixelTest, ReflectAndGlowBlendEvenWhenOpaque) {
    // The opaque shortcut belongs to Normal alone: at a = 65280 Reflect and
    // Glow go through the Normal formula: Sa = 65280 / 65535 = 0.996109,
    // red 0.778197 + 0.001581 = 0.779778 -> 50903.9; green 0.199893 + 0.002736
    // = 0.202629 -> 13227.7; blue 0.600043 -> 39170.8; Xa = 1 -> 65535.
    for (int mode : {13, 14}) {
        EXPECT_EQ(Merge({51000, 13100, 39300, 65280}, kDstOpaque, mode), (Px{50903, 13227, 39170, 65535}));
    }
    // Below 65280 they equal Normal.
    for (int mode : {13, 14, 27}) EXPECT_EQ(Merge(kSrc, kDstPart, mode), Merge(kSrc, kDstPart, 0));
}

TEST_F(CompositePixelTest, WhiteMultipliedOverWhiteStopsAt65280) {
    EXPECT_EQ(Merge({65535, 65535, 65535, 65535}, {65535, 65535, 65535, 65535}, 1), (Px{65280, 65280, 65280, 65535}));
}

TEST_F(CompositePixelTest, Texturize3KeepsDestinationUnderTheCeiling) {
    // 45900 / 65280 = 45/64 and 32640 / 65280 = 1/2 are exact; 65535 -> 65280.
    EXPECT_EQ(Merge(kSrc, {45900, 32640, 65535, 65535}, 26), (Px{45900, 32640, 65280, 65535}));
}

TEST_F(CompositePixelTest, AddOfTwoOpaquePixelsClampsAlpha) {
    // Xa = Sa + Da = 2 -> 1 -> 65535; red 51000 + 26300 > 65280 -> 65280.
    const Px out = Merge({51000, 13100, 39300, 65535}, kDstOpaque, 15);
    EXPECT_EQ(out.a, 65535u);
    EXPECT_EQ(out.r, 65280u);
}

TEST_F(CompositePixelTest, BurnOfBlackOverBrightChannelGives65280) {
    // Sca = 0, Dca_r = 65535 / 65280 > Da: Sa (Dca Sa - Sa) / 0 = +inf -> 65280.
    // Green 32640: 0 + 0.5 Sa > Sa is false, Xca = T = 0.5 x (1 - Sa) ->
    // 0.271115 / 1 x 65280 = 17698.4 -> 17698. Blue 0 -> 0.
    EXPECT_EQ(Merge({0, 0, 0, 30000}, {65535, 32640, 0, 65535}, 12), (Px{65280, 17698, 0, 65535}));
}

TEST_F(CompositePixelTest, ColorAndTextureModesClearTransparentDestination) {
    for (int mode : {17, 18, 24, 25, 26}) EXPECT_EQ(Merge(kSrc, {1, 2, 3, 0}, mode), (Px{0, 0, 0, 0})) << mode;
    // Other modes lay the source down as it is (after the opacity).
    EXPECT_EQ(Merge(kSrc, {1, 2, 3, 0}, 1), kSrc);
    EXPECT_EQ(Merge(kSrc, {1, 2, 3, 0}, 0, 128), (Px{51000, 13500, 39300, 15117}));  // 129 x 30000 / 256
}

TEST_F(CompositePixelTest, ColorOverMidGreyIsNormal) {
    // L = 3 x 0.5 x 0.33333334 = 0.5 in float, so the shift is 0.
    const Px grey{32640, 32640, 32640, 65535};
    EXPECT_EQ(Merge(kSrc, grey, 17), Merge(kSrc, grey, 0));
    EXPECT_EQ(Merge(kSrc, grey, 0), (Px{41044, 23878, 35688, 65535}));
}

TEST_F(CompositePixelTest, TransparentSourceOfColourModeWritesNothing) {
    PixelRGBA d{1, 2, 3, 0};
    const CompositeOptions opt = MakeCompositeOptions(5, 255, 256, false, false, false);
    EXPECT_FALSE(CompositePixel(PixelRGBA{9, 9, 9, 0}, d, nullptr, opt));
    EXPECT_EQ(d.r, 1u);
    // Only ids up to 27 skip transparent pixels: id 60 (Normal formula, no
    // transform) with alpha 0 reaches the transparent-destination test and
    // clears; a negative id is skipped like Normal.
    EXPECT_EQ(Merge({9, 9, 9, 0}, {1, 2, 3, 0}, 60), (Px{0, 0, 0, 0}));
    EXPECT_EQ(Merge({9, 9, 9, 0}, {1, 2, 3, 0}, -3), (Px{1, 2, 3, 0}));
}

TEST_F(CompositePixelTest, OpacityAndPreOpacityScaleAlphaBeforeTheFormula) {
    // opacity 128: a = 129 x 30000 / 256 = 15117; pre-opacity 127:
    // a = 128 x 30000 / 256 = 15000; then Normal with those alphas.
    // Sa = 15117 / 65535 = 0.230671: red 51000 x 0.230671 / 65280 = 0.180215,
    // + 0.402880 x 0.769329 = 0.309947 -> 0.490162 x 65280 = 31997.8.
    EXPECT_EQ(Merge(kSrc, kDstOpaque, 0, 128), (Px{31997, 38426, 13758, 65535}));
    const CompositeOptions opt = MakeCompositeOptions(0, 127, 256, false, false, false);
    PixelRGBA d{kDstOpaque.r, kDstOpaque.g, kDstOpaque.b, kDstOpaque.a};
    CompositePixel(PixelRGBA{kSrc.r, kSrc.g, kSrc.b, kSrc.a}, d, nullptr, opt);
    // Sa = 15000 / 65535 = 0.228885: Sca_r = 0.178818, + 0.402880 x 0.771115 = 0.489483 -> 31953.
    EXPECT_EQ((Px{d.r, d.g, d.b, d.a}), (Px{31953, 38484, 13698, 65535}));
}

TEST_F(CompositePixelTest, KeepDestAlphaLeavesAlpha) {
    EXPECT_EQ(Merge(kSrc, kDstPart, 0, 256, true), (Px{40635, 27095, 25369, 40000}));
    // Over a transparent destination the colour is written, the alpha stays 0.
    EXPECT_EQ(Merge(kSrc, {0, 0, 0, 0}, 0, 256, true), (Px{51000, 13500, 39300, 0}));
}

TEST_F(CompositePixelTest, MaskGreyScalesAlpha) {
    const CompositeOptions opt = MakeCompositeOptions(0, 255, 256, false, false, true);
    struct MaskCase {
        uint16_t mask[4];
        uint32_t alpha;
    } cases[] = {
        {{65535, 65535, 65535, 65535}, 65534},  // 65535 x 65535 / 65536
        {{0, 0, 0, 65535}, 0},                  // black mask: nothing left
        {{0, 0, 0, 0}, 65535},                  // unpainted mask: unchanged
        {{30000, 0, 0, 1}, 9999},               // grey 30000 / 3 = 10000: 10000 x 65535 / 65536 = 9999.8
    };
    for (const MaskCase &c : cases) {
        PixelRGBA d{0, 0, 0, 0};
        CompositePixel(PixelRGBA{100, 200, 300, 65535}, d, c.mask, opt);
        EXPECT_EQ(d.a, c.alpha);
    }
}

TEST_F(CompositePixelTest, DestinationTestFollowsLayerModeOrFormula) {
    // Alpha Shader Texture2 (36) over a transparent destination: the formula
    // in use is Texturize2 (25), which clears; the merge routine tests the
    // layer's own mode 36 and lays down the shaded source:
    // a = 40000 -> e = 14466: (65466, 27566, 53766), a = P = 65535.
    EXPECT_EQ(Merge({51000, 13100, 39300, 40000}, {5, 5, 5, 0}, 36), (Px{0, 0, 0, 0}));
    const CompositeOptions opt = MakeCompositeOptions(36, 255, 256, false, false, true);
    PixelRGBA d{5, 5, 5, 0};
    CompositePixel(PixelRGBA{51000, 13100, 39300, 40000}, d, nullptr, opt);
    EXPECT_EQ((Px{d.r, d.g, d.b, d.a}), (Px{65466, 27566, 53766, 65535}));
}

TEST_F(CompositePixelTest, LuminanceAlphaOverTransparentIsWhite) {
    EXPECT_EQ(Merge({40000, 40000, 40000, 7}, {0, 0, 0, 0}, 48), (Px{65535, 65535, 65535, 40000}));
}

struct SameModeCase {
    const char *name;
    int mode;
    uint32_t alpha;
    Px expected;  // over kDstOpaque
};
std::string SameModeName(const ::testing::TestParamInfo<SameModeCase> &info) { return info.param.name; }
class SameModeMerge : public EngineTest, public ::testing::WithParamInterface<SameModeCase> {};
TEST_P(SameModeMerge, KeepsRawAlpha) {
    const SameModeCase &c = GetParam();
    const CompositeOptions opt = MakeCompositeOptions(c.mode, 255, 256, false, true, true);
    PixelRGBA d{kDstOpaque.r, kDstOpaque.g, kDstOpaque.b, kDstOpaque.a};
    CompositePixel(PixelRGBA{51000, 13100, 39300, c.alpha}, d, nullptr, opt);
    EXPECT_EQ((Px{d.r, d.g, d.b, d.a}), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Table, SameModeMerge, ::testing::Values(
    // a > 0: the raw source replaces the destination
    SameModeCase{"AlphaNormal", 28, 30000, {51000, 13100, 39300, 30000}},
    SameModeCase{"AlphaFilter", 29, 30000, {51000, 13100, 39300, 30000}},
    SameModeCase{"AlphaSmooth", 38, 100, {51000, 13100, 39300, 100}},
    SameModeCase{"AlphaOverlayOutline", 45, 30000, {51000, 13100, 39300, 30000}},
    // a = 0 in 28..38: nothing replaced, a stays 0 -> destination unchanged
    SameModeCase{"AlphaFilterTransparent", 29, 0, {26300, 45900, 6100, 65535}},
    // ramp modes: below 8191 nothing, from 9215 raw, in between Multiply
    SameModeCase{"AlphaSmooth2Low", 39, 8190, {26300, 45900, 6100, 65535}},
    SameModeCase{"AlphaSmooth2High", 39, 9215, {51000, 13100, 39300, 9215}},
    SameModeCase{"AlphaSmoothLum4High", 43, 20000, {51000, 13100, 39300, 20000}},
    // 9000: Multiply with Sa = 0.137331, Da = 1: Xca = Sca Dca + Dca (1 - Sa):
    // red 0.107292 x 0.402880 + 0.402880 x 0.862669 = 0.390777 -> 25509.9;
    // green 0.027559 x 0.703125 + 0.606566 = 0.625941 -> 40861.4;
    // blue 0.082678 x 0.093444 + 0.080612 = 0.088336 -> 5766.6
    SameModeCase{"AlphaSmoothLum5Middle", 44, 9000, {25509, 40861, 5766, 65535}},
    // luminance modes: from 8191 raw, below nothing
    SameModeCase{"AlphaSmoothLum", 40, 8191, {51000, 13100, 39300, 8191}},
    SameModeCase{"AlphaSmoothLum3Low", 42, 8190, {26300, 45900, 6100, 65535}},
    SameModeCase{"AlphaHighlightHigh", 46, 40000, {51000, 13100, 39300, 40000}},
    SameModeCase{"AlphaHighlightLow", 46, 30000, {26300, 45900, 6100, 65535}},
    // 47 to 49 transform as without the flag
    SameModeCase{"LayerMask", 47, 30000, {26300, 45900, 6100, 65535}}),
    SameModeName);

// ---- exports ----------------------------------------------------------------

TEST_F(CompositePixelTest, MergePixelExport) {
    uint32_t r = 26300, g = 45900, b = 6100, a = 65535;
    TSY_MergePixel(&r, &g, &b, &a, 51000, 13100, 39300, 30000, 0, 256, 0);
    EXPECT_EQ((Px{r, g, b, a}), (Px{37606, 30885, 21297, 65535}));
    // keepAlpha: the alpha is not written
    r = 26300, g = 45900, b = 6100, a = 40000;
    TSY_MergePixel(&r, &g, &b, &a, 51000, 13100, 39300, 30000, 0, 256, 1);
    EXPECT_EQ((Px{r, g, b, a}), (Px{40635, 26863, 25369, 40000}));
    // alpha 0 and mode 5 writes nothing
    r = 7, g = 8, b = 9, a = 0;
    TSY_MergePixel(&r, &g, &b, &a, 51000, 13100, 39300, 0, 5, 256, 0);
    EXPECT_EQ((Px{r, g, b, a}), (Px{7, 8, 9, 0}));
    // alpha 0 and mode 40 still runs: transparent destination -> (0, 0, 0, 0)
    TSY_MergePixel(&r, &g, &b, &a, 51000, 13100, 39300, 0, 40, 256, 0);
    EXPECT_EQ((Px{r, g, b, a}), (Px{0, 0, 0, 0}));
    // null pointers are refused
    TSY_MergePixel(nullptr, &g, &b, &a, 1, 1, 1, 1, 0, 256, 0);
    // out-of-range channels are read as 65535: an opaque Normal copy
    r = g = b = a = 0;
    TSY_MergePixel(&r, &g, &b, &a, 70000, 1, 2, 65535, 0, 256, 0);
    EXPECT_EQ((Px{r, g, b, a}), (Px{65535, 1, 2, 65535}));
}

TEST_F(CompositePixelTest, SetAlphaLayerOpacity) {
    EXPECT_EQ(g_engine.alphaLayerOpacity, 65535);  // load value
    EXPECT_EQ(TSY_SetAlphaLayerOpacity(50), 32767);  // 0.5 x 65535 = 32767.5
    EXPECT_EQ(g_engine.alphaLayerOpacity, 32767);
    EXPECT_EQ(TSY_SetAlphaLayerOpacity(33), 21626);  // 0.33 x 65535 = 21626.55
    EXPECT_EQ(TSY_SetAlphaLayerOpacity(100), 65535);
    EXPECT_EQ(TSY_SetAlphaLayerOpacity(0), 0);
    EXPECT_EQ(TSY_SetAlphaLayerOpacity(101), 65535);  // limited instead of wrapping
    EXPECT_EQ(TSY_SetAlphaLayerOpacity(-5), 0);
}

TEST_F(CompositePixelTest, ModeNames) {
    EXPECT_EQ(BlendModeFromName("Normal"), 0);
    EXPECT_EQ(BlendModeFromName("Soft Light"), 10);
    EXPECT_EQ(BlendModeFromName("Texturize3"), 26);
    EXPECT_EQ(BlendModeFromName("Alpha Normal"), 28);
    EXPECT_EQ(BlendModeFromName("Layer Mask"), 47);
    EXPECT_EQ(BlendModeFromName("Luminance Alpha Invert"), 49);
    EXPECT_EQ(BlendModeFromName("multiply"), 0);  // case-sensitive
    EXPECT_EQ(BlendModeFromName("Multiply "), 0);
    EXPECT_EQ(BlendModeFromName(""), 0);
    EXPECT_EQ(BlendModeFromName(nullptr), 0);
    for (int id = 0; id < 50; ++id) {
        if (id == 27) continue;
        EXPECT_EQ(BlendModeFromName(BlendModeName(id)), id);
    }
}

}  // namespace
