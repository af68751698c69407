// Layer transfers, loaders with mask and texture, line codecs on layers,
// compressed layer blocks, fills, pixel queries and the scratch image.
#include "core/pixel_transfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/layers.h"
#include "undo/dirty_rect.h"
#include "engine_fixture.h"

namespace {

class PixelTransferTest : public EngineTest {
protected:
    // A canvas of w x h with layer 2 created and current.
    void Canvas(int w, int h) {
        NewCanvas(w, h);
        ASSERT_EQ(TSY_CreateLayer(2, w, h), 1);
        TSY_SetLayer(2);
    }
    static uint16_t *Px(int layer, int x, int y) {
        LayerSlot &s = g_engine.layers[layer];
        return s.pixels + static_cast<size_t>(y) * s.stride + 4 * static_cast<size_t>(x);
    }
    static void SetPx(int layer, int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        uint16_t *p = Px(layer, x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }
    static std::vector<uint16_t> Get(int layer, int x, int y) {
        const uint16_t *p = Px(layer, x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    static void FillLayer(int layer, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        LayerSlot &s = g_engine.layers[layer];
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) SetPx(layer, x, y, r, g, b, a);
    }
    // A texture map of the canvas size filled with t (released with the canvas).
    static void SetTexture(uint8_t t) {
        const size_t n = static_cast<size_t>(g_engine.canvasWidth) * g_engine.canvasHeight;
        if (g_engine.textureMap == nullptr) g_engine.textureMap = x_NewCharUndoReduce(n);
        std::memset(g_engine.textureMap, t, n);
    }
    static void SetMaskAll(uint16_t m) {
        const size_t n = static_cast<size_t>(g_engine.canvasWidth) * g_engine.canvasHeight;
        for (size_t i = 0; i < n; ++i) g_engine.mask[i] = m;
    }
    using V = std::vector<uint16_t>;
};

// ---- Loaders ----------------------------------------------------------------------

TEST_F(PixelTransferTest, LoadReadsBlueGreenRed) {
    Canvas(2, 1);
    const uint8_t bgr[6] = {10, 20, 30, 1, 2, 3};
    TSY_Load(bgr, 6, 2, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{7680, 5120, 2560, 65535}));
    EXPECT_EQ(Get(2, 1, 0), (V{768, 512, 256, 65535}));
}

TEST_F(PixelTransferTest, LoadClipsToItsSizeAndTheCanvas) {
    Canvas(3, 2);
    std::vector<uint8_t> src(10 * 3 * 5, 0x11);
    TSY_Load(src.data(), 30, 10, 5);  // larger than the canvas: cut at 3 x 2
    EXPECT_EQ(Get(2, 2, 1), (V{0x1100, 0x1100, 0x1100, 65535}));
    FillLayer(2, 0, 0, 0, 0);
    TSY_Load(src.data(), 30, 1, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{0x1100, 0x1100, 0x1100, 65535}));
    EXPECT_EQ(Get(2, 1, 0), (V{0, 0, 0, 0}));
}

TEST_F(PixelTransferTest, LoadRGB24ReadsRedGreenBlueAndKeepsAlpha) {
    Canvas(1, 1);
    SetPx(2, 0, 0, 1, 2, 3, 1234);
    const uint8_t rgb[3] = {10, 20, 30};
    TSY_LoadRGB24(rgb, 3, 0);
    EXPECT_EQ(Get(2, 0, 0), (V{2560, 5120, 7680, 1234}));
}

TEST_F(PixelTransferTest, LoadRGB24Weighted) {
    Canvas(2, 1);
    FillLayer(2, 10000, 10000, 10000, 777);
    g_engine.mask[0] = 200;    // m = 0: untouched
    g_engine.mask[1] = 32768;  // m = 128: w = (129 * 65535) >> 8 = 33023
    const uint8_t rgb[6] = {200, 0, 0, 200, 0, 0};
    TSY_LoadRGB24(rgb, 6, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{10000, 10000, 10000, 777}));
    // R: (200 * 33023 + ((10000 * 32512) >> 8)) >> 8 = (6604600 + 1270000) >> 8 = 30760
    // G: (0 + 1270000) >> 8 = 4960
    EXPECT_EQ(Get(2, 1, 0), (V{30760, 4960, 4960, 777}));
    // useMask 0 copies whatever the mask says
    TSY_LoadRGB24(rgb, 6, 0);
    EXPECT_EQ(Get(2, 0, 0), (V{51200, 0, 0, 777}));
}

TEST_F(PixelTransferTest, LoadRGB24ToAlpha) {
    Canvas(3, 1);
    SetPx(2, 0, 0, 1, 1, 1, 0);  // transparent stays transparent
    SetPx(2, 1, 0, 1, 1, 1, 65535);
    SetPx(2, 2, 0, 1, 1, 1, 65535);
    const uint8_t rgb[9] = {100, 0, 0, 100, 9, 9, 100, 9, 9};
    TSY_LoadRGB24ToAlpha(rgb, 9, 0);
    EXPECT_EQ(Get(2, 0, 0)[3], 0);
    EXPECT_EQ(Get(2, 1, 0), (V{1, 1, 1, 25600}));
    SetPx(2, 1, 0, 1, 1, 1, 65535);
    SetPx(2, 2, 0, 1, 1, 1, 65535);
    g_engine.mask[1] = 32768;  // rule B: w = (32768 * 65535) >> 16 = 32767
    g_engine.mask[2] = 0;      // w = 0: alpha kept
    TSY_LoadRGB24ToAlpha(rgb, 9, 1);
    // ((((65535 - 32767) * 65535) >> 8) + 100 * 32767) >> 8 = (8388480 + 3276700) >> 8 = 45567
    EXPECT_EQ(Get(2, 1, 0)[3], 45567);
    EXPECT_EQ(Get(2, 2, 0)[3], 65535);
    EXPECT_EQ(Get(2, 0, 0)[3], 0);
}

