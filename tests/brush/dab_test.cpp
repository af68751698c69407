// Dab rendering: every path of the per-pixel loop, checked against values
// computed by hand from the formulas (arithmetic in the comments).
#include "brush/dab.h"

#include <omp.h>

#include <vector>

#include "brush/mix_codes.h"
#include "brush_fixture.h"
#include "core/alloc.h"
#include "core/random.h"
#include "undo/dirty_rect.h"

namespace {

using DabTest = BrushTest;

// Dab at (20, 20) with size 10 covers canvas 15..24 and uses brush pixel
// (x - 15, y - 15).
constexpr int kC = 20;

TEST_F(DabTest, OpaquePlainDabOntoTransparentTakesColourAndAlpha65534) {
    TSY_DrawDabGrit(kC, kC, 0x12FF, 0x5634, 0x9A00);
    // Only the high bytes count; alpha (65535 * 65535) >> 16 = 65534.
    EXPECT_PX(Px(2, 20, 20), 0x1200, 0x5600, 0x9A00, 65534);
    EXPECT_PX(Px(2, 15, 24), 0x1200, 0x5600, 0x9A00, 65534);
    EXPECT_PX(Px(2, 14, 20), 0, 0, 0, 0);
    EXPECT_PX(Px(2, 25, 20), 0, 0, 0, 0);
    EXPECT_PX(g_engine.tool.toolColor, 0x1200, 0x5600, 0x9A00, 65535);
}

TEST_F(DabTest, CornerDabUsesTheLowerRightOfTheBrushAndGrowsTheDirtyRect) {
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 10; ++i) g_engine.brushShape[j * kS + i] = static_cast<uint16_t>(1000 * (j + 1) + i);
    ResetDirtyRect();
    TSY_DrawDabGrit(0, 0, 0xFF00, 0, 0);
    // canvas (0, 0) <- brush (5, 5): w = 6005, alpha (6005 * 65535) >> 16 = 6004
    EXPECT_EQ(Px(2, 0, 0)[3], 6004);
    // canvas (4, 4) <- brush (9, 9): w = 10009, alpha 10008
    EXPECT_EQ(Px(2, 4, 4)[3], 10008);
    EXPECT_EQ(Px(2, 5, 0)[3], 0);
    EXPECT_EQ(Px(2, 0, 5)[3], 0);
    EXPECT_EQ(g_engine.undo.dirtyLeft, 0);
    EXPECT_EQ(g_engine.undo.dirtyTop, 0);
    EXPECT_EQ(g_engine.undo.dirtyRight, 5);
    EXPECT_EQ(g_engine.undo.dirtyBottom, 5);
}

TEST_F(DabTest, OffCanvasDabStillSetsColourAndGrain) {
    ToolState &t = g_engine.tool;
    t.gritCell = 1;
    t.gritCountdown = 0;
    t.gritRepeat = 4;
    EngineSeed(1);
    TSY_DrawDabGrit(-100, -100, 0x4400, 0, 0);
    for (int i = 0; i < kW * kH * 4; ++i) ASSERT_EQ(g_engine.layers[2].pixels[i], 0);
    EXPECT_EQ(t.toolColor[0], 0x4400);
    // Draws from seed 1: 41, 18467, 6334 -> table 41 % 20 = 1, row 18467 % 25 = 17,
    // column 6334 % 25 = 9.
    EXPECT_EQ(t.currentGrit, t.gritTables[1] + 17 * kS + 9);
    EXPECT_EQ(t.gritCountdown, 4);
}

TEST_F(DabTest, GrainChangeNeverKeepsTheTableInUse) {
    ToolState &t = g_engine.tool;
    t.gritCell = 1;
    t.gritCountdown = 0;
    t.currentGrit = t.gritTables[1] + 30;  // the table the first draw (41 % 20 = 1) picks
    EngineSeed(1);
    TSY_DrawDabGrit(-100, -100, 0, 0, 0);
    // 41 % 20 = 1 is in use; 18467 % 20 = 7; then 6334 % 25 = 9, 26500 % 25 = 0.
    EXPECT_EQ(t.currentGrit, t.gritTables[7] + 9 * kS + 0);
}

TEST_F(DabTest, PaintOverKeepsTheHigh16BitsOfEachTerm) {
    FillLayer(2, 0, 0, 65535, 65535);
    FillShape(32768);
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    // e = (32768 * 65535) >> 16 = 32767, e' = 32768, na = 0 + 65535.
    // red: (0 + (32767 * 65280 = 2139029760) & 0xFFFF0000 = 2139029504) / 65535 = 32639
    // blue: (32768 * ((65535 * 65535) >> 16 = 65534) = 2147418112) / 65535 = 32767
    EXPECT_PX(Px(2, kC, kC), 32639, 0, 32767, 65535);
}

