// Small test images and encoders for the imaging-library tests: files are
// written with the real codec libraries (or byte by byte for BMP and TGA).
#pragma once
#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <gtest/gtest.h>

using Bytes = std::vector<uint8_t>;

// A w x h RGBA32 image whose every byte differs from its neighbours; alpha
// runs through 1 .. 255 (no 0, so lossless codecs that drop colour under
// transparent pixels still round-trip).
inline Bytes PatternRGBA(int w, int h) {
    Bytes p(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t *q = &p[(size_t(y) * w + x) * 4];
            q[0] = uint8_t(x * 37 + y * 11);
            q[1] = uint8_t(x * 5 + y * 71 + 3);
            q[2] = uint8_t(255 - x * 13 - y * 29);
            q[3] = uint8_t(1 + (x * 23 + y * 47) % 255);
        }
    return p;
}

inline Bytes WritePNG(const Bytes &rgba, int w, int h, png_uint_32 format = PNG_FORMAT_RGBA) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = w;
    img.height = h;
    img.format = format;
    const int channels = PNG_IMAGE_SAMPLE_CHANNELS(format);
    // Drop the channels the format does not store.
    Bytes src(size_t(w) * h * channels);
    for (size_t i = 0; i < size_t(w) * h; ++i)
        for (int c = 0; c < channels; ++c) src[i * channels + c] = rgba[i * 4 + (channels == 2 && c == 1 ? 3 : c)];
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&img, nullptr, &size, 0, src.data(), 0, nullptr));
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&img, out.data(), &size, 0, src.data(), 0, nullptr));
    out.resize(size);
    return out;
}

inline Bytes WriteJPEG(const Bytes &rgba, int w, int h, bool grey, int quality = 100) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = grey ? 1 : 4;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_RGBA;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (!grey) {
        // No chroma subsampling, so flat colours come back (nearly) exactly.
        for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&c, TRUE);
    Bytes row(size_t(w) * 4);
    while (c.next_scanline < c.image_height) {
        const uint8_t *src = &rgba[size_t(c.next_scanline) * w * 4];
        if (grey)
            for (int x = 0; x < w; ++x) row[x] = src[4 * x];
        else
            std::memcpy(row.data(), src, size_t(w) * 4);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    free(mem);
    return out;
}

inline Bytes ReadFileBytes(const std::string &path) {
    Bytes out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return out;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

inline std::string TempPath(const char *name) { return ::testing::TempDir() + "tsy_imaging_" + name; }

// RGBA TIFF with straight alpha (or premultiplied when assoc is set).
inline Bytes WriteTIFF(const Bytes &rgba, int w, int h, bool assoc, uint16_t compression = COMPRESSION_NONE) {
    const std::string path = TempPath(assoc ? "assoc.tif" : "plain.tif");
    TIFF *t = TIFFOpen(path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    uint16_t extra = assoc ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
    Bytes row(size_t(w) * 4);
    for (int y = 0; y < h; ++y) {
        std::memcpy(row.data(), &rgba[size_t(y) * w * 4], row.size());
        TIFFWriteScanline(t, row.data(), y, 0);
    }
    TIFFClose(t);
    Bytes out = ReadFileBytes(path);
    std::remove(path.c_str());
    return out;
}

// A GIF with a 4-colour palette; pixel value index (x + y) % 4, index 3
// transparent when transparent is set.
inline Bytes WriteGIF(int w, int h, bool transparent, bool interlace) {
    const std::string path = TempPath("t.gif");
    int err = 0;
    GifFileType *g = EGifOpenFileName(path.c_str(), false, &err);
    GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    ColorMapObject *map = GifMakeMapObject(4, colors);
    EGifSetGifVersion(g, true);
    EGifPutScreenDesc(g, w, h, 2, 0, map);
    if (transparent) {
        unsigned char gce[4] = {1, 0, 0, 3};
        EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    EGifPutImageDesc(g, 0, 0, w, h, interlace, nullptr);
    std::vector<GifPixelType> line(w);
    // Interlaced images are written in pass order.
    std::vector<int> order;
    if (interlace) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < h; y += step[p]) order.push_back(y);
    } else {
        for (int y = 0; y < h; ++y) order.push_back(y);
    }
    for (int y : order) {
        for (int x = 0; x < w; ++x) line[x] = GifPixelType((x + y) % 4);
        EGifPutLine(g, line.data(), w);
    }
    EGifCloseFile(g, &err);
    GifFreeMapObject(map);
    Bytes out = ReadFileBytes(path);
    std::remove(path.c_str());
    return out;
}

inline Bytes WriteWebPLossless(const Bytes &rgba, int w, int h) {
    uint8_t *out = nullptr;
    const size_t size = WebPEncodeLosslessRGBA(rgba.data(), w, h, w * 4, &out);
    Bytes b(out, out + size);
    WebPFree(out);
    return b;
}

inline void PutLE16(Bytes &b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void PutLE32(Bytes &b, uint32_t v) {
    PutLE16(b, v & 0xFFFF);
    PutLE16(b, v >> 16);
}

// A BMP with a 40-byte info header (or 108 with bitfields), rows as given
// (already padded, in file order).
inline Bytes MakeBMP(int w, int h, int bits, uint32_t compression, const Bytes &palette /* BGRX entries */,
                     const Bytes &pixelData, const uint32_t *masks = nullptr) {
    const uint32_t hdr = masks ? 108 : 40;
    Bytes b = {'B', 'M'};
    const uint32_t off = 14 + hdr + uint32_t(palette.size());
    PutLE32(b, off + uint32_t(pixelData.size()));
    PutLE32(b, 0);
    PutLE32(b, off);
    PutLE32(b, hdr);
    PutLE32(b, uint32_t(w));
    PutLE32(b, uint32_t(h));
    PutLE16(b, 1);
    PutLE16(b, uint32_t(bits));
    PutLE32(b, compression);
    PutLE32(b, uint32_t(pixelData.size()));
    PutLE32(b, 2835);
    PutLE32(b, 2835);
    PutLE32(b, uint32_t(palette.size() / 4));
    PutLE32(b, 0);
    if (masks) {
        for (int i = 0; i < 4; ++i) PutLE32(b, masks[i]);
        while (b.size() < 14 + hdr) b.push_back(0);
    }
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), pixelData.begin(), pixelData.end());
    return b;
}

inline Bytes MakeTGAHeader(int type, int cmapType, int cmapLength, int cmapBits, int w, int h, int bits, int desc) {
    Bytes b = {0, uint8_t(cmapType), uint8_t(type)};
    PutLE16(b, 0);
    PutLE16(b, uint32_t(cmapLength));
    b.push_back(uint8_t(cmapBits));
    PutLE16(b, 0);
    PutLE16(b, 0);
    PutLE16(b, uint32_t(w));
    PutLE16(b, uint32_t(h));
    b.push_back(uint8_t(bits));
    b.push_back(uint8_t(desc));
    return b;
}
