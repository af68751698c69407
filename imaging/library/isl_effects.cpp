// Effect kernels of the image-script library. Generators write opaque grey (or
// colour) images; "Round mask" and "Rotate" reshape what is there.
#include "imaging/library/isl_effects.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kB = 0, kG = 1, kR = 2, kA = 3;

inline uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

size_t PixelCount(const ISLImage &img) { return static_cast<size_t>(img.width) * static_cast<size_t>(img.height); }

// Maps a float field onto 0..255 through its own minimum and maximum (a flat
// field becomes 128) and writes it into one channel, or into all three colour
// channels when channel < 0. Alpha becomes 255.
void WriteNormalised(ISLImage &img, const std::vector<float> &field, int channel) {
    const size_t n = PixelCount(img);
    float lo = field[0], hi = field[0];
    for (size_t i = 1; i < n; ++i) {
        lo = std::min(lo, field[i]);
        hi = std::max(hi, field[i]);
    }
    const float range = hi - lo;
    for (size_t i = 0; i < n; ++i) {
        const int v = range > 0.0f ? static_cast<int>((field[i] - lo) / range * 255.0f + 0.5f) : 128;
        uint8_t *p = img.pixels + 4 * i;
        if (channel < 0) {
            p[kB] = p[kG] = p[kR] = ClampByte(v);
        } else {
            p[channel] = ClampByte(v);
        }
        p[kA] = 255;
    }
}

// ---- 1 "Fill": 3 red, 4 green, 5 blue, 6 alpha --------------------------------
void Fill(ISLImage &img, const int32_t *p) {
    const uint8_t b = ClampByte(p[5]), g = ClampByte(p[4]), r = ClampByte(p[3]), a = ClampByte(p[6]);
    const size_t n = PixelCount(img);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *q = img.pixels + 4 * i;
        q[kB] = b;
        q[kG] = g;
        q[kR] = r;
        q[kA] = a;
    }
}

// ---- 5 "Plasma": 3 seed, 4 roughness percent, 5 colour ------------------------
// Diamond-square midpoint displacement on a wrapping grid whose side is the
// smallest power of two covering the image (at most 1024), so a square plasma
// of that side tiles seamlessly. Larger images sample the grid stretched.
std::vector<float> PlasmaGrid(int side, uint32_t seed, float roughness) {
    std::vector<float> g(static_cast<size_t>(side) * side, 0.0f);
    const int mask = side - 1;
    auto at = [&](int x, int y) -> float & { return g[static_cast<size_t>(y & mask) * side + (x & mask)]; };
    ISLRandom rnd{seed};
    float scale = 1.0f;
    for (int step = side; step > 1; step /= 2) {
        const int half = step / 2;
        for (int y = 0; y < side; y += step)
            for (int x = 0; x < side; x += step) {
                const float avg = (at(x, y) + at(x + step, y) + at(x, y + step) + at(x + step, y + step)) * 0.25f;
                at(x + half, y + half) = avg + (rnd.Unit() * 2.0f - 1.0f) * scale;
            }
        for (int y = 0; y < side; y += half)
            for (int x = ((y / half) % 2 == 0) ? half : 0; x < side; x += step) {
                const float avg = (at(x - half, y) + at(x + half, y) + at(x, y - half) + at(x, y + half)) * 0.25f;
                at(x, y) = avg + (rnd.Unit() * 2.0f - 1.0f) * scale;
            }
        scale *= roughness;
    }
    return g;
}

void Plasma(ISLImage &img, const int32_t *p) {
    const int larger = std::max(img.width, img.height);
    int side = 2;
    while (side < larger && side < 1024) side *= 2;
    const float roughness = static_cast<float>(std::clamp(p[4], 1, 100)) * 0.01f;
    const int channels = p[5] != 0 ? 3 : 1;
    std::vector<float> field(PixelCount(img));
    for (int c = 0; c < channels; ++c) {
        const std::vector<float> grid =
            PlasmaGrid(side, static_cast<uint32_t>(p[3]) + static_cast<uint32_t>(c), roughness);
        for (int y = 0; y < img.height; ++y) {
            const int gy = img.height <= side ? y : static_cast<int>(static_cast<int64_t>(y) * side / img.height);
            for (int x = 0; x < img.width; ++x) {
                const int gx = img.width <= side ? x : static_cast<int>(static_cast<int64_t>(x) * side / img.width);
                field[static_cast<size_t>(y) * img.width + x] = grid[static_cast<size_t>(gy) * side + gx];
            }
        }
        WriteNormalised(img, field, channels == 1 ? -1 : (c == 0 ? kR : (c == 1 ? kG : kB)));
    }
}

