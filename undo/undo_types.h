// Undo history records and budget.
#pragma once
#include <cstdint>

struct UndoGroup {
    int32_t redoCount;  // steps undone that can be redone
};
