#include "replay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>

#include "engine_calls.h"

namespace tessary_host {

namespace {

constexpr int kPaintLayer = 2;          // the layer scripts paint on; slot 1 is the background
constexpr int kWarningsPerCommand = 3;  // repeated warnings of one kind are summarised

struct PathPoint {
    double x, y, p;
};

// All the replay state between commands.
struct Replayer {
    const PresetTable &presets;
    const ReplaySink &sink;
    ReplayStats &stats;
    int width = 0, height = 0, maxBrush = 0;

    Preset preset;
    int size = 16, opacity = 100, density = 100;
    int color[3] = {0, 0, 0};
    bool toolDirty = true;
    int appliedScale = -1, appliedAlpha = -1;

    bool strokeOpen = false;
    int strokeLine = 0;
    bool strokeFirstPending = false;  // the DrawStart point waits for the first pressure
    std::vector<PathPoint> strokePoints;

    std::map<Cmd, int> warned;

    Replayer(const PresetTable &t, const ReplaySink &s, ReplayStats &st) : presets(t), sink(s), stats(st) {}

    void Warn(int line, const std::string &message) {
        if (sink.warn) sink.warn(line, message);
    }

    // A warning for a command, at most a few times per kind.
    void WarnCommand(const Command &c, const std::string &message) {
        int &n = warned[c.id];
        if (++n <= kWarningsPerCommand)
            Warn(c.line, message);
        else if (n == kWarningsPerCommand + 1)
            Warn(c.line, std::string("further warnings about '") + InfoOf(c.id).keyword + "' are not shown");
    }

    // Coordinates are clamped to a band around the canvas so that a wild value
    // cannot make a stroke of millions of off-canvas dabs.
    double ClampX(double v) const { return std::clamp(v, -2.0 * width - 1000.0, 3.0 * width + 1000.0); }
    double ClampY(double v) const { return std::clamp(v, -2.0 * height - 1000.0, 3.0 * height + 1000.0); }
    static int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }
    static int ClampInt(double v, int lo, int hi) {
        if (!(v >= lo)) return lo;  // also catches NaN
        if (v > hi) return hi;
        return static_cast<int>(v);  // truncation toward zero
    }

    void SelectPreset(const Preset &p) {
        preset = p;
        size = std::min(p.size, maxBrush);
        opacity = p.opacity;
        density = p.density;
        toolDirty = true;
    }

    // Hands the tool to the engine before a stroke; rebuilding the grain and
    // shape happens only when the preset, the size or the seed changed.
    void ApplyTool() {
        if (toolDirty) {
            engine::ToolArgs a;
            a.shapeScale = preset.shapeScale;
            a.gritCell = preset.gritCell;
            a.gritCellThreshold = preset.gritCellThreshold;
            a.gritPixelThreshold = preset.gritPixelThreshold;
            a.softness = preset.softness;
            a.colorVary = preset.colorVary;
            a.gritRepeat = preset.gritRepeat;
            a.blendStrength = preset.blendStrength;
            a.primaryStrength = preset.primaryStrength;
            a.remix = preset.remix;
            a.shapeInvert = preset.shapeInvert;
            a.grain = preset.grain;
            a.shape = preset.shape;
            a.shapeParam = preset.shapeParam;
            engine::SetTool(size, a);
            engine::SetPixelVariation(preset.pixColorVary, preset.pixLumVary);
            // The tool call resets the mix code to plain paint, so it follows it.
            if (preset.mixCode != 32) engine::SetMixMode(preset.mixCode, preset.mixAmount);
            toolDirty = false;
            appliedScale = size;
            appliedAlpha = -1;
        }
        // Density in percent: 100 paints every grain pixel (the engine keeps d - 1).
        engine::SetDensity(density * 256 / 100);
    }

    // ---- strokes -----------------------------------------------------------

    void BeginStroke() {
        ApplyTool();
        if (preset.paintLayer)
            engine::CreatePaintLayer(preset.strokeOpacity, preset.strokeMode);
        else
            engine::DeletePaintLayer();
        ++stats.strokes;
    }

    void EndStroke() {
        if (preset.paintLayer) engine::MergePaintLayer(kPaintLayer);
        engine::SaveUndo(true, false);
    }

