// The one per-pixel compositing rule shared by the merge routine, the view
// renderer and TSY_MergePixel.
//
// Fixed-point rules of the blend (read before "simplifying" anything here):
// - Colour channels leave the floating-point blend at most at 65280 (255 x 256,
//   full colour of a widened 8-bit value); alpha uses 65535 throughout. The
//   integer shortcuts (transparent destination, opaque Normal source) pass the
//   source channels through unchanged, so 65535 can survive those.
// - Alpha scaling by opacities is (factor + 1) x a / 256 with the remainder
//   dropped; the mask scales by (grey x a) / 65536. Never round these.
// - Sa = a x 1.5259021896696422e-05 (1/65535) is evaluated in double and stored
//   as float; the premultiplied channels use a different scale, 1/65280:
//   Sca = r x Sa x 1.5318627450980392e-05, where r x Sa is a float product and
//   the multiplication by the constant is done in double, the result stored
//   as float. 1 - Sa, 1 - Da and the result alpha are floats; the formulas run
//   in single precision (float literals 0.5f, 1.75f, 0.33333334f, 0.125f).
// - The final channel is trunc(clamp(Xca / Xa, 0, 1) x 65280.0) and the final
//   alpha trunc(clamp(Xa, 0, 1) x 65535.0); the multiplications are done in
//   double (exact for a float operand), the float quotient is not. A NaN
//   quotient (possible only from a 0/0 in Dodge) clamps to 0.
// - Contraction is off for the whole build: a fused multiply-add would change
//   results in the last bit.
#pragma once
#include <cstdint>

// One pixel as 32-bit channels (0..65535 each).
struct PixelRGBA {
    uint32_t r, g, b, a;
};

// Everything CompositePixel needs that does not depend on the pixel. Build it
// once per call of a loop with MakeCompositeOptions.
struct CompositeOptions {
    int32_t mode;                // m: the blend mode id of the source
    uint32_t preOpacity;         // 0..255; 255 leaves the source alpha as it is
    int32_t opacity;             // 0..256; 255 or more is full
    uint32_t alphaLayerOpacity;  // P: alpha given by the alpha modes (0..65535)
    bool keepDestAlpha;          // the destination alpha is not written
    bool sameModeMerge;          // both layers share an alpha mode: keep raw alpha
    bool destTestUsesLayerMode;  // the transparent-destination test looks at m
                                 // (merge routine) rather than the formula in use
};

// Options with P read from the engine state. preOpacity is limited to 0..255
// and a negative opacity counts as 0.
CompositeOptions MakeCompositeOptions(int mode, int preOpacity, int opacity, bool keepDestAlpha, bool sameModeMerge,
                                      bool destTestUsesLayerMode);

// Applies the compositing rule to one pixel. `mask` is null or points to the
// RGBA64 mask pixel to apply. Returns false when nothing was written (a
// transparent source of a mode up to 27); otherwise `dst` holds the result
// (its alpha unchanged when keepDestAlpha is set).
bool CompositePixel(PixelRGBA src, PixelRGBA &dst, const uint16_t *mask, const CompositeOptions &opt);

// The same on RGBA64 pixels in place.
inline void CompositePixel16(const uint16_t *s, uint16_t *d, const uint16_t *mask, const CompositeOptions &opt) {
    PixelRGBA dst{d[0], d[1], d[2], d[3]};
    if (!CompositePixel(PixelRGBA{s[0], s[1], s[2], s[3]}, dst, mask, opt)) return;
    d[0] = static_cast<uint16_t>(dst.r);
    d[1] = static_cast<uint16_t>(dst.g);
    d[2] = static_cast<uint16_t>(dst.b);
    d[3] = static_cast<uint16_t>(dst.a);
}

// The alpha an opacity factor o leaves of a: unchanged for o >= 255, else
// ((o + 1) x a) / 256.
inline uint32_t ScaleByOpacity(uint32_t a, int32_t o) {
    return o >= 255 ? a : ((static_cast<uint32_t>(o) + 1u) * a) >> 8;
}
