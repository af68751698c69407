// Undo history records and budget.
#pragma once
#include <cstdint>

constexpr int kUndoMaxLevels = 500;                   // history steps 1..500
constexpr int kUndoRecordCount = kUndoMaxLevels + 1;  // plus the work record 0

// One step of the history: the rectangle that changed on one layer, as the
// pixels (and optionally mask values) that were there before the change.
// Undo and redo swap these blocks with the live buffers, so one record serves
// both directions.
struct UndoRecord {
    uint16_t *undoPixels;  // RGBA64 block, w * h packed (rows w pixels apart); null if not saved
    uint16_t *undoMask;    // mask block, w * h packed; null if not saved
    uint8_t undoMaskFlag;  // maskActive at save time (stored only)
    int32_t undoLeft;      // the rectangle, all four inclusive:
    int32_t undoTop;       //   w = right - left + 1, h = bottom - top + 1
    int32_t undoRight;
    int32_t undoBottom;
};

struct UndoGroup {
    // Record 0 is the work record: it mirrors undoWorkCanvas / undoMaskCopy
    // (kept as named EngineState fields because other subsystems read them)
    // over the whole canvas. Records 1..500 are history steps, 1 the newest.
    UndoRecord undoRecords[kUndoRecordCount];
    int32_t undoLayers[kUndoMaxLevels];  // layer number of step s at index s - 1
    int32_t undoLevels;                  // history slots in use, at most 500; 0 or less disables the history
    uint32_t redoCount;                  // steps currently undone (1..redoCount are redoable)
    uint8_t undoPaused;                  // 1: saving, undo and redo do nothing
    int32_t undoBudgetKiB;               // memory the history may use, in KiB
    uint8_t undoBudgetAuto;              // 1: the budget follows free memory
    // Area changed since the last save, inclusive. Empty is
    // left = W - 1, top = H - 1, right = bottom = 0.
    int32_t dirtyLeft;
    int32_t dirtyTop;
    int32_t dirtyRight;
    int32_t dirtyBottom;
};
