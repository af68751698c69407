// The grey line codec the host stores mask rows with: 2-byte runs
// [count, value], count 1..255, value the high byte of the 16-bit mask value.
// A run ends where the high byte changes or when it reaches 255 values; low
// bytes are lost. Decoding widens each value by * 256.
#include <cstddef>

#include "mask/mask.h"

int32_t MaskRowCompress(const uint16_t *src, uint8_t *dest, int32_t n) {
    if (src == nullptr || dest == nullptr || n < 1) return 0;
    int32_t written = 0;
    int32_t i = 0;
    while (i < n) {
        const uint8_t value = static_cast<uint8_t>(src[i] >> 8);
        int32_t count = 1;
        while (count < 255 && i + count < n && static_cast<uint8_t>(src[i + count] >> 8) == value) ++count;
        dest[written++] = static_cast<uint8_t>(count);
        dest[written++] = value;
        i += count;
    }
    return written;
}

void MaskRowUncompress(const uint8_t *src, uint16_t *dest, int32_t n) {
    if (src == nullptr || dest == nullptr || n < 1) return;
    // The stream carries no length: read no further than the longest stream
    // the encoder makes for n values (n runs of one), so runs of count 0 in a
    // damaged stream cannot walk past it.
    const uint8_t *end = src + static_cast<size_t>(n) * 2;
    int32_t filled = 0;
    while (filled < n && src < end) {
        const int32_t count = src[0];
        const uint16_t value = static_cast<uint16_t>(src[1] << 8);
        src += 2;
        // A run that would end past n is cut at n; a run of count 0 writes nothing.
        for (int32_t k = 0; k < count && filled < n; ++k) dest[filled++] = value;
    }
}
