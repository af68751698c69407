// The record behind an open source: the whole file in memory and a read
// position. Library-internal; the engine only holds HISSRC handles.
#pragma once
#include <cstddef>
#include <cstdint>

struct ISSource {
    uint8_t *data;  // malloc'ed copy of the file (null when it is empty)
    size_t size;    // bytes in data
    size_t pos;     // read position, 0 .. size
};
