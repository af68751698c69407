// Shape pictures: loading (image script or image file), the effect-51 pass
// and resampling to the brush size, on the cached picture of the "Brush
// shape" group (shapeImage, its size, name and parameter).
#pragma once
#include <cstdint>

// Releases the cached picture and sets its size to 0.
void ReleaseShapePicture();
// Loads `name` as an image script (when scripts are allowed) or an image file
// into the cache and records the name. Returns true when a picture is loaded.
bool LoadShapePicture(const char *name, bool allowScript);
// Runs script effect 51 (parameter 3 = param, 4 = 100) on the cached picture
// and records param.
void ProcessShapePicture(int param);
// Resamples the cached picture to size x size, converts it to grey and fills
// brushShape with trunc(grey * 256 * shapeScale). `withBlur` honours
// shapeBlur; `originalModes` picks the older loader's resampling modes.
// Returns false when no shape was made (buffers missing or resampling failed).
bool ShapeFromPicture(int size, bool withBlur, bool originalModes);
