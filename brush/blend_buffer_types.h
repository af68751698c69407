// Blend buffer table: brush-sized RGBA64 buffers that hold picked-up colour.
#pragma once
#include <cstdint>

struct BlendBufferGroup {
    int32_t selected;   // index of the selected buffer
};
