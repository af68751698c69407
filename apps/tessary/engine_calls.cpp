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
#if TSY_HOST_HAS(TSY_SetTool) && TSY_HOST_HAS(TSY_SetSize)
    TSY_SetSize(size);
    TSY_SetTool(a.shapeScale, a.gritCell, a.gritCellThreshold, a.gritPixelThreshold, a.softness, a.colorVary,
                a.gritRepeat, a.blendStrength, a.primaryStrength, a.remix, 0, a.shapeInvert, 0, a.grain.c_str(),
                a.shape.c_str(), a.shapeParam);
#else
    (void)size;
    (void)a;
    Missing("TSY_SetTool");
#endif
}

void SetScaleSize(int size) {
#if TSY_HOST_HAS(TSY_SetScaleSize)
    TSY_SetScaleSize(size);
#else
    (void)size;
    Missing("TSY_SetScaleSize");
#endif
}

void SetDensity(int density) {
#if TSY_HOST_HAS(TSY_SetDensity)
    TSY_SetDensity(density);
#else
    (void)density;
    Missing("TSY_SetDensity");
#endif
}

void SetAlpha(int percent) {
#if TSY_HOST_HAS(TSY_SetAlpha)
    TSY_SetAlpha(percent);
#else
    (void)percent;
    Missing("TSY_SetAlpha");
#endif
}

void SetColorBanks(const int c[12]) {
#if TSY_HOST_HAS(TSY_SetColorBanks)
    TSY_SetColorBanks(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11]);
#else
    (void)c;
    Missing("TSY_SetColorBanks");
#endif
}

void SetMixMode(int code, int amount) {
#if TSY_HOST_HAS(TSY_SetMixMode)
    TSY_SetMixMode(code, amount);
#else
    (void)code;
    (void)amount;
    Missing("TSY_SetMixMode");
#endif
}

void SetPixelVariation(int colour, int lightness) {
#if TSY_HOST_HAS(TSY_SetPixColorVary) && TSY_HOST_HAS(TSY_SetPixLumVary)
    TSY_SetPixColorVary(colour);
    TSY_SetPixLumVary(lightness);
#else
    (void)colour;
    (void)lightness;
    Missing("TSY_SetPixColorVary");
#endif
}

void SetEraseModeOn() {
#if TSY_HOST_HAS(TSY_SetEraseModeOn)
    TSY_SetEraseModeOn();
#else
    Missing("TSY_SetEraseModeOn");
#endif
}

void DecDrawingLength() {
#if TSY_HOST_HAS(TSY_DecDrawingLength)
    TSY_DecDrawingLength();
#else
    Missing("TSY_DecDrawingLength");
#endif
}

// ---- dabs and curves ---------------------------------------------------------

void DrawDab(int x, int y, int r8, int g8, int b8) {
#if TSY_HOST_HAS(TSY_DrawDabGrit)
    // The dab takes 16-bit channels and keeps their high bytes.
    TSY_DrawDabGrit(x, y, r8 << 8, g8 << 8, b8 << 8);
#else
    (void)x, (void)y, (void)r8, (void)g8, (void)b8;
    Missing("TSY_DrawDabGrit");
#endif
}

