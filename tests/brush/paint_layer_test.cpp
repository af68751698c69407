// The paint layer: creation and options, clearing, committing with the merge
// routine, swapping with a table slot and the alpha blur.
#include "brush/paint_layer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/alloc.h"
#include "engine_fixture.h"
#include "tessary.h"

namespace {

using V = std::vector<uint16_t>;

class PaintLayerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        NewCanvas(4, 3);
        TSY_CreateLayer(1, 4, 3);
        TSY_CreateLayer(2, 4, 3);
        TSY_SetLayerOptions(2, 1, 0, 100, "Normal");
        TSY_SetLayer(2);
    }
    static uint16_t *PaintPx(int x, int y) { return g_engine.paintLayer.pixels + y * 16 + 4 * x; }
    static V LayerPx(int slot, int x, int y) {
        const uint16_t *p = g_engine.layers[slot].pixels + y * 16 + 4 * x;
        return V(p, p + 4);
    }
    static void Put(uint16_t *p, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
    static void Extents(int l, int t, int r, int b) { TSY_SetPaintLayerExtents(l, t, r, b); }
};

TEST_F(PaintLayerTest, CreateSetsOptionsAndEmptyBuffer) {
    EXPECT_EQ(TSY_CreatePaintLayer(100, 100, "Multiply"), 1);
    const LayerSlot &p = g_engine.paintLayer;
    ASSERT_NE(p.pixels, nullptr);
    EXPECT_EQ(p.width, 4);
    EXPECT_EQ(p.height, 3);
    EXPECT_EQ(p.stride, 16);
    EXPECT_EQ(p.opacity, 256);     // trunc(100 x 2.56)
    EXPECT_EQ(p.preOpacity, 255);  // trunc(255.9)
    EXPECT_STREQ(p.modeName, "Multiply");
    EXPECT_EQ(p.visible, 1);
    EXPECT_EQ(p.alphaLocked, 0);
    // Cleared: empty extents (W, H, 0, 0) and transparent pixels.
    EXPECT_EQ(p.extentMinX, 4);
    EXPECT_EQ(p.extentMinY, 3);
    EXPECT_EQ(p.extentMaxX, 0);
    EXPECT_EQ(p.extentMaxY, 0);
    for (int i = 0; i < 4 * 3 * 4; ++i) EXPECT_EQ(p.pixels[i], 0);
    EXPECT_EQ(TSY_CreatePaintLayer(50, 50, "Screen"), 2);
    EXPECT_EQ(p.opacity, 128);     // 128.0
    EXPECT_EQ(p.preOpacity, 127);  // trunc(127.95)
    // Out-of-range percentages are limited rather than wrapped in 16 bits.
    TSY_CreatePaintLayer(-10, 300, "Normal");
    EXPECT_EQ(p.opacity, 0);
    EXPECT_EQ(p.preOpacity, 255);
    // Unknown and over-long names: Normal; a name of 50 characters or more is not copied.
    const std::string longName(50, 'x');
    EXPECT_EQ(TSY_CreatePaintLayer(100, 100, longName.c_str()), 0);
    EXPECT_STREQ(p.modeName, "Normal");
}

TEST_F(PaintLayerTest, CreatingTwiceKeepsTheStroke) {
    TSY_CreatePaintLayer(100, 100, "Normal");
    Put(PaintPx(1, 1), 1, 2, 3, 4);
    Extents(1, 1, 2, 2);
    TSY_CreatePaintLayer(40, 100, "Darken");
    EXPECT_EQ(V(PaintPx(1, 1), PaintPx(1, 1) + 4), (V{1, 2, 3, 4}));
    EXPECT_EQ(g_engine.paintLayer.extentMaxX, 2);
    EXPECT_EQ(g_engine.paintLayer.blendMode, 3);
}

bool FailAll(size_t) { return true; }

