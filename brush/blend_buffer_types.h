// Blend buffer table: brush-sized RGBA64 buffers that hold picked-up colour.
#pragma once
#include <cstdint>

#include "core/layer_types.h"

constexpr int kBlendBufferMax = 20;

// A blend buffer has the layout of a layer slot; only `pixels` (maxBrushSize^2
// RGBA64 pixels, or one 16-bit mask value per pixel in the mask variant) and
// `stride` (maxBrushStride) are used. Pixel (i, j) lies over canvas pixel
// (left + i, top + j) of the current brush rectangle.
using BlendBuffer = LayerSlot;
