// Spline curves of the imaging library's effects family.
#pragma once

// Fills out[XYZ][0..count-1] with points of a smooth curve through the
// `controlCount` points (xs, ys, zs), first to last, in order: point 0 is the
// first control point, point count - 1 the last, and every control point is
// one of the output points. `tension` is accepted for call compatibility.
// Returns 1, or 0 (nothing written) for fewer than 2 points of either kind or
// a null pointer.
int ISE40_Get3DSplinePoints(int count, int controlCount, int tension, const double *xs, const double *ys,
                            const double *zs, double *outX, double *outY, double *outZ);