TEST_F(DabTest, BackgroundLayerKeepsItsAlpha) {
    TSY_SetLayer(1);
    SetPx(1, kC, kC, 65535, 65535, 65535, 30000);
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    // e = 65534, e' = 1, na = ((35535 * 65534) >> 16) + 30000 = 65533;
    // red (0 + (65534 * 65280) & 0xFFFF0000) / 65533 = 65280; green 0.
    EXPECT_PX(Px(1, kC, kC), 65280, 0, 0, 30000);
}

TEST_F(DabTest, AlphaLocksKeepAlpha) {
    g_engine.tool.alphaLocked = 1;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_PX(Px(2, kC, kC), 65280, 0, 0, 0);
    g_engine.tool.alphaLocked = 0;
    g_engine.layers[2].alphaLocked = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0xFF00, 0);
    EXPECT_EQ(Px(2, kC, kC)[3], 0);
}

TEST_F(DabTest, ColourLockWritesOnlyAlpha) {
    g_engine.tool.colorLocked = 1;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_PX(Px(2, kC, kC), 0, 0, 0, 65534);
}

TEST_F(DabTest, AlphaLevelReplacesTheComputedAlpha) {
    g_engine.tool.alphaLevel = 20000;
    FillShape(1000);
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, kC, kC)[3], 20000);
}

TEST_F(DabTest, EraseClearsAlphaKeepsColourAndEndsAfterOneDab) {
    FillLayer(2, 1000, 2000, 3000, 65535);
    g_engine.tool.eraseMode = 1;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0xFF00, 0xFF00);
    // na = ((65535 - 65535) * 65535) >> 16 = 0
    EXPECT_PX(Px(2, kC, kC), 1000, 2000, 3000, 0);
    EXPECT_EQ(g_engine.tool.eraseMode, 0);
    FillShape(32768);
    g_engine.tool.eraseMode = 1;
    TSY_DrawDabGrit(kC, kC + 10, 0, 0, 0);
    // na = ((65535 - 32768) * 65535) >> 16 = 32766
    EXPECT_PX(Px(2, kC, kC + 10), 1000, 2000, 3000, 32766);
}

TEST_F(DabTest, BlobLockKeepsAFloorWhenErasingAndGuardsThinAlpha) {
    g_engine.tool.blobLocked = 1;
    SetPx(2, 18, 20, 1, 1, 1, 30000);
    SetPx(2, 19, 20, 1, 1, 1, 5000);
    g_engine.tool.eraseMode = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    EXPECT_EQ(Px(2, 18, 20)[3], 9216);  // max(0, 9216)
    EXPECT_EQ(Px(2, 19, 20)[3], 5000);  // da <= 8191: untouched
    // Painting: alpha is written only where old and new alpha exceed 8191.
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, 19, 20)[3], 5000);
    EXPECT_EQ(Px(2, 19, 20)[0], 65280);  // the colour still is
    EXPECT_EQ(Px(2, 21, 20)[3], 0);      // transparent: da = 0
}

TEST_F(DabTest, DabOpacityTextureAndMaskScaleCoverage) {
    // alpha 50 %: w = (65535 * 64) >> 7 = 32767, alpha (32767 * 65535) >> 16 = 32766
    g_engine.tool.alphaPercent = 50;
    g_engine.tool.alphaFactor = 64;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, kC, kC)[3], 32766);
    g_engine.tool.alphaPercent = 100;
    // texture 128: w = (128 * 65535) >> 8 = 32767
    g_engine.textureMap = x_NewCharUndoReduce(kW * kH);
    std::fill_n(g_engine.textureMap, kW * kH, 250);
    g_engine.textureMap[40 * kW + 40] = 128;
    TSY_DrawDabGrit(40, 40, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, 40, 40)[3], 32766);
    // 250: w = (250 * 65535) >> 8 = 63999, alpha (63999 * 65535) >> 16 = 63998
    EXPECT_EQ(Px(2, 41, 40)[3], 63998);
    ReleaseBuffer(g_engine.textureMap);
    // mask 32768 on a direct dab: w = (32768 * 65535) >> 16 = 32767
    g_engine.mask[10 * kW + 40] = 32768;
    g_engine.mask[10 * kW + 41] = 0;
    TSY_DrawDabGrit(40, 10, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, 40, 10)[3], 32766);
    EXPECT_EQ(Px(2, 41, 10)[3], 0);
}

