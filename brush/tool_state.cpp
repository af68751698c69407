#include "brush/tool_state.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "brush/brush_shape.h"
#include "brush/grain_source.h"
#include "brush/random_tables.h"
#include "core/engine_state.h"
#include "core/random.h"

namespace {

inline uint16_t High8(int v) { return static_cast<uint16_t>((v & 0xFF) << 8); }

// Truncation toward zero, held to the 32-bit range for absurd arguments.
int32_t TruncToInt32(double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(v);
}

bool GritTablesPresent() {
    for (uint8_t *t : g_engine.tool.gritTables)
        if (t == nullptr) return false;
    return true;
}

size_t GritTableBytes() {
    const size_t side = static_cast<size_t>(std::max(0, g_engine.maxBrushSize)) + 25;
    return side * side;
}

// N: the side of the grain square a dab needs (brush size plus the 25 pixels
// of random offset the renderer adds). The brush size is held to the
// brush-sized buffers so the tables are never written past their end.
int GrainSide() { return std::clamp(g_engine.tool.brushSize, 0, std::max(0, g_engine.maxBrushSize)) + 25; }

// Reads a random byte table as a ring: the start offsets the grain drawing
// picks may leave fewer bytes before the end than a row of cells consumes, so
// reading continues from the start of the table instead of past its end.
struct RingReader {
    const uint8_t *data;
    uint32_t length;
    uint32_t pos;
    uint8_t Next() {
        const uint8_t v = data[pos];
        if (++pos == length) pos = 0;
        return v;
    }
};

}  // namespace

int MaxUsableBrushSize() { return std::max(0, std::min(kScaleMapSize, g_engine.maxBrushSize)); }

void BuildRandomGritTables() {
    ToolState &t = g_engine.tool;
    const RandByteTable &r255 = g_engine.randTable255;
    const RandByteTable &r254 = g_engine.randTable254;
    if (!GritTablesPresent() || r255.data == nullptr || r254.data == nullptr || r255.length <= 0 || r254.length <= 0 ||
        t.gritCell <= 0)
        return;
    const int64_t N = GrainSide();
    const int64_t c = t.gritCell;
    const int64_t S = std::max(0, g_engine.maxBrushSize);
    const int64_t L = r255.length;
    // Unsigned divisions, as the draws scale to the table: offsets up to
    // L - 2c in randTable255 and L - c in randTable254.
    const uint32_t pScale = static_cast<uint32_t>(L - 2 * c) / 32767u;
    const uint32_t qScale = static_cast<uint32_t>(L - c) / 32767u;
    const size_t bytes = GritTableBytes();
    for (uint8_t *table : t.gritTables) {
        std::memset(table, 255, bytes);
        for (int64_t r = 0; r < N; r += c) {
            const uint32_t pStart = static_cast<uint32_t>(EngineRand()) * pScale;
            const uint32_t qStart = static_cast<uint32_t>(EngineRand()) * qScale;
            RingReader p{r255.data, static_cast<uint32_t>(r255.length), pStart % static_cast<uint32_t>(r255.length)};
            RingReader q{r254.data, static_cast<uint32_t>(r254.length), qStart % static_cast<uint32_t>(r254.length)};
            // Only pixels inside the N x N square consume bytes, so the cell
            // loops can stop at its edge.
            const int64_t rows = std::min(c, N - r);
            for (int64_t x = 0; x < N; x += c) {
                if (!(p.Next() < t.gritCellThreshold)) continue;
                const uint8_t cellValue = q.Next();
                const int64_t cols = std::min(c, N - x);
                for (int64_t i = 0; i < rows; ++i) {
                    uint8_t *line = table + (r + i) * S + x;
                    for (int64_t j = 0; j < cols; ++j)
                        if (p.Next() < t.gritPixelThreshold) line[j] = cellValue;
                }
            }
        }
    }
}

void FillGritTablesFromGrey(const uint8_t *grey, int width, int height) {
    if (!GritTablesPresent() || grey == nullptr || width <= 0 || height <= 0) return;
    const int N = GrainSide();
    const int S = std::max(0, g_engine.maxBrushSize);
    const size_t bytes = GritTableBytes();
    for (uint8_t *table : g_engine.tool.gritTables) {
        std::memset(table, 255, bytes);
        int ox = width - N, oy = height - N;
        ox = ox > 0 ? EngineRand() % ox : 0;
        oy = oy > 0 ? EngineRand() % oy : 0;
        // The N x N window at (ox, oy), held to the grey image when it is
        // smaller than N, placed at (0, 0) of the table seen as S x S.
        const int ww = std::min(N, width - ox), wh = std::min(N, height - oy);
        GrainOverlay(table, S, S, grey + static_cast<size_t>(oy) * width + ox, ww, wh, width);
    }
}

