// MergeRegion (fast paths against the reference), the layer-mask relation,
// the layer order of the flattened image and the merge exports.
#include "composite/merge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "composite/merge_normal_kernel.h"
#include "core/alloc.h"
#include "core/errors.h"
#include "engine_fixture.h"
#include "tessary.h"

namespace {

using MergeTest = EngineTest;

// Random RGBA64 pixels with the alphas and channels that take the special
// paths: 0, 65280 and up, 65535 and small values.
std::vector<uint16_t> RandomPixels(std::mt19937 &rng, size_t count) {
    std::vector<uint16_t> v(count * 4);
    const uint16_t special[] = {0, 1, 255, 8190, 8191, 9215, 12287, 32512, 32767, 36862, 65279, 65280, 65535};
    for (size_t i = 0; i < v.size(); ++i) {
        const uint32_t pick = rng() % 4;
        v[i] = pick == 0 ? special[rng() % (sizeof(special) / sizeof(special[0]))] : static_cast<uint16_t>(rng());
    }
    return v;
}

void SetPixel(int slot, int x, int y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    LayerSlot &s = g_engine.layers[slot];
    uint16_t *p = s.pixels + static_cast<size_t>(y) * s.stride + 4 * x;
    p[0] = r, p[1] = g, p[2] = b, p[3] = a;
}
std::vector<uint16_t> Pixel(int slot, int x, int y) {
    const LayerSlot &s = g_engine.layers[slot];
    const uint16_t *p = s.pixels + static_cast<size_t>(y) * s.stride + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}
using V = std::vector<uint16_t>;

// ---- the fast paths give the reference's bits ------------------------------

// The row-loop levels this processor runs (scalar, AVX2, AVX-512).
std::vector<int> KernelLevels() {
    std::vector<int> levels;
    for (int l = kNormalKernelScalar; l <= BestNormalKernel(); ++l) levels.push_back(l);
    return levels;
}

// Restores the best row loop when a test ends, even on a failed assertion.
struct KernelLevelGuard {
    ~KernelLevelGuard() { SetNormalKernel(BestNormalKernel()); }
};

std::string Px(const uint16_t *p) {
    return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ", " +
           std::to_string(p[3]) + ")";
}

// One merge setting of a differential scene.
struct Setting {
    int mode, opacity, pre;
    bool mask, keep, same;
};

std::string Describe(const Setting &c, int level) {
    return "mode " + std::to_string(c.mode) + " opacity " + std::to_string(c.opacity) + " pre " +
           std::to_string(c.pre) + " mask " + std::to_string(c.mask) + " keep " + std::to_string(c.keep) + " same " +
           std::to_string(c.same) + " level " + std::to_string(level);
}

// Merges the rectangle (sx, sy, w, h) of src into a copy of dst0 at (dx, dy)
// through MergeRegion and through the reference; on a difference reports the
// first differing pixel with its inputs. Both buffers have stride `stride`.
void ExpectSameAsReference(const std::vector<uint16_t> &src, const std::vector<uint16_t> &mask,
                           const std::vector<uint16_t> &dst0, int stride, int sx, int sy, int w, int h, int dx, int dy,
                           const Setting &c, int level) {
    std::vector<uint16_t> fast = dst0, ref = dst0;
    const uint16_t *m = c.mask ? mask.data() : nullptr;
    MergeRegion(src.data(), sx, sy, w, h, stride, m, fast.data(), dx, dy, stride, c.mode, 47, c.opacity, c.pre, c.keep,
                c.same);
    MergeRegionReference(src.data(), sx, sy, w, h, stride, m, ref.data(), dx, dy, stride, c.mode, 47, c.opacity, c.pre,
                         c.keep, c.same);
    for (size_t i = 0; i < fast.size(); i += 4) {
        if (std::memcmp(&fast[i], &ref[i], 4 * sizeof(uint16_t)) == 0) continue;
        const int px = static_cast<int>(i / 4), row = px / (stride / 4), col = px % (stride / 4);
        const size_t si = (static_cast<size_t>(row - dy + sy) * (stride / 4) + (col - dx + sx)) * 4;
        std::string inputs = " source " + (si < src.size() ? Px(&src[si]) : std::string("-"));
        if (c.mask && si < mask.size()) inputs += " mask " + Px(&mask[si]);
        FAIL() << Describe(c, level) << ": first difference at destination pixel (" << col << ", " << row << ")"
               << inputs << " destination " << Px(&dst0[i]) << " fast " << Px(&fast[i]) << " reference " << Px(&ref[i]);
    }
}

TEST_F(MergeTest, FastPathsMatchReferenceForEveryMode) {
    KernelLevelGuard guard;
    std::mt19937 rng(1234);
    const int w = 37, h = 5, stride = 4 * (w + 3);
    const std::vector<uint16_t> src = RandomPixels(rng, static_cast<size_t>(stride / 4) * h);
    const std::vector<uint16_t> mask = RandomPixels(rng, static_cast<size_t>(stride / 4) * h);
    const std::vector<uint16_t> dst0 = RandomPixels(rng, static_cast<size_t>(stride / 4) * (h + 1));
    TSY_SetAlphaLayerOpacity(60);
    for (int mode = -1; mode <= 51; ++mode) {
        for (int variant = 0; variant < 8; ++variant) {
            const Setting c{mode,
                            (variant & 4) ? 128 : 256,
                            (variant & 4) ? 200 : 255,
                            (variant & 1) != 0,
                            (variant & 2) != 0,
                            mode > 27 && (variant & 2)};
            for (int level : KernelLevels()) {
                SetNormalKernel(level);
                ExpectSameAsReference(src, mask, dst0, stride, 2, 0, w, h, 1, 1, c, level);
                if (HasFatalFailure()) return;
            }
        }
    }
}

// Seeded random scenes at every kernel level for every mode with a row loop:
// alpha edges (0, 1, 65279, 65280, 65535) on both sides, masks, opacities,
// pre-opacities and the alpha lock, row lengths around the vector widths.
TEST_F(MergeTest, RowKernelsMatchReferenceOnRandomScenes) {
    KernelLevelGuard guard;
    std::mt19937 rng(20240611);
    const int widths[] = {1, 7, 8, 15, 16, 17, 33, 64};
    const int opacities[] = {0, 1, 127, 128, 254, 255, 256};
    const int pres[] = {0, 1, 128, 254, 255};
    const int modes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 24, 25, 26, 27};
    for (int mode : modes) {
        for (int w : widths) {
            const int h = 3, stride = 4 * (w + 2);
            const size_t count = static_cast<size_t>(stride / 4) * (h + 1);
            const std::vector<uint16_t> src = RandomPixels(rng, count), mask = RandomPixels(rng, count);
            const std::vector<uint16_t> dst0 = RandomPixels(rng, count);
            for (int op : opacities) {
                for (int pre : pres) {
                    for (int flags = 0; flags < 4; ++flags) {
                        const Setting c{mode, op, pre, (flags & 1) != 0, (flags & 2) != 0, false};
                        for (int level : KernelLevels()) {
                            SetNormalKernel(level);
                            ExpectSameAsReference(src, mask, dst0, stride, 1, 0, w, h, 0, 1, c, level);
                            if (HasFatalFailure()) return;
                        }
                    }
                }
            }
        }
    }
}

