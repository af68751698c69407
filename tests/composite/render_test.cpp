// The view renderer: frames of small canvases computed by hand, the
// checkerboard, the background rules, layer masks, the stroke in progress,
// the trace mix, the mask overlay, the three zoom paths and the view limits,
// and a differential test of the row split across threads.
//
// How the expected values were found: the 16-bit result of the layer stack
// comes from the blend formulas in exact fractions (Sa = a / 65535, colour
// channels over 65280), then the integer finishing steps: checkerboard
// R' = (((A R) >> 8) + ((c (65535 - A)) >> 8)) >> 8 with c = 65535 on even and
// 40959 on odd 32-pixel squares; overlay byte = (((colour w) >> 8) + ((M B) >> 8))
// >> 16 with w = 65535 - M; otherwise byte = value >> 8. Blended inputs were
// chosen so that no result lies near an integer, where the float stores could
// tip a truncation.
#include "composite/render.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "engine_fixture.h"
#include "tessary.h"

namespace {

constexpr int kW = 64;
constexpr int kH = 64;
constexpr uint8_t kUnwritten = 0xEE;

struct Bgr {
    int b, g, r;
};
bool operator==(const Bgr &x, const Bgr &y) { return x.b == y.b && x.g == y.g && x.r == y.r; }
std::ostream &operator<<(std::ostream &os, const Bgr &p) {
    return os << "(b " << p.b << ", g " << p.g << ", r " << p.r << ")";
}

// An output buffer of cols x rows pixels with 5 spare bytes per row, filled
// with a marker so unwritten pixels show.
struct Frame {
    int cols = 0, rows = 0, stride = 0;
    std::vector<uint8_t> bytes;

    Frame(int c, int r) : cols(c), rows(r), stride(c * 3 + 5), bytes(static_cast<size_t>(stride) * r, kUnwritten) {}
    Bgr At(int i, int j) const {
        const uint8_t *p = &bytes[static_cast<size_t>(j) * stride + 3u * i];
        return Bgr{p[0], p[1], p[2]};
    }
    bool Written(int i, int j) const {
        const uint8_t *p = &bytes[static_cast<size_t>(j) * stride + 3u * i];
        return !(p[0] == kUnwritten && p[1] == kUnwritten && p[2] == kUnwritten);
    }
    // Pixels of the cols x rows grid that were written; the spare bytes at
    // the end of each row must stay untouched.
    size_t WrittenCount() const {
        size_t n = 0;
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < cols; ++i) n += Written(i, j);
            for (int k = cols * 3; k < stride; ++k) EXPECT_EQ(bytes[static_cast<size_t>(j) * stride + k], kUnwritten);
        }
        return n;
    }
};

class RenderTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        NewCanvas(kW, kH);
        TSY_CreateLayer(1, kW, kH);  // opaque white
        TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
        TSY_SetLayer(1);
        TSY_SetViewSize(4 * kW, 4 * kH);
    }

    static void AddLayer(int index, const char *mode = "Normal", int opacity = 100, int width = kW, int height = kH) {
        TSY_CreateLayer(index, width, height);
        TSY_SetLayerOptions(index, 1, 0, opacity, mode);
    }
    static void Put(LayerSlot &slot, int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        uint16_t *p = slot.pixels + static_cast<size_t>(y) * slot.stride + 4u * x;
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }
    static void Put(int index, int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        Put(g_engine.layers[index], x, y, r, g, b, a);
    }
    static void Fill(LayerSlot &slot, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        for (int y = 0; y < slot.height; ++y)
            for (int x = 0; x < slot.width; ++x) Put(slot, x, y, r, g, b, a);
    }
    static void Fill(int index, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        Fill(g_engine.layers[index], r, g, b, a);
    }
    // A transparent paint layer of w x h (canvas-sized by default); the canvas
    // deletion of the fixture releases it.
    static LayerSlot &MakePaintLayer(int mode, int opacity, int preOpacity, int w = kW, int h = kH) {
        LayerSlot &p = g_engine.paintLayer;
        p.pixels = x_NewShortUndoReduce(static_cast<size_t>(w) * h * 4);
        std::memset(p.pixels, 0, static_cast<size_t>(w) * h * 8);
        p.width = w;
        p.height = h;
        p.stride = 4 * w;
        p.blendMode = mode;
        p.opacity = static_cast<uint16_t>(opacity);
        p.preOpacity = static_cast<uint16_t>(preOpacity);
        return p;
    }
    static Frame Render(int x, int y, int w, int h, int cols, int rows) {
        Frame f(cols, rows);
        TSY_Render(f.bytes.data(), f.stride, x, y, w, h);
        return f;
    }
    static Frame RenderAll() { return Render(0, 0, kW, kH, kW, kH); }
};

// ---- A whole frame of a 4 x 2 canvas ----------------------------------------------

