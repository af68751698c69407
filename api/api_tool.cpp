// Exports: the current tool and its single setters.
#include "api/api.h"
#include "brush/tool_state.h"
#include "core/engine_state.h"

TSY_API int32_t TSY_SetTool(float shapeScale, int32_t gritCell, int32_t gritCellThreshold, int32_t gritPixelThreshold,
                            int32_t shapeSoftness, int32_t colorVary, int32_t gritRepeat, int32_t blendStrength,
                            int32_t blendPrimaryColorStrength, int32_t blendRemix, int32_t reserved11,
                            int32_t shapeInvert, int32_t reserved13, const char *grainSource, const char *shapeName,
                            int32_t shapeParam) {
    int32_t result = 0;
    TSY_GUARD("SetTool Excpt",
              result = SetTool(shapeScale, gritCell, gritCellThreshold, gritPixelThreshold, shapeSoftness, colorVary,
                               gritRepeat, blendStrength, blendPrimaryColorStrength, blendRemix, reserved11,
                               shapeInvert, reserved13, grainSource, shapeName, shapeParam));
    return result;
}

TSY_API void TSY_SetColor(int32_t r, int32_t g, int32_t b) { TSY_GUARD("SetColor Excpt", SetColor(r, g, b)); }

TSY_API void TSY_SetColor16(int32_t r, int32_t g, int32_t b) { TSY_GUARD("SetColor16 Excpt", SetColor16(r, g, b)); }

TSY_API void TSY_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2,
                               int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3) {
    TSY_GUARD("SetColorBanks Excpt", SetColorBanks(r0, g0, b0, r1, g1, b1, r2, g2, b2, r3, g3, b3));
}

TSY_API void TSY_SetSize(int32_t size) { TSY_GUARD("SetSize Excpt", SetSize(size)); }

TSY_API void TSY_SetScaleSize(int32_t size) { TSY_GUARD("SetScaleSize Excpt", SetScaleSize(size)); }

TSY_API void TSY_SetDensity(int32_t density) { TSY_GUARD("SetDensity Excpt", SetDensity(density)); }

TSY_API void TSY_SetAlpha(int32_t alphaPercent) { TSY_GUARD("SetAlpha Excpt", SetAlpha(alphaPercent)); }

TSY_API void TSY_SetAlphaLevel(int32_t level) { TSY_GUARD("SetAlphaLevel Excpt", g_engine.tool.alphaLevel = level); }

TSY_API void TSY_SetColorVary(int32_t vary) { TSY_GUARD("SetColorVary Excpt", g_engine.tool.colorVary = vary); }

TSY_API void TSY_SetPixColorVary(int32_t vary) { TSY_GUARD("SetPixColorVary Excpt", SetPixColorVary(vary)); }

TSY_API void TSY_SetPixLumVary(int32_t vary) { TSY_GUARD("SetPixLumVary Excpt", SetPixLumVary(vary)); }

TSY_API void TSY_SetAlphaLocked(int32_t on) { TSY_GUARD("SetAlphaLocked Excpt", g_engine.tool.alphaLocked = on); }

TSY_API void TSY_SetColorLocked(int32_t on) { TSY_GUARD("SetColorLocked Excpt", g_engine.tool.colorLocked = on); }

TSY_API void TSY_SetBlobLocked(int32_t on) { TSY_GUARD("SetBlobLocked Excpt", g_engine.tool.blobLocked = on); }

TSY_API void TSY_SetSolidBrushMode(int32_t on) { TSY_GUARD("SetSolidBrushMode Excpt", g_engine.tool.solidMode = on); }

TSY_API void TSY_SetImageBrushMode(int32_t on) {
    TSY_GUARD("SetImageBrushMode Excpt", g_engine.tool.imageBrushMode = on);
}

TSY_API void TSY_SetRotateBrushMode(int32_t mode, int32_t angle) {
    TSY_GUARD("SetRotateBrushMode Excpt", SetRotateBrushMode(mode, angle));
}

TSY_API void TSY_SetShapeBlur(int32_t blur) { TSY_GUARD("SetShapeBlur Excpt", g_engine.tool.shapeBlur = blur); }

TSY_API void TSY_SetMixMode(int32_t code, int32_t amount) { TSY_GUARD("SetMixMode Excpt", SetMixMode(code, amount)); }

TSY_API void TSY_SetTracingMode(int32_t on) {
    TSY_GUARD("SetTracingMode Excpt", g_engine.tool.tracingMode = static_cast<uint8_t>(on));
}

TSY_API void TSY_SetMaskMakerOn(void) { TSY_GUARD("SetMaskMakerOn Excpt", g_engine.tool.maskMakerMode = 1); }

TSY_API void TSY_SetEraseModeOn(void) { TSY_GUARD("SetEraseModeOn Excpt", g_engine.tool.eraseMode = 1); }

TSY_API void TSY_DecDrawingLength(void) { TSY_GUARD("DecDrawingLength Excpt", DecDrawingLength()); }
