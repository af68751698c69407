// Exports: dabs and stroke curves.
#include "api/api.h"
#include "brush/dab.h"
#include "brush/stroke_spline.h"

TSY_API void TSY_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
    TSY_GUARD("DrawDabGrit Excpt", DrawDab(x, y, r, g, b));
}

TSY_API void TSY_DrawDabGritMask(int32_t x, int32_t y) { TSY_GUARD("DrawDabGritMask Excpt", DrawDabMask(x, y)); }

TSY_API void TSY_CalcSpline3(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                             int32_t unused) {
    (void)unused;
    TSY_GUARD("CalcSpline3 Excpt", CalcSpline3(x0, y0, x1, y1, x2, y2));
}

TSY_API int32_t TSY_GetSplinePointCount(void) {
    int32_t result = 0;
    TSY_GUARD("GetSplinePointCount Excpt", result = SplinePointCount());
    return result;
}

TSY_API int32_t TSY_GetSplinePointX(uint32_t i) {
    int32_t result = 0;
    TSY_GUARD("GetSplinePointX Excpt", result = SplinePointX(i));
    return result;
}

TSY_API int32_t TSY_GetSplinePointY(uint32_t i) {
    int32_t result = 0;
    TSY_GUARD("GetSplinePointY Excpt", result = SplinePointY(i));
    return result;
}
