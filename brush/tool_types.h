// The current tool's parameters and the random byte tables grain is made of.
#pragma once
#include <cstdint>

constexpr int kGritTableCount = 20;
constexpr int kScaleMapSize = 1000;
constexpr int kRandTableLength = 1000000;
constexpr int kShapeImageNameSize = 1024;

// A block of random bytes drawn from the engine generator: byte i = draw % modulus.
// Rebuilt only when length, modulus or the seed it was built from change.
struct RandByteTable {
    uint8_t *data;
    int32_t modulus;
    int32_t seed;
    int32_t length;
};

struct ToolState {
    // Colour
    uint16_t toolColor[4];      // RGBA64 paint colour; alpha 65535 when set
    uint16_t colorBanks[16];    // four banks stored channel by channel: 4 reds, 4 greens, 4 blues, 4 alphas

    // Size and coverage
    int32_t brushSize;          // dab diameter in brush pixels
    int32_t scaleSize;          // dab diameter on the canvas, 1..999
    int32_t scaleMap[kScaleMapSize];  // canvas offset within the dab -> brush pixel index
    int32_t density;            // grain threshold (setter stores argument - 1)
    int32_t alphaPercent;       // dab opacity in percent; >= 100 is full
    int32_t alphaFactor;        // trunc(alphaPercent * 1.28)
    int32_t alphaLevel;         // > 0: painted pixels get this alpha

    // Variation
    int32_t colorVary;          // per-dab colour shift range
    int32_t pixColorVary;       // per-pixel colour shift range
    RandByteTable pixColorTable;  // modulus 1000, length 3 * maxBrushSize
    int32_t pixLumVary;         // per-pixel lightness shift range
    RandByteTable pixLumTable;    // modulus 256, length 3 * maxBrushSize

    // Shape parameters
    float shapeScale;           // multiplier of every shape value
    uint8_t shapeSoftness;      // soft edge width of the round shape, 0..255 of the radius
    uint8_t shapeInvert;        // non-zero: shape values are inverted before scaling
    int32_t shapeBlur;          // blur of a loaded shape image, 0..100
    int32_t shapeParam;         // second argument of the last TSY_SetTool

    // Grain
    uint8_t *gritTables[kGritTableCount];  // (maxBrushSize + 25)^2 bytes each, rows maxBrushSize apart
    int32_t gritCell;           // grain cell size; 0 turns grain off
    int32_t gritCellThreshold;  // a cell is filled when its random byte is below this
    int32_t gritPixelThreshold; // a pixel of a filled cell takes the value when its byte is below this
    int32_t gritRepeat;         // dabs drawn with one table before another is chosen
    int32_t gritCountdown;      // dabs left before the next table change
    uint8_t *currentGrit;       // table and offset the renderer reads

    // Blend (pick-up)
    int32_t blendStrength;               // 0..256, 0 = off
    int32_t blendStrengthComplement;     // 256 - blendStrength (updated when strength > 0)
    int32_t blendPrimaryColorStrength;   // 0..256
    int32_t blendPrimaryColorComplement; // 256 - it (updated when > 0)
    uint8_t blendRemix;

    // Mix code
    int32_t mixCode;            // colour transform of the dab; TSY_SetTool sets 32
    int32_t mixAmount;          // 0..256
    int32_t mixAmountComplement;  // 256 - mixAmount
    int32_t posterizeShift;     // trunc((mixAmount - 127) * (1/127) * 16)

    // Locks and modes
    int32_t alphaLocked;
    int32_t colorLocked;
    int32_t blobLocked;
    int32_t solidMode;
    int32_t imageBrushMode;
    int32_t rotateMode;
    int32_t rotateAngle;        // degrees
    float rotateSin;
    float rotateCos;
    uint8_t tracingMode;        // the view renderer mixes the trace image in

    // Switches for the next dabs
    uint8_t blendTempDisabled;  // next dab ignores the blend buffer
    uint8_t eraseMode;          // next dab erases
    uint8_t maskMakerMode;      // dabs go into the selection mask until the next tool

    // Stored, not read
    uint8_t reserved11;
    uint8_t reserved13;
    int32_t reserved16;
};
