// The layer slot record shared by the layer table, the paint layer and the
// blend buffers.
#pragma once
#include <cstdint>

constexpr int kLayerCount = 272;        // slots 0..271
constexpr int kTraceSlot = 0;           // the picture the host traces over
constexpr int kBackgroundSlot = 1;      // created opaque white
constexpr int kFirstOpaqueSlot = 254;   // 254..271 behave like the background
constexpr int kModeNameSize = 50;

// One entry of the layer table. The paint layer uses the same layout so the two
// can be exchanged whole; the extents are read only when the record is the
// paint layer (exclusive right and bottom).
struct LayerSlot {
    uint16_t *pixels;          // RGBA64, rows `stride` values apart; null when empty
    int32_t width;             // buffer width in pixels
    int32_t height;            // buffer height in pixels
    int32_t stride;            // width * 4, in 16-bit values
    uint8_t visible;           // non-zero: shown and composited
    uint8_t alphaLocked;       // painting and loading keep this layer's alpha
    uint16_t opacity;          // 0..256, 256 = opaque (percent * 256 / 100)
    uint16_t preOpacity;       // 255 for table slots; stroke pre-opacity on the paint layer
    char modeName[kModeNameSize];  // blend mode name as the host gave it
    int32_t blendMode;         // mode id looked up from the name (0 = "Normal")
    int32_t extentMinX;        // paint layer extents
    int32_t extentMinY;
    int32_t extentMaxX;
    int32_t extentMaxY;
};
