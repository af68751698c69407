// Undo history: the calls other subsystems make into it.
#pragma once

int UndoCanUndo();          // body of TSY_CanUndo
int UndoRedoCount();        // steps that can be redone
// Drops old steps until about `kib` KiB are freed; returns the number of steps
// released (0 when nothing could be released).
int UndoReduceSteps(int kib);
// Releases the buffers of every record and empties the history (canvas
// creation, resize and deletion).
void UndoResetRecords();
// Empties the history (TSY_ClearUndo without the budget refresh).
void UndoClearHistory();
// Copies the given layer and the live mask into the work record.
void UndoSaveBackBuffer(int layer);
