// The plain brush's own row kernels (scalar and vector) against the general
// row kernel: seeded random scenes rendered with each kernel must give the
// same pixels, and the vector kernel's division must equal integer division.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "brush/dab.h"
#include "brush/dab_p.h"
#include "core/random.h"
#include "engine_fixture.h"

namespace {

// Everything a scene varies, drawn from its seed.
struct Scene {
    uint32_t seed;
    int W, H, S;
    int brushSize, scaleSize, mapKind;  // mapKind 0 identity/proportional, 1 reaches one past the brush
    bool paintLayer, grain, texture, mask, solid, colorLocked, blobLocked, alphaLocked, background, parallel;
    int alphaPercent, alphaFactor, alphaLevel, density, colorVary, gritCountdown;
    int dabX[4], dabY[4], dabR[4], dabG[4], dabB[4];

    std::string Describe() const {
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "seed %u canvas %dx%d S %d brush %d scale %d map %d paintLayer %d grain %d (density %d) "
                      "texture %d mask %d solid %d colorLocked %d blobLocked %d alphaLocked %d background %d "
                      "alphaPercent %d factor %d alphaLevel %d colorVary %d dabs (%d,%d) (%d,%d) (%d,%d) (%d,%d)",
                      seed, W, H, S, brushSize, scaleSize, mapKind, paintLayer, grain, density, texture, mask, solid,
                      colorLocked, blobLocked, alphaLocked, background, alphaPercent, alphaFactor, alphaLevel,
                      colorVary, dabX[0], dabY[0], dabX[1], dabY[1], dabX[2], dabY[2], dabX[3], dabY[3]);
        return buf;
    }
};

Scene MakeScene(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto chance = [&](int percent) { return pick(0, 99) < percent; };
    Scene s{};
    s.seed = seed;
    s.W = pick(8, 90);
    s.H = pick(8, 90);
    s.brushSize = chance(20) ? pick(1, 12) : pick(8, 70);
    s.S = s.brushSize + pick(0, 20);
    s.scaleSize = chance(50) ? s.brushSize : pick(1, 110);
    s.mapKind = chance(15) ? 1 : 0;
    s.paintLayer = chance(40);
    s.grain = chance(35);
    s.texture = chance(35);
    s.mask = chance(35);
    s.solid = chance(10);
    s.colorLocked = chance(10);
    s.blobLocked = chance(15);
    s.alphaLocked = chance(10);
    s.background = chance(10);
    s.parallel = chance(50);
    s.alphaPercent = chance(60) ? 100 : pick(0, 99);
    s.alphaFactor = chance(10) ? pick(129, 400) : s.alphaPercent * 128 / 100;
    s.alphaLevel = chance(80) ? 0 : (chance(50) ? pick(1, 65535) : pick(65536, 90000));
    const int densities[] = {-1, 0, 1, 128, 254, 255, 300};
    s.density = chance(50) ? densities[pick(0, 6)] : pick(0, 255);
    s.colorVary = chance(60) ? 0 : pick(1, 80);
    s.gritCountdown = chance(50) ? 1000 : 0;
    const int half = s.scaleSize / 2 + 3;
    for (int i = 0; i < 4; ++i) {
        s.dabX[i] = pick(-half, s.W + half);
        s.dabY[i] = pick(-half, s.H + half);
        s.dabR[i] = chance(20) ? 0xFFFF : pick(0, 255) << 8;
        s.dabG[i] = chance(20) ? 0 : pick(0, 255) << 8;
        s.dabB[i] = pick(0, 0xFFFF);
    }
    return s;
}

// Picks a 16-bit value, often one of the values where the arithmetic turns.
uint16_t Value(std::mt19937 &rng, std::initializer_list<uint16_t> special) {
    const uint32_t r = rng();
    if (r % 3 == 0) return *(special.begin() + (r >> 8) % special.size());
    return static_cast<uint16_t>(r >> 12);
}