TEST_F(DabTest, PaintLayerTakesTheDabWithMaskAsAlphaCeilingAndExtents) {
    LayerSlot &pl = g_engine.paintLayer;
    pl.pixels = x_NewShortUndoReduce(kW * kH * 4);
    std::fill_n(pl.pixels, kW * kH * 4, 0);
    pl.width = kW, pl.height = kH, pl.stride = 4 * kW;
    pl.extentMinX = kW, pl.extentMinY = kH, pl.extentMaxX = 0, pl.extentMaxY = 0;
    g_engine.mask[20 * kW + 20] = 20000;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    // Indirect: coverage stays 65535 (alpha 65534), lowered to M = 20000.
    const uint16_t *p = pl.pixels + (20 * kW + 20) * 4;
    EXPECT_PX(p, 65280, 0, 0, 20000);
    EXPECT_EQ(pl.pixels[(20 * kW + 21) * 4 + 3], 65534);
    EXPECT_EQ(Px(2, kC, kC)[3], 0);  // the layer is untouched
    EXPECT_EQ(pl.extentMinX, 15);
    EXPECT_EQ(pl.extentMinY, 15);
    EXPECT_EQ(pl.extentMaxX, 25);
    EXPECT_EQ(pl.extentMaxY, 25);
    // Erasing is direct even with a paint layer: the mask scales coverage.
    g_engine.tool.eraseMode = 1;
    g_engine.mask[30 * kW + 30] = 32768;
    pl.pixels[(30 * kW + 30) * 4 + 3] = 65535;
    TSY_DrawDabGrit(30, 30, 0, 0, 0);
    // w = 32767: na = ((65535 - 32767) * 65535) >> 16 = 32767
    EXPECT_EQ(pl.pixels[(30 * kW + 30) * 4 + 3], 32767);
    ReleaseBuffer(pl.pixels);
}

TEST_F(DabTest, GrainSkipsPixelsAboveTheDensity) {
    ToolState &t = g_engine.tool;
    t.gritCell = 2;
    t.gritCountdown = 5;
    t.currentGrit = t.gritTables[3];
    std::fill_n(t.gritTables[3], (kS + 25) * (kS + 25), 0);
    t.gritTables[3][5 * kS + 5] = 200;  // brush (5, 5) = canvas (20, 20)
    t.gritTables[3][5 * kS + 6] = 100;
    t.density = 100;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, 20, 20)[3], 0);
    EXPECT_EQ(Px(2, 21, 20)[3], 65534);  // 100 <= density
    EXPECT_EQ(t.gritCountdown, 5);       // no table change while the countdown lasts
    t.density = 255;
    t.gritCell = 0;  // grain off: tables ignored
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_EQ(Px(2, 20, 20)[3], 65534);
}

TEST_F(DabTest, PerDabColourVariationShiftsColourAndAlpha) {
    g_engine.tool.colorVary = 10;
    EngineSeed(1);  // first draw 41: o = (5 - 41 % 10) * 256 = 1024
    TSY_DrawDabGrit(kC, kC, 0x1200, 0, 0);
    EXPECT_PX(Px(2, kC, kC), 0x1200 + 1024, 1024, 1024, 65534);
    EngineSeed(31);  // first draw 139: o = (5 - 9) * 256 = -1024
    TSY_DrawDabGrit(40, 40, 0x1200, 0, 0);
    // A = 65535 - 1024 = 64511, alpha (65535 * 64511) >> 16 = 64510
    EXPECT_PX(Px(2, 40, 40), 0x1200 - 1024, 0, 0, 64510);
}

TEST_F(DabTest, PixelColourVariationTakesBytesOnlyForPaintedPixels) {
    SetBrush(4);
    for (int j = 0; j < 4; ++j) g_engine.brushShape[j * kS + 1] = 0;  // column 1 uncovered
    ToolState &t = g_engine.tool;
    std::vector<uint8_t> table(3 * kS);
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i);
    t.pixColorTable = RandByteTable{table.data(), 1000, 0, 3 * kS};
    t.pixColorVary = 200;
    EngineSeed(1);  // row 8 starts at 41 % 64 = 41
    TSY_DrawDabGrit(10, 10, 0x1000, 0, 0);
    // q = (200 - 2 * (v % 200)) * 128: v = 41 -> 15104, 42 -> 14848, 43 -> 14592
    EXPECT_EQ(Px(2, 8, 8)[0], 4096 + 15104);
    EXPECT_EQ(Px(2, 9, 8)[3], 0);
    EXPECT_EQ(Px(2, 10, 8)[0], 4096 + 14848);
    EXPECT_EQ(Px(2, 11, 8)[0], 4096 + 14592);
    EXPECT_EQ(Px(2, 8, 8)[3], 65534);  // alpha clamp(65535 + q) = 65535
    t.pixColorTable = RandByteTable{};
}

