// Exports: undo history.
#include "api/api.h"
#include "undo/undo.h"
#include "undo/undo_api.h"

TSY_API int32_t TSY_CanUndo(void) {
    int32_t result = 0;
    TSY_GUARD("CanUndo Excpt", result = UndoCanUndo());
    return result;
}

TSY_API void TSY_ReduceUndo(int32_t kib) { TSY_GUARD("ReduceUndo Excpt", UndoReduceSteps(kib)); }

TSY_API void TSY_SaveUndoBackBuffer(int32_t layer) { TSY_GUARD("SaveUndoBackBuffer Excpt", UndoSaveBackBuffer(layer)); }

TSY_API void TSY_EndFade(void) { EndFade(); }
