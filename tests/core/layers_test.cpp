// The layer table: slots, options, current layer, texture map and queries.
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/layers.h"
#include "engine_fixture.h"

namespace {

class LayersTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        NewCanvas(4, 3);
    }
    static uint16_t *Px(int slot, int x, int y) { return g_engine.layers[slot].pixels + (y * 4 + x) * 4; }
    static void Fill(int slot, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        for (int i = 0; i < 12; ++i) {
            uint16_t *p = g_engine.layers[slot].pixels + 4 * i;
            p[0] = r, p[1] = g, p[2] = b, p[3] = a;
        }
    }
};

TEST_F(LayersTest, BackgroundIsOpaqueWhiteOthersTransparent) {
    ASSERT_EQ(TSY_CreateLayer(1, 4, 3), 1);
    ASSERT_EQ(TSY_CreateLayer(5, 4, 3), 1);
    for (int i = 0; i < 48; ++i) {
        ASSERT_EQ(g_engine.layers[1].pixels[i], 65535);
        ASSERT_EQ(g_engine.layers[5].pixels[i], 0);
    }
    EXPECT_EQ(g_engine.layers[5].stride, 16);
    EXPECT_EQ(TSY_GetLayerCount(), 2);
}

TEST_F(LayersTest, RecreatingTheSameSizeClearsInPlace) {
    TSY_CreateLayer(5, 4, 3);
    uint16_t *before = g_engine.layers[5].pixels;
    Fill(5, 1, 2, 3, 4);
    ASSERT_EQ(TSY_CreateLayer(5, 4, 3), 1);
    EXPECT_EQ(g_engine.layers[5].pixels, before);
    EXPECT_EQ(*Px(5, 3, 2), 0);
    ASSERT_EQ(TSY_CreateLayer(5, 2, 2), 1);  // another size reallocates
    EXPECT_EQ(g_engine.layers[5].width, 2);
    EXPECT_EQ(g_engine.layers[5].stride, 8);
}

TEST_F(LayersTest, OutOfRangeIndicesDoNothing) {
    EXPECT_EQ(TSY_CreateLayer(272, 4, 3), 0);
    EXPECT_EQ(TSY_CreateLayer(-1, 4, 3), 0);
    EXPECT_EQ(TSY_GetLayerCount(), 0);
    TSY_DeleteLayer(272);
    TSY_DeleteLayer(-5);
    TSY_SwapLayers(1, 400);
    EXPECT_EQ(TSY_SetLayerOptions(300, 1, 0, 100, "Multiply"), 0);
    TSY_SetLayer(272);
    TSY_SetLayerAlpha(-1, 0);
    TSY_NormalizeLayerAlpha(999);
    EXPECT_EQ(TSY_IsLayerTransparent(272), 1);
    EXPECT_EQ(TSY_IsSingleColor(272), 0);
    EXPECT_EQ(TSY_CreateTexture(272), 0);
    std::vector<uint16_t> buf(48, 7);
    TSY_GetLayerData(buf.data(), 272);
    TSY_SetLayerData(buf.data(), -3);
    TSY_CopyLayerData(1, 272);
    EXPECT_EQ(buf[0], 7);
    EXPECT_EQ(TSY_CreateLayer(2, -4, 3), 0);
}

TEST_F(LayersTest, OptionsStoreOpacityModeAndName) {
    TSY_CreateLayer(2, 4, 3);
    EXPECT_EQ(TSY_SetLayerOptions(2, 1, 1, 100, "Multiply"), 1);
    const LayerSlot &s = g_engine.layers[2];
    EXPECT_EQ(s.opacity, 256);
    EXPECT_EQ(s.visible, 1);
    EXPECT_EQ(s.alphaLocked, 1);
    EXPECT_EQ(s.preOpacity, 255);
    EXPECT_STREQ(s.modeName, "Multiply");

    struct {
        int percent;
        int opacity;
    } cases[] = {{50, 128}, {1, 2}, {0, 0}, {99, 253}};
    for (auto c : cases) {
        TSY_SetLayerOptions(2, 1, 0, c.percent, "Normal");
        EXPECT_EQ(g_engine.layers[2].opacity, c.opacity) << c.percent;
    }

    // A name too long to store leaves the name empty but still sets the mode.
    const std::string longName = "Screen" + std::string(54, ' ');
    EXPECT_EQ(TSY_SetLayerOptions(2, 1, 0, 100, longName.c_str()), 0);  // unknown name: Normal
    EXPECT_STREQ(g_engine.layers[2].modeName, "");
    EXPECT_EQ(TSY_SetLayerOptions(2, 1, 0, 100, "Unknown"), 0);
    EXPECT_EQ(TSY_SetLayerOptions(2, 1, 0, 100, "multiply"), 0);  // case-sensitive
    EXPECT_EQ(TSY_SetLayerOptions(2, 1, 0, 100, nullptr), 0);     // null name: Normal
    EXPECT_EQ(TSY_SetLayerOptions(2, 1, 0, 100, "Luminance Alpha Invert"), 49);
    EXPECT_EQ(TSY_SetLayerOptions(2, 0x101, 0x200, 100, "Layer Mask"), 47);
    EXPECT_EQ(g_engine.layers[2].visible, 1);  // low bytes only
    EXPECT_EQ(g_engine.layers[2].alphaLocked, 0);
}

