// GIF decoding on giflib: the first frame on the logical screen. Pixels the
// frame does not cover, and the frame's transparent index, have alpha 0.
#include <gif_lib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/global_memory.h"

namespace {

struct GifInput {
    const uint8_t *data;
    size_t size;
    size_t pos;
};

int GifRead(GifFileType *gif, GifByteType *out, int n) {
    GifInput *in = static_cast<GifInput *>(gif->UserData);
    if (n <= 0) return 0;
    const size_t count = std::min(size_t(n), in->size - in->pos);
    std::memcpy(out, in->data + in->pos, count);
    in->pos += count;
    return int(count);
}

// Reads the first image record into the screen block; false on any error.
bool ReadFirstFrame(GifFileType *gif, uint8_t **screenOut, int32_t *screenW, int32_t *screenH) {
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == TERMINATE_RECORD_TYPE) return false;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && ext[0] >= 4 && (ext[1] & 1)) transparent = ext[4];
            while (ext != nullptr)
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return false;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
        const GifImageDesc &desc = gif->Image;
        const ColorMapObject *map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        if (map == nullptr || desc.Width <= 0 || desc.Height <= 0) return false;
        int32_t sw = gif->SWidth > 0 ? gif->SWidth : desc.Left + desc.Width;
        int32_t sh = gif->SHeight > 0 ? gif->SHeight : desc.Top + desc.Height;
        uint8_t *screen = AllocDecodedRGBA(sw, sh);
        GifPixelType *line = static_cast<GifPixelType *>(std::malloc(size_t(desc.Width)));
        if (screen == nullptr || line == nullptr) {
            GlobalFree(screen);
            std::free(line);
            return false;
        }
        std::memset(screen, 0, size_t(sw) * size_t(sh) * 4);
        // Interlaced frames store rows in four passes.
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        bool ok = true;
        for (int pass = 0; pass < passes && ok; ++pass) {
            const int start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
            for (int row = start; row < desc.Height; row += step) {
                if (DGifGetLine(gif, line, desc.Width) == GIF_ERROR) {
                    ok = false;
                    break;
                }
                const int64_t y = int64_t(desc.Top) + row;
                if (y < 0 || y >= sh) continue;
                uint8_t *out = screen + size_t(y) * size_t(sw) * 4;
                for (int col = 0; col < desc.Width; ++col) {
                    const int64_t x = int64_t(desc.Left) + col;
                    if (x < 0 || x >= sw) continue;
                    const int index = line[col];
                    uint8_t *p = out + size_t(x) * 4;
                    if (index < map->ColorCount) {
                        p[0] = map->Colors[index].Red;
                        p[1] = map->Colors[index].Green;
                        p[2] = map->Colors[index].Blue;
                    } else {
                        p[0] = p[1] = p[2] = 0;
                    }
                    p[3] = index == transparent ? 0 : 255;
                }
            }
        }
        std::free(line);
        if (!ok) {
            GlobalFree(screen);
            return false;
        }
        *screenOut = screen;
        *screenW = sw;
        *screenH = sh;
        return true;
    }
}

}  // namespace

uint8_t *DecodeGIF(const uint8_t *data, size_t size, int32_t *width, int32_t *height) {
    if (data == nullptr || size < 13) return nullptr;
    GifInput in{data, size, 0};
    int error = 0;
    GifFileType *gif = DGifOpen(&in, GifRead, &error);
    if (gif == nullptr) return nullptr;
    uint8_t *pixels = nullptr;
    int32_t w = 0, h = 0;
    const bool ok = ReadFirstFrame(gif, &pixels, &w, &h);
    DGifCloseFile(gif, &error);
    if (!ok) return nullptr;
    *width = w;
    *height = h;
    return pixels;
}
