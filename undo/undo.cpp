// Undo history. Steps 1..undoLevels hold the rectangles that changed, newest
// first; record 0 is the work record over the whole canvas. Memory is counted
// in KiB on every allocation and release so that the budget test is a
// comparison:
//   pixel block  trunc(w * h * 8 / 1024) KiB
//   mask block   trunc(w * h * 2 / 1024) KiB
//   work record  W * H * 10 / 1024 KiB
// undoMemoryKiB is raised to 0 after every subtraction.
#include "undo/undo.h"

#include <algorithm>
#include <cstring>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/errors.h"
#include "core/layers.h"
#include "platform/memory_status.h"
#include "undo/dirty_rect.h"
#include "undo/undo_api.h"

namespace {

UndoGroup &Undo() { return g_engine.undo; }

// History slots in use, 0..500 (levels of 0 or less disable the history).
int Levels() { return std::clamp(Undo().undoLevels, 0, kUndoMaxLevels); }

int64_t RecordArea(const UndoRecord &r) {
    const int64_t w = static_cast<int64_t>(r.undoRight) - r.undoLeft + 1;
    const int64_t h = static_cast<int64_t>(r.undoBottom) - r.undoTop + 1;
    return (w > 0 && h > 0) ? w * h : 0;
}

int32_t PixelCostKiB(int64_t area) { return static_cast<int32_t>(area * 8 / 1024); }
int32_t MaskCostKiB(int64_t area) { return static_cast<int32_t>(area * 2 / 1024); }

void AddMemory(int32_t kib) {
    const int64_t v = static_cast<int64_t>(g_engine.undoMemoryKiB) + kib;
    g_engine.undoMemoryKiB = static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX));
}

void SubtractMemory(int32_t kib) {
    g_engine.undoMemoryKiB -= kib;
    if (g_engine.undoMemoryKiB < 0) g_engine.undoMemoryKiB = 0;
}

// Releases a step's blocks, subtracting what each one cost; returns the KiB
// given back.
int32_t ReleaseStepBuffers(UndoRecord &r) {
    const int64_t area = RecordArea(r);
    int32_t freed = 0;
    if (r.undoPixels != nullptr) {
        ReleaseBuffer(r.undoPixels);
        SubtractMemory(PixelCostKiB(area));
        freed += PixelCostKiB(area);
    }
    if (r.undoMask != nullptr) {
        ReleaseBuffer(r.undoMask);
        SubtractMemory(MaskCostKiB(area));
        freed += MaskCostKiB(area);
    }
    return freed;
}

void ClearStep(UndoRecord &r, uint8_t flag) {
    r.undoMaskFlag = flag;
    r.undoLeft = r.undoTop = r.undoRight = r.undoBottom = 0;
}

bool HasBlock(const UndoRecord &r) { return r.undoPixels != nullptr || r.undoMask != nullptr; }

// Record 0 mirrors the work buffers over the whole canvas.
void PointWorkRecord() {
    UndoRecord &w = Undo().undoRecords[0];
    w.undoPixels = g_engine.undoWorkCanvas;
    w.undoMask = g_engine.undoMaskCopy;
    w.undoMaskFlag = g_engine.maskActive;
    w.undoLeft = 0;
    w.undoTop = 0;
    w.undoRight = g_engine.canvasWidth - 1;
    w.undoBottom = g_engine.canvasHeight - 1;
}

// ---- Block copies ---------------------------------------------------------------
// Plain copies of w x h blocks of `channels` 16-bit values per pixel; strides
// are in 16-bit values.

void CopyBlock(uint16_t *dst, size_t dstStride, const uint16_t *src, size_t srcStride, int w, int h, int channels) {
    const size_t rowBytes = static_cast<size_t>(w) * channels * sizeof(uint16_t);
    for (int y = 0; y < h; ++y) std::memcpy(dst + y * dstStride, src + y * srcStride, rowBytes);
}

// The three copies of an undo or redo, row by row: the step's block goes into
// the live buffer, the work buffer's rectangle into the block, and the live
// rectangle (now the block's old content) into the work buffer.
void SwapBlock(uint16_t *live, size_t liveStride, uint16_t *block, uint16_t *work, size_t workStride, int w, int h,
               int channels) {
    const size_t rowValues = static_cast<size_t>(w) * channels;
    const size_t rowBytes = rowValues * sizeof(uint16_t);
    for (int y = 0; y < h; ++y) {
        uint16_t *l = live + y * liveStride;
        uint16_t *b = block + y * rowValues;
        uint16_t *k = work + y * workStride;
        std::memcpy(l, b, rowBytes);
        std::memcpy(b, k, rowBytes);
        std::memcpy(k, l, rowBytes);
    }
}

