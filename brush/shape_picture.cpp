#include "brush/shape_picture.h"

#include <cstdio>
#include <cstring>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "imaging/library/imaging_library.h"
#include "imaging/library/isl.h"
#include "imaging/own_filters.h"

namespace {

// Ends an image-script sequence however the code between leaves it.
struct ScriptSession {
    bool ready = ISL_Initialize() != 0;
    ~ScriptSession() {
        if (ready) ISL_Finish();
    }
};

void StoreName(const char *name) {
    std::snprintf(g_engine.shapeImageName, sizeof(g_engine.shapeImageName), "%s", name);
}

size_t PictureBytes(int w, int h) { return static_cast<size_t>(w) * static_cast<size_t>(h) * 4; }

// Image script: renders the script into a fresh picture of the size its
// header states. Returns true when the library loaded the script, whether
// or not a picture could be made of it.
bool LoadShapeScript(const char *name) {
    ScriptSession session;
    if (!session.ready || !ISL_LoadScriptFromFile(name)) return false;
    ISL_InitBuffers();
    uint8_t header[kISLHeaderSize] = {};
    int32_t w = 0, h = 0;
    if (ISL_ReadScriptHeaderFromFile(name, header)) {
        std::memcpy(&w, header + 16, 4);
        std::memcpy(&h, header + 20, 4);
    }
    if (w <= 0 || h <= 0 || w > kISLMaxImageSize || h > kISLMaxImageSize) return true;
    g_engine.shapeImageWidth = w;
    g_engine.shapeImageHeight = h;
    g_engine.shapeImage = x_NewCharUndoReduce(PictureBytes(w, h));
    if (g_engine.shapeImage != nullptr) {
        ISL_ExecuteScript(g_engine.shapeImage);
        IS3RGBAToBGRA(g_engine.shapeImage, w, h, w * 4);  // scripts render blue-green-red-alpha
        StoreName(name);
    }
    return true;
}

// Image file: decodes it and keeps a copy of its RGBA32 pixels.
void LoadShapeFile(const char *name) {
    HISSRC source = IS3OpenFileSource(name);
    if (source == nullptr) return;
    int32_t w = 0, h = 0;
    uint8_t *block = IS3ReadImageToRGBA(source, &w, &h);
    IS3CloseSource(source);
    if (block == nullptr) return;
    if (w > 0 && h > 0) {
        g_engine.shapeImageWidth = w;
        g_engine.shapeImageHeight = h;
        g_engine.shapeImage = x_NewCharUndoReduce(PictureBytes(w, h));
        if (g_engine.shapeImage != nullptr) {
            std::memcpy(g_engine.shapeImage, block, PictureBytes(w, h));
            StoreName(name);
        }
    }
    GlobalFree(block);
}

// A shape value from a grey level: trunc(grey * 256 * shapeScale) in single
// precision, held to 0..65535.
inline uint16_t GreyShapeValue(int grey, float scale) {
    const float v = static_cast<float>(grey * 256) * scale;
    if (!(v > 0.0f)) return 0;
    if (v >= 65535.0f) return 65535;
    return static_cast<uint16_t>(v);
}

}  // namespace

void ReleaseShapePicture() {
    ReleaseBuffer(g_engine.shapeImage);
    g_engine.shapeImageWidth = g_engine.shapeImageHeight = 0;
}

bool LoadShapePicture(const char *name, bool allowScript) {
    // Names that do not fit the stored name cannot be cached; they load nothing.
    if (name == nullptr || std::strlen(name) >= sizeof(g_engine.shapeImageName)) return false;
    const bool scriptLoaded = allowScript && LoadShapeScript(name);
    if (!scriptLoaded) LoadShapeFile(name);
    if (g_engine.shapeImage == nullptr) {
        g_engine.shapeImageWidth = g_engine.shapeImageHeight = 0;
        return false;
    }
    return true;
}

void ProcessShapePicture(int param) {
    {
        ScriptSession session;
        if (session.ready && g_engine.shapeImage != nullptr && ISL_AddEffect(51, 1)) {
            ISL_SetEffectValue(0, 3, param);  // angle in degrees
            ISL_SetEffectValue(0, 4, 100);    // scale percent
            ISL_ExecuteScriptOnImage(g_engine.shapeImage, g_engine.shapeImageWidth, g_engine.shapeImageHeight);
        }
    }
    g_engine.shapeImageParam = param;
}

bool ShapeFromPicture(int size, bool withBlur, bool originalModes) {
    const int s = size, w = g_engine.shapeImageWidth, h = g_engine.shapeImageHeight;
    const uint8_t *picture = g_engine.shapeImage;
    if (picture == nullptr || s <= 0 || g_engine.brushShape == nullptr) return false;
    uint8_t *B = x_NewCharUndoReduce(static_cast<size_t>(s) * s * 4);
    uint8_t *G = x_NewCharUndoReduce(static_cast<size_t>(s) * s);
    if (B == nullptr || G == nullptr) {
        ReleaseBuffer(B);
        ReleaseBuffer(G);
        return false;
    }
    const ToolState &t = g_engine.tool;
    int ok = 0;
    if (!withBlur || t.shapeBlur < 1) {
        int mode;
        if (originalModes)
            mode = (w < 5 || h < 5 || s < 5) ? 17 : 8;
        else
            mode = s < w ? 15 : 8;
        ok = is5_ResizeImage(picture, w, h, 4 * w, B, s, s, 4 * s, 4, mode, 0);
    } else {
        // Blurred: "Value Blur" carries dark values across the copy (the
        // stronger the blur, the further), then it is shrunk or enlarged.
        // Without the copy no shape is made and the round shape stands in.
        uint8_t *C = x_NewCharUndoReduce(PictureBytes(w, h));
        if (C != nullptr) {
            std::memcpy(C, picture, PictureBytes(w, h));
            RunOwnFilterOn(picture, C, w, h, "Value Blur", 1, 0, 0, (100 - t.shapeBlur) * 10, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 0, 0, 0, 0);
            if (s < w)
                ok = IS3DecimateImage(C, w, h, 4 * w, B, s, s, 4 * s, 4, 1);
            else
                ok = IS3ResizeImage(C, w, h, 4 * w, B, s, s, 4 * s, 4);
            ReleaseBuffer(C);
        }
    }
    if (ok != 0) {
        IS3ImageToGrayScale8Bit(B, s, s, 4, 4 * s, G, s, 0);
        const int S = g_engine.maxBrushSize;
        for (int r = 0; r < s; ++r)
            for (int c = 0; c < s; ++c)
                g_engine.brushShape[static_cast<size_t>(r) * S + c] =
                    GreyShapeValue(G[static_cast<size_t>(r) * s + c], t.shapeScale);
    }
    g_engine.tool.gritCountdown = t.gritRepeat;
    ReleaseBuffer(B);
    ReleaseBuffer(G);
    return ok != 0;
}
