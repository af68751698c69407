// File sources, file type guessing and the read calls; the start and stop
// calls of the library family.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/library/codecs.h"
#include "imaging/library/imaging_library.h"
#include "imaging/library/source_types.h"

// The library keeps no global resources, so starting and stopping always
// succeed; they stay as calls so the engine's start-up order is kept.
int32_t is5_Initialize() { return 1; }
int32_t IS40_Initialize() { return 1; }
int32_t ISE40_Initialize() { return 1; }
int32_t IS3Initialize() { return 1; }
int32_t ISE3Initialize() { return 1; }
int32_t SARAW_Initialize() { return 1; }
int32_t SARAW_Exit() { return 1; }
int32_t is5_Exit() { return 1; }
int32_t IS40_Exit() { return 1; }
int32_t IS3Exit() { return 1; }
int32_t ISE3Exit() { return 1; }
int32_t ISE40_Exit() { return 1; }

namespace {

// Files above 2 GiB are not images this engine can hold.
constexpr long kMaxSourceBytes = 0x7FFFFFFF;

HISSRC NewSource(uint8_t *data, size_t size) {
    ISSource *s = static_cast<ISSource *>(std::malloc(sizeof(ISSource)));
    if (s == nullptr) {
        std::free(data);
        return nullptr;
    }
    s->data = data;
    s->size = size;
    s->pos = 0;
    return s;
}

}  // namespace

HISSRC IS3OpenFileSource(const char *path) {
    if (path == nullptr) return nullptr;
    FILE *f = std::fopen(path, "rb");
    if (f == nullptr) return nullptr;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || size > kMaxSourceBytes || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        return nullptr;
    }
    uint8_t *data = nullptr;
    if (size > 0) {
        data = static_cast<uint8_t *>(std::malloc(size_t(size)));
        if (data == nullptr || std::fread(data, 1, size_t(size), f) != size_t(size)) {
            std::free(data);
            std::fclose(f);
            return nullptr;
        }
    }
    std::fclose(f);
    return NewSource(data, size_t(size));
}

HISSRC IS3OpenMemorySource(const void *data, uint32_t size) {
    if (data == nullptr && size > 0) return nullptr;
    uint8_t *copy = nullptr;
    if (size > 0) {
        copy = static_cast<uint8_t *>(std::malloc(size));
        if (copy == nullptr) return nullptr;
        std::memcpy(copy, data, size);
    }
    return NewSource(copy, size);
}

int32_t IS3GuessFileType(HISSRC source) {
    if (source == nullptr) return kISFileUnknown;
    return GuessImageType(source->data + source->pos, source->size - source->pos);
}

int32_t IS3Seek(HISSRC source, int32_t offset, int32_t origin) {
    if (source == nullptr) return 0;
    int64_t base;
    switch (origin) {
        case 0:
            base = 0;
            break;
        case 1:
            base = int64_t(source->pos);
            break;
        case 2:
            base = int64_t(source->size);
            break;
        default:
            return 0;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > int64_t(source->size)) return 0;
    source->pos = size_t(target);
    return 1;
}

uint8_t *IS3ReadImageToRGBA(HISSRC source, int32_t *width, int32_t *height) {
    if (source == nullptr || width == nullptr || height == nullptr) return nullptr;
    int32_t w = 0, h = 0;
    uint8_t *pixels = DecodeImage(source->data + source->pos, source->size - source->pos, &w, &h);
    if (pixels == nullptr) return nullptr;
    *width = w;
    *height = h;
    return pixels;
}

uint8_t *IS40_ReadImage(HISSRC source, int32_t *width, int32_t *height, int32_t wantRGBA, int32_t /*flags*/) {
    if (source == nullptr || width == nullptr || height == nullptr) return nullptr;
    int32_t w = 0, h = 0;
    uint8_t *pixels = DecodeImage(source->data + source->pos, source->size - source->pos, &w, &h);
    if (pixels == nullptr) return nullptr;
    if (wantRGBA == 0) {
        // Pack to RGB24 in place: each write lands at or before its read.
        const size_t count = size_t(w) * size_t(h);
        for (size_t i = 0; i < count; ++i) {
            pixels[3 * i + 0] = pixels[4 * i + 0];
            pixels[3 * i + 1] = pixels[4 * i + 1];
            pixels[3 * i + 2] = pixels[4 * i + 2];
        }
    }
    *width = w;
    *height = h;
    return pixels;
}

int32_t IS3CloseSource(HISSRC source) {
    if (source == nullptr) return 0;
    std::free(source->data);
    std::free(source);
    return 1;
}

HISSRC is5_OpenFileSource(const char *path) { return IS3OpenFileSource(path); }
int32_t is5_CloseSource(HISSRC source) { return IS3CloseSource(source); }