// The alpha modes over rows longer than their transform chunk, with and
// without the same-mode flag, mask, opacity and alpha lock, every level.
TEST_F(MergeTest, AlphaModesMatchReferenceOnWideRows) {
    KernelLevelGuard guard;
    std::mt19937 rng(4321);
    const int w = 150, h = 4, stride = 4 * (w + 1);
    const size_t count = static_cast<size_t>(stride / 4) * (h + 1);
    const std::vector<uint16_t> src = RandomPixels(rng, count), mask = RandomPixels(rng, count);
    const std::vector<uint16_t> dst0 = RandomPixels(rng, count);
    TSY_SetAlphaLayerOpacity(80);
    for (int mode = 28; mode <= 49; ++mode) {
        for (int flags = 0; flags < 16; ++flags) {
            const Setting c{mode,
                            (flags & 8) ? 100 : 256,
                            (flags & 8) ? 180 : 255,
                            (flags & 1) != 0,
                            (flags & 2) != 0,
                            (flags & 4) != 0};
            for (int level : KernelLevels()) {
                SetNormalKernel(level);
                ExpectSameAsReference(src, mask, dst0, stride, 1, 0, w, h, 0, 1, c, level);
                if (HasFatalFailure()) return;
            }
        }
    }
}

// Every source alpha 0..65535 over random destinations, and with the source
// as its own destination.
TEST_F(MergeTest, RowKernelsMatchReferenceForEverySourceAlpha) {
    KernelLevelGuard guard;
    std::mt19937 rng(7);
    const int w = 256, h = 256, stride = 4 * w;
    std::vector<uint16_t> src(static_cast<size_t>(stride) * h), dst0 = src, mask = src;
    for (size_t i = 0; i < src.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            src[i + c] = static_cast<uint16_t>(rng());
            dst0[i + c] = static_cast<uint16_t>(rng());
            mask[i + c] = static_cast<uint16_t>(rng());
        }
        src[i + 3] = static_cast<uint16_t>(i / 4);  // every alpha once
        const uint32_t pick = rng() % 4;
        dst0[i + 3] = pick == 0 ? 0 : (pick == 1 ? 65535 : static_cast<uint16_t>(rng()));
        mask[i + 3] = static_cast<uint16_t>(rng() % 2 ? 0 : rng());
    }
    for (int level : KernelLevels()) {
        SetNormalKernel(level);
        for (const Setting &c :
             {Setting{0, 256, 255, false, false, false}, Setting{0, 200, 100, true, false, false},
              Setting{0, 256, 255, false, true, false}, Setting{1, 256, 255, false, false, false},
              Setting{8, 256, 255, true, true, false}, Setting{15, 256, 255, false, false, false},
              Setting{10, 256, 255, false, false, false}, Setting{12, 100, 255, false, false, false},
              Setting{24, 256, 255, false, false, false}, Setting{17, 256, 255, false, true, false}}) {
            ExpectSameAsReference(src, mask, dst0, stride, 0, 0, w, h, 0, 0, c, level);
            if (HasFatalFailure()) return;
        }
        // Over an opaque destination every group blends with a result alpha
        // of exactly 1 (the loops skip the divisions there).
        std::vector<uint16_t> opaque = dst0;
        for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 65535;
        for (int mode : {0, 1, 10, 17}) {
            ExpectSameAsReference(src, mask, opaque, stride, 0, 0, w, h, 0, 0,
                                  Setting{mode, 256, 255, false, false, false}, level);
            if (HasFatalFailure()) return;
        }
        // Source and destination the same buffer at the same place.
        std::vector<uint16_t> fast = src, ref = src;
        MergeRegion(fast.data(), 0, 0, w, h, stride, nullptr, fast.data(), 0, 0, stride, 0, 0, 256, 255, false, false);
        MergeRegionReference(ref.data(), 0, 0, w, h, stride, nullptr, ref.data(), 0, 0, stride, 0, 0, 256, 255, false,
                             false);
        ASSERT_EQ(fast, ref) << "level " << level;
    }
}

