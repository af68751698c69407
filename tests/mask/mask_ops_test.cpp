// Switches, whole-mask operations, exchange with the host and conversions
// between the mask and the current layer.
#include <cstring>
#include <vector>

#include "mask/mask_values.h"
#include "mask_test_util.h"

namespace {

using MaskOpsTest = MaskTest;

// ---- Switches --------------------------------------------------------------

TEST_F(MaskOpsTest, SwitchesKeepTheLowByte) {
    NewCanvas(4, 4);
    TSY_EnableMask(256);  // low byte 0
    EXPECT_EQ(g_engine.maskActive, 0);
    TSY_EnableMask(257);
    EXPECT_EQ(g_engine.maskActive, 1);
    TSY_DisplayMask(1);
    EXPECT_EQ(g_engine.maskDisplayed, 1);
    TSY_DisplayMask(512);
    EXPECT_EQ(g_engine.maskDisplayed, 0);
}

TEST_F(MaskOpsTest, OverlayOptionsAreStoredTimes256) {
    TSY_SetMaskOptions(10, 20, 30, 40, 50, 255, 7);
    // 10 << 8 = 2560, 20 << 8 = 5120, 30 << 8 = 7680, 40 << 8 = 10240, 50 << 8 = 12800, 255 << 8 = 65280.
    EXPECT_EQ(g_engine.maskOverlayColour1[0], 2560);
    EXPECT_EQ(g_engine.maskOverlayColour1[1], 5120);
    EXPECT_EQ(g_engine.maskOverlayColour1[2], 7680);
    EXPECT_EQ(g_engine.maskOverlayColour2[0], 10240);
    EXPECT_EQ(g_engine.maskOverlayColour2[1], 12800);
    EXPECT_EQ(g_engine.maskOverlayColour2[2], 65280);
    EXPECT_EQ(g_engine.maskOverlayFullStrength, 7);
}

// ---- Grey rules and ClearMask --------------------------------------------------

struct GreyCase {
    const char *name;
    int r, g, b;
    uint16_t expected;
};

class ClearMaskGreyTest : public MaskTest, public ::testing::WithParamInterface<GreyCase> {};

TEST_P(ClearMaskGreyTest, FillsWithSixteenBitGreyRule) {
    const GreyCase c = GetParam();
    NewCanvas(3, 2);
    TSY_ClearMask(c.r, c.g, c.b);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(g_engine.mask[i], c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ClearMaskGreyTest,
                         ::testing::Values(GreyCase{"black_all_editable", 0, 0, 0, 65535},
                                           // mean 32768 -> 65280 - 32768 = 32512
                                           GreyCase{"mid_grey", 32768, 32768, 32768, 32512},
                                           GreyCase{"full_white_protects", 65535, 65535, 65535, 0},
                                           // mean 65280 is not above 65280 -> 65280 - 65280 = 0
                                           GreyCase{"white_65280", 65280, 65280, 65280, 0},
                                           // mean 766 / 3 = 255 (integer) is below 256 -> 65535
                                           GreyCase{"mean_255_is_black", 255, 255, 256, 65535},
                                           // mean (0 + 0 + 768) / 3 = 256 -> 65280 - 256 = 65024
                                           GreyCase{"mean_256", 0, 0, 768, 65024},
                                           // mean 65281 -> above 65280 -> 0
                                           GreyCase{"mean_65281", 65281, 65281, 65281, 0},
                                           GreyCase{"negative_is_black", -100, -100, -100, 65535}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(MaskValues, EightBitGreyRule) {
    EXPECT_EQ(MaskFromGrey8(0), 65535);
    EXPECT_EQ(MaskFromGrey8(1), 65024);    // 65280 - 256
    EXPECT_EQ(MaskFromGrey8(128), 32512);  // 65280 - 32768
    EXPECT_EQ(MaskFromGrey8(255), 0);      // 65280 - 65280
}

struct LevelCase {
    int level;
    uint16_t expected;
};

TEST(MaskValues, SelectionLevelKeepsSixteenBits) {
    const LevelCase cases[] = {
        {0, 65280},    // 255 * 256
        {5, 64000},    // 250 * 256
        {16, 61184},   // 239 * 256
        {255, 0},      // 0 * 256
        {256, 65280},  // -1 * 256 = -256 -> 65280 in 16 bits
        {-1, 0},       // 256 * 256 = 65536 -> 0 in 16 bits
        {300, 54016},  // -45 * 256 = -11520 -> 65536 - 11520
    };
    for (const auto &c : cases) EXPECT_EQ(MaskSelectionValue(c.level), c.expected) << c.level;
}

// ---- Whole-mask operations ------------------------------------------------------

TEST_F(MaskOpsTest, InvertComplementsEveryValue) {
    NewCanvas(2, 1);
    M(0, 0) = 0;
    M(1, 0) = 1000;
    TSY_InvertMask();
    EXPECT_EQ(M(0, 0), 65535);
    EXPECT_EQ(M(1, 0), 64535);
}

TEST_F(MaskOpsTest, RawDataRoundTrip) {
    NewCanvas(3, 2);
    const std::vector<uint16_t> in = {1, 2, 3, 40000, 65535, 0};
    TSY_SetMaskData16(in.data());
    std::vector<uint16_t> out(6, 7);
    TSY_GetMaskData16(out.data());
    EXPECT_EQ(out, in);
    TSY_SetMaskData16(nullptr);  // nothing happens
    TSY_GetMaskData16(nullptr);
    EXPECT_EQ(M(2, 1), 0);
}

TEST_F(MaskOpsTest, LineRunsEncodeHighBytesAndDecodeTimes256) {
    NewCanvas(304, 2);
    // Row 1: four values with high byte 0x12 (low bytes differ), then 300 of 0xAB00.
    M(0, 1) = 0x1234;
    M(1, 1) = 0x1200;
    M(2, 1) = 0x12FF;
    M(3, 1) = 0x1201;
    for (int x = 4; x < 304; ++x) M(x, 1) = 0xAB00;
    uint8_t runs[16] = {};
    ASSERT_EQ(TSY_GetMaskLineRLE(runs, 1), 6);
    const uint8_t expected[6] = {4, 0x12, 255, 0xAB, 45, 0xAB};
    EXPECT_EQ(std::memcmp(runs, expected, 6), 0);

    TSY_PutMaskLineRLE(runs, 0);
    for (int x = 0; x < 4; ++x) ASSERT_EQ(M(x, 0), 0x1200);
    for (int x = 4; x < 304; ++x) ASSERT_EQ(M(x, 0), 0xAB00);
}

TEST_F(MaskOpsTest, LineRunsAreCutAtTheRowAndSkipEmptyRuns) {
    NewCanvas(3, 1);
    // A run of 0 writes nothing; the run of 5 is cut after 2 values.
    const uint8_t runs[] = {1, 0x10, 0, 0x77, 5, 0x20};
    TSY_PutMaskLineRLE(runs, 0);
    EXPECT_EQ(M(0, 0), 0x1000);
    EXPECT_EQ(M(1, 0), 0x2000);
    EXPECT_EQ(M(2, 0), 0x2000);
}

TEST_F(MaskOpsTest, LineRunsWithoutMaskOrOutsideRowsDoNothing) {
    uint8_t runs[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(TSY_GetMaskLineRLE(runs, 0), 0);  // no canvas, no mask
    TSY_PutMaskLineRLE(runs, 0);
    NewCanvas(2, 2);
    EXPECT_EQ(TSY_GetMaskLineRLE(runs, 2), 0);
    EXPECT_EQ(TSY_GetMaskLineRLE(runs, -1), 0);
    TSY_PutMaskLineRLE(runs, 5);
    EXPECT_EQ(TSY_GetMaskLineRLE(nullptr, 0), 0);
    EXPECT_EQ(M(0, 0), 65535);
}

TEST_F(MaskOpsTest, GetMask64ReturnsTheAmount) {
    NewCanvas(4, 4);
    EXPECT_EQ(TSY_GetMask64(1, 1), 0);  // no current layer yet
    TSY_CreateLayer(kLayer, 4, 4);
    TSY_SetLayer(kLayer);
    EXPECT_EQ(TSY_GetMask64(0, 0), 0);  // a new canvas passes everything
    M(1, 2) = 1000;
    EXPECT_EQ(TSY_GetMask64(1, 2), 64535);  // 65535 - 1000
    EXPECT_EQ(TSY_GetMask64(4, 0), 0);
    EXPECT_EQ(TSY_GetMask64(0, -1), 0);
    TSY_EnableMask(0);
    EXPECT_EQ(TSY_GetMask64(1, 2), 0);
}

// ---- Exchange as RGB24 images -------------------------------------------------------

TEST_F(MaskOpsTest, LoadThenSaveUsesTheGreyRules) {
    NewCanvas(4, 1);
    // black, white, grey 128, mean (10 + 20 + 31) / 3 = 20; stride 14 leaves 2 padding bytes.
    const uint8_t image[14] = {0, 0, 0, 255, 255, 255, 128, 128, 128, 10, 20, 31, 99, 99};
    TSY_LoadMask(image, 14, 4, 1);
    EXPECT_EQ(M(0, 0), 65535);
    EXPECT_EQ(M(1, 0), 0);
    EXPECT_EQ(M(2, 0), 32512);  // 65280 - 128 * 256
    EXPECT_EQ(M(3, 0), 60160);  // 65280 - 20 * 256

    uint8_t saved[14];
    std::memset(saved, 0xEE, sizeof saved);
    TSY_SaveMask(saved, 14);
    // 255 - (M >> 8): 255 - 255 = 0, 255 - 0 = 255, 255 - 127 = 128, 255 - 235 = 20.
    const uint8_t expected[14] = {0, 0, 0, 255, 255, 255, 128, 128, 128, 20, 20, 20, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(saved, expected, 14), 0);
}

TEST_F(MaskOpsTest, LoadClipsAnImageLargerThanTheCanvas) {
    NewCanvas(3, 2);
    // 5 x 4 image of grey 255 (white): only the 3 x 2 canvas part is read into the mask.
    std::vector<uint8_t> image(5 * 3 * 4, 255);
    TSY_LoadMask(image.data(), 15, 5, 4);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(g_engine.mask[i], 0);
}

TEST_F(MaskOpsTest, LoadOfSmallerImageLeavesTheRest) {
    NewCanvas(3, 2);
    const uint8_t image[3] = {255, 255, 255};
    TSY_LoadMask(image, 3, 1, 1);
    EXPECT_EQ(M(0, 0), 0);
    EXPECT_EQ(M(1, 0), 65535);
    EXPECT_EQ(M(0, 1), 65535);
    TSY_LoadMask(image, 3, -1, 5);  // nothing
    EXPECT_EQ(M(1, 0), 65535);
}

struct CombineCase {
    const char *name;
    uint8_t grey;  // every image byte
    int stencil, value;
    const char *mode;
    uint16_t before, after;
};

class CombineMaskTest : public MaskTest, public ::testing::WithParamInterface<CombineCase> {};

TEST_P(CombineMaskTest, CombinesEveryPixel) {
    const CombineCase c = GetParam();
    NewCanvas(2, 2);
    FillMask(c.before);
    // Rows padded to 8 bytes.
    std::vector<uint8_t> image(2 * 8, c.grey);
    TSY_CombineMask(image.data(), 8, c.stencil, c.value, c.mode);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(g_engine.mask[i], c.after) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, CombineMaskTest,
                         ::testing::Values(
                             // white: v = 255 * 256 = 65280; 65535 - 65280 = 255 (high byte 0: protected)
                             CombineCase{"add_white_protects", 255, 0, 0, "Add", 65535, 255},
                             CombineCase{"add_floors_at_zero", 255, 0, 0, "Add", 1000, 0},
                             // 1000 + 65280 = 66280 capped at 65535
                             CombineCase{"subtract_white_caps", 255, 0, 0, "Subtract", 1000, 65535},
                             CombineCase{"subtract_white_from_zero", 255, 0, 0, "Subtract", 0, 65280},
                             // grey 100: v = 25600; 65280 - 25600 = 39680
                             CombineCase{"replace_grey", 100, 0, 0, "Replace", 7, 39680},
                             // 40000 - 25600 = 14400
                             CombineCase{"lower_case_add_is_add", 100, 0, 0, "add", 40000, 14400},
                             CombineCase{"unknown_mode_is_add", 100, 0, 0, "Multiply", 40000, 14400},
                             CombineCase{"null_mode_is_add", 100, 0, 0, nullptr, 40000, 14400},
                             // black: v = 0 leaves the pixel in every mode, Replace included
                             CombineCase{"black_left_alone_replace", 0, 0, 0, "Replace", 1234, 1234},
                             // stencil: black becomes 200 -> v = 51200; 65535 - 51200 = 14335
                             CombineCase{"stencil_black_takes_value", 0, 1, 200, "Add", 65535, 14335},
                             // stencil: anything not black becomes 0 -> untouched
                             CombineCase{"stencil_leaves_non_black", 90, 1, 200, "Add", 65535, 65535},
                             // only the low byte of stencil counts: 257 is a stencil, 2 is not
                             CombineCase{"stencil_low_byte", 0, 257, 200, "Subtract", 10000, 61200},
                             CombineCase{"not_a_stencil", 0, 2, 200, "Add", 10000, 10000},
                             // a value above 255 leaves the range: 65280 - 300 * 256 < 0 is held at 0
                             CombineCase{"stencil_value_out_of_range", 0, 1, 300, "Replace", 5, 0}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(MaskOpsTest, CombineReadsEachPixelsOwnMean) {
    NewCanvas(2, 1);
    FillMask(65535);
    // (0, 0, 2) has mean 0: left alone; (30, 60, 91) has mean 60: 65535 - 15360 = 50175.
    const uint8_t image[6] = {0, 0, 2, 30, 60, 91};
    TSY_CombineMask(image, 6, 0, 0, "Add");
    EXPECT_EQ(M(0, 0), 65535);
    EXPECT_EQ(M(1, 0), 50175);
}

// ---- Conversions with the current layer --------------------------------------------

TEST_F(MaskOpsTest, ImageFromMask) {
    CanvasWithLayer(5, 1);
    const uint16_t in[5] = {0, 254, 255, 1000, 65535};
    // M above 254 -> 65535 - M; otherwise 65280.
    const uint16_t grey[5] = {65280, 65280, 65280, 64535, 0};
    for (int x = 0; x < 5; ++x) M(x, 0) = in[x];
    TSY_CreateImageFromMask();
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(Px(x, 0)[0], grey[x]);
        EXPECT_EQ(Px(x, 0)[1], grey[x]);
        EXPECT_EQ(Px(x, 0)[2], grey[x]);
        EXPECT_EQ(Px(x, 0)[3], 65535);
    }
}

TEST_F(MaskOpsTest, MaskFromImageMeanAndLuma) {
    CanvasWithLayer(3, 1);
    SetPx(0, 0, 10000, 20000, 30000, 0);
    SetPx(1, 0, 100, 200, 300, 0);
    SetPx(2, 0, 65535, 65535, 65535, 0);
    TSY_CreateMaskFromImage();
    EXPECT_EQ(M(0, 0), 45280);  // mean 20000 -> 65280 - 20000
    EXPECT_EQ(M(1, 0), 65535);  // mean 200 is below 256
    EXPECT_EQ(M(2, 0), 0);      // mean 65535 is above 65280
    TSY_CreateMaskFromImageLuma();
    EXPECT_EQ(M(0, 0), 47780);  // (3 * 10000 + 4 * 20000 + 30000) >> 3 = 17500 -> 65280 - 17500
    EXPECT_EQ(M(1, 0), 65535);  // (300 + 800 + 300) >> 3 = 175
    EXPECT_EQ(M(2, 0), 0);      // (8 * 65535) >> 3 = 65535
}

TEST_F(MaskOpsTest, MaskFromAlpha) {
    CanvasWithLayer(2, 1);
    SetPx(0, 0, 1, 2, 3, 12345);
    SetPx(1, 0, 1, 2, 3, 0);
    TSY_CreateMaskFromAlpha();
    EXPECT_EQ(M(0, 0), 12345);
    EXPECT_EQ(M(1, 0), 0);
}

struct AlphaKindCase {
    const char *name;
    int kind;
    uint16_t alpha, m, expected;
};

class AlphaFromMaskTest : public MaskTest, public ::testing::WithParamInterface<AlphaKindCase> {};

TEST_P(AlphaFromMaskTest, ChangesOnlyAlpha) {
    const AlphaKindCase c = GetParam();
    CanvasWithLayer(1, 1);
    SetPx(0, 0, 7, 8, 9, c.alpha);
    M(0, 0) = c.m;
    TSY_CreateAlphaFromMask(c.kind);
    EXPECT_EQ(Px(0, 0)[3], c.expected) << c.name;
    EXPECT_EQ(Px(0, 0)[0], 7);
}

INSTANTIATE_TEST_SUITE_P(Cases, AlphaFromMaskTest,
                         ::testing::Values(AlphaKindCase{"set", 0, 60000, 10000, 10000},
                                           AlphaKindCase{"add_caps", 1, 60000, 10000, 65535},  // 70000 -> 65535
                                           AlphaKindCase{"add", 1, 1000, 2000, 3000},
                                           AlphaKindCase{"subtract_floors", 2, 5000, 10000, 0},
                                           AlphaKindCase{"subtract", 2, 30000, 10000, 20000},
                                           AlphaKindCase{"other_kind_changes_nothing", 3, 30000, 10000, 30000},
                                           AlphaKindCase{"negative_kind_changes_nothing", -1, 30000, 10000, 30000}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(MaskOpsTest, LayerConversionsNeedACurrentLayer) {
    NewCanvas(4, 4);  // no layer selected
    M(1, 1) = 4321;
    TSY_CreateImageFromMask();
    TSY_CreateMaskFromImage();
    TSY_CreateMaskFromImageLuma();
    TSY_CreateMaskFromAlpha();
    TSY_CreateAlphaFromMask(0);
    EXPECT_EQ(M(1, 1), 4321);
    EXPECT_EQ(M(0, 0), 65535);
}

TEST_F(MaskOpsTest, OperationsWithoutACanvasDoNothing) {
    uint8_t image[12] = {};
    TSY_ClearMask(0, 0, 0);
    TSY_InvertMask();
    TSY_LoadMask(image, 3, 1, 1);
    TSY_SaveMask(image, 3);
    TSY_CombineMask(image, 3, 1, 9, "Add");
    EXPECT_EQ(TSY_GetMask64(0, 0), 0);
    EXPECT_EQ(g_engine.mask, nullptr);
}

TEST_F(MaskOpsTest, ConversionsUseOnlyTheLayerPartOnTheCanvas) {
    NewCanvas(4, 3);
    TSY_CreateLayer(kLayer, 2, 5);  // narrower and taller than the canvas
    TSY_SetLayer(kLayer);
    FillMask(1000);
    TSY_CreateImageFromMask();  // writes only 2 x 3 pixels
    TSY_CreateMaskFromAlpha();  // reads only 2 x 3 pixels
    EXPECT_EQ(M(0, 0), 65535);  // the alpha CreateImageFromMask wrote
    EXPECT_EQ(M(1, 2), 65535);
    EXPECT_EQ(M(2, 0), 1000);   // no layer pixel under it
    EXPECT_EQ(Px(0, 3)[3], 0);  // below the canvas: untouched
}

}  // namespace
