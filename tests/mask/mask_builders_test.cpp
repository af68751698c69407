// Selection builders: matching pixels get (255 - level) * 256, the others keep
// their value. Each test starts from a mask cleared to 0 (all protected).
#include <array>
#include <vector>

#include "mask/mask.h"
#include "mask_test_util.h"

namespace {

constexpr uint16_t kUntouched = 0;

class MaskBuildersTest : public MaskTest {
protected:
    // A 1-row canvas with one RGBA32 pixel per case, mask cleared to protected.
    std::vector<uint8_t> Row(std::initializer_list<std::array<uint8_t, 4>> pixels) {
        NewCanvas(static_cast<int>(pixels.size()), 1);
        FillMask(kUntouched);
        std::vector<uint8_t> img;
        for (const auto &p : pixels) img.insert(img.end(), p.begin(), p.end());
        return img;
    }
};

TEST_F(MaskBuildersTest, ExactColourIgnoresAlpha) {
    const auto img = Row({{{10, 20, 30, 0}}, {{10, 20, 30, 255}}, {{10, 20, 31, 255}}, {{11, 20, 30, 255}}});
    TSY_CreateMaskFromRGBAImageColor(img.data(), 10, 20, 30, 5);
    EXPECT_EQ(M(0, 0), 64000);  // (255 - 5) * 256
    EXPECT_EQ(M(1, 0), 64000);
    EXPECT_EQ(M(2, 0), kUntouched);
    EXPECT_EQ(M(3, 0), kUntouched);
}

TEST_F(MaskBuildersTest, ExactColourOfRGB24) {
    NewCanvas(3, 1);
    FillMask(777);
    const uint8_t img[9] = {1, 2, 3, 3, 2, 1, 1, 2, 3};
    TSY_CreateMaskFromRGB24ImageColor(img, 1, 2, 3, 0);
    EXPECT_EQ(M(0, 0), 65280);  // level 0 -> 255 * 256
    EXPECT_EQ(M(1, 0), 777);    // non-matching keeps its value
    EXPECT_EQ(M(2, 0), 65280);
}

TEST_F(MaskBuildersTest, ColourRangeBoundIsTruncatedTolTimes256) {
    // tol 1: T = trunc(2.56) = 2. Differences per channel from (100, 100, 100).
    auto img = Row({{{102, 98, 100, 0}}, {{103, 100, 100, 0}}, {{100, 100, 97, 0}}, {{101, 101, 101, 0}}});
    // Level 255 writes 0, so mark the mask first to see which pixels were written.
    FillMask(1);
    TSY_CreateMaskFromRGBAImageColorRange(img.data(), 100, 100, 100, 1, 255);
    EXPECT_EQ(M(0, 0), 0);  // diffs 2, 2, 0: accepted
    EXPECT_EQ(M(1, 0), 1);  // diff 3: rejected
    EXPECT_EQ(M(2, 0), 1);  // diff 3 on blue: rejected
    EXPECT_EQ(M(3, 0), 0);
}

TEST_F(MaskBuildersTest, ColourRangeBoundIsComputedInDouble) {
    // tol 25: 25 * 2.56 = 64.0000000000000013 in double -> T = 64 (a float
    // product 63.99999 would give 63).
    auto img = Row({{{164, 0, 0, 0}}, {{165, 0, 0, 0}}});
    TSY_CreateMaskFromRGBAImageColorRange(img.data(), 100, 0, 0, 25, 16);
    EXPECT_EQ(M(0, 0), 61184);  // diff 64 accepted: (255 - 16) * 256
    EXPECT_EQ(M(1, 0), kUntouched);
}

TEST_F(MaskBuildersTest, AlphaRange) {
    // tol 10: T = trunc(25.6) = 25 around alpha 100: 75..125.
    auto img = Row({{{0, 0, 0, 125}}, {{0, 0, 0, 126}}, {{0, 0, 0, 75}}, {{0, 0, 0, 74}}});
    TSY_CreateMaskFromRGBAImageAlphaRange(img.data(), 100, 10, 1);
    EXPECT_EQ(M(0, 0), 65024);  // (255 - 1) * 256
    EXPECT_EQ(M(1, 0), kUntouched);
    EXPECT_EQ(M(2, 0), 65024);
    EXPECT_EQ(M(3, 0), kUntouched);
}

TEST_F(MaskBuildersTest, LuminanceRangeUsesIntegerMeans) {
    // Reference (10, 20, 31): 61 / 3 = 20. tol 2: T = trunc(5.12) = 5.
    auto img = Row({{{25, 25, 27, 0}},    // 77 / 3 = 25: diff 5
                    {{26, 26, 26, 0}},    // 26: diff 6
                    {{15, 15, 15, 0}},    // 15: diff 5
                    {{14, 14, 16, 0}}});  // 44 / 3 = 14: diff 6
    TSY_CreateMaskFromRGBAImageLuminanceRange(img.data(), 10, 20, 31, 2, 2);
    EXPECT_EQ(M(0, 0), 64768);  // (255 - 2) * 256
    EXPECT_EQ(M(1, 0), kUntouched);
    EXPECT_EQ(M(2, 0), 64768);
    EXPECT_EQ(M(3, 0), kUntouched);
}

// Hue values used below (RgbToHsv, degrees):
//   (255, 0, 0) -> 0; (255, 30, 0) -> 60 * 30/255 = 7.0588; (255, 0, 30) -> 360 - 7.0588 = 352.9412;
//   (255, 36, 0) -> 8.4706; (255, 0, 45) -> 360 - 10.5882 = 349.4118; (0, 255, 0) -> 120;
//   greys -> -1.
struct HueCase {
    const char *name;
    std::array<uint8_t, 3> reference;
    int tol;
    std::array<uint8_t, 3> pixel;
    bool matches;
};

class HueRangeTest : public MaskBuildersTest, public ::testing::WithParamInterface<HueCase> {};

TEST_P(HueRangeTest, ThreeWayWrapAroundTest) {
    const HueCase c = GetParam();
    auto img = Row({{{c.pixel[0], c.pixel[1], c.pixel[2], 255}}});
    TSY_CreateMaskFromRGBAImageHueRange(img.data(), c.reference[0], c.reference[1], c.reference[2], c.tol, 16);
    EXPECT_EQ(M(0, 0), c.matches ? 61184 : kUntouched) << c.name;  // (255 - 16) * 256
}

const std::array<uint8_t, 3> kRed{255, 0, 0};
const std::array<uint8_t, 3> kGrey{128, 128, 128};

INSTANTIATE_TEST_SUITE_P(Cases, HueRangeTest,
                         ::testing::Values(
                             // Red reference, tol 5: D = trunc(9.0) = 9.
                             HueCase{"red_tol5_orange_red", kRed, 5, {255, 30, 0}, true},  // |7.06 - 0| <= 9
                             HueCase{"red_tol5_pink_red", kRed, 5, {255, 0, 30}, true},    // |352.94 - 360 - 0| = 7.06
                             HueCase{"red_tol5_grey", kRed, 5, {128, 128, 128}, true},     // |-1 - 0| = 1
                             HueCase{"red_tol5_black", kRed, 5, {0, 0, 0}, true},          // black is a grey too
                             HueCase{"red_tol5_green", kRed, 5, {0, 255, 0}, false},       // 120
                             // tol 4: D = trunc(7.2) = 7 rejects 7.06 on both sides, still takes greys.
                             HueCase{"red_tol4_orange_red", kRed, 4, {255, 30, 0}, false},
                             HueCase{"red_tol4_pink_red", kRed, 4, {255, 0, 30}, false},
                             HueCase{"red_tol4_grey", kRed, 4, {200, 200, 200}, true},
                             // Grey reference (hue -1), tol 5 (D = 9): greys, and reds within about D - 1.
                             HueCase{"grey_ref_grey", kGrey, 5, {50, 50, 50}, true},     // |-1 - -1| = 0
                             HueCase{"grey_ref_red", kGrey, 5, {255, 0, 0}, true},       // |0 + 1| = 1
                             HueCase{"grey_ref_7deg", kGrey, 5, {255, 30, 0}, true},     // |7.06 + 1| = 8.06
                             HueCase{"grey_ref_8_5deg", kGrey, 5, {255, 36, 0}, false},  // |8.47 + 1| = 9.47
                             HueCase{"grey_ref_353deg", kGrey, 5, {255, 0, 30}, true},   // |352.94 - 360 + 1| = 6.06
                             HueCase{"grey_ref_349deg", kGrey, 5, {255, 0, 45}, false},  // |349.41 - 359| = 9.59
                             // Reference near 360, pixel near 0: |H - (H0 - 360)| = |7.06 + 7.06| = 14.12.
                             HueCase{"wrap_up_tol8", {255, 0, 30}, 8, {255, 30, 0}, false},  // D = trunc(14.4) = 14
                             HueCase{"wrap_up_tol9", {255, 0, 30}, 9, {255, 30, 0}, true},   // D = trunc(16.2) = 16
                             // Reference near 0, pixel near 360: |H - 360 - H0| = |-7.06 - 7.06| = 14.12.
                             HueCase{"wrap_down_tol8", {255, 30, 0}, 8, {255, 0, 30}, false},
                             HueCase{"wrap_down_tol9", {255, 30, 0}, 9, {255, 0, 30}, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(HueWithin, BoundIsInclusive) {
    EXPECT_TRUE(HueWithin(9.0, 0.0, 9.0));
    EXPECT_FALSE(HueWithin(9.5, 0.0, 9.0));
    EXPECT_TRUE(HueWithin(355.0, 5.0, 10.0));  // 355 - 360 - 5 = -10
    EXPECT_TRUE(HueWithin(5.0, 355.0, 10.0));  // 5 - (355 - 360) = 10
    EXPECT_FALSE(HueWithin(180.0, 0.0, 179.0));
}

TEST_F(MaskBuildersTest, HueRangeSelectsAWholeImage) {
    // Runs of equal pixels and changes between them all see their own hue.
    auto img = Row(
        {{{255, 30, 0, 0}}, {{255, 30, 0, 0}}, {{0, 255, 0, 0}}, {{0, 255, 0, 0}}, {{255, 30, 0, 0}}, {{9, 9, 9, 0}}});
    TSY_CreateMaskFromRGBAImageHueRange(img.data(), 255, 0, 0, 5, 16);
    const uint16_t expected[6] = {61184, 61184, 0, 0, 61184, 61184};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(M(x, 0), expected[x]) << x;
}

// HSL values (RgbToHsl): (255, 0, 0) -> H 0, S 1, L 0.5; (255, 30, 0) -> H 7.0588, S 1, L 0.5;
// (255, 0, 30) -> H 352.9412, S 1, L 0.5; (150, 150, 150) -> H 0, S 0, L 150/255;
// (200, 100, 100) -> H 0, S 0.392/0.824 = 0.4762, L 150/255.
struct HslCase {
    const char *name;
    std::array<uint8_t, 3> reference;
    double hueTol, satTol, lumTol;
    std::array<uint8_t, 3> pixel;
    bool matches;
};

class HslRangeTest : public MaskBuildersTest, public ::testing::WithParamInterface<HslCase> {};

TEST_P(HslRangeTest, AllThreeConditions) {
    const HslCase c = GetParam();
    auto img = Row({{{c.pixel[0], c.pixel[1], c.pixel[2], 255}}});
    TSY_CreateMaskFromRGBAImageHSLRange(img.data(), c.reference[0], c.reference[1], c.reference[2], c.hueTol, c.satTol,
                                        c.lumTol, 3);
    EXPECT_EQ(M(0, 0), c.matches ? 64512 : kUntouched) << c.name;  // (255 - 3) * 256
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HslRangeTest,
    ::testing::Values(HslCase{"same_colour_zero_tolerance", {200, 100, 100}, 0, 0, 0, {200, 100, 100}, true},
                      // hueTol 0.04 -> 7.2 degrees, not truncated to 7: 7.06 passes.
                      HslCase{"hue_bound_not_truncated", kRed, 0.04, 0, 0, {255, 30, 0}, true},
                      HslCase{"hue_bound_below", kRed, 0.039, 0, 0, {255, 30, 0}, false},  // 7.02 < 7.06
                      HslCase{"hue_wraps", kRed, 0.04, 0, 0, {255, 0, 30}, true},          // |352.94 - 360| = 7.06
                      // A grey has hue 0 and saturation 0: it meets a red hue; saturation decides.
                      HslCase{"grey_sat_within", {200, 100, 100}, 0, 0.5, 0.01, {150, 150, 150}, true},
                      HslCase{"grey_sat_outside", {200, 100, 100}, 0, 0.4, 0.01, {150, 150, 150}, false},
                      // Lightness: (255, 0, 0) has L 0.5, (128, 0, 0) has L 64/255 = 0.251.
                      HslCase{"lum_outside", kRed, 0, 1, 0.2, {128, 0, 0}, false},
                      HslCase{"lum_within", kRed, 0, 1, 0.25, {128, 0, 0}, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(MaskBuildersTest, FloodMapSelectsExactlyOne) {
    NewCanvas(4, 1);
    FillMask(kUntouched);
    const uint8_t map[4] = {1, 0, 2, 255};
    TSY_CreateMaskFromFloodMask(map, 128);
    EXPECT_EQ(M(0, 0), 32512);  // (255 - 128) * 256
    EXPECT_EQ(M(1, 0), kUntouched);
    EXPECT_EQ(M(2, 0), kUntouched);
    EXPECT_EQ(M(3, 0), kUntouched);
}

TEST_F(MaskBuildersTest, DifferenceOfAnyByte) {
    NewCanvas(4, 1);
    FillMask(5);
    const uint8_t a[16] = {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4};
    const uint8_t b[16] = {1, 2, 3, 4, 9, 2, 3, 4, 1, 2, 3, 0, 1, 2, 3, 4};
    TSY_CreateMaskFromDiff_RGBA32(a, b, 70000);  // low 16 bits: 70000 - 65536 = 4464
    EXPECT_EQ(M(0, 0), 5);
    EXPECT_EQ(M(1, 0), 4464);  // red differs
    EXPECT_EQ(M(2, 0), 4464);  // alpha differs
    EXPECT_EQ(M(3, 0), 5);
}

TEST_F(MaskBuildersTest, BuildersWithoutImageOrMaskDoNothing) {
    NewCanvas(2, 2);
    FillMask(9);
    TSY_CreateMaskFromRGBAImageColor(nullptr, 0, 0, 0, 0);
    TSY_CreateMaskFromRGBAImageHueRange(nullptr, 0, 0, 0, 10, 0);
    TSY_CreateMaskFromFloodMask(nullptr, 0);
    TSY_CreateMaskFromDiff_RGBA32(nullptr, nullptr, 1);
    EXPECT_EQ(M(1, 1), 9);
    TSY_DeleteImage();
    const uint8_t img[16] = {};
    TSY_CreateMaskFromRGBAImageColor(img, 0, 0, 0, 0);  // no mask: nothing
    TSY_CreateMaskFromRGBAImageHSLRange(img, 0, 0, 0, 1, 1, 1, 0);
    EXPECT_EQ(g_engine.mask, nullptr);
}

}  // namespace
