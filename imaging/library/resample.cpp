// Separable filtered resampling: a horizontal pass into an intermediate image
// of the target width, then a vertical pass. Each target sample is the
// weighted sum of the source samples under the kernel centred on it; weights
// are normalised to sum 1 (also where the kernel is cut off at the image
// edge), so a constant image stays constant. When shrinking, filtered modes
// widen the kernel by the shrink factor; the interpolating modes (17, 18)
// keep it. An axis whose size does not change is copied.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

#include "imaging/library/image_checks.h"
#include "imaging/library/imaging_library.h"

namespace {

constexpr double kPi = std::numbers::pi;

double Sinc(double x) {
    if (x == 0.0) return 1.0;
    const double px = kPi * x;
    return std::sin(px) / px;
}

// Keys' cubic convolution with parameter a.
double KeysCubic(double x, double a) {
    x = std::fabs(x);
    if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0) return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    return 0.0;
}

// Mitchell-Netravali cubic with B = C = 1/3.
double Mitchell(double x) {
    const double b = 1.0 / 3.0, c = 1.0 / 3.0;
    x = std::fabs(x);
    if (x < 1.0) return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6.0;
    if (x < 2.0)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x + (8 * b + 24 * c)) / 6.0;
    return 0.0;
}

double BoxK(double x) { return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0; }
double TriangleK(double x) { return std::max(0.0, 1.0 - std::fabs(x)); }
double HammingK(double x) { return std::fabs(x) < 1.0 ? Sinc(x) * (0.54 + 0.46 * std::cos(kPi * x)) : 0.0; }
double GaussianK(double x) { return std::exp(-2.0 * x * x) * std::sqrt(2.0 / kPi); }
double BellK(double x) {
    x = std::fabs(x);
    if (x < 0.5) return 0.75 - x * x;
    if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}
double BSplineK(double x) {
    x = std::fabs(x);
    if (x < 1.0) return 2.0 / 3.0 - x * x + 0.5 * x * x * x;
    if (x < 2.0) return (2.0 - x) * (2.0 - x) * (2.0 - x) / 6.0;
    return 0.0;
}
double Cubic1K(double x) { return KeysCubic(x, -1.0); }
double Cubic2K(double x) { return KeysCubic(x, -0.75); }
double CatromK(double x) { return KeysCubic(x, -0.5); }
double Lanczos3K(double x) { return std::fabs(x) < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0; }
double SincK(double x) { return std::fabs(x) < 4.0 ? Sinc(x) : 0.0; }
double HermiteK(double x) {
    x = std::fabs(x);
    return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
}
double HanningK(double x) { return std::fabs(x) < 1.0 ? Sinc(x) * (0.5 + 0.5 * std::cos(kPi * x)) : 0.0; }

struct Kernel {
    double (*f)(double);
    double support;    // half-width at scale 1
    bool interpolate;  // true: never widened when shrinking
    bool area;         // exact area coverage instead of a kernel
};

// Indexed by mode number; modes 14 and 16 do not exist.
constexpr Kernel kKernels[19] = {
    {BoxK, 0.5, false, false},        // 0 Box
    {TriangleK, 1.0, false, false},   // 1 Triangle
    {HammingK, 1.0, false, false},    // 2 Hamming
    {GaussianK, 1.25, false, false},  // 3 Gaussian
    {BellK, 1.5, false, false},       // 4 Bell
    {BSplineK, 2.0, false, false},    // 5 B-Spline
    {Cubic1K, 2.0, false, false},     // 6 Cubic 1
    {Cubic2K, 2.0, false, false},     // 7 Cubic 2
    {Lanczos3K, 3.0, false, false},   // 8 Lanczos3
    {Mitchell, 2.0, false, false},    // 9 Mitchell
    {SincK, 4.0, false, false},       // 10 Sinc
    {HermiteK, 1.0, false, false},    // 11 Hermite
    {HanningK, 1.0, false, false},    // 12 Hanning
    {CatromK, 2.0, false, false},     // 13 Catrom
    {nullptr, 0.0, false, false},     // 14 (none)
    {nullptr, 0.0, false, true},      // 15 area average
    {nullptr, 0.0, false, false},     // 16 (none)
    {CatromK, 2.0, true, false},      // 17 bicubic interpolation
    {TriangleK, 1.0, true, false},    // 18 bilinear interpolation
};

