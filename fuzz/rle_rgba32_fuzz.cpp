// Fuzz target: the colour run-length decoder (RGBA32 runs to RGBA64 pixels).
// Input: two bytes of pixel count n (little-endian, up to 4095), then the
// stream. The decoder must stay inside n pixels and inside the stream, and
// what it writes must survive an encode/decode round trip.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/pixel_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const int n = (data[0] | (data[1] << 8)) & 0x0FFF;
    const uint8_t *stream = data + 2;
    const size_t streamBytes = size - 2;

    // Length-bounded decoder on a heap copy of exactly the stream.
    std::vector<uint8_t> exact(stream, stream + streamBytes);
    std::vector<uint16_t> a(4 * static_cast<size_t>(n) + 1);
    const int written = RleDecodeRGBA32ToRGBA64(exact.data(), exact.size(), a.data(), n);
    if (written < 0 || written > n) std::abort();

    // Exported form: reads at most the longest stream of n pixels.
    std::vector<uint8_t> padded(RleColorStreamLimit(n), 0);
    std::memcpy(padded.data(), stream, std::min(padded.size(), streamBytes));
    std::vector<uint16_t> b(4 * static_cast<size_t>(n));
    RLEUncompressRGBA32ToRGBA64(padded.data(), b.empty() ? nullptr : b.data(), n);

    // Decoded values are widened bytes; re-encoding and decoding gives them back.
    if (written > 0) {
        for (size_t i = 0; i < 4 * static_cast<size_t>(written); ++i)
            if ((a[i] & 0xFF) != 0) std::abort();
        std::vector<uint8_t> again(RleColorStreamLimit(written));
        const int bytes = RleEncodeRGBA64ToRGBA32(a.data(), again.data(), written);
        if (bytes <= 0 || bytes % 5 != 0 || static_cast<size_t>(bytes) > again.size()) std::abort();
        std::vector<uint16_t> c(4 * static_cast<size_t>(written));
        if (RleDecodeRGBA32ToRGBA64(again.data(), static_cast<size_t>(bytes), c.data(), written) != written)
            std::abort();
        if (std::memcmp(c.data(), a.data(), c.size() * 2) != 0) std::abort();
    }
    return 0;
}
