// Pixel helpers: grey, placement, channel shuffles, crop, flips, turns.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/library/imaging_library.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ImagingPixels, GreyUsesWeights77_150_29) {
    // (77 x 255 + 128) >> 8 = 77; (150 x 255 + 128) >> 8 = 149;
    // (29 x 255 + 128) >> 8 = 29; white (256 x 255 + 128) >> 8 = 255;
    // (77 x 10 + 150 x 20 + 29 x 30 + 128) >> 8 = (770 + 3000 + 870 + 128) >> 8 = 18.
    const Bytes rgba = {255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9, 255, 255, 255, 9, 10, 20, 30, 9};
    Bytes grey(5, 0);
    ASSERT_EQ(IS3ImageToGrayScale8Bit(rgba.data(), 5, 1, 4, 20, grey.data(), 5, 0), 1);
    EXPECT_EQ(grey, (Bytes{77, 149, 29, 255, 18}));
    // The same from RGB24.
    const Bytes rgb = {255, 0, 0, 10, 20, 30};
    Bytes g2(2, 0);
    ASSERT_EQ(IS3ImageToGrayScale8Bit(rgb.data(), 2, 1, 3, 6, g2.data(), 2, 600), 1);
    EXPECT_EQ(g2, (Bytes{77, 18}));
    EXPECT_EQ(IS3ImageToGrayScale8Bit(rgb.data(), 2, 1, 2, 6, g2.data(), 2, 0), 0);
    EXPECT_EQ(IS3ImageToGrayScale8Bit(nullptr, 2, 1, 3, 6, g2.data(), 2, 0), 0);
    EXPECT_EQ(IS3ImageToGrayScale8Bit(rgb.data(), 2, 1, 3, 5, g2.data(), 2, 0), 0);  // stride too small
}

TEST(ImagingPixels, OverlayClipsAtEveryEdge) {
    // A 2 x 2 source (values 1 .. 4) placed on a 3 x 3 target of zeros.
    const Bytes src = {1, 2, 3, 4};
    struct Case {
        const char *name;
        int x, y;
        Bytes expected;
    };
    const Case cases[] = {
        {"inside", 1, 0, {0, 1, 2, 0, 3, 4, 0, 0, 0}},
        {"past right and bottom", 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {"past left and top", -1, -1, {4, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"fully outside", 5, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"fully outside negative", -2, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        Bytes dst(9, 0);
        EXPECT_EQ(IS3OverlayImage(dst.data(), 3, 3, 1, 3, src.data(), 2, 2, 2, c.x, c.y, 1.0, 0), 1) << c.name;
        EXPECT_EQ(dst, c.expected) << c.name;
    }
}

TEST(ImagingPixels, OverlayCopiesWidePixelsAndBlendsByAlphaWithFlag1) {
    // 8-byte pixels are copied whole (undo rectangle copies use them).
    Bytes wide(2 * 8, 0);
    const Bytes one = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(IS3OverlayImage(wide.data(), 2, 1, 8, 16, one.data(), 1, 1, 8, 1, 0, 1.0, 0), 1);
    EXPECT_EQ(wide, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}));

    // Flag 1: opaque source copied, clear source leaves the target, half
    // alpha over an opaque target: a = 128 x 255 + 255 x 127 = 65025 -> 255;
    // red = (200 x 128 x 255 + 0 x 255 x 127 + 32512) / 65025 = 100.
    Bytes target = {0, 0, 0, 255, 9, 9, 9, 255, 0, 0, 0, 255};
    const Bytes source = {10, 20, 30, 255, 50, 50, 50, 0, 200, 100, 0, 128};
    ASSERT_EQ(IS3OverlayImage(target.data(), 3, 1, 4, 12, source.data(), 3, 1, 12, 0, 0, 1.0, 1), 1);
    EXPECT_EQ(target, (Bytes{10, 20, 30, 255, 9, 9, 9, 255, 100, 50, 0, 255}));
    // Over a clear target the source comes through unchanged.
    Bytes clear(4, 0);
    const Bytes half = {200, 100, 7, 128};
    ASSERT_EQ(IS3OverlayImage(clear.data(), 1, 1, 4, 4, half.data(), 1, 1, 4, 0, 0, 1.0, 1), 1);
    EXPECT_EQ(clear, half);
    // Flag 0 copies even clear pixels.
    Bytes t0 = {9, 9, 9, 255};
    const Bytes s0 = {1, 2, 3, 0};
    ASSERT_EQ(IS3OverlayImage(t0.data(), 1, 1, 4, 4, s0.data(), 1, 1, 4, 0, 0, 1.0, 0), 1);
    EXPECT_EQ(t0, s0);
    // Bad arguments.
    EXPECT_EQ(IS3OverlayImage(nullptr, 1, 1, 4, 4, s0.data(), 1, 1, 4, 0, 0, 1.0, 0), 0);
    EXPECT_EQ(IS3OverlayImage(t0.data(), 1, 1, 4, 4, s0.data(), 0, 1, 4, 0, 0, 1.0, 0), 0);
    EXPECT_EQ(IS40_OverlayImage(t0.data(), 1, 1, 4, 4, s0.data(), 1, 1, 4, 0, 0, 1.0, 0.0, 0, 0), 1);
}

TEST(ImagingPixels, SwapSplitCombine) {
    Bytes img = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(IS3RGBAToBGRA(img.data(), 2, 1, 8), 1);
    EXPECT_EQ(img, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));

    // Only the fourth plane given: alpha out; then into the red channel.
    Bytes alpha(2, 0);
    uint8_t *planes[4] = {nullptr, nullptr, nullptr, alpha.data()};
    ASSERT_EQ(IS3SplitImage(img.data(), 2, 1, 4, 8, planes, 2), 1);
    EXPECT_EQ(alpha, (Bytes{4, 8}));
    const uint8_t *in[4] = {alpha.data(), nullptr, nullptr, nullptr};
    ASSERT_EQ(IS3CombineImageChannels(in, 2, 1, 4, 2, img.data(), 8), 1);
    EXPECT_EQ(img, (Bytes{4, 2, 1, 4, 8, 6, 5, 8}));
    uint8_t *none[4] = {};
    EXPECT_EQ(IS3SplitImage(img.data(), 2, 1, 4, 8, none, 2), 0);

    Bytes rgb(6, 0), a(2, 0);
    ASSERT_EQ(IS3SplitRGBAToRGBPlusA(img.data(), 2, 1, 8, rgb.data(), 6, a.data(), 2), 1);
    EXPECT_EQ(rgb, (Bytes{4, 2, 1, 8, 6, 5}));
    EXPECT_EQ(a, (Bytes{4, 8}));
    Bytes rgbOnly(6, 0);
    EXPECT_EQ(IS3SplitRGBAToRGBPlusA(img.data(), 2, 1, 8, rgbOnly.data(), 6, nullptr, 0), 1);
    EXPECT_EQ(rgbOnly, rgb);
    EXPECT_EQ(IS3SplitRGBAToRGBPlusA(img.data(), 2, 1, 8, nullptr, 0, nullptr, 0), 0);
}

