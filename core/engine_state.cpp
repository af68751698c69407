#include "core/engine_state.h"

#include <cstring>
#include <new>

EngineState g_engine;

void EngineStateResetForTests() {
    void *module = g_engine.moduleInstance;
    void *window = g_engine.internalWindow;
    std::memset(static_cast<void *>(&g_engine), 0, sizeof(g_engine));
    g_engine.moduleInstance = module;
    g_engine.internalWindow = window;
}
