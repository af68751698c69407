// JPEG decoding on libjpeg-turbo. Grey and colour images come out as RGBA32
// with alpha 255; CMYK and YCCK images are converted (Adobe files store
// inverted CMYK). A file that ends early fails instead of being padded.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

struct JpegProgress {
    jpeg_progress_mgr mgr;
    j_decompress_ptr cinfo;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1); }

// Warnings the library would paper over: the data ends or breaks off early.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        const int code = cinfo->err->msg_code;
        if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) JpegErrorExit(cinfo);
    }
}

void JpegOutputMessage(j_common_ptr) {}

// Progressive files with thousands of tiny scans take very long to decode;
// real encoders write a dozen or so.
void JpegProgressCheck(j_common_ptr cinfo) {
    const j_decompress_ptr d = reinterpret_cast<JpegProgress *>(cinfo->progress)->cinfo;
    if (d->input_scan_number > 500) JpegErrorExit(cinfo);
}

}  // namespace

uint8_t *DecodeJPEG(const uint8_t *data, size_t size, int32_t *width, int32_t *height) {
    if (data == nullptr || size < 3 || size > 0xFFFFFFFFu) return nullptr;
    jpeg_decompress_struct cinfo;
    JpegError err;
    JpegProgress progress;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegEmitMessage;
    err.mgr.output_message = JpegOutputMessage;
    uint8_t *volatile pixels = nullptr;
    uint8_t *volatile cmykRow = nullptr;
    if (setjmp(err.jump)) {
        GlobalFree(pixels);
        std::free(cmykRow);
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    progress.mgr.progress_monitor = JpegProgressCheck;
    progress.cinfo = &cinfo;
    cinfo.progress = &progress.mgr;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    pixels = AllocDecodedRGBA(cinfo.image_width, cinfo.image_height);
    if (pixels == nullptr) JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_start_decompress(&cinfo);
    const JDIMENSION w = cinfo.output_width, h = cinfo.output_height;
    if (w != cinfo.image_width || h != cinfo.image_height || cinfo.output_components != 4)
        JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    if (cmyk) {
        cmykRow = static_cast<uint8_t *>(std::malloc(size_t(w) * 4));
        if (cmykRow == nullptr) JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    }
    while (cinfo.output_scanline < h) {
        uint8_t *out = pixels + size_t(cinfo.output_scanline) * w * 4;
        JSAMPROW row = cmyk ? cmykRow : out;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
        if (cmyk) {
            for (JDIMENSION x = 0; x < w; ++x) {
                uint32_t c = cmykRow[4 * x], m = cmykRow[4 * x + 1], yv = cmykRow[4 * x + 2], k = cmykRow[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yv = 255 - yv;
                    k = 255 - k;
                }
                // Ink-free values are 255 here: channel = value x black / 255.
                out[4 * x] = uint8_t((c * k + 127) / 255);
                out[4 * x + 1] = uint8_t((m * k + 127) / 255);
                out[4 * x + 2] = uint8_t((yv * k + 127) / 255);
                out[4 * x + 3] = 255;
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::free(cmykRow);
    *width = int32_t(w);
    *height = int32_t(h);
    return pixels;
}