class DabPlainTest : public EngineTest {
protected:
    // Builds the scene on a fresh canvas; the target (the paint layer when
    // there is one, else the layer) and the tool are kept so every kernel
    // setting starts from the same state.
    void Build(const Scene &s) {
        Reset();
        NewCanvas(s.W, s.H, s.S);
        std::mt19937 rng(s.seed * 2654435761u + 1);
        const int slot = s.background ? 1 : 2;
        TSY_CreateLayer(1, s.W, s.H);
        TSY_CreateLayer(2, s.W, s.H);
        TSY_SetLayer(slot);
        count_ = static_cast<size_t>(s.W) * s.H;
        LayerSlot &pl = g_engine.paintLayer;
        target_ = g_engine.layers[slot].pixels;
        if (s.paintLayer) {
            pl.pixels = x_NewShortUndoReduce(count_ * 4);
            pl.width = s.W, pl.height = s.H, pl.stride = 4 * s.W;
            pl.extentMinX = s.W, pl.extentMinY = s.H, pl.extentMaxX = 0, pl.extentMaxY = 0;
            target_ = pl.pixels;
        }
        for (size_t i = 0; i < count_; ++i) {
            for (int ch = 0; ch < 3; ++ch) target_[4 * i + ch] = Value(rng, {0, 65535, 65280, 1});
            target_[4 * i + 3] = Value(rng, {0, 0, 65535, 65535, 65534, 1, 8191, 8192, 9216});
        }
        ToolState &t = g_engine.tool;
        t.brushSize = s.brushSize;
        t.scaleSize = s.scaleSize;
        for (int i = 0; i < s.scaleSize; ++i) {
            const int v = s.mapKind == 1 ? i * (s.brushSize + 1) / s.scaleSize : i * s.brushSize / s.scaleSize;
            t.scaleMap[i] = std::min(v, s.brushSize);
        }
        // A disc of mixed coverage, zero outside: rows start and end with
        // uncovered spans.
        std::fill_n(g_engine.brushShape, static_cast<size_t>(s.S) * s.S, 0);
        const float r = s.brushSize * 0.5f;
        for (int j = 0; j < s.brushSize; ++j)
            for (int i = 0; i < s.brushSize; ++i) {
                const float dx = i + 0.5f - r, dy = j + 0.5f - r;
                if (dx * dx + dy * dy <= r * r + 1.0f)
                    g_engine.brushShape[j * s.S + i] = Value(rng, {65535, 65535, 0, 1, 255, 256, 32768});
            }
        t.alphaPercent = s.alphaPercent;
        t.alphaFactor = s.alphaFactor;
        t.alphaLevel = s.alphaLevel;
        t.density = s.density;
        t.colorVary = s.colorVary;
        t.solidMode = s.solid;
        t.colorLocked = s.colorLocked;
        t.blobLocked = s.blobLocked;
        t.alphaLocked = s.alphaLocked;
        t.mixCode = 32;
        t.mixAmount = 256;
        t.mixAmountComplement = 0;
        if (s.grain) {
            t.gritCell = 3;
            t.gritRepeat = 2;
            t.gritCountdown = s.gritCountdown;
            const size_t bytes = static_cast<size_t>(s.S + 25) * (s.S + 25);
            for (int k = 0; k < kGritTableCount; ++k)
                for (size_t i = 0; i < bytes; ++i) t.gritTables[k][i] = static_cast<uint8_t>(rng());
            t.currentGrit = t.gritTables[rng() % kGritTableCount] + (rng() % 25) * s.S;
        }
        texture_.clear();
        mask_.clear();
        if (s.texture) {
            g_engine.textureMap = x_NewCharUndoReduce(count_);
            for (size_t i = 0; i < count_; ++i)
                g_engine.textureMap[i] = static_cast<uint8_t>(rng() % 3 == 0 ? 255 : rng() % 256);
            texture_.assign(g_engine.textureMap, g_engine.textureMap + count_);
        }
        if (s.mask) {
            g_engine.maskActive = 1;
            for (size_t i = 0; i < count_; ++i) g_engine.mask[i] = Value(rng, {0, 65535, 65535, 65534, 1});
            mask_.assign(g_engine.mask, g_engine.mask + count_);
        }
        before_.assign(target_, target_ + count_ * 4);
        tool_ = g_engine.tool;
    }

    // Draws the scene's four dabs from the built state with one kernel
    // setting and returns the target.
    std::vector<uint16_t> Render(const Scene &s, int mode) {
        std::copy(before_.begin(), before_.end(), target_);
        g_engine.tool = tool_;
        EngineSeed(static_cast<int>(s.seed));
        SetDabFastPath(mode);
        SetDabParallel(s.parallel);
        for (int i = 0; i < 4; ++i) TSY_DrawDabGrit(s.dabX[i], s.dabY[i], s.dabR[i], s.dabG[i], s.dabB[i]);
        SetDabFastPath(kDabFastPathBest);
        SetDabParallel(1);
        return std::vector<uint16_t>(target_, target_ + count_ * 4);
    }

    void TearDown() override {
        LayerSlot &pl = g_engine.paintLayer;
        if (pl.pixels != nullptr) ReleaseBuffer(pl.pixels);
        pl.pixels = nullptr;
        EngineTest::TearDown();
    }

    // The general kernel's result against each fast setting; reports the
    // first differing pixel with its inputs.
    void Compare(const Scene &s, const std::vector<int> &modes) {
        Build(s);
        const std::vector<uint16_t> ref = Render(s, kDabFastPathOff);
        for (int mode : modes) {
            const std::vector<uint16_t> got = Render(s, mode);
            ASSERT_EQ(ref.size(), got.size());
            for (size_t i = 0; i < ref.size(); i += 4) {
                if (std::equal(ref.begin() + i, ref.begin() + i + 4, got.begin() + i)) continue;
                const size_t px = i / 4;
                const int x = static_cast<int>(px % s.W), y = static_cast<int>(px / s.W);
                FAIL() << "kernel setting " << mode << " differs at pixel (" << x << ", " << y << "): general ("
                       << ref[i] << ", " << ref[i + 1] << ", " << ref[i + 2] << ", " << ref[i + 3] << ") fast ("
                       << got[i] << ", " << got[i + 1] << ", " << got[i + 2] << ", " << got[i + 3]
                       << ") target before (" << before_[i] << ", " << before_[i + 1] << ", " << before_[i + 2] << ", "
                       << before_[i + 3] << ") mask " << (mask_.empty() ? -1 : mask_[px]) << " texture "
                       << (texture_.empty() ? -1 : texture_[px]) << "; scene " << s.Describe();
            }
        }
        LayerSlot &pl = g_engine.paintLayer;
        if (pl.pixels != nullptr) ReleaseBuffer(pl.pixels);
        pl.pixels = nullptr;
    }