// True when the rectangle lies inside the slot's buffer and the canvas (and
// hence the work canvas).
bool SlotHoldsRect(const LayerSlot *slot, const UndoRecord &r) {
    if (slot == nullptr || slot->pixels == nullptr) return false;
    const int w = std::min(slot->width, g_engine.canvasWidth);
    const int h = std::min(slot->height, g_engine.canvasHeight);
    return r.undoLeft >= 0 && r.undoTop >= 0 && r.undoLeft <= r.undoRight && r.undoTop <= r.undoBottom &&
           r.undoRight < w && r.undoBottom < h && slot->stride >= 4 * slot->width;
}

bool CanvasHoldsRect(const UndoRecord &r) {
    return r.undoLeft >= 0 && r.undoTop >= 0 && r.undoLeft <= r.undoRight && r.undoTop <= r.undoBottom &&
           r.undoRight < g_engine.canvasWidth && r.undoBottom < g_engine.canvasHeight;
}

size_t CanvasStride() { return static_cast<size_t>(g_engine.canvasWidth) * 4; }

uint16_t *PixelAt(uint16_t *buf, size_t stride, int x, int y, int channels) {
    return buf + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels;
}

// Makes the step's layer current (refreshing the work record from it) and
// returns its slot when the step's pixels can be swapped with it; null when
// the slot is empty or its buffer does not hold the step's rectangle, in which
// case the step's pixels are left alone.
LayerSlot *PrepareStepLayer(int step) {
    const int layer = Undo().undoLayers[step - 1];
    if (layer != g_engine.currentLayer) LayerSelect(layer);
    if (layer != g_engine.currentLayer) return nullptr;
    LayerSlot *slot = SlotWithPixels(layer);
    if (g_engine.undoWorkCanvas == nullptr || !SlotHoldsRect(slot, Undo().undoRecords[step])) return nullptr;
    return slot;
}

void SwapStepPixels(UndoRecord &r, LayerSlot *slot) {
    const int w = r.undoRight - r.undoLeft + 1;
    const int h = r.undoBottom - r.undoTop + 1;
    SwapBlock(PixelAt(slot->pixels, slot->stride, r.undoLeft, r.undoTop, 4), slot->stride, r.undoPixels,
              PixelAt(g_engine.undoWorkCanvas, CanvasStride(), r.undoLeft, r.undoTop, 4), CanvasStride(), w, h, 4);
}

void SwapStepMask(UndoRecord &r) {
    if (g_engine.mask == nullptr || g_engine.undoMaskCopy == nullptr || !CanvasHoldsRect(r)) return;
    const int w = r.undoRight - r.undoLeft + 1;
    const int h = r.undoBottom - r.undoTop + 1;
    const size_t stride = static_cast<size_t>(g_engine.canvasWidth);
    SwapBlock(PixelAt(g_engine.mask, stride, r.undoLeft, r.undoTop, 1), stride, r.undoMask,
              PixelAt(g_engine.undoMaskCopy, stride, r.undoLeft, r.undoTop, 1), stride, w, h, 1);
}

// Undo and redo of step s: the same swap in both directions.
void SwapStep(int step) {
    UndoRecord &r = Undo().undoRecords[step];
    LayerSlot *slot = PrepareStepLayer(step);
    if (r.undoPixels != nullptr && slot != nullptr) SwapStepPixels(r, slot);
    if (r.undoMask != nullptr) SwapStepMask(r);
}

void RemoveAbandonedSteps() {
    UndoGroup &u = Undo();
    if (u.redoCount < 1) return;
    const int levels = Levels();
    const int undone = static_cast<int>(std::min<uint32_t>(u.redoCount, kUndoMaxLevels));
    for (int s = 1; s <= undone; ++s) {
        ReleaseStepBuffers(u.undoRecords[s]);
        ClearStep(u.undoRecords[s], g_engine.maskActive);
    }
    for (int i = undone + 1; i <= levels; ++i) {
        u.undoRecords[i - undone] = u.undoRecords[i];
        u.undoLayers[i - undone - 1] = u.undoLayers[i - 1];
    }
    for (int i = std::max(levels - undone + 1, 1); i <= levels; ++i) {
        UndoRecord &r = u.undoRecords[i];
        r.undoPixels = nullptr;
        r.undoMask = nullptr;
        ClearStep(r, 0);
    }
    u.redoCount = 0;
}

}  // namespace

