// Every call this host makes into the engine goes through this file, so the
// rest of the program never names an engine function. Each wrapper is a
// direct call of the exported function of the same name.
//
// While an engine family is still missing from the library the host builds
// against, the CMake script notices it in tessary.h and sets the matching
// TSY_HOST_HAS_<function> switch to 0; the wrapper then falls back to a local
// stand-in (or does nothing) and reports the missing function once through
// MissingEngineCalls().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary_host::engine {

// Canvas: creates a W x H canvas with brush limit maxBrush, the background
// (slot 1) and one paint layer (slot 2), and makes slot 2 current.
bool CreateCanvas(int width, int height, int maxBrush, int32_t seed);
void DeleteCanvas();
std::string LastError();
void SetRandomSeed(int32_t seed);
// Writes W x H RGBA64 pixels into a layer.
void SetLayerPixels(int layer, const uint16_t *rgba64);

// Tool.
struct ToolArgs {
    float shapeScale = 1.0f;
    int gritCell = 0, gritCellThreshold = 0, gritPixelThreshold = 0;
    int softness = 0, colorVary = 0, gritRepeat = 1;
    int blendStrength = 0, primaryStrength = 0, remix = 0, shapeInvert = 0;
    std::string grain, shape;
    int shapeParam = 0;
};
void SetTool(int size, const ToolArgs &args);
void SetScaleSize(int size);
void SetDensity(int density);
void SetAlpha(int percent);
void SetColorBanks(const int rgb[12]);
void SetMixMode(int code, int amount);
void SetPixelVariation(int colour, int lightness);
void SetEraseModeOn();
void DecDrawingLength();

// Dabs and curves.
void DrawDab(int x, int y, int r8, int g8, int b8);
// 100 points of a smooth curve through three points; false when not available.
bool CalcSpline3(int x0, int y0, int x1, int y1, int x2, int y2, std::vector<double> &xs, std::vector<double> &ys);

// Paint layer.
void CreatePaintLayer(int opacityPercent, const std::string &mode);
void DeletePaintLayer();
void MergePaintLayer(int layer);

// Blend buffer pick-up from the current layer.
void CopyBlendBuffer(int x, int y, int amount);
void MixBlendBuffer(int x, int y, int amount);

// Undo.
void SaveUndo(bool image, bool mask);

// Selection mask.
void EnableMask(bool on);
void ClearMaskEditable();
void InvertMask();
bool GetMask(std::vector<uint16_t> &values, int width, int height);
void SetMask(const std::vector<uint16_t> &values);
void ClearLayerMasked(int r8, int g8, int b8, int a8);
void CreateImageFromMask();
void CreateAlphaFromMask();
void CreateMaskFromImage();
void CreateMaskFromImageLuma();
void CreateMaskFromAlpha();

// Flattened image of the visible layers, W x H RGBA64.
bool Flatten(std::vector<uint16_t> &rgba64, int width, int height);

// Names of the engine functions a fallback stood in for since the last call.
std::vector<std::string> MissingEngineCalls();

}  // namespace tessary_host::engine
