#include "imaging/library/global_memory.h"

#include <cstdlib>

void *GlobalAlloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void GlobalFree(void *block) { std::free(block); }
