// The smooth three-point curve the host may walk its strokes along.
#pragma once
#include <cstdint>

void CalcSpline3(int x0, int y0, int x1, int y1, int x2, int y2);
int SplinePointCount();
// Point i truncated toward zero; i at or beyond the count gives the last
// point, and 0 before any curve exists.
int SplinePointX(uint32_t i);
int SplinePointY(uint32_t i);