TEST_F(DabTest, PixelLightnessShiftStartsFromTheDabColour) {
    ToolState &t = g_engine.tool;
    std::vector<uint8_t> table(3 * kS, 192);
    t.pixLumTable = RandByteTable{table.data(), 256, 0, 3 * kS};
    t.pixLumVary = 256;
    // f = (0 + 192) / 256 = 0.75, t = 0.5: trunc(57343 * 0.5 + 8192) = 36863;
    // red 0: trunc(65535 * 0.5 + 0) = 32767
    TSY_DrawDabGrit(kC, kC, 0x2000, 0, 0);
    EXPECT_PX(Px(2, kC, kC), 36863, 32767, 32767, 65534);
    std::fill(table.begin(), table.end(), 64);
    // f = 0.25, t = 0.5: 8192 - 8192 * 0.5 = 4096
    TSY_DrawDabGrit(40, 40, 0x2000, 0, 0);
    EXPECT_PX(Px(2, 40, 40), 4096, 0, 0, 65534);
    t.pixLumTable = RandByteTable{};
}

TEST_F(DabTest, RotationSamplesTheTurnedShape) {
    ToolState &t = g_engine.tool;
    t.rotateMode = 1;
    t.rotateSin = 1.0f;
    t.rotateCos = 0.0f;
    g_engine.brushShape[6 * kS + 3] = 0;
    g_engine.brushShape[0] = 30000;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    // brush (6, 7) = canvas (21, 22): u = 1, v = 2, bx' = trunc(0 - 2) + 5 = 3,
    // by' = trunc(1 + 0) + 5 = 6 -> shape (3, 6) = 0: not painted
    EXPECT_EQ(Px(2, 21, 22)[3], 0);
    EXPECT_EQ(Px(2, 22, 22)[3], 65534);
    // brush (0, 0): bx' = trunc(0 + 5) + 5 = 10 is outside: the unrotated
    // shape value 30000 gives alpha (30000 * 65535) >> 16 = 29999
    EXPECT_EQ(Px(2, 15, 15)[3], 29999);
}

struct CodeCase {
    const char *name;
    int code;
    uint16_t target[4];
    int paint[3];   // dab arguments (high bytes count)
    uint16_t shape; // w
    uint16_t expected[4];
};

