// Fuzz target: a memory source through type guessing and both read calls
// (RGBA32 and the in-place RGB24 packing).
#include <initializer_list>

#include "fuzz/fuzz_decode.h"
#include "imaging/library/imaging_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool limited = (SetImageReadPixelLimit(int64_t(1) << 22), true);
    (void)limited;
    if (size > 0xFFFFFFFFu) return 0;
    HISSRC source = IS3OpenMemorySource(data, uint32_t(size));
    if (source == nullptr) return 0;
    IS3GuessFileType(source);
    IS3Seek(source, 0, 0);
    for (int32_t wantRGBA : {1, 0}) {
        int32_t w = 0, h = 0;
        uint8_t *pixels = IS40_ReadImage(source, &w, &h, wantRGBA, 0);
        if (pixels == nullptr) break;
        uint32_t sum = 0;
        for (size_t i = 0, n = size_t(w) * size_t(h) * (wantRGBA ? 4 : 3); i < n; ++i) sum += pixels[i];
        volatile uint32_t sink = sum;
        (void)sink;
        GlobalFree(pixels);
    }
    IS3CloseSource(source);
    return 0;
}
