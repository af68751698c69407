#include "core/engine_state.h"

#include <cstring>
#include <new>

#include "brush/random_tables.h"

EngineState g_engine;

namespace {
// The fields whose load value is not zero.
void ApplyLoadDefaults() { g_engine.alphaLayerOpacity = 65535; }
// Runs while the library is loaded, after the record has been zero-filled.
[[maybe_unused]] const bool kLoadDefaultsApplied = (ApplyLoadDefaults(), true);
}  // namespace

void EngineStateResetForTests() {
    // The random byte tables live as long as the process; release them here
    // since the record is about to forget them.
    ReleaseRandByteTable(g_engine.randTable255);
    ReleaseRandByteTable(g_engine.randTable254);
    ReleaseRandByteTable(g_engine.tool.pixColorTable);
    ReleaseRandByteTable(g_engine.tool.pixLumTable);
    void *module = g_engine.moduleInstance;
    void *window = g_engine.internalWindow;
    std::memset(static_cast<void *>(&g_engine), 0, sizeof(g_engine));
    g_engine.moduleInstance = module;
    g_engine.internalWindow = window;
    ApplyLoadDefaults();
}
