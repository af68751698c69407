// Blend buffers: table, selection, strengths and every buffer operation.
#include <omp.h>

#include <vector>

#include "brush/blend_buffer.h"
#include "brush/mix_codes.h"
#include "brush_fixture.h"
#include "core/alloc.h"

namespace {

using BlendBufferTest = BrushTest;

TEST_F(BlendBufferTest, CanvasCreationAllocatesOneZeroFilledBuffer) {
    EXPECT_EQ(g_engine.blendBufferCount, 1);
    EXPECT_EQ(g_engine.currentBlendBuffer, &g_engine.blendBuffers[0]);
    ASSERT_NE(g_engine.blendBuffers[0].pixels, nullptr);
    EXPECT_EQ(g_engine.blendBuffers[0].stride, 4 * kS);
    EXPECT_EQ(g_engine.blendBuffers[1].pixels, nullptr);
    for (int i = 0; i < kS * kS * 4; ++i) ASSERT_EQ(g_engine.blendBuffers[0].pixels[i], 0);
    TSY_DeleteImage();
    EXPECT_EQ(g_engine.blendBufferCount, 0);
    EXPECT_EQ(g_engine.blendBuffers[0].pixels, nullptr);
}

TEST_F(BlendBufferTest, CountIsLimitedTo20AndSelectionClamps) {
    TSY_SetBlendBufferCount(30);
    EXPECT_EQ(g_engine.blendBufferCount, 20);
    for (const auto &b : g_engine.blendBuffers) EXPECT_NE(b.pixels, nullptr);
    TSY_SetBlendBufferCount(3);
    EXPECT_EQ(g_engine.blendBuffers[3].pixels, nullptr);
    EXPECT_EQ(TSY_SelectBlendBuffer(25), &g_engine.blendBuffers[2]);
    EXPECT_EQ(g_engine.currentBlendBuffer, &g_engine.blendBuffers[2]);
    EXPECT_EQ(TSY_SelectBlendBuffer(-4), &g_engine.blendBuffers[0]);
    TSY_SelectBlendBuffer(1);
    TSY_SetBlendBufferCount(3);  // same count: contents stay, buffer 0 selected
    EXPECT_EQ(g_engine.currentBlendBuffer, &g_engine.blendBuffers[0]);
}

TEST_F(BlendBufferTest, ChangingTheCountDiscardsContents) {
    TSY_FillBlendBuffer(0, 0, 0, 7);
    TSY_SetBlendBufferCount(2);
    EXPECT_EQ(g_engine.blendBuffers[0].pixels[0], 0);
}

TEST_F(BlendBufferTest, SelectingWithoutBuffersStaysInsideTheTable) {
    TSY_SetBlendBufferCount(0);
    EXPECT_EQ(TSY_SelectBlendBuffer(5), &g_engine.blendBuffers[0]);
    g_engine.tool.blendStrength = 100;
    // Nothing to write into: the operations do nothing.
    TSY_CopyBlendBufferSurface(20, 20, 128, 0);
    TSY_MixBlendBufferSurface(20, 20, 128);
    TSY_DoColorBlendBuffer(20, 20, 1, 2, 3, 0, 100);
    TSY_ClearBlendBuffer();
    TSY_FilterBlendBuffer(290, 0);
    TSY_DrawDabGrit(20, 20, 0xFF00, 0, 0);
    EXPECT_EQ(g_engine.lastError[0], 0);
}

bool AlwaysShort(size_t) { return true; }

TEST_F(BlendBufferTest, FailedAllocationKeepsTheCountAndRecordsTheError) {
    SetAllocShortageHook(AlwaysShort);
    TSY_SetBlendBufferCount(4);
    SetAllocShortageHook(nullptr);
    EXPECT_STREQ(TSY_GetLastError(), "SetBlendBufferCount Excpt");
    EXPECT_EQ(g_engine.blendBufferCount, 1);
    EXPECT_EQ(g_engine.blendBuffers[0].pixels, nullptr);  // freed before the attempt
}

TEST_F(BlendBufferTest, StrengthSettersUpdateComplementsOnlyAbove0) {
    EXPECT_EQ(TSY_SetBlendStrength(100), 100);
    EXPECT_EQ(g_engine.tool.blendStrengthComplement, 156);
    EXPECT_EQ(TSY_SetBlendStrength(0), 0);
    EXPECT_EQ(g_engine.tool.blendStrength, 0);
    EXPECT_EQ(g_engine.tool.blendStrengthComplement, 156);
    EXPECT_EQ(TSY_SetBlendPrimaryColorStrength(56), 56);
    EXPECT_EQ(g_engine.tool.blendPrimaryColorComplement, 200);
    TSY_SetBlendPrimaryColorStrength(0);
    EXPECT_EQ(g_engine.tool.blendPrimaryColorComplement, 200);
    TSY_SetBlendRemix(0x101);
    EXPECT_EQ(g_engine.tool.blendRemix, 1);
    TSY_TempDisableBlend();
    EXPECT_EQ(g_engine.tool.blendTempDisabled, 1);
}

class BlendCopyTest : public BrushTest {
protected:
    void SetUp() override {
        BrushTest::SetUp();
        g_engine.tool.blendStrength = 128;
        uint16_t *tc = g_engine.tool.toolColor;
        tc[0] = 0, tc[1] = 65280, tc[2] = 0, tc[3] = 65535;
    }
};

TEST_F(BlendCopyTest, PremixesCanvasWithBrushColour) {
    // Brush at (20, 20), n = 10: buffer (0, 0) lies over canvas (15, 15).
    SetPx(2, 17, 16, 65280, 0, 0, 65535);
    TSY_CopyBlendBufferSurface(20, 20, 128, 0);
    // red ((65280 * 128 + 0) >> 8) + 1 = 32641, green (0 + 65280 * 128) >> 8 + 1
    // = 32641, blue 0 + 1; alpha (65535 * 128 + 65535 * 128) >> 8 = 65535.
    EXPECT_PX(Bp(2, 1), 32641, 32641, 1, 65535);
    // A transparent canvas pixel gives the brush colour with alpha c * 256.
    EXPECT_PX(Bp(0, 0), 0, 65280, 0, 32768);
}

TEST_F(BlendCopyTest, StrengthZeroDoesNothing) {
    g_engine.tool.blendStrength = 0;
    FillLayer(2, 1000, 1000, 1000, 65535);
    TSY_CopyBlendBufferSurface(20, 20, 128, 0);
    EXPECT_PX(Bp(0, 0), 0, 0, 0, 0);
}

TEST_F(BlendCopyTest, ClippedBrushFillsTheWholeBufferFirst) {
    FillLayer(2, 10000, 20000, 30000, 65535);
    TSY_CopyBlendBufferSurface(0, 0, 64, 0);  // left = top = -5
    // Off canvas: brush colour, alpha 64 * 256.
    EXPECT_PX(Bp(0, 0), 0, 65280, 0, 16384);
    EXPECT_PX(Bp(9, 4), 0, 65280, 0, 16384);
    // Over canvas (0, 0): ((10000 * 192) >> 8) + 1 = 7501,
    // ((20000 * 192 + 65280 * 64) >> 8) + 1 = 15000 + 16320 + 1 = 31321,
    // ((30000 * 192) >> 8) + 1 = 22501; alpha (65535 * 192 + 65535 * 64) >> 8 = 65535.
    EXPECT_PX(Bp(5, 5), 7501, 31321, 22501, 65535);
}

TEST_F(BlendCopyTest, OpaqueOutsideKeepsColoursAndZeroStrengthStaysOpaque) {
    FillLayer(2, 0, 0, 0, 0);
    Bp(0, 0)[0] = 123;
    TSY_CopyBlendBufferSurface(0, 0, 0, 1);
    // Clipped part: only alpha becomes 65535.
    EXPECT_PX(Bp(0, 0), 123, 0, 0, 65535);
    // Transparent canvas with c = 0: (256 - 0) * 256 would wrap to 0; stored as 65535.
    EXPECT_PX(Bp(5, 5), 0, 65280, 0, 65535);
    TSY_CopyBlendBufferSurface(0, 0, 100, 1);
    EXPECT_EQ(Bp(5, 5)[3], (256 - 100) * 256);
}

TEST_F(BlendCopyTest, ActiveMaskScalesTheCanvasAlpha) {
    SetPx(2, 15, 15, 100, 200, 300, 65535);
    g_engine.mask[15 * kW + 15] = 32768;
    TSY_CopyBlendBufferSurface(20, 20, 0, 0);
    // f = (32768 * 65535) >> 16 = 32767; A = 65535 * 32767 / 65535 = 32767;
    // c = 0: colours ((v * 256) >> 8) + 1.
    EXPECT_PX(Bp(0, 0), 101, 201, 301, 32767);
    g_engine.maskActive = 0;
    TSY_CopyBlendBufferSurface(20, 20, 0, 0);
    EXPECT_EQ(Bp(0, 0)[3], 65535);
}

TEST_F(BlendCopyTest, SourcesLayerTraceAndHistory) {
    TSY_CreateLayer(5, kW, kH);
    FillLayer(5, 256, 512, 768, 65535);
    TSY_CopyBlendBufferLayer(5, 20, 20, 0);
    EXPECT_PX(Bp(3, 3), 257, 513, 769, 65535);
    // No trace image: nothing happens.
    TSY_CopyBlendBufferTrace(20, 20, 128);
    EXPECT_PX(Bp(3, 3), 257, 513, 769, 65535);
    TSY_CreateLayer(0, kW, kH);
    FillLayer(0, 1024, 1024, 1024, 65535);
    TSY_CopyBlendBufferTrace(20, 20, 0);
    EXPECT_PX(Bp(3, 3), 1025, 1025, 1025, 65535);
    // The undo work canvas holds layer 2 as it was selected (transparent).
    FillLayer(2, 9, 9, 9, 65535);
    TSY_CopyBlendBufferHistory(20, 20, 128);
    EXPECT_PX(Bp(3, 3), 0, 65280, 0, 32768);
    TSY_CopyBlendBufferUnderLayer(20, 20, 0);
    EXPECT_PX(Bp(3, 3), 0, 65280, 0, 0);
    // A raw canvas-sized source.
    std::vector<uint16_t> raw(kW * kH * 4, 2048);
    TSY_DoCopyBlendBuffer(20, 20, raw.data(), 0, 0);
    EXPECT_PX(Bp(3, 3), 2049, 2049, 2049, 2048);
}

TEST_F(BlendCopyTest, SmallerLayerIsClippedToItsOwnSize) {
    TSY_CreateLayer(6, 18, 18);
    for (int i = 0; i < 18 * 18; ++i) {
        uint16_t *p = g_engine.layers[6].pixels + 4 * i;
        p[0] = p[1] = p[2] = 512, p[3] = 65535;
    }
    TSY_CopyBlendBufferLayer(6, 20, 20, 0);
    EXPECT_PX(Bp(2, 2), 513, 513, 513, 65535);        // canvas (17, 17), inside the layer
    EXPECT_PX(Bp(5, 5), 0, 65280, 0, 0);              // canvas (20, 20): outside, filled
}

TEST_F(BlendCopyTest, MaskCopyStoresOneValuePerPixel) {
    uint16_t *tc = g_engine.tool.toolColor;
    tc[0] = tc[1] = tc[2] = 0;  // grey 0: m = 65535
    g_engine.mask[15 * kW + 16] = 0;
    g_engine.maskActive = 0;  // read all the same
    TSY_DoCopyBlendBufferMask(20, 20, 128);
    uint16_t *b = g_engine.currentBlendBuffer->pixels;
    // ((0 * 128 + 65535 * 128) >> 8) + 1 = 32768 at 16-bit index 0 * 4S + 1.
    EXPECT_EQ(b[1], 32768);
    // M = 65535: ((65535 * 128 + 65535 * 128) >> 8) + 1 = 65536, limited to 65280.
    EXPECT_EQ(b[0], 65280);
    // Grey 65280 (white brush): m = 65280 - 65280 = 0; clipped: fill first.
    tc[0] = tc[1] = tc[2] = 65280;
    TSY_DoCopyBlendBufferMask(0, 0, 255);
    EXPECT_EQ(b[0], 0);
    // Canvas (0, 0) at buffer (5, 5): ((65535 * 1 + 0) >> 8) + 1 = 256.
    EXPECT_EQ(b[5 * 4 * kS + 5], 256);
}

class BlendMixTest : public BrushTest {
protected:
    void SetUp() override {
        BrushTest::SetUp();
        g_engine.tool.blendStrength = 128;
    }
};

TEST_F(BlendMixTest, StrengthZeroLeavesTheBuffer) {
    FillLayer(2, 1000, 2000, 3000, 65535);
    uint16_t *b = Bp(0, 0);
    b[0] = 5, b[1] = 6, b[2] = 7, b[3] = 40000;
    TSY_MixBlendBufferSurface(20, 20, 0);
    EXPECT_PX(Bp(0, 0), 5, 6, 7, 40000);
}

TEST_F(BlendMixTest, TransparentCanvasOnlyFadesAlpha) {
    uint16_t *b = Bp(0, 0);
    b[0] = 5, b[1] = 6, b[2] = 7, b[3] = 40000;
    TSY_MixBlendBufferSurface(20, 20, 128);
    // s = 32768: (40000 * (65536 - 32768)) >> 16 = 20000.
    EXPECT_PX(Bp(0, 0), 5, 6, 7, 20000);
}

TEST_F(BlendMixTest, EmptyBufferPixelTakesTheCanvasPixel) {
    FillLayer(2, 1000, 2000, 3000, 50000);
    TSY_MixBlendBufferSurface(20, 20, 10);
    EXPECT_PX(Bp(4, 4), 1000, 2000, 3000, 50000);
}

struct MixCase {
    const char *name;
    int code;
    uint16_t buffer;  // all three buffer channels
    uint16_t canvas;  // all three canvas channels
    uint16_t expected;
};

class BlendMixCodeTest : public BlendMixTest, public ::testing::WithParamInterface<MixCase> {};

TEST_P(BlendMixCodeTest, TransformsThenMixes) {
    const MixCase mc = GetParam();
    g_engine.tool.mixCode = mc.code;
    FillLayer(2, mc.canvas, mc.canvas, mc.canvas, 65535);
    uint16_t *b = Bp(3, 3);
    b[0] = b[1] = b[2] = mc.buffer, b[3] = 65535;
    TSY_MixBlendBufferSurface(20, 20, 128);
    EXPECT_PX(Bp(3, 3), mc.expected, mc.expected, mc.expected, 65535);
}

// s = 32768: b' = ((((T * 32768) >> 8) + ((c * 32768) >> 8)) >> 8) + 1 = (T + c) / 2 + 1
// (truncated), alpha ((65535 * 32768) >> 8) * 2 >> 8 = 65535.
INSTANTIATE_TEST_SUITE_P(
    Codes, BlendMixCodeTest,
    ::testing::Values(
        // plain paint leaves the buffer colour: (10000 + 30000) / 2 + 1
        MixCase{"Plain32", 32, 10000, 30000, 20001},
        // 33 multiply: T = (40000 * 30000) >> 16 = 18310; (18310 + 30000) / 2 + 1 = 24156
        MixCase{"Multiply", 33, 40000, 30000, 24156},
        // 261: 30000 -> 21845; (21845 * 128 + 0) >> 8 = 10922 (.5 truncated) + 1
        MixCase{"FourLevels", 261, 30000, 0, 10923},
        // 43 dodge: min(65535, 40000 * 65536 / 1) = 65535; ((65535 + 40000) >> 1) + 1 = 52768
        MixCase{"DodgeCapped", 43, 65534, 40000, 52768},
        // 37 difference: |30000 - 10000| = 20000; (20000 + 30000) / 2 + 1 = 25001
        MixCase{"Difference", 37, 10000, 30000, 25001},
        // 340: colour 32767, alpha L = 10000 -> alpha mixes too (checked separately)
        // 262: 50000 -> 65535; (65535 + 1000) / 2 = 33267 (.5) + 1 = 33268
        MixCase{"ThreeLevels", 262, 50000, 1000, 33268},
        // an unlisted code leaves the colour: (10000 + 30000) / 2 + 1
        MixCase{"Unlisted", 77, 10000, 30000, 20001}),
    [](const ::testing::TestParamInfo<MixCase> &i) { return std::string(i.param.name); });

TEST_F(BlendMixTest, CanvasOutcomeTakesCanvasAlphaAndGreyOutcomeTakesL) {
    g_engine.tool.mixCode = 256;  // L < 20479: the canvas pixel, alpha included
    FillLayer(2, 30000, 30000, 30000, 20000);
    uint16_t *b = Bp(3, 3);
    b[0] = b[1] = b[2] = 100, b[3] = 60000;
    TSY_MixBlendBufferSurface(20, 20, 128);
    // colour (30000 + 30000) / 2 + 1 = 30001; alpha
    // (((20000 * 32768) >> 8) + ((20000 * 32768) >> 8)) >> 8 = 20000.
    EXPECT_PX(Bp(3, 3), 30001, 30001, 30001, 20000);
    g_engine.tool.mixCode = 340;
    b[0] = 3000, b[1] = 6000, b[2] = 9000, b[3] = 60000;  // L = 6000
    TSY_MixBlendBufferSurface(20, 20, 128);
    // colour (32767 + 30000) / 2 = 31383 (.5) + 1; alpha (6000 + 20000) / 2 = 13000.
    EXPECT_PX(Bp(3, 3), 31384, 31384, 31384, 13000);
}

TEST_F(BlendMixTest, ParallelRowsEqualOneThread) {
    SetBrush(60);
    TSY_SetBlendBufferCount(2);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) SetPx(2, x, y, x * 1000, y * 1000, (x * y) % 65535, (x + y) * 500);
    for (int i = 0; i < kS * kS * 4; ++i) g_engine.blendBuffers[0].pixels[i] = static_cast<uint16_t>(i * 37);
    std::copy_n(g_engine.blendBuffers[0].pixels, kS * kS * 4, g_engine.blendBuffers[1].pixels);
    g_engine.tool.mixCode = 40;
    g_engine.mask[35 * kW + 30] = 1000;
    omp_set_num_threads(1);
    TSY_MixBlendBufferSurface(32, 32, 200);
    omp_set_num_threads(2);
    TSY_SelectBlendBuffer(1);
    TSY_MixBlendBufferSurface(32, 32, 200);
    for (int i = 0; i < kS * kS * 4; ++i)
        ASSERT_EQ(g_engine.blendBuffers[0].pixels[i], g_engine.blendBuffers[1].pixels[i]) << "value " << i;
}

