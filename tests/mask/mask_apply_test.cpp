// Applying the mask to RGBA32 alpha, and the mask-aware clears.
#include <vector>

#include "core/alloc.h"
#include "mask_test_util.h"

namespace {

using MaskApplyTest = MaskTest;

struct AlphaCase {
    const char *name;
    uint16_t m;
    uint8_t alpha, expected;
};

class ApplyMaskToAlphaTest : public MaskTest, public ::testing::WithParamInterface<AlphaCase> {};

TEST_P(ApplyMaskToAlphaTest, ScalesAlphaByTheHighByte) {
    const AlphaCase c = GetParam();
    NewCanvas(1, 1);
    M(0, 0) = c.m;
    uint8_t px[4] = {11, 22, 33, c.alpha};
    TSY_ApplyMaskToAlpha_RGBA32(px);
    EXPECT_EQ(px[3], c.expected) << c.name;
    EXPECT_EQ(px[0], 11);
    EXPECT_EQ(px[1], 22);
    EXPECT_EQ(px[2], 33);
}

INSTANTIATE_TEST_SUITE_P(Cases, ApplyMaskToAlphaTest,
                         ::testing::Values(AlphaCase{"h128", 0x80FF, 200, 100},  // 200 * 129 >> 8 = 100
                                           AlphaCase{"h0_clears", 0x00FF, 200, 0},
                                           AlphaCase{"h255_keeps", 0xFF00, 200, 200},
                                           AlphaCase{"h1", 0x0100, 200, 1},       // 200 * 2 >> 8 = 1
                                           AlphaCase{"h254", 0xFE00, 255, 254}),  // 255 * 255 >> 8 = 254
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(MaskApplyTest, RectangleIsClippedToTheCanvas) {
    NewCanvas(3, 2);
    FillMask(0x80FF);  // h = 128
    // The image holds canvas x -1..3, y -1..2: 5 x 4 pixels, rows 24 bytes apart.
    const int stride = 24;
    std::vector<uint8_t> img(4 * stride, 200);
    TSY_ApplyMaskToAlphaRect_RGBA32(img.data(), stride, -1, -1, 3, 2);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 5; ++i) {
            const int cx = i - 1, cy = j - 1;
            const bool onCanvas = cx >= 0 && cx < 3 && cy >= 0 && cy < 2;
            EXPECT_EQ(img[j * stride + i * 4 + 3], onCanvas ? 100 : 200) << i << "," << j;
            EXPECT_EQ(img[j * stride + i * 4 + 0], 200);
        }
    // Padding after the 5 pixels of a row is not touched either.
    EXPECT_EQ(img[stride - 1], 200);
}

TEST_F(MaskApplyTest, RectangleReadsTheMaskAtItsCanvasPosition) {
    NewCanvas(4, 4);
    FillMask(65535);
    M(2, 3) = 0;
    uint8_t img[2 * 2 * 4];
    for (auto &b : img) b = 77;
    TSY_ApplyMaskToAlphaRect_RGBA32(img, 8, 1, 2, 2, 3);  // x 1..2, y 2..3 inclusive
    EXPECT_EQ(img[3], 77);
    EXPECT_EQ(img[7], 77);
    EXPECT_EQ(img[11], 77);
    EXPECT_EQ(img[15], 0);                                    // pixel (1, 1) of the image is canvas (2, 3)
    TSY_ApplyMaskToAlphaRect_RGBA32(img, 8, 3, 0, 1, 0);      // empty rectangle: nothing
    TSY_ApplyMaskToAlphaRect_RGBA32(img, 8, 10, 10, 12, 12);  // off the canvas: nothing
    EXPECT_EQ(img[3], 77);
}

TEST_F(MaskApplyTest, IPLSourceOnlyWhenPresentAndActive) {
    TSY_ApplyMaskToAlpha_IPLSrcRGBA();  // no buffer, no mask: nothing
    NewCanvas(2, 1);
    FillMask(0);
    TSY_ApplyMaskToAlpha_IPLSrcRGBA();  // no buffer
    g_engine.IPLSrcBuffer32 = x_NewCharUndoReduce(8);
    g_engine.IPLSrcSize = 8;
    for (int i = 0; i < 8; ++i) g_engine.IPLSrcBuffer32[i] = 90;
    TSY_EnableMask(0);
    TSY_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(g_engine.IPLSrcBuffer32[3], 90);
    TSY_EnableMask(1);
    TSY_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(g_engine.IPLSrcBuffer32[3], 0);
    EXPECT_EQ(g_engine.IPLSrcBuffer32[7], 0);
    EXPECT_EQ(g_engine.IPLSrcBuffer32[0], 90);
}

// ---- TSY_ClearMasked --------------------------------------------------------------

TEST_F(MaskApplyTest, ClearMaskedByMaskValue) {
    CanvasWithLayer(4, 1);
    for (int x = 0; x < 4; ++x) SetPx(x, 0, 10000, 20000, 30000, 40000);
    M(0, 0) = 65535;
    M(1, 0) = 0;
    M(2, 0) = 32768;
    M(3, 0) = 1;
    TSY_ClearMasked(200, 100, 50, 7);
    // M = 65535: replaced, each channel * 256.
    EXPECT_EQ(Px(0, 0)[0], 51200);
    EXPECT_EQ(Px(0, 0)[1], 25600);
    EXPECT_EQ(Px(0, 0)[2], 12800);
    EXPECT_EQ(Px(0, 0)[3], 1792);
    // M = 0: left.
    EXPECT_EQ(Px(1, 0)[0], 10000);
    EXPECT_EQ(Px(1, 0)[3], 40000);
    // M = 32768: red (200 * 32768 + ((10000 * 32767) >> 8)) >> 8 = (6553600 + 1279960) >> 8 = 30599;
    // green (100 * 32768 + ((20000 * 32767) >> 8)) >> 8 = (3276800 + 2559921) >> 8 = 22799;
    // blue (50 * 32768 + ((30000 * 32767) >> 8)) >> 8 = (1638400 + 3839882) >> 8 = 21399; alpha 65535.
    EXPECT_EQ(Px(2, 0)[0], 30599);
    EXPECT_EQ(Px(2, 0)[1], 22799);
    EXPECT_EQ(Px(2, 0)[2], 21399);
    EXPECT_EQ(Px(2, 0)[3], 65535);
    // M = 1: red (200 + ((10000 * 65534) >> 8)) >> 8 = (200 + 2559921) >> 8 = 2560121 >> 8 = 10000.
    EXPECT_EQ(Px(3, 0)[0], 10000);
    EXPECT_EQ(Px(3, 0)[3], 65535);
}

TEST_F(MaskApplyTest, ClearMaskedWithMaskDisabledReplacesAll) {
    CanvasWithLayer(2, 1);
    FillMask(0);
    TSY_EnableMask(0);
    TSY_ClearMasked(1, 2, 3, 255);
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(Px(x, 0)[0], 256);
        EXPECT_EQ(Px(x, 0)[1], 512);
        EXPECT_EQ(Px(x, 0)[2], 768);
        EXPECT_EQ(Px(x, 0)[3], 65280);
    }
}

