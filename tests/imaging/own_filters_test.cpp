// Own filter library: entry routines, parameter block and "Value Blur".
#include "imaging/own_filters.h"

#include <cstring>
#include <vector>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "engine_fixture.h"

namespace {

using OwnFilterTest = EngineTest;

// Grey pixels (red = green = blue = v) with the given alphas, rows top first.
std::vector<uint8_t> GreyImage(const std::vector<int> &values, const std::vector<int> &alphas) {
    std::vector<uint8_t> img(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) {
        img[4 * i] = img[4 * i + 1] = img[4 * i + 2] = static_cast<uint8_t>(values[i]);
        img[4 * i + 3] = static_cast<uint8_t>(alphas[i]);
    }
    return img;
}

int RunValueBlurOn(const std::vector<uint8_t> &src, std::vector<uint8_t> &dst, int w, int h, int p1, int p3, int p4) {
    return RunOwnFilterOn(src.data(), dst.data(), w, h, "Value Blur", p1, 0, p3, p4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          0, 0, 0);
}

// 4 x 3 grey image, p3 = 500 (k_light = trunc(0.5 * 65535) = 32767), p4 = 0
// (k_dark = 0: darker P never changes N). A blend with k = 32767 gives
// n' = (floor(32767 n / 256) + 128 p) >> 8.
//
//   start            200   0   0   0      alphas all 255
//                      0   0   0   0
//                      0   0   0 100
// h1 (row 0, x 0..1, N right): (1,0) = 25600>>8 = 100, alpha
//    (32639 + 32640)>>8 = 254; (2,0) from 100/254: 12800>>8 = 50, alpha
//    (32639 + 32512)>>8 = 254.
// h2 (row 2, x 3..2, N left): (2,2) = 50 a254; (1,2) from 50/254: 25 a254.
// h3 (row 1): all equal.  h4 (row 2, N right): P darker each time.
// v1 (row 0, N below): (0,1) = 100 a254; (1,1) from 100/254 = 50 a254.
// v2 (row 2, N above): (3,1) = 50 a254; (2,1) from 50/254 = 25 a254.
// v3 (row 0, N below, x 3..2): (3,1) P = 0 darker; (2,1) P = 50 a254 over
//    N = 25 a254: (floor(32767*25/256) = 3199 + 6400) >> 8 = 37, alpha
//    (floor(32767*254/256) = 32511 + 32512) >> 8 = 253.
// v4 (row 2, N above): P darker each time.
TEST_F(OwnFilterTest, ValueBlurHandComputed) {
    const std::vector<uint8_t> src = GreyImage({200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100}, std::vector<int>(12, 255));
    std::vector<uint8_t> dst(src.size(), 77);
    ASSERT_EQ(RunValueBlurOn(src, dst, 4, 3, 0, 500, 0), 1);
    const std::vector<uint8_t> expected = GreyImage({200, 100, 50, 0, 100, 50, 37, 50, 0, 25, 50, 100},
                                                    {255, 254, 254, 255, 254, 254, 253, 254, 255, 254, 254, 255});
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(dst[i], expected[i]) << "byte " << i;
    EXPECT_EQ(g_engine.filterKeep, 1);  // the sweep leaves the target kept
    EXPECT_EQ(src[4], 0);               // the source is only read
}

TEST_F(OwnFilterTest, ValueBlurZeroWeightsChangeNothing) {
    std::vector<uint8_t> src(5 * 4 * 4);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 37);
    std::vector<uint8_t> dst(src.size());
    RunValueBlurOn(src, dst, 5, 4, 0, 0, 0);
    EXPECT_EQ(dst, src);
}

// Weight 65535 lowers every non-zero channel of N by exactly 1:
// (65535 c) >> 8 = 256 c - 1, >> 8 = c - 1. A 3 x 3 black image with a white
// pixel at (1, 0): pass h1 (row 0, x 0..0) blends the white N toward the
// darker P (0, 0) and makes it 254 in every channel, alpha included; every
// other pair the passes visit is black beside black and stays.
TEST_F(OwnFilterTest, ValueBlurFullWeightLowersByOne) {
    const std::vector<uint8_t> src = GreyImage({0, 255, 0, 0, 0, 0, 0, 0, 0}, std::vector<int>(9, 255));
    std::vector<uint8_t> dst(src.size());
    RunValueBlurOn(src, dst, 3, 3, 0, 1000, 1000);
    std::vector<uint8_t> expected = src;
    for (int c = 0; c < 4; ++c) expected[4 + c] = 254;
    EXPECT_EQ(dst, expected);
}

