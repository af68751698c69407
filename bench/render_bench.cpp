// View renderer: a 1920 x 1080 view of a 4000 x 3000 canvas with 1, 4 and 16
// visible layers (opaque background, then Normal and Multiply layers in turn,
// the stroke in progress on the top layer), at 1:1, magnified x 4 and reduced
// / 2.5 (a 1600 x 1080 view of the whole canvas width), without and with the
// mask overlay, on one thread and on two. pixman's 8-bit OVER over the same
// number of 1920 x 1080 pixel-layers runs in the same program as the peer.
// The Time column is the time per frame.
//
// Layer content: each layer is opaque on about a third of the canvas, soft
// (alpha ramps) on another third and transparent on the rest, in bands that
// differ from layer to layer, which is what painted layers look like to the
// per-pixel skip tests.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "composite/render.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "tessary.h"

namespace {

constexpr int kCanvasW = 4000;
constexpr int kCanvasH = 3000;
constexpr int kViewW = 1920;
constexpr int kViewH = 1080;
constexpr int kMaxLayers = 16;
constexpr double kMinTime = 0.5;

// Coverage of layer k at (x, y): 0 transparent, 65535 opaque, or a ramp.
uint16_t Coverage(int k, int x, int y) {
    const int u = (x + 3 * y / 2 + 977 * k) % 1200;
    if (u < 400) return 65535;
    if (u < 800) return static_cast<uint16_t>((u - 400) * 163);
    return 0;
}

struct Scene {
    bool built = false;
    std::vector<uint8_t> output;
    std::vector<uint32_t> pixmanLayers[kMaxLayers];
    std::vector<uint32_t> pixmanDest;

    void Build() {
        if (built) return;
        built = true;
        TSY_CreateImage(nullptr, kCanvasW, kCanvasH, 64, 0);
        for (int slot = 1; slot <= kMaxLayers; ++slot) {
            TSY_CreateLayer(slot, kCanvasW, kCanvasH);
            TSY_SetLayerOptions(slot, 1, 0, slot == 6 ? 70 : 100,
                                slot == 1 ? "Normal" : (slot % 2 ? "Multiply" : "Normal"));
            LayerSlot &L = g_engine.layers[slot];
            for (int y = 0; y < kCanvasH; ++y) {
                uint16_t *p = L.pixels + static_cast<size_t>(y) * L.stride;
                for (int x = 0; x < kCanvasW; ++x, p += 4) {
                    p[0] = static_cast<uint16_t>(((x * 7 + slot * 1000) & 255) << 8);
                    p[1] = static_cast<uint16_t>(((y * 5 + slot * 3000) & 255) << 8);
                    p[2] = static_cast<uint16_t>(((x + y + slot * 500) & 255) << 8);
                    p[3] = slot == 1 ? 65535 : Coverage(slot, x, y);
                }
            }
        }
        // Selection: protected on the left, a ramp in the middle, open on the right.
        for (int y = 0; y < kCanvasH; ++y)
            for (int x = 0; x < kCanvasW; ++x) {
                const int v = (x - 1500) * 65535 / 1500;
                g_engine.mask[static_cast<size_t>(y) * kCanvasW + x] =
                    static_cast<uint16_t>(v < 0 ? 0 : (v > 65535 ? 65535 : v));
            }
        TSY_SetMaskOptions(255, 0, 0, 0, 0, 255, 0);
        // The stroke in progress: a soft diagonal band.
        LayerSlot &P = g_engine.paintLayer;
        P.pixels = x_NewShortUndoReduce(static_cast<size_t>(kCanvasW) * kCanvasH * 4);
        P.width = kCanvasW;
        P.height = kCanvasH;
        P.stride = 4 * kCanvasW;
        P.blendMode = 0;
        P.opacity = 256;
        P.preOpacity = 255;
        for (int y = 0; y < kCanvasH; ++y) {
            uint16_t *p = P.pixels + static_cast<size_t>(y) * P.stride;
            for (int x = 0; x < kCanvasW; ++x, p += 4) {
                const int d = x - y - 500;
                const int dist = d < 0 ? -d : d;
                p[0] = 52000;
                p[1] = 9000;
                p[2] = 30000;
                p[3] = dist < 60 ? 65535 : (dist < 124 ? static_cast<uint16_t>((124 - dist) * 1024) : 0);
            }
        }
        output.assign(static_cast<size_t>(kViewW) * kViewH * 3, 0);

        // pixman peer: premultiplied 8-bit copies of the view part of each layer.
        for (int k = 0; k < kMaxLayers; ++k) {
            const LayerSlot &L = g_engine.layers[k + 1];
            std::vector<uint32_t> &img = pixmanLayers[k];
            img.resize(static_cast<size_t>(kViewW) * kViewH);
            for (int y = 0; y < kViewH; ++y)
                for (int x = 0; x < kViewW; ++x) {
                    const uint16_t *p = L.pixels + static_cast<size_t>(y + 1000) * L.stride + 4u * (x + 1000);
                    const uint32_t a = p[3] >> 8;
                    const uint32_t r = (p[0] >> 8) * a / 255, g = (p[1] >> 8) * a / 255, b = (p[2] >> 8) * a / 255;
                    img[static_cast<size_t>(y) * kViewW + x] = (a << 24) | (r << 16) | (g << 8) | b;
                }
        }
        pixmanDest.assign(static_cast<size_t>(kViewW) * kViewH, 0xFFFFFFFFu);
    }

