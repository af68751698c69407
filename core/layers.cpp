#include "core/layers.h"

#include <algorithm>
#include <cstring>

#include "composite/blend_mode_names.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "undo/undo.h"

LayerSlot *SlotAt(int index) {
    if (index < 0 || index >= kLayerCount) return nullptr;
    return &g_engine.layers[index];
}

LayerSlot *SlotWithPixels(int index) {
    LayerSlot *slot = SlotAt(index);
    return (slot != nullptr && slot->pixels != nullptr) ? slot : nullptr;
}

namespace {

size_t SlotPixelCount(const LayerSlot &slot) {
    return static_cast<size_t>(slot.width) * static_cast<size_t>(slot.height);
}

size_t CanvasPixelCount() {
    return static_cast<size_t>(g_engine.canvasWidth) * static_cast<size_t>(g_engine.canvasHeight);
}

bool IsTextureSlot(const LayerSlot &slot) { return slot.blendMode == kModeTexturize3; }

}  // namespace

int LayerCreate(int index, int width, int height) {
    LayerSlot *slot = SlotAt(index);
    if (slot == nullptr || width < 0 || height < 0) return 0;
    if (slot->pixels != nullptr && (slot->width != width || slot->height != height))
        ReleaseBuffer(slot->pixels);
    slot->width = width;
    slot->height = height;
    slot->stride = 4 * width;
    const size_t values = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    if (slot->pixels == nullptr) {
        slot->pixels = x_NewShortUndoReduce(values);
        if (slot->pixels == nullptr) return 0;
    }
    std::memset(slot->pixels, index == kBackgroundSlot ? 0xFF : 0, values * 2);
    return 1;
}

void LayerDelete(int index) {
    LayerSlot *slot = SlotAt(index);
    if (slot == nullptr) return;
    ReleaseBuffer(slot->pixels);
}

void LayerSwap(int a, int b) {
    LayerSlot *sa = SlotAt(a);
    LayerSlot *sb = SlotAt(b);
    if (sa == nullptr || sb == nullptr || sa == sb) return;
    std::swap(*sa, *sb);
}

int LayerCount() {
    int n = 0;
    for (const auto &slot : g_engine.layers) n += slot.pixels != nullptr;
    return n;
}

int LayerSetOptions(int index, int visible, int alphaLocked, int opacityPercent, const char *modeName) {
    LayerSlot *slot = SlotAt(index);
    if (slot == nullptr) return 0;
    if (IsTextureSlot(*slot) && g_engine.textureMap != nullptr) ReleaseBuffer(g_engine.textureMap);
    slot->visible = static_cast<uint8_t>(visible);
    slot->alphaLocked = static_cast<uint8_t>(alphaLocked);
    slot->preOpacity = 255;
    slot->modeName[0] = 0;
    slot->opacity = static_cast<uint16_t>(static_cast<int64_t>(opacityPercent) * 256 / 100);
    if (modeName != nullptr && std::strlen(modeName) < static_cast<size_t>(kModeNameSize))
        std::strcpy(slot->modeName, modeName);
    slot->blendMode = BlendModeFromName(modeName);

    g_engine.topSlot = 1;
    for (int i = 2; i < kLayerCount; ++i)
        if (g_engine.layers[i].pixels != nullptr) g_engine.topSlot = i;

    if (index != g_engine.currentLayer && slot->visible && IsTextureSlot(*slot)) return TextureCreate(index);
    return slot->blendMode;
}

void LayerSelect(int index) {
    LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr) return;
    if (IsTextureSlot(*slot) && g_engine.textureMap != nullptr) ReleaseBuffer(g_engine.textureMap);
    if (index != g_engine.currentLayer) {
        const LayerSlot *old = SlotAt(g_engine.currentLayer);
        if (old != nullptr && old->visible && IsTextureSlot(*old) && old->pixels != nullptr)
            TextureCreate(g_engine.currentLayer);
    }
    g_engine.currentSlot = slot;
    g_engine.currentLayer = index;
    UndoSaveBackBuffer(index);
}

