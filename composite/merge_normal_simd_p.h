// The vector merge row loop for the colour formulas outside the HSL family,
// written once over a small set of vector operations V (V::N pixels per
// step). merge_normal_kernel.cpp includes this file once per instruction set,
// inside a namespace whose target options give the operations their
// instructions.
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
// - Divisions inside the formulas (Soft Light, Dodge, Burn, the Texturize
//   modes) and Soft Light's square root are the correctly rounded vector
//   instructions, as their scalar counterparts are; the Texturize modes'
//   source luminance is computed in double as in the scalar code.
// - Where every lane's Xa is exactly 1 (an opaque destination) the quotient
//   is Xca itself, so the divisions are skipped.
// The formulas themselves (Xa, Xca) use separate multiplications and
// additions in the scalar order, never a fused multiply-add. Tests check the
// building blocks value by value against the double-precision definitions,
// and whole rows against the reference merge.

// The premultiplied result Xca of formula kBm per channel, with exactly the
// operations and order of the scalar per-channel functions (separate
// multiplications and additions, left to right). kBm is one of the ids the
// row table lists; 13 stands for the Normal formula without the opaque copy.
// `extra` carries what the formula shares across channels: L for Color and
// Hard Color, the shift for the Texturize modes.
template <class V, int kBm>
inline typename V::VF FormulaXca(typename V::VF Sca, typename V::VF Dca, typename V::VF Sa, typename V::VF Da,
                                 typename V::VF iSa, typename V::VF iDa, typename V::VF extra) {
    using VF = typename V::VF;
    if constexpr (kBm != 17 && kBm != 18 && kBm != 24 && kBm != 25) (void)extra;
    if constexpr (kBm == 1) {  // Sca Dca + Sca(1 - Da) + Dca(1 - Sa)
        return V::AddF(V::AddF(V::Mul(Sca, Dca), V::Mul(Sca, iDa)), V::Mul(Dca, iSa));
    } else if constexpr (kBm == 2) {  // Sca + Dca - Sca Dca
        return V::Sub(V::AddF(Sca, Dca), V::Mul(Sca, Dca));
    } else if constexpr (kBm == 3 || kBm == 4) {
        // Darken: Dca Sa <= Sca Da picks Dca + Sca(1 - Da); Lighten the other way.
        const VF over = V::AddF(Sca, V::Mul(Dca, iSa));
        const VF under = V::AddF(Dca, V::Mul(Sca, iDa));
        const VF x = V::Mul(Dca, Sa), y = V::Mul(Sca, Da);
        return kBm == 3 ? V::SelectF(V::LessEqualF(x, y), under, over) : V::SelectF(V::LessEqualF(y, x), under, over);
    } else if constexpr (kBm == 5) {  // Sca + Dca - 2 min(Sca Da, Dca Sa)
        const VF x = V::Mul(Sca, Da), y = V::Mul(Dca, Sa);
        return V::Sub(V::AddF(Sca, Dca), V::Mul(V::Set1F(2.0f), V::MinF(x, y)));
    } else if constexpr (kBm == 6) {  // (Sca Da + Dca Sa - 2 Sca Dca) + Sca(1 - Da) + Dca(1 - Sa)
        const VF inner = V::Sub(V::AddF(V::Mul(Sca, Da), V::Mul(Dca, Sa)), V::Mul(V::Mul(V::Set1F(2.0f), Sca), Dca));
        return V::AddF(V::AddF(inner, V::Mul(Sca, iDa)), V::Mul(Dca, iSa));
    } else if constexpr (kBm == 8 || kBm == 9) {
        // Overlay (test on the destination), Hard Light (on the source):
        // 2 Sca Dca + T, or Sa Da - 2(Da - Dca)(Sa - Sca) + T
        const VF two = V::Set1F(2.0f);
        const VF T = V::AddF(V::Mul(Sca, iDa), V::Mul(Dca, iSa));
        const VF low = V::AddF(V::Mul(V::Mul(two, Sca), Dca), T);
        const VF high = V::AddF(V::Sub(V::Mul(Sa, Da), V::Mul(V::Mul(two, V::Sub(Da, Dca)), V::Sub(Sa, Sca))), T);
        const auto isLow = kBm == 8 ? V::LessF(V::Mul(two, Dca), Da) : V::LessF(V::Mul(two, Sca), Sa);
        return V::SelectF(isLow, low, high);
    } else if constexpr (kBm == 10) {
        // Soft Light with m = Dca / Da: Dca(Sa + (2 Sca - Sa)(1 - m)) + T while
        // 2 Sca < Sa; Dca(Sa + (2 Sca - Sa)(3 - 8m)(1 - m)) + T while
        // 8 Dca <= Da; else Dca Sa + (2 Sca - Sa)(Da sqrt(m) - Dca) + T.
        const VF one = V::Set1F(1.0f);
        const VF T = V::AddF(V::Mul(Sca, iDa), V::Mul(Dca, iSa));
        const VF m = V::Div(Dca, Da);
        const VF k = V::Sub(V::Mul(V::Set1F(2.0f), Sca), Sa);
        const VF first = V::AddF(V::Mul(Dca, V::AddF(Sa, V::Mul(k, V::Sub(one, m)))), T);
        const VF second = V::AddF(
            V::Mul(Dca,
                   V::AddF(Sa, V::Mul(V::Mul(k, V::Sub(V::Set1F(3.0f), V::Mul(V::Set1F(8.0f), m))), V::Sub(one, m)))),
            T);
        const VF third = V::AddF(V::AddF(V::Mul(Dca, Sa), V::Mul(k, V::Sub(V::Mul(Da, V::Sqrt(m)), Dca))), T);
        const VF rest = V::SelectF(V::LessEqualF(V::Mul(V::Set1F(8.0f), Dca), Da), second, third);
        return V::SelectF(V::LessF(V::Mul(V::Set1F(2.0f), Sca), Sa), first, rest);
    } else if constexpr (kBm == 11) {
        // Dodge: Dca Sa / (1 - Sca / Sa) + T while Sa Da > Sca Da + Dca Sa, else Sa Da + T
        const VF T = V::AddF(V::Mul(Sca, iDa), V::Mul(Dca, iSa));
        const VF SaDa = V::Mul(Sa, Da);
        const VF yes = V::AddF(V::Div(V::Mul(Dca, Sa), V::Sub(V::Set1F(1.0f), V::Div(Sca, Sa))), T);
        return V::SelectF(V::LessF(V::AddF(V::Mul(Sca, Da), V::Mul(Dca, Sa)), SaDa), yes, V::AddF(SaDa, T));
    } else if constexpr (kBm == 12) {
        // Burn: Sa (Sca Da + Dca Sa - Sa Da) / Sca + T while Sca Da + Dca Sa > Sa Da, else T
        const VF T = V::AddF(V::Mul(Sca, iDa), V::Mul(Dca, iSa));
        const VF sum = V::AddF(V::Mul(Sca, Da), V::Mul(Dca, Sa));
        const VF SaDa = V::Mul(Sa, Da);
        const VF yes = V::AddF(V::Div(V::Mul(Sa, V::Sub(sum, SaDa)), Sca), T);
        return V::SelectF(V::LessF(SaDa, sum), yes, T);
    } else if constexpr (kBm == 17) {  // Color: Sca + (L - 0.5) Sa + Dca(1 - Sa)
        return V::AddF(V::AddF(Sca, V::Mul(V::Sub(extra, V::Set1F(0.5f)), Sa)), V::Mul(Dca, iSa));
    } else if constexpr (kBm == 18) {  // Hard Color: Sca + (L - 0.5) 1.75 Sa + Dca(1 - Sa)
        return V::AddF(V::AddF(Sca, V::Mul(V::Mul(V::Sub(extra, V::Set1F(0.5f)), V::Set1F(1.75f)), Sa)),
                       V::Mul(Dca, iSa));
    } else if constexpr (kBm == 24 || kBm == 25) {  // Texturize: Dc + shift 1.75 Sa
        return V::AddF(V::Div(Dca, Da), V::Mul(V::Mul(extra, V::Set1F(1.75f)), Sa));
    } else if constexpr (kBm == 26) {  // Texturize3: the destination unchanged
        return Dca;
    } else if constexpr (kBm == 15) {  // Add: Sca + Dca
        return V::AddF(Sca, Dca);
    } else if constexpr (kBm == 16) {  // Subtract: Sca + Dca - Sa Da
        return V::Sub(V::AddF(Sca, Dca), V::Mul(Sa, Da));
    } else {  // Normal: Sca + Dca(1 - Sa)
        (void)Sa, (void)Da, (void)iDa;
        return V::AddF(Sca, V::Mul(Dca, iSa));
    }
}

