// Dab throughput: the engine's dab for each kind of brush at diameters 10 to
// 600, on one and on two threads, beside libmypaint's hard round dab on its
// fixed tiled surface. Counters: "px" is the number of covered pixels per dab,
// "per_px" the time per covered pixel.
#include <benchmark/benchmark.h>
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "brush/dab.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "tessary.h"

namespace {

constexpr int kCanvas = 1024;
constexpr int kMaxBrush = 600;

enum Kind { kPlain, kSmudge, kMix40, kGrain, kTextureMask };

// A hard round shape of diameter n; returns the number of covered pixels.
int RoundShape(int n) {
    std::fill_n(g_engine.brushShape, kMaxBrush * kMaxBrush, 0);
    const float R = n * 0.5f;
    int covered = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float dx = i + 0.5f - R, dy = j + 0.5f - R;
            if (std::sqrt(dx * dx + dy * dy) <= R) {
                g_engine.brushShape[j * kMaxBrush + i] = 65535;
                ++covered;
            }
        }
    return covered;
}

int SetUpScene(Kind kind, int n) {
    TSY_CreateImage(nullptr, kCanvas, kCanvas, kMaxBrush, 0);
    TSY_CreateLayer(2, kCanvas, kCanvas);
    TSY_SetLayer(2);
    uint16_t *px = g_engine.layers[2].pixels;
    for (size_t i = 0; i < static_cast<size_t>(kCanvas) * kCanvas; ++i) {
        px[4 * i] = static_cast<uint16_t>(i * 7);
        px[4 * i + 1] = static_cast<uint16_t>(i * 13);
        px[4 * i + 2] = 20000;
        px[4 * i + 3] = 65535;
    }
    ToolState &t = g_engine.tool;
    t.brushSize = t.scaleSize = n;
    for (int i = 0; i < n; ++i) t.scaleMap[i] = i;
    t.alphaPercent = 100;
    t.density = 255;
    t.mixCode = 32;
    t.mixAmount = 256;
    t.mixAmountComplement = 0;
    t.blendStrength = 0;
    t.gritCell = 0;
    g_engine.maskActive = 0;
    switch (kind) {
    case kPlain: break;
    case kSmudge:
        t.blendStrength = 128;
        t.blendStrengthComplement = 128;
        t.blendRemix = 1;
        TSY_CopyBlendBufferSurface(kCanvas / 2, kCanvas / 2, 128, 0);
        break;
    case kMix40: t.mixCode = 40; break;
    case kGrain:
        t.gritCell = 4;
        t.gritCountdown = 1000000;
        t.density = 128;
        t.currentGrit = t.gritTables[0];
        for (size_t i = 0; i < static_cast<size_t>(kMaxBrush + 25) * (kMaxBrush + 25); ++i)
            t.gritTables[0][i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
        break;
    case kTextureMask:
        g_engine.maskActive = 1;
        for (size_t i = 0; i < static_cast<size_t>(kCanvas) * kCanvas; ++i)
            g_engine.mask[i] = static_cast<uint16_t>(i % 7 == 0 ? 30000 : 65535);
        g_engine.textureMap = x_NewCharUndoReduce(static_cast<size_t>(kCanvas) * kCanvas);
        for (size_t i = 0; i < static_cast<size_t>(kCanvas) * kCanvas; ++i)
            g_engine.textureMap[i] = static_cast<uint8_t>(4 + (i * 31) % 246);
        break;
    }
    return RoundShape(n);
}

void BM_Dab(benchmark::State &state, Kind kind) {
    const int n = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const int covered = SetUpScene(kind, n);
    omp_set_num_threads(threads);
    for (auto _ : state) TSY_DrawDabGrit(kCanvas / 2, kCanvas / 2, 0xFF00, 0x8000, 0x2000);
    state.counters["px"] = covered;
    state.counters["per_px"] = benchmark::Counter(static_cast<double>(covered),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
    TSY_DeleteImage();
    omp_set_num_threads(2);
}

void BM_MyPaintDab(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    omp_set_num_threads(threads);
    MyPaintFixedTiledSurface *fixed = mypaint_fixed_tiled_surface_new(kCanvas, kCanvas);
    MyPaintSurface *surface = mypaint_fixed_tiled_surface_interface(fixed);
    const float c = kCanvas / 2.0f;
    for (auto _ : state) {
        mypaint_surface_begin_atomic(surface);
        mypaint_surface_draw_dab(surface, c, c, n * 0.5f, 1.0f, 0.5f, 0.125f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f,
                                 0.0f);
        MyPaintRectangle roi;
        mypaint_surface_end_atomic(surface, &roi);
    }
    // Same disc as the engine's round shape of this diameter.
    int covered = 0;
    const float R = n * 0.5f;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float dx = i + 0.5f - R, dy = j + 0.5f - R;
            covered += std::sqrt(dx * dx + dy * dy) <= R;
        }
    state.counters["px"] = covered;
    state.counters["per_px"] = benchmark::Counter(static_cast<double>(covered),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
    mypaint_surface_unref(surface);
    omp_set_num_threads(2);
}

void Sizes(benchmark::internal::Benchmark *b) {
    for (int threads : {1, 2})
        for (int n : {10, 50, 100, 300, 600}) b->Args({n, threads});
    b->ArgNames({"d", "threads"});
    b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Dab, Plain32, kPlain)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Dab, SmudgeRemix, kSmudge)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Dab, Mix40, kMix40)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Dab, Grain, kGrain)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Dab, TextureMask, kTextureMask)->Apply(Sizes);
BENCHMARK(BM_MyPaintDab)->Apply(Sizes);
