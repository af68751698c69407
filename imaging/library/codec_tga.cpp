// Our own TGA reader: colour-mapped (8-bit indices), true colour (15, 16,
// 24, 32 bits) and grey (8 bits, or 16 with alpha), raw or run-length coded,
// any of the four origins. A 32-bit image whose alpha bytes are all 0 is
// taken as opaque, since many writers leave that byte unused.
#include <algorithm>
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

namespace {

// Decodes one stored value of `bits` bits into RGBA.
inline void Convert(const uint8_t *in, uint32_t bits, bool grey, bool alpha16, uint8_t *out) {
    if (grey) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = bits == 16 ? in[1] : 255;
        return;
    }
    switch (bits) {
        case 15:
        case 16: {
            const uint32_t v = ReadLE16(in);
            out[0] = uint8_t((((v >> 10) & 31) * 255 + 15) / 31);
            out[1] = uint8_t((((v >> 5) & 31) * 255 + 15) / 31);
            out[2] = uint8_t(((v & 31) * 255 + 15) / 31);
            out[3] = (bits == 16 && alpha16) ? ((v & 0x8000) ? 255 : 0) : 255;
            break;
        }
        case 24:
            out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = 255;
            break;
        default:
            out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
            break;
    }
}

}  // namespace

uint8_t *DecodeTGA(const uint8_t *d, size_t size, int32_t *width, int32_t *height) {
    if (d == nullptr || size < 18) return nullptr;
    const uint32_t idLength = d[0], cmapType = d[1], type = d[2];
    const uint32_t cmapFirst = ReadLE16(d + 3), cmapLength = ReadLE16(d + 5), cmapBits = d[7];
    const int64_t w = ReadLE16(d + 12), h = ReadLE16(d + 14);
    const uint32_t bits = d[16], desc = d[17];
    const bool rle = type >= 9;
    const uint32_t base = rle ? type - 8 : type;
    if (cmapType > 1 || w == 0 || h == 0) return nullptr;
    if (base == 1) {
        if (cmapType != 1 || bits != 8 || cmapLength == 0) return nullptr;
    } else if (base == 2) {
        if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    } else if (base == 3) {
        if (bits != 8 && bits != 16) return nullptr;
    } else {
        return nullptr;
    }
    if (cmapType == 1 && cmapBits != 15 && cmapBits != 16 && cmapBits != 24 && cmapBits != 32) return nullptr;
    const bool alpha16 = (desc & 15) != 0;
    size_t pos = 18 + idLength;

    // Colour map, decoded to RGBA; indices outside it give opaque black.
    uint8_t palette[256][4];  // 8-bit indices reach 256 entries
    std::memset(palette, 0, sizeof palette);
    for (auto &e : palette) e[3] = 255;
    if (cmapType == 1) {
        const size_t entryBytes = (cmapBits + 7) / 8;
        const size_t mapBytes = size_t(cmapLength) * entryBytes;
        if (mapBytes > size - std::min(pos, size)) return nullptr;
        for (uint32_t i = 0; i < cmapLength; ++i) {
            const uint32_t index = cmapFirst + i;
            if (index < 256)
                Convert(d + pos + i * entryBytes, cmapBits, false, cmapBits == 16 && alpha16, palette[index]);
        }
        pos += mapBytes;
    }
    if (pos > size) return nullptr;

    uint8_t *pixels = AllocDecodedRGBA(w, h);
    if (pixels == nullptr) return nullptr;
    const size_t pixelBytes = (bits + 7) / 8;
    const size_t count = size_t(w) * size_t(h);
    const bool topDown = (desc & 0x20) != 0, rightToLeft = (desc & 0x10) != 0;
    bool ok = true;
    size_t i = 0;
    auto put = [&](const uint8_t *in) {
        const size_t row = i / size_t(w), col = i % size_t(w);
        const size_t y = topDown ? row : size_t(h) - 1 - row;
        const size_t x = rightToLeft ? size_t(w) - 1 - col : col;
        uint8_t *out = pixels + (y * size_t(w) + x) * 4;
        if (base == 1)
            std::memcpy(out, palette[in[0]], 4);
        else
            Convert(in, bits, base == 3, alpha16, out);
        ++i;
    };
    if (!rle) {
        if (count > (size - pos) / pixelBytes) ok = false;
        for (; ok && i < count;) put(d + pos + i * pixelBytes);
    } else {
        while (i < count) {
            if (pos >= size) {
                ok = false;
                break;
            }
            const uint32_t head = d[pos++];
            const size_t n = (head & 0x7F) + 1;
            if (head & 0x80) {
                if (size - pos < pixelBytes) {
                    ok = false;
                    break;
                }
                for (size_t k = 0; k < n && i < count; ++k) put(d + pos);
                pos += pixelBytes;
            } else {
                if (n > (size - pos) / pixelBytes) {
                    ok = false;
                    break;
                }
                for (size_t k = 0; k < n && i < count; ++k) put(d + pos + k * pixelBytes);
                pos += n * pixelBytes;
            }
        }
    }
    if (!ok) {
        GlobalFree(pixels);
        return nullptr;
    }
    if (base == 2 && bits == 32) {
        bool anyAlpha = false;
        for (size_t k = 0; k < count && !anyAlpha; ++k) anyAlpha = pixels[4 * k + 3] != 0;
        if (!anyAlpha)
            for (size_t k = 0; k < count; ++k) pixels[4 * k + 3] = 255;
    }
    *width = int32_t(w);
    *height = int32_t(h);
    return pixels;
}
