// Blend mode ids and their names.
#pragma once

constexpr int kBlendModeCount = 50;  // ids 0..49
constexpr int kModeNormal = 0;
constexpr int kModeTexturize3 = 26;  // texture source layer
constexpr int kFirstAlphaMode = 28;  // ids above 27 reinterpret the source alpha
constexpr int kModeLayerMask = 47;

// The id of a mode name; an unknown or null name gives 0 ("Normal").
int BlendModeFromName(const char *name);
// The name of an id, or null for 27 and ids outside 0..49.
const char *BlendModeName(int id);