// ---- Budget ----------------------------------------------------------------------

// m = min(available physical, available paging file) in KiB; x = m * 0.85
// (double); flag 0 adds what the history already uses; p = W * H / 1024;
// budget = trunc(x) - 20p, at least 15p.
void UpdateUndoBudget(uint8_t flag) {
    UndoGroup &u = Undo();
    if (!u.undoBudgetAuto) return;
    MemoryStatus status{};
    QueryMemoryStatus(&status);
    const uint64_t m = std::min(status.availPhys, status.availPageFile) >> 10;
    double x = static_cast<double>(m) * 0.85;
    if (flag == 0) x = x + g_engine.undoMemoryKiB;
    const int64_t p = static_cast<int64_t>(g_engine.canvasWidth) * g_engine.canvasHeight / 1024;
    int64_t budget = static_cast<int64_t>(x) - 20 * p;
    if (budget < 15 * p) budget = 15 * p;
    u.undoBudgetKiB = static_cast<int32_t>(std::min<int64_t>(budget, INT32_MAX));
}

// ---- Work record ---------------------------------------------------------------

void UndoSaveBackBuffer(int layer) {
    if (Undo().undoPaused) return;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    const LayerSlot *slot = SlotWithPixels(layer);
    if (slot != nullptr && g_engine.undoWorkCanvas != nullptr) {
        // A layer of another size than the canvas contributes its overlap.
        const int w = std::min(W, slot->width);
        const int h = std::min(H, slot->height);
        if (w > 0 && h > 0) CopyBlock(g_engine.undoWorkCanvas, CanvasStride(), slot->pixels, slot->stride, w, h, 4);
    }
    if (g_engine.mask != nullptr && g_engine.undoMaskCopy != nullptr)
        std::memcpy(g_engine.undoMaskCopy, g_engine.mask, static_cast<size_t>(W) * H * sizeof(uint16_t));
}

// ---- Saving ------------------------------------------------------------------------

