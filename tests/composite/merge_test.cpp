// MergeRegion (fast paths against the reference), the layer-mask relation,
// the layer order of the flattened image and the merge exports.
#include "composite/merge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

TEST_F(MergeTest, FastPathsMatchReferenceForEveryMode) {
    std::mt19937 rng(1234);
    const int w = 37, h = 5, stride = 4 * (w + 3);
    const std::vector<uint16_t> src = RandomPixels(rng, static_cast<size_t>(stride / 4) * h);
    const std::vector<uint16_t> mask = RandomPixels(rng, static_cast<size_t>(stride / 4) * h);
    const std::vector<uint16_t> dst0 = RandomPixels(rng, static_cast<size_t>(stride / 4) * (h + 1));
    TSY_SetAlphaLayerOpacity(60);
    for (int mode = -1; mode <= 51; ++mode) {
        for (int variant = 0; variant < 8; ++variant) {
            const bool useMask = variant & 1, keep = variant & 2;
            const int opacity = (variant & 4) ? 128 : 256;
            const int pre = (variant & 4) ? 200 : 255;
            const bool same = mode > 27 && (variant & 2);
            for (bool simd : {true, false}) {
                SetNormalBatchSimd(simd);
                std::vector<uint16_t> fast = dst0, ref = dst0;
                MergeRegion(src.data(), 2, 0, w, h, stride, useMask ? mask.data() : nullptr, fast.data(), 1, 1, stride,
                            mode, 47, opacity, pre, keep, same);
                MergeRegionReference(src.data(), 2, 0, w, h, stride, useMask ? mask.data() : nullptr, ref.data(), 1, 1,
                                     stride, mode, 47, opacity, pre, keep, same);
                for (size_t i = 0; i < fast.size(); ++i) {
                    ASSERT_EQ(fast[i], ref[i]) << "mode " << mode << " variant " << variant << " simd " << simd
                                               << " value " << i << " (pixel " << i / 4 << ")";
                }
            }
        }
    }
    SetNormalBatchSimd(true);
}

TEST_F(MergeTest, NormalBatchSimdEqualsScalarOnManyPixels) {
    // Every alpha pair class, a full batch and a tail.
    std::mt19937 rng(99);
    NormalBatch a, b;
    const int n = kNormalBatch - 3;
    for (int round = 0; round < 200; ++round) {
        for (int i = 0; i < n; ++i) {
            a.sr[i] = rng() % 65536, a.sg[i] = rng() % 65536, a.sb[i] = rng() % 65536;
            a.sa[i] = 1 + rng() % 65279;
            a.dr[i] = rng() % 65536, a.dg[i] = rng() % 65536, a.db[i] = rng() % 65536;
            a.da[i] = 1 + rng() % 65535;
        }
        b = a;
        SetNormalBatchSimd(true);
        BlendNormalBatch(a, n);
        BlendNormalBatchScalar(b, n);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(a.sr[i], b.sr[i]) << i;
            ASSERT_EQ(a.sg[i], b.sg[i]) << i;
            ASSERT_EQ(a.sb[i], b.sb[i]) << i;
            ASSERT_EQ(a.sa[i], b.sa[i]) << i;
        }
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