bool CalcSpline3(int x0, int y0, int x1, int y1, int x2, int y2, std::vector<double> &xs, std::vector<double> &ys) {
    xs.clear();
    ys.clear();
#if TSY_HOST_HAS(TSY_CalcSpline3)
    TSY_CalcSpline3(x0, y0, x1, y1, x2, y2, 0);
    const int n = TSY_GetSplinePointCount();
    for (int i = 0; i < n; ++i) {
        xs.push_back(TSY_GetSplinePointX(static_cast<unsigned>(i)));
        ys.push_back(TSY_GetSplinePointY(static_cast<unsigned>(i)));
    }
    return n > 0;
#else
    (void)x0, (void)y0, (void)x1, (void)y1, (void)x2, (void)y2;
    Missing("TSY_CalcSpline3");
    return false;
#endif
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

void CopyBlendBuffer(int x, int y, int amount) {
#if TSY_HOST_HAS(TSY_CopyBlendBufferSurface)
    TSY_CopyBlendBufferSurface(x, y, amount, 0);
#else
    (void)x, (void)y, (void)amount;
    Missing("TSY_CopyBlendBufferSurface");
#endif
}

void MixBlendBuffer(int x, int y, int amount) {
#if TSY_HOST_HAS(TSY_MixBlendBufferSurface)
    TSY_MixBlendBufferSurface(x, y, amount);
#else
    (void)x, (void)y, (void)amount;
    Missing("TSY_MixBlendBufferSurface");
#endif
}

// ---- undo --------------------------------------------------------------------------

void SaveUndo(bool image, bool mask) {
#if TSY_HOST_HAS(TSY_SaveUndoBuffer)
    TSY_SaveUndoBuffer(image ? 1 : 0, mask ? 1 : 0);
#else
    (void)image, (void)mask;
    Missing("TSY_SaveUndoBuffer");
#endif
}

// ---- selection mask ----------------------------------------------------------------

void EnableMask(bool on) {
#if TSY_HOST_HAS(TSY_EnableMask)
    TSY_EnableMask(on ? 1 : 0);
#else
    (void)on;
    Missing("TSY_EnableMask");
#endif
}

void ClearMaskEditable() {
#if TSY_HOST_HAS(TSY_ClearMask)
    TSY_ClearMask(0, 0, 0);  // black: every pixel editable
#else
    Missing("TSY_ClearMask");
#endif
}

void InvertMask() {
#if TSY_HOST_HAS(TSY_InvertMask)
    TSY_InvertMask();
#else
    Missing("TSY_InvertMask");
#endif
}

bool GetMask(std::vector<uint16_t> &values, int width, int height) {
    values.assign(static_cast<size_t>(width) * height, 65535);
#if TSY_HOST_HAS(TSY_GetMaskData16)
    TSY_GetMaskData16(values.data());
    return true;
#else
    Missing("TSY_GetMaskData16");
    return false;
#endif
}

void SetMask(const std::vector<uint16_t> &values) {
#if TSY_HOST_HAS(TSY_SetMaskData16)
    TSY_SetMaskData16(values.data());
#else
    (void)values;
    Missing("TSY_SetMaskData16");
#endif
}

void ClearLayerMasked(int r8, int g8, int b8, int a8) {
#if TSY_HOST_HAS(TSY_ClearMaskedAlpha)
    TSY_ClearMaskedAlpha(r8, g8, b8, a8);
#else
    // Stand-in: an unmasked fill of the current layer, channels widened x 256.
    Missing("TSY_ClearMaskedAlpha");
    std::vector<uint16_t> px(static_cast<size_t>(g_width) * g_height * 4);
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = static_cast<uint16_t>(r8 << 8);
        px[i + 1] = static_cast<uint16_t>(g8 << 8);
        px[i + 2] = static_cast<uint16_t>(b8 << 8);
        px[i + 3] = static_cast<uint16_t>(a8 << 8);
    }
    TSY_SetLayerData(px.data(), TSY_GetLayerNum());
#endif
}

void CreateImageFromMask() {
#if TSY_HOST_HAS(TSY_CreateImageFromMask)
    TSY_CreateImageFromMask();
#else
    Missing("TSY_CreateImageFromMask");
#endif
}

void CreateAlphaFromMask() {
#if TSY_HOST_HAS(TSY_CreateAlphaFromMask)
    TSY_CreateAlphaFromMask(0);
#else
    Missing("TSY_CreateAlphaFromMask");
#endif
}

void CreateMaskFromImage() {
#if TSY_HOST_HAS(TSY_CreateMaskFromImage)
    TSY_CreateMaskFromImage();
#else
    Missing("TSY_CreateMaskFromImage");
#endif
}

void CreateMaskFromImageLuma() {
#if TSY_HOST_HAS(TSY_CreateMaskFromImageLuma)
    TSY_CreateMaskFromImageLuma();
#else
    Missing("TSY_CreateMaskFromImageLuma");
#endif
}

void CreateMaskFromAlpha() {
#if TSY_HOST_HAS(TSY_CreateMaskFromAlpha)
    TSY_CreateMaskFromAlpha();
#else
    Missing("TSY_CreateMaskFromAlpha");
#endif
}

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
