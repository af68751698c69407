// The paint layer: a canvas-sized RGBA64 stroke buffer kept outside the layer
// table (g_engine.paintLayer), shown over the current layer while a stroke is
// painted and committed into a layer with the merge routine when it ends.
#pragma once
#include <cstdint>

// Makes the buffer when there is none (extents then empty) and sets the
// stroke options; returns the stroke's blend mode id.
int32_t PaintLayerCreate(int32_t opacityPercent, int32_t preOpacityPercent, const char *modeName);
// Clears the buffer to transparent and the extents to empty; 0 without a buffer.
int32_t PaintLayerClear();
// Fills the buffer with 0xFF bytes, clears the extents rectangle to 0 and
// empties the extents.
void PaintLayerClearOld();
// Merges the extents rectangle into slot `layer`, then clears.
void PaintLayerMerge(int32_t layer);
void PaintLayerSetExtents(int32_t left, int32_t top, int32_t right, int32_t bottom);
void PaintLayerDelete();
// Exchanges the whole paint-layer record with the record of slot `layer`.
void PaintLayerSwap(int32_t layer);
// Softens the stroke's alpha edge with the imaging library's blur.
void PaintLayerBlurAlpha();

// Sets the extents to empty: left = W, top = H, right = bottom = 0.
void PaintLayerEmptyExtents();