// ---- 11 "Perlin noise": 3 seed, 4 cell size, 5 octaves, 6 persistence percent --
struct Perlin {
    uint8_t perm[512];

    explicit Perlin(uint32_t seed) {
        ISLRandom rnd{seed};
        for (int i = 0; i < 256; ++i) perm[i] = static_cast<uint8_t>(i);
        for (int i = 255; i > 0; --i) std::swap(perm[i], perm[rnd.Next16() % static_cast<uint32_t>(i + 1)]);
        for (int i = 0; i < 256; ++i) perm[256 + i] = perm[i];
    }

    static float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }
    static float Grad(int hash, float x, float y) {
        switch (hash & 7) {
            case 0:
                return x + y;
            case 1:
                return -x + y;
            case 2:
                return x - y;
            case 3:
                return -x - y;
            case 4:
                return x;
            case 5:
                return -x;
            case 6:
                return y;
            default:
                return -y;
        }
    }
    float Noise(float x, float y) const {
        const float fx = std::floor(x), fy = std::floor(y);
        const int xi = static_cast<int>(fx) & 255, yi = static_cast<int>(fy) & 255;
        const float tx = x - fx, ty = y - fy;
        const float u = Fade(tx), v = Fade(ty);
        const int aa = perm[perm[xi] + yi], ab = perm[perm[xi] + yi + 1];
        const int ba = perm[perm[xi + 1] + yi], bb = perm[perm[xi + 1] + yi + 1];
        const float x1 = Grad(aa, tx, ty) + u * (Grad(ba, tx - 1.0f, ty) - Grad(aa, tx, ty));
        const float x2 = Grad(ab, tx, ty - 1.0f) + u * (Grad(bb, tx - 1.0f, ty - 1.0f) - Grad(ab, tx, ty - 1.0f));
        return x1 + v * (x2 - x1);
    }
};

void PerlinNoise(ISLImage &img, const int32_t *p) {
    const Perlin perlin(static_cast<uint32_t>(p[3]));
    const float cell = static_cast<float>(std::max(1, p[4]));
    const int octaves = std::clamp(p[5], 1, 8);
    const float persistence = static_cast<float>(std::clamp(p[6], 0, 100)) * 0.01f;
    std::vector<float> field(PixelCount(img));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            float sum = 0.0f, amp = 1.0f, freq = 1.0f / cell;
            for (int o = 0; o < octaves; ++o) {
                sum += amp * perlin.Noise((static_cast<float>(x) + 0.5f) * freq, (static_cast<float>(y) + 0.5f) * freq);
                amp *= persistence;
                freq *= 2.0f;
            }
            field[static_cast<size_t>(y) * img.width + x] = sum;
        }
    WriteNormalised(img, field, -1);
}

// ---- 21 "Noise": 3 seed, 4 amount percent, 5 monochrome -------------------------
// Each channel moves toward a random value by the amount:
// c' = (c * (100 - amount) + random * amount) / 100, alpha toward 255 likewise.
void Noise(ISLImage &img, const int32_t *p) {
    ISLRandom rnd{static_cast<uint32_t>(p[3])};
    const int amount = std::clamp(p[4], 0, 100);
    const int keep = 100 - amount;
    const bool mono = p[5] != 0;
    const size_t n = PixelCount(img);
    for (size_t i = 0; i < n; ++i) {
        uint8_t *q = img.pixels + 4 * i;
        int r[3];
        r[0] = static_cast<int>(rnd.Next16() >> 8);
        r[1] = mono ? r[0] : static_cast<int>(rnd.Next16() >> 8);
        r[2] = mono ? r[0] : static_cast<int>(rnd.Next16() >> 8);
        for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>((q[c] * keep + r[c] * amount) / 100);
        q[kA] = static_cast<uint8_t>((q[kA] * keep + 255 * amount) / 100);
    }
}

// ---- 31 "Round mask": 3 inner radius percent, 4 outer radius percent ------------
// Darkens the colour toward black outside a disc centred on the image: full
// inside the inner radius, black beyond the outer one, linear between. Radii
// are percent of half the smaller side. Alpha is kept.
void RoundMask(ISLImage &img, const int32_t *p) {
    const double half = std::min(img.width, img.height) * 0.5;
    const double inner = half * std::max(0, p[3]) * 0.01;
    const double outer = std::max(inner, half * std::max(0, p[4]) * 0.01);
    const double cx = img.width * 0.5, cy = img.height * 0.5;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            double f = 1.0;
            if (d >= outer)
                f = 0.0;
            else if (d > inner)
                f = (outer - d) / (outer - inner);
            uint8_t *q = img.pixels + 4 * (static_cast<size_t>(y) * img.width + x);
            for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(q[c] * f + 0.5);
        }
}

