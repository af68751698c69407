// Brush shapes: the round shape, the older loader's round shape, the blob
// filter and the picture cache.
#include "brush/brush_shape.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "engine_fixture.h"

namespace {

using BrushShapeTest = EngineTest;

constexpr int kS = 16;  // maxBrushSize of the test canvas

uint16_t Shape(int x, int y) { return g_engine.brushShape[y * kS + x]; }

// Sets size, softness, invert and scale the way the host does, then the
// round shape (no picture name).
void RoundTool(int size, int softness, int invert, float scale) {
    TSY_SetSize(size);
    TSY_SetTool(scale, 0, 0, 0, softness, 0, 0, 0, 0, 0, 0, invert, 0, "", "", 0);
}

TEST_F(BrushShapeTest, SizeOneIsOneScaledValue) {
    NewCanvas(8, 8, kS);
    RoundTool(1, 0, 0, 1.0f);
    EXPECT_EQ(Shape(0, 0), 65535);  // d = 0 <= R = 0.5
    EXPECT_EQ(Shape(1, 0), 0);
    EXPECT_EQ(Shape(0, 1), 0);
    RoundTool(1, 0, 0, 0.5f);
    EXPECT_EQ(Shape(0, 0), 32767);  // trunc(65535 * 0.5)
}

// Size 10, R = 5: pixel centres lie at offsets 0.5 .. 4.5 from the centre.
// Row offset 4.5 (20.25) leaves column offsets with b^2 <= 4.75: 0.5, 1.5
// (4 pixels: columns 3..6); 3.5 (12.25) and 2.5 (6.25) allow up to 3.5
// (columns 1..8); 1.5 and 0.5 allow 4.5 (columns 0..9).
TEST_F(BrushShapeTest, SizeTenHardDisc) {
    NewCanvas(8, 8, kS);
    RoundTool(10, 0, 0, 1.0f);
    const int firstColumn[10] = {3, 1, 1, 0, 0, 0, 0, 1, 1, 3};
    for (int y = 0; y < kS; ++y)
        for (int x = 0; x < kS; ++x) {
            const bool inside = y < 10 && x >= firstColumn[y] && x <= 9 - firstColumn[y];
            ASSERT_EQ(Shape(x, y), inside ? 65535 : 0) << x << "," << y;
        }
    EXPECT_EQ(Shape(0, 0), 0);  // corner: d = sqrt(2 * 4.5^2) = 6.36 > 5
}

// Softness 255: E = 255 * (1/255) * R = R, I = 0, so v = ((R - d) / R) * 65535.
// Size 4, R = 2: the four inner pixels have d = sqrt(0.5) = 0.70711,
// v = (1.29289 / 2) * 65535 = 42364.88 -> 42364; the edge pixels beside them
// d = sqrt(2.5) = 1.58114, v = (0.41886 / 2) * 65535 = 13725.03 -> 13725;
// the corners have d = sqrt(4.5) = 2.12 > 2 and stay 0.
TEST_F(BrushShapeTest, SoftnessFullMakesTheDiscARamp) {
    NewCanvas(8, 8, kS);
    RoundTool(4, 255, 0, 1.0f);
    const uint16_t expected[4][4] = {
        {0, 13725, 13725, 0},
        {13725, 42364, 42364, 13725},
        {13725, 42364, 42364, 13725},
        {0, 13725, 13725, 0},
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Shape(x, y), expected[y][x]) << x << "," << y;

    // Inverted: |v - 65535|: 23170.12 -> 23170 and 51809.97 -> 51809; outside stays 0.
    RoundTool(4, 255, 1, 1.0f);
    EXPECT_EQ(Shape(1, 1), 23170);
    EXPECT_EQ(Shape(1, 0), 51809);
    EXPECT_EQ(Shape(0, 0), 0);
}

TEST_F(BrushShapeTest, InvertedHardDiscIsEmpty) {
    NewCanvas(8, 8, kS);
    RoundTool(10, 0, 1, 1.0f);
    for (int i = 0; i < kS * kS; ++i) ASSERT_EQ(g_engine.brushShape[i], 0);
}

TEST_F(BrushShapeTest, ScaleAboveOneSaturates) {
    NewCanvas(8, 8, kS);
    RoundTool(3, 0, 0, 2.0f);
    EXPECT_EQ(Shape(1, 1), 65535);  // 131070 would wrap to 65534 in 16 bits
    RoundTool(3, 0, 0, -1.0f);
    EXPECT_EQ(Shape(1, 1), 0);
}

TEST_F(BrushShapeTest, EveryValueIsClearedBeforeAShapeIsDrawn) {
    NewCanvas(8, 8, kS);
    RoundTool(16, 0, 0, 1.0f);
    RoundTool(2, 0, 0, 1.0f);
    for (int y = 0; y < kS; ++y)
        for (int x = 0; x < kS; ++x) ASSERT_EQ(Shape(x, y), (x < 2 && y < 2) ? 65535 : 0);
    TSY_SetSize(0);
    TSY_SetBrushShape("", 0);  // a size of 0 has no shape
    for (int i = 0; i < kS * kS; ++i) ASSERT_EQ(g_engine.brushShape[i], 0);
}

// The older loader measures from integer offsets di = i - s/2: for size 4 the
// offsets are -2..1 and a pixel is inside when di^2 + dj^2 <= 4.
TEST_F(BrushShapeTest, OriginalRoundShapeUsesIntegerOffsets) {
    NewCanvas(8, 8, kS);
    RoundTool(4, 0, 0, 1.0f);
    TSY_SetBrushShape_ORIGINAL("", 0);
    const bool inside[4][4] = {
        {false, false, true, false},  // dj = -2: only di = 0
        {false, true, true, true},    // dj = -1: di = -1, 0, 1 (di = -2 gives 5)
        {true, true, true, true},     // dj = 0
        {false, true, true, true},    // dj = 1
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Shape(x, y), inside[y][x] ? 65535 : 0) << x << "," << y;
}

TEST_F(BrushShapeTest, NoCanvasDoesNothing) {
    TSY_SetSize(5);
    TSY_SetBrushShape("", 0);
    TSY_SetBrushShape_ORIGINAL("", 0);
    TSY_UnloadBrushShape();
    TSY_CreateBlobFromImage(3, 1);
    EXPECT_STREQ(TSY_GetLastError(), "");
}

TEST_F(BrushShapeTest, UnloadKeepsNameAndParameter) {
    NewCanvas(8, 8, kS);
    g_engine.shapeImage = new uint8_t[16];
    g_engine.shapeImageWidth = g_engine.shapeImageHeight = 2;
    std::snprintf(g_engine.shapeImageName, sizeof(g_engine.shapeImageName), "%s", "shape.png");
    g_engine.shapeImageParam = 45;
    TSY_UnloadBrushShape();
    EXPECT_EQ(g_engine.shapeImage, nullptr);
    EXPECT_EQ(g_engine.shapeImageWidth, 0);
    EXPECT_EQ(g_engine.shapeImageHeight, 0);
    EXPECT_STREQ(g_engine.shapeImageName, "shape.png");
    EXPECT_EQ(g_engine.shapeImageParam, 45);
}

TEST_F(BrushShapeTest, UnloadableNameGivesTheRoundShape) {
    NewCanvas(8, 8, kS);
    RoundTool(1, 0, 0, 1.0f);
    TSY_SetBrushShape("/nonexistent/shape.png", 0);
    EXPECT_EQ(Shape(0, 0), 65535);
    const std::string longName(2000, 'a');  // longer than the 1023 characters a name may have
    TSY_SetBrushShape(longName.c_str(), 0);
    EXPECT_EQ(Shape(0, 0), 65535);
    EXPECT_EQ(g_engine.shapeImage, nullptr);
    EXPECT_STREQ(TSY_GetLastError(), "");
}

struct BlobCase {
    const char *name;
    int mode;
    uint16_t in[4];
    uint16_t out[4];
};

class BlobTest : public EngineTest, public ::testing::WithParamInterface<BlobCase> {};

TEST_P(BlobTest, PixelBecomes) {
    const BlobCase &c = GetParam();
    NewCanvas(2, 1, kS);
    ASSERT_EQ(TSY_CreateLayer(3, 2, 1), 1);
    uint16_t *px = g_engine.layers[3].pixels;
    for (int i = 0; i < 4; ++i) px[4 + i] = px[i] = c.in[i];
    TSY_CreateBlobFromImage(3, c.mode);
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(px[4 * p + i], c.out[i]) << "channel " << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, BlobTest,
                         ::testing::Values(
                             // l = 65535: f = 32768/65534; c = trunc(65535 - 65535 f) = trunc(32766.5);
                             // alpha = trunc(65535 * 0.843 + 10239) = trunc(65485.005)
                             BlobCase{"WhiteMode1", 1, {65535, 65535, 65535, 65535}, {32766, 32766, 32766, 65485}},
                             // l = 0: f = 32767/65534 = 0.5; c = trunc(65535 * 0.5); alpha = 10239
                             BlobCase{"BlackMode1", 1, {0, 0, 0, 65535}, {32767, 32767, 32767, 10239}},
                             // l = (30000 + 20000 + 10000) / 3 = 20000 < 32767: f = 12767/65534 = 0.194815;
                             // red 30000 + 35535 f = 36922.8 -> 36922; green 20000 + 45535 f = 28870.9 -> 28870;
                             // blue 10000 + 55535 f = 20819.1 -> 20819; alpha 8191 is not above 8191 and stays
                             BlobCase{"DarkLowAlphaMode1", 1, {30000, 20000, 10000, 8191}, {36922, 28870, 20819, 8191}},
                             // any other mode: grey 32767; l = 20000: alpha = trunc(16860 + 10239) = 27099
                             BlobCase{"OtherMode", 0, {30000, 20000, 10000, 9000}, {32767, 32767, 32767, 27099}}),
                         [](const ::testing::TestParamInfo<BlobCase> &info) { return std::string(info.param.name); });

}  // namespace
