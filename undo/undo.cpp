// Undo history. The history itself is filled in by the undo subsystem; until
// then nothing is recorded and there is nothing to reclaim.
#include "undo/undo.h"
#include "undo/undo_api.h"

#include <cstring>

#include "core/engine_state.h"
#include "undo/dirty_rect.h"

int UndoCanUndo() { return 0; }

int UndoRedoCount() { return g_engine.undo.redoCount; }

int UndoReduceSteps(int /*kib*/) { return 0; }

void UndoResetRecords() { g_engine.undo.redoCount = 0; }

void UndoClearHistory() {
    g_engine.undo.redoCount = 0;
    ResetDirtyRect();
}

void UndoSaveBackBuffer(int layer) {
    if (layer < 0 || layer >= kLayerCount) return;
    const LayerSlot &slot = g_engine.layers[layer];
    const size_t values = static_cast<size_t>(g_engine.canvasWidth) * g_engine.canvasHeight;
    if (slot.pixels != nullptr && g_engine.undoWorkCanvas != nullptr &&
        static_cast<size_t>(slot.width) * slot.height >= values)
        std::memcpy(g_engine.undoWorkCanvas, slot.pixels, values * 8);
    if (g_engine.mask != nullptr && g_engine.undoMaskCopy != nullptr)
        std::memcpy(g_engine.undoMaskCopy, g_engine.mask, values * 2);
}

void EndFade() {}