// Weights of every target sample along one axis: target i reads source
// samples start[i] .. start[i] + count[i] - 1 with weights at i x stride.
struct AxisWeights {
    std::vector<int32_t> start, count;
    std::vector<double> weights;
    size_t stride = 0;
};

void BuildAxis(const Kernel &k, int32_t in, int32_t out, AxisWeights &a) {
    const double scale = double(in) / out;
    a.start.assign(size_t(out), 0);
    a.count.assign(size_t(out), 0);
    if (k.area) {
        a.stride = size_t(std::ceil(scale)) + 2;
        a.weights.assign(size_t(out) * a.stride, 0.0);
        for (int32_t i = 0; i < out; ++i) {
            const double lo = i * scale, hi = (i + 1) * scale;
            const int32_t j0 = std::clamp(int32_t(std::floor(lo)), 0, in - 1);
            const int32_t j1 = std::clamp(int32_t(std::ceil(hi)), j0 + 1, in);
            double *w = &a.weights[size_t(i) * a.stride];
            double sum = 0.0;
            int32_t n = 0;
            for (int32_t j = j0; j < j1 && size_t(n) < a.stride; ++j, ++n) {
                w[n] = std::max(0.0, std::min(hi, j + 1.0) - std::max(lo, double(j)));
                sum += w[n];
            }
            if (sum <= 0.0) {
                n = 1;
                w[0] = sum = 1.0;
            }
            for (int32_t t = 0; t < n; ++t) w[t] /= sum;
            a.start[size_t(i)] = j0;
            a.count[size_t(i)] = n;
        }
        return;
    }
    const double filterScale = k.interpolate ? 1.0 : std::max(scale, 1.0);
    const double support = k.support * filterScale;
    a.stride = size_t(std::ceil(2.0 * support)) + 2;
    a.weights.assign(size_t(out) * a.stride, 0.0);
    for (int32_t i = 0; i < out; ++i) {
        const double centre = (i + 0.5) * scale;
        const int32_t j0 = std::clamp(int32_t(std::floor(centre - support)), 0, in - 1);
        const int32_t j1 = std::clamp(int32_t(std::ceil(centre + support)), j0 + 1, in);
        double *w = &a.weights[size_t(i) * a.stride];
        double sum = 0.0;
        int32_t n = 0;
        for (int32_t j = j0; j < j1 && size_t(n) < a.stride; ++j, ++n) {
            w[n] = k.f((j + 0.5 - centre) / filterScale);
            sum += w[n];
        }
        if (sum == 0.0) {
            // Nothing under the kernel: take the nearest sample.
            a.start[size_t(i)] = std::clamp(int32_t(centre), 0, in - 1);
            a.count[size_t(i)] = 1;
            w[0] = 1.0;
            continue;
        }
        for (int32_t t = 0; t < n; ++t) w[t] /= sum;
        a.start[size_t(i)] = j0;
        a.count[size_t(i)] = n;
    }
}

template <class T>
inline T RoundClamp(double v) {
    constexpr double kMax = double(T(~T(0)));
    if (!(v > 0.0)) return 0;
    if (v >= kMax) return T(~T(0));
    return T(v + 0.5);
}

// Horizontal pass: rows of src (width samples of `ch` channels) to rows of
// dst (a.count.size() samples).
template <class T>
void PassX(const uint8_t *src, int32_t srcStride, uint8_t *dst, int32_t dstStride, int32_t height, int32_t ch,
           const AxisWeights &a) {
    const size_t out = a.count.size();
    for (int32_t y = 0; y < height; ++y) {
        const T *in = reinterpret_cast<const T *>(src + RowOffset(y, srcStride));
        T *o = reinterpret_cast<T *>(dst + RowOffset(y, dstStride));
        for (size_t i = 0; i < out; ++i) {
            const double *w = &a.weights[i * a.stride];
            const T *s = in + size_t(a.start[i]) * ch;
            for (int32_t c = 0; c < ch; ++c) {
                double acc = 0.0;
                for (int32_t t = 0; t < a.count[i]; ++t) acc += w[t] * s[size_t(t) * ch + c];
                o[i * ch + c] = RoundClamp<T>(acc);
            }
        }
    }
}

