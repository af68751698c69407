// TIFF decoding on libtiff, first page. Plain 8-bit grey, grey+alpha, RGB and
// RGBA strips are read line by line so straight alpha comes through exactly;
// every other layout goes through libtiff's RGBA reader, whose premultiplied
// result is turned back into straight alpha.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

namespace {

struct TiffInput {
    const uint8_t *data;
    size_t size;
    size_t pos;
};

tsize_t TiffRead(thandle_t h, tdata_t out, tsize_t n) {
    TiffInput *in = static_cast<TiffInput *>(h);
    if (n <= 0) return 0;
    const size_t count = std::min(size_t(n), in->size - in->pos);
    std::memcpy(out, in->data + in->pos, count);
    in->pos += count;
    return tsize_t(count);
}

tsize_t TiffWrite(thandle_t, tdata_t, tsize_t) { return 0; }

toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
    TiffInput *in = static_cast<TiffInput *>(h);
    uint64_t base = whence == SEEK_CUR ? in->pos : whence == SEEK_END ? in->size : 0;
    if (off > UINT64_MAX - base) return toff_t(-1);
    const uint64_t target = base + off;
    if (target > in->size) return toff_t(-1);
    in->pos = size_t(target);
    return target;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TiffInput *>(h)->size; }
int TiffMap(thandle_t, tdata_t *, toff_t *) { return 0; }
void TiffUnmap(thandle_t, tdata_t, toff_t) {}

int TiffQuiet(TIFF *, void *, const char *, const char *, va_list) { return 1; }

// c x 255 / a, rounded and limited to 255 (premultiplied to straight).
void Unpremultiply(uint8_t *p, size_t count) {
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint32_t a = p[3];
        if (a == 0 || a == 255) continue;
        for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min<uint32_t>(255, (p[c] * 255u + a / 2) / a));
    }
}

// The line-by-line path; false when the layout is not one it handles.
bool ReadPlainLines(TIFF *tif, uint32_t w, uint32_t h, uint8_t *pixels, bool *failed) {
    uint16_t bits = 0, spp = 0, planar = 0, photometric = 0, orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    if (TIFFIsTiled(tif) || bits != 8 || planar != PLANARCONFIG_CONTIG || orientation != ORIENTATION_TOPLEFT)
        return false;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK && (spp == 1 || spp == 2);
    const bool rgb = photometric == PHOTOMETRIC_RGB && (spp == 3 || spp == 4);
    if (!grey && !rgb) return false;
    const bool hasAlpha = spp == 2 || spp == 4;
    if (hasAlpha) {
        uint16_t extraCount = 0;
        uint16_t *extra = nullptr;
        TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
        if (extraCount == 1 && extra != nullptr && extra[0] == EXTRASAMPLE_ASSOCALPHA) return false;
    }
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes < tmsize_t(w) * spp) return false;
    uint8_t *line = static_cast<uint8_t *>(std::malloc(size_t(lineBytes)));
    if (line == nullptr) {
        *failed = true;
        return true;
    }
    for (uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(tif, line, y, 0) < 0) {
            *failed = true;
            break;
        }
        uint8_t *out = pixels + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, out += 4) {
            const uint8_t *in = line + size_t(x) * spp;
            if (grey) {
                out[0] = out[1] = out[2] = in[0];
                out[3] = hasAlpha ? in[1] : 255;
            } else {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = hasAlpha ? in[3] : 255;
            }
        }
    }
    std::free(line);
    return true;
}

bool ReadThroughRGBA(TIFF *tif, uint32_t w, uint32_t h, uint8_t *pixels) {
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message)) return false;
    TIFFRGBAImage img;
    if (!TIFFRGBAImageBegin(&img, tif, 1, message)) return false;
    img.req_orientation = ORIENTATION_TOPLEFT;
    // The raster is the output block itself: one uint32 ABGR value per pixel.
    uint32_t *raster = reinterpret_cast<uint32_t *>(pixels);
    const int ok = TIFFRGBAImageGet(&img, raster, w, h);
    const bool alpha = img.alpha != 0;
    TIFFRGBAImageEnd(&img);
    if (!ok) return false;
    const size_t count = size_t(w) * h;
    for (size_t i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, pixels + 4 * i, 4);
        pixels[4 * i + 0] = uint8_t(TIFFGetR(v));
        pixels[4 * i + 1] = uint8_t(TIFFGetG(v));
        pixels[4 * i + 2] = uint8_t(TIFFGetB(v));
        pixels[4 * i + 3] = alpha ? uint8_t(TIFFGetA(v)) : 255;
    }
    if (alpha) Unpremultiply(pixels, count);
    return true;
}

}  // namespace

uint8_t *DecodeTIFF(const uint8_t *data, size_t size, int32_t *width, int32_t *height) {
    if (data == nullptr || size < 8) return nullptr;
    TiffInput in{data, size, 0};
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, TiffQuiet, nullptr);
    // No single internal buffer (strips, tiles, tag arrays) above 256 MiB.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(256) << 20);
    TIFF *tif = TIFFClientOpenExt("memory", "rm", &in, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                                  TiffUnmap, options);
    TIFFOpenOptionsFree(options);
    if (tif == nullptr) return nullptr;
    uint32_t w = 0, h = 0;
    uint8_t *pixels = nullptr;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h))
        pixels = AllocDecodedRGBA(w, h);
    if (pixels != nullptr) {
        bool failed = false;
        const bool handled = ReadPlainLines(tif, w, h, pixels, &failed);
        if (handled ? failed : !ReadThroughRGBA(tif, w, h, pixels)) {
            GlobalFree(pixels);
            pixels = nullptr;
        }
    }
    TIFFClose(tif);
    if (pixels == nullptr) return nullptr;
    *width = int32_t(w);
    *height = int32_t(h);
    return pixels;
}
