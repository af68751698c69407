// Brush shapes: the 16-bit coverage map brushShape (maxBrushSize rows of
// maxBrushSize values; the current shape fills the top-left brushSize square),
// built as a round disc or from a cached shape picture.
#pragma once

// Rebuilds brushShape from the picture `name` (an image script or image file,
// turned by script effect 51 with `param`, cached by name and parameter) or,
// without a usable picture, as the round shape.
void SetBrushShape(const char *name, int param);
// The older loader: image files only, no blur, round shape from integer offsets.
void SetBrushShapeOriginal(const char *name, int param);
// Releases the cached picture; its name and parameter stay.
void UnloadBrushShape();
// Rewrites a layer's pixels into a grey "blob" suitable as a shape picture.
void CreateBlobFromImage(int layer, int mode);

// Writes the round shape for brushSize into brushShape (which the caller has
// cleared). `integerOffsets` measures distances from the integer half of the
// size, as the older loader does.
void DrawRoundShape(bool integerOffsets);
