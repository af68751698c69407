#include "brush/brush_shape.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "brush/shape_picture.h"
#include "core/engine_state.h"
#include "core/layers.h"

namespace {

// Shape values are 16-bit: a scale above 1 saturates at full coverage rather
// than wrapping round to a faint value.
inline uint16_t ShapeValue(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 65535.0) return 65535;
    return static_cast<uint16_t>(v);
}

// The brush size the shape is built for, held to the shape buffer.
int ShapeSize() { return std::clamp(g_engine.tool.brushSize, 0, std::max(0, g_engine.maxBrushSize)); }

bool ClearShape() {
    if (g_engine.brushShape == nullptr) return false;
    const size_t S = static_cast<size_t>(std::max(0, g_engine.maxBrushSize));
    std::memset(g_engine.brushShape, 0, S * S * sizeof(uint16_t));
    return true;
}

bool UsableName(const char *name) { return name != nullptr && std::strlen(name) >= 2; }

}  // namespace

void DrawRoundShape(bool integerOffsets) {
    const ToolState &t = g_engine.tool;
    const int s = ShapeSize();
    const int S = g_engine.maxBrushSize;
    const double R = s * 0.5;
    const double C = s * 0.5;
    const double E = t.shapeSoftness * (1.0 / 255.0) * R;
    const float I = static_cast<float>(R - E);
    const double scale = t.shapeScale;
    const int half = s / 2;
    for (int i = 0; i < s; ++i) {
        for (int j = 0; j < s; ++j) {
            double d;
            if (integerOffsets) {
                const int di = i - half, dj = j - half;
                d = std::sqrt(static_cast<double>(di * di + dj * dj));
            } else {
                const double a = i + 0.5 - C, b = j + 0.5 - C;
                d = std::sqrt(a * a + b * b);
            }
            if (d > R) continue;  // outside the disc the value stays 0
            double v = 65535.0;
            if (t.shapeSoftness != 0 && d > I) v = std::clamp((E - (d - I)) / E * 65535.0, 0.0, 65535.0);
            const double out = t.shapeInvert ? std::fabs(v - 65535.0) * scale : v * scale;
            g_engine.brushShape[static_cast<size_t>(j) * S + i] = ShapeValue(out);
        }
    }
}

void SetBrushShape(const char *name, int param) {
    if (!ClearShape()) return;
    bool made = false;
    if (UsableName(name)) {
        const bool cached = g_engine.shapeImage != nullptr && std::strcmp(g_engine.shapeImageName, name) == 0 &&
                            g_engine.shapeImageParam == param;
        bool loaded = cached;
        if (!cached) {
            ReleaseShapePicture();
            if (LoadShapePicture(name, true)) {
                ProcessShapePicture(param);
                loaded = true;
            }
        }
        if (loaded) made = ShapeFromPicture(ShapeSize(), true, false);
    }
    if (!made) DrawRoundShape(false);
}

void SetBrushShapeOriginal(const char *name, int param) {
    if (!ClearShape()) return;
    bool made = false;
    if (UsableName(name)) {
        const bool cached = g_engine.shapeImage != nullptr && std::strcmp(g_engine.shapeImageName, name) == 0 &&
                            g_engine.shapeImageParam == param;
        bool loaded = cached;
        if (!cached) {
            ReleaseShapePicture();
            if (LoadShapePicture(name, false)) {
                ProcessShapePicture(param);
                loaded = true;
            }
        }
        if (loaded) made = ShapeFromPicture(ShapeSize(), false, true);
    }
    if (!made) DrawRoundShape(true);
}

void UnloadBrushShape() { ReleaseShapePicture(); }

void CreateBlobFromImage(int layer, int mode) {
    LayerSlot *slot = SlotWithPixels(layer);
    if (slot == nullptr || slot->width <= 0 || slot->height <= 0) return;
    const double k = 1.0 / 65534.0;
    for (int y = 0; y < slot->height; ++y) {
        uint16_t *px = slot->pixels + static_cast<size_t>(y) * slot->stride;
        for (int x = 0; x < slot->width; ++x, px += 4) {
            const int l = (px[0] + px[1] + px[2]) / 3;
            if (mode == 1) {
                if (l >= 32767) {
                    // Bright pixels darken toward the middle.
                    const double f = (l - 32767) * k;
                    for (int c = 0; c < 3; ++c) px[c] = static_cast<uint16_t>(px[c] - px[c] * f);
                } else {
                    // Dark pixels lighten toward the middle.
                    const double f = (32767 - l) * k;
                    for (int c = 0; c < 3; ++c) px[c] = static_cast<uint16_t>(px[c] + (65535 - px[c]) * f);
                }
            } else {
                px[0] = px[1] = px[2] = 32767;
            }
            if (px[3] > 8191) px[3] = static_cast<uint16_t>(l * 0.843 + 10239);
        }
    }
}