class DabCodeTest : public BrushTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(DabCodeTest, Composites) {
    const CodeCase cc = GetParam();
    ToolState &t = g_engine.tool;
    t.mixCode = cc.code;
    t.posterizeShift = 12;
    for (int k = 0; k < 4; ++k) {
        t.colorBanks[k] = static_cast<uint16_t>(1000 * (k + 1));
        t.colorBanks[4 + k] = static_cast<uint16_t>(2000 * (k + 1));
        t.colorBanks[8 + k] = static_cast<uint16_t>(3000 * (k + 1));
    }
    FillShape(cc.shape);
    FillLayer(2, cc.target[0], cc.target[1], cc.target[2], cc.target[3]);
    TSY_DrawDabGrit(kC, kC, cc.paint[0], cc.paint[1], cc.paint[2]);
    EXPECT_PX(Px(2, kC, kC), cc.expected[0], cc.expected[1], cc.expected[2], cc.expected[3]);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DabCodeTest,
    ::testing::Values(
        // Add, amount 256: T = (65535, 32768, 0); strength ((0) + (T * 256) >> 4) >> 4 = T
        CodeCase{"Add47", 47, {65535, 0, 0, 65535}, {0, 0x8000, 0}, 65535, {65535, 32768, 0, 65535}},
        // Screen white over white at w = 32768: T = 65535; coverage
        // ((65535 * 32768 >> 8) + (32768 * 65535 >> 8)) >> 8 + 1 = 65536 -> 65535;
        // na = ((65535 * 32768 >> 8) + (32768 * 65535 >> 8)) >> 8 = 65535
        CodeCase{"ScreenWhiteStaysWhite34", 34, {65535, 65535, 65535, 65535}, {0xFFFF, 0xFFFF, 0xFFFF}, 32768,
                 {65535, 65535, 65535, 65535}},
        // Multiply over white at w = 32768: T = (65280 * 65535) >> 16 = 65279;
        // ((65279 * 32768 >> 8) + (32768 * 65535 >> 8)) >> 8 + 1 = 65407 + 1
        CodeCase{"MultiplyWhiteOverWhite33mix", 33 + 2, {65535, 65535, 65535, 65535}, {0xFF00, 0xFF00, 0xFF00}, 32768,
                 {65408, 65408, 65408, 65535}},
        // Lighten over half-transparent black: pre-tint k = min(65535, 3 * 32766) = 65535,
        // d = ((0 + (65535 * 65280) >> 8) >> 8) = 65279; T = max(65280, 65279) = 65280;
        // na = a = 65535 (w = 65535: no coverage step)
        CodeCase{"LightenPretint36", 36, {0, 0, 0, 32768}, {0xFF00, 0xFF00, 0xFF00}, 65535,
                 {65280, 65280, 65280, 65535}},
        // Code 33 and below 32 run the multiply path: e = 65535, sS = (65535 * 32768) >> 16 = 32767,
        // dD = (40000 * 65535) >> 16 = 39999, na = 65535,
        // colour ((0 + 0 + 39999 * 32767 / 65535 = 19999) * 65535) / 65535 = 19999
        CodeCase{"Multiply33", 33, {40000, 40000, 40000, 65535}, {0x8000, 0x8000, 0x8000}, 65535,
                 {19999, 19999, 19999, 65535}},
        CodeCase{"MultiplyBelow32", 5, {40000, 40000, 40000, 65535}, {0x8000, 0x8000, 0x8000}, 65535,
                 {19999, 19999, 19999, 65535}},
        // An unlisted code above 33 paints as code 32 (onto transparent: colour, 65534).
        CodeCase{"Unlisted100", 100, {0, 0, 0, 0}, {0x1200, 0x3400, 0x5600}, 65535, {0x1200, 0x3400, 0x5600, 65534}},
        // 340: grey 32767, alpha L = (0x3000 + 0x6000 + 0x9000) / 3 = 24576
        CodeCase{"Grey340", 340, {100, 100, 100, 65535}, {0x3000, 0x6000, 0x9000}, 65535,
                 {32767, 32767, 32767, 24576}},
        // 256: L = 0 < 20479: the (pre-tinted) target pixel with its alpha, no strength.
        // Pre-tint k = min(65535, 3 * ((25535 * 65535) >> 16 = 25534)) = 65535 turns the
        // target colour into the paint colour 0.
        CodeCase{"Canvas256", 256, {1000, 2000, 3000, 40000}, {0, 0, 0}, 65535, {0, 0, 0, 40000}},
        CodeCase{"Canvas256Opaque", 256, {1000, 2000, 3000, 65535}, {0, 0, 0}, 65535, {1000, 2000, 3000, 65535}},
        // 295 with shift 12: (0x1234 -> 0x1200 paint) >> 12 << 12 = 0x1000, no strength
        CodeCase{"Posterize295", 295, {0, 0, 0, 65535}, {0x1200, 0x5600, 0x9A00}, 65535,
                 {0x1000, 0x5000, 0x9000, 65535}},
        // 250: L = 0x6000 = 24576 -> bank 1 = (2000, 4000, 6000)
        CodeCase{"Bank250", 250, {0, 0, 0, 65535}, {0x6000, 0x6000, 0x6000}, 65535, {2000, 4000, 6000, 65535}},
        // 252: L = 0x2000 = 8192 < 32767: t = 16384 >> 8 = 64,
        // red (1000 * 192 + 2000 * 64) >> 8 = 1250, green 2500, blue 3750
        CodeCase{"Gradient252", 252, {0, 0, 0, 65535}, {0x2000, 0x2000, 0x2000}, 65535, {1250, 2500, 3750, 65535}},
        // 425: L = 0x4000 = 16384: t = 32768 >> 8 = 128; brush (toolColor) 0x4000 -> (16384 * 128) >> 8 = 8192
        CodeCase{"Shade425", 425, {0, 0, 0, 65535}, {0x4000, 0x4000, 0x4000}, 65535, {8192, 8192, 8192, 65535}}),
    [](const ::testing::TestParamInfo<CodeCase> &i) { return std::string(i.param.name); });

TEST_F(DabTest, MixAmountBlendsTheTransformWithThePaint) {
    ToolState &t = g_engine.tool;
    t.mixCode = 35;  // darken
    t.mixAmount = 64;
    t.mixAmountComplement = 192;
    FillLayer(2, 0, 0, 0, 65535);
    TSY_DrawDabGrit(kC, kC, 0x8000, 0, 0);
    // T = min(32768, 0) = 0; ((192 * 32768) >> 4 + 0) >> 4 = 393216 >> 4 = 24576
    EXPECT_PX(Px(2, kC, kC), 24576, 0, 0, 65535);
}

TEST_F(DabTest, Codes253And254DrawOneNumberPerPaintedPixel) {
    SetBrush(3);
    g_engine.tool.mixCode = 253;
    EngineSeed(5);
    TSY_DrawDabGrit(10, 10, 0, 0, 0);
    // Nine painted pixels take draws 1..9 from seed 5; the next is the 10th: 32640.
    EXPECT_EQ(EngineRand(), 32640);
}

class PickupTest : public BrushTest {
protected:
    void SetUp() override {
        BrushTest::SetUp();
        g_engine.tool.blendStrength = 128;
    }
    // Sets every blend-buffer pixel of the 10 x 10 brush.
    static void FillBuffer(uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        for (int j = 0; j < 10; ++j)
            for (int i = 0; i < 10; ++i) {
                uint16_t *p = Bp(i, j);
                p[0] = r, p[1] = g, p[2] = b, p[3] = a;
            }
    }
};