TEST_F(PixelTransferTest, LoadRGBA32LayerPlacesAndClips) {
    Canvas(8, 2);
    FillLayer(2, 1, 1, 1, 1);
    // 10 x 2 source, pixel i of a row has red i + 1, alpha 255
    std::vector<uint8_t> src(10 * 4 * 2);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 10; ++i) {
            uint8_t *p = &src[(y * 10 + i) * 4];
            p[0] = static_cast<uint8_t>(i + 1);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 0;
            p[3] = 255;
        }
    // x = -5 skips the first five source columns
    TSY_LoadRGBA32Layer(src.data(), 40, 2, -5, 0, 10, 2, 0);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Get(2, x, 1), (V{static_cast<uint16_t>((x + 6) * 256), 256, 0, 65280}));
    for (int x = 5; x < 8; ++x) EXPECT_EQ(Get(2, x, 0), (V{1, 1, 1, 1}));
    // wider than the slot: cut at its width
    TSY_LoadRGBA32Layer(src.data(), 40, 2, 4, 1, 10, 2, 0);
    for (int x = 4; x < 8; ++x) EXPECT_EQ(Get(2, x, 1)[0], (x - 3) * 256);
    EXPECT_EQ(Get(2, 3, 1)[0], 9 * 256);  // from the first load
    // y = -1 skips the first source row
    TSY_LoadRGBA32Layer(src.data(), 40, 2, 0, -1, 10, 2, 0);
    EXPECT_EQ(Get(2, 0, 0), (V{256, 256, 0, 65280}));
    // entirely outside, null source, empty slot: nothing happens
    TSY_LoadRGBA32Layer(src.data(), 40, 2, 100, 0, 10, 2, 0);
    TSY_LoadRGBA32Layer(nullptr, 40, 2, 0, 0, 10, 2, 0);
    TSY_LoadRGBA32Layer(src.data(), 40, 5, 0, 0, 10, 2, 0);
    TSY_LoadRGBA32Layer(src.data(), 40, 300, 0, 0, 10, 2, 0);
}

TEST_F(PixelTransferTest, LoadRGBA32UnweightedTransparentAndAlphaLock) {
    Canvas(2, 1);
    FillLayer(2, 5, 5, 5, 5);
    const uint8_t src[8] = {10, 20, 30, 0, 10, 20, 30, 40};
    TSY_LoadRGBA32(src, 8, 0);
    EXPECT_EQ(Get(2, 0, 0), (V{0, 0, 0, 0}));
    EXPECT_EQ(Get(2, 1, 0), (V{2560, 5120, 7680, 10240}));
    FillLayer(2, 5, 5, 5, 5);
    g_engine.layers[2].alphaLocked = 1;
    TSY_LoadRGBA32(src, 8, 0);
    EXPECT_EQ(Get(2, 0, 0), (V{2560, 5120, 7680, 5}));
    EXPECT_EQ(Get(2, 1, 0), (V{2560, 5120, 7680, 5}));
}

TEST_F(PixelTransferTest, LoadRGBA32WeightedByMask) {
    Canvas(3, 1);
    FillLayer(2, 5, 5, 5, 65535);
    g_engine.mask[0] = 200;    // high byte 0: untouched
    g_engine.mask[1] = 65535;  // copies
    g_engine.mask[2] = 32768;  // w = 33023
    const uint8_t src[12] = {10, 20, 30, 40, 10, 20, 30, 40, 10, 20, 30, 0};
    TSY_LoadRGBA32(src, 12, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{5, 5, 5, 65535}));
    EXPECT_EQ(Get(2, 1, 0), (V{2560, 5120, 7680, 10240}));
    // source alpha 0: A = (65535 * (65535 - 33023)) >> 16 = 2130673920 >> 16 = 32511
    EXPECT_EQ(Get(2, 2, 0), (V{5, 5, 5, 32511}));
    // the mask flag is the low byte of useMask; mask inactive means unweighted
    FillLayer(2, 5, 5, 5, 65535);
    TSY_LoadRGBA32(src, 12, 0x100);
    EXPECT_EQ(Get(2, 0, 0), (V{2560, 5120, 7680, 10240}));
    FillLayer(2, 5, 5, 5, 65535);
    g_engine.maskActive = 0;
    TSY_LoadRGBA32(src, 12, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{2560, 5120, 7680, 10240}));
}