void UndoSaveStep(int saveImageArg, int saveMaskArg) {
    UndoGroup &u = Undo();
    if (u.undoPaused) return;
    const bool saveImage = static_cast<uint8_t>(saveImageArg) != 0;
    const bool saveMask = static_cast<uint8_t>(saveMaskArg) != 0;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;

    u.dirtyLeft = std::max(u.dirtyLeft, 0);
    u.dirtyTop = std::max(u.dirtyTop, 0);
    u.dirtyRight = std::min(u.dirtyRight, W - 1);
    u.dirtyBottom = std::min(u.dirtyBottom, H - 1);

    RemoveAdandonedUndo();

    // Empty, or a single column or row: the whole canvas is saved.
    if (u.dirtyLeft >= u.dirtyRight || u.dirtyTop >= u.dirtyBottom) {
        u.dirtyLeft = 0;
        u.dirtyTop = 0;
        u.dirtyRight = W - 1;
        u.dirtyBottom = H - 1;
    }
    const int left = u.dirtyLeft, top = u.dirtyTop;
    const int w = u.dirtyRight - left + 1;
    const int h = u.dirtyBottom - top + 1;
    if (w < 1 || h < 1) return;

    // A block can only be cut from a work buffer that exists.
    const bool wantPixels = saveImage && g_engine.undoWorkCanvas != nullptr;
    const bool wantMask = saveMask && g_engine.undoMaskCopy != nullptr;
    const int64_t area = static_cast<int64_t>(w) * h;

    if (wantPixels || wantMask) {
        UpdateUndoBudget(0);

        // Make room from the oldest step down until the new step fits the
        // budget; at worst the whole history goes.
        const int levels = Levels();
        const int64_t stepKiB = area * 10 / 1024;
        uint16_t *pixels = nullptr;
        uint16_t *maskBlock = nullptr;
        bool complete = false;
        for (int g = levels; g >= 1 && !complete; --g) {
            ReleaseStepBuffers(u.undoRecords[g]);
            ClearStep(u.undoRecords[g], 0);
            if (stepKiB + g_engine.undoMemoryKiB < u.undoBudgetKiB || g == 1) {
                if (wantPixels && pixels == nullptr) {
                    pixels = TryNewShortBuffer(static_cast<size_t>(area) * 4);
                    if (pixels != nullptr) AddMemory(PixelCostKiB(area));
                }
                if (wantMask && maskBlock == nullptr) {
                    maskBlock = TryNewShortBuffer(static_cast<size_t>(area));
                    if (maskBlock != nullptr) AddMemory(MaskCostKiB(area));
                }
                complete = (!wantPixels || pixels != nullptr) && (!wantMask || maskBlock != nullptr);
            }
        }

        if (complete) {
            for (int m = levels; m >= 2; --m) {
                u.undoRecords[m] = u.undoRecords[m - 1];
                u.undoLayers[m - 1] = u.undoLayers[m - 2];
            }
            UndoRecord &r = u.undoRecords[1];
            r.undoPixels = pixels;
            r.undoMask = maskBlock;
            r.undoMaskFlag = g_engine.maskActive;
            r.undoLeft = left;
            r.undoTop = top;
            r.undoRight = left + w - 1;
            r.undoBottom = top + h - 1;
            u.undoLayers[0] = g_engine.currentLayer;
            if (pixels != nullptr)
                CopyBlock(pixels, static_cast<size_t>(w) * 4,
                          PixelAt(g_engine.undoWorkCanvas, CanvasStride(), left, top, 4), CanvasStride(), w, h, 4);
            if (maskBlock != nullptr)
                CopyBlock(maskBlock, static_cast<size_t>(w),
                          PixelAt(g_engine.undoMaskCopy, static_cast<size_t>(W), left, top, 1), static_cast<size_t>(W),
                          w, h, 1);
        } else {
            // Half a step is no step: give back what was obtained.
            if (pixels != nullptr) {
                ReleaseBuffer(pixels);
                SubtractMemory(PixelCostKiB(area));
            }
            if (maskBlock != nullptr) {
                ReleaseBuffer(maskBlock);
                SubtractMemory(MaskCostKiB(area));
            }
        }
    }

    // The work record now holds the state after the change. A current layer
    // of another size than the canvas contributes the part it covers.
    const LayerSlot *cur = g_engine.currentSlot;
    if (saveImage && g_engine.undoWorkCanvas != nullptr && cur != nullptr && cur->pixels != nullptr) {
        const int cw = std::min(left + w, std::min(cur->width, W)) - left;
        const int ch = std::min(top + h, std::min(cur->height, H)) - top;
        if (cw > 0 && ch > 0)
            CopyBlock(PixelAt(g_engine.undoWorkCanvas, CanvasStride(), left, top, 4), CanvasStride(),
                      PixelAt(cur->pixels, cur->stride, left, top, 4), cur->stride, cw, ch, 4);
    }
    if (saveMask && g_engine.undoMaskCopy != nullptr && g_engine.mask != nullptr)
        CopyBlock(PixelAt(g_engine.undoMaskCopy, static_cast<size_t>(W), left, top, 1), static_cast<size_t>(W),
                  PixelAt(g_engine.mask, static_cast<size_t>(W), left, top, 1), static_cast<size_t>(W), w, h, 1);

    ResetDirtyRect();
}

void UndoInvalidateDirtyCanvas() {
    UndoGroup &u = Undo();
    u.dirtyLeft = 0;
    u.dirtyTop = 0;
    u.dirtyRight = g_engine.canvasWidth - 1;
    u.dirtyBottom = g_engine.canvasHeight - 1;
}

// ---- Undo and redo -----------------------------------------------------------------

void UndoStepBack() {
    UndoGroup &u = Undo();
    if (u.undoPaused || static_cast<int64_t>(u.redoCount) >= Levels()) return;
    const int s = static_cast<int>(u.redoCount) + 1;
    if (!HasBlock(u.undoRecords[s])) return;
    SwapStep(s);
    u.redoCount = u.redoCount + 1;
}

void UndoStepForward() {
    UndoGroup &u = Undo();
    if (u.undoPaused || u.redoCount == 0) return;
    u.redoCount = u.redoCount - 1;
    const int s = static_cast<int>(u.redoCount) + 1;
    if (s > kUndoMaxLevels || !HasBlock(u.undoRecords[s])) return;
    SwapStep(s);
}

int UndoCanUndo() {
    const UndoGroup &u = g_engine.undo;
    if (static_cast<int64_t>(u.redoCount) >= Levels()) return 0;
    return HasBlock(u.undoRecords[u.redoCount + 1]) ? 1 : 0;
}