TEST_F(PickupTest, SmudgeAveragesWithTheTargetAndRemixWritesBack) {
    FillBuffer(10000, 20000, 30000, 65535);
    FillLayer(2, 50000, 50000, 50000, 65535);
    FillShape(32768);
    g_engine.tool.blendRemix = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    // iw = 32768: na = ((32768 * 65535 >> 8) * 2) >> 8 = 65535;
    // red ((32768 * 50000 >> 8) + (32768 * 10000 >> 8)) >> 8 = (6400000 + 1280000) >> 8 = 30000
    EXPECT_PX(Px(2, kC, kC), 30000, 35000, 40000, 65535);
    // remix: ((50000 * 128 + 128 * 10000) >> 8) + 1 = 30001, 35001, 40001;
    // alpha (65535 * 128 + 65535 * 128) >> 8 = 65535
    EXPECT_PX(Bp(5, 5), 30001, 35001, 40001, 65535);
    EXPECT_EQ(g_engine.tool.blendTempDisabled, 0);
}

TEST_F(PickupTest, RemixFromAnEmptyBufferPixelTakesTheTarget) {
    FillBuffer(0, 0, 0, 0);
    FillLayer(2, 50000, 40000, 30000, 60000);
    g_engine.tool.blendRemix = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    // a = 0: smudge keeps the colours; na = ((1 * 60000) >> 8 + 0) >> 8 = 0 (234 >> 8)
    EXPECT_PX(Px(2, kC, kC), 50000, 40000, 30000, 0);
    // buffer = target with alpha (60000 * 128) >> 8 = 30000
    EXPECT_PX(Bp(5, 5), 50000, 40000, 30000, 30000);
}

TEST_F(PickupTest, RemixOntoTransparentTakesThePaintColour) {
    FillBuffer(1000, 2000, 3000, 40000);
    g_engine.tool.blendRemix = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    // da = 0: colour (1000, 2000, 3000), alpha (65535 * 40000) >> 16 = 39999
    EXPECT_PX(Px(2, kC, kC), 1000, 2000, 3000, 39999);
    // buffer alpha (40000 * 128) >> 8 = 20000, colour the paint colour
    EXPECT_PX(Bp(5, 5), 1000, 2000, 3000, 20000);
}

TEST_F(PickupTest, TempDisableUsesThePlainColourForOneDab) {
    FillBuffer(1000, 2000, 3000, 65535);
    g_engine.tool.blendTempDisabled = 1;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    EXPECT_PX(Px(2, kC, kC), 65280, 0, 0, 65534);
    EXPECT_EQ(g_engine.tool.blendTempDisabled, 0);
    TSY_DrawDabGrit(40, 40, 0xFF00, 0, 0);
    EXPECT_PX(Px(2, 40, 40), 1000, 2000, 3000, 65534);
}

TEST_F(PickupTest, ImageBrushModeScalesCoverageByThePickedAlpha) {
    FillBuffer(1000, 2000, 3000, 32768);
    g_engine.tool.imageBrushMode = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    // w = (65535 * 32768) >> 16 = 32767, a = 65535: alpha (32767 * 65535) >> 16 = 32766
    EXPECT_PX(Px(2, kC, kC), 1000, 2000, 3000, 32766);
    // Alpha 1: w = 65535 >> 16 = 0 becomes 1: alpha (1 * 65535) >> 16 = 0
    FillBuffer(1000, 2000, 3000, 1);
    TSY_DrawDabGrit(40, 40, 0, 0, 0);
    EXPECT_PX(Px(2, 40, 40), 1000, 2000, 3000, 0);
}

TEST_F(PickupTest, PrimaryColourMixesTheDabColourIn) {
    FillBuffer(0, 40000, 0, 65535);
    g_engine.tool.blendPrimaryColorStrength = 64;
    TSY_DrawDabGrit(kC, kC, 0xFF00, 0, 0);
    // r = (192 * 0 + 64 * 65280) >> 8 = 16320; g = (192 * 40000) >> 8 = 30000;
    // a = (192 * 65535 + 64 * 65535) >> 8 = 65535 -> onto transparent 65534
    EXPECT_PX(Px(2, kC, kC), 16320, 30000, 0, 65534);
}

TEST_F(PickupTest, MixPathRemixUsesThePretintedTarget) {
    FillBuffer(65280, 0, 0, 65535);
    FillLayer(2, 0, 0, 0, 32768);
    g_engine.tool.mixCode = 36;
    g_engine.tool.blendRemix = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    // pre-tint k = 65535: red ((65535 * 65280) >> 8) >> 8 = 65279, green and blue 0;
    // lighten: (65280, 0, 0); target (65280, 0, 0, 65535)
    EXPECT_PX(Px(2, kC, kC), 65280, 0, 0, 65535);
    // remix: red ((65279 * 128 + 128 * 65280) >> 8) + 1 = 65280, green 0 + 1;
    // alpha (65535 * 128 + 32768 * 128) >> 8 = 49151
    EXPECT_PX(Bp(5, 5), 65280, 1, 1, 49151);
}

