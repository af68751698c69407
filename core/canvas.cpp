// Canvas creation, resize and deletion: every canvas-sized and brush-sized
// buffer is (re)built here, in a fixed order, and released in reverse.
#include "core/canvas.h"

#include <cstdio>
#include <cstring>

#include "brush/blend_buffer.h"
#include "brush/random_tables.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/layers.h"
#include "core/random.h"
#include "platform/window.h"
#include "undo/undo.h"

int ClampCanvasSize(int v) { return (v < 0 || v > kMaxCanvasSize) ? 100 : v; }

namespace {

size_t CanvasPixels() {
    return static_cast<size_t>(g_engine.canvasWidth) * static_cast<size_t>(g_engine.canvasHeight);
}

void StoreGeometry(void *hostWindow, int width, int height, int maxBrushSize, int reserved) {
    g_engine.canvasWidth = width;
    g_engine.viewScale = 1.0f;
    g_engine.canvasStride = 4 * width;
    g_engine.hostWindow = hostWindow;
    g_engine.canvasHeight = height;
    g_engine.maxBrushStride = 4 * maxBrushSize;
    g_engine.maxBrushSize = maxBrushSize;
    g_engine.createReserved = reserved;
    g_engine.viewZoom = 1;
    g_engine.viewOffsetX = 0;
    g_engine.viewOffsetY = 0;
}

void ReleaseGritTables() {
    for (auto &t : g_engine.tool.gritTables) ReleaseBuffer(t);
    g_engine.tool.currentGrit = nullptr;
}

void ReleaseProcessingBuffers() {
    ReleaseBuffer(g_engine.IPLSrcBuffer32);
    ReleaseBuffer(g_engine.IPLDstBuffer32);
    ReleaseBuffer(g_engine.ToolSrcBuffer32);
    ReleaseBuffer(g_engine.ToolDstBuffer32);
    g_engine.IPLSrcSize = g_engine.IPLDstSize = 0;
    g_engine.ToolSrcSize = g_engine.ToolDstSize = 0;
}

// Creation steps 5 to 12, shared by creation and resize. Buffers a previous
// canvas left behind are released before they are replaced, so creating a
// canvas twice does not leak.
void BuildCanvasBuffers(bool setTraceSlot) {
    const int S = g_engine.maxBrushSize < 0 ? 0 : g_engine.maxBrushSize;
    const size_t gritBytes = static_cast<size_t>(S + 25) * static_cast<size_t>(S + 25);
    for (auto &t : g_engine.tool.gritTables) {
        ReleaseBuffer(t);
        t = x_NewCharUndoReduce(gritBytes);
    }
    g_engine.tool.currentGrit = nullptr;

    ReleaseBuffer(g_engine.brushShape);
    g_engine.brushShape = x_NewShortUndoReduce(static_cast<size_t>(S) * S);

    BlendBuffersSetCount(1);

    const size_t pixels = CanvasPixels();
    ReleaseBuffer(g_engine.mask);
    g_engine.mask = x_NewShortUndoReduce(pixels);
    if (g_engine.mask != nullptr)
        for (size_t i = 0; i < pixels; ++i) g_engine.mask[i] = 65535;
    g_engine.maskActive = 1;

    g_engine.tool.tracingMode = 0;
    if (setTraceSlot) g_engine.traceSlot = &g_engine.layers[kTraceSlot];

    ReleaseBuffer(g_engine.undoWorkCanvas);
    g_engine.undoWorkCanvas = x_NewShortUndoReduce(pixels * 4);
    ReleaseBuffer(g_engine.undoMaskCopy);
    g_engine.undoMaskCopy = x_NewShortUndoReduce(pixels);

    UndoClearHistory();
    g_engine.undoMemoryKiB = static_cast<int32_t>(static_cast<int64_t>(pixels) * 10 / 1024);

    BuildRandByteTable(g_engine.randTable255, 255, kRandTableLength);
    BuildRandByteTable(g_engine.randTable254, 254, kRandTableLength);
}

// The buffers resize and deletion release before anything else changes.
void ReleaseCanvasBuffers() {
    ReleaseBuffer(g_engine.mask);
    ReleaseBuffer(g_engine.textureMap);
    ReleaseBuffer(g_engine.undoWorkCanvas);
    ReleaseBuffer(g_engine.undoMaskCopy);
    UndoResetRecords();
    UndoClearHistory();
    g_engine.undoMemoryKiB = 0;
    BlendBuffersSetCount(0);
    ReleaseBuffer(g_engine.paintLayer.pixels);
    ReleaseBuffer(g_engine.brushShape);
    ReleaseBuffer(g_engine.shapeImage);
    g_engine.shapeImageWidth = g_engine.shapeImageHeight = 0;
    ReleaseGritTables();
}

}  // namespace

void CanvasCreate(void *hostWindow, int width, int height, int maxBrushSize, int reserved) {
    width = ClampCanvasSize(width);
    height = ClampCanvasSize(height);
    StoreGeometry(hostWindow, width, height, maxBrushSize, reserved);
    for (auto &slot : g_engine.layers) ReleaseBuffer(slot.pixels);
    g_engine.currentSlot = nullptr;
    BuildCanvasBuffers(true);
    // The processing buffers are forgotten here, not released (a new canvas
    // starts without them); release what a previous canvas left so nothing leaks.
    ReleaseProcessingBuffers();
}

void CanvasNewSize(void *hostWindow, int width, int height, int maxBrushSize, int reserved) {
    width = ClampCanvasSize(width);
    height = ClampCanvasSize(height);
    g_engine.canvasHeight = height;
    g_engine.hostWindow = hostWindow;
    g_engine.canvasWidth = width;
    ReleaseCanvasBuffers();
    ReleaseProcessingBuffers();
    StoreGeometry(hostWindow, width, height, maxBrushSize, reserved);
    BuildCanvasBuffers(false);
}

void CanvasDelete() {
    ReleaseCanvasBuffers();
    for (int i = 0; i < kLayerCount; ++i) LayerDelete(i);
    ReleaseProcessingBuffers();
}

void SetStartDir(const char *path) {
    if (path == nullptr) return;
    const size_t n = std::strlen(path);
    if (n < static_cast<size_t>(kStartDirSize)) std::memcpy(g_engine.startDir, path, n + 1);
}

void SetRandomSeed(int seed) {
    g_engine.randomSeed = seed;
    EngineSeed(static_cast<uint32_t>(seed));
}

int IsDisplayChanged() {
    PlatformPollDisplayChanges();
    if (g_engine.displayChanged) {
        g_engine.displayChanged = 0;
        return 1;
    }
    return 0;
}

int RenameFile(const char *oldPath, const char *newPath) {
    if (oldPath == nullptr || newPath == nullptr) return 0;
    return std::rename(oldPath, newPath) == 0 ? 1 : 0;
}

void MemcpyChecked(void *dest, const void *src, uint32_t count) {
    if (dest != nullptr && src != nullptr && count > 0) std::memmove(dest, src, count);
}