    // One dab at pressure p; `first` loads the blend buffer for pick-up brushes.
    void PlaceDab(double x, double y, double p, bool first) {
        const bool bySize = preset.pressure == PressureTo::Size || preset.pressure == PressureTo::Both;
        const bool byAlpha = preset.pressure == PressureTo::Opacity || preset.pressure == PressureTo::Both;
        const int s = bySize ? static_cast<int>(size * p) : size;
        const int a = byAlpha ? static_cast<int>(opacity * p) : opacity;
        if (s < 1 || a < 1) return;  // a pen that barely touches leaves no mark
        if (s != appliedScale) engine::SetScaleSize(s), appliedScale = s;
        if (a != appliedAlpha) engine::SetAlpha(a), appliedAlpha = a;
        const int ix = Round(x), iy = Round(y);
        if (preset.blendStrength > 0) {
            // The copy's strength is the brush colour's share (the canvas gets
            // 256 minus it); the mix's strength is the canvas colour's share.
            if (first && preset.pickup != Pickup::None)
                engine::CopyBlendBuffer(ix, iy, 255 - preset.pickupAmount);
            else if (preset.pickup == Pickup::Mix)
                engine::MixBlendBuffer(ix, iy, preset.pickupAmount);
        }
        if (preset.erase) engine::SetEraseModeOn();
        engine::DecDrawingLength();
        engine::DrawDab(ix, iy, color[0], color[1], color[2]);
        ++stats.dabs;
    }

    double DabSize(double p) const {
        const bool bySize = preset.pressure == PressureTo::Size || preset.pressure == PressureTo::Both;
        return bySize ? std::max(1.0, size * p) : size;
    }

    // Walks a dense path and places dabs at the preset's spacing.
    void WalkPath(const std::vector<PathPoint> &path) {
        if (path.empty()) return;
        PlaceDab(path[0].x, path[0].y, path[0].p, true);
        double next = std::max(1.0, preset.spacing * DabSize(path[0].p));
        double since = 0;
        for (size_t i = 1; i < path.size(); ++i) {
            const PathPoint &a = path[i - 1], &b = path[i];
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            double used = 0;
            while (since + (len - used) >= next) {
                used += next - since;
                const double t = len > 0 ? used / len : 1.0;
                const double px = a.x + (b.x - a.x) * t, py = a.y + (b.y - a.y) * t, pp = a.p + (b.p - a.p) * t;
                PlaceDab(px, py, pp, false);
                since = 0;
                next = std::max(1.0, preset.spacing * DabSize(pp));
            }
            since += len - used;
        }
    }

