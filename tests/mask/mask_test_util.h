// Small helpers shared by the mask tests: a canvas with a current layer, and
// direct access to mask values and layer pixels.
#pragma once
#include <cstdint>
#include <vector>

#include "core/engine_state.h"
#include "engine_fixture.h"

class MaskTest : public EngineTest {
protected:
    static constexpr int kLayer = 2;

    // A w x h canvas whose slot 2 is the current layer (transparent black).
    static void CanvasWithLayer(int w, int h) {
        NewCanvas(w, h);
        TSY_CreateLayer(kLayer, w, h);
        TSY_SetLayer(kLayer);
    }

    static uint16_t &M(int x, int y) { return g_engine.mask[y * g_engine.canvasWidth + x]; }

    static uint16_t *Px(int x, int y) {
        LayerSlot &s = g_engine.layers[kLayer];
        return s.pixels + y * s.stride + x * 4;
    }

    static void SetPx(int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        uint16_t *p = Px(x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }

    static void FillMask(uint16_t v) {
        for (int i = 0; i < g_engine.canvasWidth * g_engine.canvasHeight; ++i) g_engine.mask[i] = v;
    }

    // A packed RGBA32 image of the canvas size, every pixel (r, g, b, a).
    static std::vector<uint8_t> Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        std::vector<uint8_t> img;
        for (int i = 0; i < g_engine.canvasWidth * g_engine.canvasHeight; ++i) img.insert(img.end(), {r, g, b, a});
        return img;
    }

    static void SetRgba(std::vector<uint8_t> &img, int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        uint8_t *p = &img[(y * g_engine.canvasWidth + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }
};
