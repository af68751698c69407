// Allocation with undo-aware reclamation. Every large engine buffer comes from
// x_NewCharUndoReduce / x_NewShortUndoReduce: on shortage they make the undo
// history drop its oldest steps and retry, so they report shortage only once
// no history is left. Buffers are released with ReleaseBuffer (delete[]);
// only TSY_Alloc blocks go through TSY_Free.
#pragma once
#include <cstddef>
#include <cstdint>

uint8_t *x_NewCharUndoReduce(size_t count);
uint16_t *x_NewShortUndoReduce(size_t count);
void *AllocUndoReduce(int32_t size);  // body of TSY_Alloc (malloc heap)
// One attempt without reclaiming history, for the undo history's own step
// buffers (it makes room itself, step by step). Null on shortage.
uint16_t *TryNewShortBuffer(size_t count);

template <class T>
inline void ReleaseBuffer(T *&p) {
    delete[] p;
    p = nullptr;
}

// Test hook: when set, every allocation attempt of the routines above first
// asks it; a true answer is treated as shortage. Not exported.
using AllocShortageHook = bool (*)(size_t bytes);
void SetAllocShortageHook(AllocShortageHook hook);
