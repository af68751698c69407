// A canvas with a transparent current layer and a plain 10-pixel square brush,
// set field by field so the tests do not depend on the tool setters.
#pragma once
#include <algorithm>
#include <cstring>

#include "core/engine_state.h"
#include "engine_fixture.h"

class BrushTest : public EngineTest {
protected:
    static constexpr int kW = 64;
    static constexpr int kH = 64;
    static constexpr int kS = 64;

    void SetUp() override {
        EngineTest::SetUp();
        NewCanvas(kW, kH, kS);
        TSY_CreateLayer(1, kW, kH);
        TSY_CreateLayer(2, kW, kH);
        TSY_SetLayer(2);
        SetBrush(10);
        ToolState &t = g_engine.tool;
        t.alphaPercent = 100;
        t.alphaFactor = 128;
        t.density = 255;
        t.mixCode = 32;
        t.mixAmount = 256;
        t.mixAmountComplement = 0;
    }

    // Brush and dab size n, identity scale map, full square shape.
    static void SetBrush(int n, uint16_t value = 65535) {
        ToolState &t = g_engine.tool;
        t.brushSize = n;
        t.scaleSize = n;
        for (int i = 0; i < n; ++i) t.scaleMap[i] = i;
        FillShape(value);
    }

    static void FillShape(uint16_t value) {
        const int n = g_engine.tool.brushSize;
        std::fill_n(g_engine.brushShape, kS * kS, 0);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) g_engine.brushShape[j * kS + i] = value;
    }

    static uint16_t *Px(int slot, int x, int y) { return g_engine.layers[slot].pixels + (y * kW + x) * 4; }

    static void SetPx(int slot, int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        uint16_t *p = Px(slot, x, y);
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }

    static void FillLayer(int slot, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) SetPx(slot, x, y, r, g, b, a);
    }

    // Blend-buffer pixel (i, j) of the selected buffer.
    static uint16_t *Bp(int i, int j) { return g_engine.currentBlendBuffer->pixels + j * 4 * kS + 4 * i; }
};

#define EXPECT_PX(p, r, g, b, a)  \
    do {                          \
        const uint16_t *q_ = (p); \
        EXPECT_EQ(q_[0], (r));    \
        EXPECT_EQ(q_[1], (g));    \
        EXPECT_EQ(q_[2], (b));    \
        EXPECT_EQ(q_[3], (a));    \
    } while (0)
