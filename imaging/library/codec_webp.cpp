// WebP decoding on libwebp (still images; lossy, lossless, with alpha).
#include <webp/decode.h>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

uint8_t *DecodeWebP(const uint8_t *data, size_t size, int32_t *width, int32_t *height) {
    if (data == nullptr) return nullptr;
    int w = 0, h = 0;
    if (!WebPGetInfo(data, size, &w, &h)) return nullptr;
    uint8_t *pixels = AllocDecodedRGBA(w, h);
    if (pixels == nullptr) return nullptr;
    const size_t bytes = size_t(w) * size_t(h) * 4;
    if (WebPDecodeRGBAInto(data, size, pixels, bytes, w * 4) == nullptr) {
        GlobalFree(pixels);
        return nullptr;
    }
    *width = w;
    *height = h;
    return pixels;
}