// The texture map is t = ((r + g + b) / 3) >> 8 clamped to 4..250, so a
// texture never blocks or passes paint completely. Pixels outside a source
// layer smaller than the canvas count as black.
int TextureCreate(int index) {
    const LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr) return 0;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    if (g_engine.textureMap == nullptr) {
        g_engine.textureMap = x_NewCharUndoReduce(CanvasPixelCount());
        if (g_engine.textureMap == nullptr) return 0;
    }
    const int w = std::min(W, slot->width);
    const int h = std::min(H, slot->height);
    for (int y = 0; y < H; ++y) {
        uint8_t *out = g_engine.textureMap + static_cast<size_t>(y) * W;
        if (y >= h) {
            std::memset(out, 4, static_cast<size_t>(W));
            continue;
        }
        const uint16_t *p = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < w; ++x, p += 4) {
            int t = ((p[0] + p[1] + p[2]) / 3) >> 8;
            out[x] = static_cast<uint8_t>(std::clamp(t, 4, 250));
        }
        if (w < W) std::memset(out + w, 4, static_cast<size_t>(W - w));
    }
    return W;
}

void TextureDelete() { ReleaseBuffer(g_engine.textureMap); }

void LayerSetAlpha(int index, int alpha) {
    LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr) return;
    const uint16_t a = static_cast<uint16_t>(alpha);
    for (int y = 0; y < slot->height; ++y) {
        uint16_t *p = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < slot->width; ++x) p[4 * x + 3] = a;
    }
}

void LayerNormalizeAlpha(int index) {
    LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr || slot->blendMode > 27) return;
    const uint32_t opacity = slot->opacity;
    const size_t n = SlotPixelCount(*slot);
    for (size_t i = 0; i < n; ++i) {
        uint16_t &a = slot->pixels[4 * i + 3];
        a = static_cast<uint16_t>((a * opacity) >> 8);
    }
    slot->opacity = 256;
}

void LayerFindDataExtents(int index, int32_t *minX, int32_t *minY, int32_t *maxX, int32_t *maxY) {
    const LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr || minX == nullptr || minY == nullptr || maxX == nullptr || maxY == nullptr) return;
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    int x0 = W, y0 = H, x1 = 0, y1 = 0;
    // Canvas geometry, clipped to the buffer the slot really has.
    const int w = std::min(W, slot->width);
    const int h = std::min(H, slot->height);
    for (int y = 0; y < h; ++y) {
        const uint16_t *p = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < w; ++x) {
            if (p[4 * x + 3] > 0) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    *minX = x0;
    *minY = y0;
    *maxX = x1;
    *maxY = y1;
}

int LayerIsTransparent(int index) {
    const LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr) return 1;
    const size_t n = SlotPixelCount(*slot);
    for (size_t i = 0; i < n; ++i)
        if (slot->pixels[4 * i + 3] < 0xFF00) return 1;
    return 0;
}

int LayerIsSingleColor(int index) {
    const LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr) return 0;
    const size_t n = SlotPixelCount(*slot);
    const uint16_t *p = slot->pixels;
    for (size_t i = 1; i < n; ++i)
        if (std::memcmp(p, p + 4 * i, 8) != 0) return 0;
    return 1;
}

// The three copies move W x H pixels, clipped to the buffers' real sizes.
void LayerGetData(void *dest, int index) {
    const LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr || dest == nullptr) return;
    std::memcpy(dest, slot->pixels, std::min(CanvasPixelCount(), SlotPixelCount(*slot)) * 8);
}

void LayerSetData(const void *src, int index) {
    LayerSlot *slot = SlotWithPixels(index);
    if (slot == nullptr || src == nullptr) return;
    std::memcpy(slot->pixels, src, std::min(CanvasPixelCount(), SlotPixelCount(*slot)) * 8);
}

void LayerCopyData(int from, int to) {
    const LayerSlot *a = SlotWithPixels(from);
    LayerSlot *b = SlotWithPixels(to);
    if (a == nullptr || b == nullptr || a == b) return;
    const size_t n = std::min({CanvasPixelCount(), SlotPixelCount(*a), SlotPixelCount(*b)});
    std::memcpy(b->pixels, a->pixels, n * 8);
}

int FindLayerMaskAbove(unsigned index) {
    const unsigned top = static_cast<unsigned>(g_engine.topSlot);
    if (index >= top) return 0;
    for (unsigned i = index + 1; i <= top && i < static_cast<unsigned>(kLayerCount); ++i) {
        const LayerSlot &slot = g_engine.layers[i];
        if (slot.pixels != nullptr && slot.visible)
            return slot.blendMode == kModeLayerMask ? static_cast<int>(i) : 0;
    }
    return 0;
}