// ---- the vector building blocks, value by value -----------------------------

TEST_F(MergeTest, KernelUnitAlphaExactForEveryAlpha) {
    std::vector<int32_t> a(65536);
    for (int i = 0; i < 65536; ++i) a[i] = i;
    std::vector<float> want(65536), got(65536);
    NormalKernelUnitAlpha(kNormalKernelScalar, a.data(), want.data(), 65536);
    for (int i = 0; i < 65536; ++i) ASSERT_EQ(want[i], static_cast<float>(i * 1.5259021896696422e-05)) << i;
    for (int level : KernelLevels()) {
        NormalKernelUnitAlpha(level, a.data(), got.data(), 65536);
        for (int i = 0; i < 65536; ++i)
            ASSERT_EQ(std::memcmp(&got[i], &want[i], 4), 0) << "level " << level << " a " << i;
    }
}

// The division by 65280 depends only on the 24-bit significand of p (both the
// double product and the fused split scale exactly by powers of two in the
// range the blend uses), so every significand of [1, 2) covers all of them;
// two more binades and zero as a check.
TEST_F(MergeTest, KernelPremultiplyExactForEverySignificand) {
    const int n = 1 << 23;
    std::vector<float> p(n), want(n), got(n);
    for (float base : {1.0f, 0.0009765625f, 32768.0f}) {
        for (int i = 0; i < n; ++i) p[i] = base * (1.0f + static_cast<float>(i) * 0x1p-23f);
        p[0] = base == 1.0f ? 0.0f : p[0];
        for (int i = 0; i < n; ++i) want[i] = static_cast<float>(static_cast<double>(p[i]) * 1.5318627450980392e-05);
        for (int level : KernelLevels()) {
            NormalKernelPremultiply(level, p.data(), got.data(), n);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(std::memcmp(&got[i], &want[i], 4), 0) << "level " << level << " p " << p[i];
        }
    }
}

