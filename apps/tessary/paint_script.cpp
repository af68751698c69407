#include "paint_script.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tessary_host {

namespace {

// The recorder's keywords and their argument lines. Rows whose `supported`
// flag is false name commands whose engine side this host does not offer;
// their arguments are kept as raw text.
const CommandInfo kCommands[] = {
    {Cmd::DrawStart, "DrawStart", "nnn", true},
    {Cmd::SmoothPlot2, "SmoothPlot2", "nnnnn", true},
    {Cmd::DrawStop, "DrawStop", "n", true},
    {Cmd::SelectBrush, "SelectBrush", "nnn", true},
    {Cmd::SetBrushSize, "SetBrushSize", "n", true},
    {Cmd::SetBrushDensity, "SetBrushDensity", "n", true},
    {Cmd::SetBrushOpacity, "SetBrushOpacity", "n", true},
    {Cmd::SetColor, "SetColor", "nnn", true},
    {Cmd::SetColorBanks, "SetColorBanks", "tnnnnnnnnnnnn", true},
    {Cmd::Line2, "Line2", "nnnn", true},
    {Cmd::Spline, "Spline", "nnnnnnnn", true},
    {Cmd::Dab, "Dab", "nnn", true},
    {Cmd::Filter, "Filter", "rrrrrrrrrrrrrrrrrrrr", false},
    {Cmd::BufferFromLayer, "BufferFromLayer", "r", false},
    {Cmd::BufferToLayer, "BufferToLayer", "r", false},
    {Cmd::BufferCopy, "BufferCopy", "rr", false},
    {Cmd::BufferClear, "BufferClear", "r", false},
    {Cmd::BufferMergeLayer, "BufferMergeLayer", "rrr", false},
    {Cmd::BufferFromMask, "BufferFromMask", "r", false},
    {Cmd::BufferToMask, "BufferToMask", "r", false},
    {Cmd::ImageFlipHorizontal, "ImageFlipHorizontal", "", false},
    {Cmd::ImageFlipVertical, "ImageFlipVertical", "", false},
    {Cmd::ClearPage, "ClearPage", "", true},
    {Cmd::FillPage, "FillPage", "", true},
    {Cmd::SetPage, "SetPage", "rrrr", false},
    {Cmd::MaskOn, "MaskOn", "n", true},
    {Cmd::MaskClear, "MaskClear", "", true},
    {Cmd::MaskInvert, "MaskInvert", "", true},
    {Cmd::ImageCreateFromMask, "ImageCreateFromMask", "", true},
    {Cmd::AlphaCreateFromMask, "AlphaCreateFromMask", "", true},
    {Cmd::MaskCreateFromImage, "MaskCreateFromImage", "", true},
    {Cmd::MaskCreateFromImageLuma, "MaskCreateFromImageLuma", "", true},
    {Cmd::MaskCreateFromAlpha, "MaskCreateFromAlpha", "", true},
    {Cmd::FloodFill, "Flood Fill", "rrrrrrr", false},
    {Cmd::Rectangle, "Rectangle", "rrrrrrrr", false},
    {Cmd::Ellipse, "Ellipse", "rrrrrrrr", false},
    {Cmd::Text, "Text", "rrrrrrrrrr", false},
    {Cmd::Gradient, "Gradient", "rrrrrrrrrrrrrrrrrr", false},
    {Cmd::MaskEllipse, "MaskEllipse", "nnnnn", true},
    {Cmd::MaskRectangle, "MaskRectangle", "nnnnn", true},
    {Cmd::MaskWand, "MaskWand", "rrrrr", false},
    {Cmd::CopyTool, "CopyTool", "rrrr", false},
    {Cmd::PasteTool2, "PasteTool2", "rrrrr", false},
    {Cmd::Warp, "Warp", "rrrrrr", false},
    {Cmd::RotateBrush, "RotateBrush", "rrrr", false},
    {Cmd::RandomSeed, "RandomSeed", "n", true},
    {Cmd::ScriptEnd, "ScriptEnd", "", true},
};

// Splits the text into lines without their LF or CR LF. A final line without
// a line end still counts; an empty text has no lines.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

// A line shown in a message: cut to a readable length, control bytes as '?'.
std::string Shown(std::string_view s) {
    std::string out;
    for (char c : s.substr(0, 40)) out += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
    if (s.size() > 40) out += "...";
    return out;
}

std::string Format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

bool Fail(Diagnostic &error, int line, std::string message) {
    error.line = line;
    error.message = std::move(message);
    return false;
}

}  // namespace

const CommandInfo &InfoOf(Cmd id) { return kCommands[static_cast<int>(id)]; }

const CommandInfo *FindCommand(std::string_view keyword) {
    for (const CommandInfo &c : kCommands)
        if (keyword == c.keyword) return &c;
    return nullptr;
}

