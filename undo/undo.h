// Undo history: the steps, the memory budget, undo, redo and reclamation.
//
// A step records one rectangle of one layer as it was before a change. The
// work record (undoWorkCanvas, undoMaskCopy) always holds the current layer
// and mask as they were at the last save, so the "before" pixels of the next
// step are cut out of it after the layer has been painted. Undo and redo swap
// a step's block with the layer's, so one record serves both directions.
#pragma once
#include <cstdint>

// ---- Calls other subsystems make -------------------------------------------

int UndoCanUndo();    // body of TSY_CanUndo
int UndoRedoCount();  // steps that can be redone
// Drops old steps until `kib` KiB are freed (after discarding the undone
// steps); returns the number of steps released (0 when nothing could be
// released). Body of TSY_ReduceUndo, called by the allocation routines.
int UndoReduceSteps(int kib);
// Releases the buffers of records 1..500 and empties them; record 0 is
// pointed at the work buffers (canvas creation, resize and deletion).
void UndoResetRecords();
// Empties the history (TSY_ClearUndo without the budget refresh).
void UndoClearHistory();
// Copies the given layer and the live mask into the work record, unless paused.
void UndoSaveBackBuffer(int layer);

// ---- Bodies of the exports ---------------------------------------------------

void UndoSaveStep(int saveImage, int saveMask);  // TSY_SaveUndoBuffer
void UndoInvalidateDirtyCanvas();                // TSY_InvalidateDirtyUndoCanvas
void UndoStepBack();                             // TSY_Undo
void UndoStepForward();                          // TSY_Redo
int UndoCanRedo();
int UndoStepCount();  // TSY_GetUndoCount
void UndoSetLevels(int n);
void UndoClear();  // TSY_ClearUndo (with the budget refresh)
void UndoPause();
void UndoResume();
void UndoSetBudgetMiB(int mb);   // TSY_SetUndoMB
int UndoTotalMemoryMiB();        // TSY_GetTotalUndoMemory
int UndoCurrentMemoryMiB();      // TSY_GetCurrentUndoMemory
int UndoStartFade();             // TSY_StartFade
void UndoUpdateFade(int value);  // does nothing

// Discards the undone steps (1..redoCount) and moves the older ones up.
// Records "RemoveAdandonedUndo Excpt" on failure.
void RemoveAdandonedUndo();

// Recomputes undoBudgetKiB from the machine's free memory when the budget is
// automatic. flag 0 counts the memory the history already uses as available.
void UpdateUndoBudget(uint8_t flag);