    // A smooth path through the points (uniform Catmull-Rom), sampled about
    // every pixel; pressure changes linearly along each piece.
    static std::vector<PathPoint> Smooth(const std::vector<PathPoint> &pts) {
        if (pts.size() < 3) return pts;
        std::vector<PathPoint> out;
        const size_t n = pts.size();
        for (size_t i = 0; i + 1 < n; ++i) {
            const PathPoint &p0 = pts[i ? i - 1 : 0], &p1 = pts[i], &p2 = pts[i + 1], &p3 = pts[std::min(i + 2, n - 1)];
            const double len = std::hypot(p2.x - p1.x, p2.y - p1.y);
            const int steps = std::max(1, static_cast<int>(std::ceil(len)));
            for (int k = 0; k < steps; ++k) {
                const double t = static_cast<double>(k) / steps, t2 = t * t, t3 = t2 * t;
                auto cr = [&](double a, double b, double c, double d) {
                    return 0.5 *
                           ((2 * b) + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
                };
                out.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y), p1.p + (p2.p - p1.p) * t});
            }
        }
        out.push_back(pts.back());
        return out;
    }

    void PaintPath(const std::vector<PathPoint> &pts) {
        BeginStroke();
        WalkPath(Smooth(pts));
        EndStroke();
    }

    void OpenStroke(const Command &c) {
        strokeOpen = true;
        strokeLine = c.line;
        strokePoints.clear();
        strokeFirstPending = true;
    }

    void CloseStroke() {
        if (!strokeOpen) return;
        strokeOpen = false;
        if (strokeFirstPending && !strokePoints.empty()) strokePoints.front().p = 1.0;  // no pressure was given
        if (!strokePoints.empty()) PaintPath(strokePoints);
        strokePoints.clear();
    }

    // ---- mask shapes ---------------------------------------------------------

    // MaskRectangle / MaskEllipse x0 y0 x1 y1 mode: mode 0 selects only the
    // shape, 1 adds it to the selection, 2 takes it out of the selection.
    void MaskShape(const Command &c, bool ellipse) {
        const double x0 = std::min(c.num[0], c.num[2]), x1 = std::max(c.num[0], c.num[2]);
        const double y0 = std::min(c.num[1], c.num[3]), y1 = std::max(c.num[1], c.num[3]);
        const int mode = ClampInt(c.num[4], -1, 3);
        if (mode < 0 || mode > 2) {
            WarnCommand(c, std::string("'") + InfoOf(c.id).keyword + "' mode must be 0, 1 or 2; skipped");
            return;
        }
        std::vector<uint16_t> m;
        if (!engine::GetMask(m, width, height)) return;
        const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, rx = (x1 - x0) / 2, ry = (y1 - y0) / 2;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                bool inside;
                if (ellipse) {
                    const double dx = rx > 0 ? (px - cx) / rx : 2, dy = ry > 0 ? (py - cy) / ry : 2;
                    inside = dx * dx + dy * dy <= 1.0;
                } else {
                    inside = px >= x0 && px < x1 && py >= y0 && py < y1;
                }
                uint16_t &v = m[static_cast<size_t>(y) * width + x];
                if (mode == 0)
                    v = inside ? 65535 : 0;
                else if (inside)
                    v = mode == 1 ? 65535 : 0;
            }
        engine::SetMask(m);
        engine::SaveUndo(false, true);
    }

    // ---- one command ---------------------------------------------------------

    void Run(const Command &c) {
        const std::vector<double> &n = c.num;
        const CommandInfo &info = InfoOf(c.id);
        if (!info.supported) {
            WarnCommand(c, std::string("'") + info.keyword + "' is not supported by this host yet; skipped");
            return;
        }
        // Commands other than the stroke's own end an open stroke first.
        const bool strokeCommand = c.id == Cmd::SmoothPlot2 || c.id == Cmd::DrawStop || c.id == Cmd::DrawStart;
        if (strokeOpen && !strokeCommand) {
            WarnCommand(c, std::string("'") + info.keyword + "' inside the stroke begun at line " +
                               std::to_string(strokeLine) + "; the stroke ends here");
            CloseStroke();
        }
        switch (c.id) {
            case Cmd::DrawStart:
                if (strokeOpen) {
                    WarnCommand(c, "'DrawStart' while the stroke begun at line " + std::to_string(strokeLine) +
                                       " is open; that stroke ends here");
                    CloseStroke();
                }
                OpenStroke(c);
                strokePoints.push_back({ClampX(n[0]), ClampY(n[1]), 1.0});
                break;
            case Cmd::SmoothPlot2: {
                const bool first = n[3] != 0, last = n[4] != 0;
                if (first || last) break;  // start and end markers carry no position
                if (!strokeOpen) {
                    WarnCommand(c, "'SmoothPlot2' without 'DrawStart'; a stroke begins here");
                    OpenStroke(c);
                }
                const double p = std::clamp(n[2], 0.0, 1.0);
                if (strokeFirstPending) {
                    // The DrawStart point takes the pressure of the first position.
                    if (!strokePoints.empty()) strokePoints.front().p = p;
                    strokeFirstPending = false;
                }
                strokePoints.push_back({ClampX(n[0]), ClampY(n[1]), p});
                break;
            }
            case Cmd::DrawStop:
                if (!strokeOpen)
                    WarnCommand(c, "'DrawStop' without an open stroke; ignored");
                else
                    CloseStroke();
                break;
            case Cmd::SelectBrush: {
                const int number = ClampInt(n[0], -1, 1000000);
                const Preset *p = presets.Find(number);
                if (!p) {
                    WarnCommand(c, "no brush preset " + std::to_string(number) + "; keeping '" + preset.name + "'");
                    break;
                }
                SelectPreset(*p);
                if (n[1] >= 1) size = ClampInt(n[1], 1, maxBrush);
                if (n[2] >= 1) opacity = ClampInt(n[2], 1, 100);
                break;
            }
            case Cmd::SetBrushSize: {
                const int s = ClampInt(n[0], 1, maxBrush);
                if (s != size) size = s, toolDirty = true;
                break;
            }
            case Cmd::SetBrushDensity:
                density = ClampInt(n[0], 0, 100);
                break;
            case Cmd::SetBrushOpacity:
                opacity = ClampInt(n[0], 0, 100);
                break;
            case Cmd::SetColor:
                for (int k = 0; k < 3; ++k) color[k] = ClampInt(n[k], 0, 255);
                break;
            case Cmd::SetColorBanks: {
                int banks[12];
                for (int k = 0; k < 12; ++k) banks[k] = ClampInt(n[1 + k], 0, 255);
                engine::SetColorBanks(banks);
                break;
            }
            case Cmd::Line2:
                PaintPath({{ClampX(n[0]), ClampY(n[1]), 1.0}, {ClampX(n[2]), ClampY(n[3]), 1.0}});
                break;
            case Cmd::Spline:
                RunSpline(c);
                break;
            case Cmd::Dab: {
                const double p = std::clamp(n[2], 0.0, 1.0);
                BeginStroke();
                PlaceDab(ClampX(n[0]), ClampY(n[1]), p, true);
                EndStroke();
                break;
            }
            case Cmd::ClearPage:
                engine::ClearLayerMasked(0, 0, 0, 0);
                engine::SaveUndo(true, false);
                break;
            case Cmd::FillPage:
                engine::ClearLayerMasked(color[0], color[1], color[2], 255);
                engine::SaveUndo(true, false);
                break;
            case Cmd::MaskOn:
                engine::EnableMask(n[0] != 0);
                break;
            case Cmd::MaskClear:
                engine::ClearMaskEditable();
                engine::SaveUndo(false, true);
                break;
            case Cmd::MaskInvert:
                engine::InvertMask();
                engine::SaveUndo(false, true);
                break;
            case Cmd::ImageCreateFromMask:
                engine::CreateImageFromMask();
                engine::SaveUndo(true, false);
                break;
            case Cmd::AlphaCreateFromMask:
                engine::CreateAlphaFromMask();
                engine::SaveUndo(true, false);
                break;
            case Cmd::MaskCreateFromImage:
                engine::CreateMaskFromImage();
                engine::SaveUndo(false, true);
                break;
            case Cmd::MaskCreateFromImageLuma:
                engine::CreateMaskFromImageLuma();
                engine::SaveUndo(false, true);
                break;
            case Cmd::MaskCreateFromAlpha:
                engine::CreateMaskFromAlpha();
                engine::SaveUndo(false, true);
                break;
            case Cmd::MaskRectangle:
                MaskShape(c, false);
                break;
            case Cmd::MaskEllipse:
                MaskShape(c, true);
                break;
            case Cmd::RandomSeed: {
                // Seeds above 2^31 - 1 wrap as a 32-bit value; the parser checked the range.
                const int64_t wide = static_cast<int64_t>(n[0]);
                engine::SetRandomSeed(static_cast<int32_t>(static_cast<uint32_t>(wide)));
                toolDirty = true;  // grain follows the seed
                break;
            }
            default:
                break;
        }
    }

    // Spline x0 y0 x1 y1 x2 y2 p0 p1: a stroke along a smooth curve from the
    // first point through the second to the third, pressure going from p0 to p1.
    void RunSpline(const Command &c) {
        const std::vector<double> &n = c.num;
        int xs[3], ys[3];
        for (int k = 0; k < 3; ++k) xs[k] = Round(ClampX(n[2 * k])), ys[k] = Round(ClampY(n[2 * k + 1]));
        const double p0 = std::clamp(n[6], 0.0, 1.0), p1 = std::clamp(n[7], 0.0, 1.0);
        // The engine's curve reads its coordinates as unsigned values, so the
        // points are moved into the positive quadrant and moved back afterwards.
        const int ox = std::max(0, -std::min({xs[0], xs[1], xs[2]}));
        const int oy = std::max(0, -std::min({ys[0], ys[1], ys[2]}));
        std::vector<double> cx, cy;
        std::vector<PathPoint> path;
        if (engine::CalcSpline3(xs[0] + ox, ys[0] + oy, xs[1] + ox, ys[1] + oy, xs[2] + ox, ys[2] + oy, cx, cy)) {
            const size_t m = cx.size();
            for (size_t i = 0; i < m; ++i) {
                const double t = m > 1 ? static_cast<double>(i) / (m - 1) : 0.0;
                path.push_back({cx[i] - ox, cy[i] - oy, p0 + (p1 - p0) * t});
            }
            BeginStroke();
            WalkPath(path);
            EndStroke();
        } else {
            PaintPath({{double(xs[0]), double(ys[0]), p0},
                       {double(xs[1]), double(ys[1]), (p0 + p1) / 2},
                       {double(xs[2]), double(ys[2]), p1}});
        }
    }
};

}  // namespace

