// File type guessing by signature, dispatch to the decoders, and the pixel
// limit every decoder checks before it allocates.
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/imaging_library.h"

namespace {

int64_t g_pixelLimit = int64_t(1) << 28;

bool StartsWith(const uint8_t *data, size_t size, const char *magic, size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

// TGA has no signature: accept a header whose fields fit together.
bool PlausibleTGA(const uint8_t *d, size_t size) {
    if (size < 18) return false;
    const uint32_t cmapType = d[1], type = d[2], cmapLength = ReadLE16(d + 5), cmapBits = d[7];
    const uint32_t w = ReadLE16(d + 12), h = ReadLE16(d + 14), bpp = d[16], desc = d[17];
    if (cmapType > 1 || w == 0 || h == 0 || (desc & 0xC0) != 0) return false;
    if (cmapType == 1 && (cmapLength == 0 || (cmapBits != 15 && cmapBits != 16 && cmapBits != 24 && cmapBits != 32)))
        return false;
    switch (type) {
        case 1:
        case 9:
            return cmapType == 1 && bpp == 8;
        case 2:
        case 10:
            return bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
        case 3:
        case 11:
            return bpp == 8 || bpp == 16;
        default:
            return false;
    }
}

}  // namespace

int64_t ImageReadPixelLimit() { return g_pixelLimit; }
void SetImageReadPixelLimit(int64_t pixels) { g_pixelLimit = pixels > 0 ? pixels : 1; }

uint8_t *AllocDecodedRGBA(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return nullptr;
    if (width > g_pixelLimit / height) return nullptr;
    return static_cast<uint8_t *>(GlobalAlloc(size_t(width) * size_t(height) * 4));
}

int32_t GuessImageType(const uint8_t *d, size_t size) {
    if (d == nullptr || size == 0) return kISFileUnknown;
    if (StartsWith(d, size, "\x89PNG\r\n\x1a\n", 8)) return kISFilePNG;
    if (StartsWith(d, size, "\xFF\xD8\xFF", 3)) return kISFileJPEG;
    if (StartsWith(d, size, "GIF87a", 6) || StartsWith(d, size, "GIF89a", 6)) return kISFileGIF;
    if (StartsWith(d, size, "II*\0", 4) || StartsWith(d, size, "MM\0*", 4) || StartsWith(d, size, "II+\0", 4) ||
        StartsWith(d, size, "MM\0+", 4))
        return kISFileTIFF;
    if (size >= 12 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBP", 4) == 0) return kISFileWebP;
    if (StartsWith(d, size, "BM", 2) && size >= 18) return kISFileBMP;
    if (StartsWith(d, size, "8BPS", 4)) return kISFilePSD;
    if (StartsWith(d, size, "\xD7\xCD\xC6\x9A", 4) || StartsWith(d, size, "\x01\0\x09\0", 4) ||
        StartsWith(d, size, "\x02\0\x09\0", 4))
        return kISFileWMF;
    if (size >= 44 && ReadLE32(d) == 1 && std::memcmp(d + 40, " EMF", 4) == 0) return kISFileEMF;
    if (size >= 128 && d[0] == 0x0A && d[1] <= 5 && d[2] == 1) return kISFilePCX;
    if (PlausibleTGA(d, size)) return kISFileTGA;
    return kISFileUnknown;
}

uint8_t *DecodeImage(const uint8_t *data, size_t size, int32_t *width, int32_t *height) {
    switch (GuessImageType(data, size)) {
        case kISFilePNG:
            return DecodePNG(data, size, width, height);
        case kISFileJPEG:
            return DecodeJPEG(data, size, width, height);
        case kISFileGIF:
            return DecodeGIF(data, size, width, height);
        case kISFileTIFF:
            return DecodeTIFF(data, size, width, height);
        case kISFileWebP:
            return DecodeWebP(data, size, width, height);
        case kISFileBMP:
            return DecodeBMP(data, size, width, height);
        case kISFileTGA:
            return DecodeTGA(data, size, width, height);
        default:
            return nullptr;
    }
}