// trunc(double(q) x k) for every float q in [0.5, 1], for both factors, and
// for random q in [0, 0.5).
TEST_F(MergeTest, KernelTruncScaledExact) {
    const int n = (1 << 23) + 16;
    std::vector<float> q(n);
    for (int i = 0; i < (1 << 23); ++i) q[i] = 0.5f + static_cast<float>(i) * 0x1p-24f;
    std::mt19937 rng(5);
    for (int i = 1 << 23; i < n; ++i) q[i] = static_cast<float>(rng()) * 0x1p-33f;
    q[n - 1] = 1.0f;
    q[n - 2] = 0.0f;
    std::vector<int32_t> got(n);
    for (float k : {65280.0f, 65535.0f}) {
        for (int level : KernelLevels()) {
            NormalKernelTruncScaled(level, q.data(), k, got.data(), n);
            for (int i = 0; i < n; ++i) {
                const int32_t want = static_cast<int32_t>(static_cast<double>(q[i]) * static_cast<double>(k));
                ASSERT_EQ(got[i], want) << "level " << level << " q " << q[i] << " k " << k;
            }
        }
    }
    std::vector<float> small(1 << 20);
    for (auto &v : small) v = static_cast<float>(rng()) * 0x1p-32f * 0x1p-12f;
    std::vector<int32_t> out(small.size());
    for (int level : KernelLevels()) {
        NormalKernelTruncScaled(level, small.data(), 65280.0f, out.data(), static_cast<int>(small.size()));
        for (size_t i = 0; i < small.size(); ++i)
            ASSERT_EQ(out[i], static_cast<int32_t>(static_cast<double>(small[i]) * 65280.0)) << small[i];
    }
}