TEST(ImagingPixels, CropNormalisesCornersAndZeroFillsOutside) {
    // 3 x 2 one-byte image: 1 2 3 / 4 5 6.
    const Bytes src = {1, 2, 3, 4, 5, 6};
    Bytes out(4, 99);
    ISRect r{2, 2, 0, 0};  // corners given bottom-right first
    ASSERT_EQ(IS3CropImage(src.data(), 3, 2, 3, out.data(), 2, &r, 1), 1);
    EXPECT_EQ(out, (Bytes{1, 2, 4, 5}));
    // Half outside on the right and bottom.
    Bytes out2(4, 99);
    ISRect r2{2, 1, 4, 3};
    ASSERT_EQ(IS3CropImage(src.data(), 3, 2, 3, out2.data(), 2, &r2, 1), 1);
    EXPECT_EQ(out2, (Bytes{6, 0, 0, 0}));
    ISRect empty{1, 1, 1, 2};
    EXPECT_EQ(IS3CropImage(src.data(), 3, 2, 3, out2.data(), 2, &empty, 1), 0);
    EXPECT_EQ(IS3CropImage(src.data(), 3, 2, 3, out2.data(), 1, &r, 1), 0);  // dst stride too small
}

TEST(ImagingPixels, FlipsAndQuarterTurns) {
    // 3 x 2 of two-byte pixels: a b c / d e f.
    Bytes img = {'a', 'A', 'b', 'B', 'c', 'C', 'd', 'D', 'e', 'E', 'f', 'F'};
    Bytes h = img;
    ASSERT_EQ(IS3HorizontalFlipImage(h.data(), 3, 2, 2, 6), 1);
    EXPECT_EQ(h, (Bytes{'c', 'C', 'b', 'B', 'a', 'A', 'f', 'F', 'e', 'E', 'd', 'D'}));
    Bytes v = img;
    ASSERT_EQ(IS3VerticalFlipImage(v.data(), 6, 2), 1);
    EXPECT_EQ(v, (Bytes{'d', 'D', 'e', 'E', 'f', 'F', 'a', 'A', 'b', 'B', 'c', 'C'}));

    // One-byte 3 x 2: a b c / d e f. Clockwise: d a / e b / f c.
    const Bytes s = {'a', 'b', 'c', 'd', 'e', 'f'};
    Bytes cw(6), half(6), ccw(6);
    ASSERT_EQ(IS3QuickRotateImage(s.data(), 3, 2, 1, 3, cw.data(), 2, 0), 1);
    EXPECT_EQ(cw, (Bytes{'d', 'a', 'e', 'b', 'f', 'c'}));
    ASSERT_EQ(IS3QuickRotateImage(s.data(), 3, 2, 1, 3, half.data(), 3, 1), 1);
    EXPECT_EQ(half, (Bytes{'f', 'e', 'd', 'c', 'b', 'a'}));
    ASSERT_EQ(IS3QuickRotateImage(s.data(), 3, 2, 1, 3, ccw.data(), 2, 2), 1);
    EXPECT_EQ(ccw, (Bytes{'c', 'f', 'b', 'e', 'a', 'd'}));
    EXPECT_EQ(IS3QuickRotateImage(s.data(), 3, 2, 1, 3, ccw.data(), 2, 3), 0);
    EXPECT_EQ(IS3QuickRotateImage(s.data(), 3, 2, 1, 3, ccw.data(), 1, 0), 0);
}

TEST(ImagingPixels, StartAndStopCallsSucceed) {
    EXPECT_NE(is5_Initialize(), 0);
    EXPECT_NE(IS40_Initialize(), 0);
    EXPECT_NE(ISE40_Initialize(), 0);
    EXPECT_NE(IS3Initialize(), 0);
    EXPECT_NE(ISE3Initialize(), 0);
    EXPECT_NE(SARAW_Initialize(), 0);
    EXPECT_NE(SARAW_Exit(), 0);
    EXPECT_NE(is5_Exit(), 0);
    EXPECT_NE(IS40_Exit(), 0);
    EXPECT_NE(IS3Exit(), 0);
}

}  // namespace