TEST_F(EngineTest, RenderSmallCanvasFrame) {
    // Background columns: white 65535, black, grey 32640, red 65535; opaque.
    // Row 0: a Multiply layer of opaque grey 32640 (Sca = 0.5, Sa = 1): Xca = 0.5 Dc:
    //   0.5 x 65535/65280 = 0.501953125 -> 32767 -> 127; 0; 0.25 -> 16320 -> 63; red 127.
    // Row 1: a Normal layer of white 65280 at alpha 32767 (Sa = 0.4999924):
    //   Xca = Sa + Dc (1 - Sa), Xa = 1: white 1.0019 -> 1 -> 255; black Sa -> 32639 -> 127;
    //   grey (1 + Sa) / 2 -> 48959.75 -> 191; red: R 255, G = B = Sa -> 127.
    NewCanvas(4, 2);
    TSY_CreateLayer(1, 4, 2);
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    TSY_CreateLayer(2, 4, 2);
    TSY_SetLayerOptions(2, 1, 0, 100, "Multiply");
    TSY_CreateLayer(3, 4, 2);
    TSY_SetLayerOptions(3, 1, 0, 100, "Normal");
    TSY_SetLayer(1);
    TSY_SetViewSize(4, 2);
    const uint16_t bg[4][3] = {{65535, 65535, 65535}, {0, 0, 0}, {32640, 32640, 32640}, {65535, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint16_t *b = g_engine.layers[1].pixels + 16 * y + 4 * x;
            b[0] = bg[x][0];
            b[1] = bg[x][1];
            b[2] = bg[x][2];
            b[3] = 65535;
            uint16_t *m = g_engine.layers[2].pixels + 4 * x;
            m[0] = m[1] = m[2] = 32640;
            m[3] = 65535;
            uint16_t *n = g_engine.layers[3].pixels + 16 + 4 * x;
            n[0] = n[1] = n[2] = 65280;
            n[3] = 32767;
        }
    uint8_t out[2][12];
    std::memset(out, 0xEE, sizeof out);
    TSY_Render(out, 12, 0, 0, 4, 2);
    const uint8_t want[2][12] = {{127, 127, 127, 0, 0, 0, 63, 63, 63, 0, 0, 127},
                                 {255, 255, 255, 127, 127, 127, 191, 191, 191, 127, 127, 255}};
    for (int j = 0; j < 2; ++j)
        for (int k = 0; k < 12; ++k) EXPECT_EQ(out[j][k], want[j][k]) << "row " << j << " byte " << k;
}

// ---- Background and checkerboard ---------------------------------------------

TEST_F(RenderTest, OpaqueBackgroundShowsItsHighBytesWithoutCheckerboard) {
    Fill(1, 0x1234, 0x5678, 0x9ABC, 65535);
    const Frame f = RenderAll();
    for (int j = 0; j < kH; ++j)
        for (int i = 0; i < kW; ++i) ASSERT_EQ(f.At(i, j), (Bgr{0x9A, 0x56, 0x12})) << i << "," << j;
    // Nothing beyond the frame's columns was written.
    EXPECT_EQ(f.WrittenCount(), static_cast<size_t>(kW * kH));
}

TEST_F(RenderTest, BackgroundWithAlpha0StillDrawsOpaque) {
    Fill(1, 0x4000, 0x4000, 0x4000, 0);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(0, 0), (Bgr{0x40, 0x40, 0x40}));
    EXPECT_EQ(f.At(40, 0), (Bgr{0x40, 0x40, 0x40}));  // an odd square: no checkerboard either
}

TEST_F(RenderTest, HalfOpaqueBackgroundShowsTheCheckerboardThrough) {
    // Black at 50 per cent: opacity 128, A = (129 x 65535) >> 8 = 33023.
    // Even square: k = (65535 x 32512) >> 8 = 8322945, R = k >> 8 = 32511 -> 126.
    // Odd square: k = (40959 x 32512) >> 8 = 5201793, R = 20319 -> 79.
    Fill(1, 0, 0, 0, 65535);
    TSY_SetLayerOptions(1, 1, 0, 50, "Normal");
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(0, 0), (Bgr{126, 126, 126}));
    EXPECT_EQ(f.At(32, 0), (Bgr{79, 79, 79}));
    EXPECT_EQ(f.At(0, 32), (Bgr{79, 79, 79}));
    EXPECT_EQ(f.At(63, 63), (Bgr{126, 126, 126}));
}

TEST_F(RenderTest, NothingDrawnShowsTheCheckerboard255And159) {
    TSY_SetLayerOptions(1, 0, 0, 100, "Normal");  // background hidden
    AddLayer(2);                                  // transparent
    const Frame f = RenderAll();
    // A = 0: R = ((c x 65535) >> 8) >> 8: 65535 -> 255, 40959 -> 40958 -> 159.
    for (int j = 0; j < kH; ++j) {
        for (int i = 0; i < kW; ++i) {
            const int v = ((i / 32 + j / 32) & 1) ? 159 : 255;
            ASSERT_EQ(f.At(i, j), (Bgr{v, v, v})) << i << "," << j;
        }
    }
}

// ---- Layers --------------------------------------------------------------------

TEST_F(RenderTest, MultiplyLayerOverWhite) {
    // White 65280 gives Dc = 1; source (32640, 65280, 0) opaque: Xca = Sca = (0.5, 1, 0), Xa = 1.
    Fill(1, 65280, 65280, 65280, 65535);
    AddLayer(2, "Multiply");
    Put(2, 5, 5, 32640, 65280, 0, 65535);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(5, 5), (Bgr{0, 255, 127}));
    EXPECT_EQ(f.At(6, 5), (Bgr{255, 255, 255}));
}

TEST_F(RenderTest, TwoHalfTransparentLayersOverNothingBlendInFloat) {
    // Red then blue, both alpha 40000 (Sa = Da = 40000/65535), background hidden.
    // Red is taken over: Dc = (1, 0, 0). Blue: Xa = (1 - Da) Sa + Da = 0.848185,
    // Xca_r = Da (1 - Sa) = 0.237818, Xca_b = Sa = 0.610361:
    // R = trunc(0.280386 x 65280) = 18303 (18303.78), B = 46976 (46976.22),
    // A = trunc(0.848185 x 65535) = 55585 (55585.56).
    // Even square, k = (65535 x 9950) >> 8 = 2547166:
    //   B = ((55585 x 46976 >> 8) + k) >> 8 = 49787 -> 194, G = 9949 -> 38, R = 25673 -> 99.
    // Odd square, k = (40959 x 9950) >> 8 = 1591967: B -> 179, G -> 24, R -> 84.
    TSY_SetLayerOptions(1, 0, 0, 100, "Normal");
    AddLayer(2);
    AddLayer(3);
    Put(2, 1, 1, 65280, 0, 0, 40000);
    Put(3, 1, 1, 0, 0, 65280, 40000);
    Put(2, 33, 1, 65280, 0, 0, 40000);
    Put(3, 33, 1, 0, 0, 65280, 40000);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(1, 1), (Bgr{194, 38, 99}));
    EXPECT_EQ(f.At(33, 1), (Bgr{179, 24, 84}));
}

TEST_F(RenderTest, OpaqueNormalPixelMakesTheViewOpaqueOverAHalfTransparentLayer) {
    // Alpha 65280 over a half-transparent layer takes the Normal shortcut and
    // counts as 65535: no checkerboard. Over nothing it keeps 65280:
    // even square R = ((65280 x 65280 >> 8) + (65535 x 255 >> 8)) >> 8 = 65279 -> 254,
    // odd square ((16646400 + 40799) >> 8) = 65184 -> 254.
    TSY_SetLayerOptions(1, 0, 0, 100, "Normal");
    AddLayer(2);
    AddLayer(3);
    Put(2, 1, 1, 0, 0, 0, 32768);
    Put(3, 1, 1, 65280, 65280, 65280, 65280);
    Put(3, 2, 1, 65280, 65280, 65280, 65280);
    Put(3, 40, 1, 65280, 65280, 65280, 65280);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(1, 1), (Bgr{255, 255, 255}));
    EXPECT_EQ(f.At(2, 1), (Bgr{254, 254, 254}));
    EXPECT_EQ(f.At(40, 1), (Bgr{254, 254, 254}));
}