bool ParseSize(const std::string &text, int &width, int &height) {
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X')) return false;
    if (w < 1 || h < 1 || w > 10000 || h > 10000) return false;
    width = w;
    height = h;
    return true;
}

bool ParseColor(const std::string &text, uint8_t rgb[3]) {
    static const struct {
        const char *name;
        uint8_t r, g, b;
    } kNames[] = {{"white", 255, 255, 255}, {"black", 0, 0, 0},     {"grey", 128, 128, 128},
                  {"gray", 128, 128, 128},  {"red", 255, 0, 0},     {"green", 0, 160, 0},
                  {"blue", 0, 0, 255},      {"sky", 150, 195, 235}, {"paper", 245, 240, 225}};
    for (const auto &n : kNames)
        if (text == n.name) {
            rgb[0] = n.r, rgb[1] = n.g, rgb[2] = n.b;
            return true;
        }
    if (text.size() == 7 && text[0] == '#') {
        unsigned v = 0;
        char extra = 0;
        if (text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos) return false;
        if (sscanf(text.c_str() + 1, "%x%c", &v, &extra) != 1) return false;
        rgb[0] = (v >> 16) & 255, rgb[1] = (v >> 8) & 255, rgb[2] = v & 255;
        return true;
    }
    int r = -1, g = -1, b = -1;
    char extra = 0;
    if (sscanf(text.c_str(), "%d,%d,%d%c", &r, &g, &b, &extra) == 3 && r >= 0 && r <= 255 && g >= 0 && g <= 255 &&
        b >= 0 && b <= 255) {
        rgb[0] = static_cast<uint8_t>(r), rgb[1] = static_cast<uint8_t>(g), rgb[2] = static_cast<uint8_t>(b);
        return true;
    }
    return false;
}

