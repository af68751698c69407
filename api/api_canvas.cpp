// Exports: canvas lifecycle, view parameters, errors and process services.
#include "api/api.h"
#include "core/alloc.h"
#include "core/canvas.h"
#include "core/engine_state.h"
#include "platform/window.h"

TSY_API void TSY_CreateImage(void *hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t reserved) {
    TSY_GUARD("CreateImage Excpt", CanvasCreate(hostWindow, width, height, maxBrushSize, reserved));
}

TSY_API void TSY_NewSize(void *hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t reserved) {
    TSY_GUARD("NewSize Excpt", CanvasNewSize(hostWindow, width, height, maxBrushSize, reserved));
}

TSY_API void TSY_DeleteImage(void) { TSY_GUARD("DeleteImage Excpt", CanvasDelete()); }

TSY_API void TSY_SetScale(int32_t zoom, float scale) {
    g_engine.viewZoom = zoom;
    g_engine.viewScale = scale;
}

TSY_API void TSY_SetOffset(int32_t x, int32_t y) {
    g_engine.viewOffsetX = x;
    g_engine.viewOffsetY = y;
}

TSY_API void TSY_SetViewSize(int32_t width, int32_t height) {
    g_engine.viewWidth = width;
    g_engine.viewHeight = height;
}

TSY_API void TSY_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d) {
    g_engine.areaOfInterest[0] = a;
    g_engine.areaOfInterest[1] = b;
    g_engine.areaOfInterest[2] = c;
    g_engine.areaOfInterest[3] = d;
}

TSY_API void TSY_SetLastError(const char *text) { SetLastErrorText(text); }

TSY_API const char *TSY_GetLastError(void) { return g_engine.lastError; }

TSY_API void TSY_SetStartDir(const char *path) { TSY_GUARD("SetStartDir Excpt", SetStartDir(path)); }

TSY_API void TSY_SetRandomSeed(int32_t seed) { TSY_GUARD("SetRandomSeed Excpt", SetRandomSeed(seed)); }

TSY_API int32_t TSY_IsDisplayChanged(void) {
    int32_t result = 0;
    TSY_GUARD("IsDisplayChanged Excpt", result = IsDisplayChanged());
    return result;
}

TSY_API int32_t TSY_SetWindowRedraw(void *window, int32_t on) {
    int32_t result = 0;
    TSY_GUARD("SetWindowRedraw Excpt", result = PlatformSetWindowRedraw(window, on & 0xFF));
    return result;
}

TSY_API int32_t TSY_RedrawWindow(void *window) {
    int32_t result = 0;
    TSY_GUARD("RedrawWindow Excpt", result = PlatformRedrawWindow(window));
    return result;
}

TSY_API int32_t TSY_RenameFile(const char *oldPath, const char *newPath) {
    int32_t result = 0;
    TSY_GUARD("RenameFile Excpt", result = RenameFile(oldPath, newPath));
    return result;
}

TSY_API void TSY_Memcpy(void *dest, const void *src, uint32_t count) {
    TSY_GUARD("Memcpy Excpt", MemcpyChecked(dest, src, count));
}

TSY_API void *TSY_Alloc(int32_t size) {
    void *result = nullptr;
    TSY_GUARD("Alloc Excpt", result = AllocUndoReduce(size));
    return result;
}

TSY_API void TSY_Free(void *block) { TSY_GUARD("Free Excpt", std::free(block)); }

TSY_API void *BankAdrs(void *p) { return p; }
