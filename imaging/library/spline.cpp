#include "imaging/library/spline.h"

namespace {

// Uniform Catmull-Rom segment from p1 (t = 0) to p2 (t = 1).
double CatmullRom(double p0, double p1, double p2, double p3, double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    return 0.5 * ((2.0 * p1) + (p2 - p0) * t + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * t2 +
                  (3.0 * p1 - p0 - 3.0 * p2 + p3) * t3);
}

// Control point k, with mirrored phantom points before the first and after
// the last so the end segments bend naturally.
double Control(const double *v, int n, int k) {
    if (k < 0) return 2.0 * v[0] - v[1];
    if (k >= n) return 2.0 * v[n - 1] - v[n - 2];
    return v[k];
}

}  // namespace

int ISE40_Get3DSplinePoints(int count, int controlCount, int tension, const double *xs, const double *ys,
                            const double *zs, double *outX, double *outY, double *outZ) {
    (void)tension;
    if (count < 2 || controlCount < 2 || xs == nullptr || ys == nullptr || zs == nullptr || outX == nullptr ||
        outY == nullptr || outZ == nullptr)
        return 0;
    const int n = controlCount;
    const double *in[3] = {xs, ys, zs};
    double *out[3] = {outX, outY, outZ};
    // Control point k lands on output index k * (count - 1) / (n - 1).
    for (int k = 0; k + 1 < n; ++k) {
        const int from = static_cast<int>(static_cast<long long>(k) * (count - 1) / (n - 1));
        const int to = static_cast<int>(static_cast<long long>(k + 1) * (count - 1) / (n - 1));
        for (int i = from; i <= to; ++i) {
            const double t = to > from ? static_cast<double>(i - from) / (to - from) : 0.0;
            for (int a = 0; a < 3; ++a) {
                const double *v = in[a];
                double p;
                if (i == from)
                    p = v[k];  // exact control points, not rounded through the polynomial
                else if (i == to)
                    p = v[k + 1];
                else
                    p = CatmullRom(Control(v, n, k - 1), v[k], v[k + 1], Control(v, n, k + 2), t);
                out[a][i] = p;
            }
        }
    }
    return 1;
}