int SetTool(float shapeScale, int gritCell, int gritCellThreshold, int gritPixelThreshold, int shapeSoftness,
            int colorVary, int gritRepeat, int blendStrength, int blendPrimaryColorStrength, int blendRemix,
            int reserved11, int shapeInvert, int reserved13, const char *grainSource, const char *shapeName,
            int shapeParam) {
    ToolState &t = g_engine.tool;
    // The same tool under the same seed always yields the same grain.
    EngineSeed(static_cast<uint32_t>(g_engine.randomSeed));

    t.shapeScale = shapeScale;
    t.gritCell = gritCell;
    t.gritCellThreshold = gritCellThreshold;
    t.gritPixelThreshold = gritPixelThreshold;
    t.shapeSoftness = static_cast<uint8_t>(shapeSoftness);
    t.colorVary = colorVary;
    t.gritRepeat = gritRepeat;
    t.blendStrength = blendStrength;
    t.blendPrimaryColorStrength = blendPrimaryColorStrength;
    t.blendRemix = static_cast<uint8_t>(blendRemix);
    t.reserved11 = static_cast<uint8_t>(reserved11);
    t.shapeInvert = static_cast<uint8_t>(shapeInvert);
    t.reserved13 = static_cast<uint8_t>(reserved13);
    t.reserved16 = shapeParam;
    t.shapeParam = shapeParam;
    t.mixCode = 32;

    if (t.gritCell != 0) {
        BuildRandomGritTables();
        t.gritCountdown = t.gritRepeat;
    }
    if (grainSource != nullptr && std::strlen(grainSource) >= 2 && t.brushSize + 25 < 600) {
        if (BuildGritTablesFromSource(grainSource)) t.gritCountdown = t.gritRepeat;
    }

    SetBrushShape(shapeName, t.shapeParam);

    if (t.blendStrength > 0) t.blendStrengthComplement = 256 - t.blendStrength;
    if (t.blendPrimaryColorStrength > 0) t.blendPrimaryColorComplement = 256 - t.blendPrimaryColorStrength;
    t.blendTempDisabled = 0;
    t.maskMakerMode = 0;
    t.eraseMode = 0;
    return t.blendPrimaryColorStrength;
}

void SetColor(int r, int g, int b) {
    uint16_t *c = g_engine.tool.toolColor;
    c[0] = High8(r);
    c[1] = High8(g);
    c[2] = High8(b);
    c[3] = 65535;
}

void SetColor16(int r, int g, int b) {
    uint16_t *c = g_engine.tool.toolColor;
    c[0] = static_cast<uint16_t>(r);
    c[1] = static_cast<uint16_t>(g);
    c[2] = static_cast<uint16_t>(b);
    c[3] = 65535;
}

void SetColorBanks(int r0, int g0, int b0, int r1, int g1, int b1, int r2, int g2, int b2, int r3, int g3, int b3) {
    uint16_t *k = g_engine.tool.colorBanks;  // 4 reds, 4 greens, 4 blues, 4 alphas
    const int reds[4] = {r0, r1, r2, r3}, greens[4] = {g0, g1, g2, g3}, blues[4] = {b0, b1, b2, b3};
    for (int i = 0; i < 4; ++i) {
        k[i] = High8(reds[i]);
        k[4 + i] = High8(greens[i]);
        k[8 + i] = High8(blues[i]);
        k[12 + i] = 65535;
    }
}

void SetSize(int size) {
    // The scale map holds 1000 entries and the brush buffers maxBrushSize
    // rows; a size of 0 is kept (its dabs paint nothing).
    size = std::clamp(size, 0, MaxUsableBrushSize());
    ToolState &t = g_engine.tool;
    t.brushSize = size;
    t.scaleSize = size;
    for (int i = 0; i < size; ++i) t.scaleMap[i] = i;
}

void SetScaleSize(int s) {
    ToolState &t = g_engine.tool;
    if (s < 1) s = 1;
    if (s > t.brushSize) s = t.brushSize;
    if (s > 999) s = 999;
    if (s < 0) s = 0;
    t.scaleSize = s;
    if (s == 0) return;
    // Accumulated, not recomputed: v runs through step/2, 3 step/2, ...
    const double step = static_cast<double>(t.brushSize) / s;
    double v = step * 0.5;
    for (int i = 0; i < s; ++i) {
        t.scaleMap[i] = static_cast<int32_t>(v);
        v = v + step;
    }
}

void SetDensity(int d) { g_engine.tool.density = d - 1; }

void SetAlpha(int a) {
    g_engine.tool.alphaPercent = a;
    g_engine.tool.alphaFactor = TruncToInt32(a * 1.28);
}

void SetPixColorVary(int v) {
    g_engine.tool.pixColorVary = v;
    if (v > 0) BuildRandByteTable(g_engine.tool.pixColorTable, 1000, 3 * g_engine.maxBrushSize);
}

void SetPixLumVary(int v) {
    g_engine.tool.pixLumVary = v;
    if (v > 0) BuildRandByteTable(g_engine.tool.pixLumTable, 256, 3 * g_engine.maxBrushSize);
}

void SetRotateBrushMode(int mode, int angle) {
    ToolState &t = g_engine.tool;
    t.rotateMode = mode;
    t.rotateAngle = angle;
    const double radians = angle * (1.0 / 180.0) * 3.14159;
    t.rotateSin = static_cast<float>(std::sin(radians));
    t.rotateCos = static_cast<float>(std::cos(radians));
}

void SetMixMode(int code, int amount) {
    ToolState &t = g_engine.tool;
    t.mixCode = code;
    t.mixAmount = amount;
    t.mixAmountComplement = static_cast<int32_t>(256 - static_cast<int64_t>(amount));
    t.posterizeShift = TruncToInt32((static_cast<double>(amount) - 127.0) * (1.0 / 127.0) * 16.0);
}

void DecDrawingLength() {
    g_engine.tool.gritCountdown = static_cast<int32_t>(static_cast<uint32_t>(g_engine.tool.gritCountdown) - 1u);
}
