// Undo history records and budget.
#pragma once
#include <cstdint>

struct UndoGroup {
    uint32_t redoCount;  // steps currently undone (1..redoCount are redoable)
    // Area changed since the last save, inclusive. Empty is
    // left = W - 1, top = H - 1, right = bottom = 0.
    int32_t dirtyLeft;
    int32_t dirtyTop;
    int32_t dirtyRight;
    int32_t dirtyBottom;
};