template <class V, int kBm, bool kMask, bool kKeep>
inline void BlendRowVector(const uint16_t *s, const uint16_t *m, uint16_t *d, int w, uint32_t pre1, uint32_t op1,
                           int &done) {
    using VI = typename V::VI;
    using VF = typename V::VF;
    using M = typename V::M;
    const VI vPre = V::Set1(static_cast<int32_t>(pre1));
    const VI vOp = V::Set1(static_cast<int32_t>(op1));
    const VI zeroI = V::Set1(0);
    const VI opaqueFloor = V::Set1(65279);  // a > 65279: the opaque-source copy
    const VF one = V::Set1F(1.0f);
    const bool scaleAlpha = pre1 != 256u || op1 != 256u;
    // Normal and Add never give a negative or undefined Xca / Xa in the lanes
    // they blend (both alphas above 0, every term at least 0), so their
    // quotients need only the upper clamp.
    constexpr bool kNonNegative = kBm == 0 || kBm == 13 || kBm == 15;
    // Color, Hard Color and the Texturize modes clear a transparent destination.
    constexpr bool kClearsDest = kBm == 17 || kBm == 18 || kBm == 24 || kBm == 25 || kBm == 26;
    // The result alpha: Sa + Da for Add and Subtract, Da for the modes that
    // keep the destination's coverage, (1 - Da) Sa + Da for the others.
    constexpr bool kSumAlpha = kBm == 15 || kBm == 16;
    constexpr bool kDestAlpha = kClearsDest;
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
        if (scaleAlpha) {
            a = V::Srli8(V::Mullo(a, vPre));
            a = V::Srli8(V::Mullo(a, vOp));
        }
        VI dr, dg, db, da;
        V::LoadPixels(dp, dr, dg, db, da);
        const M destClear = V::Equal(da, zeroI);
        const M aZero = V::Equal(a, zeroI);
        // (AndNot(x, y) is x and not y.) Lanes that take the source as it is, that become (0, 0, 0, 0), and
        // that need the blend; the others keep the destination.
        M copy = V::And(live, V::AndNot(destClear, aZero));
        M zero = V::And(live, V::And(destClear, aZero));
        M blend = V::AndNot(live, V::Or(destClear, aZero));
        if constexpr (kClearsDest) {
            zero = V::And(live, destClear);
            copy = V::AndNot(copy, copy);
        }
        if constexpr (kBm == 0) {  // only Normal lays an opaque source down as it is
            const M opaque = V::Greater(a, opaqueFloor);
            copy = V::Or(copy, V::AndNot(V::And(live, opaque), destClear));
            blend = V::AndNot(blend, opaque);
        }
        VI outR = dr, outG = dg, outB = db, outA = da;
        if (!V::None(blend)) {
            const VF Sa = V::UnitAlpha(a);
            const VF Da = V::UnitAlpha(da);
            const VF iSa = V::Sub(one, Sa);
            const VF iDa = V::Sub(one, Da);
            VF Xa = kSumAlpha ? V::AddF(Sa, Da) : (kDestAlpha ? Da : V::AddF(V::Mul(iDa, Sa), Da));
            Xa = V::ClampUnit(Xa);
            VF extra = one;
            if constexpr (kBm == 17 || kBm == 18) {  // L = (Dca_r + Dca_g + Dca_b) / 3 in float
                const VF Dca[3] = {V::Premultiply(dr, Da), V::Premultiply(dg, Da), V::Premultiply(db, Da)};
                extra = V::Mul(V::AddF(V::AddF(Dca[0], Dca[1]), Dca[2]), V::Set1F(kThird));
            } else if constexpr (kBm == 24 || kBm == 25) {
                // Ls = (r + g + b) / 195840 from the unpremultiplied source;
                // Texturize2 shifts by Ls - 0.5, Texturize by Lt - 0.5 with
                // Lt = ((Dc_r + k) + (Dc_g + k) + (Dc_b + k)) / 3, k = (Ls - 0.5) Sa.
                const VF half = V::Set1F(0.5f);
                const VF Ls = V::IntTimesDouble(V::Add(V::Add(sr, sg), sb), kInv195840);
                if constexpr (kBm == 25) {
                    extra = V::Sub(Ls, half);
                } else {
                    const VF Dca[3] = {V::Premultiply(dr, Da), V::Premultiply(dg, Da), V::Premultiply(db, Da)};
                    const VF k = V::Mul(V::Sub(Ls, half), Sa);
                    const VF Lt =
                        V::Mul(V::AddF(V::AddF(V::AddF(V::Div(Dca[0], Da), k), V::AddF(V::Div(Dca[1], Da), k)),
                                       V::AddF(V::Div(Dca[2], Da), k)),
                               V::Set1F(kThird));
                    extra = V::Sub(Lt, half);
                }
            }
            // Over an opaque destination Xa is exactly 1 in every lane, and a
            // division by 1 gives its dividend: the divisions are skipped.
            const bool unitXa = V::AllOne(Xa);
            // One channel at a time (the premultiplied values are recomputed,
            // bit for bit, rather than kept: fewer live registers).
            const auto channel = [&](VI sc, VI dc) {
                return V::template ChannelOut<kNonNegative>(
                    FormulaXca<V, kBm>(V::Premultiply(sc, Sa), V::Premultiply(dc, Da), Sa, Da, iSa, iDa, extra), Xa,
                    unitXa);
            };
            const VI br = channel(sr, dr);
            const VI bg = channel(sg, dg);
            const VI bb = channel(sb, db);
            const VI ba = kKeep ? da : V::TruncScaled(Xa, 65535.0f);
            if (V::All(blend)) {  // every lane blended: nothing to pick
                V::StorePixels(dp, br, bg, bb, ba);
                continue;
            }
            outR = V::Select(blend, br, outR);
            outG = V::Select(blend, bg, outG);
            outB = V::Select(blend, bb, outB);
            outA = V::Select(blend, ba, outA);
        } else if (V::None(V::Or(copy, zero))) {
            continue;  // nothing changes
        }
        outR = V::Select(zero, zeroI, V::Select(copy, sr, outR));
        outG = V::Select(zero, zeroI, V::Select(copy, sg, outG));
        outB = V::Select(zero, zeroI, V::Select(copy, sb, outB));
        if (!kKeep) outA = V::Select(zero, zeroI, V::Select(copy, a, outA));
        V::StorePixels(dp, outR, outG, outB, outA);
    }
    done = i;
}