TEST_F(BlendBufferTest, ColourTintsTowardsTheEightBitColour) {
    g_engine.tool.blendStrength = 1;
    uint16_t *b = Bp(1, 1);
    b[0] = 0, b[1] = 65280, b[2] = 1000, b[3] = 1;
    TSY_DoColorBlendBuffer(20, 20, 255, 0, 0x104, 0, 128);
    // s = 32768: red ((0 + (65280 * 32768) >> 8) >> 8) + 1 = 32641;
    // green ((65280 * 32768) >> 8) >> 8 + 1 = 32641; blue uses the low byte 4:
    // ((1000 * 32768 >> 8) + (1024 * 32768 >> 8)) >> 8 + 1 = (128000 + 131072) >> 8 + 1 = 1013.
    EXPECT_PX(Bp(1, 1), 32641, 32641, 1013, 1);
    // A transparent buffer pixel takes the colour as it is.
    EXPECT_PX(Bp(2, 2), 65280, 0, 1024, 0);
}

TEST_F(BlendBufferTest, ClearAndFillSetEveryByte) {
    TSY_FillBlendBuffer(99, 99, 1, 2);  // low byte of 258 is 2
    EXPECT_EQ(g_engine.currentBlendBuffer->pixels[kS * kS * 4 - 1], 0x0202);
    TSY_ClearBlendBuffer();
    EXPECT_EQ(g_engine.currentBlendBuffer->pixels[0], 0);
}