TEST_F(PaintLayerTest, CreateWithoutMemoryKeepsOptionsAndWholeCanvasExtents) {
    SetAllocShortageHook(FailAll);
    EXPECT_EQ(TSY_CreatePaintLayer(100, 100, "Screen"), 2);
    SetAllocShortageHook(nullptr);
    const LayerSlot &p = g_engine.paintLayer;
    EXPECT_EQ(p.pixels, nullptr);
    EXPECT_EQ(p.opacity, 256);
    EXPECT_EQ(p.extentMinX, 0);
    EXPECT_EQ(p.extentMaxX, 4);
    EXPECT_EQ(p.extentMaxY, 3);
    EXPECT_EQ(TSY_ClearPaintLayer(), 0);
    TSY_MergePaintLayer(2);  // nothing to do
    TSY_ClearPaintLayer_old();
    TSY_BlurPaintLayerAlpha();
}

TEST_F(PaintLayerTest, CommitMergesTheExtentsRectangleOnce) {
    TSY_CreatePaintLayer(50, 100, "Normal");  // opacity 128
    // Two overlapping dabs of one stroke leave the same alpha 65535 in the
    // paint layer; the stroke opacity applies once, at commit:
    // 129 x 65535 / 256 = 33023.
    Put(PaintPx(1, 1), 50000, 40000, 30000, 65535);
    Put(PaintPx(2, 1), 50000, 40000, 30000, 65535);
    Put(PaintPx(3, 2), 50000, 40000, 30000, 65535);  // outside the extents
    Extents(1, 1, 3, 2);
    TSY_MergePaintLayer(2);
    EXPECT_EQ(LayerPx(2, 1, 1), (V{50000, 40000, 30000, 33023}));
    EXPECT_EQ(LayerPx(2, 2, 1), (V{50000, 40000, 30000, 33023}));
    EXPECT_EQ(LayerPx(2, 3, 2), (V{0, 0, 0, 0}));
    // Cleared afterwards, the buffer stays.
    ASSERT_NE(g_engine.paintLayer.pixels, nullptr);
    EXPECT_EQ(PaintPx(1, 1)[3], 0);
    EXPECT_EQ(g_engine.paintLayer.extentMinX, 4);
}

TEST_F(PaintLayerTest, CommitKeepsAlphaUnderEitherAlphaLock) {
    TSY_CreatePaintLayer(100, 100, "Normal");
    for (int lock = 0; lock < 2; ++lock) {
        std::memset(g_engine.layers[2].pixels, 0, 4 * 3 * 8);
        uint16_t *d = g_engine.layers[2].pixels;
        Put(d, 100, 100, 100, 1000);
        Put(PaintPx(0, 0), 50000, 40000, 30000, 65535);
        Extents(0, 0, 1, 1);
        if (lock == 0) TSY_SetLayerOptions(2, 1, 1, 100, "Normal");
        if (lock == 1) {
            TSY_SetLayerOptions(2, 1, 0, 100, "Normal");
            g_engine.tool.alphaLocked = 1;
        }
        TSY_MergePaintLayer(2);
        EXPECT_EQ(LayerPx(2, 0, 0), (V{50000, 40000, 30000, 1000})) << lock;
    }
}

TEST_F(PaintLayerTest, CommitAfterClearChangesNothing) {
    TSY_CreatePaintLayer(100, 100, "Normal");
    Put(PaintPx(0, 0), 50000, 40000, 30000, 65535);
    TSY_ClearPaintLayer();
    Put(PaintPx(0, 0), 50000, 40000, 30000, 65535);  // painted without extents
    TSY_MergePaintLayer(2);                          // (4, 3) .. (0, 0): negative width and height
    EXPECT_EQ(LayerPx(2, 0, 0), (V{0, 0, 0, 0}));
    // Extents beyond the canvas are kept inside the buffers.
    Put(PaintPx(3, 2), 50000, 40000, 30000, 65535);
    Extents(-5, -5, 100, 100);
    TSY_MergePaintLayer(2);
    EXPECT_EQ(LayerPx(2, 3, 2), (V{50000, 40000, 30000, 65535}));
}

