// Undo history: saving from the dirty rectangle, exact undo and redo across
// layers and mask, level limits, the budget, reclamation and bad states.
#include "undo/undo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "engine_fixture.h"
#include "platform/memory_status.h"
#include "tessary.h"
#include "undo/dirty_rect.h"

namespace {

constexpr int kW = 40;
constexpr int kH = 30;

struct Rect {
    int left, top, right, bottom;  // inclusive
};

class UndoTest : public EngineTest {
protected:
    void SetUp() override {
        Reset();
        SetMemoryStatusOverride(nullptr);
    }
    void TearDown() override {
        SetMemoryStatusOverride(nullptr);
        Reset();
    }

    // A canvas with layers 1..3, layer 2 current, a generous budget.
    void Setup(int w = kW, int h = kH, int levels = 20, int mb = 64) {
        NewCanvas(w, h);
        for (int i = 1; i <= 3; ++i) ASSERT_EQ(TSY_CreateLayer(i, w, h), 1);
        TSY_SetUndoMB(mb);
        TSY_SetUndoLevels(levels);
        TSY_SetLayer(2);
    }

    // Writes pseudo-random pixels into the rectangle of a layer, as a brush
    // would, and extends the dirty rectangle.
    static void Paint(int layer, Rect r, uint32_t seed) {
        LayerSlot &s = g_engine.layers[layer];
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x)
                for (int c = 0; c < 4; ++c) {
                    seed = seed * 1103515245u + 12345u;
                    s.pixels[static_cast<size_t>(y) * s.stride + x * 4 + c] = static_cast<uint16_t>(seed >> 16);
                }
        ExtendDirtyRect(r.left, r.top, r.right, r.bottom);
    }

    static void PaintMask(Rect r, uint16_t value) {
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x)
                g_engine.mask[static_cast<size_t>(y) * g_engine.canvasWidth + x] = value;
        ExtendDirtyRect(r.left, r.top, r.right, r.bottom);
    }

    // Layers 1..3 and the mask, in one vector.
    static std::vector<uint16_t> State() {
        std::vector<uint16_t> v;
        for (int i = 1; i <= 3; ++i) {
            const LayerSlot &s = g_engine.layers[i];
            if (s.pixels != nullptr)
                v.insert(v.end(), s.pixels, s.pixels + static_cast<size_t>(s.width) * s.height * 4);
        }
        const size_t n = static_cast<size_t>(g_engine.canvasWidth) * g_engine.canvasHeight;
        v.insert(v.end(), g_engine.mask, g_engine.mask + n);
        return v;
    }

    static std::vector<uint16_t> LayerPixels(int layer) {
        const LayerSlot &s = g_engine.layers[layer];
        return {s.pixels, s.pixels + static_cast<size_t>(s.width) * s.height * 4};
    }

    static const UndoRecord &Step(int s) { return g_engine.undo.undoRecords[s]; }
    static int WorkKiB() { return g_engine.canvasWidth * g_engine.canvasHeight * 10 / 1024; }
};

// ---- Exact restoration ----------------------------------------------------------