TEST_F(PixelTransferTest, LoadRGBA32WeightedByTextureAndMask) {
    Canvas(2, 1);
    SetTexture(64);            // rule A: 33023
    g_engine.mask[1] = 32768;  // then (129 * 33023) >> 8 = 16640
    FillLayer(2, 10000, 10000, 10000, 65535);
    const uint8_t src[8] = {200, 0, 0, 255, 200, 0, 0, 255};
    TSY_LoadRGBA32(src, 8, 1);
    // R: (200 * 33023 + ((10000 * 32512) >> 8)) >> 8 = 30760; G: 1270000 >> 8 = 4960
    // A: (255 * 33023 + ((65535 * 32512) >> 8)) >> 8 = (8420865 + 8322945) >> 8 = 65405
    EXPECT_EQ(Get(2, 0, 0), (V{30760, 4960, 4960, 65405}));
    // w = 16640: R (3328000 + ((10000 * 48895) >> 8)) >> 8 = (3328000 + 1909960) >> 8 = 20460
    // G: 1909960 >> 8 = 7460; A: (255 * 16640 + ((65535 * 48895) >> 8)) >> 8 = (4243200 + 12516929) >> 8 = 65469
    EXPECT_EQ(Get(2, 1, 0), (V{20460, 7460, 7460, 65469}));
    // a texture alone makes the load weighted even with the mask off
    g_engine.maskActive = 0;
    SetTexture(0);
    FillLayer(2, 1, 2, 3, 4);
    TSY_LoadRGBA32(src, 8, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{1, 2, 3, 4}));
}

TEST_F(PixelTransferTest, WeightedLoadStaysOnTheCanvasForALargerSlot) {
    NewCanvas(2, 2);
    ASSERT_EQ(TSY_CreateLayer(3, 4, 4), 1);
    std::vector<uint8_t> src(4 * 4 * 4, 255);
    TSY_LoadRGBA32Layer(src.data(), 16, 3, 0, 0, 4, 4, 1);
    EXPECT_EQ(Get(3, 1, 1), (V{65280, 65280, 65280, 65280}));
    EXPECT_EQ(Get(3, 2, 2), (V{0, 0, 0, 0}));  // outside the mask's canvas: not loaded
    TSY_LoadRGBA32Layer(src.data(), 16, 3, 0, 0, 4, 4, 0);
    EXPECT_EQ(Get(3, 3, 3), (V{65280, 65280, 65280, 65280}));
}

TEST_F(PixelTransferTest, LoadRGBA32IntoUsesTheMask) {
    Canvas(2, 1);
    FillLayer(2, 5, 5, 5, 5);
    g_engine.mask[0] = 0;
    const uint8_t src[8] = {1, 2, 3, 4, 1, 2, 3, 4};
    TSY_LoadRGBA32Into(src, 8, 2, 0, 0, 2, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{5, 5, 5, 5}));
    EXPECT_EQ(Get(2, 1, 0), (V{256, 512, 768, 1024}));
}

// ---- Whole layers out ---------------------------------------------------------------

TEST_F(PixelTransferTest, GetLayerFormats) {
    Canvas(2, 1);
    SetPx(2, 0, 0, 0x12FF, 0x3400, 0x56AA, 0x7801);
    SetPx(2, 1, 0, 0xFFFF, 0, 0x0100, 0xFF00);
    uint8_t out[2 * 10];
    std::memset(out, 0xEE, sizeof out);
    TSY_GetRGBA32Layer(out, 10, 2);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 10),
              (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78, 0xFF, 0, 1, 0xFF, 0xEE, 0xEE}));
    std::memset(out, 0xEE, sizeof out);
    TSY_GetRGB24(out, 6);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 7), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xFF, 0, 1, 0xEE}));
    TSY_GetRGB24Layer(out, 6, 2);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xFF, 0, 1}));
    TSY_GetRGB24FromAlpha(out, 6);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0x78, 0x78, 0x78, 0xFF, 0xFF, 0xFF}));
    TSY_GetRGBA32(out, 8);
    EXPECT_EQ(out[3], 0x78);
    uint16_t wide[8];
    TSY_GetRGBA64Layer(wide, 16, 2);
    EXPECT_EQ(V(wide, wide + 8), (V{0x12FF, 0x3400, 0x56AA, 0x7801, 0xFFFF, 0, 0x0100, 0xFF00}));
    // empty slot, null dest: nothing
    std::memset(out, 0xEE, sizeof out);
    TSY_GetRGBA32Layer(out, 8, 7);
    TSY_GetRGBA32Layer(nullptr, 8, 2);
    EXPECT_EQ(out[0], 0xEE);
}

TEST_F(PixelTransferTest, SetRGBA64LayerCopiesUnchanged) {
    Canvas(2, 2);
    uint16_t src[2 * 12] = {};
    for (int i = 0; i < 24; ++i) src[i] = static_cast<uint16_t>(1000 + i);
    TSY_SetRGBA64Layer(src, 24, 2);  // rows 24 bytes apart: the last pixel of each row is skipped
    EXPECT_EQ(Get(2, 1, 0), (V{1004, 1005, 1006, 1007}));
    EXPECT_EQ(Get(2, 0, 1), (V{1012, 1013, 1014, 1015}));
}