// Vertical pass: rows of `samples` values each.
template <class T>
void PassY(const uint8_t *src, int32_t srcStride, uint8_t *dst, int32_t dstStride, size_t samples, const AxisWeights &a,
           std::vector<double> &acc) {
    acc.assign(samples, 0.0);
    for (size_t i = 0; i < a.count.size(); ++i) {
        std::fill(acc.begin(), acc.end(), 0.0);
        const double *w = &a.weights[i * a.stride];
        for (int32_t t = 0; t < a.count[i]; ++t) {
            const T *in = reinterpret_cast<const T *>(src + RowOffset(a.start[i] + t, srcStride));
            const double wt = w[t];
            for (size_t s = 0; s < samples; ++s) acc[s] += wt * in[s];
        }
        T *o = reinterpret_cast<T *>(dst + RowOffset(int64_t(i), dstStride));
        for (size_t s = 0; s < samples; ++s) o[s] = RoundClamp<T>(acc[s]);
    }
}

template <class T>
int32_t Resample(const Kernel &k, const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                 int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t ch) {
    const size_t rowBytes = size_t(newWidth) * ch * sizeof(T);
    // Horizontal pass (or a copy) into a packed intermediate image.
    std::vector<uint8_t> mid(rowBytes * size_t(height));
    if (newWidth == width) {
        for (int32_t y = 0; y < height; ++y) std::memcpy(&mid[y * rowBytes], src + RowOffset(y, srcStride), rowBytes);
    } else {
        AxisWeights ax;
        BuildAxis(k, width, newWidth, ax);
        PassX<T>(src, srcStride, mid.data(), int32_t(rowBytes), height, ch, ax);
    }
    if (newHeight == height) {
        for (int32_t y = 0; y < height; ++y) std::memcpy(dst + RowOffset(y, dstStride), &mid[y * rowBytes], rowBytes);
        return 1;
    }
    AxisWeights ay;
    BuildAxis(k, height, newHeight, ay);
    std::vector<double> acc;
    PassY<T>(mid.data(), int32_t(rowBytes), dst, dstStride, size_t(newWidth) * ch, ay, acc);
    return 1;
}

bool ValidResize(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst, int32_t newWidth,
                 int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel) {
    if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4 && bytesPerPixel != 8) return false;
    if (bytesPerPixel == 8 && ((reinterpret_cast<uintptr_t>(src) | reinterpret_cast<uintptr_t>(dst) |
                                uintptr_t(srcStride) | uintptr_t(dstStride)) &
                               1))
        return false;  // 16-bit samples need even addresses
    return ValidImage(src, width, height, bytesPerPixel, srcStride) &&
           ValidImage(dst, newWidth, newHeight, bytesPerPixel, dstStride) && src != dst;
}

}  // namespace

int32_t is5_ResizeImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                        int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel, int32_t mode,
                        int32_t /*flags*/) {
    if (mode < 0 || mode > 18) return 0;
    const Kernel &k = kKernels[mode];
    if (k.f == nullptr && !k.area) return 0;
    if (!ValidResize(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel)) return 0;
    try {
        if (bytesPerPixel == 8)
            return Resample<uint16_t>(k, src, width, height, srcStride, dst, newWidth, newHeight, dstStride, 4);
        return Resample<uint8_t>(k, src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel);
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

int32_t IS3ResizeImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                       int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel) {
    return is5_ResizeImage(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel, 1, 0);
}

int32_t IS3DecimateImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                         int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel,
                         int32_t /*flags*/) {
    return is5_ResizeImage(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel, 15, 0);
}

int32_t IS3ResizeImageBicubic(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                              int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel) {
    return is5_ResizeImage(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel, 17, 0);
}

int32_t IS3SimpleResampleImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                               int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel) {
    if (!ValidImage(src, width, height, bytesPerPixel, srcStride) ||
        !ValidImage(dst, newWidth, newHeight, bytesPerPixel, dstStride) || src == dst)
        return 0;
    const size_t bpp = size_t(bytesPerPixel);
    for (int32_t y = 0; y < newHeight; ++y) {
        const int64_t sy = std::min<int64_t>((int64_t(2 * y + 1) * height) / (2 * int64_t(newHeight)), height - 1);
        const uint8_t *in = src + RowOffset(sy, srcStride);
        uint8_t *out = dst + RowOffset(y, dstStride);
        for (int32_t x = 0; x < newWidth; ++x) {
            const int64_t sx =
                std::min<int64_t>((int64_t(2 * int64_t(x) + 1) * width) / (2 * int64_t(newWidth)), width - 1);
            std::memcpy(out + size_t(x) * bpp, in + size_t(sx) * bpp, bpp);
        }
    }
    return 1;
}
