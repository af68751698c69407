// PNG decoding on libpng: every colour type and depth becomes RGBA32
// (16-bit samples keep their high byte, tRNS becomes alpha).
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

namespace {

struct PngInput {
    const uint8_t *data;
    size_t size;
    size_t pos;
};

void PngRead(png_structp png, png_bytep out, size_t n) {
    PngInput *in = static_cast<PngInput *>(png_get_io_ptr(png));
    if (n > in->size - in->pos) png_error(png, "truncated");
    std::memcpy(out, in->data + in->pos, n);
    in->pos += n;
}

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

}  // namespace

uint8_t *DecodePNG(const uint8_t *data, size_t size, int32_t *width, int32_t *height) {
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) return nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    PngInput in{data, size, 0};
    // Written between setjmp and longjmp, so volatile.
    uint8_t *volatile pixels = nullptr;
    png_bytep *volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        GlobalFree(pixels);
        std::free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    png_set_read_fn(png, &in, PngRead);
    // Ancillary chunks (text, ICC profiles ...) are bounded so a hostile file
    // cannot ask for huge buffers; the image data itself is bounded below.
    png_set_chunk_malloc_max(png, 16u << 20);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row size");
    pixels = AllocDecodedRGBA(w, h);
    rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * h));
    if (pixels == nullptr || rows == nullptr) png_error(png, "no memory");
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels + size_t(y) * w * 4;
    png_read_image(png, rows);
    std::free(rows);
    rows = nullptr;
    png_destroy_read_struct(&png, &info, nullptr);
    *width = int32_t(w);
    *height = int32_t(h);
    return pixels;
}
