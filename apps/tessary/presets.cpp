#include "presets.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace tessary_host {

const Preset *PresetTable::Find(int number) const {
    for (const Preset &p : presets)
        if (p.number == number) return &p;
    return nullptr;
}

namespace {

std::string Trim(const std::string &s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool ToInt(const std::string &v, int lo, int hi, int &out) {
    int x = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || p != v.data() + v.size() || x < lo || x > hi) return false;
    out = x;
    return true;
}

bool ToDouble(const std::string &v, double lo, double hi, double &out) {
    double x = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || p != v.data() + v.size() || !(x >= lo && x <= hi)) return false;
    out = x;
    return true;
}

std::string Resolve(const std::string &baseDir, const std::string &path) {
    if (path.empty() || path[0] == '/' || baseDir.empty()) return path;
    return baseDir + "/" + path;
}

}  // namespace

bool ParsePresets(const std::string &text, const std::string &baseDir, PresetTable &out, std::string &error) {
    out.presets.clear();
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    Preset *cur = nullptr;
    auto fail = [&](const std::string &msg) {
        error = std::to_string(lineNo) + ": " + msg;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            // [preset N]
            if (line.back() != ']' || line.compare(0, 8, "[preset ") != 0) return fail("expected '[preset N]'");
            int n = 0;
            if (!ToInt(Trim(line.substr(8, line.size() - 9)), 1, 1000000, n)) return fail("bad preset number");
            if (out.Find(n)) return fail("preset " + std::to_string(n) + " is defined twice");
            out.presets.emplace_back();
            cur = &out.presets.back();
            cur->number = n;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected 'key = value'");
        if (!cur) return fail("a key before the first '[preset N]'");
        const std::string key = Trim(line.substr(0, eq)), val = Trim(line.substr(eq + 1));
        Preset &p = *cur;
        bool ok = true;
        double d = 0;
        if (key == "name")
            p.name = val;
        else if (key == "size")
            ok = ToInt(val, 1, 1000, p.size);
        else if (key == "opacity")
            ok = ToInt(val, 0, 100, p.opacity);
        else if (key == "density")
            ok = ToInt(val, 0, 100, p.density);
        else if (key == "shape_scale")
            ok = ToDouble(val, 0.0, 1.0, d), p.shapeScale = static_cast<float>(d);
        else if (key == "softness")
            ok = ToInt(val, 0, 255, p.softness);
        else if (key == "shape_invert")
            ok = ToInt(val, 0, 1, p.shapeInvert);
        else if (key == "shape")
            p.shape = Resolve(baseDir, val);
        else if (key == "shape_param")
            ok = ToInt(val, -100000, 100000, p.shapeParam);
        else if (key == "grain")
            p.grain = Resolve(baseDir, val);
        else if (key == "grit_cell")
            ok = ToInt(val, 0, 64, p.gritCell);
        else if (key == "grit_cell_threshold")
            ok = ToInt(val, 0, 256, p.gritCellThreshold);
        else if (key == "grit_pixel_threshold")
            ok = ToInt(val, 0, 256, p.gritPixelThreshold);
        else if (key == "grit_repeat")
            ok = ToInt(val, 1, 100000, p.gritRepeat);
        else if (key == "color_vary")
            ok = ToInt(val, 0, 255, p.colorVary);
        else if (key == "pix_color_vary")
            ok = ToInt(val, 0, 255, p.pixColorVary);
        else if (key == "pix_lum_vary")
            ok = ToInt(val, 0, 255, p.pixLumVary);
        else if (key == "blend_strength")
            ok = ToInt(val, 0, 256, p.blendStrength);
        else if (key == "primary_strength")
            ok = ToInt(val, 0, 256, p.primaryStrength);
        else if (key == "remix")
            ok = ToInt(val, 0, 1, p.remix);
        else if (key == "mix_code")
            ok = ToInt(val, 0, 1000, p.mixCode);
        else if (key == "mix_amount")
            ok = ToInt(val, 0, 256, p.mixAmount);
        else if (key == "pickup_amount")
            ok = ToInt(val, 0, 255, p.pickupAmount);
        else if (key == "stroke_mode")
            p.strokeMode = val;
        else if (key == "stroke_opacity")
            ok = ToInt(val, 0, 100, p.strokeOpacity);
        else if (key == "spacing")
            ok = ToDouble(val, 0.01, 10.0, p.spacing);
        else if (key == "erase" || key == "paint_layer") {
            int b = 0;
            ok = ToInt(val, 0, 1, b);
            (key == "erase" ? p.erase : p.paintLayer) = b != 0;
        } else if (key == "pickup") {
            if (val == "none")
                p.pickup = Pickup::None;
            else if (val == "copy")
                p.pickup = Pickup::Copy;
            else if (val == "mix")
                p.pickup = Pickup::Mix;
            else
                ok = false;
        } else if (key == "pressure") {
            if (val == "none")
                p.pressure = PressureTo::None;
            else if (val == "size")
                p.pressure = PressureTo::Size;
            else if (val == "opacity")
                p.pressure = PressureTo::Opacity;
            else if (val == "both")
                p.pressure = PressureTo::Both;
            else
                ok = false;
        } else
            return fail("unknown key '" + key + "'");
        if (!ok) return fail("bad value '" + val + "' for '" + key + "'");
    }
    if (out.presets.empty()) {
        lineNo = 0;
        return fail("no presets defined");
    }
    return true;
}

bool LoadPresets(const std::string &path, PresetTable &out, std::string &error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the preset file";
        return false;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!ParsePresets(buf.str(), dir, out, error)) {
        error = path + ":" + error;
        return false;
    }
    return true;
}

}  // namespace tessary_host
