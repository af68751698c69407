// The single-pixel merge and the alpha-layer opacity exports' bodies.
#pragma once
#include <cstdint>

// Applies CompositePixel to one pixel held in 32-bit channels (the mode's
// Normal-like path: no mask, pre-opacity 255, no same-mode flag). Channel
// values above 65535 are taken as 65535. Nothing is written for a transparent
// source of a mode up to 27; *pAlpha is not written when keepAlpha is set.
void MergePixel(uint32_t *pRed, uint32_t *pGreen, uint32_t *pBlue, uint32_t *pAlpha, uint32_t red, uint32_t green,
                uint32_t blue, uint32_t alpha, int32_t mode, int32_t opacity, uint8_t keepAlpha);

// Sets the alpha given by the alpha modes to percent x 0.01 x 65535
// (truncated; percent limited to 0..100) and returns it.
int32_t SetAlphaLayerOpacity(int32_t percent);
