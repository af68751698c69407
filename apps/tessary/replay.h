// Replaying a paint script on the engine: the host's meaning of every command.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "paint_script.h"
#include "png_io.h"
#include "presets.h"

namespace tessary_host {

struct ReplayOptions {
    int width = 0, height = 0;  // 0: from the background image, else 800 x 600
    bool hasBackgroundColor = false;
    uint8_t background[3] = {255, 255, 255};
    std::string backgroundImage;  // PNG laid into the background layer
    bool hasSeed = false;         // overrides the script's seed
    int32_t seed = 0;
    int maxBrush = 256;  // largest brush the canvas is made for
};

struct ReplayStats {
    long commands = 0;
    long strokes = 0;
    long dabs = 0;
    double seconds = 0;  // time spent replaying commands
};

// Where messages go: a warning (line 0 for the whole script) or the progress
// fraction 0..1 after each command.
struct ReplaySink {
    std::function<void(int line, const std::string &message)> warn;
    std::function<void(double fraction)> progress;
};

// Replays the script on a fresh canvas and returns the flattened picture.
// False with a message when the canvas cannot be made.
bool Replay(const PaintScript &script, const PresetTable &presets, const ReplayOptions &options, const ReplaySink &sink,
            Image8 &picture, ReplayStats &stats, std::string &error);

// Parses "WxH" (1..10000 each).
bool ParseSize(const std::string &text, int &width, int &height);
// Parses "#rrggbb", "r,g,b" (0..255) or a colour name (white, black, grey, red,
// green, blue, sky, paper).
bool ParseColor(const std::string &text, uint8_t rgb[3]);

}  // namespace tessary_host
