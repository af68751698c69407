// Exports: brush shapes.
#include "api/api.h"
#include "brush/brush_shape.h"

TSY_API void TSY_SetBrushShape(const char *name, int32_t param) {
    TSY_GUARD("SetBrushShape Excpt", SetBrushShape(name, param));
}

TSY_API void TSY_SetBrushShape_ORIGINAL(const char *name, int32_t param) {
    TSY_GUARD("SetBrushShape Excpt", SetBrushShapeOriginal(name, param));
}

TSY_API void TSY_UnloadBrushShape(void) { TSY_GUARD("TSY_UnloadBrushShape Excpt", UnloadBrushShape()); }

TSY_API void TSY_CreateBlobFromImage(int32_t layer, int32_t mode) {
    TSY_GUARD("CreateBlobFromImage Excpt", CreateBlobFromImage(layer, mode));
}
