// Shared body of the image-reader fuzz targets: decode, touch every byte of
// the result (so the sanitizers see any short block), release.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

using DecodeFn = uint8_t *(*)(const uint8_t *, size_t, int32_t *, int32_t *);

inline int FuzzDecode(DecodeFn decode, const uint8_t *data, size_t size) {
    // 4 M pixels keep each run small; larger claims must fail cleanly.
    static const bool limited = (SetImageReadPixelLimit(int64_t(1) << 22), true);
    (void)limited;
    int32_t w = 0, h = 0;
    uint8_t *pixels = decode(data, size, &w, &h);
    if (pixels != nullptr) {
        if (w <= 0 || h <= 0) __builtin_trap();
        uint32_t sum = 0;
        for (size_t i = 0, n = size_t(w) * size_t(h) * 4; i < n; ++i) sum += pixels[i];
        volatile uint32_t sink = sum;
        (void)sink;
        GlobalFree(pixels);
    }
    return 0;
}