TEST_F(RenderTest, HiddenAndTextureLayersAreNotDrawn) {
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    Fill(2, 65280, 0, 0, 65535);
    TSY_SetLayerOptions(2, 0, 0, 100, "Normal");
    AddLayer(3, "Texturize3");
    Fill(3, 0, 65280, 0, 65535);
    EXPECT_EQ(RenderAll().At(3, 3), (Bgr{0, 0, 0}));
}

TEST_F(RenderTest, LayerMaskMasksTheEntryBelowAcrossATextureLayer) {
    // Red opaque over black, masked by grey 32768: a = (32768 x 65535) / 65536 = 32767;
    // Normal blend: R = trunc(32767/65535 x 65280) = 32639 (32639.50) -> 127.
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    Fill(2, 65280, 0, 0, 65535);
    AddLayer(3, "Texturize3");  // not in the draw list: does not break the relation
    AddLayer(4, "Layer Mask");
    Put(4, 2, 2, 32768, 32768, 32768, 65535);
    Put(4, 3, 2, 32768, 32768, 32768, 0);  // mask alpha 0: no masking
    Frame f = RenderAll();
    EXPECT_EQ(f.At(2, 2), (Bgr{0, 0, 127}));
    EXPECT_EQ(f.At(3, 2), (Bgr{0, 0, 255}));
    EXPECT_EQ(f.At(4, 2), (Bgr{0, 0, 255}));

    // A visible Normal layer between them breaks it.
    AddLayer(3);
    f = RenderAll();
    EXPECT_EQ(f.At(2, 2), (Bgr{0, 0, 255}));
}

TEST_F(RenderTest, LayerMaskDoesNotMaskTheBackground) {
    Fill(1, 0x8000, 0x8000, 0x8000, 65535);
    AddLayer(2, "Layer Mask");
    Fill(2, 0, 0, 0, 65535);  // would mask everything away
    // Background taken over (32768 each); the mask layer blends with Sa = 0:
    // Xca = Dca, Xa = 1, colour float(32768/65280) x 65280 = 32768 -> 128.
    EXPECT_EQ(RenderAll().At(7, 7), (Bgr{128, 128, 128}));
}

TEST_F(RenderTest, TransparentDestinationTestUsesTheTransformedMode) {
    // "Alpha Shader Texture2" with a above 0 blends as Texturize2 (25), which
    // leaves a transparent accumulator transparent: only the checkerboard shows.
    TSY_SetLayerOptions(1, 0, 0, 100, "Normal");
    AddLayer(2, "Alpha Shader Texture2");
    Put(2, 1, 1, 20000, 20000, 20000, 40000);
    EXPECT_EQ(RenderAll().At(1, 1), (Bgr{255, 255, 255}));
}

TEST_F(RenderTest, AlphaFilterPaintsOpaqueWhereTheLayerIsTransparent) {
    // a = 0 becomes 65535 - 0 in white; formula Normal with Sa = 1: Xca = 65535/65280 -> 1.
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2, "Alpha Filter");
    Put(2, 1, 1, 0, 0, 0, 65535);  // opaque there: a becomes 0, the black shows
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(f.At(1, 1), (Bgr{0, 0, 0}));
}