TEST_F(UndoTest, UndoRestoresAndRedoRepaintsExactlyAcrossLayersAndMask) {
    Setup();
    std::vector<std::vector<uint16_t>> states{State()};

    Paint(2, {3, 4, 20, 15}, 1);  // pixels on layer 2
    TSY_SaveUndoBuffer(1, 0);
    states.push_back(State());

    PaintMask({10, 10, 30, 25}, 0);  // mask only
    TSY_SaveUndoBuffer(0, 1);
    states.push_back(State());

    TSY_SetLayer(3);
    Paint(3, {0, 0, 39, 29}, 2);  // the whole of layer 3
    TSY_SaveUndoBuffer(1, 0);
    states.push_back(State());

    TSY_SetLayer(2);
    Paint(2, {15, 10, 35, 28}, 3);  // overlaps the first step
    PaintMask({12, 12, 18, 20}, 777);
    TSY_SaveUndoBuffer(1, 1);
    states.push_back(State());

    ASSERT_EQ(TSY_GetUndoCount(), 4);
    EXPECT_EQ(g_engine.undo.undoLayers[0], 2);
    EXPECT_EQ(g_engine.undo.undoLayers[1], 3);
    EXPECT_EQ(g_engine.undo.undoLayers[2], 2);
    EXPECT_EQ(g_engine.undo.undoLayers[3], 2);

    for (int k = 3; k >= 0; --k) {
        ASSERT_EQ(TSY_CanUndo(), 1);
        TSY_Undo();
        EXPECT_TRUE(State() == states[k]) << "after undoing back to state " << k;
    }
    EXPECT_EQ(TSY_CanUndo(), 0);
    EXPECT_EQ(TSY_GetRedoCount(), 4);
    TSY_Undo();  // nothing left: no change
    EXPECT_TRUE(State() == states[0]);
    EXPECT_EQ(TSY_GetRedoCount(), 4);

    for (int k = 1; k <= 4; ++k) {
        ASSERT_EQ(TSY_CanRedo(), 1);
        TSY_Redo();
        EXPECT_TRUE(State() == states[k]) << "after redoing to state " << k;
    }
    EXPECT_EQ(TSY_CanRedo(), 0);
    EXPECT_EQ(TSY_GetRedoCount(), 0);
    // The work record follows the layer the last swap touched.
    EXPECT_EQ(TSY_GetLayerNum(), 2);
    EXPECT_EQ(0, std::memcmp(g_engine.undoWorkCanvas, g_engine.layers[2].pixels, kW * kH * 8));
    EXPECT_EQ(0, std::memcmp(g_engine.undoMaskCopy, g_engine.mask, kW * kH * 2));
}

TEST_F(UndoTest, StepHoldsOnlyTheDirtyRectangleAsItWasBefore) {
    Setup();
    const auto before = LayerPixels(2);
    Paint(2, {5, 6, 9, 8}, 4);
    TSY_SaveUndoBuffer(1, 0);
    const UndoRecord &r = Step(1);
    EXPECT_EQ(r.undoLeft, 5);
    EXPECT_EQ(r.undoTop, 6);
    EXPECT_EQ(r.undoRight, 9);
    EXPECT_EQ(r.undoBottom, 8);
    EXPECT_EQ(r.undoMask, nullptr);
    EXPECT_EQ(r.undoMaskFlag, 1);
    ASSERT_NE(r.undoPixels, nullptr);
    // Packed rows of w = 5 pixels hold the transparent pixels from before.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5 * 4; ++x) ASSERT_EQ(r.undoPixels[y * 20 + x], before[(6 + y) * kW * 4 + 5 * 4 + x]);
    // The dirty rectangle is empty again: left = W - 1, top = H - 1, right = bottom = 0.
    EXPECT_EQ(g_engine.undo.dirtyLeft, kW - 1);
    EXPECT_EQ(g_engine.undo.dirtyTop, kH - 1);
    EXPECT_EQ(g_engine.undo.dirtyRight, 0);
    EXPECT_EQ(g_engine.undo.dirtyBottom, 0);
    // 5 x 3 = 15 pixels: 15 * 8 / 1024 truncates to 0 KiB.
    EXPECT_EQ(g_engine.undoMemoryKiB, WorkKiB());
}

// ---- The saved rectangle ---------------------------------------------------------

struct RectCase {
    const char *name;
    Rect dirty;     // as painting left it
    Rect expected;  // as the step records it
};