TEST_F(PixelTransferTest, GetRGBA64LayerRectClipsToTheLayer) {
    Canvas(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) SetPx(2, x, y, static_cast<uint16_t>(10 * y + x), 0, 0, 1);
    uint16_t dest[4 * 4 * 4];
    for (auto &v : dest) v = 0xEEEE;
    TSY_GetRGBA64LayerRect(dest, 32, 2, 1, 0, 2, 2);
    EXPECT_EQ(dest[0], 1);
    EXPECT_EQ(dest[4], 2);
    EXPECT_EQ(dest[16], 11);
    EXPECT_EQ(dest[8], 0xEEEE);
    // (-2, -2) 4 x 4: only the inside 2 x 2 is copied, to dest (2..3, 2..3)
    for (auto &v : dest) v = 0xEEEE;
    TSY_GetRGBA64LayerRect(dest, 32, 2, -2, -2, 4, 4);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const uint16_t v = dest[16 * j + 4 * i];
            if (i >= 2 && j >= 2)
                EXPECT_EQ(v, 10 * (j - 2) + (i - 2));
            else
                EXPECT_EQ(v, 0xEEEE);
        }
    // past the right and bottom edge, and entirely outside
    for (auto &v : dest) v = 0xEEEE;
    TSY_GetRGBA64LayerRect(dest, 32, 2, 2, 2, 4, 4);
    EXPECT_EQ(dest[0], 22);
    EXPECT_EQ(dest[4], 0xEEEE);
    TSY_GetRGBA64LayerRect(dest, 32, 2, 50, 50, 4, 4);
    TSY_GetRGBA64LayerRect(dest, 32, 2, 0x7FFFFFF0, 0, 0x7FFFFFF0, 4);
    EXPECT_EQ(dest[4], 0xEEEE);
}

// ---- Line codecs on layers ----------------------------------------------------------------

TEST_F(PixelTransferTest, LayerLineRoundTrip) {
    Canvas(300, 2);
    for (int x = 0; x < 300; ++x) SetPx(2, x, 1, x < 280 ? 0x1234 : 0xFFFF, 0x5600, 0, 0xFF00);
    std::vector<uint8_t> stream(5 * 300);
    // 280 pixels: runs 255 + 25; then 20 pixels
    ASSERT_EQ(TSY_GetRGBA32LayerLineRLE(stream.data(), 2, 1), 15);
    EXPECT_EQ(stream[0], 255);
    EXPECT_EQ(stream[5], 25);
    EXPECT_EQ(stream[10], 20);
    TSY_PutRGBA32LayerLineRLE(stream.data(), 2, 0);
    EXPECT_EQ(Get(2, 0, 0), (V{0x1200, 0x5600, 0, 0xFF00}));
    EXPECT_EQ(Get(2, 299, 0), (V{0xFF00, 0x5600, 0, 0xFF00}));
    EXPECT_EQ(Get(2, 0, 1), (V{0x1234, 0x5600, 0, 0xFF00}));       // row 1 untouched
    EXPECT_EQ(TSY_GetRGBA32LayerLineRLE(stream.data(), 2, 2), 0);  // past the buffer
    EXPECT_EQ(TSY_GetRGBA32LayerLineRLE(stream.data(), 2, -1), 0);
    EXPECT_EQ(TSY_GetRGBA32LayerLineRLE(stream.data(), 9, 0), 0);  // empty slot
    TSY_PutRGBA32LayerLineRLE(stream.data(), 2, 2);
    TSY_PutRGBA32LayerLineRLE(stream.data(), 9, 0);
}

TEST_F(PixelTransferTest, LayerLineOfASmallerSlotIsCut) {
    NewCanvas(4, 2);
    ASSERT_EQ(TSY_CreateLayer(3, 2, 3), 1);  // 6 pixels: row 1 holds only 2 of the 4
    std::vector<uint8_t> stream = {10, 1, 2, 3, 4};
    TSY_PutRGBA32LayerLineRLE(stream.data(), 3, 1);
    EXPECT_EQ(Get(3, 1, 2), (V{256, 512, 768, 1024}));  // buffer pixel 5
    std::vector<uint8_t> out(20);
    EXPECT_EQ(TSY_GetRGBA32LayerLineRLE(out.data(), 3, 1), 5);
    EXPECT_EQ(out[0], 2);
}

// ---- Compressed layer blocks ----------------------------------------------------------------

