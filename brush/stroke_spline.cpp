#include "brush/stroke_spline.h"

#include "core/engine_state.h"
#include "imaging/library/spline.h"

namespace {

constexpr int kSplinePoints = 100;

// Coordinates are taken as unsigned 32-bit values, so a negative argument
// becomes a value above 2^31.
double AsUnsigned(int v) { return static_cast<double>(static_cast<uint32_t>(v)); }

int PointIndex(uint32_t i) {
    const uint32_t count = static_cast<uint32_t>(g_engine.splinePointCount);
    return static_cast<int>(i < count ? i : count - 1);
}

}  // namespace

void CalcSpline3(int x0, int y0, int x1, int y1, int x2, int y2) {
    EngineState &e = g_engine;
    e.splineControlX[0] = AsUnsigned(x0);
    e.splineControlY[0] = AsUnsigned(y0);
    e.splineControlX[1] = AsUnsigned(x1);
    e.splineControlY[1] = AsUnsigned(y1);
    e.splineControlX[2] = AsUnsigned(x2);
    e.splineControlY[2] = AsUnsigned(y2);
    e.splineControlZ[0] = e.splineControlZ[1] = e.splineControlZ[2] = 0.0;
    ISE40_Get3DSplinePoints(kSplinePoints, 3, 50, e.splineControlX, e.splineControlY, e.splineControlZ, e.splineX,
                            e.splineY, e.splineZ);
    e.splinePointCount = kSplinePoints;
}

int SplinePointCount() { return g_engine.splinePointCount; }

int SplinePointX(uint32_t i) {
    if (g_engine.splinePointCount <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(g_engine.splineX[PointIndex(i)]));
}

int SplinePointY(uint32_t i) {
    if (g_engine.splinePointCount <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(g_engine.splineY[PointIndex(i)]));
}
