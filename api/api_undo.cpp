// Exports: undo history.
#include "api/api.h"
#include "undo/undo.h"
#include "undo/undo_api.h"

TSY_API void TSY_SaveUndoBackBuffer(int32_t layer) { TSY_GUARD("SaveUndoBackBuffer Excpt", UndoSaveBackBuffer(layer)); }

TSY_API void TSY_SaveUndoBuffer(int32_t saveImage, int32_t saveMask) {
    TSY_GUARD("SaveUndoBuf Excpt", UndoSaveStep(saveImage, saveMask));
}

TSY_API void TSY_InvalidateDirtyUndoCanvas(void) {
    TSY_GUARD("InvalidateDirtyUndoCanvas Excpt", UndoInvalidateDirtyCanvas());
}

TSY_API void TSY_Undo(void) { TSY_GUARD("Undo Excpt", UndoStepBack()); }

TSY_API void TSY_Redo(void) { TSY_GUARD("Redo Excpt", UndoStepForward()); }

TSY_API int32_t TSY_CanUndo(void) {
    int32_t result = 0;
    TSY_GUARD("CanUndo Excpt", result = UndoCanUndo());
    return result;
}

TSY_API int32_t TSY_CanRedo(void) {
    int32_t result = 0;
    TSY_GUARD("CanRedo Excpt", result = UndoCanRedo());
    return result;
}

TSY_API int32_t TSY_GetRedoCount(void) {
    int32_t result = 0;
    TSY_GUARD("GetRedoCount Excpt", result = UndoRedoCount());
    return result;
}

TSY_API int32_t TSY_GetUndoCount(void) {
    int32_t result = 0;
    TSY_GUARD("GetUndoCount Excpt", result = UndoStepCount());
    return result;
}

TSY_API void TSY_SetUndoLevels(int32_t n) { TSY_GUARD("SetUndoLevels Excpt", UndoSetLevels(n)); }

TSY_API void TSY_ClearUndo(void) { TSY_GUARD("ClearUndo Excpt", UndoClear()); }

TSY_API void TSY_PauseUndo(void) { TSY_GUARD("PauseUndo Excpt", UndoPause()); }

TSY_API void TSY_ResumeUndo(void) { TSY_GUARD("ResumeUndo Excpt", UndoResume()); }

TSY_API void TSY_SetUndoMB(int32_t mb) { TSY_GUARD("SetUndoMB Excpt", UndoSetBudgetMiB(mb)); }

TSY_API int32_t TSY_GetTotalUndoMemory(void) {
    int32_t result = 0;
    TSY_GUARD("GetTotalUndoMemory Excpt", result = UndoTotalMemoryMiB());
    return result;
}

TSY_API int32_t TSY_GetCurrentUndoMemory(void) {
    int32_t result = 0;
    TSY_GUARD("GetCurrentUndoMemory Excpt", result = UndoCurrentMemoryMiB());
    return result;
}

TSY_API void TSY_ReduceUndo(int32_t kib) { TSY_GUARD("ReduceUndo Excpt", UndoReduceSteps(kib)); }

TSY_API int32_t TSY_StartFade(void) {
    int32_t result = 0;
    TSY_GUARD("StartFade Excpt", result = UndoStartFade());
    return result;
}

TSY_API void TSY_EndFade(void) { TSY_GUARD("EndFade Excpt", EndFade()); }

TSY_API void TSY_UpdateFade(int32_t value) { TSY_GUARD("UpdateFade Excpt", UndoUpdateFade(value)); }