TEST_F(PixelTransferTest, CompressedRoundTrip) {
    Canvas(16, 8);
    ASSERT_EQ(TSY_CreateLayer(3, 16, 8), 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            SetPx(2, x, y, static_cast<uint16_t>(x * 4096 + 0x55), static_cast<uint16_t>(y << 8), 0x8000, 0xFFFF);
    SetPx(2, 3, 3, 0x1200, 0x3400, 0x5600, 0);  // transparent pixel
    std::vector<uint8_t> block(16 * 8 * 4 + 1024);
    const int n = TSY_GetRGBA32LayerCompressed(block.data(), 0, static_cast<int>(block.size()), 2, 6);
    ASSERT_GT(n, 0);
    ASSERT_LT(n, 16 * 8 * 4);
    TSY_LoadRGBA32LayerCompressed(block.data(), 0, n, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            if (x == 3 && y == 3) continue;
            ASSERT_EQ(Get(3, x, y),
                      (V{static_cast<uint16_t>(x * 4096), static_cast<uint16_t>(y << 8), 0x8000, 0xFF00}));
        }
    EXPECT_EQ(Get(3, 3, 3), (V{0, 0, 0, 0}));  // alpha 0 loads as transparent black
}

TEST_F(PixelTransferTest, CompressedFailuresLeaveTheLayer) {
    Canvas(8, 8);
    ASSERT_EQ(TSY_CreateLayer(3, 8, 8), 1);
    FillLayer(2, 0x1000, 0x2000, 0x3000, 0xFF00);
    FillLayer(3, 7, 7, 7, 7);
    std::vector<uint8_t> block(8 * 8 * 4 + 256);
    EXPECT_EQ(TSY_GetRGBA32LayerCompressed(block.data(), 0, 4, 2, 9), 0);     // too small
    EXPECT_EQ(TSY_GetRGBA32LayerCompressed(block.data(), 0, 1000, 9, 9), 0);  // empty slot
    EXPECT_EQ(TSY_GetRGBA32LayerCompressed(nullptr, 0, 1000, 2, 9), 0);
    const int n = TSY_GetRGBA32LayerCompressed(block.data(), 0, static_cast<int>(block.size()), 2, 1);
    ASSERT_GT(n, 0);
    // truncated stream
    TSY_LoadRGBA32LayerCompressed(block.data(), 0, n / 2, 3);
    EXPECT_EQ(Get(3, 0, 0), (V{7, 7, 7, 7}));
    // damaged stream
    std::vector<uint8_t> bad(block.begin(), block.begin() + n);
    bad[n / 2] ^= 0x5A;
    bad[2] ^= 0xFF;
    TSY_LoadRGBA32LayerCompressed(bad.data(), 0, n, 3);
    EXPECT_EQ(Get(3, 0, 0), (V{7, 7, 7, 7}));
    // a stream of a smaller image does not fill the block
    NewCanvas(4, 4);
    ASSERT_EQ(TSY_CreateLayer(2, 4, 4), 1);
    ASSERT_EQ(TSY_CreateLayer(3, 8, 8), 1);
    FillLayer(3, 7, 7, 7, 7);
    const int small = TSY_GetRGBA32LayerCompressed(block.data(), 0, static_cast<int>(block.size()), 2, 1);
    ASSERT_GT(small, 0);
    TSY_LoadRGBA32LayerCompressed(block.data(), 0, small, 3);
    EXPECT_EQ(Get(3, 0, 0), (V{7, 7, 7, 7}));
    TSY_LoadRGBA32LayerCompressed(block.data(), 0, small, 2);  // the right size loads
    EXPECT_EQ(Get(2, 0, 0), (V{0, 0, 0, 0}));
}

TEST_F(PixelTransferTest, CompressedBlockShortageReturnsZero) {
    Canvas(8, 8);
    std::vector<uint8_t> block(1024);
    SetAllocShortageHook([](size_t) { return true; });
    EXPECT_EQ(TSY_GetRGBA32LayerCompressed(block.data(), 0, 1024, 2, 6), 0);
    SetAllocShortageHook(nullptr);
}

// ---- Fills and per-pixel edits ------------------------------------------------------------------

TEST_F(PixelTransferTest, ClearAndSetColorAlpha) {
    Canvas(3, 1);
    g_engine.mask[0] = 0;  // ignored by TSY_Clear
    TSY_Clear(1, 2, 255, 128);
    EXPECT_EQ(Get(2, 0, 0), (V{256, 512, 65280, 32768}));
    SetPx(2, 0, 0, 9, 9, 9, 256);
    SetPx(2, 1, 0, 9, 9, 9, 255);
    SetPx(2, 2, 0, 9, 9, 9, 0);
    TSY_SetColorAlpha(255, 0, 1);
    EXPECT_EQ(Get(2, 0, 0), (V{9, 9, 9, 256}));
    EXPECT_EQ(Get(2, 1, 0), (V{65535, 0, 257, 0}));
    EXPECT_EQ(Get(2, 2, 0), (V{65535, 0, 257, 0}));
}

TEST_F(PixelTransferTest, InvertAlphaUsesTheSlotSize) {
    NewCanvas(2, 2);
    ASSERT_EQ(TSY_CreateLayer(4, 3, 1), 1);
    FillLayer(4, 1, 2, 3, 1000);
    TSY_InvertAlpha(4);
    EXPECT_EQ(Get(4, 2, 0), (V{1, 2, 3, 64535}));
    TSY_InvertAlpha(5);
    TSY_InvertAlpha(-1);
}

TEST_F(PixelTransferTest, CanvasSizedBufferFills) {
    NewCanvas(2, 2);
    uint16_t wide[2 * 12];
    for (auto &v : wide) v = 1;
    TSY_ClearRGBA64(wide, 24, 10, 20, 30, 65535);
    EXPECT_EQ(V(wide, wide + 12), (V{10, 20, 30, 65535, 10, 20, 30, 65535, 1, 1, 1, 1}));
    EXPECT_EQ(V(wide + 12, wide + 16), (V{10, 20, 30, 65535}));
    uint8_t buf[16];
    std::memset(buf, 0, sizeof buf);
    TSY_ClearRGBA32(buf, 8, 1, 2, 3, 4);
    EXPECT_EQ(buf[12], 1);
    EXPECT_EQ(buf[15], 4);
    TSY_InvertAlpha_RGBA32(buf);
    EXPECT_EQ(buf[3], 251);
    buf[4] = 9;
    TSY_SetAlphaFromRGBAImageColor(buf, 1, 2, 3);
    EXPECT_EQ(buf[3], 0);
    EXPECT_EQ(buf[7], 251);
    EXPECT_EQ(buf[15], 0);
    uint8_t rgb[2 * 7];
    std::memset(rgb, 0, sizeof rgb);
    TSY_SetPixelRGB24(rgb, 7, 1, 1, 0x12FF, 0x3400, 0xFF01);
    EXPECT_EQ(rgb[10], 0x12);
    EXPECT_EQ(rgb[11], 0x34);
    EXPECT_EQ(rgb[12], 0xFF);
    TSY_SetPixelRGB24(rgb, 7, 2, 0, 0xFFFF, 0xFFFF, 0xFFFF);  // outside: nothing
    TSY_SetPixelRGB24(rgb, 7, -1, 0, 0xFFFF, 0xFFFF, 0xFFFF);
    for (int i = 0; i < 14; ++i) {
        if (i < 10 || i > 12) {
            EXPECT_EQ(rgb[i], 0) << i;
        }
    }
}

// ---- Preparation of 8-bit copies ---------------------------------------------------------------------

TEST_F(PixelTransferTest, AdjustByMaskAndTexture) {
    NewCanvas(2, 2);
    std::vector<uint8_t> buf(16, 255);
    g_engine.maskActive = 0;
    TSY_AdjustRGBA32ByMaskAndTexture(buf.data(), 2, 2);  // nothing in use
    EXPECT_EQ(buf[3], 255);
    g_engine.maskActive = 1;
    g_engine.mask[0] = 32768;  // w = 32767: 255 * 32767 / 65535 = 127.49 -> 127
    g_engine.mask[3] = 0;
    TSY_AdjustRGBA32ByMaskAndTexture(buf.data(), 2, 2);
    EXPECT_EQ(buf[3], 127);
    EXPECT_EQ(buf[7], 255);
    EXPECT_EQ(buf[15], 0);
    EXPECT_EQ(buf[0], 255);  // colour untouched
    SetMaskAll(65535);
    SetTexture(64);  // rule B: 32767
    std::vector<uint8_t> b2(16, 200);
    TSY_AdjustRGBA32ByMaskAndTexture(b2.data(), 2, 2);
    // 200 * 32767 / 65535 = 99.99 -> 99
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b2[4 * i + 3], 99);
}