    // Shows slots 1..layers, the stroke on the top one, the overlay as asked.
    void Configure(int layers, bool overlay) {
        for (int slot = 1; slot <= kMaxLayers; ++slot) g_engine.layers[slot].visible = slot <= layers;
        TSY_SetLayer(layers);
        TSY_EnableMask(1);
        TSY_DisplayMask(overlay ? 1 : 0);
        TSY_SetViewSize(kViewW, kViewH);
    }
};

Scene g_scene;

enum Zoom { kActual = 0, kMagnify4 = 1, kReduce25 = 2 };

void BM_Render(benchmark::State &state) {
    const int layers = static_cast<int>(state.range(0));
    const int zoom = static_cast<int>(state.range(1));
    const bool overlay = state.range(2) != 0;
    const int threads = static_cast<int>(state.range(3));
    g_scene.Build();
    g_scene.Configure(layers, overlay);
    int x = 1000, y = 1000, w = kViewW, h = kViewH, cols = kViewW;
    if (zoom == kActual) {
        TSY_SetScale(1, 1.0f);
    } else if (zoom == kMagnify4) {
        TSY_SetScale(4, 1.0f);
        w = kViewW / 4;
        h = kViewH / 4;
    } else {
        TSY_SetScale(1, 2.5f);
        x = 0;
        y = 0;
        w = kCanvasW;  // 1600 output columns
        h = 2700;      // 1080 output rows
        cols = 1600;
    }
    for (auto _ : state) {
        RenderViewThreads(g_scene.output.data(), kViewW * 3, x, y, w, h, threads);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(cols) * kViewH * layers);
}

void RenderArgs(benchmark::internal::Benchmark *b) {
    for (int layers : {1, 4, 16})
        for (int zoom : {kActual, kMagnify4, kReduce25})
            for (int overlay : {0, 1})
                for (int threads : {1, 2}) b->Args({layers, zoom, overlay, threads});
}
BENCHMARK(BM_Render)
    ->Apply(RenderArgs)
    ->ArgNames({"layers", "zoom", "overlay", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(kMinTime)
    ->UseRealTime();

// The position-by-position reference path on the same frames, for the gain
// of the batched path.
void BM_RenderReference(benchmark::State &state) {
    const int layers = static_cast<int>(state.range(0));
    g_scene.Build();
    g_scene.Configure(layers, false);
    TSY_SetScale(1, 1.0f);
    SetRenderPathsForTests(false, false);
    for (auto _ : state) {
        RenderViewThreads(g_scene.output.data(), kViewW * 3, 1000, 1000, kViewW, kViewH, 1);
        benchmark::ClobberMemory();
    }
    SetRenderPathsForTests(true, true);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kViewW) * kViewH * layers);
}
BENCHMARK(BM_RenderReference)
    ->ArgName("layers")
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(kMinTime)
    ->UseRealTime();

// pixman: `layers` OVER operations of a 1920 x 1080 a8r8g8b8 image onto an
// x8r8g8b8 destination, the same number of pixel-layers as the renderer's
// 1:1 frame.
void BM_PixmanOver(benchmark::State &state) {
    const int layers = static_cast<int>(state.range(0));
    g_scene.Build();
    pixman_image_t *dst =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, kViewW, kViewH, g_scene.pixmanDest.data(), kViewW * 4);
    pixman_image_t *src[kMaxLayers];
    for (int k = 0; k < layers; ++k)
        src[k] = pixman_image_create_bits(PIXMAN_a8r8g8b8, kViewW, kViewH, g_scene.pixmanLayers[k].data(), kViewW * 4);
    for (auto _ : state) {
        for (int k = 0; k < layers; ++k)
            pixman_image_composite32(PIXMAN_OP_OVER, src[k], nullptr, dst, 0, 0, 0, 0, 0, 0, kViewW, kViewH);
        benchmark::ClobberMemory();
    }
    for (int k = 0; k < layers; ++k) pixman_image_unref(src[k]);
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kViewW) * kViewH * layers);
}
BENCHMARK(BM_PixmanOver)
    ->ArgName("layers")
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(kMinTime)
    ->UseRealTime();

}  // namespace
