#include "brush/grain_source.h"

#include <cstring>

#include "brush/tool_state.h"
#include "core/alloc.h"
#include "imaging/library/imaging_library.h"
#include "imaging/library/isl.h"

namespace {

constexpr int kGrainTile = 600;  // side of the grey square a grain script is tiled into

// Image script: the rendered picture is tiled over a 600 x 600 square whose
// grey levels fill the tables. Sets `filled` when they were filled; returns
// true when the library loaded the script (the file route is then skipped).
bool GrainFromScript(const char *source, bool &filled) {
    if (!ISL_Initialize()) return false;
    // The blocks are released and the library finished on every way out.
    struct Session {
        uint8_t *A = nullptr, *B = nullptr, *G = nullptr;
        ~Session() {
            ReleaseBuffer(G);
            ReleaseBuffer(B);
            ReleaseBuffer(A);
            ISL_Finish();
        }
    } s;
    if (!ISL_LoadScriptFromFile(source)) return false;
    ISL_InitBuffers();
    uint8_t header[kISLHeaderSize] = {};
    int32_t w = 0, h = 0;
    if (ISL_ReadScriptHeaderFromFile(source, header)) {
        std::memcpy(&w, header + 16, 4);
        std::memcpy(&h, header + 20, 4);
    }
    if (w <= 0 || h <= 0 || w > kISLMaxImageSize || h > kISLMaxImageSize) return true;
    s.A = x_NewCharUndoReduce(static_cast<size_t>(w) * h * 4);
    s.B = x_NewCharUndoReduce(static_cast<size_t>(kGrainTile) * kGrainTile * 4);
    if (s.A == nullptr || s.B == nullptr) return true;
    ISL_ExecuteScript(s.A);
    IS3RGBAToBGRA(s.A, w, h, w * 4);
    for (int x = 0; x < kGrainTile; x += w)
        for (int y = 0; y < kGrainTile; y += h)
            IS3OverlayImage(s.B, kGrainTile, kGrainTile, 4, kGrainTile * 4, s.A, w, h, w * 4, x, y, 1.0, 0);
    s.G = x_NewCharUndoReduce(static_cast<size_t>(kGrainTile) * kGrainTile);
    if (s.G == nullptr) return true;
    IS3ImageToGrayScale8Bit(s.B, kGrainTile, kGrainTile, 4, kGrainTile * 4, s.G, kGrainTile, kGrainTile);
    FillGritTablesFromGrey(s.G, kGrainTile, kGrainTile);
    filled = true;
    return true;
}

// Image file: its grey levels at their own size fill the tables.
bool GrainFromFile(const char *source) {
    HISSRC src = IS3OpenFileSource(source);
    if (src == nullptr) return false;
    int32_t w = 0, h = 0;
    uint8_t *block = IS3ReadImageToRGBA(src, &w, &h);
    IS3CloseSource(src);
    if (block == nullptr) return false;
    const size_t pixels = static_cast<size_t>(w > 0 ? w : 0) * static_cast<size_t>(h > 0 ? h : 0);
    uint8_t *D = pixels > 0 ? x_NewCharUndoReduce(pixels * 4) : nullptr;
    if (D != nullptr) std::memcpy(D, block, pixels * 4);
    GlobalFree(block);
    if (D == nullptr) return false;
    uint8_t *G = x_NewCharUndoReduce(pixels);
    if (G != nullptr) IS3ImageToGrayScale8Bit(D, w, h, 4, 4 * w, G, w, 0);
    ReleaseBuffer(D);
    if (G == nullptr) return false;
    FillGritTablesFromGrey(G, w, h);
    ReleaseBuffer(G);
    return true;
}

}  // namespace

bool BuildGritTablesFromSource(const char *source) {
    if (source == nullptr) return false;
    bool filled = false;
    if (GrainFromScript(source, filled)) return filled;
    return GrainFromFile(source);
}

void GrainOverlay(uint8_t *table, int tw, int th, const uint8_t *window, int ww, int wh, int windowStride) {
    IS3OverlayImage(table, tw, th, 1, tw, window, ww, wh, windowStride, 0, 0, 1.0, 0);
}