TEST_F(PixelTransferTest, AdjustRectClipsToTheCanvas) {
    NewCanvas(2, 2);
    SetMaskAll(0);
    // a 3 x 3 image whose corner is at (-1, -1): only its pixels (1..2, 1..2) lie on the canvas
    std::vector<uint8_t> img(3 * 3 * 4, 255);
    TSY_AdjustRGBA32RectByMaskAndTexture(img.data(), -1, -1, 3, 3);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_EQ(img[(3 * j + i) * 4 + 3], (i >= 1 && j >= 1) ? 0 : 255) << i << "," << j;
    // larger than the canvas at (1, 1): only image pixel (0, 0) is on it
    std::vector<uint8_t> big(4 * 4 * 4, 255);
    TSY_AdjustRGBA32RectByMaskAndTexture(big.data(), 1, 1, 4, 4);
    EXPECT_EQ(big[3], 0);
    EXPECT_EQ(big[7], 255);
    EXPECT_EQ(big[16 + 3], 255);
    // a too large image given to the whole-canvas form changes only canvas pixels
    std::vector<uint8_t> wide(5 * 1 * 4, 255);
    TSY_AdjustRGBA32ByMaskAndTexture(wide.data(), 5, 1);
    EXPECT_EQ(wide[7], 0);
    EXPECT_EQ(wide[11], 255);
}

TEST_F(PixelTransferTest, AlphaCompOverTheCanvas) {
    NewCanvas(2, 1);
    // a = 128: f = 1 / (128 / 255) = 1.9921875: 100 -> 199.2 -> 199, 200 -> 398 -> 255
    uint8_t buf[8] = {100, 200, 0, 128, 7, 7, 7, 0};
    TSY_AdjustRGBA32ForAlphaComp(0, buf);
    EXPECT_EQ(buf[0], 100);
    TSY_AdjustRGBA32ForAlphaComp(1, buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), (std::vector<uint8_t>{199, 255, 0, 128, 7, 7, 7, 0}));
    TSY_AdjustRGBA32ForAlphaComp(1, nullptr);
}

// ---- Pixel queries ------------------------------------------------------------------------------------

