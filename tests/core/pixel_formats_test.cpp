// Channel widths, mask-and-texture weights, run-length line codecs, packed
// converters and the filter preparations. Expected values are worked out from
// the formulas in the comments.
#include "core/pixel_formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine_fixture.h"

namespace {

std::vector<uint16_t> Pixels(int n, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    std::vector<uint16_t> v(4 * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        v[4 * i] = r;
        v[4 * i + 1] = g;
        v[4 * i + 2] = b;
        v[4 * i + 3] = a;
    }
    return v;
}

// ---- Weights ---------------------------------------------------------------------

struct WeightCase {
    const char *name;
    bool hasTexture;
    uint32_t t;
    bool hasMask;
    uint32_t M;
    uint32_t ruleA;
    uint32_t ruleB;
};

class WeightTest : public ::testing::TestWithParam<WeightCase> {};

TEST_P(WeightTest, RulesAAndB) {
    const WeightCase c = GetParam();
    EXPECT_EQ(WeightRuleA(c.hasTexture, c.t, c.hasMask, c.M), c.ruleA);
    EXPECT_EQ(WeightRuleB(c.hasTexture, c.t, c.hasMask, c.M), c.ruleB);
}

// Rule A texture: ((2t + 1) * 65535) >> 8; mask: ((m + 1) * w) >> 8, m = M >> 8.
// Rule B texture: (t * 131070) >> 8; mask: (M * w) >> 16.
INSTANTIATE_TEST_SUITE_P(
    Cases, WeightTest,
    ::testing::Values(WeightCase{"nothing", false, 0, false, 0, 65535, 65535},
                      WeightCase{"texture0", true, 0, false, 0, 0, 0},
                      // A: (3 * 65535) >> 8 = 196605 >> 8 = 767; B: 131070 >> 8 = 511
                      WeightCase{"texture1", true, 1, false, 0, 767, 511},
                      // A: 129 * 65535 = 8454015 >> 8 = 33023; B: 8388480 >> 8 = 32767
                      WeightCase{"texture64", true, 64, false, 0, 33023, 32767},
                      // A: 255 * 65535 = 16711425 >> 8 = 65279; B: 16645890 >> 8 = 65023
                      WeightCase{"texture127", true, 127, false, 0, 65279, 65023},
                      WeightCase{"texture128", true, 128, false, 0, 65535, 65535},
                      WeightCase{"texture250", true, 250, false, 0, 65535, 65535},
                      // A: m = 0 blocks; B: (200 * 65535) >> 16 = 199
                      WeightCase{"mask200", false, 0, true, 200, 0, 199},
                      WeightCase{"maskFull", false, 0, true, 65535, 65535, 65535},
                      // A: m = 255 passes; B: (65280 * 65535) >> 16 = 65279
                      WeightCase{"mask65280", false, 0, true, 65280, 65535, 65279},
                      // A: m = 128: (129 * 65535) >> 8 = 33023; B: (32768 * 65535) >> 16 = 32767
                      WeightCase{"mask32768", false, 0, true, 32768, 33023, 32767},
                      // A: (129 * 33023) >> 8 = 4259967 >> 8 = 16640; B: (32768 * 32767) >> 16 = 16383
                      WeightCase{"textureAndMask", true, 64, true, 32768, 16640, 16383},
                      WeightCase{"maskZero", false, 0, true, 0, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WeightedBlendTest, Formula) {
    EXPECT_EQ(WeightedBlend(200, 10000, 65535), 51200);  // 200 * 256
    EXPECT_EQ(WeightedBlend(200, 10000, 0), 10000);
    // (200 * 32768 + ((10000 * 32767) >> 8)) >> 8 = (6553600 + 1279960) >> 8 = 30599
    EXPECT_EQ(WeightedBlend(200, 10000, 32768), 30599);
    // (255 * 65534 + ((65535 * 1) >> 8)) >> 8 = (16711170 + 255) >> 8 = 16711425 >> 8 = 65279
    EXPECT_EQ(WeightedBlend(255, 65535, 65534), 65279);
}

struct LoadPixelCase {
    const char *name;
    uint16_t dest[4];
    uint8_t src[4];
    uint32_t w;
    bool lock;
    uint16_t expected[4];
};

class LoadPixelTest : public ::testing::TestWithParam<LoadPixelCase> {};

TEST_P(LoadPixelTest, WeightedRule) {
    const LoadPixelCase c = GetParam();
    uint16_t d[4];
    std::memcpy(d, c.dest, sizeof d);
    LoadPixelWeighted(d, c.src, c.w, c.lock);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(d[i], c.expected[i]) << "channel " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadPixelTest,
    ::testing::Values(
        LoadPixelCase{"fullCopies", {1, 2, 3, 4}, {10, 20, 30, 40}, 65535, false, {2560, 5120, 7680, 10240}},
        LoadPixelCase{"fullLockedKeepsAlpha", {1, 2, 3, 4}, {10, 20, 30, 40}, 65535, true, {2560, 5120, 7680, 4}},
        LoadPixelCase{"zeroLeaves", {1, 2, 3, 4}, {10, 20, 30, 40}, 0, false, {1, 2, 3, 4}},
        // dest A = 0: colour copied, A = (200 * 256 * 32768) >> 16 = 25600
        LoadPixelCase{"transparentDest", {1, 2, 3, 0}, {10, 20, 30, 200}, 32768, false, {2560, 5120, 7680, 25600}},
        LoadPixelCase{"transparentDestLocked", {1, 2, 3, 0}, {10, 20, 30, 200}, 32768, true, {2560, 5120, 7680, 0}},
        // source a = 0: colour kept, A = (65535 * 32767) >> 16 = 32766
        LoadPixelCase{"transparentSourceHalves", {1, 2, 3, 65535}, {10, 20, 30, 0}, 32768, false, {1, 2, 3, 32766}},
        LoadPixelCase{"transparentSourceLocked", {1, 2, 3, 65535}, {10, 20, 30, 0}, 32768, true, {1, 2, 3, 65535}},
        // each channel (s * w + ((d * (65535 - w)) >> 8)) >> 8 with w = 32768:
        // R: (200 * 32768 + ((10000 * 32767) >> 8)) >> 8 = 30599
        // G: (0 + ((20000 * 32767) >> 8)) >> 8 = 2559921 >> 8 = 9999
        // B: (255 * 32768 + 0) >> 8 = 32640
        // A: (100 * 32768 + ((65535 * 32767) >> 8)) >> 8 = (3276800 + 8388223) >> 8 = 45566
        LoadPixelCase{"blend", {10000, 20000, 0, 65535}, {200, 0, 255, 100}, 32768, false, {30599, 9999, 32640, 45566}},
        LoadPixelCase{
            "blendLocked", {10000, 20000, 0, 65535}, {200, 0, 255, 100}, 32768, true, {30599, 9999, 32640, 65535}}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- Run-length codecs ----------------------------------------------------------

TEST(RleColorTest, SixHundredIdenticalPixelsGiveThreeRuns) {
    const auto src = Pixels(600, 0x1234, 0xABCD, 0x00FF, 0xFFFF);
    std::vector<uint8_t> stream(5 * 600);
    ASSERT_EQ(TSY_RLECompressRGBA64ToRGBA32(src.data(), stream.data(), 600), 15);
    const uint8_t expected[15] = {255, 0x12, 0xAB, 0x00, 0xFF, 255, 0x12, 0xAB, 0x00, 0xFF, 90, 0x12, 0xAB, 0x00, 0xFF};
    EXPECT_EQ(std::memcmp(stream.data(), expected, 15), 0);

    std::vector<uint16_t> back(4 * 600, 7);
    TSY_RLEUncompressRGBA32ToRGBA64(stream.data(), back.data(), 600);
    EXPECT_EQ(back, Pixels(600, 0x1200, 0xAB00, 0x0000, 0xFF00));
}

TEST(RleColorTest, LowBytesAreLost) {
    std::vector<uint16_t> src = {0x1000, 0x2000, 0x3000, 0x4000, 0x10FF, 0x20AA, 0x3001, 0x40FF};
    uint8_t stream[10];
    ASSERT_EQ(TSY_RLECompressRGBA64ToRGBA32(src.data(), stream, 2), 5);
    const uint8_t expected[5] = {2, 0x10, 0x20, 0x30, 0x40};
    EXPECT_EQ(std::memcmp(stream, expected, 5), 0);
}

TEST(RleColorTest, ChangesStartNewRuns) {
    std::vector<uint16_t> src = {0x0100, 0, 0, 0, 0x0100, 0, 0, 0, 0x0200, 0, 0, 0, 0x0100, 0, 0, 0};
    uint8_t stream[20];
    ASSERT_EQ(TSY_RLECompressRGBA64ToRGBA32(src.data(), stream, 4), 15);
    const uint8_t expected[15] = {2, 1, 0, 0, 0, 1, 2, 0, 0, 0, 1, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(stream, expected, 15), 0);
}

TEST(RleColorTest, ZeroOrOnePixelGivesOneRunFromTheFirst) {
    const std::vector<uint16_t> src = {0xFE00, 0x0100, 0x0200, 0x0300};
    for (int n : {0, 1}) {
        uint8_t stream[5] = {};
        ASSERT_EQ(TSY_RLECompressRGBA64ToRGBA32(src.data(), stream, n), 5) << n;
        const uint8_t expected[5] = {1, 0xFE, 1, 2, 3};
        EXPECT_EQ(std::memcmp(stream, expected, 5), 0) << n;
    }
}

TEST(RleColorTest, NullPointers) {
    uint16_t px[4] = {};
    uint8_t stream[5] = {};
    EXPECT_EQ(TSY_RLECompressRGBA64ToRGBA32(nullptr, stream, 1), 0);
    EXPECT_EQ(TSY_RLECompressRGBA64ToRGBA32(px, nullptr, 1), 0);
    TSY_RLEUncompressRGBA32ToRGBA64(nullptr, px, 1);
    TSY_RLEUncompressRGBA32ToRGBA64(stream, nullptr, 1);
}

// Malformed streams: runs past n are cut, zero runs write nothing, and the
// decoder never writes past n pixels nor reads past the longest stream n
// pixels can give (5n bytes, here exactly the buffer the vector holds).
TEST(RleColorTest, MalformedStreamsStayInsideN) {
    struct Case {
        const char *name;
        std::vector<uint8_t> stream;
        int n;
        std::vector<uint16_t> expected;  // the n pixels after decoding (start: all 7)
    };
    const std::vector<Case> cases = {
        {"runPastEnd",
         {200, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         3,
         {256, 512, 768, 1024, 256, 512, 768, 1024, 256, 512, 768, 1024}},
        {"zeroRunsWriteNothing",
         {0, 9, 9, 9, 9, 0, 9, 9, 9, 9, 1, 1, 1, 1, 1},
         3,
         {256, 256, 256, 256, 7, 7, 7, 7, 7, 7, 7, 7}},
        {"allZeroCounts", std::vector<uint8_t>(10, 0), 2, std::vector<uint16_t>(8, 7)},
        {"secondRunCut", {1, 1, 1, 1, 1, 255, 2, 2, 2, 2}, 2, {256, 256, 256, 256, 512, 512, 512, 512}},
    };
    for (const auto &c : cases) {
        std::vector<uint16_t> dest(4 * c.n + 4, 7);
        // heap copy of exactly 5n bytes so that any over-read is caught by ASan
        std::vector<uint8_t> stream(c.stream.begin(), c.stream.begin() + 5 * c.n);
        TSY_RLEUncompressRGBA32ToRGBA64(stream.data(), dest.data(), c.n);
        EXPECT_EQ(std::vector<uint16_t>(dest.begin(), dest.begin() + 4 * c.n), c.expected) << c.name;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(dest[4 * c.n + i], 7) << c.name << ": wrote past n";
    }
}

TEST(RleColorTest, DecoderWithLengthStopsAtTheStreamEnd) {
    const uint8_t stream[7] = {3, 1, 2, 3, 4, 9, 9};  // one whole run and a stray tail
    std::vector<uint16_t> dest(4 * 10, 7);
    EXPECT_EQ(RleDecodeRGBA32ToRGBA64(stream, sizeof stream, dest.data(), 10), 3);
    EXPECT_EQ(dest[12], 7);
    EXPECT_EQ(RleDecodeRGBA32ToRGBA64(stream, 4, dest.data(), 10), 0);
}

TEST(RleColorTest, RoundTripOfAVariedRow) {
    std::vector<uint16_t> src(4 * 1000);
    uint32_t seed = 12345;
    for (size_t i = 0; i < src.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        // long stretches of repeated high bytes mixed with changes
        src[i] = static_cast<uint16_t>(((i / 4) / 300 % 3) * 0x5500 + ((i / 4) % 7 == 0 ? (seed >> 16) : 0));
    }
    std::vector<uint8_t> stream(5 * 1000);
    const int bytes = TSY_RLECompressRGBA64ToRGBA32(src.data(), stream.data(), 1000);
    ASSERT_GT(bytes, 0);
    ASSERT_EQ(bytes % 5, 0);
    std::vector<uint16_t> back(4 * 1000);
    TSY_RLEUncompressRGBA32ToRGBA64(stream.data(), back.data(), 1000);
    for (size_t i = 0; i < src.size(); ++i) ASSERT_EQ(back[i], src[i] & 0xFF00) << i;
}

TEST(RleGreyTest, RunsAndRoundTrip) {
    std::vector<uint16_t> src(600, 0x80FF);
    src[599] = 0x0001;
    std::vector<uint8_t> stream(2 * 600);
    // 599 values of 0x80: runs 255, 255, 89; then one run of 0x00
    ASSERT_EQ(TSY_RLECompressG16ToG8(src.data(), stream.data(), 600), 8);
    const uint8_t expected[8] = {255, 0x80, 255, 0x80, 89, 0x80, 1, 0x00};
    EXPECT_EQ(std::memcmp(stream.data(), expected, 8), 0);
    std::vector<uint16_t> back(601, 7);
    TSY_RLEUncompressG8ToG16(stream.data(), back.data(), 600);
    for (int i = 0; i < 599; ++i) ASSERT_EQ(back[i], 0x8000);
    EXPECT_EQ(back[599], 0);
    EXPECT_EQ(back[600], 7);
}

TEST(RleGreyTest, EdgeCases) {
    const uint16_t one = 0xC3C3;
    uint8_t stream[2] = {};
    EXPECT_EQ(TSY_RLECompressG16ToG8(&one, stream, 0), 2);
    EXPECT_EQ(stream[0], 1);
    EXPECT_EQ(stream[1], 0xC3);
    EXPECT_EQ(TSY_RLECompressG16ToG8(nullptr, stream, 1), 0);
    // a run past n is cut; zero runs write nothing
    std::vector<uint8_t> bad = {0, 5, 9, 6, 9, 6};
    std::vector<uint16_t> dest(4, 7);
    TSY_RLEUncompressG8ToG16(bad.data(), dest.data(), 3);
    EXPECT_EQ(dest, (std::vector<uint16_t>{0x0600, 0x0600, 0x0600, 7}));
}

// ---- Packed converters ----------------------------------------------------------------

TEST(ConverterTest, WidenAndNarrowPackedImages) {
    const uint8_t src[8] = {0, 1, 128, 255, 10, 20, 30, 40};
    uint16_t wide[8];
    Rgba32ToRgba64(src, wide, 2, 1);
    const uint16_t expectedWide[8] = {0, 256, 32768, 65280, 2560, 5120, 7680, 10240};
    EXPECT_EQ(std::memcmp(wide, expectedWide, sizeof wide), 0);
    const uint16_t big[8] = {0xFFFF, 0x00FF, 0x8001, 0x7FFF, 1, 2, 3, 4};
    uint8_t narrow[8];
    Rgba64ToRgba32(big, narrow, 1, 2);
    const uint8_t expectedNarrow[8] = {0xFF, 0x00, 0x80, 0x7F, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(narrow, expectedNarrow, 8), 0);
    uint8_t img[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetAlphaRGBA32(img, 2, 1, 99);
    EXPECT_EQ(img[3], 99);
    EXPECT_EQ(img[7], 99);
    EXPECT_EQ(img[2], 3);
}

TEST(ConverterTest, RectFormsNarrowWithTheirStrides) {
    // 3 x 2 RGBA64 image, pixel (x, y) red = (10 * y + x) << 8 | 0x77
    std::vector<uint16_t> img(4 * 3 * 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint16_t *p = &img[4 * (3 * y + x)];
            p[0] = static_cast<uint16_t>(((10 * y + x) << 8) | 0x77);
            p[1] = 0x1100;
            p[2] = 0x2200;
            p[3] = 0xFF00;
        }
    uint8_t out32[8];
    TSY_RGBA64RectToRGBA32(img.data(), 1, 0, 1, 2, 3, 0, out32);
    const uint8_t e32[8] = {1, 0x11, 0x22, 0xFF, 11, 0x11, 0x22, 0xFF};
    EXPECT_EQ(std::memcmp(out32, e32, 8), 0);
    uint8_t out24[6];
    TSY_RGBA64RectToRGBA24(img.data(), 1, 1, 2, 1, 3, 0, out24);
    const uint8_t e24[6] = {11, 0x11, 0x22, 12, 0x11, 0x22};
    EXPECT_EQ(std::memcmp(out24, e24, 6), 0);

    // Get...FromRGBA64Rect: x and y do not move the starts.
    uint8_t dest[2 * 10];
    std::memset(dest, 0xEE, sizeof dest);
    EXPECT_EQ(TSY_GetRGB24FromRGBA64Rect(dest, 10, img.data(), 24, 50, 50, 2, 2), 1);
    const uint8_t eRect[20] = {0,  0x11, 0x22, 1,  0x11, 0x22, 0xEE, 0xEE, 0xEE, 0xEE,
                               10, 0x11, 0x22, 11, 0x11, 0x22, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(dest, eRect, 20), 0);
    EXPECT_EQ(TSY_GetRGBA32FromRGBA64Rect(nullptr, 10, img.data(), 24, 0, 0, 2, 2), 0);
    EXPECT_EQ(TSY_GetRGBA32FromRGBA64(dest, 8, 2, 1, nullptr, 24), 0);
    uint8_t d32[8];
    EXPECT_EQ(TSY_GetRGBA32FromRGBA64(d32, 8, 2, 1, img.data() + 12, 24), 1);
    const uint8_t eRow[8] = {10, 0x11, 0x22, 0xFF, 11, 0x11, 0x22, 0xFF};
    EXPECT_EQ(std::memcmp(d32, eRow, 8), 0);
}

TEST(ConverterTest, ByteShuffles) {
    const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t rgb[6];
    TSY_RGBAToRGB(rgb, 2, 1, rgba);
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 6), (std::vector<uint8_t>{1, 2, 3, 5, 6, 7}));
    TSY_RGBAlphaToRGB(rgb, 2, 1, rgba);
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 6), (std::vector<uint8_t>{4, 4, 4, 8, 8, 8}));
    uint8_t out[8] = {0, 0, 0, 77, 0, 0, 0, 66};
    const uint8_t src24[6] = {10, 20, 31, 255, 255, 254};
    TSY_RGBToRGBA(out, 2, 1, src24);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{10, 20, 31, 77, 255, 255, 254, 66}));
    uint8_t out2[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    TSY_RGBToRGBAlpha(out2, 2, 1, src24);
    // (10 + 20 + 31) / 3 = 20; (255 + 255 + 254) / 3 = 254
    EXPECT_EQ(std::vector<uint8_t>(out2, out2 + 8), (std::vector<uint8_t>{9, 9, 9, 20, 9, 9, 9, 254}));
    TSY_RGBAToRGB(nullptr, 2, 1, rgba);
    TSY_RGBToRGBAlpha(out2, -1, 5, src24);
}

TEST(ConverterTest, BufferFills) {
    uint8_t buf[12] = {1, 1, 1, 0, 2, 2, 2, 9, 3, 3, 3, 0};
    TSY_SetColorAlphaRGBABuf(buf, 3, 1, 7, 8, 9);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 12), (std::vector<uint8_t>{7, 8, 9, 0, 2, 2, 2, 9, 7, 8, 9, 0}));
    TSY_SetColorRGBABuf(buf, 3, 1, 4, 5, 6);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 12), (std::vector<uint8_t>{4, 5, 6, 0, 4, 5, 6, 9, 4, 5, 6, 0}));
    TSY_ClearRGBA32Buf(buf, 1, 2, 10, 20, 30, 40);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 12), (std::vector<uint8_t>{10, 20, 30, 40, 10, 20, 30, 40, 4, 5, 6, 0}));
}

