// Resampling and blur: constants stay constant in every mode and pixel size,
// known small cases, bad arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/library/imaging_library.h"

namespace {

using Bytes = std::vector<uint8_t>;

const int kModes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 17, 18};

TEST(ImagingResample, ConstantImagesStayConstantInEveryModeAndSize) {
    struct Size {
        int w, h, nw, nh;
    };
    const Size sizes[] = {{7, 5, 3, 2}, {7, 5, 19, 13}, {1, 1, 4, 3}, {9, 4, 9, 11}, {64, 3, 5, 3}};
    for (int bpp : {1, 3, 4, 8}) {
        for (const Size &s : sizes) {
            for (int mode : kModes) {
                std::vector<uint16_t> src16(size_t(s.w) * s.h * 4), dst16(size_t(s.nw) * s.nh * 4, 1);
                Bytes src(size_t(s.w) * s.h * bpp), dst(size_t(s.nw) * s.nh * bpp, 1);
                uint8_t *sp = src.data(), *dp = dst.data();
                if (bpp == 8) {
                    for (size_t i = 0; i < src16.size(); ++i) src16[i] = uint16_t(1000 + 20000 * (i % 4));
                    sp = reinterpret_cast<uint8_t *>(src16.data());
                    dp = reinterpret_cast<uint8_t *>(dst16.data());
                } else {
                    for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(17 + 60 * (i % bpp));
                }
                ASSERT_EQ(is5_ResizeImage(sp, s.w, s.h, s.w * bpp, dp, s.nw, s.nh, s.nw * bpp, bpp, mode, 0), 1)
                    << "mode " << mode;
                for (size_t i = 0; i < size_t(s.nw) * s.nh * (bpp == 8 ? 4 : bpp); ++i) {
                    if (bpp == 8)
                        ASSERT_EQ(dst16[i], 1000 + 20000 * (i % 4)) << "mode " << mode << " bpp 8 at " << i;
                    else
                        ASSERT_EQ(dst[i], 17 + 60 * (i % bpp)) << "mode " << mode << " bpp " << bpp << " at " << i;
                }
            }
        }
    }
}

TEST(ImagingResample, KnownSmallCases) {
    // Area average 4 -> 2: (10 + 20) / 2 = 15, (30 + 41) / 2 = 35.5 -> 36.
    const Bytes row = {10, 20, 30, 41};
    Bytes out(2);
    ASSERT_EQ(is5_ResizeImage(row.data(), 4, 1, 4, out.data(), 2, 1, 2, 1, 15, 0), 1);
    EXPECT_EQ(out, (Bytes{15, 36}));
    // Area average 3 -> 2: target 0 covers [0, 1.5): (10 + 0.5 x 20) / 1.5 =
    // 13.33 -> 13; target 1 covers [1.5, 3): (0.5 x 20 + 30) / 1.5 = 26.67 -> 27.
    Bytes out3(2);
    ASSERT_EQ(IS3DecimateImage(row.data(), 3, 1, 4, out3.data(), 2, 1, 2, 1, 1), 1);
    EXPECT_EQ(out3, (Bytes{13, 27}));
    // Bilinear 2 -> 4: centres at source 0.25, 0.75, 1.25, 1.75 (pixel
    // centres at 0.5, 1.5); edge samples clamp: 0, 0 + 0.25 x 100 = 25,
    // 75, 100.
    const Bytes two = {0, 100};
    Bytes four(4);
    ASSERT_EQ(is5_ResizeImage(two.data(), 2, 1, 2, four.data(), 4, 1, 4, 1, 18, 0), 1);
    EXPECT_EQ(four, (Bytes{0, 25, 75, 100}));
    // Box enlarging is nearest neighbour.
    ASSERT_EQ(is5_ResizeImage(two.data(), 2, 1, 2, four.data(), 4, 1, 4, 1, 0, 0), 1);
    EXPECT_EQ(four, (Bytes{0, 0, 100, 100}));
    // Box 4 -> 2 averages pairs like the area average.
    ASSERT_EQ(is5_ResizeImage(row.data(), 4, 1, 4, out.data(), 2, 1, 2, 1, 0, 0), 1);
    EXPECT_EQ(out, (Bytes{15, 36}));
    // Same size copies, even with a blurring kernel.
    Bytes same(4);
    ASSERT_EQ(is5_ResizeImage(row.data(), 4, 1, 4, same.data(), 4, 1, 4, 1, 5, 0), 1);
    EXPECT_EQ(same, row);
    // Nearest neighbour picks the pixel under each centre.
    Bytes nn(2);
    ASSERT_EQ(IS3SimpleResampleImage(row.data(), 4, 1, 4, nn.data(), 2, 1, 2, 1), 1);
    EXPECT_EQ(nn, (Bytes{20, 41}));
    // Lanczos3 overshoot is clamped: a sharp step stays inside 0 .. 255.
    const Bytes step = {0, 0, 0, 255, 255, 255};
    Bytes up(12);
    ASSERT_EQ(is5_ResizeImage(step.data(), 6, 1, 6, up.data(), 12, 1, 12, 1, 8, 0), 1);
    EXPECT_EQ(up.front(), 0);
    EXPECT_EQ(up.back(), 255);
}