    static std::vector<int> FastModes() {
        if (DabVectorKernelAvailable()) return {kDabFastPathScalar, kDabFastPathSse2, kDabFastPathBest};
        return {kDabFastPathScalar, kDabFastPathSse2};
    }

    size_t count_ = 0;
    uint16_t *target_ = nullptr;
    std::vector<uint16_t> before_, mask_;
    std::vector<uint8_t> texture_;
    ToolState tool_{};
};

// The scalar, SSE2 and (where the processor has AVX2) AVX2 kernels against
// the general kernel over random scenes.
TEST_F(DabPlainTest, FastKernelsEqualGeneralKernel) {
    for (uint32_t seed = 1; seed <= 240; ++seed) {
        Compare(MakeScene(seed), FastModes());
        if (HasFatalFailure()) return;
    }
}

// Wide targets under full-size dabs: every column group of the vector
// kernel, opaque and half-transparent, with and without the division.
TEST_F(DabPlainTest, FastKernelsEqualGeneralKernelOnLargeDabs) {
    for (uint32_t seed = 1000; seed < 1030; ++seed) {
        Scene s = MakeScene(seed);
        s.W = s.H = 150;
        s.S = s.brushSize = s.scaleSize = 140 + static_cast<int>(seed % 7);
        s.mapKind = 0;
        for (int i = 0; i < 4; ++i) s.dabX[i] = 20 + 30 * i, s.dabY[i] = 75;
        Compare(s, FastModes());
        if (HasFatalFailure()) return;
    }
}

// min(65535, (K << 16) / na) of the vector kernels against integer division:
// for every divisor, the numerators where the quotient turns (0, 1, na - 1,
// na, na + 1, exact multiples and one below them, the top values) and random
// ones. Quotients of 65536 and above must saturate.
void CheckDivision(void (*divide)(const uint16_t *, const uint16_t *, uint16_t *)) {
    std::mt19937 rng(12345);
    uint16_t K[16], N[16], q[16];
    int fill = 0;
    auto check = [&]() {
        divide(K, N, q);
        for (int i = 0; i < fill; ++i) {
            const uint32_t want = std::min(65535u, (static_cast<uint32_t>(K[i]) << 16) / N[i]);
            ASSERT_EQ(q[i], want) << "K " << K[i] << " na " << N[i];
        }
        fill = 0;
    };
    auto add = [&](uint32_t k, uint32_t na) {
        if (k > 65535u) return;
        K[fill] = static_cast<uint16_t>(k);
        N[fill] = static_cast<uint16_t>(na);
        if (++fill == 16) check();
    };
    for (uint32_t na = 1; na <= 65535u; ++na) {
        for (uint32_t k : {0u, 1u, na - 1, na, na + 1, 65534u, 65535u}) add(k, na);
        // K * 65536 a multiple of na, and the numerators just below the next
        // multiple (the quotients most exposed to rounding up).
        const uint32_t step = na / std::gcd(na, 65536u);
        for (uint32_t j = 1; j <= 3; ++j) {
            add(step * j, na);
            add(step * j - 1, na);
            add(step * (rng() % (65535u / step + 1)), na);
        }
        for (int r = 0; r < 8; ++r) add(rng() % std::min(65536u, na + 1), na);
        for (int r = 0; r < 4; ++r) add(rng() & 0xFFFFu, na);
        if (::testing::Test::HasFatalFailure()) return;
    }
    while (fill > 0 && fill < 16) add(0, 1);
}

// The plain kernels give an opaque target the colour K with no division:
// min(65535, (K << 16) / 65535) = K for every K the paint-over sum can reach
// (0..65535), checked for all of them.
TEST(DabPlainArithmetic, OpaqueTargetDivisionIsTheIdentity) {
    for (uint32_t K = 0; K <= 65535u; ++K) ASSERT_EQ(std::min(65535u, (K << 16) / 65535u), K);
}

TEST_F(DabPlainTest, Sse2DivisionEqualsIntegerDivision) { CheckDivision(PlainDivide16Sse2); }

TEST_F(DabPlainTest, Avx2DivisionEqualsIntegerDivision) {
    if (!DabVectorKernelAvailable()) GTEST_SKIP() << "no AVX2 on this processor";
    CheckDivision(PlainDivide16Avx2);
}

}  // namespace
