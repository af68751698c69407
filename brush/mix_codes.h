// Mix-code colour transforms shared by the blend-buffer mix and the dab
// renderer. A transform changes a colour b (the blend-buffer colour, or the
// dab's paint colour) with respect to a second colour c (the canvas, or the
// dab's pre-tinted target pixel).
//
// Fixed-point rules: channels are 16-bit values held in 32-bit unsigned
// integers; divisions are unsigned and truncate; codes 43..46 saturate to
// 0..65535. Only soft light (42) uses floating point, in double precision.
// Codes 33..48 are the integer forms of blend modes 1..16 (code = 32 + mode id).
#pragma once
#include <cmath>
#include <cstdint>

enum class MixOutcome : uint8_t {
    kColour,        // b holds the transformed colour
    kCanvasPixel,   // the colour becomes c, the alpha becomes c's alpha
    kGrey,          // code 340: colour (32767, 32767, 32767), alpha = L
    kPosterized,    // code 295: b posterized; no strength applies afterwards
};

// What a transform reads besides the two colours.
struct MixParams {
    const uint16_t *banks;  // colorBanks: 4 reds, 4 greens, 4 blues, 4 alphas
    const uint16_t *brush;  // toolColor (code 425)
    int32_t posterizeShift; // code 295
};

// True for the codes the transform table lists (33..48, 249..262, 295, 340,
// 387, 388, 425).
inline bool MixCodeListed(int code) {
    return (code >= 33 && code <= 48) || (code >= 249 && code <= 262) || code == 295 || code == 340 ||
           code == 387 || code == 388 || code == 425;
}

namespace mixdetail {

inline uint32_t SoftLight(uint32_t b, uint32_t c) {
    const double bb = b / 65535.0;
    const double cc = c / 65535.0;
    double r;
    if (bb < 0.5)
        r = cc * ((1.0 - 2.0 * bb) * cc + 2.0 * bb);
    else
        r = 2.0 * cc * (1.0 - bb) + std::sqrt(cc) * (2.0 * bb - 1.0);
    return static_cast<uint32_t>(r * 65535.0);
}

// One channel of codes 33..48.
inline uint32_t BlendChannel(int code, uint32_t b, uint32_t c) {
    switch (code) {
    case 33: return (b * c) >> 16;                                            // multiply
    case 34: return 65535u - (((65535u - b) * (65535u - c)) >> 16);           // screen
    case 35: return b < c ? b : c;                                             // darken
    case 36: return b > c ? b : c;                                             // lighten
    case 37: return static_cast<uint32_t>(std::abs(static_cast<int32_t>(c) - static_cast<int32_t>(b)));
    case 38: return 65535u - static_cast<uint32_t>(std::abs(65535 - static_cast<int32_t>(b) - static_cast<int32_t>(c)));
    case 39: return b - ((b * c) >> 15) + c;                                   // exclusion
    case 40: return c < 32767u ? (b * c) >> 15 : 65535u - (((65535u - b) * (65535u - c)) >> 15);  // overlay
    case 41: return b < 32767u ? (b * c) >> 15 : 65535u - (((65535u - b) * (65535u - c)) >> 15);  // hard light
    case 42: return SoftLight(b, c);
    case 43: {  // dodge
        if (b == 65535u) return 65535u;
        const uint32_t v = (c * 65536u) / (65535u - b);
        return v > 65535u ? 65535u : v;
    }
    case 44: {  // burn
        if (b == 0) return 0;
        const int64_t v = 65535 - static_cast<int64_t>(((65535u - c) * 65536u) / b);
        return v < 0 ? 0u : static_cast<uint32_t>(v);
    }
    case 45: {  // reflect
        if (b == 65535u) return 65535u;
        const uint32_t v = (c * c) / (65535u - b);
        return v > 65535u ? 65535u : v;
    }
    case 46: {  // glow
        if (c == 65535u) return 65535u;
        const uint32_t v = (b * b) / (65535u - c);
        return v > 65535u ? 65535u : v;
    }
    case 47: return b + c > 65535u ? 65535u : b + c;        // add
    case 48: return b + c > 65535u ? b + c - 65535u : 0u;   // subtract
    default: return b;
    }
}

inline void SetBank(uint32_t b[3], const uint16_t *banks, int k) {
    b[0] = banks[k];
    b[1] = banks[4 + k];
    b[2] = banks[8 + k];
}

inline void SetColour(uint32_t b[3], const uint32_t c[3]) {
    b[0] = c[0];
    b[1] = c[1];
    b[2] = c[2];
}

}  // namespace mixdetail