bool ParseNumber(std::string_view s, double &value) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.empty()) return false;
    // from_chars takes no leading '+'; the recorder never writes one, but a
    // hand-written script may.
    if (s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    double v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool ParsePaintScript(std::string_view text, PaintScript &out, Diagnostic &error) {
    out = PaintScript{};
    const std::vector<std::string_view> lines = SplitLines(text);
    const int count = static_cast<int>(lines.size());
    if (text.find('\0') != std::string_view::npos) {
        int line = 1;
        for (int i = 0; i < count; ++i)
            if (lines[i].find('\0') != std::string_view::npos) {
                line = i + 1;
                break;
            }
        return Fail(error, line, "the file holds a NUL byte; paint scripts are plain text");
    }

    // Header: "1554", "Description", n, n description lines.
    if (count == 0) return Fail(error, 0, "the file is empty; a paint script starts with the line 1554");
    if (lines[0] != "1554")
        return Fail(error, 1, Format("expected the header line 1554, found '%s'", Shown(lines[0]).c_str()));
    if (count < 2) return Fail(error, 1, "the file ends after the header line 1554; expected 'Description'");
    if (lines[1] != "Description")
        return Fail(error, 2, Format("expected 'Description', found '%s'", Shown(lines[1]).c_str()));
    if (count < 3) return Fail(error, 2, "the file ends after 'Description'; expected the number of description lines");
    double described = 0;
    if (!ParseNumber(lines[2], described) || described < 0 || described != std::floor(described))
        return Fail(
            error, 3,
            Format("the number of description lines must be a whole number, found '%s'", Shown(lines[2]).c_str()));
    if (described > count - 3)
        return Fail(error, 3,
                    Format("the description announces %.0f lines but the file has only %d more", described, count - 3));
    int i = 3;
    for (int k = 0; k < static_cast<int>(described); ++k) out.description.emplace_back(lines[i++]);

    // Commands up to "ScriptEnd".
    while (i < count) {
        const int keywordLine = i + 1;
        std::string_view keyword = lines[i];
        if (keyword.empty()) {
            // Blank lines at the very end (an editor's final newline) are harmless.
            int k = i;
            while (k < count && lines[k].empty()) ++k;
            if (k == count) break;
            return Fail(error, keywordLine, "empty line where a command was expected");
        }
        const CommandInfo *info = FindCommand(keyword);
        if (!info) return Fail(error, keywordLine, Format("unknown command '%s'", Shown(keyword).c_str()));
        const int argc = static_cast<int>(std::char_traits<char>::length(info->args));
        if (i + argc >= count) {
            const int present = count - i - 1;
            return Fail(error, count,
                        Format("'%s' (line %d) needs %d argument line%s but the file ends after %d", info->keyword,
                               keywordLine, argc, argc == 1 ? "" : "s", present));
        }
        Command cmd;
        cmd.id = info->id;
        cmd.line = keywordLine;
        cmd.num.resize(argc, 0.0);
        cmd.text.reserve(argc);
        for (int a = 0; a < argc; ++a) {
            std::string_view arg = lines[i + 1 + a];
            cmd.text.emplace_back(arg);
            if (info->args[a] != 'n') continue;
            if (!ParseNumber(arg, cmd.num[a])) {
                // A keyword where a number belongs usually means a missing argument.
                if (FindCommand(arg))
                    return Fail(error, i + 2 + a,
                                Format("'%s' (line %d) needs %d arguments; argument %d is missing (found the command "
                                       "'%s')",
                                       info->keyword, keywordLine, argc, a + 1, Shown(arg).c_str()));
                return Fail(error, i + 2 + a,
                            Format("argument %d of '%s' (line %d) must be a number, found '%s'", a + 1, info->keyword,
                                   keywordLine, Shown(arg).c_str()));
            }
        }
        i += 1 + argc;
        if (cmd.id == Cmd::RandomSeed) {
            const double s = cmd.num[0];
            if (s != std::floor(s) || s < -2147483648.0 || s > 4294967295.0)
                return Fail(error, keywordLine + 1,
                            Format("the random seed must be a whole number that fits 32 bits, found '%s'",
                                   Shown(cmd.text[0]).c_str()));
            // Seeds above 2^31 - 1 wrap, as the engine reads 32 bits.
            const int64_t wide = static_cast<int64_t>(s);
            const int32_t seed = static_cast<int32_t>(static_cast<uint32_t>(wide));
            if (out.commands.empty() && !out.hasSeed) {
                out.hasSeed = true;
                out.seed = seed;
                continue;
            }
        }
        if (cmd.id == Cmd::ScriptEnd) {
            out.ended = true;
            if (i < count) {
                // Blank trailing lines are harmless; anything else is ignored with a note.
                for (int k = i; k < count; ++k)
                    if (!lines[k].empty()) {
                        out.warnings.push_back({k + 1, "text after 'ScriptEnd' is ignored"});
                        break;
                    }
            }
            return true;
        }
        out.commands.push_back(std::move(cmd));
    }
    out.warnings.push_back({count,
                            "the script has no 'ScriptEnd' (a filter run that ended without closing it); "
                            "replaying what is there"});
    return true;
}

bool LoadPaintScript(const std::string &path, PaintScript &out, Diagnostic &error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, -1, "cannot open the script file");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) return Fail(error, -1, "cannot read the script file");
    return ParsePaintScript(buf.str(), out, error);
}

}  // namespace tessary_host
