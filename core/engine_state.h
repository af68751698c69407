// EngineState: the one process-wide record of the engine. It is zero-filled at
// load; every subsystem owns one group of fields (marked below) and the buffers
// they point to, and the other subsystems read them directly. There are no
// locks: every export is called from the host's UI thread, one at a time.
//
// Adding a field: put it in the owning group with a comment saying what it
// holds. Types of a group live in the owning subsystem's *_types.h header.
#pragma once
#include <cstddef>
#include <cstdint>

#include "brush/tool_types.h"
#include "imaging/own_filter_types.h"
#include "core/layer_types.h"
#include "brush/blend_buffer_types.h"
#include "undo/undo_types.h"

constexpr int kMaxCanvasSize = 10000;
constexpr int kLastErrorSize = 512;
constexpr int kStartDirSize = 1024;

struct EngineState {
    // ---- Canvas and host -------------------------------------------------
    void *hostWindow;          // the host's main window (opaque; X11 window id on Linux)
    int32_t canvasWidth;       // W, 0..10000
    int32_t canvasHeight;      // H, 0..10000
    int32_t canvasStride;      // 4 * W: row distance of canvas RGBA64 buffers in 16-bit values
    int32_t maxBrushSize;      // S: largest brush diameter; sizes grit tables, shape and blend buffers
    int32_t maxBrushStride;    // 4 * S
    int32_t createReserved;    // fifth argument of canvas creation; stored only

    // ---- View (read by the view renderer) --------------------------------
    int32_t viewZoom;          // integer zoom factor (1 after creation)
    float viewScale;           // fractional zoom factor (1.0 after creation)
    int32_t viewOffsetX;       // stored and reset; nothing reads it
    int32_t viewOffsetY;
    int32_t viewWidth;         // size of the host's view area (creation keeps it)
    int32_t viewHeight;
    int32_t areaOfInterest[4]; // stored by TSY_SetAOI; nothing reads it

    // ---- Process services --------------------------------------------------
    char lastError[kLastErrorSize];  // last recorded failure, always terminated
    char startDir[kStartDirSize];    // host start directory, prepended to relative paths as is
    int32_t randomSeed;              // seed of the random byte tables
    uint8_t displayChanged;          // set when display/system settings change; cleared when read
    void *moduleInstance;            // the engine library's own handle, kept at load
    void *internalWindow;            // the hidden internal window (platform stand-in id)

    // ---- Layers --------------------------------------------------------------
    LayerSlot layers[kLayerCount];   // the layer table
    int32_t currentLayer;            // index of the current layer
    LayerSlot *currentSlot;          // current layer's slot; null until TSY_SetLayer after creation
    int32_t topSlot;                 // highest index 1..271 with a buffer (1 when none); set by TSY_SetLayerOptions
    LayerSlot *traceSlot;            // slot holding the trace image (slot 0 after creation)
    uint8_t *textureMap;             // W*H texture bytes cast by a visible texture layer; null when none

    // ---- Scratch image -------------------------------------------------------
    uint8_t *scratchImage;           // host-filled RGBA32 scratch image
    int32_t scratchWidth;
    int32_t scratchHeight;

    // ---- Tool ------------------------------------------------------------------
    ToolState tool;                  // the current tool (tracing flag included)
    RandByteTable randTable255;      // 1,000,000 draws % 255
    RandByteTable randTable254;      // 1,000,000 draws % 254

    // ---- Brush shape -------------------------------------------------------------
    uint16_t *brushShape;            // maxBrushSize^2 shape values
    uint8_t *shapeImage;             // loaded shape picture (RGBA32), cached by name and parameter
    int32_t shapeImageWidth;
    int32_t shapeImageHeight;
    char shapeImageName[kShapeImageNameSize];  // name the cached picture was loaded from
    int32_t shapeImageParam;         // parameter the cached picture was processed with

    // ---- Stroke spline -------------------------------------------------------------
    double splineControlX[3];        // the three control points of the last curve (z is 0)
    double splineControlY[3];
    double splineControlZ[3];
    double splineX[100];             // the computed curve points, first to last
    double splineY[100];
    double splineZ[100];
    int32_t splinePointCount;        // 0 until the first curve, then 100

    // ---- Paint layer -----------------------------------------------------------------
    LayerSlot paintLayer;            // stroke layer outside the table; pixels null when absent

    // ---- Blend modes -----------------------------------------------------------------
    uint16_t alphaLayerOpacity;      // alpha the alpha modes give their pixels (65535 at load)

    // ---- Blend buffers ---------------------------------------------------------------
    BlendBuffer blendBuffers[kBlendBufferMax];  // entries at or above the count have null pixels
    int32_t blendBufferCount;        // buffers allocated, 0..20 (1 after creation)
    BlendBuffer *currentBlendBuffer; // the selected buffer; buffer 0 after every count change

    // ---- Undo ------------------------------------------------------------------------
    uint16_t *undoWorkCanvas;        // W*H RGBA64: the current layer as the current step began
    uint16_t *undoMaskCopy;          // W*H mask values as the current step began
    int32_t undoMemoryKiB;           // memory in use by the history, in KiB, work buffers included
    UndoGroup undo;                  // records, levels, budget, dirty rectangle

    // ---- Selection mask -----------------------------------------------------------------
    uint16_t *mask;                  // W*H values: 65535 lets an edit through, 0 protects
    uint8_t maskActive;              // the mask takes part in editing
    uint8_t maskDisplayed;           // the view renderer overlays the mask
    int32_t maskOverlayColour1[3];   // overlay RGB (each 8-bit value * 256) where (x/32 + y/32) is odd
    int32_t maskOverlayColour2[3];   // overlay RGB (each 8-bit value * 256) on the other squares
    int32_t maskOverlayFullStrength; // 0: the overlay shows half the mask amount; else the full amount

    // ---- Image processing ---------------------------------------------------------------
    uint8_t *IPLSrcBuffer32;         // canvas-sized RGBA32 processing source
    uint8_t *IPLDstBuffer32;         // processing destination
    uint8_t *ToolSrcBuffer32;        // fill/shape tool source
    uint8_t *ToolDstBuffer32;        // fill/shape tool destination
    int32_t IPLSrcSize;              // byte sizes of the four buffers
    int32_t IPLDstSize;
    int32_t ToolSrcSize;
    int32_t ToolDstSize;

    // ---- Own filter library ---------------------------------------------------------------
    OwnFilterParams filter;          // parameter block, filled in full by every filter call
    uint8_t filterKeep;              // p1 of the last call: filters read and write the target

    // ---- Scripting, interchange, tablet ----------------------------------------------------
};

// The process-wide record, zero-filled at load.
extern EngineState g_engine;

// Clears the whole record back to its load state without releasing buffers.
// Tests use it between cases after TSY_DeleteImage.
void EngineStateResetForTests();