// ---- TSY_ClearMaskedAlpha ----------------------------------------------------------

TEST_F(MaskApplyTest, ClearMaskedAlphaWithMaskDisabledIsAPlainClear) {
    CanvasWithLayer(2, 1);
    FillMask(0);
    TSY_EnableMask(0);
    TSY_ClearMaskedAlpha(10, 20, 30, 40);
    EXPECT_EQ(Px(1, 0)[0], 2560);
    EXPECT_EQ(Px(1, 0)[1], 5120);
    EXPECT_EQ(Px(1, 0)[2], 7680);
    EXPECT_EQ(Px(1, 0)[3], 10240);
}

TEST_F(MaskApplyTest, ClearMaskedAlphaLoadsThroughTheMask) {
    CanvasWithLayer(4, 1);
    for (int x = 0; x < 4; ++x) SetPx(x, 0, 10000, 20000, 30000, 65535);
    SetPx(3, 0, 1, 2, 3, 0);  // transparent destination
    M(0, 0) = 65535;          // full weight: copy
    M(1, 0) = 200;            // high byte 0: untouched
    M(2, 0) = 0x80FF;         // m = 128: w = (129 * 65535) >> 8 = 8454015 >> 8 = 33023
    M(3, 0) = 0x80FF;
    TSY_ClearMaskedAlpha(200, 100, 50, 255);
    EXPECT_EQ(Px(0, 0)[0], 51200);
    EXPECT_EQ(Px(0, 0)[3], 65280);
    EXPECT_EQ(Px(1, 0)[0], 10000);
    EXPECT_EQ(Px(1, 0)[3], 65535);
    // Weighted blend (s * w + ((d * (65535 - w)) >> 8)) >> 8 with 65535 - w = 32512:
    // red (6604600 + 1270000) >> 8 = 30760; green (3302300 + 2540000) >> 8 = 22821;
    // blue (1651150 + 3810000) >> 8 = 21332; alpha (8420865 + 8322945) >> 8 = 65405.
    EXPECT_EQ(Px(2, 0)[0], 30760);
    EXPECT_EQ(Px(2, 0)[1], 22821);
    EXPECT_EQ(Px(2, 0)[2], 21332);
    EXPECT_EQ(Px(2, 0)[3], 65405);
    // Transparent destination: colour copied, alpha (65280 * 33023) >> 16 = 32894.
    EXPECT_EQ(Px(3, 0)[0], 51200);
    EXPECT_EQ(Px(3, 0)[2], 12800);
    EXPECT_EQ(Px(3, 0)[3], 32894);
}