TEST_F(RenderTest, LayersSmallerThanTheCanvasAreReadOnlyWhereTheyExist) {
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2, "Normal", 100, 4, 3);
    Fill(2, 65280, 0, 0, 65535);
    AddLayer(3, "Layer Mask", 100, 2, 2);
    Fill(3, 0, 0, 0, 65535);  // masks layer 2 away in its 2 x 2 corner
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(0, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.At(2, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(f.At(3, 2), (Bgr{0, 0, 255}));
    EXPECT_EQ(f.At(4, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.At(0, 3), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.At(63, 63), (Bgr{0, 0, 0}));
}

// ---- Stroke in progress ----------------------------------------------------------

TEST_F(RenderTest, StrokeIsLaidIntoTheCurrentLayer) {
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    TSY_SetLayer(2);
    LayerSlot &p = MakePaintLayer(0, 256, 255);
    Put(p, 1, 1, 0, 65280, 0, 65535);
    // Pre-opacity 127: a = (65535 x 128) >> 8 = 32767; the layer pixel becomes
    // (0, 65280, 0, 32767); over black G = trunc(32767/65535 x 65280) = 32639 -> 127.
    Put(p, 2, 1, 0, 65280, 0, 65535);
    Frame f = RenderAll();
    EXPECT_EQ(f.At(1, 1), (Bgr{0, 255, 0}));
    EXPECT_EQ(f.At(0, 0), (Bgr{0, 0, 0}));
    p.preOpacity = 127;
    f = RenderAll();
    EXPECT_EQ(f.At(2, 1), (Bgr{0, 127, 0}));
    // The layer itself is untouched.
    EXPECT_EQ(g_engine.layers[2].pixels[4 * (kW + 1) + 3], 0);
}

TEST_F(RenderTest, StrokeFromTheHostsPaintLayer) {
    // TSY_CreatePaintLayer (100, 50, "Normal"): opacity 256, pre-opacity
    // trunc(50 x 2.559) = 127, so the paint alpha 65535 becomes 32767 and green
    // over black shows trunc(32767/65535 x 65280) = 32639 -> 127.
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    TSY_SetLayer(2);
    TSY_CreatePaintLayer(100, 50, "Normal");
    ASSERT_NE(g_engine.paintLayer.pixels, nullptr);
    Put(g_engine.paintLayer, 3, 4, 0, 65280, 0, 65535);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(3, 4), (Bgr{0, 127, 0}));
    EXPECT_EQ(f.At(4, 4), (Bgr{0, 0, 0}));
}

TEST_F(RenderTest, StrokeUsesThePaintModeAndOpacity) {
    // Multiply paint over an opaque (32640, 65280, 65280) layer pixel: the
    // layer becomes (0.5 x 0.5, 1 x 0.5, 1 x 0) x 65280 = (16320, 32640, 0).
    // Opacity 128 first halves the paint alpha: a = (129 x 65535) >> 8 = 33023.
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    Put(2, 1, 1, 32640, 65280, 65280, 65535);
    Put(2, 2, 1, 32640, 65280, 65280, 65535);
    TSY_SetLayer(2);
    LayerSlot &p = MakePaintLayer(1, 256, 255);
    Put(p, 1, 1, 32640, 32640, 0, 65535);
    EXPECT_EQ(RenderAll().At(1, 1), (Bgr{0, 127, 63}));
    // Opacity 128 (Sa = 33023/65535 = 0.503899): Xca = Sca Dca + Dca (1 - Sa):
    // R = 0.5 x (0.5 Sa + 1 - Sa) = 0.374025 -> 24416 -> 95,
    // G = 0.5 Sa + 1 - Sa = 0.748050 -> 48832 -> 190, B = 1 - Sa = 0.496101 -> 32385 -> 126.
    p.opacity = 128;
    EXPECT_EQ(RenderAll().At(1, 1), (Bgr{126, 190, 95}));
}

TEST_F(RenderTest, StrokeOnAHiddenCurrentLayerIsNotShown) {
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    TSY_SetLayer(2);
    TSY_SetLayerOptions(2, 0, 0, 100, "Normal");
    LayerSlot &p = MakePaintLayer(0, 256, 255);
    Fill(p, 0, 65280, 0, 65535);
    EXPECT_EQ(RenderAll().At(1, 1), (Bgr{0, 0, 0}));
}

TEST_F(RenderTest, StrokeOnAnAlphaLockedLayerKeepsTheLayerAlpha) {
    Fill(1, 0, 0, 0, 65535);
    AddLayer(2);
    Put(2, 1, 1, 0, 0, 65280, 65535);  // opaque blue
    TSY_SetLayer(2);
    LayerSlot &p = MakePaintLayer(0, 256, 255);
    Fill(p, 0, 65280, 0, 65535);
    g_engine.tool.alphaLocked = 1;
    Frame f = RenderAll();
    EXPECT_EQ(f.At(1, 1), (Bgr{0, 255, 0}));  // painted over the opaque pixel
    EXPECT_EQ(f.At(2, 1), (Bgr{0, 0, 0}));    // transparent stays transparent
    g_engine.tool.alphaLocked = 0;
    TSY_SetLayerOptions(2, 1, 1, 100, "Normal");  // the slot's own lock
    f = RenderAll();
    EXPECT_EQ(f.At(2, 1), (Bgr{0, 0, 0}));
    TSY_SetLayerOptions(2, 1, 0, 100, "Normal");
    EXPECT_EQ(RenderAll().At(2, 1), (Bgr{0, 255, 0}));
}

TEST_F(RenderTest, StrokeOnTheBackgroundAndASmallPaintLayer) {
    Fill(1, 0, 0, 0, 65535);
    LayerSlot &p = MakePaintLayer(0, 256, 255, 3, 2);
    Fill(p, 65280, 0, 0, 65535);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(2, 1), (Bgr{0, 0, 255}));
    EXPECT_EQ(f.At(3, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.At(2, 2), (Bgr{0, 0, 0}));
}

// ---- Trace and mask overlay ----------------------------------------------------------

TEST_F(RenderTest, TracingMixesTheTraceImageToGrey) {
    Fill(1, 0, 0, 0, 65535);
    TSY_CreateLayer(0, kW, kH);
    Fill(0, 65535, 65535, 65535, 65535);
    EXPECT_EQ(RenderAll().At(0, 0), (Bgr{0, 0, 0}));
    TSY_SetTracingMode(1);
    // (0 + 65535) >> 1 = 32767 -> 127.
    EXPECT_EQ(RenderAll().At(0, 0), (Bgr{127, 127, 127}));
}

TEST_F(RenderTest, ASmallTraceImageMixesOnlyWhereItExists) {
    Fill(1, 0, 0, 0, 65535);
    TSY_CreateLayer(0, 2, 2);
    Fill(0, 65535, 65535, 65535, 65535);
    TSY_SetTracingMode(1);
    const Frame f = RenderAll();
    EXPECT_EQ(f.At(1, 1), (Bgr{127, 127, 127}));
    EXPECT_EQ(f.At(2, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.At(1, 2), (Bgr{0, 0, 0}));
}

struct OverlayCase {
    const char *name;
    int full;
    uint16_t mask;
    int x;     // 1: even square (colour 2), 33: odd square (colour 1)
    Bgr want;  // over opaque white 65535
};

class RenderOverlayTest : public RenderTest, public ::testing::WithParamInterface<OverlayCase> {};

// Colour 1 (r, g, b) = (10, 100, 255), colour 2 = (200, 0, 50); B = 65535.
// byte = (((colour x 256 x w) >> 8) + ((M x 65535) >> 8)) >> 16:
//   full, M = 0, w = 65535: 200 x 256 -> 13107000 >> 16 = 199; 50 -> 49; 0 -> 0;
//     255 -> 254 (16711425 >> 16); 100 -> 99; 10 -> 9.
//   half, M = 0 -> 32767, w = 32768, (32767 x 65535) >> 8 = 8388223:
//     200 -> (6553600 + 8388223) >> 16 = 227; 50 -> 152; 0 -> 127; 255 -> 255; 100 -> 177;
//     10 -> (327680 + 8388223) >> 16 = 132.
//   full, M = 40000, w = 25535, (40000 x 65535) >> 8 = 10239843:
//     200 -> (5106999 + 10239843) >> 16 = 234; 50 -> (1276750 + 10239843) >> 16 = 175; 0 -> 156.
//   half, M = 40000 -> 52767, w = 12768, (52767 x 65535) >> 8 = 13508040:
//     200 -> (2553600 + 13508040) >> 16 = 245; 50 -> 215; 0 -> 206.
INSTANTIATE_TEST_SUITE_P(Strengths, RenderOverlayTest,
                         ::testing::Values(OverlayCase{"FullProtectedEven", 1, 0, 1, Bgr{49, 0, 199}},
                                           OverlayCase{"FullProtectedOdd", 1, 0, 33, Bgr{254, 99, 9}},
                                           OverlayCase{"HalfProtectedEven", 0, 0, 1, Bgr{152, 127, 227}},
                                           OverlayCase{"HalfProtectedOdd", 0, 0, 33, Bgr{255, 177, 132}},
                                           OverlayCase{"FullPartial", 1, 40000, 1, Bgr{175, 156, 234}},
                                           OverlayCase{"HalfPartial", 0, 40000, 1, Bgr{215, 206, 245}},
                                           OverlayCase{"Unmasked", 1, 65535, 1, Bgr{255, 255, 255}}),
                         [](const ::testing::TestParamInfo<OverlayCase> &info) {
                             return std::string(info.param.name);
                         });

TEST_P(RenderOverlayTest, MixesTheOverlayColourByTheMask) {
    const OverlayCase &c = GetParam();
    Fill(1, 65535, 65535, 65535, 65535);
    TSY_SetMaskOptions(10, 100, 255, 200, 0, 50, c.full);
    g_engine.mask[1 * kW + c.x] = c.mask;
    TSY_DisplayMask(1);
    TSY_EnableMask(1);
    EXPECT_EQ(RenderAll().At(c.x, 1), c.want);
}

TEST_F(RenderTest, OverlayNeedsTheMaskDisplayedAndActive) {
    Fill(1, 65535, 65535, 65535, 65535);
    TSY_SetMaskOptions(10, 100, 255, 200, 0, 50, 1);
    g_engine.mask[kW + 1] = 0;
    TSY_DisplayMask(1);
    TSY_EnableMask(0);
    EXPECT_EQ(RenderAll().At(1, 1), (Bgr{255, 255, 255}));
    TSY_DisplayMask(0);
    TSY_EnableMask(1);
    EXPECT_EQ(RenderAll().At(1, 1), (Bgr{255, 255, 255}));
}

// ---- Zoom paths and limits ---------------------------------------------------------------

// A background whose pixel (x, y) shows as bytes (b 7, g y, r x).
class RenderZoomTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                Put(1, x, y, static_cast<uint16_t>(x << 8), static_cast<uint16_t>(y << 8), 7 << 8, 65535);
    }
    static Bgr Canvas(int x, int y) { return Bgr{7, y, x}; }
};

