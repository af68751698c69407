// The undo dirty rectangle that painting and image operations extend.
#pragma once

#include "core/engine_state.h"

// Grows the dirty rectangle to include (left, top) as minima and
// (right, bottom) as maxima (inclusive values).
inline void ExtendDirtyRect(int left, int top, int right, int bottom) {
    UndoGroup &u = g_engine.undo;
    if (left < u.dirtyLeft) u.dirtyLeft = left;
    if (top < u.dirtyTop) u.dirtyTop = top;
    if (right > u.dirtyRight) u.dirtyRight = right;
    if (bottom > u.dirtyBottom) u.dirtyBottom = bottom;
}

// Sets the dirty rectangle to empty.
inline void ResetDirtyRect() {
    g_engine.undo.dirtyLeft = g_engine.canvasWidth - 1;
    g_engine.undo.dirtyTop = g_engine.canvasHeight - 1;
    g_engine.undo.dirtyRight = 0;
    g_engine.undo.dirtyBottom = 0;
}
