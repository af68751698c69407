#include "core/alloc.h"

#include <cstdlib>
#include <new>

#include "core/errors.h"
#include "undo/undo.h"

namespace {

AllocShortageHook g_shortageHook = nullptr;

bool SimulatedShortage(size_t bytes) { return g_shortageHook != nullptr && g_shortageHook(bytes); }

// Asks the history to give back `kib` KiB. Returns false when nothing is left
// to reclaim or the history could not release anything, which ends the retry
// loop (a request below 1 KiB asks for one step rather than for 0 KiB, which
// would free nothing and spin).
bool ReclaimHistory(size_t kib) {
    if (!(UndoCanUndo() || UndoRedoCount() != 0)) return false;
    int ask = kib > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(kib);
    if (ask < 1) ask = 1;
    return UndoReduceSteps(ask) > 0;
}

template <class T>
T *NewUndoReduce(size_t count) {
    const size_t bytes = count * sizeof(T);
    for (;;) {
        T *p = nullptr;
        if (!SimulatedShortage(bytes)) {
            try {
                p = new T[count];
            } catch (const std::bad_alloc &) {
                p = nullptr;
            }
        }
        if (p != nullptr) return p;
        if (!ReclaimHistory(bytes >> 10)) return nullptr;
    }
}

}  // namespace

void SetAllocShortageHook(AllocShortageHook hook) { g_shortageHook = hook; }

uint8_t *x_NewCharUndoReduce(size_t count) {
    uint8_t *result = nullptr;
    TSY_GUARD("x_NewCharUndoReduce Excpt", result = NewUndoReduce<uint8_t>(count));
    return result;
}

uint16_t *x_NewShortUndoReduce(size_t count) {
    uint16_t *result = nullptr;
    TSY_GUARD("x_NewShortUndoReduce Excpt", result = NewUndoReduce<uint16_t>(count));
    return result;
}

uint16_t *TryNewShortBuffer(size_t count) {
    if (SimulatedShortage(count * sizeof(uint16_t))) return nullptr;
    return new (std::nothrow) uint16_t[count];
}

void *AllocUndoReduce(int32_t size) {
    if (size < 0) return nullptr;
    const size_t bytes = static_cast<size_t>(size);
    for (;;) {
        void *p = SimulatedShortage(bytes) ? nullptr : std::malloc(bytes == 0 ? 1 : bytes);
        if (p != nullptr) return p;
        if (!ReclaimHistory(bytes / 1024)) return nullptr;
    }
}