TEST_F(RenderZoomTest, ActualSizeShowsTheRectangle) {
    const Frame f = Render(10, 20, 5, 4, 6, 5);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 5; ++i) EXPECT_EQ(f.At(i, j), Canvas(10 + i, 20 + j));
    EXPECT_FALSE(f.Written(5, 0));
    EXPECT_FALSE(f.Written(0, 4));
    EXPECT_EQ(f.WrittenCount(), 5u * 4u);
}

TEST_F(RenderZoomTest, EqualZoomAndScaleRenderOneToOne) {
    TSY_SetScale(3, 3.0f);
    const Frame f = Render(0, 0, 4, 4, 12, 12);
    EXPECT_EQ(f.At(3, 3), Canvas(3, 3));
    EXPECT_EQ(f.WrittenCount(), 4u * 4u);
}

TEST_F(RenderZoomTest, MagnifyDrawsEachCanvasPixelAsABlock) {
    TSY_SetScale(2, 0.5f);
    const Frame f = Render(10, 20, 3, 2, 7, 5);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i) EXPECT_EQ(f.At(i, j), Canvas(10 + i / 2, 20 + j / 2)) << i << "," << j;
    EXPECT_FALSE(f.Written(6, 0));
    EXPECT_FALSE(f.Written(0, 4));
}

TEST_F(RenderZoomTest, MagnifiedCheckerboardSquaresScaleWithTheZoom) {
    TSY_SetLayerOptions(1, 0, 0, 100, "Normal");
    TSY_SetScale(3, 1.0f);
    const Frame f = Render(30, 0, 4, 1, 12, 3);
    // Canvas columns 30, 31 lie on an even square, 32, 33 on an odd one.
    for (int i = 0; i < 12; ++i) EXPECT_EQ(f.At(i, 2).r, i < 6 ? 255 : 159) << i;
}

TEST_F(RenderZoomTest, MagnifyIsLimitedByTheViewSize) {
    TSY_SetScale(4, 1.0f);
    TSY_SetViewSize(6, 5);
    const Frame f = Render(0, 0, 8, 8, 40, 40);
    EXPECT_EQ(f.At(5, 4), Canvas(1, 1));
    EXPECT_EQ(f.WrittenCount(), 6u * 5u);
}

TEST_F(RenderZoomTest, ReduceByTwoTakesEverySecondPixelOfEverySecondRow) {
    TSY_SetScale(1, 2.0f);
    // Columns up to trunc(1 + 6 / 2 - 1) - 1 + 1 = 3; rows trunc(2 + 4 / 2 - 1) - 2 + 1 = 2.
    const Frame f = Render(1, 2, 6, 4, 5, 4);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_EQ(f.At(i, j), Canvas(1 + 2 * i, 2 + 2 * j));
    EXPECT_EQ(f.WrittenCount(), 3u * 2u);
}

TEST_F(RenderZoomTest, FractionalReductionSamplesFloorOfIS) {
    // s = 2.5: columns up to trunc(0 + 20 / 2.5 - 1) + 1 = 8, at floor(2.5 i) = 0 2 5 7 10 12 15 17.
    // s = 1.5 on rows 3..12: trunc(3 + 10 / 1.5 - 1) - 3 + 1 = 6 rows at 3 + (0 1 3 4 6 7).
    TSY_SetScale(1, 2.5f);
    Frame f = Render(0, 0, 20, 5, 10, 3);
    const int cols[] = {0, 2, 5, 7, 10, 12, 15, 17};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.At(i, 0), Canvas(cols[i], 0));
    EXPECT_EQ(f.At(3, 1), Canvas(7, 2));
    EXPECT_FALSE(f.Written(8, 0));
    TSY_SetScale(1, 1.5f);
    f = Render(0, 3, 4, 10, 4, 8);
    const int rows[] = {3, 4, 6, 7, 9, 10};
    for (int j = 0; j < 6; ++j) EXPECT_EQ(f.At(1, j), Canvas(1, rows[j])) << j;
    EXPECT_FALSE(f.Written(0, 6));
}

TEST_F(RenderZoomTest, ReducedMaskOverlayUsesTheSampledPositions) {
    TSY_SetScale(1, 2.0f);
    TSY_SetMaskOptions(0, 0, 0, 0, 0, 0, 1);
    g_engine.mask[4 * kW + 6] = 0;  // shows black at full strength
    TSY_DisplayMask(1);
    const Frame f = Render(0, 0, 16, 16, 8, 8);
    EXPECT_EQ(f.At(3, 2), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.At(2, 2), Canvas(4, 4));
}