TEST_F(LayersTest, TopSlotLagsBehindDeletion) {
    TSY_CreateLayer(1, 4, 3);
    TSY_CreateLayer(2, 4, 3);
    TSY_CreateLayer(7, 4, 3);
    TSY_SetLayerOptions(2, 1, 0, 100, "Normal");
    EXPECT_EQ(g_engine.topSlot, 7);
    TSY_DeleteLayer(7);
    EXPECT_EQ(g_engine.topSlot, 7);
    EXPECT_EQ(g_engine.layers[7].width, 4);  // other fields kept
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    EXPECT_EQ(g_engine.topSlot, 2);
    TSY_DeleteLayer(2);
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    EXPECT_EQ(g_engine.topSlot, 1);
}

TEST_F(LayersTest, SwapExchangesRecordsButNotTheCurrentIndex) {
    TSY_CreateLayer(2, 4, 3);
    TSY_CreateLayer(3, 2, 2);
    TSY_SetLayerOptions(3, 1, 0, 50, "Screen");
    TSY_SetLayer(2);
    uint16_t *p2 = g_engine.layers[2].pixels;
    TSY_SwapLayers(2, 3);
    EXPECT_EQ(g_engine.layers[3].pixels, p2);
    EXPECT_EQ(g_engine.layers[2].width, 2);
    EXPECT_EQ(g_engine.layers[2].blendMode, 2);
    EXPECT_EQ(TSY_GetLayerNum(), 2);
    EXPECT_EQ(g_engine.currentSlot, &g_engine.layers[2]);
}

TEST_F(LayersTest, SetLayerNeedsABufferAndCopiesIntoTheWorkCanvas) {
    TSY_SetLayer(4);
    EXPECT_EQ(g_engine.currentSlot, nullptr);
    TSY_CreateLayer(4, 4, 3);
    Fill(4, 10, 20, 30, 40);
    TSY_SetLayer(4);
    EXPECT_EQ(TSY_GetLayerNum(), 4);
    EXPECT_EQ(g_engine.currentSlot, &g_engine.layers[4]);
    EXPECT_EQ(0, std::memcmp(g_engine.undoWorkCanvas, g_engine.layers[4].pixels, 12 * 8));
}

TEST_F(LayersTest, TextureMapFollowsTheTextureLayer) {
    TSY_CreateLayer(1, 4, 3);
    TSY_CreateLayer(3, 4, 3);
    // Grey 0x8000 everywhere; (0, 0) white, (1, 0) black.
    Fill(3, 0x8000, 0x8000, 0x8000, 65535);
    uint16_t *w = Px(3, 0, 0);
    w[0] = w[1] = w[2] = 65535;
    uint16_t *k = Px(3, 1, 0);
    k[0] = k[1] = k[2] = 0;
    uint16_t *m = Px(3, 2, 0);  // (100 + 200 + 1000) / 3 = 433 -> 433 >> 8 = 1 -> 4
    m[0] = 100, m[1] = 200, m[2] = 1000;
    TSY_SetLayer(1);
    EXPECT_EQ(TSY_SetLayerOptions(3, 1, 0, 100, "Texturize3"), 4);  // returns the canvas width
    ASSERT_NE(g_engine.textureMap, nullptr);
    EXPECT_EQ(g_engine.textureMap[0], 250);  // 255 clamped
    EXPECT_EQ(g_engine.textureMap[1], 4);    // 0 clamped
    EXPECT_EQ(g_engine.textureMap[2], 4);
    EXPECT_EQ(g_engine.textureMap[3], 128);

    TSY_SetLayer(3);  // the texture layer becomes current: map dropped
    EXPECT_EQ(g_engine.textureMap, nullptr);
    TSY_SetLayer(1);  // leaving it rebuilds the map
    ASSERT_NE(g_engine.textureMap, nullptr);
    EXPECT_EQ(g_engine.textureMap[0], 250);

    TSY_SetLayerOptions(3, 1, 0, 100, "Normal");  // options change: map dropped
    EXPECT_EQ(g_engine.textureMap, nullptr);
    TSY_SetLayerOptions(3, 0, 0, 100, "Texturize3");  // hidden: no map
    EXPECT_EQ(g_engine.textureMap, nullptr);
    TSY_CreateTexture(3);
    EXPECT_NE(g_engine.textureMap, nullptr);
    TSY_DeleteTexture();
    EXPECT_EQ(g_engine.textureMap, nullptr);
}