// ---- 51 "Rotate": 3 angle in degrees, 4 scale percent ---------------------------
// Turns the image about its centre, counter-clockwise on screen for positive
// angles, and scales it; the size is kept and pixels no source pixel covers
// become transparent (0, 0, 0, 0). Sampling is bilinear on premultiplied
// colour, so transparent surroundings do not darken the edges; angle 0 at
// scale 100 leaves the image unchanged.
void Rotate(ISLImage &img, const int32_t *p) {
    const int angle = p[3] % 360;
    const int scalePercent = p[4];
    if (angle == 0 && scalePercent == 100) return;
    const size_t n = PixelCount(img);
    if (scalePercent <= 0) {
        std::fill(img.pixels, img.pixels + 4 * n, uint8_t{0});
        return;
    }
    double c, s;
    switch ((angle + 360) % 360) {
        case 0:
            c = 1.0;
            s = 0.0;
            break;
        case 90:
            c = 0.0;
            s = 1.0;
            break;
        case 180:
            c = -1.0;
            s = 0.0;
            break;
        case 270:
            c = 0.0;
            s = -1.0;
            break;
        default: {
            const double rad = angle * (3.14159265358979323846 / 180.0);
            c = std::cos(rad);
            s = std::sin(rad);
        }
    }
    const double inv = 100.0 / scalePercent;
    const int w = img.width, h = img.height;
    const std::vector<uint8_t> src(img.pixels, img.pixels + 4 * n);
    const double cx = w * 0.5, cy = h * 0.5;
    for (int y = 0; y < h; ++y) {
        const double dy = y + 0.5 - cy;
        for (int x = 0; x < w; ++x) {
            const double dx = x + 0.5 - cx;
            // Source position (pixel centres at i + 0.5) of this target pixel.
            const double fx = cx + (dx * c - dy * s) * inv - 0.5;
            const double fy = cy + (dx * s + dy * c) * inv - 0.5;
            uint8_t *out = img.pixels + 4 * (static_cast<size_t>(y) * w + x);
            const double x0f = std::floor(fx), y0f = std::floor(fy);
            if (x0f < -1.0 || y0f < -1.0 || x0f >= w || y0f >= h) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const int x0 = static_cast<int>(x0f), y0 = static_cast<int>(y0f);
            const double tx = fx - x0f, ty = fy - y0f;
            double acc[4] = {0.0, 0.0, 0.0, 0.0};  // premultiplied b, g, r and alpha
            for (int k = 0; k < 4; ++k) {
                const int sx = x0 + (k & 1), sy = y0 + (k >> 1);
                if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                const double wgt = ((k & 1) ? tx : 1.0 - tx) * ((k >> 1) ? ty : 1.0 - ty);
                if (wgt == 0.0) continue;
                const uint8_t *q = src.data() + 4 * (static_cast<size_t>(sy) * w + sx);
                const double aw = wgt * q[kA];
                acc[0] += aw * q[0];
                acc[1] += aw * q[1];
                acc[2] += aw * q[2];
                acc[3] += aw;
            }
            if (acc[3] <= 0.0) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            for (int ch = 0; ch < 3; ++ch) out[ch] = ClampByte(static_cast<int>(acc[ch] / acc[3] + 0.5));
            out[kA] = ClampByte(static_cast<int>(acc[3] + 0.5));
        }
    }
}

// Unused parameters default to 0.
const ISLEffectInfo kEffects[] = {
    {1, "Fill", Fill, {0, 0, 0, 255, 255, 255, 255}},           {5, "Plasma", Plasma, {0, 0, 0, 0, 50, 0}},
    {11, "Perlin noise", PerlinNoise, {0, 0, 0, 0, 32, 4, 50}}, {21, "Noise", Noise, {0, 0, 0, 0, 100, 1}},
    {31, "Round mask", RoundMask, {0, 0, 0, 0, 100}},           {51, "Rotate", Rotate, {0, 0, 0, 0, 100}},
};

}  // namespace

const ISLEffectInfo *ISLFindEffect(int number) {
    for (const ISLEffectInfo &e : kEffects)
        if (e.number == number) return &e;
    return nullptr;
}

const char *ISLEffectName(int number) {
    const ISLEffectInfo *e = ISLFindEffect(number);
    return e != nullptr ? e->name : nullptr;
}