TEST(ImagingResample, StridesAreHonoured) {
    // A 2 x 2 image in rows of 3 bytes (one padding byte) to 1 x 1, area
    // average: (10 + 20 + 30 + 40) / 4 = 25.
    const Bytes src = {10, 20, 99, 30, 40, 99};
    Bytes out = {0, 77};
    ASSERT_EQ(is5_ResizeImage(src.data(), 2, 2, 3, out.data(), 1, 1, 2, 1, 15, 0), 1);
    EXPECT_EQ(out, (Bytes{25, 77}));
}

TEST(ImagingResample, BadArgumentsFail) {
    Bytes a(16), b(16);
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, b.data(), 2, 2, 8, 4, 14, 0), 0);  // no mode 14
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, b.data(), 2, 2, 8, 4, 16, 0), 0);
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, b.data(), 2, 2, 8, 4, 19, 0), 0);
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, b.data(), 2, 2, 8, 4, -1, 0), 0);
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, b.data(), 2, 2, 8, 2, 8, 0), 0);  // 2 bytes per pixel
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 7, b.data(), 2, 2, 8, 4, 8, 0), 0);  // short stride
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, b.data(), 0, 2, 8, 4, 8, 0), 0);
    EXPECT_EQ(is5_ResizeImage(nullptr, 2, 2, 8, b.data(), 2, 2, 8, 4, 8, 0), 0);
    EXPECT_EQ(is5_ResizeImage(a.data(), 2, 2, 8, a.data(), 2, 2, 8, 4, 8, 0), 0);  // in place
    EXPECT_EQ(IS3ResizeImage(a.data(), 2, 2, 8, b.data(), 1, 1, 4, 4), 1);
    EXPECT_EQ(IS3ResizeImageBicubic(a.data(), 2, 2, 8, b.data(), 1, 1, 4, 4), 1);
}

TEST(ImagingBlur, KernelAndStrength) {
    // A single 160 in a 3 x 3 field of 0: the centre gets 160 x 4 / 16 = 40,
    // edge neighbours 160 x 2 / 16 = 20, corners 10.
    Bytes src(9, 0), dst(9, 1);
    src[4] = 160;
    ASSERT_EQ(IS3BlurImage(src.data(), 3, 3, 1, 3, dst.data(), 3, 100, 1), 1);
    EXPECT_EQ(dst, (Bytes{10, 20, 10, 20, 40, 20, 10, 20, 10}));
    // Strength 50: centre (160 x 16 x 50 + 640 x 50 + 800) / 1600 = 100.
    ASSERT_EQ(IS3BlurImage(src.data(), 3, 3, 1, 3, dst.data(), 3, 50, 1), 1);
    EXPECT_EQ(dst[4], 100);
    EXPECT_EQ(dst[0], 5);  // (0 + 160 x 50 + 800) / 1600 = 5.5 -> 5
    // Strength 0 copies; a clear channel bit copies that channel.
    ASSERT_EQ(IS3BlurImage(src.data(), 3, 3, 1, 3, dst.data(), 3, 0, 1), 1);
    EXPECT_EQ(dst, src);
    ASSERT_EQ(IS3BlurImage(src.data(), 3, 3, 1, 3, dst.data(), 3, 100, 0), 1);
    EXPECT_EQ(dst, src);
    // Edges repeat: a constant image is unchanged; in place works.
    Bytes flat(4 * 5 * 4, 77);
    ASSERT_EQ(IS3BlurImage(flat.data(), 5, 4, 4, 20, flat.data(), 20, 100, 15), 1);
    EXPECT_EQ(flat, Bytes(80, 77));
    EXPECT_EQ(IS3BlurImage(src.data(), 3, 3, 2, 6, dst.data(), 6, 100, 1), 0);
}

}  // namespace