TEST_F(DabTest, DownscaledDabNeverReadsPastTheBrush) {
    TSY_CreateImage(nullptr, 32, 32, 16, 0);
    TSY_CreateLayer(2, 32, 32);
    TSY_SetLayer(2);
    ToolState &t = g_engine.tool;
    t.brushSize = 16;
    t.scaleSize = 8;
    for (int i = 0; i < 8; ++i) t.scaleMap[i] = 2 * i + 1;  // step 2: 1, 3, ..., 15
    std::fill_n(g_engine.brushShape, 16 * 16, 65535);
    TSY_DrawDabGrit(10, 10, 0xFF00, 0, 0);
    // x0 = 6: column k reads brush column 1 + scaleMap[k]; the last (1 + 15 = 16)
    // lies outside the 16-pixel brush and is left unpainted.
    const uint16_t *row = g_engine.layers[2].pixels + 10 * 32 * 4;
    EXPECT_EQ(row[4 * 12 + 3], 65534);
    EXPECT_EQ(row[4 * 13 + 3], 0);
}

class MaskDabTest : public BrushTest {};

TEST_F(MaskDabTest, BlackBrushOpensTheMask) {
    std::fill_n(g_engine.mask, kW * kH, 0);
    g_engine.tool.toolColor[0] = g_engine.tool.toolColor[1] = g_engine.tool.toolColor[2] = 0;
    ResetDirtyRect();
    TSY_DrawDabGritMask(kC, kC);
    // m = 65535, w = 65535: ((1 * 0) >> 8 + (65535 * 65535) >> 8 = 16776704) >> 8 = 65534
    EXPECT_EQ(g_engine.mask[20 * kW + 20], 65534);
    EXPECT_EQ(g_engine.mask[20 * kW + 25], 0);
    EXPECT_EQ(g_engine.undo.dirtyLeft, 15);
    EXPECT_EQ(g_engine.undo.dirtyRight, 25);
    FillShape(32768);
    std::fill_n(g_engine.mask, kW * kH, 0);
    TSY_DrawDabGritMask(kC, kC);
    // (0 + (32768 * 65535) >> 8) >> 8 = 32767
    EXPECT_EQ(g_engine.mask[20 * kW + 20], 32767);
}

TEST_F(MaskDabTest, WhiteBrushProtectsAndEraseOpens) {
    uint16_t *tc = g_engine.tool.toolColor;
    tc[0] = tc[1] = tc[2] = 65280;  // m = 65280 - 65280 = 0
    TSY_DrawDabGritMask(kC, kC);
    // ((1 * 65535) >> 8 + 0) >> 8 = 255 >> 8 = 0
    EXPECT_EQ(g_engine.mask[20 * kW + 20], 0);
    g_engine.tool.eraseMode = 1;
    TSY_DrawDabGritMask(kC, kC);
    EXPECT_EQ(g_engine.mask[20 * kW + 20], 65534);  // m = 65535 over M = 0
    EXPECT_EQ(g_engine.tool.eraseMode, 1);  // the mask dab leaves it set
}

TEST_F(MaskDabTest, MaskMakerModeRoutesDabsIntoTheMaskUntilTheNextTool) {
    std::fill_n(g_engine.mask, kW * kH, 0);
    g_engine.tool.maskMakerMode = 1;
    g_engine.tool.blendTempDisabled = 1;
    TSY_DrawDabGrit(kC, kC, 0, 0, 0);
    EXPECT_EQ(g_engine.mask[20 * kW + 20], 65534);
    EXPECT_EQ(Px(2, kC, kC)[3], 0);
    EXPECT_EQ(g_engine.tool.maskMakerMode, 1);
    EXPECT_EQ(g_engine.tool.blendTempDisabled, 0);
}

TEST_F(MaskDabTest, PickupReadsTheMaskCopyLayoutAndRemixes) {
    std::fill_n(g_engine.mask, kW * kH, 0);
    ToolState &t = g_engine.tool;
    t.blendStrength = 128;
    t.blendStrengthComplement = 128;
    t.blendRemix = 1;
    uint16_t *b = g_engine.currentBlendBuffer->pixels;
    b[5 * 4 * kS + 5] = 40000;  // brush (5, 5) at 16-bit index j * maxBrushStride + i
    TSY_DrawDabGritMask(kC, kC);
    // v = 40000: (0 + (65535 * 40000) >> 8 = 10239843) >> 8 = 39999
    EXPECT_EQ(g_engine.mask[20 * kW + 20], 39999);
    // remix: ((128 * 0 + 128 * 40000) >> 8) + 1 = 20001
    EXPECT_EQ(b[5 * 4 * kS + 5], 20001);
}

