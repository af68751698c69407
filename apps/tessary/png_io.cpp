#include "png_io.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace tessary_host {

namespace {

struct File {
    FILE *f = nullptr;
    ~File() {
        if (f) fclose(f);
    }
};

void OnPngError(png_structp png, png_const_charp msg) {
    auto *text = static_cast<std::string *>(png_get_error_ptr(png));
    if (text) *text = msg;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The libpng part of reading, apart from the caller's locals (see WriteRows).
bool ReadRows(png_structp png, png_infop info, FILE *f, Image8 &img) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_sig_bytes(png, 8);
    // Refuse absurd sizes before any row is allocated.
    png_set_user_limits(png, 20000, 20000);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    img.width = static_cast<int>(png_get_image_width(png, info));
    img.height = static_cast<int>(png_get_image_height(png, info));
    img.rgba.resize(static_cast<size_t>(img.width) * img.height * 4);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < img.height; ++y)
            png_read_row(png, img.rgba.data() + static_cast<size_t>(y) * img.width * 4, nullptr);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

Image8 NarrowRgba64(const std::vector<uint16_t> &rgba64, int width, int height) {
    Image8 img;
    img.width = width;
    img.height = height;
    img.rgba.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < img.rgba.size() && i < rgba64.size(); ++i)
        img.rgba[i] = static_cast<uint8_t>(rgba64[i] >> 8);
    return img;
}

bool ReadPng(const std::string &path, Image8 &out, std::string &error) {
    File file;
    file.f = fopen(path.c_str(), "rb");
    if (!file.f) {
        error = std::string("cannot open: ") + strerror(errno);
        return false;
    }
    unsigned char sig[8];
    if (fread(sig, 1, 8, file.f) != 8 || png_sig_cmp(sig, 0, 8)) {
        error = "not a PNG file";
        return false;
    }
    std::string pngError;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &pngError, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "out of memory";
        return false;
    }
    Image8 img;
    const bool ok = ReadRows(png, info, file.f, img);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        error = "broken PNG: " + pngError;
        return false;
    }
    out = std::move(img);
    return true;
}

namespace {

// The libpng part of writing; its own function so that nothing the caller
// keeps lives across the error jump.
bool WriteRows(png_structp png, png_infop info, FILE *f, int width, int height, const uint8_t *data, bool opaque) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t rowBytes = static_cast<size_t>(width) * (opaque ? 3 : 4);
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(data + y * rowBytes));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePng(const std::string &path, const Image8 &img, std::string &error) {
    bool opaque = true;
    for (size_t i = 3; i < img.rgba.size(); i += 4)
        if (img.rgba[i] != 255) {
            opaque = false;
            break;
        }
    std::vector<uint8_t> packed;
    if (opaque) {
        packed.resize(static_cast<size_t>(img.width) * img.height * 3);
        for (size_t i = 0, j = 0; i < img.rgba.size(); i += 4, j += 3) memcpy(&packed[j], &img.rgba[i], 3);
    }
    File file;
    file.f = fopen(path.c_str(), "wb");
    if (!file.f) {
        error = std::string("cannot create: ") + strerror(errno);
        return false;
    }
    std::string pngError;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        error = "out of memory";
        return false;
    }
    const bool ok =
        WriteRows(png, info, file.f, img.width, img.height, opaque ? packed.data() : img.rgba.data(), opaque);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        error = "cannot write PNG: " + pngError;
        return false;
    }
    if (fflush(file.f) != 0 || ferror(file.f)) {
        error = std::string("write failed: ") + strerror(errno);
        return false;
    }
    return true;
}

}  // namespace tessary_host