TEST_F(LayersTest, AlphaOperations) {
    TSY_CreateLayer(2, 4, 3);
    TSY_SetLayerAlpha(2, 0x12345);
    EXPECT_EQ(Px(2, 3, 2)[3], 0x2345);
    EXPECT_EQ(Px(2, 3, 2)[0], 0);

    TSY_SetLayerAlpha(2, 65535);
    Px(2, 1, 1)[3] = 301;
    TSY_SetLayerOptions(2, 1, 0, 50, "Normal");
    TSY_NormalizeLayerAlpha(2);
    EXPECT_EQ(Px(2, 0, 0)[3], 32767);  // 65535 * 128 >> 8
    EXPECT_EQ(Px(2, 1, 1)[3], 150);    // 301 * 128 >> 8 rounds down
    EXPECT_EQ(g_engine.layers[2].opacity, 256);

    TSY_SetLayerOptions(2, 1, 0, 50, "Alpha Normal");  // id 28: untouched
    TSY_NormalizeLayerAlpha(2);
    EXPECT_EQ(Px(2, 0, 0)[3], 32767);
    EXPECT_EQ(g_engine.layers[2].opacity, 128);
}

TEST_F(LayersTest, TransparencyUsesThe65280Threshold) {
    EXPECT_EQ(TSY_IsLayerTransparent(6), 1);  // empty slot
    TSY_CreateLayer(6, 4, 3);
    TSY_SetLayerAlpha(6, 65280);
    EXPECT_EQ(TSY_IsLayerTransparent(6), 0);
    Px(6, 2, 2)[3] = 65279;
    EXPECT_EQ(TSY_IsLayerTransparent(6), 1);
}

TEST_F(LayersTest, SingleColor) {
    EXPECT_EQ(TSY_IsSingleColor(6), 0);
    TSY_CreateLayer(6, 4, 3);
    EXPECT_EQ(TSY_IsSingleColor(6), 1);
    Px(6, 3, 2)[1] = 1;
    EXPECT_EQ(TSY_IsSingleColor(6), 0);
}

TEST_F(LayersTest, DataExtents) {
    int32_t v[4] = {-7, -7, -7, -7};
    TSY_FindDataExtentsLayer(6, &v[0], &v[1], &v[2], &v[3]);  // empty slot: untouched
    EXPECT_EQ(v[0], -7);
    TSY_CreateLayer(6, 4, 3);
    TSY_FindDataExtentsLayer(6, &v[0], &v[1], &v[2], &v[3]);
    EXPECT_EQ(v[0], 4);
    EXPECT_EQ(v[1], 3);
    EXPECT_EQ(v[2], 0);
    EXPECT_EQ(v[3], 0);
    Px(6, 1, 2)[3] = 1;
    Px(6, 2, 1)[3] = 9;
    TSY_FindDataExtentsLayer(6, &v[0], &v[1], &v[2], &v[3]);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 2);
    EXPECT_EQ(v[3], 2);
    TSY_FindDataExtentsLayer(6, nullptr, &v[1], &v[2], &v[3]);  // null pointer: nothing
}