TEST_F(RenderZoomTest, RectangleIsClippedToTheCanvas) {
    // x below 0 becomes 0 (w is kept); w beyond the right edge is cut.
    Frame f = Render(-5, -5, 3, 2, 10, 10);
    EXPECT_EQ(f.At(0, 0), Canvas(0, 0));
    EXPECT_EQ(f.WrittenCount(), 3u * 2u);
    f = Render(60, 62, 10, 10, 10, 10);
    EXPECT_EQ(f.At(3, 1), Canvas(63, 63));
    EXPECT_EQ(f.WrittenCount(), 4u * 2u);
    f = Render(64, 0, 10, 10, 10, 10);
    EXPECT_EQ(f.WrittenCount(), 0u);
}

TEST_F(RenderZoomTest, ViewSizeLimitsTheOutputAndZeroDrawsNothing) {
    TSY_SetViewSize(2, 3);
    Frame f = Render(0, 0, 10, 10, 10, 10);
    EXPECT_EQ(f.WrittenCount(), 2u * 3u);
    TSY_SetViewSize(0, 10);
    f = Render(0, 0, 10, 10, 10, 10);
    EXPECT_EQ(f.WrittenCount(), 0u);
}

TEST_F(RenderZoomTest, NothingWithoutACurrentLayerOrOutput) {
    g_engine.currentSlot = nullptr;
    EXPECT_EQ(Render(0, 0, 4, 4, 4, 4).WrittenCount(), 0u);
    TSY_SetLayer(1);
    TSY_Render(nullptr, 12, 0, 0, 4, 4);
    TSY_DeleteLayer(1);
    EXPECT_EQ(Render(0, 0, 4, 4, 4, 4).WrittenCount(), 0u);
}

TEST_F(RenderZoomTest, InvalidZoomDrawsNothing) {
    TSY_SetScale(0, -1.0f);  // magnify by 0
    EXPECT_EQ(Render(0, 0, 4, 4, 4, 4).WrittenCount(), 0u);
    TSY_SetScale(-3, -2.0f);  // reduce by a negative scale
    EXPECT_EQ(Render(0, 0, 4, 4, 4, 4).WrittenCount(), 0u);
}

// ---- Differential: zoom paths against 1:1, threads against one thread -------------------

// A busy scene: every kind of layer, a stroke, tracing and the overlay.
class RenderSceneTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        uint32_t seed = 12345;
        auto next = [&seed]() {
            seed = seed * 1103515245u + 12345u;
            return static_cast<uint16_t>(seed >> 15);
        };
        const char *modes[] = {"Normal",    "Multiply",     "Screen",   "Alpha Smooth", "Layer Mask", "Overlay",
                               "Texturize", "Alpha Shader", "Colorize", "Texturize2",   "Difference", "Alpha Filter"};
        int index = 2;
        for (const char *mode : modes) {
            AddLayer(index, mode, 40 + 5 * index);
            LayerSlot &L = g_engine.layers[index];
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const uint16_t r = next(), g = next(), b = next();
                    uint16_t a = next();
                    if ((x + y + index) % 3 == 0) a = 0;
                    if ((x * y + index) % 5 == 0) a = 65535;
                    Put(L, x, y, r, g, b, a);
                }
            ++index;
        }
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) Put(1, x, y, next(), next(), next(), next());
        TSY_SetLayer(4);
        LayerSlot &p = MakePaintLayer(1, 200, 180);
        for (int y = 10; y < 40; ++y)
            for (int x = 5; x < 50; ++x) Put(p, x, y, next(), next(), next(), next());
        TSY_CreateLayer(0, kW, kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) Put(0, x, y, next(), next(), next(), next());
        TSY_SetTracingMode(1);
        for (int i = 0; i < kW * kH; ++i) g_engine.mask[i] = (i % 7 == 0) ? 65535 : next();
        TSY_SetMaskOptions(250, 20, 30, 40, 200, 60, 0);
        TSY_DisplayMask(1);
    }
    static Frame RenderThreads(int threads, int x, int y, int w, int h, int cols, int rows) {
        Frame f(cols, rows);
        RenderViewThreads(f.bytes.data(), f.stride, x, y, w, h, threads);
        return f;
    }
};

TEST_F(RenderSceneTest, MagnifiedAndReducedFramesSampleTheActualSizeFrame) {
    const Frame one = Render(0, 0, kW, kH, kW, kH);
    ASSERT_EQ(one.WrittenCount(), static_cast<size_t>(kW * kH));
    TSY_SetScale(3, 1.0f);
    const Frame big = Render(0, 0, kW, kH, 3 * kW, 3 * kH);
    for (int j = 0; j < 3 * kH; ++j)
        for (int i = 0; i < 3 * kW; ++i) ASSERT_EQ(big.At(i, j), one.At(i / 3, j / 3)) << i << "," << j;
    TSY_SetScale(1, 1.75f);
    const Frame small = Render(0, 0, kW, kH, kW, kH);
    // trunc(64 / 1.75 - 1) + 1 = 36 columns and rows, at floor(1.75 i).
    for (int j = 0; j < 36; ++j)
        for (int i = 0; i < 36; ++i) ASSERT_EQ(small.At(i, j), one.At(i * 7 / 4, j * 7 / 4)) << i << "," << j;
    EXPECT_EQ(small.WrittenCount(), 36u * 36u);
}

TEST_F(RenderSceneTest, RowsSplitAcrossThreadsGiveTheSameBytes) {
    struct Zoom {
        int zoom;
        float scale;
        int cols, rows;
    };
    const Zoom zooms[] = {{1, 1.0f, kW, kH}, {3, 1.0f, 3 * kW, 3 * kH}, {1, 1.3f, kW, kH}, {1, 2.5f, kW, kH}};
    for (const Zoom &z : zooms) {
        TSY_SetScale(z.zoom, z.scale);
        const Frame one = RenderThreads(1, 0, 0, kW, kH, z.cols, z.rows);
        ASSERT_GT(one.WrittenCount(), 0u);
        for (int threads : {2, 3, 7}) {
            const Frame many = RenderThreads(threads, 0, 0, kW, kH, z.cols, z.rows);
            for (int j = 0; j < z.rows; ++j)
                for (int i = 0; i < z.cols; ++i)
                    ASSERT_EQ(many.At(i, j), one.At(i, j)) << "zoom " << z.zoom << " scale " << z.scale << " threads "
                                                           << threads << " at " << i << "," << j;
            EXPECT_EQ(many.bytes, one.bytes);
        }
    }
}