TEST_F(MaskApplyTest, ClearMaskedAlphaWithTransparentColourFadesAlpha) {
    CanvasWithLayer(1, 1);
    SetPx(0, 0, 10000, 20000, 30000, 65535);
    M(0, 0) = 0x80FF;  // w = 33023
    TSY_ClearMaskedAlpha(200, 100, 50, 0);
    // Source alpha 0: colour kept, alpha (65535 * 32512) >> 16 = 32511.
    EXPECT_EQ(Px(0, 0)[0], 10000);
    EXPECT_EQ(Px(0, 0)[3], 32511);
}

TEST_F(MaskApplyTest, ClearMaskedAlphaKeepsALockedAlpha) {
    CanvasWithLayer(2, 1);
    TSY_SetLayerOptions(kLayer, 1, 1, 100, "Normal");
    SetPx(0, 0, 10000, 20000, 30000, 65535);
    SetPx(1, 0, 10000, 20000, 30000, 1234);
    M(0, 0) = 65535;
    M(1, 0) = 0x80FF;
    TSY_ClearMaskedAlpha(200, 100, 50, 0);
    EXPECT_EQ(Px(0, 0)[0], 51200);
    EXPECT_EQ(Px(0, 0)[3], 65535);
    // Source alpha 0 onto a visible pixel: colour kept, alpha locked.
    EXPECT_EQ(Px(1, 0)[0], 10000);
    EXPECT_EQ(Px(1, 0)[3], 1234);
}

TEST_F(MaskApplyTest, ClearMaskedAlphaHonoursTheTexture) {
    CanvasWithLayer(3, 1);
    for (int x = 0; x < 3; ++x) SetPx(x, 0, 10000, 20000, 30000, 65535);
    g_engine.textureMap = x_NewCharUndoReduce(3);
    g_engine.textureMap[0] = 0;    // stops the load
    g_engine.textureMap[1] = 200;  // 128 or more: full weight
    g_engine.textureMap[2] = 64;   // w = ((2 * 64 + 1) * 65535) >> 8 = 33023
    TSY_ClearMaskedAlpha(200, 100, 50, 255);
    EXPECT_EQ(Px(0, 0)[0], 10000);
    EXPECT_EQ(Px(1, 0)[0], 51200);
    EXPECT_EQ(Px(2, 0)[0], 30760);  // the same blend as mask weight 33023
}

TEST_F(MaskApplyTest, ClearsWithoutACurrentLayerDoNothing) {
    NewCanvas(2, 2);
    TSY_ClearMasked(1, 2, 3, 4);
    TSY_ClearMaskedAlpha(1, 2, 3, 4);
    TSY_EnableMask(0);
    TSY_ClearMaskedAlpha(1, 2, 3, 4);
    EXPECT_EQ(g_engine.currentSlot, nullptr);
}

TEST_F(MaskApplyTest, ClearMaskedAlphaWithoutMemoryDoesNothing) {
    CanvasWithLayer(2, 2);
    SetPx(0, 0, 5, 6, 7, 8);
    SetAllocShortageHook([](size_t) { return true; });
    TSY_ClearMaskedAlpha(1, 2, 3, 4);
    SetAllocShortageHook(nullptr);
    EXPECT_EQ(Px(0, 0)[0], 5);
    EXPECT_EQ(Px(0, 0)[3], 8);
}

// ---- TSY_ReplaceFromRGBAImageAlphaRange ---------------------------------------------

TEST_F(MaskApplyTest, ReplaceByAlphaRange) {
    NewCanvas(4, 1);
    FillMask(0);  // the mask is not involved
    // tol 10: T = trunc(25.6) = 25 around alpha 100.
    uint8_t img[16] = {1, 1, 1, 125, 2, 2, 2, 126, 3, 3, 3, 75, 4, 4, 4, 74};
    TSY_ReplaceFromRGBAImageAlphaRange(img, 100, 10, 9, 8, 7, 6);
    const uint8_t expected[16] = {9, 8, 7, 6, 2, 2, 2, 126, 9, 8, 7, 6, 4, 4, 4, 74};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(img[i], expected[i]) << i;
}

}  // namespace