TEST_F(LayersTest, DataCopiesAreClippedToRealBuffers) {
    TSY_CreateLayer(2, 4, 3);
    TSY_CreateLayer(3, 2, 2);  // smaller than the canvas
    std::vector<uint16_t> src(48);
    for (int i = 0; i < 48; ++i) src[i] = static_cast<uint16_t>(i + 1);
    TSY_SetLayerData(src.data(), 2);
    std::vector<uint16_t> out(48, 0);
    TSY_GetLayerData(out.data(), 2);
    EXPECT_EQ(out, src);
    TSY_CopyLayerData(2, 3);  // copies 4 pixels, not 12
    EXPECT_EQ(g_engine.layers[3].pixels[15], 16);
    std::vector<uint16_t> small(48, 0);
    TSY_GetLayerData(small.data(), 3);
    EXPECT_EQ(small[15], 16);
    EXPECT_EQ(small[16], 0);
    TSY_GetLayerData(nullptr, 2);
    TSY_SetLayerData(nullptr, 2);
    TSY_CopyLayerData(2, 9);  // empty target
}

TEST_F(LayersTest, FindLayerMaskAbove) {
    for (int i : {1, 2, 3, 4, 5}) TSY_CreateLayer(i, 4, 3);
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    TSY_SetLayerOptions(2, 1, 0, 100, "Normal");
    TSY_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    TSY_SetLayerOptions(4, 0, 0, 100, "Normal");  // hidden: skipped
    TSY_SetLayerOptions(5, 1, 0, 100, "Layer Mask");
    EXPECT_EQ(FindLayerMaskAbove(2), 3);
    EXPECT_EQ(FindLayerMaskAbove(1), 0);  // nearest visible (2) is not a mask
    EXPECT_EQ(FindLayerMaskAbove(3), 5);  // hidden 4 skipped
    EXPECT_EQ(FindLayerMaskAbove(5), 0);  // top slot
    TSY_DeleteLayer(4);
    TSY_SetLayerOptions(4, 1, 0, 100, "Normal");  // no buffer: skipped
    EXPECT_EQ(FindLayerMaskAbove(3), 5);
}

// A failure inside an export records "<Name> Excpt" and returns 0.
TEST_F(LayersTest, FailuresRecordTheirTextAndReturnZero) {
    TSY_CreateLayer(2, 4, 3);
    struct Case {
        const char *text;
        int (*call)();
    } cases[] = {
        {"CreateLayer Excpt", [] { return TSY_CreateLayer(3, 4, 3); }},
        {"CreateTexture Excpt", [] { return TSY_CreateTexture(2); }},
        {"GetLayerCount Excpt", [] { return TSY_GetLayerCount(); }},
        {"SetLayerOptions Excpt", [] { return TSY_SetLayerOptions(2, 1, 0, 100, "Screen"); }},
        {"IsSingleColor Excpt", [] { return TSY_IsSingleColor(2); }},
        {"DeleteLayer Excpt", [] { TSY_DeleteLayer(2); return 0; }},
        {"CreateImage Excpt", [] { TSY_CreateImage(nullptr, 4, 3, 8, 0); return 0; }},
        {"NewSize Excpt", [] { TSY_NewSize(nullptr, 4, 3, 8, 0); return 0; }},
        {"DeleteImage Excpt", [] { TSY_DeleteImage(); return 0; }},
    };
    for (const auto &c : cases) {
        TSY_SetLastError("");
        g_injectFailure = c.text;
        EXPECT_EQ(c.call(), 0) << c.text;
        g_injectFailure = nullptr;
        EXPECT_STREQ(TSY_GetLastError(), c.text);
    }
    EXPECT_NE(g_engine.layers[2].pixels, nullptr);  // the failed delete changed nothing
}

// The allocation routines run under their own guard: a failure other than
// shortage is recorded under their name and gives null.
bool ThrowingAllocator(size_t) { throw 42; }

TEST_F(LayersTest, AllocationRoutineFailureIsRecorded) {
    SetAllocShortageHook(ThrowingAllocator);
    EXPECT_EQ(TSY_CreateLayer(2, 4, 3), 0);
    EXPECT_STREQ(TSY_GetLastError(), "x_NewShortUndoReduce Excpt");
    EXPECT_EQ(x_NewCharUndoReduce(10), nullptr);
    EXPECT_STREQ(TSY_GetLastError(), "x_NewCharUndoReduce Excpt");
    SetAllocShortageHook(nullptr);
}

}  // namespace
