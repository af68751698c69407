// Grain from a source picture: an image script or an image file whose grey
// levels fill the twenty grit tables.
#pragma once
#include <cstdint>

// Fills the grit tables from `source`. Returns true when the tables were
// filled; false when the source could not be loaded (the tables are then left
// as they were) or a buffer could not be obtained.
bool BuildGritTablesFromSource(const char *source);

// Places a 1-byte window of ww x wh (rows `windowStride` apart) at (0, 0) of a
// 1-byte table seen as tw x th (rows tw apart), clipped to the table.
void GrainOverlay(uint8_t *table, int tw, int th, const uint8_t *window, int ww, int wh, int windowStride);
