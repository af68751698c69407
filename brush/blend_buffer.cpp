#include "brush/blend_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "brush/mix_codes.h"
#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/errors.h"
#include "core/layers.h"

namespace {

// The selected buffer when it holds pixels, else null.
BlendBuffer *SelectedWithPixels() {
    BlendBuffer *b = g_engine.currentBlendBuffer;
    return (b != nullptr && b->pixels != nullptr) ? b : nullptr;
}

// The brush rectangle of the buffer operations: n x n brush pixels with
// buffer pixel (0, 0) over canvas (left, top), clipped to the part of the
// canvas the source really covers.
struct BrushRect {
    int n;
    int x0, y0, x1, y1;  // clipped canvas columns and rows, inclusive
    int skipX, skipY;    // buffer columns and rows left of and above the canvas
    bool clipped;        // some buffer pixel lies off the canvas
};

// False when there is no usable brush size.
bool MakeBrushRect(int x, int y, int limitW, int limitH, BrushRect &r) {
    const int n = g_engine.tool.brushSize;
    if (n < 1 || n > g_engine.maxBrushSize) return false;
    const int left = x - n / 2;
    const int top = y - n / 2;
    const int right = left + n - 1;
    const int bottom = top + n - 1;
    r.n = n;
    r.skipX = left < 0 ? -left : 0;
    r.skipY = top < 0 ? -top : 0;
    r.x0 = std::max(left, 0);
    r.y0 = std::max(top, 0);
    r.x1 = std::min(right, limitW - 1);
    r.y1 = std::min(bottom, limitH - 1);
    r.clipped = left < 0 || top < 0 || right > limitW - 1 || bottom > limitH - 1;
    return true;
}

// Alpha A scaled by the selection mask value M while the mask is active:
// trunc(A * f / 65535) with f = 65535 for M = 65535, else (M * 65535) >> 16.
// The integer quotient equals the truncated real quotient exactly.
inline uint32_t MaskScaledAlpha(uint32_t A, const uint16_t *maskRow, int x) {
    if (maskRow == nullptr) return A;
    const uint32_t M = maskRow[x];
    const uint32_t f = M == 65535u ? 65535u : (M * 65535u) >> 16;
    return A * f / 65535u;
}

inline const uint16_t *MaskRow(int y) {
    if (!g_engine.maskActive || g_engine.mask == nullptr) return nullptr;
    return g_engine.mask + static_cast<size_t>(y) * g_engine.canvasWidth;
}

inline uint16_t Min65535(uint32_t v) { return static_cast<uint16_t>(v > 65535u ? 65535u : v); }

// The 16-bit grey rule of the selection mask: mean below 256 lets everything
// through, above 65280 protects, otherwise 65280 - mean.
inline uint32_t MaskValueFromColour(const uint16_t *c) {
    const uint32_t g = (static_cast<uint32_t>(c[0]) + c[1] + c[2]) / 3;
    if (g <= 255u) return 65535u;
    if (g > 65280u) return 0u;
    return 65280u - g;
}

struct SourceView {
    const uint16_t *pixels;
    int width, height, stride;
};

// Resolves a source to pixels clipped to the canvas. False when it has none.
bool ResolveSource(BlendSource source, int slot, const void *raw, SourceView &v) {
    const int W = g_engine.canvasWidth;
    const int H = g_engine.canvasHeight;
    v = SourceView{nullptr, W, H, g_engine.canvasStride};
    const LayerSlot *s = nullptr;
    switch (source) {
    case BlendSource::kRaw: v.pixels = static_cast<const uint16_t *>(raw); return v.pixels != nullptr;
    case BlendSource::kSurface: s = g_engine.currentSlot; break;
    case BlendSource::kLayer: s = SlotAt(slot); break;
    case BlendSource::kUnderLayer: v.pixels = g_engine.undoWorkCanvas; return v.pixels != nullptr;
    case BlendSource::kTrace: s = g_engine.traceSlot; break;
    }
    if (s == nullptr || s->pixels == nullptr) return false;
    v.pixels = s->pixels;
    v.width = std::min(W, s->width);
    v.height = std::min(H, s->height);
    v.stride = s->stride;
    return true;
}

}  // namespace