// ---- Filter preparations ------------------------------------------------------------------

struct Prep8Case {
    const char *name;
    uint8_t in[4];
    uint8_t pre[4];
    uint8_t post[4];
};

class Prep8Test : public ::testing::TestWithParam<Prep8Case> {};

// k = 1/255 in double precision.
// pre:  c = trunc((c + 1) * (a * k));  post: c = min(255, trunc(c * (1 / (a * k))))
TEST_P(Prep8Test, PreAndPost) {
    const Prep8Case c = GetParam();
    uint8_t px[4];
    std::memcpy(px, c.in, 4);
    TSY_AdjustRGBA32PreFilter(px, 1, 1);
    EXPECT_EQ(std::vector<uint8_t>(px, px + 4), std::vector<uint8_t>(c.pre, c.pre + 4));
    std::memcpy(px, c.in, 4);
    TSY_AdjustRGBA32PostFilter(px, 1, 1);
    EXPECT_EQ(std::vector<uint8_t>(px, px + 4), std::vector<uint8_t>(c.post, c.post + 4));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Prep8Test,
    ::testing::Values(
        // a = 128: pre 101 * 0.50196 = 50.7 -> 50, 65 * 0.50196 = 32.6 -> 32, 1 * 0.50196 -> 0;
        // post 100 * 1.9921875 = 199.2 -> 199, 64 * 1.9921875 = 127.5 -> 127, 0 -> 0
        Prep8Case{"half", {100, 64, 0, 128}, {50, 32, 0, 128}, {199, 127, 0, 128}},
        // post clamps: 200 * 1.9921875 = 398.4 -> 255
        Prep8Case{"postClamps", {200, 200, 200, 128}, {100, 100, 100, 128}, {255, 255, 255, 128}},
        // a = 254: post 100 * (255 / 254) = 100.39 -> 100, alpha becomes 255; pre 101 * 0.996 = 100.6 -> 100
        Prep8Case{"alpha254", {100, 100, 100, 254}, {100, 100, 100, 254}, {100, 100, 100, 255}},
        Prep8Case{"opaqueUntouched", {100, 50, 3, 255}, {100, 50, 3, 255}, {100, 50, 3, 255}},
        Prep8Case{"transparentUntouched", {100, 50, 3, 0}, {100, 50, 3, 0}, {100, 50, 3, 0}},
        // Cases where the double products differ from integer division:
        // post a = 25, c = 25: 25 * (1 / (25 / 255)) = 254.99999999999997 -> 254 (25 * 255 / 25 = 255)
        // (pre at a = 25: 26 * 0.098 = 2.5 -> 2, 85 * 0.098 = 8.3 -> 8)
        // pre a = 33, c = 84: 85 * (33 / 255) = 10.999999999999998 -> 10 (85 * 33 / 255 = 11)
        Prep8Case{"doubleNotInteger", {25, 84, 0, 25}, {2, 8, 0, 25}, {254, 255, 0, 25}},
        Prep8Case{"doubleNotIntegerPre", {84, 0, 0, 33}, {10, 0, 0, 33}, {255, 0, 0, 33}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FilterPrepTest, PostFilterNeedsRows) {
    uint8_t px[4] = {100, 100, 100, 254};
    TSY_AdjustRGBA32PostFilter(px, 1, 0);
    EXPECT_EQ(px[3], 254);
    TSY_AdjustRGBA32PostFilter(nullptr, 1, 1);
}

TEST(FilterPrepTest, RGBA64PreAndPost) {
    // k16 = 1/65535. a = 32768: pre 1000 * 0.500007629 = 500.0076 -> 500;
    // post 1000 * 1.99996948 = 1999.97 -> 1999, 40000 * 1.99996948 = 79998.8 -> 65535
    uint16_t px[4] = {1000, 40000, 0, 32768};
    TSY_AdjustRGBA64PreFilter(px, 1, 1);
    EXPECT_EQ(px[0], 500);
    EXPECT_EQ(px[1], 20000);  // 40000 * 0.500007629 = 20000.3 -> 20000
    uint16_t q[4] = {1000, 40000, 0, 32768};
    TSY_AdjustRGBA64PostFilter(q, 1, 1);
    EXPECT_EQ(q[0], 1999);
    EXPECT_EQ(q[1], 65535);
    EXPECT_EQ(q[3], 32768);
    // a = 57, c = 65535: 65535 * (57 * (1 / 65535)) = 56.99999999999999 -> 56 (integer: 57)
    uint16_t r[4] = {65535, 0, 0, 57};
    TSY_AdjustRGBA64PreFilter(r, 1, 1);
    EXPECT_EQ(r[0], 56);
    // a = 0 is left alone by both
    uint16_t z[4] = {5, 6, 7, 0};
    TSY_AdjustRGBA64PreFilter(z, 1, 1);
    TSY_AdjustRGBA64PostFilter(z, 1, 1);
    EXPECT_EQ(z[0], 5);
}

}  // namespace
