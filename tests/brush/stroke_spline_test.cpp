// The three-point stroke curve and the spline stand-in behind it.
#include "brush/stroke_spline.h"

#include "engine_fixture.h"
#include "imaging/library/spline.h"

namespace {

using StrokeSplineTest = EngineTest;

TEST_F(StrokeSplineTest, NoCurveBeforeTheFirstCall) {
    EXPECT_EQ(TSY_GetSplinePointCount(), 0);
    EXPECT_EQ(TSY_GetSplinePointX(5), 0);
    EXPECT_EQ(TSY_GetSplinePointY(0), 0);
}

TEST_F(StrokeSplineTest, HundredPointsFromFirstThroughMiddleToLast) {
    TSY_CalcSpline3(0, 0, 50, 100, 100, 0, 0);
    ASSERT_EQ(TSY_GetSplinePointCount(), 100);
    EXPECT_EQ(TSY_GetSplinePointX(0), 0);
    EXPECT_EQ(TSY_GetSplinePointY(0), 0);
    EXPECT_EQ(TSY_GetSplinePointX(49), 50);  // the middle control point is one of the points
    EXPECT_EQ(TSY_GetSplinePointY(49), 100);
    EXPECT_EQ(TSY_GetSplinePointX(99), 100);
    EXPECT_EQ(TSY_GetSplinePointY(99), 0);
    // In order along the curve: x never goes back for this symmetric arch.
    for (uint32_t i = 1; i < 100; ++i) EXPECT_GE(g_engine.splineX[i], g_engine.splineX[i - 1]) << i;
    for (uint32_t i = 0; i < 100; ++i) EXPECT_EQ(g_engine.splineZ[i], 0.0);
    // An index at or beyond the count gives the last point.
    EXPECT_EQ(TSY_GetSplinePointX(200), 100);
    EXPECT_EQ(TSY_GetSplinePointY(0xFFFFFFFFu), 0);
}

TEST_F(StrokeSplineTest, NegativeCoordinatesAreReadUnsigned) {
    TSY_CalcSpline3(-1, 5, 10, 10, 20, 20, 0);
    EXPECT_EQ(g_engine.splineControlX[0], 4294967295.0);
    // Truncated to 32 bits on the way out, the value reads back as -1.
    EXPECT_EQ(TSY_GetSplinePointX(0), -1);
}

TEST_F(StrokeSplineTest, StandInRejectsTooFewPoints) {
    const double xs[2] = {0, 10}, ys[2] = {0, 10}, zs[2] = {0, 0};
    double ox[4], oy[4], oz[4];
    EXPECT_EQ(ISE40_Get3DSplinePoints(4, 1, 50, xs, ys, zs, ox, oy, oz), 0);
    EXPECT_EQ(ISE40_Get3DSplinePoints(1, 2, 50, xs, ys, zs, ox, oy, oz), 0);
    ASSERT_EQ(ISE40_Get3DSplinePoints(4, 2, 50, xs, ys, zs, ox, oy, oz), 1);
    EXPECT_EQ(ox[0], 0.0);
    EXPECT_EQ(ox[3], 10.0);
    EXPECT_GT(ox[1], 0.0);
    EXPECT_LT(ox[2], 10.0);
}

}  // namespace
