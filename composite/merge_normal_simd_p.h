// The vector Normal row loop, written once over a small set of vector
// operations V (V::N pixels per step). merge_normal_kernel.cpp includes this
// file once per instruction set, inside a namespace whose target options give
// the operations their instructions.
//
// How the loop keeps the scalar blend's bits without double precision:
// - Sa = float(double(a) x 1/65535) is the correctly rounded a / 65535: the
//   exact quotient of an integer by 65535 repeats a 16-bit pattern, so it lies
//   at least 2^-41 (relative) away from any halfway point between floats,
//   while the double product is within 2^-52 of it. fma(a, H, a x L), with H
//   the float nearest 1/65535 and L the float nearest the rest, is within
//   2^-47 of the quotient and rounds once: the same float.
// - Sca = float(double(c x Sa) x 1/65280): the float product p = c x Sa over
//   65280 is (p / 256) / 255, a 24-bit integer over 255 scaled by a power of
//   two, whose tail repeats an 8-bit pattern and stays at least 2^-33 away from
//   halfway points. The same fma split of 1/65280 gives the same float.
// - The quotients Xca / Xa are plain float divisions, as in the scalar code.
// - trunc(double(q) x k) for k = 65280 or 65535 is the truncation of the exact
//   product: t = q x k rounded to float, and the exact residual
//   fma(q, k, -t) tells whether t rounded up; then the float just below t is
//   the product rounded toward zero, whose truncation is the exact one.
// - The mask grey (mr + mg + mb) / 3 for sums up to 196605 is
//   trunc(float(sum) x 0.33333334f): the float third is a little above 1/3,
//   by far too little to reach the next integer.
// The formulas themselves (Xa, Xca) use separate multiplications and
// additions, never a fused multiply-add. Tests check the building blocks
// value by value against the double-precision definitions.

template <class V, bool kMask, bool kKeep>
inline void NormalRowVector(const uint16_t *s, const uint16_t *m, uint16_t *d, int w, uint32_t pre1, uint32_t op1,
                            int &done) {
    using VI = typename V::VI;
    using VF = typename V::VF;
    using M = typename V::M;
    const VI vPre = V::Set1(static_cast<int32_t>(pre1));
    const VI vOp = V::Set1(static_cast<int32_t>(op1));
    const VI zeroI = V::Set1(0);
    const VI opaqueFloor = V::Set1(65279);  // a > 65279: the opaque-source copy
    const VF one = V::Set1F(1.0f);
    int i = 0;
    for (; i + V::N <= w; i += V::N) {
        const uint16_t *sp = s + 4 * i;
        uint16_t *dp = d + 4 * i;
        VI sr, sg, sb, sa;
        V::LoadPixels(sp, sr, sg, sb, sa);
        const M live = V::NotEqual(sa, zeroI);  // a transparent source leaves the pixel alone
        if (V::None(live)) continue;
        VI a = sa;
        if (kMask) {
            VI mr, mg, mb, ma;
            V::LoadPixels(m + 4 * i, mr, mg, mb, ma);
            const VI grey = V::Third(V::Add(V::Add(mr, mg), mb));
            a = V::Select(V::NotEqual(ma, zeroI), V::Srli16(V::Mullo(grey, a)), a);
        }
        a = V::Srli8(V::Mullo(a, vPre));
        a = V::Srli8(V::Mullo(a, vOp));
        VI dr, dg, db, da;
        V::LoadPixels(dp, dr, dg, db, da);
        const M destClear = V::Equal(da, zeroI);
        const M aZero = V::Equal(a, zeroI);
        const M opaque = V::Greater(a, opaqueFloor);
        // (AndNot(x, y) is x and not y.) Lanes that take the source as it is, that become (0, 0, 0, 0), and
        // that need the blend; the others keep the destination.
        const M copy = V::And(live, V::Or(V::AndNot(destClear, aZero), V::AndNot(opaque, destClear)));
        const M zero = V::And(live, V::And(destClear, aZero));
        const M blend = V::AndNot(live, V::Or(V::Or(destClear, aZero), opaque));
        VI outR = dr, outG = dg, outB = db, outA = da;
        if (!V::None(blend)) {
            const VF Sa = V::UnitAlpha(a);
            const VF Da = V::UnitAlpha(da);
            const VF iSa = V::Sub(one, Sa);
            const VF Xa = V::ClampUnit(V::AddF(V::Mul(V::Sub(one, Da), Sa), Da));
            const VI br = V::ChannelOut(V::Premultiply(sr, Sa), V::Premultiply(dr, Da), iSa, Xa);
            const VI bg = V::ChannelOut(V::Premultiply(sg, Sa), V::Premultiply(dg, Da), iSa, Xa);
            const VI bb = V::ChannelOut(V::Premultiply(sb, Sa), V::Premultiply(db, Da), iSa, Xa);
            outR = V::Select(blend, br, outR);
            outG = V::Select(blend, bg, outG);
            outB = V::Select(blend, bb, outB);
            if (!kKeep) outA = V::Select(blend, V::TruncScaled(Xa, 65535.0f), outA);
        }
        outR = V::Select(zero, zeroI, V::Select(copy, sr, outR));
        outG = V::Select(zero, zeroI, V::Select(copy, sg, outG));
        outB = V::Select(zero, zeroI, V::Select(copy, sb, outB));
        if (!kKeep) outA = V::Select(zero, zeroI, V::Select(copy, a, outA));
        V::StorePixels(dp, outR, outG, outB, outA);
    }
    done = i;
}
