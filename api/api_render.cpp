// Exports: view rendering.
#include "api/api.h"
#include "composite/render.h"

TSY_API void TSY_Render(void *output, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h) {
    TSY_GUARD("Render Excpt", RenderView(static_cast<uint8_t *>(output), stride, x, y, w, h));
}