TEST_F(PixelTransferTest, ChannelQueries) {
    NewCanvas(2, 2);
    EXPECT_EQ(TSY_GetRed64(0, 0), 0);  // no current layer
    ASSERT_EQ(TSY_CreateLayer(2, 2, 2), 1);
    TSY_SetLayer(2);
    SetPx(2, 1, 1, 11, 22, 33, 44);
    EXPECT_EQ(TSY_GetRed64(1, 1), 11);
    EXPECT_EQ(TSY_GetGreen64(1, 1), 22);
    EXPECT_EQ(TSY_GetBlue64(1, 1), 33);
    EXPECT_EQ(TSY_GetAlpha64(1, 1), 44);
    EXPECT_EQ(TSY_GetAlpha64(2, 1), 0);
    EXPECT_EQ(TSY_GetAlpha64(1, -1), 0);
    TSY_DeleteLayer(2);
    EXPECT_EQ(TSY_GetAlpha64(1, 1), 0);
}

TEST_F(PixelTransferTest, RGBAAtClampsAndColorAtDoesNot) {
    NewCanvas(2, 2);
    std::vector<uint16_t> buf(16, 0);
    uint16_t *p = &buf[4 * 3];  // pixel (1, 1)
    p[0] = 0x12FF;
    p[1] = 0x34FF;
    p[2] = 0x5600;
    p[3] = 0x7800;
    EXPECT_EQ(TSY_GetRGBAAt(1, 1, buf.data()), 0x12345678u);
    EXPECT_EQ(TSY_GetRGBAAt(50, 9, buf.data()), 0x12345678u);  // clamped to (1, 1)
    EXPECT_EQ(TSY_GetRGBAAt(-5, 1, buf.data()), 0u);           // clamped to (0, 1)
    EXPECT_EQ(TSY_GetColorAt(1, 1, buf.data()), 0x78123456u);
    EXPECT_EQ(TSY_GetColorAt(2, 1, buf.data()), 0xFFFFFFu);
    EXPECT_EQ(TSY_GetColorAt(-1, 0, buf.data()), 0xFFFFFFu);
    EXPECT_EQ(TSY_GetRGBAAt(0, 0, nullptr), 0u);
    EXPECT_EQ(TSY_GetColorAt(0, 0, nullptr), 0u);
    p[0] = 0xFF00;
    p[3] = 0xFF00;
    EXPECT_EQ(TSY_GetRGBAAt(1, 1, buf.data()), 0xFF3456FFu);  // no sign trouble in the top byte
}

TEST_F(PixelTransferTest, SourceVariants) {
    NewCanvas(2, 1);
    EXPECT_EQ(TSY_GetRGBAAtSurface(0, 0), 0u);  // no current layer
    EXPECT_EQ(TSY_GetColorAtTrace(0, 0), 0u);   // no trace image
    EXPECT_EQ(TSY_GetColorAtLayer(0, 0, 5), 0u);
    ASSERT_EQ(TSY_CreateLayer(0, 2, 1), 1);
    ASSERT_EQ(TSY_CreateLayer(2, 2, 1), 1);
    ASSERT_EQ(TSY_CreateLayer(5, 2, 1), 1);
    SetPx(0, 1, 0, 0x0100, 0x0200, 0x0300, 0x0400);
    SetPx(2, 1, 0, 0x1100, 0x1200, 0x1300, 0x1400);
    SetPx(5, 1, 0, 0x2100, 0x2200, 0x2300, 0x2400);
    TSY_SetLayer(2);  // the undo work canvas now holds layer 2
    SetPx(2, 1, 0, 0x3100, 0x3200, 0x3300, 0x3400);
    EXPECT_EQ(TSY_GetRGBAAtSurface(1, 0), 0x31323334u);
    EXPECT_EQ(TSY_GetColorAtSurface(1, 0), 0x34313233u);
    EXPECT_EQ(TSY_GetRGBAAtUnderLayer(1, 0), 0x11121314u);
    EXPECT_EQ(TSY_GetColorAtUnderLayer(5, 0), 0xFFFFFFu);
    EXPECT_EQ(TSY_GetRGBAAtLayer(9, 0, 5), 0x21222324u);
    EXPECT_EQ(TSY_GetColorAtLayer(1, 0, 5), 0x24212223u);
    EXPECT_EQ(TSY_GetRGBAAtTrace(1, 0), 0x01020304u);
    EXPECT_EQ(TSY_GetColorAtTrace(1, 0), 0x04010203u);
    // the history answers only while it can undo; a fresh history cannot
    EXPECT_EQ(TSY_GetColorAtHistory(1, 0), 0u);
}

TEST_F(PixelTransferTest, HistoryAnswersWhileTheHistoryCanUndo) {
    Canvas(2, 1);
    TSY_SetUndoMB(16);
    TSY_SetUndoLevels(5);
    TSY_SetLayer(2);
    SetPx(2, 0, 0, 0x0A00, 0x0B00, 0x0C00, 0x0D00);
    ExtendDirtyRect(0, 0, 0, 0);
    TSY_SaveUndoBuffer(1, 0);
    ASSERT_EQ(TSY_CanUndo(), 1);
    // the undo work canvas follows the layer once the step is saved
    EXPECT_EQ(TSY_GetColorAtHistory(0, 0), TSY_GetColorAtUnderLayer(0, 0));
    EXPECT_EQ(TSY_GetColorAtHistory(0, 0), 0x0D0A0B0Cu);
    EXPECT_EQ(TSY_GetColorAtHistory(2, 0), 0xFFFFFFu);
}

