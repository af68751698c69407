// The image-script library: renders small text scripts (an image size and a
// list of numbered effects with parameter values, docs/image-scripts.md) into
// blue-green-red-alpha images, and runs single effects on an image in place.
//
// Call order: ISL_Initialize (non-zero = ready); then either
//   ISL_LoadScriptFromFile, ISL_InitBuffers, ISL_ReadScriptHeaderFromFile,
//   ISL_ExecuteScript into a width x height x 4 buffer,
// or
//   ISL_AddEffect (number, 1), ISL_SetEffectValue (0, parameter, value) ...,
//   ISL_ExecuteScriptOnImage (image, width, height) in place;
// and ISL_Finish always ends the sequence. Every call but ISL_Initialize
// returns 0 when the library is not initialised. One sequence at a time, on
// the calling thread.
#pragma once
#include <cstddef>
#include <cstdint>

// The header record ISL_ReadScriptHeaderFromFile writes: width and height as
// 32-bit integers at byte offsets 16 and 20.
struct ISLScriptHeader {
    char tag[8];           // "ISLSCRPT" (not terminated)
    int32_t version;       // format version of the script (1)
    int32_t effectCount;   // number of effects in the script
    int32_t width;         // image width in pixels (offset 16)
    int32_t height;        // image height in pixels (offset 20)
    int32_t reserved[10];  // zero
};
static_assert(offsetof(ISLScriptHeader, width) == 16, "width at byte 16");
static_assert(offsetof(ISLScriptHeader, height) == 20, "height at byte 20");
constexpr int kISLHeaderSize = static_cast<int>(sizeof(ISLScriptHeader));

constexpr int kISLMaxEffects = 64;       // effects in one script or list
constexpr int kISLParamCount = 16;       // parameters 0..15 of one effect
constexpr int kISLMaxImageSize = 10000;  // largest width or height of a script image

int ISL_Initialize();
int ISL_Finish();
// Parses the script file and keeps its effect list; 0 when the file cannot be
// read or is not a valid script.
int ISL_LoadScriptFromFile(const char *path);
// Prepares the loaded script for rendering; 0 when no script is loaded.
int ISL_InitBuffers();
// Writes the header of the script file into `header` (kISLHeaderSize bytes).
int ISL_ReadScriptHeaderFromFile(const char *path, void *header);
// Renders the loaded script into `image` (the script's width x height, 4 bytes
// per pixel, blue-green-red-alpha): a blank (all zero) image, then every
// effect in order.
int ISL_ExecuteScript(void *image);
// Appends effect `number` to the effect list with its default parameters;
// 0 for an unknown number or a full list. `enabled` 0 adds it switched off.
int ISL_AddEffect(int number, int enabled);
// Sets parameter `param` (0..15) of the effect at `effectIndex` (0 = first).
int ISL_SetEffectValue(int effectIndex, int param, int value);
// Runs the effect list on `image` (width x height, 4 bytes per pixel, packed
// rows) in place.
int ISL_ExecuteScriptOnImage(void *image, int width, int height);

// The name of effect `number`, or null when the library has no such effect.
const char *ISLEffectName(int number);
