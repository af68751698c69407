// The value rules of the selection mask, shared by every operation that turns
// an image, a grey level or a selection level into mask values.
//
// A mask value M lets an edit through in proportion: 65535 passes it
// unchanged, 0 protects the pixel. The host sees the complement 65535 - M as
// brightness (white = protected), so a grey level read from a host image maps
// to M the other way round. 255 * 256 = 65280 is the brightest 8-bit grey
// widened to 16 bits; only black (and 16-bit greys below 256) give 65535.
#pragma once
#include <cstdint>

// 8-bit grey g (integer mean of three bytes): 0 -> 65535, else 65280 - 256 g.
// White (255) gives 0.
inline uint16_t MaskFromGrey8(uint32_t g) { return g == 0 ? uint16_t{65535} : static_cast<uint16_t>(65280 - 256 * g); }

// 16-bit grey mean: below 256 -> 65535, above 65280 -> 0, else 65280 - mean.
// The mean is signed so that host values outside 0..65535 still land on an end.
inline uint16_t MaskFromGrey16(int64_t mean) {
    if (mean < 256) return 65535;
    if (mean > 65280) return 0;
    return static_cast<uint16_t>(65280 - mean);
}

// The value a selection builder writes into matching pixels:
// (255 - level) * 256 kept to 16 bits, so only the low byte of level counts
// (level 0 and level 256 both give 65280).
inline uint16_t MaskSelectionValue(int32_t level) {
    return static_cast<uint16_t>(((255u - static_cast<uint32_t>(level)) & 0xFFu) << 8);
}

// The grey byte a saved mask shows for M: 255 - (M >> 8).
inline uint8_t GreyFromMask(uint16_t m) { return static_cast<uint8_t>(255 - (m >> 8)); }
