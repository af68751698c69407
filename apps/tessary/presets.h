// Brush presets: the host's table of brushes a script picks with SelectBrush.
// The table is a readable text file (data/brushes.txt); see the comments at
// its top for the keys.
#pragma once

#include <string>
#include <vector>

namespace tessary_host {

enum class Pickup { None, Copy, Mix };
enum class PressureTo { None, Size, Opacity, Both };

struct Preset {
    int number = 0;
    std::string name;
    // What the brush starts with; scripts change size, opacity and density.
    int size = 16;      // dab diameter in pixels
    int opacity = 100;  // dab opacity in percent
    int density = 100;  // grain density in percent (100 paints every grain pixel)
    // Tool parameters handed to the engine's tool call.
    float shapeScale = 1.0f;
    int softness = 0;  // 0..255, soft edge of the round shape
    int shapeInvert = 0;
    std::string shape;  // shape picture (path), empty for the round shape
    int shapeParam = 0;
    std::string grain;  // grain script or image (path), empty for none
    int gritCell = 0, gritCellThreshold = 0, gritPixelThreshold = 0, gritRepeat = 1;
    int colorVary = 0, pixColorVary = 0, pixLumVary = 0;
    int blendStrength = 0, primaryStrength = 0, remix = 0;
    int mixCode = 32, mixAmount = 256;
    // Host behaviour of a stroke.
    Pickup pickup = Pickup::None;
    int pickupAmount = 128;  // 0..255, how much canvas colour the buffer takes
    bool erase = false;
    bool paintLayer = true;  // false: dabs go straight into the layer
    std::string strokeMode = "Normal";
    int strokeOpacity = 100;
    PressureTo pressure = PressureTo::Size;
    double spacing = 0.2;  // distance between dabs, as a fraction of the dab size
};

struct PresetTable {
    std::vector<Preset> presets;
    // The preset with this number, or null.
    const Preset *Find(int number) const;
};

// Reads a preset file. Relative shape and grain paths are resolved against
// the file's folder. On failure returns false with "file:line: message".
bool LoadPresets(const std::string &path, PresetTable &out, std::string &error);
bool ParsePresets(const std::string &text, const std::string &baseDir, PresetTable &out, std::string &error);

}  // namespace tessary_host
