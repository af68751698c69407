#include "brush/blend_buffer.h"

#include "core/engine_state.h"

void BlendBuffersSetCount(int count) { g_engine.blendBufferCount = count; }