TEST_F(UndoTest, DirtyRectangleIsClippedOrWidenedToTheWholeCanvas) {
    const RectCase cases[] = {
        {"single column saves the whole canvas", {5, 0, 5, 29}, {0, 0, kW - 1, kH - 1}},
        {"single row saves the whole canvas", {0, 7, 39, 7}, {0, 0, kW - 1, kH - 1}},
        {"single pixel saves the whole canvas", {3, 3, 3, 3}, {0, 0, kW - 1, kH - 1}},
        {"nothing painted saves the whole canvas", {kW - 1, kH - 1, 0, 0}, {0, 0, kW - 1, kH - 1}},
        {"outside the canvas is clipped", {-10, -5, 100, 12}, {0, 0, kW - 1, 12}},
        {"a two-by-two block is kept", {8, 9, 9, 10}, {8, 9, 9, 10}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Setup();
        const auto before = LayerPixels(2);
        g_engine.undo.dirtyLeft = c.dirty.left;
        g_engine.undo.dirtyTop = c.dirty.top;
        g_engine.undo.dirtyRight = c.dirty.right;
        g_engine.undo.dirtyBottom = c.dirty.bottom;
        // Paint inside what the step will hold (clipped to the canvas).
        Paint(2,
              {std::max(c.dirty.left, 0), std::max(c.dirty.top, 0), std::min(c.dirty.left, kW - 1),
               std::min(c.dirty.top, kH - 1)},
              9);
        g_engine.undo.dirtyRight = c.dirty.right;  // keep the case's rectangle as given
        g_engine.undo.dirtyBottom = c.dirty.bottom;
        TSY_SaveUndoBuffer(1, 0);
        const UndoRecord &r = Step(1);
        EXPECT_EQ(r.undoLeft, c.expected.left);
        EXPECT_EQ(r.undoTop, c.expected.top);
        EXPECT_EQ(r.undoRight, c.expected.right);
        EXPECT_EQ(r.undoBottom, c.expected.bottom);
        TSY_Undo();
        EXPECT_TRUE(LayerPixels(2) == before);
        Reset();
    }
}

TEST_F(UndoTest, OnlyTheLowBytesOfTheArgumentsCount) {
    Setup();
    Paint(2, {1, 1, 4, 4}, 5);
    TSY_SaveUndoBuffer(0x100, 0x200);  // low bytes 0 and 0: nothing to record
    EXPECT_EQ(TSY_GetUndoCount(), 0);
    Paint(2, {1, 1, 4, 4}, 6);
    TSY_SaveUndoBuffer(0x101, 0x300);  // image only
    ASSERT_EQ(TSY_GetUndoCount(), 1);
    EXPECT_NE(Step(1).undoPixels, nullptr);
    EXPECT_EQ(Step(1).undoMask, nullptr);
}

TEST_F(UndoTest, InvalidateMarksTheWholeCanvas) {
    Setup();
    TSY_InvalidateDirtyUndoCanvas();
    EXPECT_EQ(g_engine.undo.dirtyLeft, 0);
    EXPECT_EQ(g_engine.undo.dirtyTop, 0);
    EXPECT_EQ(g_engine.undo.dirtyRight, kW - 1);
    EXPECT_EQ(g_engine.undo.dirtyBottom, kH - 1);
}

// ---- Levels ------------------------------------------------------------------------

TEST_F(UndoTest, LevelsAreLoweredTo500) {
    const struct { int asked, kept; } cases[] = {{600, 500}, {500, 500}, {3, 3}, {0, 0}};
    for (const auto &c : cases) {
        Setup();
        TSY_SetUndoLevels(c.asked);
        EXPECT_EQ(g_engine.undo.undoLevels, c.kept) << c.asked;
        Reset();
    }
}

TEST_F(UndoTest, HistoryOf600LevelsHoldsAtMost500Steps) {
    Setup(kW, kH, 600);
    for (int i = 0; i < 503; ++i) {
        Paint(2, {i % 30, 2, i % 30 + 2, 4}, i);
        TSY_SaveUndoBuffer(1, 0);
    }
    EXPECT_EQ(TSY_GetUndoCount(), 500);
    for (int i = 0; i < 500; ++i) TSY_Undo();
    EXPECT_EQ(TSY_GetRedoCount(), 500);
    EXPECT_EQ(TSY_CanUndo(), 0);
}

TEST_F(UndoTest, ThreeLevelsKeepTheLastThreeSteps) {
    Setup(kW, kH, 3);
    std::vector<std::vector<uint16_t>> states{State()};
    for (int i = 0; i < 4; ++i) {
        Paint(2, {2 * i, i, 2 * i + 5, i + 6}, 10 + i);
        TSY_SaveUndoBuffer(1, 0);
        states.push_back(State());
    }
    EXPECT_EQ(TSY_GetUndoCount(), 3);
    for (int i = 0; i < 4; ++i) TSY_Undo();
    EXPECT_EQ(TSY_GetRedoCount(), 3);
    EXPECT_TRUE(State() == states[1]);  // the first step was dropped
}

TEST_F(UndoTest, DisabledHistoryStillKeepsTheWorkRecordCurrent) {
    Setup(kW, kH, 0);
    Paint(2, {1, 2, 10, 12}, 7);
    TSY_SaveUndoBuffer(1, 0);
    EXPECT_EQ(TSY_GetUndoCount(), 0);
    EXPECT_EQ(TSY_CanUndo(), 0);
    EXPECT_EQ(0, std::memcmp(g_engine.undoWorkCanvas, g_engine.layers[2].pixels, kW * kH * 8));
}

// ---- Budget ------------------------------------------------------------------------

TEST_F(UndoTest, BudgetDropsTheOldestSteps) {
    // Canvas 200 x 200: work record 400000 / 1024 = 390 KiB. A 100 x 100
    // pixel step costs 80000 / 1024 = 78 KiB; the fit test uses
    // 100000 / 1024 = 97 KiB. Budget 1 MiB = 1024 KiB.
    // Save k fits while 97 + 390 + 78 (k - 1) < 1024, i.e. k <= 7; after
    // seven saves the history uses 390 + 7 * 78 = 936 KiB.
    // The eighth: 97 + 936 = 1033 >= 1024, so the oldest step goes
    // (936 - 78 = 858, 97 + 858 = 955 < 1024) and the new one comes in: 936.
    Setup(200, 200, 10, 1);
    std::vector<std::vector<uint16_t>> states{LayerPixels(2)};
    for (int k = 1; k <= 7; ++k) {
        Paint(2, {k, k, k + 99, k + 99}, 100 + k);
        TSY_SaveUndoBuffer(1, 0);
        states.push_back(LayerPixels(2));
        EXPECT_EQ(g_engine.undoMemoryKiB, 390 + 78 * k);
    }
    EXPECT_EQ(TSY_GetUndoCount(), 7);
    EXPECT_EQ(TSY_GetCurrentUndoMemory(), 936 / 1024);
    Paint(2, {50, 50, 149, 149}, 200);
    TSY_SaveUndoBuffer(1, 0);
    EXPECT_EQ(TSY_GetUndoCount(), 7);
    EXPECT_EQ(g_engine.undoMemoryKiB, 936);
    for (int i = 0; i < 8; ++i) TSY_Undo();
    EXPECT_EQ(TSY_GetRedoCount(), 7);
    EXPECT_TRUE(LayerPixels(2) == states[1]);  // the state before the first step is gone
}

TEST_F(UndoTest, ZeroBudgetKeepsOnlyTheNewestStep) {
    Setup(kW, kH, 5, 64);
    g_engine.undo.undoBudgetKiB = 0;  // the budget before the host sets one
    g_engine.undo.undoBudgetAuto = 0;
    for (int i = 0; i < 3; ++i) {
        Paint(2, {i, i, i + 10, i + 10}, 30 + i);
        TSY_SaveUndoBuffer(1, 0);
        EXPECT_EQ(TSY_GetUndoCount(), 1);
    }
}

TEST_F(UndoTest, FixedBudgetInMiB) {
    Setup();
    TSY_SetUndoMB(3);
    EXPECT_EQ(g_engine.undo.undoBudgetAuto, 0);
    EXPECT_EQ(g_engine.undo.undoBudgetKiB, 3072);
    EXPECT_EQ(TSY_GetTotalUndoMemory(), 3);
}

TEST_F(UndoTest, AutomaticBudgetFollowsFreeMemory) {
    // Canvas 100 x 100: work record 100000 / 1024 = 97 KiB; p = 10000 / 1024 = 9.
    struct Case {
        const char *name;
        uint64_t availPhys, availPage;
        int32_t budget;
    } cases[] = {
        // m = min(1 GiB, 512 MiB) >> 10 = 524288; x = 524288 * 0.85 + 97 = 445741.8;
        // 445741 - 20 * 9 = 445561.
        {"the smaller of physical and paging file", 1ull << 30, 512ull << 20, 445561},
        // m = 1000; x = 850 + 97 = 947; 947 - 180 = 767.
        {"paging file smaller", 5000 * 1024ull, 1000 * 1024ull + 1023, 767},
        // m = 100; x = 85 + 97 = 182; 182 - 180 = 2, raised to 15 * 9 = 135.
        {"raised to fifteen times the canvas KiB", 100 * 1024ull, 100 * 1024ull, 135},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStatus status{};
        status.availPhys = c.availPhys;
        status.availPageFile = c.availPage;
        SetMemoryStatusOverride(&status);
        Setup(100, 100);
        TSY_SetUndoMB(0);
        EXPECT_EQ(g_engine.undo.undoBudgetAuto, 1);
        EXPECT_EQ(g_engine.undo.undoBudgetKiB, c.budget);
        EXPECT_EQ(TSY_GetTotalUndoMemory(), c.budget / 1024);
        Reset();
    }
}

TEST_F(UndoTest, AutomaticBudgetOnThisMachineIsPositive) {
    Setup(100, 100);
    TSY_SetUndoMB(0);
    EXPECT_GE(g_engine.undo.undoBudgetKiB, 15 * 9);
}

// ---- Saving after undo, clearing, pausing ---------------------------------------------

TEST_F(UndoTest, SavingAfterUndoDiscardsTheUndoneSteps) {
    Setup();
    std::vector<std::vector<uint16_t>> states{State()};
    for (int i = 0; i < 4; ++i) {
        Paint(2, {i * 3, i * 2, i * 3 + 20, i * 2 + 10}, 40 + i);  // 21 x 11 = 231 px
        TSY_SaveUndoBuffer(1, 0);
        states.push_back(State());
    }
    TSY_Undo();
    TSY_Undo();
    EXPECT_EQ(TSY_GetRedoCount(), 2);
    EXPECT_TRUE(State() == states[2]);
    Paint(2, {0, 0, 30, 20}, 50);  // 31 x 21 = 651 px
    TSY_SaveUndoBuffer(1, 0);
    EXPECT_EQ(TSY_GetRedoCount(), 0);
    EXPECT_EQ(TSY_CanRedo(), 0);
    EXPECT_EQ(TSY_GetUndoCount(), 3);
    // Work 1200 * 10 / 1024 = 11; steps 231 * 8 / 1024 = 1 (twice), 651 * 8 / 1024 = 5.
    EXPECT_EQ(g_engine.undoMemoryKiB, 11 + 1 + 1 + 5);
    for (int i = 0; i < 3; ++i) TSY_Undo();
    EXPECT_TRUE(State() == states[0]);
    EXPECT_EQ(TSY_CanUndo(), 0);
}

TEST_F(UndoTest, ClearReleasesEverythingAndRefreshesTheWorkRecord) {
    Setup();
    for (int i = 0; i < 3; ++i) {
        Paint(2, {0, 0, 30, 20}, 60 + i);
        TSY_SaveUndoBuffer(1, 1);
    }
    TSY_Undo();
    TSY_PauseUndo();
    Paint(2, {1, 1, 5, 5}, 70);  // not yet in the work record
    TSY_ClearUndo();
    EXPECT_EQ(TSY_GetUndoCount(), 0);
    EXPECT_EQ(TSY_GetRedoCount(), 0);
    EXPECT_EQ(g_engine.undo.undoPaused, 0);
    EXPECT_EQ(g_engine.undoMemoryKiB, WorkKiB());
    EXPECT_EQ(0, std::memcmp(g_engine.undoWorkCanvas, g_engine.layers[2].pixels, kW * kH * 8));
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(Step(s).undoMaskFlag, 1);
}

TEST_F(UndoTest, PauseStopsSavingUndoAndRedo) {
    Setup();
    Paint(2, {0, 0, 9, 9}, 80);
    TSY_SaveUndoBuffer(1, 0);
    const auto painted = LayerPixels(2);
    TSY_PauseUndo();
    TSY_Undo();
    EXPECT_TRUE(LayerPixels(2) == painted);
    Paint(2, {10, 10, 19, 19}, 81);
    TSY_SaveUndoBuffer(1, 0);
    EXPECT_EQ(TSY_GetUndoCount(), 1);
    EXPECT_EQ(g_engine.undo.dirtyRight, 19);  // the dirty rectangle waits for the next save
    TSY_SaveUndoBackBuffer(2);                // nor is the work record refreshed
    EXPECT_NE(0, std::memcmp(g_engine.undoWorkCanvas, g_engine.layers[2].pixels, kW * kH * 8));
    TSY_ResumeUndo();
    TSY_SaveUndoBuffer(1, 0);
    EXPECT_EQ(TSY_GetUndoCount(), 2);
    TSY_Undo();
    TSY_Undo();
    EXPECT_EQ(TSY_GetRedoCount(), 2);
}

// ---- Reclamation -------------------------------------------------------------------------

TEST_F(UndoTest, ReduceReleasesOldestPixelStepsUntilEnoughIsFreed) {
    // Canvas 64 x 64: work 40960 / 1024 = 40 KiB. Steps of 40 x 40 = 1600 px:
    // pixels 12800 / 1024 = 12 KiB, mask 3200 / 1024 = 3 KiB.
    Setup(64, 64);
    const bool image[5] = {true, true, false, true, true};  // oldest first; the third is mask-only
    for (int i = 0; i < 5; ++i) {
        Paint(2, {i, i, i + 39, i + 39}, 90 + i);
        if (!image[i]) PaintMask({i, i, i + 39, i + 39}, 100);
        TSY_SaveUndoBuffer(image[i] ? 1 : 0, image[i] ? 0 : 1);
    }
    // Steps 5..1 (oldest to newest): pixels, pixels, mask, pixels, pixels.
    EXPECT_EQ(g_engine.undoMemoryKiB, 40 + 4 * 12 + 3);

    TSY_ReduceUndo(0);  // asks for nothing, releases nothing
    EXPECT_EQ(TSY_GetUndoCount(), 5);

    // 13 KiB: step 5 gives 12 (< 13), step 4 gives 12 more (24 >= 13): stop.
    // The mask-only step 3 is skipped and stays; nothing is shifted. A
    // pixel-only step gives back the 12 KiB its block cost, not the 15 KiB
    // (16000 / 1024) of a pixel and mask pair it never had.
    EXPECT_EQ(UndoReduceSteps(13), 2);
    EXPECT_EQ(TSY_GetUndoCount(), 3);
    EXPECT_EQ(Step(5).undoPixels, nullptr);
    EXPECT_EQ(Step(4).undoPixels, nullptr);
    EXPECT_NE(Step(3).undoMask, nullptr);
    EXPECT_EQ(g_engine.undoMemoryKiB, 40 + 2 * 12 + 3);
    // Only mask steps or nothing left to give after the last pixel steps go.
    EXPECT_EQ(UndoReduceSteps(1000), 2);
    EXPECT_EQ(UndoReduceSteps(1000), 0);
    EXPECT_EQ(TSY_GetUndoCount(), 1);
    EXPECT_EQ(g_engine.undoMemoryKiB, 40 + 3);
    // The newest steps are gone, so nothing can be undone any more.
    EXPECT_EQ(TSY_CanUndo(), 0);
}

TEST_F(UndoTest, ReduceDiscardsUndoneStepsFirst) {
    Setup();
    std::vector<std::vector<uint16_t>> states{State()};
    for (int i = 0; i < 3; ++i) {
        Paint(2, {i, i, i + 20, i + 20}, 110 + i);
        TSY_SaveUndoBuffer(1, 0);
        states.push_back(State());
    }
    TSY_Undo();                        // step 1 becomes redoable
    EXPECT_EQ(UndoReduceSteps(0), 1);  // only the undone step goes
    EXPECT_EQ(TSY_GetRedoCount(), 0);
    EXPECT_EQ(TSY_GetUndoCount(), 2);
    TSY_Undo();
    TSY_Undo();
    EXPECT_TRUE(State() == states[0]);
}

int g_shortfallSteps = 0;
// Memory comes back once the history holds no more than two steps.
bool ShortWhileHistoryIsLong(size_t) { return TSY_GetUndoCount() > g_shortfallSteps; }
bool AlwaysShort(size_t) { return true; }

TEST_F(UndoTest, AllocationFailureReclaimsHistory) {
    // Canvas 64 x 64 (work 40 KiB); five 40 x 40 pixel steps of 12 KiB each.
    Setup(64, 64);
    std::vector<std::vector<uint16_t>> states{LayerPixels(2)};
    for (int i = 0; i < 5; ++i) {
        Paint(2, {i, i, i + 39, i + 39}, 120 + i);
        TSY_SaveUndoBuffer(1, 0);
        states.push_back(LayerPixels(2));
    }
    g_shortfallSteps = 2;
    SetAllocShortageHook(ShortWhileHistoryIsLong);
    // 15360 values = 30720 bytes: 30 KiB asked back. Steps 5, 4 and 3 give
    // 12 + 12 + 12 = 36 >= 30; then two steps are left and memory is found.
    uint16_t *block = x_NewShortUndoReduce(15 * 1024);
    SetAllocShortageHook(nullptr);
    ASSERT_NE(block, nullptr);
    ReleaseBuffer(block);
    EXPECT_EQ(TSY_GetUndoCount(), 2);
    EXPECT_EQ(g_engine.undoMemoryKiB, 40 + 2 * 12);
    // The two newest steps still undo exactly.
    TSY_Undo();
    TSY_Undo();
    EXPECT_TRUE(LayerPixels(2) == states[3]);
    EXPECT_EQ(TSY_CanUndo(), 0);
}

TEST_F(UndoTest, AllocationGivesUpWhenOnlyMaskStepsRemain) {
    Setup();
    PaintMask({0, 0, 20, 20}, 5);
    TSY_SaveUndoBuffer(0, 1);
    SetAllocShortageHook(AlwaysShort);
    EXPECT_EQ(x_NewCharUndoReduce(4096), nullptr);
    EXPECT_EQ(TSY_Alloc(100), nullptr);  // below 1 KiB: still ends
    SetAllocShortageHook(nullptr);
    EXPECT_EQ(TSY_GetUndoCount(), 1);
}

TEST_F(UndoTest, StepBufferShortageRecordsNoStepButUpdatesTheWorkRecord) {
    Setup();
    Paint(2, {0, 0, 10, 10}, 130);
    TSY_SaveUndoBuffer(1, 0);
    Paint(2, {5, 5, 20, 20}, 131);
    SetAllocShortageHook(AlwaysShort);
    TSY_SaveUndoBuffer(1, 1);
    SetAllocShortageHook(nullptr);
    // Making room dropped the older step; the new one could not be obtained.
    EXPECT_EQ(TSY_GetUndoCount(), 0);
    EXPECT_EQ(g_engine.undoMemoryKiB, WorkKiB());
    EXPECT_STREQ(TSY_GetLastError(), "");
    EXPECT_EQ(0, std::memcmp(g_engine.undoWorkCanvas, g_engine.layers[2].pixels, kW * kH * 8));
}

// ---- Layers that changed under the history ---------------------------------------------------

TEST_F(UndoTest, StepOfADeletedLayerIsSkippedSafely) {
    Setup();
    TSY_SetLayer(3);
    Paint(3, {0, 0, 39, 29}, 140);
    PaintMask({2, 2, 8, 8}, 9);
    const auto maskBefore = std::vector<uint16_t>(kW * kH, 65535);
    TSY_SaveUndoBuffer(1, 1);
    TSY_DeleteLayer(3);
    TSY_SetLayer(2);
    const auto layer2 = LayerPixels(2);
    TSY_Undo();
    EXPECT_EQ(TSY_GetRedoCount(), 1);
    EXPECT_EQ(TSY_GetLayerNum(), 2);
    EXPECT_TRUE(LayerPixels(2) == layer2);  // not written with layer 3's step
    EXPECT_TRUE(std::vector<uint16_t>(g_engine.mask, g_engine.mask + kW * kH) == maskBefore);
    TSY_Redo();
    EXPECT_EQ(g_engine.mask[2 * kW + 2], 9);
    EXPECT_TRUE(LayerPixels(2) == layer2);
}

TEST_F(UndoTest, StepOfAResizedLayerIsSkippedSafely) {
    Setup();
    TSY_SetLayer(3);
    Paint(3, {20, 15, 39, 29}, 150);
    TSY_SaveUndoBuffer(1, 0);
    ASSERT_EQ(TSY_CreateLayer(3, 10, 10), 1);  // now smaller than the step's rectangle
    std::vector<uint16_t> small = LayerPixels(3);
    TSY_Undo();
    TSY_Redo();
    EXPECT_EQ(TSY_StartFade(), 0);
    EXPECT_TRUE(LayerPixels(3) == small);
    EXPECT_EQ(TSY_GetRedoCount(), 0);
}

TEST_F(UndoTest, SmallerCurrentLayerFeedsOnlyItsOverlap) {
    Setup();
    ASSERT_EQ(TSY_CreateLayer(4, 10, 8), 1);
    TSY_SetLayer(4);
    Paint(4, {2, 2, 9, 7}, 160);
    g_engine.undo.dirtyRight = kW - 1;  // painting reached past the layer
    g_engine.undo.dirtyBottom = kH - 1;
    TSY_SaveUndoBuffer(1, 0);
    const auto painted = LayerPixels(4);
    // The step covers more than the layer, so undo leaves its pixels alone.
    TSY_Undo();
    EXPECT_TRUE(LayerPixels(4) == painted);
    // The work record took the layer's 10 x 8 overlap, row by row.
    for (int y = 0; y < 8; ++y)
        ASSERT_EQ(0, std::memcmp(g_engine.undoWorkCanvas + y * kW * 4, painted.data() + y * 40, 40 * 2));
}

// ---- Fade -----------------------------------------------------------------------------------

TEST_F(UndoTest, StartFadeSwapsTheNextUndoBlockBackAndForth) {
    Setup();
    EXPECT_EQ(TSY_StartFade(), 0);  // nothing undone: nothing happens
    const auto s0 = LayerPixels(2);
    Paint(2, {0, 0, 19, 19}, 170);
    TSY_SaveUndoBuffer(1, 0);
    const auto s1 = LayerPixels(2);
    Paint(2, {10, 10, 30, 25}, 171);
    TSY_SaveUndoBuffer(1, 0);
    EXPECT_EQ(TSY_StartFade(), 0);
    TSY_Undo();
    EXPECT_TRUE(LayerPixels(2) == s1);
    TSY_SetLayer(3);
    EXPECT_EQ(TSY_StartFade(), 1);  // step 2 of layer 2: shows the state before it
    EXPECT_EQ(TSY_GetLayerNum(), 2);
    EXPECT_TRUE(LayerPixels(2) == s0);
    EXPECT_EQ(TSY_GetRedoCount(), 1);
    EXPECT_EQ(TSY_StartFade(), 1);
    EXPECT_TRUE(LayerPixels(2) == s1);
    TSY_UpdateFade(5);
    TSY_EndFade();
    TSY_Undo();
    EXPECT_TRUE(LayerPixels(2) == s0);
}

// ---- Canvas lifecycle ---------------------------------------------------------------------------

TEST_F(UndoTest, WorkRecordPointsAtTheWorkBuffers) {
    Setup();
    const UndoRecord &w = Step(0);
    EXPECT_EQ(w.undoPixels, g_engine.undoWorkCanvas);
    EXPECT_EQ(w.undoMask, g_engine.undoMaskCopy);
    EXPECT_EQ(w.undoRight, kW - 1);
    EXPECT_EQ(w.undoBottom, kH - 1);
    Paint(2, {0, 0, 10, 10}, 180);
    TSY_SaveUndoBuffer(1, 1);
    TSY_NewSize(nullptr, 20, 20, 64, 0);
    EXPECT_EQ(TSY_GetUndoCount(), 0);
    EXPECT_EQ(Step(0).undoPixels, g_engine.undoWorkCanvas);
    EXPECT_EQ(Step(0).undoRight, 19);
    EXPECT_EQ(g_engine.undoMemoryKiB, 20 * 20 * 10 / 1024);
    TSY_DeleteImage();
    EXPECT_EQ(Step(0).undoPixels, nullptr);
    EXPECT_EQ(TSY_CanUndo(), 0);
}

TEST_F(UndoTest, NoCanvasMeansNothingHappens) {
    TSY_SetUndoLevels(10);
    TSY_SaveUndoBuffer(1, 1);
    TSY_Undo();
    TSY_Redo();
    TSY_SaveUndoBackBuffer(2);
    TSY_ReduceUndo(100);
    EXPECT_EQ(TSY_StartFade(), 0);
    EXPECT_EQ(TSY_GetUndoCount(), 0);
    EXPECT_EQ(TSY_CanUndo(), 0);
    EXPECT_STREQ(TSY_GetLastError(), "");
}

}  // namespace
