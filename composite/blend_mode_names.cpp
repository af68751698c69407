// The blend mode name table: id = index, names matched byte for byte.
#include "composite/blend_mode_names.h"

#include <cstring>

namespace {
// Id 27 has no name; it composites as Normal.
const char *const kModeNames[kBlendModeCount] = {
    "Normal", "Multiply", "Screen", "Darken", "Lighten", "Difference", "Negation",
    "Exclusion", "Overlay", "Hard Light", "Soft Light", "Dodge", "Burn", "Reflect",
    "Glow", "Add", "Subtract", "Color", "Hard Color", "Colorize", "HSL Hue", "HSL Sat",
    "HSL Lum", "HSL Color", "Texturize", "Texturize2", "Texturize3", nullptr,
    "Alpha Normal", "Alpha Filter", "Alpha Black Outline", "Alpha Outline Tint 1",
    "Alpha Outline Tint 2", "Alpha Invert", "Alpha Shader", "Alpha Shader Color",
    "Alpha Shader Texture2", "Alpha Highlight Texture2", "Alpha Smooth", "Alpha Smooth2",
    "Alpha Smooth Lum", "Alpha Smooth Lum2", "Alpha Smooth Lum3", "Alpha Smooth Lum4",
    "Alpha Smooth Lum5", "Alpha Overlay Outline", "Alpha Highlight", "Layer Mask",
    "Luminance Alpha", "Luminance Alpha Invert",
};
}  // namespace

int BlendModeFromName(const char *name) {
    if (name == nullptr) return kModeNormal;
    for (int id = 0; id < kBlendModeCount; ++id) {
        if (kModeNames[id] != nullptr && std::strcmp(kModeNames[id], name) == 0) return id;
    }
    return kModeNormal;
}

const char *BlendModeName(int id) {
    if (id < 0 || id >= kBlendModeCount) return nullptr;
    return kModeNames[id];
}
