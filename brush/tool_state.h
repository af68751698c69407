// The current tool: the bulk setter, the single setters and the grain
// ("grit") tables built from the random byte tables or from a grain source.
#pragma once
#include <cstdint>

// Sets the whole tool (see the argument list of TSY_SetTool), builds the grit
// tables and the brush shape. Returns blendPrimaryColorStrength.
int SetTool(float shapeScale, int gritCell, int gritCellThreshold, int gritPixelThreshold, int shapeSoftness,
            int colorVary, int gritRepeat, int blendStrength, int blendPrimaryColorStrength, int blendRemix,
            int reserved11, int shapeInvert, int reserved13, const char *grainSource, const char *shapeName,
            int shapeParam);

// Builds the twenty grit tables from randTable255 and randTable254 with the
// current grain cell and thresholds, drawing from the engine generator.
// Does nothing when the canvas (and with it the tables) is absent.
void BuildRandomGritTables();

// Fills the twenty grit tables from a grey image of width x height (rows width
// bytes apart): each table gets an N x N window (N = brushSize + 25) at a
// random corner. Does nothing when the tables are absent.
void FillGritTablesFromGrey(const uint8_t *grey, int width, int height);

// The largest brush size the engine accepts: the smaller of 1000 (the scale
// map's length) and maxBrushSize, never below 0.
int MaxUsableBrushSize();

void SetColor(int r, int g, int b);
void SetColor16(int r, int g, int b);
void SetColorBanks(int r0, int g0, int b0, int r1, int g1, int b1, int r2, int g2, int b2, int r3, int g3, int b3);
void SetSize(int size);
void SetScaleSize(int s);
void SetDensity(int d);
void SetAlpha(int a);
void SetPixColorVary(int v);
void SetPixLumVary(int v);
void SetRotateBrushMode(int mode, int angle);
void SetMixMode(int code, int amount);
void DecDrawingLength();