void BlendBufferSetCount(int count) {
    if (count > kBlendBufferMax) count = kBlendBufferMax;
    if (count < 0) count = 0;
    if (count != g_engine.blendBufferCount) {
        for (auto &b : g_engine.blendBuffers) ReleaseBuffer(b.pixels);
        const int S = std::max(g_engine.maxBrushSize, 0);
        const size_t values = static_cast<size_t>(S) * S * 4;
        for (int i = 0; i < count; ++i) {
            BlendBuffer &b = g_engine.blendBuffers[i];
            b.pixels = x_NewShortUndoReduce(values);
            if (b.pixels == nullptr) {
                g_engine.currentBlendBuffer = &g_engine.blendBuffers[0];
                throw std::bad_alloc();
            }
            std::memset(b.pixels, 0, values * 2);
            b.width = S;
            b.height = S;
            b.stride = g_engine.maxBrushStride;
        }
        g_engine.blendBufferCount = count;
    }
    g_engine.currentBlendBuffer = &g_engine.blendBuffers[0];
}

void BlendBuffersSetCount(int count) {
    try {
        BlendBufferSetCount(count);
    } catch (...) {
        SetLastErrorText("SetBlendBufferCount Excpt");
    }
}

BlendBuffer *BlendBufferSelect(int index) {
    const int count = g_engine.blendBufferCount;
    if (index >= count) index = count - 1;
    if (index < 0) index = 0;  // also when no buffer exists: never outside the table
    g_engine.currentBlendBuffer = &g_engine.blendBuffers[index];
    return g_engine.currentBlendBuffer;
}

int BlendSetStrength(int strength) {
    g_engine.tool.blendStrength = strength;
    if (strength > 0) g_engine.tool.blendStrengthComplement = 256 - strength;
    return strength;
}

int BlendSetPrimaryColorStrength(int strength) {
    g_engine.tool.blendPrimaryColorStrength = strength;
    if (strength > 0) g_engine.tool.blendPrimaryColorComplement = 256 - strength;
    return strength;
}

void BlendSetRemix(int flag) { g_engine.tool.blendRemix = static_cast<uint8_t>(flag); }

void BlendTempDisable() { g_engine.tool.blendTempDisabled = 1; }

// Copy: buffer = canvas premixed with the brush colour at strength c.
// Colour min(65280, ((canvas * (256 - c) + brush * c) >> 8) + 1),
// alpha (A * (256 - c) + Ba * c) >> 8; transparent canvas gives the brush
// colour with alpha c * 256 ((256 - c) * 256 with opaqueOutside).
void BlendBufferCopy(int x, int y, const uint16_t *src, int srcWidth, int srcHeight, int srcStride, int c,
                     int opaqueOutside) {
    if (g_engine.tool.blendStrength == 0 || src == nullptr) return;
    BlendBuffer *buf = SelectedWithPixels();
    BrushRect r;
    if (buf == nullptr || !MakeBrushRect(x, y, srcWidth, srcHeight, r)) return;
    c = std::clamp(c, 0, 256);
    const uint32_t uc = static_cast<uint32_t>(c);
    const uint32_t w = 256u - uc;
    const uint16_t *brush = g_engine.tool.toolColor;
    // c = 0 with opaqueOutside asks for alpha 65536: stored as full alpha.
    const uint16_t transparentAlpha = Min65535(opaqueOutside ? (256u - uc) * 256u : uc * 256u);
    const int stride = g_engine.maxBrushStride;
    if (r.clipped) {
        const uint16_t fillAlpha = Min65535(uc * 256u);
        for (int j = 0; j < r.n; ++j) {
            uint16_t *p = buf->pixels + static_cast<size_t>(j) * stride;
            for (int i = 0; i < r.n; ++i, p += 4) {
                if (opaqueOutside) {
                    p[3] = 65535;
                } else {
                    p[0] = brush[0];
                    p[1] = brush[1];
                    p[2] = brush[2];
                    p[3] = fillAlpha;
                }
            }
        }
    }
    const uint32_t cBr = brush[0] * uc, cBg = brush[1] * uc, cBb = brush[2] * uc, cBa = brush[3] * uc;
    for (int yy = r.y0; yy <= r.y1; ++yy) {
        const uint16_t *s = src + static_cast<size_t>(yy) * srcStride + 4 * r.x0;
        const uint16_t *maskRow = MaskRow(yy);
        uint16_t *p = buf->pixels + static_cast<size_t>(r.skipY + yy - r.y0) * stride + 4 * r.skipX;
        for (int xx = r.x0; xx <= r.x1; ++xx, s += 4, p += 4) {
            const uint32_t A = MaskScaledAlpha(s[3], maskRow, xx);
            if (A == 0) {
                p[0] = brush[0];
                p[1] = brush[1];
                p[2] = brush[2];
                p[3] = transparentAlpha;
                continue;
            }
            p[0] = static_cast<uint16_t>(std::min(65280u, ((s[0] * w + cBr) >> 8) + 1));
            p[1] = static_cast<uint16_t>(std::min(65280u, ((s[1] * w + cBg) >> 8) + 1));
            p[2] = static_cast<uint16_t>(std::min(65280u, ((s[2] * w + cBb) >> 8) + 1));
            p[3] = Min65535((A * w + cBa) >> 8);
        }
    }
}

