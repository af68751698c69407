// Blocks the imaging library hands out (decoded images, compressed buffers)
// come from here and are released with GlobalFree of the same module.
#pragma once
#include <cstddef>

void *GlobalAlloc(size_t bytes);  // null on shortage
void GlobalFree(void *block);     // null is ignored