TEST_F(MergeTest, KernelThirdExactForEveryGreySum) {
    const int n = 196608;  // sums 0..196605 of three channels, padded
    std::vector<int32_t> v(n), got(n);
    for (int i = 0; i < n; ++i) v[i] = i < 196606 ? i : 196605;
    for (int level : KernelLevels()) {
        NormalKernelThird(level, v.data(), got.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_EQ(got[i], v[i] / 3) << "level " << level << " sum " << v[i];
    }
}

TEST_F(MergeTest, RegionTouchesOnlyItsRectangleAndReadsSourceOnly) {
    const int stride = 4 * 4;
    std::vector<uint16_t> src(stride * 3, 30000), dst(stride * 3, 1000);
    const std::vector<uint16_t> srcCopy = src;
    for (bool fast : {true, false}) {
        SetMergeFastPaths(fast);
        std::fill(dst.begin(), dst.end(), 1000);
        MergeRegion(src.data(), 1, 1, 2, 1, stride, nullptr, dst.data(), 1, 1, stride, 0, 0, 256, 255, false, false);
        for (int px = 0; px < 12; ++px) {
            const bool inside = px == 5 || px == 6;  // row 1, columns 1 and 2
            if (inside) {
                EXPECT_NE(dst[4 * px], 1000) << px;
            } else {
                EXPECT_EQ(dst[4 * px + 3], 1000) << px;
            }
        }
        EXPECT_EQ(src, srcCopy);
        // Null buffers and empty rectangles do nothing.
        MergeRegion(nullptr, 0, 0, 2, 2, stride, nullptr, dst.data(), 0, 0, stride, 0, 0, 256, 255, false, false);
        MergeRegion(src.data(), 0, 0, -2, 2, stride, nullptr, dst.data(), 0, 0, stride, 0, 0, 256, 255, false, false);
    }
    SetMergeFastPaths(true);
}

TEST_F(MergeTest, PasteOntoAlphaLockedKeepsAlpha) {
    // A half-transparent Normal paste with keepDestAlpha: colours change, the
    // destination alpha stays 40000 (and 0 where the layer was transparent).
    const uint16_t src[8] = {51000, 13500, 39300, 30000, 51000, 13500, 39300, 30000};
    uint16_t dst[8] = {26300, 45900, 6100, 40000, 7, 7, 7, 0};
    MergeRegion(src, 0, 0, 2, 1, 8, nullptr, dst, 0, 0, 8, 0, 0, 256, 255, true, false);
    // Over alpha 40000 the Normal blend gives (40635, 27095, 25369) (see the
    // CompositePixel tests); over alpha 0 the source colour is laid down.
    EXPECT_EQ(V(dst, dst + 4), (V{40635, 27095, 25369, 40000}));
    EXPECT_EQ(V(dst + 4, dst + 8), (V{51000, 13500, 39300, 0}));
}

// ---- layers ---------------------------------------------------------------

class MergeLayers : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        NewCanvas(3, 2);
        for (int s = 1; s <= 5; ++s) TSY_CreateLayer(s, 3, 2);
        for (int s = 1; s <= 5; ++s) TSY_SetLayerOptions(s, 1, 0, 100, "Normal");
        // slot 1 (background) is opaque white; 2 to 5 transparent.
    }
};

TEST_F(MergeLayers, LayerMaskScalesAlphaOfTheLayerBelow) {
    TSY_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    for (int x = 0; x < 3; ++x) SetPixel(2, x, 0, 50000, 40000, 30000, 65535);
    SetPixel(3, 0, 0, 65535, 65535, 65535, 65535);  // white: (65535 x 65535) / 65536 = 65534
    SetPixel(3, 1, 0, 0, 0, 0, 65535);              // black: alpha 0
    SetPixel(3, 2, 0, 0, 0, 0, 0);                  // unpainted: unchanged
    // Merge into transparent slot 4: the masked source lands as it is.
    TSY_MergeLayer(2, 4);
    EXPECT_EQ(Pixel(4, 0, 0), (V{50000, 40000, 30000, 65534}));
    EXPECT_EQ(Pixel(4, 1, 0), (V{0, 0, 0, 0}));
    EXPECT_EQ(Pixel(4, 2, 0), (V{50000, 40000, 30000, 65535}));
}

TEST_F(MergeLayers, HiddenLayerBetweenIsSkippedVisibleLayerEndsTheMask) {
    SetPixel(2, 0, 0, 50000, 40000, 30000, 65535);
    TSY_SetLayerOptions(3, 0, 0, 100, "Layer Mask");  // hidden mask: skipped
    SetPixel(3, 0, 0, 65535, 65535, 65535, 65535);
    TSY_SetLayerOptions(4, 1, 0, 100, "Layer Mask");  // the mask in use: black
    SetPixel(4, 0, 0, 0, 0, 0, 65535);
    TSY_MergeLayer(2, 5);
    EXPECT_EQ(Pixel(5, 0, 0), (V{0, 0, 0, 0}));
    // A visible Normal layer between: no mask at all.
    TSY_SetLayerOptions(3, 1, 0, 100, "Normal");
    std::memset(g_engine.layers[5].pixels, 0, 3 * 2 * 8);
    TSY_MergeLayer(2, 5);
    EXPECT_EQ(Pixel(5, 0, 0), (V{50000, 40000, 30000, 65535}));
}