TEST_F(PaintLayerTest, ClearOldLeavesOutsideOpaqueWhite) {
    TSY_CreatePaintLayer(100, 100, "Normal");
    Extents(1, 0, 3, 1);
    TSY_ClearPaintLayer_old();
    EXPECT_EQ(V(PaintPx(0, 0), PaintPx(0, 0) + 4), (V{65535, 65535, 65535, 65535}));
    EXPECT_EQ(V(PaintPx(1, 0), PaintPx(1, 0) + 4), (V{0, 0, 0, 0}));
    EXPECT_EQ(V(PaintPx(2, 0), PaintPx(2, 0) + 4), (V{0, 0, 0, 0}));
    EXPECT_EQ(V(PaintPx(3, 0), PaintPx(3, 0) + 4), (V{65535, 65535, 65535, 65535}));
    EXPECT_EQ(V(PaintPx(1, 1), PaintPx(1, 1) + 4), (V{65535, 65535, 65535, 65535}));
    EXPECT_EQ(g_engine.paintLayer.extentMinX, 4);
}

TEST_F(PaintLayerTest, SwapWithEmptySlotMovesTheStroke) {
    TSY_CreatePaintLayer(100, 100, "Screen");
    Put(PaintPx(2, 1), 1, 2, 3, 4);
    Extents(2, 1, 3, 2);
    uint16_t *stroke = g_engine.paintLayer.pixels;
    TSY_SwapPaintLayer(7);
    EXPECT_EQ(g_engine.paintLayer.pixels, nullptr);
    const LayerSlot &s = g_engine.layers[7];
    EXPECT_EQ(s.pixels, stroke);
    EXPECT_EQ(s.blendMode, 2);
    EXPECT_EQ(s.extentMinX, 2);
    EXPECT_EQ(s.extentMaxY, 2);
    TSY_SwapPaintLayer(7);  // and back
    EXPECT_EQ(g_engine.paintLayer.pixels, stroke);
    TSY_SwapPaintLayer(272);  // outside the table: nothing
    EXPECT_EQ(g_engine.paintLayer.pixels, stroke);
}

TEST_F(PaintLayerTest, DeleteAndResizeReleaseTheBuffer) {
    TSY_CreatePaintLayer(100, 100, "Screen");
    TSY_DeletePaintLayer();
    EXPECT_EQ(g_engine.paintLayer.pixels, nullptr);
    EXPECT_EQ(g_engine.paintLayer.blendMode, 2);  // the options stay
    TSY_CreatePaintLayer(100, 100, "Normal");
    TSY_NewSize(nullptr, 5, 5, 16, 0);
    EXPECT_EQ(g_engine.paintLayer.pixels, nullptr);
    TSY_CreatePaintLayer(100, 100, "Normal");
    EXPECT_EQ(g_engine.paintLayer.width, 5);
}

TEST_F(PaintLayerTest, BlurSoftensTheEdgeAndKeepsTheBody) {
    TSY_CreatePaintLayer(100, 100, "Normal");
    // Column 0 alpha 61440 (high byte 240), the rest 30000 (high byte 117).
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) Put(PaintPx(x, y), 7, 8, 9, x == 0 ? 61440 : 30000);
    TSY_BlurPaintLayerAlpha();
    // High byte 240 stays opaque.
    EXPECT_EQ(PaintPx(0, 1)[3], 65535);
    // (1, 1): 1 2 1 over columns 0..2 = (240 + 2 x 117 + 117) / 4 = 147.75 on
    // every row, the vertical 1 2 1 keeps it: 147.75 -> 148 rounded -> 148 x 256.
    EXPECT_EQ(PaintPx(1, 1)[3], 148 * 256);
    // (3, 1): all neighbours 117 (edges repeated) -> 117 x 256.
    EXPECT_EQ(PaintPx(3, 1)[3], 117 * 256);
    // Colours are not changed.
    EXPECT_EQ(V(PaintPx(1, 1), PaintPx(1, 1) + 3), (V{7, 8, 9}));
}

}  // namespace
