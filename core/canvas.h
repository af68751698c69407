// Canvas lifecycle, view parameters and process services.
#pragma once
#include <cstdint>

void CanvasCreate(void *hostWindow, int width, int height, int maxBrushSize, int reserved);
void CanvasNewSize(void *hostWindow, int width, int height, int maxBrushSize, int reserved);
void CanvasDelete();

// A requested canvas width or height outside 0..10000 becomes 100.
int ClampCanvasSize(int v);

void SetStartDir(const char *path);
void SetRandomSeed(int seed);
int IsDisplayChanged();
int RenameFile(const char *oldPath, const char *newPath);
void MemcpyChecked(void *dest, const void *src, uint32_t count);