bool Replay(const PaintScript &script, const PresetTable &presets, const ReplayOptions &options, const ReplaySink &sink,
            Image8 &picture, ReplayStats &stats, std::string &error) {
    stats = ReplayStats{};
    Image8 background;
    if (!options.backgroundImage.empty()) {
        std::string why;
        if (!ReadPng(options.backgroundImage, background, why)) {
            error = options.backgroundImage + ": " + why;
            return false;
        }
    }
    int w = options.width, h = options.height;
    if (w <= 0 || h <= 0) {
        w = background.width > 0 ? std::min(background.width, 10000) : 800;
        h = background.height > 0 ? std::min(background.height, 10000) : 600;
    }
    const int32_t seed = options.hasSeed ? options.seed : (script.hasSeed ? script.seed : 0);
    const int maxBrush = std::clamp(options.maxBrush, 8, 1000);
    if (!engine::CreateCanvas(w, h, maxBrush, seed)) {
        error = "cannot create a " + std::to_string(w) + " x " + std::to_string(h) + " canvas";
        const std::string e = engine::LastError();
        if (!e.empty()) error += " (" + e + ")";
        engine::DeleteCanvas();
        return false;
    }

    // Background layer: white unless a colour or an image is given. Colours
    // widen by x 256 as everywhere in the engine; opaque alpha is 65535.
    if (options.hasBackgroundColor || !options.backgroundImage.empty()) {
        std::vector<uint16_t> px(static_cast<size_t>(w) * h * 4);
        for (size_t i = 0; i < px.size(); i += 4) {
            const uint8_t *c = options.hasBackgroundColor ? options.background : nullptr;
            px[i] = c ? c[0] << 8 : 65535;
            px[i + 1] = c ? c[1] << 8 : 65535;
            px[i + 2] = c ? c[2] << 8 : 65535;
            px[i + 3] = 65535;
        }
        for (int y = 0; y < std::min(h, background.height); ++y)
            for (int x = 0; x < std::min(w, background.width); ++x) {
                const uint8_t *s = &background.rgba[(static_cast<size_t>(y) * background.width + x) * 4];
                uint16_t *d = &px[(static_cast<size_t>(y) * w + x) * 4];
                // The image is laid over the background colour by its alpha.
                const uint32_t a = s[3];
                for (int k = 0; k < 3; ++k) d[k] = static_cast<uint16_t>(((s[k] << 8) * a + d[k] * (255 - a)) / 255);
            }
        engine::SetLayerPixels(1, px.data());
    }

    Replayer r(presets, sink, stats);
    r.width = w;
    r.height = h;
    r.maxBrush = std::min(maxBrush, 1000);
    if (!presets.presets.empty()) r.SelectPreset(presets.presets.front());

    const auto start = std::chrono::steady_clock::now();
    const size_t total = script.commands.size();
    for (size_t i = 0; i < total; ++i) {
        r.Run(script.commands[i]);
        ++stats.commands;
        if (sink.progress) sink.progress(static_cast<double>(i + 1) / total);
    }
    if (r.strokeOpen) {
        r.Warn(r.strokeLine, "the stroke begun here has no 'DrawStop'; it ends with the script");
        r.CloseStroke();
    }
    stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::vector<uint16_t> flat;
    engine::Flatten(flat, w, h);
    picture = NarrowRgba64(flat, w, h);
    for (const std::string &fn : engine::MissingEngineCalls())
        r.Warn(0, "this build of the engine has no " + fn + "; what needs it was left out");
    engine::DeleteCanvas();
    return true;
}

}  // namespace tessary_host