// Mask copy: one 16-bit mask value per buffer pixel at j * maxBrushStride + i,
// min(65280, ((M * (256 - c) + m * c) >> 8) + 1) with m the brush colour's
// mask value. The mask is read whether or not it is active.
void BlendBufferCopyMask(int x, int y, int c) {
    if (g_engine.tool.blendStrength == 0 || g_engine.mask == nullptr) return;
    BlendBuffer *buf = SelectedWithPixels();
    BrushRect r;
    if (buf == nullptr || !MakeBrushRect(x, y, g_engine.canvasWidth, g_engine.canvasHeight, r)) return;
    c = std::clamp(c, 0, 256);
    const uint32_t uc = static_cast<uint32_t>(c);
    const uint32_t m = MaskValueFromColour(g_engine.tool.toolColor);
    const int stride = g_engine.maxBrushStride;
    if (r.clipped)
        for (int j = 0; j < r.n; ++j)
            std::fill_n(buf->pixels + static_cast<size_t>(j) * stride, r.n, static_cast<uint16_t>(m));
    const uint32_t mc = m * uc;
    for (int yy = r.y0; yy <= r.y1; ++yy) {
        const uint16_t *M = g_engine.mask + static_cast<size_t>(yy) * g_engine.canvasWidth + r.x0;
        uint16_t *p = buf->pixels + static_cast<size_t>(r.skipY + yy - r.y0) * stride + r.skipX;
        for (int xx = r.x0; xx <= r.x1; ++xx)
            *p++ = static_cast<uint16_t>(std::min(65280u, ((*M++ * (256u - uc) + mc) >> 8) + 1));
    }
}

// Mix: the buffer keeps picking up canvas colour at s = min(65535, c * 256),
// after the mix code has transformed the buffer colour. Rows run in parallel
// above 36 rows; each row writes only its own buffer row.
void BlendBufferMix(int x, int y, const uint16_t *src, int srcWidth, int srcHeight, int srcStride, int c) {
    if (g_engine.tool.blendStrength == 0 || src == nullptr) return;
    BlendBuffer *buf = SelectedWithPixels();
    BrushRect r;
    if (buf == nullptr || !MakeBrushRect(x, y, srcWidth, srcHeight, r)) return;
    if (r.x1 < r.x0 || r.y1 < r.y0) return;
    const uint32_t s = static_cast<uint32_t>(std::clamp(c, 0, 256)) * 256u > 65535u
                           ? 65535u
                           : static_cast<uint32_t>(std::clamp(c, 0, 256)) * 256u;
    const uint32_t is = 65536u - s;
    const int code = g_engine.tool.mixCode;
    const MixParams mp{g_engine.tool.colorBanks, g_engine.tool.toolColor, g_engine.tool.posterizeShift};
    const int stride = g_engine.maxBrushStride;
    const int rows = r.y1 - r.y0 + 1;
    uint16_t *const bufPixels = buf->pixels;

#pragma omp parallel for schedule(static) if (rows > 36)
    for (int j = 0; j < rows; ++j) {
        const int yy = r.y0 + j;
        const uint16_t *sp = src + static_cast<size_t>(yy) * srcStride + 4 * r.x0;
        const uint16_t *maskRow = MaskRow(yy);
        uint16_t *p = bufPixels + static_cast<size_t>(r.skipY + j) * stride + 4 * r.skipX;
        for (int xx = r.x0; xx <= r.x1; ++xx, sp += 4, p += 4) {
            const uint32_t ca = MaskScaledAlpha(sp[3], maskRow, xx);
            if (ca == 0) {
                p[3] = static_cast<uint16_t>((p[3] * is) >> 16);
                continue;
            }
            if (s == 0) continue;
            if (p[3] == 0) {
                p[0] = sp[0];
                p[1] = sp[1];
                p[2] = sp[2];
                p[3] = static_cast<uint16_t>(ca);
                continue;
            }
            uint32_t b[3] = {p[0], p[1], p[2]};
            const uint32_t cc[3] = {sp[0], sp[1], sp[2]};
            uint32_t alpha = p[3];
            uint32_t grey;
            switch (ApplyMixCode(code, b, cc, mp, grey)) {
            case MixOutcome::kCanvasPixel:
                b[0] = cc[0];
                b[1] = cc[1];
                b[2] = cc[2];
                alpha = ca;
                break;
            case MixOutcome::kGrey: alpha = grey; break;
            default: break;
            }
            for (int i = 0; i < 3; ++i) {
                const uint32_t v = ((((b[i] * is) >> 8) + ((cc[i] * s) >> 8)) >> 8) + 1;
                p[i] = static_cast<uint16_t>(v > 65280u ? 65280u : v);
            }
            p[3] = static_cast<uint16_t>((((alpha * is) >> 8) + ((ca * s) >> 8)) >> 8);
        }
    }
}