TEST_F(MergeLayers, SameAlphaModeMergeKeepsRawAlpha) {
    TSY_SetLayerOptions(2, 1, 0, 100, "Alpha Smooth Lum");
    TSY_SetLayerOptions(4, 1, 0, 100, "Alpha Smooth Lum");
    SetPixel(2, 0, 0, 50000, 40000, 30000, 8191);  // copied unchanged, raw alpha
    SetPixel(2, 1, 0, 50000, 40000, 30000, 8190);  // below 8191: destination stays
    SetPixel(4, 0, 0, 100, 200, 300, 65535);
    SetPixel(4, 1, 0, 100, 200, 300, 65535);
    TSY_MergeLayer(2, 4);
    EXPECT_EQ(Pixel(4, 0, 0), (V{50000, 40000, 30000, 8191}));
    EXPECT_EQ(Pixel(4, 1, 0), (V{100, 200, 300, 65535}));
    // Into a Normal layer the same pixel is shaded: c - c x (32767 - 8191) /
    // 32767 -> red 50000 - 37501 = 12499, green 40000 - 30000, blue 30000 -
    // 22500; alpha P = 65535 over the transparent slot.
    TSY_MergeLayer(2, 5);
    EXPECT_EQ(Pixel(5, 0, 0), (V{12499, 10000, 7500, 65535}));
}

TEST_F(MergeLayers, LayerOpacityScalesAlphaBeforeTheFormula) {
    TSY_SetLayerOptions(2, 1, 0, 50, "Normal");  // 128
    SetPixel(2, 0, 0, 50000, 40000, 30000, 60000);
    TSY_MergeLayer(2, 4);
    EXPECT_EQ(Pixel(4, 0, 0), (V{50000, 40000, 30000, 30234}));  // 129 x 60000 / 256 = 30234.4
    EXPECT_EQ(Pixel(2, 0, 0), (V{50000, 40000, 30000, 60000}));  // the source stays
}

TEST_F(MergeLayers, MergeRectStartsFromBackgroundOrTransparent) {
    SetPixel(1, 1, 0, 1, 2, 3, 4);  // a background pixel with an odd alpha
    SetPixel(2, 2, 1, 50000, 40000, 30000, 65535);
    std::vector<uint16_t> buf(3 * 2 * 4, 77);
    TSY_MergeRect(buf.data(), 1, 0, 2, 2);
    EXPECT_EQ(V(buf.begin(), buf.begin() + 4), (V{1, 2, 3, 4}));  // copied exactly
    EXPECT_EQ(V(buf.begin() + 4, buf.begin() + 8), (V{65535, 65535, 65535, 65535}));
    EXPECT_EQ(V(buf.begin() + 12, buf.begin() + 16), (V{50000, 40000, 30000, 65535}));
    TSY_SetLayerOptions(1, 0, 0, 100, "Normal");
    TSY_MergeRect(buf.data(), 1, 0, 2, 2);
    EXPECT_EQ(V(buf.begin(), buf.begin() + 4), (V{0, 0, 0, 0}));
    EXPECT_EQ(V(buf.begin() + 12, buf.begin() + 16), (V{50000, 40000, 30000, 65535}));
    // A rectangle reaching outside the canvas merges only the inside part.
    std::vector<uint16_t> big(4 * 4 * 4, 5);
    TSY_MergeRect(big.data(), 1, 1, 4, 4);
    EXPECT_EQ(V(big.begin() + 4, big.begin() + 8), (V{50000, 40000, 30000, 65535}));
    EXPECT_EQ(big[4 * 15 + 3], 0);
}

TEST_F(MergeLayers, GetColorAtMerged) {
    EXPECT_EQ(TSY_GetColorAtMerged(-1, 0), 0xFFFFFFu);
    EXPECT_EQ(TSY_GetColorAtMerged(3, 0), 0xFFFFFFu);
    SetPixel(2, 0, 1, 0x1234, 0x5678, 0x9ABC, 0xFFFF);
    EXPECT_EQ(TSY_GetColorAtMerged(0, 1), 0xFF12569Au);
    EXPECT_EQ(TSY_GetColorAtMerged(1, 1), 0xFFFFFFFFu);  // the white background
}

