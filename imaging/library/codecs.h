// The library's decoders, each on a byte range in memory. Each returns a
// packed RGBA32 block from GlobalAlloc (width x 4 bytes per row, top row
// first) and its size, or null for anything it cannot read; a failed decode
// leaves nothing allocated. Shared by the file sources and the fuzz targets.
#pragma once
#include <cstddef>
#include <cstdint>

uint8_t *DecodePNG(const uint8_t *data, size_t size, int32_t *width, int32_t *height);
uint8_t *DecodeJPEG(const uint8_t *data, size_t size, int32_t *width, int32_t *height);
uint8_t *DecodeTIFF(const uint8_t *data, size_t size, int32_t *width, int32_t *height);
uint8_t *DecodeGIF(const uint8_t *data, size_t size, int32_t *width, int32_t *height);
uint8_t *DecodeWebP(const uint8_t *data, size_t size, int32_t *width, int32_t *height);
uint8_t *DecodeBMP(const uint8_t *data, size_t size, int32_t *width, int32_t *height);
uint8_t *DecodeTGA(const uint8_t *data, size_t size, int32_t *width, int32_t *height);

// File type (ISFileType) of the bytes by their signature; TGA, which has
// none, by a plausible header.
int32_t GuessImageType(const uint8_t *data, size_t size);
// Decodes by GuessImageType; null for types without a decoder here.
uint8_t *DecodeImage(const uint8_t *data, size_t size, int32_t *width, int32_t *height);

// Largest pixel count a decoder accepts (default 2^28). Images claiming more
// fail before anything is allocated; the fuzz targets lower it.
int64_t ImageReadPixelLimit();
void SetImageReadPixelLimit(int64_t pixels);

// A GlobalAlloc block of width x height x 4 bytes, or null when the size is
// not positive or above the pixel limit.
uint8_t *AllocDecodedRGBA(int64_t width, int64_t height);

// Little-endian reads without alignment needs.
inline uint32_t ReadLE16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t ReadLE32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
