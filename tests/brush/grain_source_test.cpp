// Grain from a source picture: an image script tiled to 600 x 600, or an
// image file at its own size, fills the grit tables.
#include "brush/grain_source.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/random.h"
#include "engine_fixture.h"
#include "imaging/library/test_images.h"

namespace {

constexpr int kS = 64;

class GrainSourceTest : public EngineTest {
protected:
    void TearDown() override {
        for (const std::string &p : files_) std::remove(p.c_str());
        EngineTest::TearDown();
    }
    std::string File(const char *name, const Bytes &bytes) {
        const std::string path = TempPath(name);
        FILE *f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        files_.push_back(path);
        return path;
    }
    // Brush of size 10 (N = 35), random cells of 2, repeat 6, and a grain source.
    static void Tool(const std::string &grain, int gritCell = 2) {
        TSY_SetSize(10);
        TSY_SetTool(1.0f, gritCell, 200, 200, 0, 0, 6, 0, 0, 0, 0, 0, 0, grain.c_str(), "", 0);
    }
    std::vector<std::string> files_;
};

// A script of one grey level 77 tiled to 600 x 600: every table's 35 x 35
// window is 77 wherever it lies, and the rest of the table is 255.
TEST_F(GrainSourceTest, ScriptGrainIsTiledAndCopied) {
    NewCanvas(8, 8, kS);
    const std::string isl = "isl 1\nsize 7 5\neffect 1 Fill\n3 = 77\n4 = 77\n5 = 77\n";
    const std::string path = File("grain.isl", Bytes(isl.begin(), isl.end()));
    g_engine.tool.gritCountdown = -4;
    Tool(path);
    EXPECT_EQ(g_engine.tool.gritCountdown, 6);
    for (uint8_t *t : g_engine.tool.gritTables)
        for (int y = 0; y < kS + 25; ++y)
            for (int x = 0; x < kS; ++x) ASSERT_EQ(t[y * kS + x], (x < 35 && y < 35) ? 77 : 255) << x << "," << y;
}

// A PNG exactly N = 35 pixels square is copied from (0, 0): no window offset
// is drawn, grey = (77 v + 150 v + 29 v + 128) >> 8 = v.
TEST_F(GrainSourceTest, FileGrainExactlyNWideStartsAtColumnZero) {
    NewCanvas(8, 8, kS);
    Bytes rgba(35 * 35 * 4, 255);
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 35; ++x)
            for (int c = 0; c < 3; ++c) rgba[4 * (y * 35 + x) + c] = static_cast<uint8_t>(3 * x + 2 * y);
    const std::string png = File("grain35.png", WritePNG(rgba, 35, 35));
    Tool(png);
    EXPECT_EQ(g_engine.tool.gritCountdown, 6);
    for (uint8_t *t : g_engine.tool.gritTables)
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(t[y * kS + x], (x < 35 && y < 35) ? 3 * x + 2 * y : 255) << x << "," << y;
}

// The grain replaces the random tables even when grain cells are off; with a
// cell of 0 the renderer ignores the tables, but they are filled all the same.
TEST_F(GrainSourceTest, GrainIsBuiltWithoutRandomCells) {
    NewCanvas(8, 8, kS);
    const std::string isl = "isl 1\nsize 4 4\neffect 1\n3 = 9\n4 = 9\n5 = 9\n";
    Tool(File("grain0.isl", Bytes(isl.begin(), isl.end())), 0);
    EXPECT_EQ(g_engine.tool.gritTables[19][0], 9);
}

// A brush of 575 or more (N >= 600) takes no grain source: the random
// tables stay.
TEST_F(GrainSourceTest, LargeBrushSkipsTheSource) {
    NewCanvas(8, 8, 700);
    const std::string isl = "isl 1\nsize 4 4\neffect 1\n3 = 9\n4 = 9\n5 = 9\n";
    const std::string path = File("big.isl", Bytes(isl.begin(), isl.end()));
    g_engine.tool.gritTables[0][0] = 1;
    TSY_SetSize(575);
    TSY_SetTool(1.0f, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, path.c_str(), "", 0);
    EXPECT_EQ(g_engine.tool.gritTables[0][0], 1);
    EXPECT_EQ(g_engine.tool.gritCountdown, 0);
    TSY_SetSize(574);
    TSY_SetTool(1.0f, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, path.c_str(), "", 0);
    EXPECT_EQ(g_engine.tool.gritTables[0][0], 9);
}

TEST_F(GrainSourceTest, ShippedGrainScriptsAreRepeatable) {
    NewCanvas(8, 8, kS);
    for (const char *name : {"plasma-grain", "perlin-grain", "noise-grain"}) {
        const std::string path = std::string(TSY_SOURCE_DIR) + "/data/scripts/" + name + ".isl";
        Tool(path);
        const std::vector<uint8_t> first(g_engine.tool.gritTables[5],
                                         g_engine.tool.gritTables[5] + (kS + 25) * (kS + 25));
        Tool(path);
        EXPECT_EQ(
            std::vector<uint8_t>(g_engine.tool.gritTables[5], g_engine.tool.gritTables[5] + (kS + 25) * (kS + 25)),
            first)
            << name;
        int levels[256] = {};
        for (int y = 0; y < 35; ++y)
            for (int x = 0; x < 35; ++x) levels[first[y * kS + x]] = 1;
        int distinct = 0;
        for (int v : levels) distinct += v;
        EXPECT_GT(distinct, 20) << name;  // real grain, not a flat tone
    }
}

}  // namespace
