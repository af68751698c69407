// Tool state: setters, scale map, random byte tables and the grit tables.
#include "brush/tool_state.h"

#include <cstring>
#include <vector>

#include "brush/random_tables.h"
#include "core/engine_state.h"
#include "core/errors.h"
#include "core/random.h"
#include "engine_fixture.h"

namespace {

using ToolStateTest = EngineTest;

// An independent copy of the engine generator for expected values:
// state = state * 214013 + 2531011, result (state >> 16) & 0x7FFF.
struct Lcg {
    uint32_t state;
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// A tool with grain cells of `cell`, every cell and pixel filled when the
// thresholds are 256, and the round shape.
int SetGrainTool(int cell, int cellThreshold, int pixelThreshold, const char *grain = "") {
    return TSY_SetTool(1.0f, cell, cellThreshold, pixelThreshold, 0, 0, 7, 0, 0, 0, 0, 0, 0, grain, "", 0);
}

std::vector<uint8_t> CopyTables() {
    const size_t side = static_cast<size_t>(g_engine.maxBrushSize) + 25;
    std::vector<uint8_t> all;
    for (uint8_t *t : g_engine.tool.gritTables) all.insert(all.end(), t, t + side * side);
    return all;
}

TEST_F(ToolStateTest, ColourSettersWidenAndSetOpaqueAlpha) {
    TSY_SetColor(255, 0, 0x1FF);                   // only the low byte counts: 0x1FF is 255
    EXPECT_EQ(g_engine.tool.toolColor[0], 65280);  // 255 * 256, not 65535
    EXPECT_EQ(g_engine.tool.toolColor[1], 0);
    EXPECT_EQ(g_engine.tool.toolColor[2], 65280);
    EXPECT_EQ(g_engine.tool.toolColor[3], 65535);

    TSY_SetColor16(65535, 0x12345, 7);  // low 16 bits
    EXPECT_EQ(g_engine.tool.toolColor[0], 65535);
    EXPECT_EQ(g_engine.tool.toolColor[1], 0x2345);
    EXPECT_EQ(g_engine.tool.toolColor[2], 7);
    EXPECT_EQ(g_engine.tool.toolColor[3], 65535);

    TSY_SetColorBanks(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    const uint16_t expected[16] = {256,   1024,  1792,  2560,  // reds of banks 0..3
                                   512,   1280,  2048,  2816,  // greens
                                   768,   1536,  2304,  3072,  // blues
                                   65535, 65535, 65535, 65535};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(g_engine.tool.colorBanks[i], expected[i]) << i;
}

TEST_F(ToolStateTest, DensityAlphaAndMixDerivedValues) {
    TSY_SetDensity(1);
    EXPECT_EQ(g_engine.tool.density, 0);  // only grit value 0 is painted
    TSY_SetDensity(256);
    EXPECT_EQ(g_engine.tool.density, 255);

    TSY_SetAlpha(50);
    EXPECT_EQ(g_engine.tool.alphaPercent, 50);
    EXPECT_EQ(g_engine.tool.alphaFactor, 64);  // trunc(50 * 1.28)
    TSY_SetAlpha(100);
    EXPECT_EQ(g_engine.tool.alphaFactor, 128);

    struct MixCase {
        int amount, shift;
    };
    // trunc((amount - 127) * (1/127) * 16)
    const MixCase cases[] = {
        {255, 16},            // 128/127 * 16 = 16.13
        {127, 0},  {0, -16},  // -127/127 * 16
        {200, 9},             // 73/127 * 16 = 9.197
        {100, -3},            // -27/127 * 16 = -3.40, toward zero
    };
    for (const MixCase &c : cases) {
        TSY_SetMixMode(295, c.amount);
        EXPECT_EQ(g_engine.tool.mixCode, 295);
        EXPECT_EQ(g_engine.tool.mixAmount, c.amount);
        EXPECT_EQ(g_engine.tool.mixAmountComplement, 256 - c.amount);
        EXPECT_EQ(g_engine.tool.posterizeShift, c.shift) << c.amount;
    }
}

TEST_F(ToolStateTest, RotationUsesFiveDecimalPi) {
    TSY_SetRotateBrushMode(1, 90);
    EXPECT_EQ(g_engine.tool.rotateMode, 1);
    EXPECT_EQ(g_engine.tool.rotateAngle, 90);
    // 90 * (1/180) * 3.14159 = 1.570795; cos = sin(pi/2 - 1.570795) = 1.3267949e-6.
    EXPECT_FLOAT_EQ(g_engine.tool.rotateCos, 1.3267949e-6f);
    EXPECT_FLOAT_EQ(g_engine.tool.rotateSin, 1.0f);
    TSY_SetRotateBrushMode(0, 0);
    EXPECT_EQ(g_engine.tool.rotateSin, 0.0f);
    EXPECT_EQ(g_engine.tool.rotateCos, 1.0f);
}

TEST_F(ToolStateTest, SimpleSwitchesAreStored) {
    TSY_SetAlphaLevel(9);
    TSY_SetColorVary(11);
    TSY_SetAlphaLocked(1);
    TSY_SetColorLocked(2);
    TSY_SetBlobLocked(3);
    TSY_SetSolidBrushMode(4);
    TSY_SetImageBrushMode(5);
    TSY_SetShapeBlur(40);
    TSY_SetTracingMode(0x101);
    TSY_SetMaskMakerOn();
    TSY_SetEraseModeOn();
    const ToolState &t = g_engine.tool;
    EXPECT_EQ(t.alphaLevel, 9);
    EXPECT_EQ(t.colorVary, 11);
    EXPECT_EQ(t.alphaLocked, 1);
    EXPECT_EQ(t.colorLocked, 2);
    EXPECT_EQ(t.blobLocked, 3);
    EXPECT_EQ(t.solidMode, 4);
    EXPECT_EQ(t.imageBrushMode, 5);
    EXPECT_EQ(t.shapeBlur, 40);
    EXPECT_EQ(t.tracingMode, 1);  // low byte
    EXPECT_EQ(t.maskMakerMode, 1);
    EXPECT_EQ(t.eraseMode, 1);
}

TEST_F(ToolStateTest, SizeIsHeldToScaleMapAndBrushBuffers) {
    NewCanvas(16, 16, 64);
    TSY_SetSize(10);
    EXPECT_EQ(g_engine.tool.brushSize, 10);
    EXPECT_EQ(g_engine.tool.scaleSize, 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(g_engine.tool.scaleMap[i], i);
    TSY_SetSize(100);  // above maxBrushSize 64
    EXPECT_EQ(g_engine.tool.brushSize, 64);
    TSY_SetSize(-3);
    EXPECT_EQ(g_engine.tool.brushSize, 0);
    EXPECT_EQ(g_engine.tool.scaleSize, 0);

    TSY_DeleteImage();
    NewCanvas(16, 16, 2000);  // the scale map holds 1000 entries
    TSY_SetSize(1500);
    EXPECT_EQ(g_engine.tool.brushSize, 1000);
    EXPECT_EQ(g_engine.tool.scaleMap[999], 999);
}

struct ScaleCase {
    const char *name;
    int brushSize;
    int request;
    int scaleSize;
    std::vector<int> map;
};

class ScaleMapTest : public EngineTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(ScaleMapTest, MapAccumulatesHalfSteps) {
    const ScaleCase &c = GetParam();
    NewCanvas(8, 8, 64);
    TSY_SetSize(c.brushSize);
    TSY_SetScaleSize(c.request);
    EXPECT_EQ(g_engine.tool.scaleSize, c.scaleSize);
    for (size_t i = 0; i < c.map.size(); ++i) EXPECT_EQ(g_engine.tool.scaleMap[i], c.map[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScaleMapTest,
                         ::testing::Values(
                             // step 10/4 = 2.5: v = 1.25, 3.75, 6.25, 8.75
                             ScaleCase{"Brush10Scale4", 10, 4, 4, {1, 3, 6, 8}},
                             // 0 is raised to 1: step 10, v = 5
                             ScaleCase{"ZeroBehavesAsOne", 10, 0, 1, {5}},
                             // lowered to the brush size: step 1, v = 0.5, 1.5, ...
                             ScaleCase{"AboveBrushIsLowered", 10, 25, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
                             // step 7/3 = 2.333: v = 1.1667, 3.5, 5.8333
                             ScaleCase{"Brush7Scale3", 7, 3, 3, {1, 3, 5}},
                             // a brush of size 0 has no dab: the scale stays 0
                             ScaleCase{"ZeroBrush", 0, 5, 0, {}}),
                         [](const ::testing::TestParamInfo<ScaleCase> &info) { return std::string(info.param.name); });

TEST_F(ToolStateTest, SetToolStoresArgumentsAndResetsSwitches) {
    NewCanvas(16, 16, 32);
    TSY_SetMixMode(295, 10);
    TSY_SetMaskMakerOn();
    TSY_SetEraseModeOn();
    g_engine.tool.blendTempDisabled = 1;
    const int r = TSY_SetTool(0.5f, 0, 3, 4, 0x1FF, 6, 7, 8, 9, 0x10A, 0x10B, 0x10C, 0x10D, "", "", 16);
    const ToolState &t = g_engine.tool;
    EXPECT_EQ(r, 9);  // returns blendPrimaryColorStrength
    EXPECT_EQ(t.shapeScale, 0.5f);
    EXPECT_EQ(t.gritCell, 0);
    EXPECT_EQ(t.gritCellThreshold, 3);
    EXPECT_EQ(t.gritPixelThreshold, 4);
    EXPECT_EQ(t.shapeSoftness, 0xFF);
    EXPECT_EQ(t.colorVary, 6);
    EXPECT_EQ(t.gritRepeat, 7);
    EXPECT_EQ(t.blendStrength, 8);
    EXPECT_EQ(t.blendStrengthComplement, 248);
    EXPECT_EQ(t.blendPrimaryColorStrength, 9);
    EXPECT_EQ(t.blendPrimaryColorComplement, 247);
    EXPECT_EQ(t.blendRemix, 0x0A);
    EXPECT_EQ(t.reserved11, 0x0B);
    EXPECT_EQ(t.shapeInvert, 0x0C);
    EXPECT_EQ(t.reserved13, 0x0D);
    EXPECT_EQ(t.shapeParam, 16);
    EXPECT_EQ(t.reserved16, 16);
    EXPECT_EQ(t.mixCode, 32);
    EXPECT_EQ(t.blendTempDisabled, 0);
    EXPECT_EQ(t.maskMakerMode, 0);
    EXPECT_EQ(t.eraseMode, 0);
    EXPECT_EQ(t.gritCountdown, 0);  // no grain built, countdown untouched

    // Strengths of 0 leave the complements as they were.
    TSY_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    EXPECT_EQ(g_engine.tool.blendStrengthComplement, 248);
    EXPECT_EQ(g_engine.tool.blendPrimaryColorComplement, 247);
}

TEST_F(ToolStateTest, SetToolWithoutCanvasStoresAndDoesNothingElse) {
    const int r = TSY_SetTool(1.0f, 4, 100, 100, 0, 0, 3, 0, 5, 0, 0, 0, 0, "x.png", "y.png", 0);
    EXPECT_EQ(r, 5);
    EXPECT_EQ(g_engine.tool.gritCell, 4);
    EXPECT_STREQ(TSY_GetLastError(), "");
}

TEST_F(ToolStateTest, SameToolAndSeedGiveIdenticalGritTables) {
    TSY_SetRandomSeed(1234);
    NewCanvas(32, 32, 40);
    TSY_SetSize(30);
    SetGrainTool(3, 150, 180);
    const std::vector<uint8_t> first = CopyTables();
    // Disturb the generator in between; the tool reseeds it.
    TSY_SetPixColorVary(5);
    SetGrainTool(3, 150, 180);
    EXPECT_EQ(CopyTables(), first);

    // Values are cell values 0..253 or 255, and the tables differ from one another.
    bool someCell = false;
    for (uint8_t v : first) {
        EXPECT_NE(v, 254);
        if (v != 255) someCell = true;
    }
    EXPECT_TRUE(someCell);
    const size_t side = 40 + 25;
    EXPECT_NE(std::memcmp(g_engine.tool.gritTables[0], g_engine.tool.gritTables[1], side * side), 0);

    // Another seed (tables rebuilt with the canvas) gives other grain.
    TSY_DeleteImage();
    TSY_SetRandomSeed(99);
    NewCanvas(32, 32, 40);
    TSY_SetSize(30);
    SetGrainTool(3, 150, 180);
    EXPECT_NE(CopyTables(), first);
}

// With every cell and every pixel filled (thresholds 256) and cells of one
// pixel, row r of table k is the run of randTable254 starting at the offset
// its second draw picks: q = draw * ((1,000,000 - 1) / 32767) = draw * 30.
// The first draw of the row picks the randTable255 run that only decides
// (always yes) whether cells and pixels are filled.
TEST_F(ToolStateTest, GritTablesFollowTheDrawsRowByRow) {
    TSY_SetRandomSeed(7);
    NewCanvas(8, 8, 16);
    TSY_SetSize(5);  // N = 30
    SetGrainTool(1, 256, 256);
    EXPECT_EQ(g_engine.tool.gritCountdown, 7);
    const int N = 30, S = 16;
    Lcg lcg{7};
    const uint8_t *r254 = g_engine.randTable254.data;
    for (int k = 0; k < kGritTableCount; ++k) {
        const uint8_t *table = g_engine.tool.gritTables[k];
        std::vector<uint8_t> expected((S + 25) * (S + 25), 255);
        for (int r = 0; r < N; ++r) {
            lcg.Next();                                             // p start
            const size_t q = static_cast<size_t>(lcg.Next()) * 30;  // q start
            // Rows are S bytes apart while a row holds N > S values, so each
            // row runs on into the next; later rows overwrite the overlap.
            for (int x = 0; x < N; ++x) expected[static_cast<size_t>(r) * S + x] = r254[(q + x) % 1000000];
        }
        ASSERT_EQ(std::memcmp(table, expected.data(), expected.size()), 0) << "table " << k;
    }
}

TEST_F(ToolStateTest, CellsShareOneValueAndThresholdsGate) {
    NewCanvas(8, 8, 64);
    TSY_SetSize(15);  // N = 40 < S = 64, cells of 4: 10 x 10 cells
    SetGrainTool(4, 256, 256);
    const int S = 64;
    const uint8_t *t = g_engine.tool.gritTables[3];
    for (int cy = 0; cy < 40; cy += 4)
        for (int cx = 0; cx < 40; cx += 4) {
            const uint8_t v = t[cy * S + cx];
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) ASSERT_EQ(t[(cy + i) * S + cx + j], v);
        }
    EXPECT_EQ(t[40], 255);  // beyond the N x N square
    EXPECT_EQ(t[40 * S], 255);

    // A cell threshold of 0 fills no cell; a pixel threshold of 0 no pixel.
    SetGrainTool(4, 0, 256);
    for (uint8_t *table : g_engine.tool.gritTables)
        for (int i = 0; i < (S + 25) * (S + 25); ++i) ASSERT_EQ(table[i], 255);
    SetGrainTool(4, 256, 0);
    for (uint8_t *table : g_engine.tool.gritTables)
        for (int i = 0; i < (S + 25) * (S + 25); ++i) ASSERT_EQ(table[i], 255);
}

TEST_F(ToolStateTest, HugeCellsAndFullBrushStayInsideTables) {
    NewCanvas(8, 8, 8);
    TSY_SetSize(8);  // N = S + 25: rows run to the end of the table
    SetGrainTool(1, 256, 256);
    SetGrainTool(600000, 256, 256);  // one cell larger than half the random table
    const uint8_t v = g_engine.tool.gritTables[0][0];
    EXPECT_LT(v, 254);
    SetGrainTool(-2, 256, 256);  // a negative cell builds nothing and does not hang
    EXPECT_STREQ(TSY_GetLastError(), "");
}

TEST_F(ToolStateTest, DecDrawingLengthCountsDown) {
    NewCanvas(8, 8, 16);
    SetGrainTool(2, 100, 100);
    EXPECT_EQ(g_engine.tool.gritCountdown, 7);
    TSY_DecDrawingLength();
    TSY_DecDrawingLength();
    EXPECT_EQ(g_engine.tool.gritCountdown, 5);
}

TEST_F(ToolStateTest, VariationTablesAreDrawsModuloTheirModulus) {
    TSY_SetRandomSeed(3);
    NewCanvas(8, 8, 16);
    TSY_SetPixColorVary(0);
    EXPECT_EQ(g_engine.tool.pixColorTable.data, nullptr);  // only built when above 0
    TSY_SetPixColorVary(4);
    TSY_SetPixLumVary(4);
    const RandByteTable &c = g_engine.tool.pixColorTable;
    const RandByteTable &l = g_engine.tool.pixLumTable;
    ASSERT_NE(c.data, nullptr);
    EXPECT_EQ(c.length, 48);
    EXPECT_EQ(c.modulus, 1000);
    EXPECT_EQ(l.length, 48);
    EXPECT_EQ(l.modulus, 256);
    Lcg a{3}, b{3};
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(c.data[i], static_cast<uint8_t>(a.Next() % 1000)) << i;  // low 8 bits of draw % 1000
        EXPECT_EQ(l.data[i], static_cast<uint8_t>(b.Next() % 256)) << i;
    }
}

// A grey image exactly N wide and high is copied from (0, 0) without draws;
// a wider one from a column picked by draw % (W - N).
TEST_F(ToolStateTest, GreyGrainWindowIsCopiedFromItsCorner) {
    TSY_SetRandomSeed(5);
    NewCanvas(8, 8, 16);
    TSY_SetSize(4);  // N = 29, wider than S = 16: the copy is clipped to 16 x 16
    const int N = 29, S = 16;
    std::vector<uint8_t> grey(static_cast<size_t>(N) * N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) grey[static_cast<size_t>(y) * N + x] = static_cast<uint8_t>(x + 7 * y);
    FillGritTablesFromGrey(grey.data(), N, N);
    for (uint8_t *table : g_engine.tool.gritTables) {
        for (int y = 0; y < S + 25; ++y)
            for (int x = 0; x < S; ++x) {
                const size_t i = static_cast<size_t>(y) * S + x;
                const uint8_t want = y < S ? static_cast<uint8_t>(x + 7 * y) : 255;
                ASSERT_EQ(table[i], want) << x << "," << y;
            }
    }

    // 34 x 29: ox = draw % 5 for each table, oy = 0 (no draw).
    const int W = 34;
    std::vector<uint8_t> wide(static_cast<size_t>(W) * N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < W; ++x) wide[static_cast<size_t>(y) * W + x] = static_cast<uint8_t>(x + 3 * y);
    EngineSeed(11);
    FillGritTablesFromGrey(wide.data(), W, N);
    Lcg lcg{11};
    for (uint8_t *table : g_engine.tool.gritTables) {
        const int ox = lcg.Next() % 5;
        EXPECT_EQ(table[0], ox);
        EXPECT_EQ(table[2 * S + 5], ox + 5 + 6);
    }

    // A grey image smaller than N is copied whole and the rest stays 255.
    std::vector<uint8_t> small(10 * 6, 9);
    FillGritTablesFromGrey(small.data(), 10, 6);
    EXPECT_EQ(g_engine.tool.gritTables[0][5 * S + 9], 9);
    EXPECT_EQ(g_engine.tool.gritTables[0][5 * S + 10], 255);
    EXPECT_EQ(g_engine.tool.gritTables[0][6 * S], 255);
}

TEST_F(ToolStateTest, MissingGrainSourceKeepsRandomTables) {
    TSY_SetRandomSeed(21);
    NewCanvas(16, 16, 24);
    TSY_SetSize(12);
    SetGrainTool(2, 120, 200);
    const std::vector<uint8_t> plain = CopyTables();
    SetGrainTool(2, 120, 200, "/nonexistent/grain.png");
    EXPECT_EQ(CopyTables(), plain);
    EXPECT_STREQ(TSY_GetLastError(), "");
}

}  // namespace

namespace {

// Every export records its own failure text and returns its result so far.
TEST_F(ToolStateTest, FailuresRecordTheirText) {
    NewCanvas(8, 8, 16);
    struct Case {
        const char *text;
        void (*call)();
    };
    const Case cases[] = {
        {"SetTool Excpt", [] { EXPECT_EQ(TSY_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, "", "", 0), 0); }},
        {"SetBrushShape Excpt", [] { TSY_SetBrushShape("", 0); }},
        {"SetBrushShape Excpt", [] { TSY_SetBrushShape_ORIGINAL("", 0); }},
        {"TSY_UnloadBrushShape Excpt", [] { TSY_UnloadBrushShape(); }},
        {"CreateBlobFromImage Excpt", [] { TSY_CreateBlobFromImage(1, 1); }},
        {"SetSize Excpt", [] { TSY_SetSize(3); }},
        {"SetMixMode Excpt", [] { TSY_SetMixMode(1, 2); }},
    };
    for (const Case &c : cases) {
        TSY_SetLastError("");
        g_injectFailure = c.text;
        c.call();
        g_injectFailure = nullptr;
        EXPECT_STREQ(TSY_GetLastError(), c.text);
    }
}

}  // namespace
