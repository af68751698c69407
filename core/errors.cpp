#include "core/errors.h"

#include <cstring>

#include "core/engine_state.h"

void SetLastErrorText(const char *text) {
    if (text == nullptr) return;
    std::strncpy(g_engine.lastError, text, kLastErrorSize - 1);
    g_engine.lastError[kLastErrorSize - 1] = 0;
}
