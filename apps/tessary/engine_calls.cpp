#include "engine_calls.h"

#include <algorithm>
#include <set>

#include "tessary.h"

// Switches set by CMake from the declarations in tessary.h (1 = declared).
// CMake defines every switch the host uses.
#define TSY_HOST_HAS(fn) TSY_HOST_HAS_##fn

namespace tessary_host::engine {

namespace {

std::set<std::string> g_missing;
int g_width = 0, g_height = 0;

// Records that a fallback stood in for an engine function.
[[maybe_unused]] void Missing(const char *fn) { g_missing.insert(fn); }

}  // namespace

std::vector<std::string> MissingEngineCalls() {
    std::vector<std::string> out(g_missing.begin(), g_missing.end());
    g_missing.clear();
    return out;
}

// ---- canvas ----------------------------------------------------------------

bool CreateCanvas(int width, int height, int maxBrush, int32_t seed) {
    TSY_SetRandomSeed(seed);
    TSY_CreateImage(nullptr, width, height, maxBrush, 0);
    g_width = width;
    g_height = height;
    if (!TSY_CreateLayer(1, width, height) || !TSY_CreateLayer(2, width, height)) return false;
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    TSY_SetLayerOptions(2, 1, 0, 100, "Normal");
    TSY_SetLayer(2);
    return TSY_GetLayerNum() == 2;
}

void DeleteCanvas() {
    TSY_DeleteImage();
    g_width = g_height = 0;
}

std::string LastError() {
    const char *t = TSY_GetLastError();
    return t ? t : "";
}

void SetRandomSeed(int32_t seed) { TSY_SetRandomSeed(seed); }

void SetLayerPixels(int layer, const uint16_t *rgba64) {
    TSY_SetLayerData(rgba64, layer);
    // The work copy for undo follows the current layer.
    if (layer == TSY_GetLayerNum()) TSY_SaveUndoBackBuffer(layer);
}

// ---- tool -------------------------------------------------------------------

void SetTool(int size, const ToolArgs &a) {
    TSY_SetSize(size);
    TSY_SetTool(a.shapeScale, a.gritCell, a.gritCellThreshold, a.gritPixelThreshold, a.softness, a.colorVary,
                a.gritRepeat, a.blendStrength, a.primaryStrength, a.remix, 0, a.shapeInvert, 0, a.grain.c_str(),
                a.shape.c_str(), a.shapeParam);
}

void SetScaleSize(int size) { TSY_SetScaleSize(size); }

void SetDensity(int density) { TSY_SetDensity(density); }

void SetAlpha(int percent) { TSY_SetAlpha(percent); }

void SetColorBanks(const int c[12]) {
    TSY_SetColorBanks(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11]);
}

void SetMixMode(int code, int amount) { TSY_SetMixMode(code, amount); }

void SetPixelVariation(int colour, int lightness) {
    TSY_SetPixColorVary(colour);
    TSY_SetPixLumVary(lightness);
}

void SetEraseModeOn() { TSY_SetEraseModeOn(); }

void DecDrawingLength() { TSY_DecDrawingLength(); }

// ---- dabs and curves ---------------------------------------------------------

void DrawDab(int x, int y, int r8, int g8, int b8) {
    // The dab takes 16-bit channels and keeps their high bytes.
    TSY_DrawDabGrit(x, y, r8 << 8, g8 << 8, b8 << 8);
}

bool CalcSpline3(int x0, int y0, int x1, int y1, int x2, int y2, std::vector<double> &xs, std::vector<double> &ys) {
    xs.clear();
    ys.clear();
    TSY_CalcSpline3(x0, y0, x1, y1, x2, y2, 0);
    const int n = TSY_GetSplinePointCount();
    for (int i = 0; i < n; ++i) {
        xs.push_back(TSY_GetSplinePointX(static_cast<unsigned>(i)));
        ys.push_back(TSY_GetSplinePointY(static_cast<unsigned>(i)));
    }
    return n > 0;
}

// ---- paint layer ---------------------------------------------------------------

void CreatePaintLayer(int opacityPercent, const std::string &mode) {
#if TSY_HOST_HAS(TSY_CreatePaintLayer)
    TSY_CreatePaintLayer(opacityPercent, 100, mode.c_str());
#else
    (void)opacityPercent;
    (void)mode;
    Missing("TSY_CreatePaintLayer");
#endif
}

void DeletePaintLayer() {
#if TSY_HOST_HAS(TSY_DeletePaintLayer)
    TSY_DeletePaintLayer();
#else
    Missing("TSY_DeletePaintLayer");
#endif
}

void MergePaintLayer(int layer) {
#if TSY_HOST_HAS(TSY_MergePaintLayer)
    TSY_MergePaintLayer(layer);
#else
    (void)layer;
    Missing("TSY_MergePaintLayer");
#endif
}

// ---- blend buffer ------------------------------------------------------------------

void CopyBlendBuffer(int x, int y, int amount) { TSY_CopyBlendBufferSurface(x, y, amount, 0); }

void MixBlendBuffer(int x, int y, int amount) { TSY_MixBlendBufferSurface(x, y, amount); }

// ---- undo --------------------------------------------------------------------------

void SaveUndo(bool image, bool mask) { TSY_SaveUndoBuffer(image ? 1 : 0, mask ? 1 : 0); }

// ---- selection mask ----------------------------------------------------------------

void EnableMask(bool on) { TSY_EnableMask(on ? 1 : 0); }

void ClearMaskEditable() {
    TSY_ClearMask(0, 0, 0);  // black: every pixel editable
}

void InvertMask() { TSY_InvertMask(); }

bool GetMask(std::vector<uint16_t> &values, int width, int height) {
    values.assign(static_cast<size_t>(width) * height, 65535);
    TSY_GetMaskData16(values.data());
    return true;
}

void SetMask(const std::vector<uint16_t> &values) { TSY_SetMaskData16(values.data()); }

void ClearLayerMasked(int r8, int g8, int b8, int a8) { TSY_ClearMaskedAlpha(r8, g8, b8, a8); }

void CreateImageFromMask() { TSY_CreateImageFromMask(); }

void CreateAlphaFromMask() { TSY_CreateAlphaFromMask(0); }

void CreateMaskFromImage() { TSY_CreateMaskFromImage(); }

void CreateMaskFromImageLuma() { TSY_CreateMaskFromImageLuma(); }

void CreateMaskFromAlpha() { TSY_CreateMaskFromAlpha(); }

// ---- flattened image -------------------------------------------------------------

bool Flatten(std::vector<uint16_t> &rgba64, int width, int height) {
    rgba64.assign(static_cast<size_t>(width) * height * 4, 0);
#if TSY_HOST_HAS(TSY_Merge)
    TSY_Merge(rgba64.data());
    return true;
#else
    // Stand-in: the paint layer laid over the background with plain alpha.
    Missing("TSY_Merge");
    std::vector<uint16_t> top(rgba64.size());
    TSY_GetLayerData(rgba64.data(), 1);
    TSY_GetLayerData(top.data(), 2);
    for (size_t i = 0; i < rgba64.size(); i += 4) {
        const uint32_t a = top[i + 3];
        for (int c = 0; c < 3; ++c)
            rgba64[i + c] = static_cast<uint16_t>((top[i + c] * a + rgba64[i + c] * (65535u - a)) / 65535u);
        rgba64[i + 3] = static_cast<uint16_t>(std::max<uint32_t>(a, rgba64[i + 3]));
    }
    return true;
#endif
}

}  // namespace tessary_host::engine
