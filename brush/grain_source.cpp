// Placeholder until the imaging library lands.
#include "brush/grain_source.h"

#include <cstring>

bool BuildGritTablesFromSource(const char *) { return false; }

void GrainOverlay(uint8_t *table, int tw, int th, const uint8_t *window, int ww, int wh, int windowStride) {
    for (int y = 0; y < wh && y < th; ++y)
        std::memcpy(table + static_cast<size_t>(y) * tw, window + static_cast<size_t>(y) * windowStride,
                    static_cast<size_t>(ww < tw ? ww : tw));
}
