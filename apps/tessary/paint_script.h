// Paint-script reader: turns the text of a paint script into a list of
// commands with their line numbers. It knows every keyword a Lua filter can
// write and how many argument lines follow it; it does not touch the engine,
// so the fuzz target and the tests use it on its own.
//
// The format is line based: a header ("1554", "Description", the number of
// description lines, the description lines, "RandomSeed", the seed), then one
// keyword line per command followed by one line per argument, and finally
// "ScriptEnd". Lines end in LF or CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary_host {

// Every keyword the recorder writes. The order matches the command table in
// paint_script.cpp.
enum class Cmd {
    DrawStart,
    SmoothPlot2,
    DrawStop,
    SelectBrush,
    SetBrushSize,
    SetBrushDensity,
    SetBrushOpacity,
    SetColor,
    SetColorBanks,
    Line2,
    Spline,
    Dab,
    Filter,
    BufferFromLayer,
    BufferToLayer,
    BufferCopy,
    BufferClear,
    BufferMergeLayer,
    BufferFromMask,
    BufferToMask,
    ImageFlipHorizontal,
    ImageFlipVertical,
    ClearPage,
    FillPage,
    SetPage,
    MaskOn,
    MaskClear,
    MaskInvert,
    ImageCreateFromMask,
    AlphaCreateFromMask,
    MaskCreateFromImage,
    MaskCreateFromImageLuma,
    MaskCreateFromAlpha,
    FloodFill,
    Rectangle,
    Ellipse,
    Text,
    Gradient,
    MaskEllipse,
    MaskRectangle,
    MaskWand,
    CopyTool,
    PasteTool2,
    Warp,
    RotateBrush,
    RandomSeed,
    ScriptEnd,
};

// One row of the command table.
struct CommandInfo {
    Cmd id;
    const char *keyword;  // exactly as written in the file ("Flood Fill" has a space)
    // One letter per argument: 'n' a finite number, 't' any text, 'r' raw text
    // of a command this host does not carry out (kept, never checked).
    const char *args;
    bool supported;  // false: replay warns and goes on
};

const CommandInfo &InfoOf(Cmd id);
// The row for a keyword, or null for an unknown one.
const CommandInfo *FindCommand(std::string_view keyword);

struct Command {
    Cmd id;
    int line = 0;                   // line number of the keyword, from 1
    std::vector<double> num;        // the argument values ('n' arguments; 0 for text ones)
    std::vector<std::string> text;  // every argument as written
};

struct Diagnostic {
    int line = 0;  // 0 when the message concerns the whole file, -1 for a file that cannot be read
    std::string message;
};

struct PaintScript {
    std::vector<std::string> description;
    bool hasSeed = false;
    int32_t seed = 0;
    std::vector<Command> commands;
    bool ended = false;                // "ScriptEnd" was seen
    std::vector<Diagnostic> warnings;  // harmless oddities (no "ScriptEnd", text after it)
};

// Parses a whole script. Returns true on success; on failure fills `error`
// with the line it concerns and a message and leaves `out` partly filled.
bool ParsePaintScript(std::string_view text, PaintScript &out, Diagnostic &error);

// Reads and parses a file; an unreadable file is reported with line 0.
bool LoadPaintScript(const std::string &path, PaintScript &out, Diagnostic &error);

// Reads a number as the recorder writes it (Lua's "%.14g" form, an optional
// sign, leading and trailing blanks allowed). False for anything else,
// including infinities and NaN.
bool ParseNumber(std::string_view s, double &value);

}  // namespace tessary_host
