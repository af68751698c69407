#include "core/errors.h"

#include <cstring>
#include <stdexcept>

#include "core/engine_state.h"

const char *g_injectFailure = nullptr;

void ThrowInjectedFailure() { throw std::runtime_error("injected failure"); }

void SetLastErrorText(const char *text) {
    if (text == nullptr) return;
    std::strncpy(g_engine.lastError, text, kLastErrorSize - 1);
    g_engine.lastError[kLastErrorSize - 1] = 0;
}