TEST_F(BlendBufferTest, FiltersTouchOnlyTheBrushSquareAndNeverAlpha) {
    auto set = [](int i, int j) {
        uint16_t *b = Bp(i, j);
        b[0] = 40000, b[1] = 32767, b[2] = 3000, b[3] = 50000;
    };
    set(0, 0);
    set(10, 0);  // outside the 10 x 10 brush square
    TSY_FilterBlendBuffer(292, 50);  // v = trunc(32767.5) = 32767
    EXPECT_PX(Bp(0, 0), 65280, 32767, 3000, 50000);
    EXPECT_PX(Bp(10, 0), 40000, 32767, 3000, 50000);
    set(0, 0);
    TSY_FilterBlendBuffer(291, 50);
    EXPECT_PX(Bp(0, 0), 40000, 32767, 0, 50000);
    set(0, 0);
    TSY_FilterBlendBuffer(289, 0);  // (40000 + 32767 + 3000) / 3 = 25255
    EXPECT_PX(Bp(0, 0), 25255, 25255, 25255, 50000);
    set(0, 0);
    TSY_FilterBlendBuffer(290, 0);
    EXPECT_PX(Bp(0, 0), 25535, 32768, 62535, 50000);
    TSY_FilterBlendBuffer(1, 0);
    EXPECT_PX(Bp(0, 0), 25535, 32768, 62535, 50000);
}

}  // namespace
