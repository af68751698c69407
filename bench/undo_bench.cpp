// Undo costs on a 4000 x 3000 layer: saving a step after a dab-sized change
// of 300 pixels (a 20 x 15 block written directly, as a dab would), and the
// undo/redo swap of that step.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "core/engine_state.h"
#include "tessary.h"
#include "undo/dirty_rect.h"

namespace {

constexpr int kW = 4000;
constexpr int kH = 3000;
constexpr int kDabW = 20;
constexpr int kDabH = 15;  // 20 x 15 = 300 pixels

void SetUpCanvas(int budgetMiB = 512) {
    TSY_CreateImage(nullptr, kW, kH, 300, 0);
    TSY_CreateLayer(1, kW, kH);
    TSY_CreateLayer(2, kW, kH);
    TSY_SetUndoMB(budgetMiB);
    TSY_SetUndoLevels(500);
    TSY_SetLayer(2);
}

// Writes a 300-pixel block at (x, y) and extends the dirty rectangle.
void Dab(int x, int y, uint16_t value) {
    LayerSlot &s = g_engine.layers[2];
    for (int row = 0; row < kDabH; ++row) {
        uint16_t *p = s.pixels + static_cast<size_t>(y + row) * s.stride + static_cast<size_t>(x) * 4;
        for (int i = 0; i < kDabW * 4; ++i) p[i] = value;
    }
    ExtendDirtyRect(x, y, x + kDabW - 1, y + kDabH - 1);
}

// Argument: the budget in MiB; 0 is the automatic budget, which reads the
// machine's memory status on every save.
void BM_SaveStepAfterDab(benchmark::State &state) {
    SetUpCanvas(static_cast<int>(state.range(0)));
    uint16_t v = 0;
    int i = 0;
    for (auto _ : state) {
        const int x = (i * 97) % (kW - kDabW);
        const int y = (i * 61) % (kH - kDabH);
        ++i;
        Dab(x, y, ++v);
        TSY_SaveUndoBuffer(1, 0);
    }
    benchmark::DoNotOptimize(TSY_GetUndoCount());
    TSY_DeleteImage();
}
BENCHMARK(BM_SaveStepAfterDab)->Arg(512)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_UndoRedoDabStep(benchmark::State &state) {
    SetUpCanvas();
    Dab(1000, 1000, 12345);
    TSY_SaveUndoBuffer(1, 0);
    for (auto _ : state) {
        TSY_Undo();
        TSY_Redo();
    }
    benchmark::DoNotOptimize(g_engine.layers[2].pixels[0]);
    TSY_DeleteImage();
}
BENCHMARK(BM_UndoRedoDabStep)->Unit(benchmark::kMicrosecond);

}  // namespace