// Colour: tints the buffer towards the 8-bit colour (r, g, b) at
// s = min(65535, strength * 256); transparent buffer pixels take the colour.
void BlendBufferColor(int x, int y, int r8, int g8, int b8, int strength) {
    if (g_engine.tool.blendStrength == 0) return;
    BlendBuffer *buf = SelectedWithPixels();
    BrushRect r;
    if (buf == nullptr || !MakeBrushRect(x, y, g_engine.canvasWidth, g_engine.canvasHeight, r)) return;
    const int64_t s64 = std::clamp<int64_t>(static_cast<int64_t>(strength) * 256, 0, 65535);
    const uint32_t s = static_cast<uint32_t>(s64);
    const uint32_t is = 65536u - s;
    const uint32_t value[3] = {(static_cast<uint32_t>(r8) & 0xFFu) * 256u, (static_cast<uint32_t>(g8) & 0xFFu) * 256u,
                               (static_cast<uint32_t>(b8) & 0xFFu) * 256u};
    const uint32_t vs[3] = {(value[0] * s) >> 8, (value[1] * s) >> 8, (value[2] * s) >> 8};
    const int stride = g_engine.maxBrushStride;
    for (int yy = r.y0; yy <= r.y1; ++yy) {
        uint16_t *p = buf->pixels + static_cast<size_t>(r.skipY + yy - r.y0) * stride + 4 * r.skipX;
        for (int xx = r.x0; xx <= r.x1; ++xx, p += 4) {
            for (int i = 0; i < 3; ++i) {
                const uint32_t v = p[3] == 0 ? value[i] : ((((p[i] * is) >> 8) + vs[i]) >> 8) + 1;
                p[i] = static_cast<uint16_t>(v > 65280u ? 65280u : v);
            }
        }
    }
}

void BlendBufferClear() {
    BlendBuffer *buf = SelectedWithPixels();
    if (buf == nullptr) return;
    const size_t S = static_cast<size_t>(std::max(g_engine.maxBrushSize, 0));
    std::memset(buf->pixels, 0, S * S * 8);
}

void BlendBufferFill(int high, int low) {
    BlendBuffer *buf = SelectedWithPixels();
    if (buf == nullptr) return;
    const size_t S = static_cast<size_t>(std::max(g_engine.maxBrushSize, 0));
    const unsigned byte = static_cast<unsigned>(high * 256 + low) & 0xFFu;
    std::memset(buf->pixels, static_cast<int>(byte), S * S * 8);
}

// Filter of the n x n top-left pixels: 289 grey, 290 invert, 291 channels
// below v to 0, 292 channels above v to 65280, v = trunc(percent * 655.35).
// Alpha never changes.
void BlendBufferFilter(int kind, int percent) {
    BlendBuffer *buf = SelectedWithPixels();
    if (buf == nullptr) return;
    const int n = std::min(g_engine.tool.brushSize, g_engine.maxBrushSize);
    const double vd = percent * 655.35;
    const int64_t v = static_cast<int64_t>(vd);
    for (int j = 0; j < n; ++j) {
        uint16_t *p = buf->pixels + static_cast<size_t>(j) * g_engine.maxBrushStride;
        for (int i = 0; i < n; ++i, p += 4) {
            switch (kind) {
            case 289: p[0] = p[1] = p[2] = static_cast<uint16_t>((p[0] + p[1] + p[2]) / 3); break;
            case 290:
                for (int k = 0; k < 3; ++k) p[k] = static_cast<uint16_t>(65535 - p[k]);
                break;
            case 291:
                for (int k = 0; k < 3; ++k)
                    if (p[k] < v) p[k] = 0;
                break;
            case 292:
                for (int k = 0; k < 3; ++k)
                    if (p[k] > v) p[k] = 65280;
                break;
            default: return;
            }
        }
    }
}

void BlendBufferCopyFrom(BlendSource source, int slot, const void *raw, int x, int y, int c, int opaqueOutside) {
    SourceView v;
    if (!ResolveSource(source, slot, raw, v)) return;
    BlendBufferCopy(x, y, v.pixels, v.width, v.height, v.stride, c, opaqueOutside);
}

void BlendBufferMixFrom(BlendSource source, int slot, const void *raw, int x, int y, int c) {
    SourceView v;
    if (!ResolveSource(source, slot, raw, v)) return;
    BlendBufferMix(x, y, v.pixels, v.width, v.height, v.stride, c);
}
