// The 272-slot layer table, the current layer and the texture map.
#pragma once
#include <cstdint>

#include "core/layer_types.h"

// The slot at index, or null when index is outside 0..271.
LayerSlot *SlotAt(int index);
// The slot at index when it holds a buffer, else null.
LayerSlot *SlotWithPixels(int index);

int LayerCreate(int index, int width, int height);
void LayerDelete(int index);
void LayerSwap(int a, int b);
int LayerCount();
int LayerSetOptions(int index, int visible, int alphaLocked, int opacityPercent, const char *modeName);
void LayerSelect(int index);
int TextureCreate(int index);
void TextureDelete();
void LayerSetAlpha(int index, int alpha);
void LayerNormalizeAlpha(int index);
void LayerFindDataExtents(int index, int32_t *minX, int32_t *minY, int32_t *maxX, int32_t *maxY);
int LayerIsTransparent(int index);
int LayerIsSingleColor(int index);
void LayerGetData(void *dest, int index);
void LayerSetData(const void *src, int index);
void LayerCopyData(int from, int to);

// Index of the nearest visible slot with a buffer above index (up to topSlot)
// when its mode is "Layer Mask"; 0 otherwise.
int FindLayerMaskAbove(unsigned index);