// Renders the same dab on one thread and on two and compares every value of
// the layer and the blend buffer.
class DabParallelTest : public EngineTest {
protected:
    static constexpr int kN = 128;
    void Scene() {
        NewCanvas(kN, kN, kN);
        EngineSeed(7);  // the same grain-table choice in both runs
        TSY_CreateLayer(2, kN, kN);
        TSY_SetLayer(2);
        uint16_t *px = g_engine.layers[2].pixels;
        for (int i = 0; i < kN * kN; ++i) {
            px[4 * i] = static_cast<uint16_t>(i * 7919);
            px[4 * i + 1] = static_cast<uint16_t>(i * 104729);
            px[4 * i + 2] = static_cast<uint16_t>(i * 31);
            px[4 * i + 3] = static_cast<uint16_t>(i % 3 == 0 ? 0 : i * 613);
            g_engine.mask[i] = static_cast<uint16_t>(i % 5 == 0 ? 30000 : 65535);
        }
        uint16_t *bb = g_engine.currentBlendBuffer->pixels;
        for (int i = 0; i < kN * kN * 4; ++i) bb[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
        g_engine.textureMap = x_NewCharUndoReduce(kN * kN);
        for (int i = 0; i < kN * kN; ++i) g_engine.textureMap[i] = static_cast<uint8_t>(4 + i % 240);
        ToolState &t = g_engine.tool;
        t.alphaPercent = 100;
        t.density = 200;
        t.gritCell = 3;
        t.gritCountdown = 0;
        t.gritRepeat = 1;
        t.currentGrit = t.gritTables[2];
        // Every table gets known bytes: the table change may pick any of them.
        for (int k = 0; k < kGritTableCount; ++k)
            for (int i = 0; i < (kN + 25) * (kN + 25); ++i) t.gritTables[k][i] = static_cast<uint8_t>(i * 37 + k);
        t.mixAmount = 200;
        t.mixAmountComplement = 56;
        t.blendStrength = 128;
        t.blendRemix = 1;
        for (int i = 0; i < kN * kN; ++i) g_engine.brushShape[i] = static_cast<uint16_t>(i * 977);
    }
    std::vector<uint16_t> Render(bool parallel, int code, int brushSize, int scaleSize) {
        Scene();
        ToolState &t = g_engine.tool;
        t.mixCode = code;
        t.brushSize = brushSize;
        t.scaleSize = scaleSize;
        for (int i = 0; i < scaleSize; ++i) t.scaleMap[i] = i * brushSize / scaleSize;
        SetDabParallel(parallel);
        omp_set_num_threads(2);
        TSY_DrawDabGrit(60, 70, 0x8000, 0x4000, 0x2000);
        TSY_DrawDabGrit(10, 100, 0x8000, 0x4000, 0x2000);
        SetDabParallel(1);
        std::vector<uint16_t> out(g_engine.layers[2].pixels, g_engine.layers[2].pixels + kN * kN * 4);
        const uint16_t *bb = g_engine.currentBlendBuffer->pixels;
        out.insert(out.end(), bb, bb + kN * kN * 4);
        TSY_DeleteImage();
        return out;
    }
    void Compare(int code, int brushSize, int scaleSize) {
        const std::vector<uint16_t> one = Render(false, code, brushSize, scaleSize);
        const std::vector<uint16_t> two = Render(true, code, brushSize, scaleSize);
        ASSERT_EQ(one.size(), two.size());
        for (size_t i = 0; i < one.size(); ++i)
            ASSERT_EQ(one[i], two[i]) << "code " << code << " value " << i << (i < one.size() / 2 ? " (layer)" : " (buffer)");
    }
};

// One parallel remixing dab on a fresh canvas: under ThreadSanitizer any
// report between two rows of this dab is a real race (reports against the
// scene set-up on the calling thread come from the pool's hidden barriers).
TEST_F(DabParallelTest, ScaledUpRemixDabAlone) {
    Scene();
    ToolState &t = g_engine.tool;
    t.brushSize = 50;
    t.scaleSize = 100;
    for (int i = 0; i < 100; ++i) t.scaleMap[i] = i / 2;
    omp_set_num_threads(2);
    // y0 = -1: 99 rows; the two halves meet inside a pair of rows that share
    // buffer row 25 (scaleMap[50] = scaleMap[51] = 25).
    TSY_DrawDabGrit(60, 49, 0x8000, 0x4000, 0x2000);
    EXPECT_EQ(g_engine.lastError[0], 0);
}

TEST_F(DabParallelTest, ParallelRowsEqualOneThread) {
    for (int code : {32, 33, 40, 42, 252, 340}) Compare(code, 100, 100);
}

TEST_F(DabParallelTest, ScaledUpRemixKeepsSharedBufferRowsOnOneThread) {
    Compare(32, 50, 100);
    Compare(44, 50, 100);
}

}  // namespace
