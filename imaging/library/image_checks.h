// Argument checks shared by the pixel calls. Library-internal.
#pragma once
#include <cstdint>

// A usable image: pixels present, size above 0, 1 to 16 bytes per pixel and
// a stride that holds a row.
inline bool ValidImage(const void *pixels, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t stride) {
    return pixels != nullptr && width > 0 && height > 0 && bytesPerPixel > 0 && bytesPerPixel <= 16 &&
           int64_t(stride) >= int64_t(width) * bytesPerPixel;
}

// Byte offset of row y of an image with the given stride.
inline size_t RowOffset(int64_t y, int32_t stride) { return size_t(y) * size_t(stride); }
