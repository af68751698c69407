// Our own BMP reader: core and info headers (12, 40, 52, 56, 108, 124
// bytes), 1/4/8-bit palette images (also RLE4 and RLE8), 16-bit (555 or bit
// fields), 24-bit and 32-bit (BGRX, BGRA or bit fields), bottom-up and
// top-down. A 32-bit image whose alpha bytes are all 0 is taken as opaque,
// since most writers leave that byte unused.
#include <bit>
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

namespace {

enum : uint32_t { kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One channel of a bit-field pixel scaled to 0 .. 255 (rounded).
struct FieldScale {
    uint32_t mask = 0, shift = 0;
    uint64_t max = 0;
    explicit FieldScale(uint32_t m) : mask(m) {
        if (m != 0) {
            shift = uint32_t(std::countr_zero(m));
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t v) const { return uint8_t(((uint64_t((v & mask) >> shift) * 255) + max / 2) / max); }
};

struct Palette {
    uint8_t rgb[256][3] = {};
};

// Clipped write of palette index `index` at (x, row) counted from the bottom.
inline void PutIndex(uint8_t *pixels, int64_t w, int64_t h, int64_t x, int64_t row, const Palette &pal,
                     uint32_t index) {
    if (x < 0 || x >= w || row < 0 || row >= h) return;
    uint8_t *p = pixels + (size_t(h - 1 - row) * size_t(w) + size_t(x)) * 4;
    p[0] = pal.rgb[index][0];
    p[1] = pal.rgb[index][1];
    p[2] = pal.rgb[index][2];
    p[3] = 255;
}

// Run-length palette data; pixels the stream skips stay transparent black.
bool DecodeRLE(const uint8_t *d, size_t size, size_t pos, bool four, int64_t w, int64_t h, const Palette &pal,
               uint8_t *pixels) {
    std::memset(pixels, 0, size_t(w) * size_t(h) * 4);
    int64_t x = 0, row = 0;
    while (row < h) {
        if (size - pos < 2) return false;
        const uint32_t n = d[pos], c = d[pos + 1];
        pos += 2;
        if (n > 0) {
            for (uint32_t i = 0; i < n; ++i, ++x)
                PutIndex(pixels, w, h, x, row, pal, four ? ((i & 1) ? (c & 15) : (c >> 4)) : c);
        } else if (c == 0) {
            x = 0;
            ++row;
        } else if (c == 1) {
            return true;
        } else if (c == 2) {
            if (size - pos < 2) return false;
            x += d[pos];
            row += d[pos + 1];
            pos += 2;
        } else {
            const size_t bytes = four ? (c + 1) / 2 : c;
            const size_t padded = (bytes + 1) & ~size_t(1);
            if (size - pos < padded) return false;
            for (uint32_t i = 0; i < c; ++i, ++x) {
                const uint32_t b = four ? d[pos + i / 2] : d[pos + i];
                PutIndex(pixels, w, h, x, row, pal, four ? ((i & 1) ? (b & 15) : (b >> 4)) : b);
            }
            pos += padded;
        }
    }
    return true;
}

}  // namespace

uint8_t *DecodeBMP(const uint8_t *d, size_t size, int32_t *width, int32_t *height) {
    if (d == nullptr || size < 26 || d[0] != 'B' || d[1] != 'M') return nullptr;
    const uint32_t offBits = ReadLE32(d + 10);
    const uint32_t hdr = ReadLE32(d + 14);
    if (hdr < 12 || hdr > size - 14) return nullptr;
    int64_t w, h;
    uint32_t bits, compression = kRGB, colorsUsed = 0, entryBytes;
    if (hdr == 12) {
        w = ReadLE16(d + 18);
        h = ReadLE16(d + 20);
        bits = ReadLE16(d + 24);
        entryBytes = 3;
    } else if (hdr >= 40) {
        w = int32_t(ReadLE32(d + 18));
        h = int32_t(ReadLE32(d + 22));
        bits = ReadLE16(d + 28);
        compression = ReadLE32(d + 30);
        colorsUsed = ReadLE32(d + 46);
        entryBytes = 4;
    } else {
        return nullptr;
    }
    const bool topDown = h < 0;
    if (topDown) h = -h;
    if (w <= 0 || h <= 0) return nullptr;

    // Channel masks; 32-bit BI_RGB reads its fourth byte as alpha.
    uint32_t masks[4] = {0, 0, 0, 0};
    if (bits == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bits == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000u;
    }
    size_t paletteStart = 14 + size_t(hdr);
    switch (compression) {
        case kRGB:
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
            break;
        case kRLE8:
            if (bits != 8 || topDown) return nullptr;
            break;
        case kRLE4:
            if (bits != 4 || topDown) return nullptr;
            break;
        case kBitFields:
        case kAlphaBitFields: {
            if (bits != 16 && bits != 32) return nullptr;
            const size_t count = compression == kAlphaBitFields ? 4 : 3;
            size_t at = 54;  // right after a 40-byte header, or inside a larger one
            if (hdr == 40) paletteStart += count * 4;
            if (size < at + count * 4) return nullptr;
            masks[3] = 0;
            for (size_t i = 0; i < count; ++i) masks[i] = ReadLE32(d + at + 4 * i);
            if (hdr >= 56) masks[3] = ReadLE32(d + at + 12);
            break;
        }
        default:
            return nullptr;
    }

    Palette pal;
    if (bits <= 8) {
        uint32_t n = colorsUsed != 0 && colorsUsed < (1u << bits) ? colorsUsed : (1u << bits);
        for (uint32_t i = 0; i < n && paletteStart + size_t(i + 1) * entryBytes <= size; ++i) {
            const uint8_t *e = d + paletteStart + size_t(i) * entryBytes;
            pal.rgb[i][0] = e[2];
            pal.rgb[i][1] = e[1];
            pal.rgb[i][2] = e[0];
        }
    }
    if (offBits >= size) return nullptr;

    uint8_t *pixels = AllocDecodedRGBA(w, h);
    if (pixels == nullptr) return nullptr;
    if (compression == kRLE8 || compression == kRLE4) {
        if (!DecodeRLE(d, size, offBits, compression == kRLE4, w, h, pal, pixels)) {
            GlobalFree(pixels);
            return nullptr;
        }
        *width = int32_t(w);
        *height = int32_t(h);
        return pixels;
    }

    const int64_t stride = ((w * bits + 31) / 32) * 4;
    if (stride > int64_t(size - offBits) / h) {
        GlobalFree(pixels);
        return nullptr;
    }
    const FieldScale red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    bool anyAlpha = false;
    for (int64_t r = 0; r < h; ++r) {
        const uint8_t *in = d + offBits + size_t(r * stride);
        uint8_t *out = pixels + size_t(topDown ? r : h - 1 - r) * size_t(w) * 4;
        for (int64_t x = 0; x < w; ++x, out += 4) {
            if (bits <= 8) {
                const uint32_t perByte = 8 / bits;
                const uint32_t byte = in[x / perByte];
                const uint32_t shift = 8 - bits * (uint32_t(x % perByte) + 1);
                const uint32_t index = (byte >> shift) & ((1u << bits) - 1);
                out[0] = pal.rgb[index][0];
                out[1] = pal.rgb[index][1];
                out[2] = pal.rgb[index][2];
                out[3] = 255;
            } else if (bits == 24) {
                out[0] = in[3 * x + 2];
                out[1] = in[3 * x + 1];
                out[2] = in[3 * x];
                out[3] = 255;
            } else {
                const uint32_t v = bits == 16 ? ReadLE16(in + 2 * x) : ReadLE32(in + 4 * x);
                out[0] = masks[0] ? red(v) : 0;
                out[1] = masks[1] ? green(v) : 0;
                out[2] = masks[2] ? blue(v) : 0;
                out[3] = masks[3] ? alpha(v) : 255;
                anyAlpha |= out[3] != 0;
            }
        }
    }
    if (bits > 8 && bits != 24 && masks[3] != 0 && !anyAlpha) {
        for (size_t i = 0, n = size_t(w) * size_t(h); i < n; ++i) pixels[4 * i + 3] = 255;
    }
    *width = int32_t(w);
    *height = int32_t(h);
    return pixels;
}