int UndoCanRedo() { return g_engine.undo.redoCount != 0 ? 1 : 0; }

int UndoRedoCount() { return static_cast<int>(g_engine.undo.redoCount); }

int UndoStepCount() {
    int n = 0;
    for (int s = 1; s <= kUndoMaxLevels; ++s) n += HasBlock(g_engine.undo.undoRecords[s]) ? 1 : 0;
    return n;
}

// ---- Reclamation --------------------------------------------------------------------

void RemoveAdandonedUndo() { TSY_GUARD("RemoveAdandonedUndo Excpt", RemoveAbandonedSteps()); }

// Releases pixel steps from the oldest until `kib` KiB are freed. Steps that
// hold only a mask block are skipped; no steps are shifted. A step gives back
// what its blocks cost (a pixel-only step does not count a mask it never had).
int UndoReduceSteps(int kib) {
    UndoGroup &u = Undo();
    const int undone = static_cast<int>(std::min<uint32_t>(u.redoCount, kUndoMaxLevels));
    RemoveAdandonedUndo();
    int released = u.redoCount == 0 ? undone : 0;
    int64_t freed = 0;
    for (int g = Levels(); g >= 1; --g) {
        UndoRecord &r = u.undoRecords[g];
        if (r.undoPixels == nullptr) continue;
        if (freed >= kib) break;
        freed += ReleaseStepBuffers(r);
        ClearStep(r, 0);
        ++released;
    }
    return released;
}

// ---- Control ---------------------------------------------------------------------------

void UndoResetRecords() {
    UndoGroup &u = Undo();
    for (int s = 1; s < kUndoRecordCount; ++s) {
        UndoRecord &r = u.undoRecords[s];
        ReleaseBuffer(r.undoPixels);
        ReleaseBuffer(r.undoMask);
        r = UndoRecord{};
    }
    u.redoCount = 0;
    PointWorkRecord();
}

void UndoClearHistory() {
    UndoGroup &u = Undo();
    ResetDirtyRect();
    u.undoPaused = 0;
    u.redoCount = 0;
    for (int s = 1; s < kUndoRecordCount; ++s) {
        UndoRecord &r = u.undoRecords[s];
        ReleaseBuffer(r.undoPixels);
        ReleaseBuffer(r.undoMask);
        ClearStep(r, g_engine.maskActive);
    }
    g_engine.undoMemoryKiB =
        static_cast<int32_t>(static_cast<int64_t>(g_engine.canvasWidth) * g_engine.canvasHeight * 10 / 1024);
    PointWorkRecord();
    UndoSaveBackBuffer(g_engine.currentLayer);
}

void UndoClear() {
    UndoClearHistory();
    UpdateUndoBudget(0);
}

void UndoSetLevels(int n) {
    UndoClear();
    Undo().undoLevels = std::min(n, kUndoMaxLevels);
}

void UndoPause() { Undo().undoPaused = 1; }
void UndoResume() { Undo().undoPaused = 0; }

void UndoSetBudgetMiB(int mb) {
    UndoGroup &u = Undo();
    if (mb != 0) {
        u.undoBudgetAuto = 0;
        const int64_t kib = static_cast<int64_t>(mb) * 1024;
        u.undoBudgetKiB = static_cast<int32_t>(std::clamp<int64_t>(kib, INT32_MIN, INT32_MAX));
    } else {
        u.undoBudgetAuto = 1;
        UpdateUndoBudget(0);
    }
}

int UndoTotalMemoryMiB() {
    UpdateUndoBudget(0);
    return Undo().undoBudgetKiB / 1024;
}

int UndoCurrentMemoryMiB() { return g_engine.undoMemoryKiB / 1024; }

// Swaps the block of the step the next undo would use with the layer, without
// moving through the history or touching the mask; a second call swaps it
// back. Returns 1 when a block was swapped.
int UndoStartFade() {
    UndoGroup &u = Undo();
    if (u.redoCount == 0 || static_cast<int64_t>(u.redoCount) >= Levels()) return 0;
    const int s = static_cast<int>(u.redoCount) + 1;
    UndoRecord &r = u.undoRecords[s];
    if (!HasBlock(r)) return 0;
    LayerSlot *slot = PrepareStepLayer(s);
    if (r.undoPixels == nullptr || slot == nullptr) return 0;
    SwapStepPixels(r, slot);
    return 1;
}

void UndoUpdateFade(int /*value*/) {}

void EndFade() {}