TEST_F(MergeLayers, MergeLayerIntoHostBuffer) {
    SetPixel(2, 2, 1, 50000, 40000, 30000, 65535);
    std::vector<uint16_t> buf(2 * 1 * 4, 0);
    TSY_MergeLayerIntoRect(2, buf.data(), 1, 1, 2, 1);
    EXPECT_EQ(V(buf.begin() + 4, buf.end()), (V{50000, 40000, 30000, 65535}));
    std::vector<uint16_t> whole(3 * 2 * 4, 0);
    TSY_MergeLayerInto(2, whole.data());
    EXPECT_EQ(V(whole.begin() + 20, whole.end()), (V{50000, 40000, 30000, 65535}));
    EXPECT_EQ(TSY_MergeLayerInto(9, whole.data()), 0);  // no buffer in slot 9
    EXPECT_EQ(TSY_MergeLayerInto(2, nullptr), 0);
    EXPECT_EQ(TSY_MergeLayer(300, 2), 0);
}

TEST_F(MergeLayers, MergeRGBA32Layer) {
    std::vector<uint8_t> img(3 * 2 * 4, 0);
    img[0] = 0x12, img[1] = 0x34, img[2] = 0x56, img[3] = 0xFF;  // 255 x 256 = 65280: opaque Normal copy
    img[4] = 0xFF, img[5] = 0xFF, img[6] = 0xFF, img[7] = 0x80;  // alpha 0x8000, 50 per cent opacity
    TSY_MergeRGBA32Layer(img.data(), 2, 0, 100);
    EXPECT_EQ(Pixel(2, 0, 0), (V{0x1200, 0x3400, 0x5600, 65280}));
    TSY_MergeRGBA32Layer(img.data(), 3, 0, 50);  // 128: 129 x 65280 / 256 = 32895
    EXPECT_EQ(Pixel(3, 0, 0), (V{0x1200, 0x3400, 0x5600, 32895}));
    EXPECT_EQ(Pixel(3, 1, 0), (V{0xFF00, 0xFF00, 0xFF00, 16512}));  // 129 x 32768 / 256
    // Same alpha mode: the raw pixel replaces the destination.
    TSY_SetLayerOptions(4, 1, 0, 100, "Alpha Invert");
    SetPixel(4, 0, 0, 1, 1, 1, 65535);
    TSY_MergeRGBA32Layer(img.data(), 4, 33, 100);
    EXPECT_EQ(Pixel(4, 0, 0), (V{0x1200, 0x3400, 0x5600, 65280}));
}

bool FailAll(size_t) { return true; }

TEST_F(MergeLayers, MergeRGBA32LayerReportsAllocationFailure) {
    std::vector<uint8_t> img(3 * 2 * 4, 0xFF);
    TSY_SetLastError("");
    SetAllocShortageHook(FailAll);
    TSY_MergeRGBA32Layer(img.data(), 2, 0, 100);
    SetAllocShortageHook(nullptr);
    EXPECT_STREQ(TSY_GetLastError(), "TSY_MergeRGBA32Layer Excpt");
    EXPECT_EQ(Pixel(2, 0, 0), (V{0, 0, 0, 0}));
    // The internal wrapper returns quietly instead.
    SetAllocShortageHook(FailAll);
    EXPECT_FALSE(MergeRGBA32Image(img.data(), g_engine.layers[2].pixels, 0, 0, 256, false));
    SetAllocShortageHook(nullptr);
    EXPECT_TRUE(MergeRGBA32Image(img.data(), g_engine.layers[2].pixels, 0, 0, 256, false));
    EXPECT_EQ(Pixel(2, 0, 0), (V{0xFF00, 0xFF00, 0xFF00, 0xFF00}));
}

TEST_F(MergeLayers, GetColorAtMergedWithoutMemoryGivesZero) {
    SetAllocShortageHook(FailAll);
    EXPECT_EQ(TSY_GetColorAtMerged(0, 0), 0u);
    SetAllocShortageHook(nullptr);
}

}  // namespace