// Applies mix code `code` to b (in place) against c. `grey` receives
// L = (b0 + b1 + b2) / 3 of the colour before the transform. Codes the table
// does not list leave b unchanged.
inline MixOutcome ApplyMixCode(int code, uint32_t b[3], const uint32_t c[3], const MixParams &mp, uint32_t &grey) {
    using namespace mixdetail;
    const uint32_t L = (b[0] + b[1] + b[2]) / 3;
    grey = L;
    if (code >= 33 && code <= 48) {
        for (int i = 0; i < 3; ++i) b[i] = BlendChannel(code, b[i], c[i]);
        return MixOutcome::kColour;
    }
    const uint16_t *banks = mp.banks;
    switch (code) {
    case 249: SetBank(b, banks, L < 32767u ? 0 : 1); break;
    case 250: SetBank(b, banks, L < 21845u ? 0 : (L < 43690u ? 1 : 2)); break;
    case 251: SetBank(b, banks, L < 16383u ? 0 : (L < 32767u ? 1 : (L < 49151u ? 2 : 3))); break;
    case 252:  // gradient through banks 0, 1, 2
        if (L < 32767u) {
            const uint32_t t = (2 * L) >> 8;
            for (int i = 0; i < 3; ++i) b[i] = (banks[4 * i] * (256u - t) + banks[4 * i + 1] * t) >> 8;
        } else {
            const uint32_t t = (2 * L - 65534u) >> 8;
            for (int i = 0; i < 3; ++i) b[i] = (banks[4 * i + 1] * (256u - t) + banks[4 * i + 2] * t) >> 8;
        }
        break;
    case 253:
        if (L < 32767u) SetBank(b, banks, 0); else SetColour(b, c);
        break;
    case 254:
        if (L <= 32767u) SetColour(b, c); else SetBank(b, banks, 0);
        break;
    case 255:
        if (L < 20479u) SetBank(b, banks, 0);
        else if (L > 49151u) SetBank(b, banks, 1);
        break;
    case 256: if (L < 20479u) return MixOutcome::kCanvasPixel; break;
    case 257: if (L > 49151u) return MixOutcome::kCanvasPixel; break;
    case 258: if (L < 20479u || L > 49151u) return MixOutcome::kCanvasPixel; break;
    case 259:
        if (L > 12287u) return MixOutcome::kCanvasPixel;
        SetBank(b, banks, 0);
        break;
    case 260:
        if (L < 57343u) return MixOutcome::kCanvasPixel;
        SetBank(b, banks, 0);
        break;
    case 261:  // four levels
        for (int i = 0; i < 3; ++i)
            b[i] = b[i] < 10922u ? 0u : (b[i] < 32767u ? 21845u : (b[i] < 54613u ? 43690u : 65535u));
        break;
    case 262:  // three levels
        for (int i = 0; i < 3; ++i) b[i] = b[i] < 21845u ? 0u : (b[i] < 43690u ? 32767u : 65535u);
        break;
    case 295: {  // posterize by the tool's shift
        const int k = mp.posterizeShift;
        for (int i = 0; i < 3; ++i) b[i] = (k >= 16 || k < 0) ? 0u : (b[i] >> k) << k;
        return MixOutcome::kPosterized;
    }
    case 340:
        b[0] = b[1] = b[2] = 32767u;
        return MixOutcome::kGrey;
    case 387:  // the darker of the two by luma
        if (((3 * c[0] + 4 * c[1] + c[2]) >> 3) < ((3 * b[0] + 4 * b[1] + b[2]) >> 3)) SetColour(b, c);
        break;
    case 388:  // the lighter of the two by luma
        if (((3 * c[0] + 4 * c[1] + c[2]) >> 3) > ((3 * b[0] + 4 * b[1] + b[2]) >> 3)) SetColour(b, c);
        break;
    case 425: {  // brush colour shaded by the grey: black .. brush .. white
        const int32_t Li = static_cast<int32_t>(L);
        for (int i = 0; i < 3; ++i) {
            const int32_t br = mp.brush[i];
            int32_t v;
            if (L < 32767u) {
                const int32_t t = (2 * Li) >> 8;
                v = (br * t) >> 8;
            } else {
                const int32_t t = (2 * Li - 65536) >> 8;
                v = (br * (256 - t) + t * 65535) >> 8;
            }
            // At L = 32767 the shade is -1/256 and a dark brush goes below 0.
            b[i] = v < 0 ? 0u : (v > 65535 ? 65535u : static_cast<uint32_t>(v));
        }
        break;
    }
    default: break;
    }
    return MixOutcome::kColour;
}
