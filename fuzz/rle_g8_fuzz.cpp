// Fuzz target: the grey run-length decoder (8-bit runs to 16-bit values, the
// mask's line codec). Input: two bytes of value count n (little-endian, up to
// 4095), then the stream.
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

    std::vector<uint8_t> exact(stream, stream + streamBytes);
    std::vector<uint16_t> a(static_cast<size_t>(n) + 1);
    const int written = RleDecodeG8ToG16(exact.data(), exact.size(), a.data(), n);
    if (written < 0 || written > n) std::abort();

    std::vector<uint8_t> padded(RleGreyStreamLimit(n), 0);
    std::memcpy(padded.data(), stream, std::min(padded.size(), streamBytes));
    std::vector<uint16_t> b(static_cast<size_t>(n));
    RLEUncompressG8ToG16(padded.data(), b.empty() ? nullptr : b.data(), n);

    if (written > 0) {
        for (int i = 0; i < written; ++i)
            if ((a[i] & 0xFF) != 0) std::abort();
        std::vector<uint8_t> again(RleGreyStreamLimit(written));
        const int bytes = RleEncodeG16ToG8(a.data(), again.data(), written);
        if (bytes <= 0 || bytes % 2 != 0 || static_cast<size_t>(bytes) > again.size()) std::abort();
        std::vector<uint16_t> c(static_cast<size_t>(written));
        if (RleDecodeG8ToG16(again.data(), static_cast<size_t>(bytes), c.data(), written) != written) std::abort();
        if (std::memcmp(c.data(), a.data(), c.size() * 2) != 0) std::abort();
    }
    return 0;
}