TEST_F(RenderSceneTest, BatchedAndVectorBlendsMatchThePositionByPositionPath) {
    struct Zoom {
        int zoom;
        float scale;
        int cols, rows;
    };
    const Zoom zooms[] = {{1, 1.0f, kW, kH}, {2, 1.0f, 2 * kW, 2 * kH}, {1, 1.6f, kW, kH}};
    // Then the stroke on a Normal layer (the vector step leaves the stroke's
    // positions to the scalar one), then without the cover start's help:
    // every layer at partial opacity.
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1) TSY_SetLayer(2);
        if (pass == 2)
            for (int i = 1; i < 14; ++i) g_engine.layers[i].opacity = static_cast<uint16_t>(200 + i);
        for (const Zoom &z : zooms) {
            TSY_SetScale(z.zoom, z.scale);
            SetRenderPathsForTests(false, false);
            const Frame reference = RenderThreads(1, 0, 0, kW, kH, z.cols, z.rows);
            SetRenderPathsForTests(true, false);
            const Frame scalar = RenderThreads(1, 0, 0, kW, kH, z.cols, z.rows);
            SetRenderPathsForTests(true, true);
            const Frame vector = RenderThreads(1, 0, 0, kW, kH, z.cols, z.rows);
            for (int j = 0; j < z.rows; ++j)
                for (int i = 0; i < z.cols; ++i) {
                    ASSERT_EQ(scalar.At(i, j), reference.At(i, j))
                        << "scalar batch, zoom " << z.zoom << " at " << i << "," << j;
                    ASSERT_EQ(vector.At(i, j), reference.At(i, j))
                        << "vector batch, zoom " << z.zoom << " at " << i << "," << j;
                }
        }
    }
}

// ---- Differential: every vector level against the reference, seeded scenes ----------

// A wider canvas (several 64-position runs per row and a short run at the end
// of each) with seeded layers whose alphas favour the edges the integer tests
// turn on: 0, 1, 65279, 65280 (the opaque Normal shortcut), 65534, 65535.
class RenderVectorTest : public RenderTest {
protected:
    static constexpr int kVW = 150;
    static constexpr int kVH = 40;
    void SetUp() override {
        EngineTest::SetUp();
        NewCanvas(kVW, kVH);
        TSY_SetViewSize(4 * kVW, 4 * kVH);
    }

    struct Scene {
        const char *name;
        uint32_t seed;
        std::vector<const char *> modes;  // slots 1, 2, ... bottom to top
        int current;                      // the layer the stroke is on
        int paintMode;                    // 0 Normal, 1 Multiply, 2 Screen, 5 Difference ...
        int paintOpacity, paintPreOpacity;
        int paintW;  // columns of the paint buffer (narrower than the canvas: the rest reads transparent)
        int layerOpacity;
        bool overlay, overlayFull;
    };

    static void Build(const Scene &sc) {
        uint32_t seed = sc.seed;
        auto next = [&seed]() {
            seed = seed * 1103515245u + 12345u;
            return static_cast<uint16_t>(seed >> 15);
        };
        const uint16_t edges[] = {0, 1, 65279, 65280, 65534, 65535, 0, 65535};
        auto alpha = [&]() { return (next() & 3) == 0 ? next() : edges[next() % 8]; };
        int slot = 1;
        for (const char *mode : sc.modes) {
            // Layers above the background end a little short of the canvas.
            const int w = slot == 1 ? kVW : kVW - 3 * slot;
            AddLayer(slot, mode, slot == 1 ? 100 : sc.layerOpacity, w, kVH);
            LayerSlot &L = g_engine.layers[slot];
            for (int y = 0; y < kVH; ++y)
                for (int x = 0; x < w; ++x) Put(L, x, y, next(), next(), next(), alpha());
            ++slot;
        }
        TSY_SetLayer(sc.current);
        LayerSlot &p = MakePaintLayer(sc.paintMode, sc.paintOpacity, sc.paintPreOpacity, sc.paintW, kVH);
        for (int y = 0; y < kVH; ++y)
            for (int x = 0; x < sc.paintW; ++x)
                if ((x / 7 + y / 5) % 3 != 0) Put(p, x, y, next(), next(), next(), alpha());
        for (int i = 0; i < kVW * kVH; ++i) g_engine.mask[i] = (i % 5 == 0) ? 65535 : next();
        TSY_SetMaskOptions(250, 20, 30, 40, 200, 60, sc.overlayFull ? 1 : 0);
        TSY_DisplayMask(sc.overlay ? 1 : 0);
    }
};

TEST_F(RenderVectorTest, EveryVectorLevelMatchesThePositionByPositionPath) {
    const Scene scenes[] = {
        {"normal and multiply, stroke on the background",
         7u,
         {"Normal", "Normal", "Multiply", "Normal", "Multiply"},
         1,
         0,
         256,
         255,
         kVW,
         100,
         false,
         false},
        {"stroke on a multiply layer, multiply paint, partial opacity, half overlay",
         99u,
         {"Normal", "Multiply", "Normal", "Multiply"},
         2,
         1,
         180,
         200,
         kVW,
         83,
         true,
         false},
        {"stroke on a normal layer, screen paint, narrow paint buffer, full overlay",
         2024u,
         {"Normal", "Normal", "Normal", "Multiply", "Normal"},
         3,
         2,
         256,
         255,
         70,
         100,
         true,
         true},
        {"other modes between, a layer mask, an alpha mode",
         31337u,
         {"Normal", "Normal", "Screen", "Multiply", "Layer Mask", "Alpha Smooth", "Normal", "Difference"},
         7,
         5,
         120,
         90,
         kVW - 20,
         100,
         true,
         false},
    };
    struct Zoom {
        int zoom;
        float scale;
    };
    const Zoom zooms[] = {{1, 1.0f}, {3, 1.0f}, {1, 1.6f}, {1, 2.5f}};
    for (const Scene &sc : scenes) {
        TearDown();
        SetUp();
        Build(sc);
        for (const Zoom &z : zooms) {
            TSY_SetScale(z.zoom, z.scale);
            // A rectangle that starts off the 64-position grid.
            const int x = 3, y = 2, w = kVW - 3, h = kVH - 2;
            const int cols = z.zoom > 1 ? w * z.zoom : w, rows = z.zoom > 1 ? h * z.zoom : h;
            SetRenderPathsForTests(false, false);
            Frame reference(cols, rows);
            RenderViewThreads(reference.bytes.data(), reference.stride, x, y, w, h, 1);
            ASSERT_GT(reference.WrittenCount(), 0u);
            for (int level = kRenderVectorNone; level <= BestRenderVectorLevel(); ++level) {
                ASSERT_EQ(SetRenderVectorLevelForTests(level), level);
                Frame got(cols, rows);
                RenderViewThreads(got.bytes.data(), got.stride, x, y, w, h, 1);
                if (got.bytes == reference.bytes) continue;
                for (int j = 0; j < rows; ++j)
                    for (int i = 0; i < cols; ++i)
                        ASSERT_EQ(got.At(i, j), reference.At(i, j))
                            << sc.name << ": vector level " << level << ", zoom " << z.zoom << " scale " << z.scale
                            << ", first difference at output " << i << "," << j;
                FAIL() << sc.name << ": bytes outside the pixels differ at level " << level;
            }
        }
    }
    SetRenderPathsForTests(true, true);
}