TEST_F(OwnFilterTest, KeptTargetIsFilteredAgain) {
    const std::vector<uint8_t> src = GreyImage({0, 255, 0, 0, 0, 0, 0, 0, 0}, std::vector<int>(9, 255));
    std::vector<uint8_t> dst = src;
    RunValueBlurOn(src, dst, 3, 3, 1, 1000, 1000);  // p1 = 1: no copy, works on dst
    RunValueBlurOn(src, dst, 3, 3, 1, 1000, 1000);
    EXPECT_EQ(dst[4], 253);
    EXPECT_EQ(dst[7], 253);
}

TEST_F(OwnFilterTest, TinyImagesAndNullsDoNothing) {
    std::vector<uint8_t> src(4 * 4, 200), dst(4 * 4, 9);
    src[0] = 0;
    EXPECT_EQ(RunValueBlurOn(src, dst, 4, 1, 1, 500, 500), 1);  // one row: no pass
    EXPECT_EQ(dst, std::vector<uint8_t>(16, 9));
    EXPECT_EQ(RunOwnFilterOn(nullptr, dst.data(), 4, 1, "Value Blur", 0, 0, 500, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0, 0, 0),
              0);
    EXPECT_EQ(RunOwnFilterOn(src.data(), nullptr, 4, 1, "Value Blur", 0, 0, 500, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0, 0, 0),
              0);
}

TEST_F(OwnFilterTest, EntryFillsTheParameterBlock) {
    std::vector<uint8_t> src(3 * 2 * 4, 5), dst(3 * 2 * 4, 0);
    g_engine.filter.filterP2 = 41;
    RunOwnFilterOn(src.data(), dst.data(), 3, 2, "No Such Filter", 0, 9, 1000, 500, 250, 3, 2, 1, 77, 88, 0x101, 0x102,
                   3, 4, 5, 6, 255, 51, 0);
    const OwnFilterParams &b = g_engine.filter;
    EXPECT_EQ(dst, src);  // p1 = 0 copies; the unknown name does nothing more
    EXPECT_EQ(b.filterTarget, dst.data());
    EXPECT_EQ(b.filterSource, src.data());
    EXPECT_EQ(b.filterBottom, 1);
    EXPECT_EQ(b.filterRight, 2);
    EXPECT_EQ(b.filterTop, 0);
    EXPECT_EQ(b.filterLeft, 0);
    EXPECT_EQ(b.filterHeight, 2);
    EXPECT_EQ(b.filterWidth, 3);
    EXPECT_EQ(b.filterStride, 12);
    EXPECT_EQ(b.filterP2, 41);  // not stored by this entry
    EXPECT_DOUBLE_EQ(b.filterP3, 1.0);
    EXPECT_DOUBLE_EQ(b.filterP4, 0.5);
    EXPECT_DOUBLE_EQ(b.filterP5, 0.25);
    EXPECT_DOUBLE_EQ(b.filterP8, 0.001);
    EXPECT_EQ(b.filterP9, 77);
    EXPECT_EQ(b.filterP10, 88);
    EXPECT_EQ(b.filterP11, 1);  // low bytes
    EXPECT_EQ(b.filterP12, 2);
    EXPECT_EQ(b.filterP16, 6);
    EXPECT_DOUBLE_EQ(b.filterRed, 1.0);
    EXPECT_DOUBLE_EQ(b.filterGreen, 51 * 0.00392156862745098);
    EXPECT_DOUBLE_EQ(b.filterBlue, 0.0);
    EXPECT_EQ(g_engine.filterKeep, 0);
}

TEST_F(OwnFilterTest, CanvasEntryNeedsBothProcessingBuffers) {
    NewCanvas(4, 3, 8);
    EXPECT_EQ(RunOwnFilter("Value Blur", 0, 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    const int bytes = 4 * 3 * 4;
    g_engine.IPLSrcBuffer32 = x_NewCharUndoReduce(bytes);
    g_engine.IPLSrcSize = bytes;
    EXPECT_EQ(RunOwnFilter("Value Blur", 0, 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    g_engine.IPLDstBuffer32 = x_NewCharUndoReduce(bytes);
    g_engine.IPLDstSize = bytes;

    const std::vector<uint8_t> src = GreyImage({200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100}, std::vector<int>(12, 255));
    std::memcpy(g_engine.IPLSrcBuffer32, src.data(), bytes);
    EXPECT_EQ(RunOwnFilter("Value Blur", 0, 123, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(g_engine.filter.filterP2, 123);
    EXPECT_EQ(g_engine.filter.filterWidth, 4);
    EXPECT_EQ(g_engine.filter.filterStride, 16);
    // The same result as the hand-computed case above: (2,1) = 37 with alpha 253.
    const uint8_t *px = g_engine.IPLDstBuffer32 + 4 * (1 * 4 + 2);
    EXPECT_EQ(px[0], 37);
    EXPECT_EQ(px[3], 253);

    // Buffers smaller than the canvas are refused.
    g_engine.IPLDstSize = bytes - 1;
    EXPECT_EQ(RunOwnFilter("Value Blur", 0, 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
}

}  // namespace
