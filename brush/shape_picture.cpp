// Placeholder until the imaging library lands: no picture can be loaded.
#include "brush/shape_picture.h"

#include "core/alloc.h"
#include "core/engine_state.h"

void ReleaseShapePicture() {
    ReleaseBuffer(g_engine.shapeImage);
    g_engine.shapeImageWidth = g_engine.shapeImageHeight = 0;
}
bool LoadShapePicture(const char *, bool) { return false; }
void ProcessShapePicture(int param) { g_engine.shapeImageParam = param; }
bool ShapeFromPicture(int, bool, bool) { return false; }
