// Merging a 2048 x 2048 layer: the Normal fast path (opaque, half-transparent
// and mixed sources), the reference path, other formula families, pixman's
// OVER on 8-bit images of the same size and the bandwidth floor (a streaming
// pass reading two RGBA64 buffers and writing one). items_per_second is
// pixels per second; ns per pixel = 1e9 / items_per_second.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "composite/merge.h"
#include "composite/merge_normal_kernel.h"

namespace {

constexpr int kSide = 2048;
constexpr size_t kPixels = static_cast<size_t>(kSide) * kSide;

enum class AlphaKind { Opaque, Half, Mixed };

std::vector<uint16_t> Layer(uint32_t seed, AlphaKind kind) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> v(kPixels * 4);
    for (size_t i = 0; i < kPixels; ++i) {
        v[4 * i] = static_cast<uint16_t>(rng());
        v[4 * i + 1] = static_cast<uint16_t>(rng());
        v[4 * i + 2] = static_cast<uint16_t>(rng());
        uint16_t a = 65535;
        if (kind == AlphaKind::Half) a = 32768;
        if (kind == AlphaKind::Mixed) {
            const uint32_t r = rng() % 3;
            a = r == 0 ? 0 : (r == 1 ? 65535 : static_cast<uint16_t>(1 + rng() % 65279));
        }
        v[4 * i + 3] = a;
    }
    return v;
}

// A checksum of the result so a faster build that merges differently shows.
uint64_t Hash(const std::vector<uint16_t> &v) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < v.size(); i += 97) h = (h ^ v[i]) * 1099511628211ull;
    return h;
}

void RunMerge(benchmark::State &state, int mode, AlphaKind kind, bool fast) {
    const std::vector<uint16_t> src = Layer(1, kind);
    std::vector<uint16_t> dst = Layer(2, AlphaKind::Opaque);
    SetMergeFastPaths(fast);
    // The hash of one merge into the fresh destination, comparable across
    // the paths; the timed loop then merges again and again.
    MergeRegion(src.data(), 0, 0, kSide, kSide, 4 * kSide, nullptr, dst.data(), 0, 0, 4 * kSide, mode, 0, 256, 255,
                false, false);
    const uint64_t hash = Hash(dst);
    for (auto _ : state) {
        MergeRegion(src.data(), 0, 0, kSide, kSide, 4 * kSide, nullptr, dst.data(), 0, 0, 4 * kSide, mode, 0, 256, 255,
                    false, false);
        benchmark::ClobberMemory();
    }
    SetMergeFastPaths(true);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPixels));
    state.counters["hash"] = static_cast<double>(hash % 1000000);
}

void BM_MergeNormalOpaque(benchmark::State &s) { RunMerge(s, 0, AlphaKind::Opaque, true); }
void BM_MergeNormalHalf(benchmark::State &s) { RunMerge(s, 0, AlphaKind::Half, true); }
void BM_MergeNormalHalfScalarBatch(benchmark::State &s) {
    SetNormalBatchSimd(false);
    RunMerge(s, 0, AlphaKind::Half, true);
    SetNormalBatchSimd(true);
}
void BM_MergeNormalHalfReference(benchmark::State &s) { RunMerge(s, 0, AlphaKind::Half, false); }
void BM_MergeNormalMixed(benchmark::State &s) { RunMerge(s, 0, AlphaKind::Mixed, true); }
void BM_MergeMultiplyHalf(benchmark::State &s) { RunMerge(s, 1, AlphaKind::Half, true); }
void BM_MergeSoftLightHalf(benchmark::State &s) { RunMerge(s, 10, AlphaKind::Half, true); }
void BM_MergeHslColorHalf(benchmark::State &s) { RunMerge(s, 23, AlphaKind::Half, true); }
void BM_MergeAlphaSmoothLumMixed(benchmark::State &s) { RunMerge(s, 40, AlphaKind::Mixed, true); }

// pixman OVER, premultiplied a8r8g8b8, half-transparent source over opaque.
void BM_PixmanOverHalf(benchmark::State &state) {
    std::vector<uint32_t> src(kPixels), dst(kPixels);
    std::mt19937 rng(3);
    for (size_t i = 0; i < kPixels; ++i) {
        const uint32_t r = (rng() & 0xFF) >> 1, g = (rng() & 0xFF) >> 1, b = (rng() & 0xFF) >> 1;
        src[i] = (0x80u << 24) | (r << 16) | (g << 8) | b;
        dst[i] = 0xFF000000u | (rng() & 0xFFFFFFu);
    }
    pixman_image_t *s = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, src.data(), kSide * 4);
    pixman_image_t *d = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, dst.data(), kSide * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, kSide, kSide);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPixels));
}

// The floor: read two RGBA64 buffers, write one (in place, as a merge does).
void BM_BandwidthFloorRGBA64(benchmark::State &state) {
    const std::vector<uint16_t> src = Layer(1, AlphaKind::Half);
    std::vector<uint16_t> dst = Layer(2, AlphaKind::Opaque);
    std::vector<uint64_t> a(kPixels), b(kPixels);
    std::memcpy(a.data(), src.data(), kPixels * 8);
    std::memcpy(b.data(), dst.data(), kPixels * 8);
    for (auto _ : state) {
        const uint64_t *pa = a.data();
        uint64_t *pb = b.data();
        for (size_t i = 0; i < kPixels; ++i) pb[i] ^= pa[i];
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPixels));
}

}  // namespace

#define MERGE_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)->MinTime(0.3)
MERGE_BENCH(BM_BandwidthFloorRGBA64);
MERGE_BENCH(BM_PixmanOverHalf);
MERGE_BENCH(BM_MergeNormalOpaque);
MERGE_BENCH(BM_MergeNormalHalf);
MERGE_BENCH(BM_MergeNormalHalfScalarBatch);
MERGE_BENCH(BM_MergeNormalHalfReference);
MERGE_BENCH(BM_MergeNormalMixed);
MERGE_BENCH(BM_MergeMultiplyHalf);
MERGE_BENCH(BM_MergeSoftLightHalf);
MERGE_BENCH(BM_MergeHslColorHalf);
MERGE_BENCH(BM_MergeAlphaSmoothLumMixed);