// The bytes hide most differences of the 16-bit composite (a byte is a value
// >> 8): the composite itself, at every vector level, on every row of the same
// scenes, for runs of columns as the three zoom paths make them.
TEST_F(RenderVectorTest, EveryVectorLevelGivesTheReferenceComposite) {
    const Scene scenes[] = {
        {"stroke on the background",
         11u,
         {"Normal", "Multiply", "Normal", "Normal", "Multiply", "Normal"},
         1,
         0,
         256,
         255,
         kVW,
         100,
         false,
         false},
        {"stroke on a normal layer, multiply paint, partial opacity",
         5150u,
         {"Normal", "Normal", "Multiply", "Normal", "Multiply"},
         2,
         1,
         200,
         180,
         100,
         77,
         false,
         false},
        {"stroke on a multiply layer, normal paint at partial opacity",
         77u,
         {"Normal", "Multiply", "Multiply"},
         3,
         0,
         130,
         255,
         kVW,
         100,
         false,
         false},
        {"other modes between, layer mask",
         4242u,
         {"Normal", "Screen", "Normal", "Layer Mask", "Multiply", "Alpha Shader", "Normal"},
         5,
         2,
         256,
         255,
         kVW,
         100,
         false,
         false},
    };
    // Runs: aligned, off the grid, past the end of the narrower layers, a
    // short tail, and the sampled columns of a reduction by 1.6 and 2.5.
    std::vector<std::vector<int32_t>> runs;
    auto consecutive = [](int first, int n) {
        std::vector<int32_t> r(n);
        for (int i = 0; i < n; ++i) r[i] = first + i;
        return r;
    };
    runs.push_back(consecutive(0, 64));
    runs.push_back(consecutive(3, 64));
    runs.push_back(consecutive(86, 64));
    runs.push_back(consecutive(128, 22));
    for (double step : {1.6, 2.5}) {
        std::vector<int32_t> r;
        for (int i = 0; i < 64 && static_cast<int32_t>(i * step) < kVW; ++i)
            r.push_back(static_cast<int32_t>(i * step));
        runs.push_back(r);
    }
    for (const Scene &sc : scenes) {
        TearDown();
        SetUp();
        Build(sc);
        for (int cy = 0; cy < kVH; ++cy)
            for (const std::vector<int32_t> &run : runs) {
                const int n = static_cast<int>(run.size());
                std::vector<uint32_t> reference(4u * n, 0xDEADu);
                SetRenderPathsForTests(false, false);
                RenderCompositeForTests(cy, run.data(), n, reference.data());
                for (int level = kRenderVectorNone; level <= BestRenderVectorLevel(); ++level) {
                    ASSERT_EQ(SetRenderVectorLevelForTests(level), level);
                    std::vector<uint32_t> got(4u * n, 0xBEEFu);
                    RenderCompositeForTests(cy, run.data(), n, got.data());
                    for (int i = 0; i < 4 * n; ++i)
                        ASSERT_EQ(got[i], reference[i])
                            << sc.name << ": vector level " << level << ", first difference at canvas " << run[i / 4]
                            << "," << cy << " channel " << i % 4;
                }
            }
    }
    SetRenderPathsForTests(true, true);
}

// A reduced view wider than the renderer's table of stepped columns (8192):
// the columns past it continue the same stepping. s = 1.125 on a 10000-pixel
// row gives trunc(10000 / 1.125 - 1) + 1 = trunc(8887.9) + 1 = 8888 columns at
// floor(1.125 i) = 9i / 8.
TEST_F(RenderTest, VeryWideReductionKeepsSteppingPastTheColumnTable) {
    constexpr int kWide = 10000;
    TSY_DeleteImage();
    NewCanvas(kWide, 2);
    TSY_CreateLayer(1, kWide, 2);
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    TSY_SetLayer(1);
    // Column x shows red (x & 255) << 8 and green ((x >> 8) & 255) << 8: every column distinct.
    for (int x = 0; x < kWide; ++x)
        for (int y = 0; y < 2; ++y)
            Put(1, x, y, static_cast<uint16_t>((x & 255) << 8), static_cast<uint16_t>(x & 0xFF00), 0, 65535);
    TSY_SetViewSize(kWide, 2);
    TSY_SetScale(1, 1.125f);
    const Frame f = Render(0, 0, kWide, 2, kWide, 2);
    EXPECT_EQ(f.WrittenCount(), 8888u);
    for (int i = 0; i < 8888; ++i) {
        const int x = 9 * i / 8;
        ASSERT_EQ(f.At(i, 0), (Bgr{0, (x >> 8) & 255, x & 255})) << "output column " << i;
    }
}

TEST_F(RenderSceneTest, RenderingChangesNoEngineState) {
    std::vector<uint16_t> before(g_engine.layers[4].pixels, g_engine.layers[4].pixels + kW * kH * 4);
    std::vector<uint16_t> paint(g_engine.paintLayer.pixels, g_engine.paintLayer.pixels + kW * kH * 4);
    RenderAll();
    EXPECT_EQ(std::vector<uint16_t>(g_engine.layers[4].pixels, g_engine.layers[4].pixels + kW * kH * 4), before);
    EXPECT_EQ(std::vector<uint16_t>(g_engine.paintLayer.pixels, g_engine.paintLayer.pixels + kW * kH * 4), paint);
}

}  // namespace
