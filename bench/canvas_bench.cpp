// Canvas and layer lifecycle costs.
#include <benchmark/benchmark.h>

#include "tessary.h"

static void BM_CreateDeleteCanvas(benchmark::State &state) {
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TSY_CreateImage(nullptr, size, size, 300, 0);
        TSY_CreateLayer(1, size, size);
        TSY_CreateLayer(2, size, size);
        TSY_DeleteImage();
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_CreateDeleteCanvas)->Arg(1024)->Arg(4000)->Unit(benchmark::kMillisecond);