TEST_F(PixelTransferTest, QueriesOfASmallerSlotStayInsideIt) {
    NewCanvas(4, 4);
    ASSERT_EQ(TSY_CreateLayer(6, 2, 2), 1);
    SetPx(6, 1, 1, 0x0100, 0x0200, 0x0300, 0x0400);
    EXPECT_EQ(TSY_GetRGBAAtLayer(3, 3, 6), 0x01020304u);  // clamped to the buffer
    EXPECT_EQ(TSY_GetColorAtLayer(3, 3, 6), 0xFFFFFFu);
}

// ---- Scratch image ----------------------------------------------------------------------------------

TEST_F(PixelTransferTest, ScratchImageLifecycle) {
    Canvas(3, 2);
    EXPECT_EQ(TSY_IsNewRGBA32Transparent(), 0);  // no image
    ASSERT_EQ(CreateNewRGBA(2, 1), 1);
    EXPECT_EQ(TSY_GetNewRGBAWidth(), 2);
    EXPECT_EQ(TSY_GetNewRGBAHeight(), 1);
    const uint8_t px[8] = {10, 20, 30, 255, 40, 50, 60, 255};
    std::memcpy(g_engine.scratchImage, px, 8);
    EXPECT_EQ(TSY_IsNewRGBA32Transparent(), 0);
    g_engine.scratchImage[7] = 254;
    EXPECT_EQ(TSY_IsNewRGBA32Transparent(), 1);

    uint8_t out32[8];
    TSY_GetNewRGBA32(out32);
    EXPECT_EQ(out32[4], 40);
    EXPECT_EQ(out32[7], 254);
    uint8_t out24[6];
    TSY_GetNewRGBA24(out24);
    EXPECT_EQ(std::vector<uint8_t>(out24, out24 + 6), (std::vector<uint8_t>{10, 20, 30, 40, 50, 60}));

    FillLayer(2, 1, 1, 1, 1);
    g_engine.mask[1] = 0;  // the placement honours the mask
    TSY_SetInNewRGBA();
    EXPECT_EQ(Get(2, 0, 0), (V{2560, 5120, 7680, 65280}));
    EXPECT_EQ(Get(2, 1, 0), (V{1, 1, 1, 1}));
    EXPECT_EQ(Get(2, 2, 0), (V{1, 1, 1, 1}));

    TSY_DeleteNewRGBA();
    EXPECT_EQ(g_engine.scratchImage, nullptr);
    EXPECT_EQ(TSY_GetNewRGBAWidth(), 2);  // the size stays
    std::memset(out32, 0xEE, 8);
    TSY_GetNewRGBA32(out32);
    EXPECT_EQ(out32[0], 0xEE);
    TSY_SetInNewRGBA();
    TSY_DeleteNewRGBA();
}

TEST_F(PixelTransferTest, ScratchImageShortageRecordsTheFailure) {
    NewCanvas(2, 2);
    TSY_SetLastError("");
    SetAllocShortageHook([](size_t) { return true; });
    EXPECT_EQ(CreateNewRGBA(4, 4), 0);
    SetAllocShortageHook(nullptr);
    EXPECT_STREQ(TSY_GetLastError(), "CreateNewRGBA Excpt");
    EXPECT_EQ(g_engine.scratchImage, nullptr);
    EXPECT_EQ(TSY_IsNewRGBA32Transparent(), 0);
    EXPECT_EQ(CreateNewRGBA(-3, 4), 1);  // an impossible size gives an empty image
    EXPECT_EQ(TSY_GetNewRGBAWidth(), 0);
    TSY_DeleteNewRGBA();
}

}  // namespace

namespace {

// The older loader clears the layer where the mask allows and lays the image
// over it; a protected pixel keeps its old value, and the host's image is not
// changed by the mask weighting.
TEST_F(EngineTest, OldLoaderClearsThenMergesThroughTheMask) {
    NewCanvas(3, 1);
    TSY_CreateLayer(2, 3, 1);
    TSY_SetLayer(2);
    uint16_t *px = g_engine.layers[2].pixels;
    for (int i = 0; i < 12; ++i) px[i] = 1000;
    g_engine.mask[1] = 0;  // pixel 1 protected
    uint8_t src[12] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 0};  // red, red, clear blue
    const std::vector<uint8_t> before(src, src + 12);
    TSY_LoadRGBA32Layer_BAD(src, 0, 2, 3, 1, 1);
    // Pixel 0: cleared, then opaque red replaces it (alpha 255 * 256).
    EXPECT_EQ(px[0], 65280);
    EXPECT_EQ(px[1], 0);
    EXPECT_EQ(px[3], 65280);
    // Pixel 1: not cleared, and its source alpha is scaled to 0 by the mask.
    for (int c = 0; c < 4; ++c) EXPECT_EQ(px[4 + c], 1000);
    // Pixel 2: cleared; a transparent source leaves it clear.
    for (int c = 0; c < 4; ++c) EXPECT_EQ(px[8 + c], 0);
    EXPECT_EQ(std::vector<uint8_t>(src, src + 12), before);
    TSY_LoadRGBA32Layer_BAD(nullptr, 0, 2, 3, 1, 1);  // nothing
    TSY_LoadRGBA32Layer_BAD(src, 0, 9, 3, 1, 1);       // empty slot: nothing
}

}  // namespace
