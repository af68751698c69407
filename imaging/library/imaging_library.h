// The imaging library: file sources and decoders, pixel helpers, resampling
// and blur, under the call names the engine uses (IS3..., IS40_..., is5_...,
// ISE3..., ISE40_..., SARAW_...).
//
// Conventions shared by every call:
// - Results are 32-bit; non-zero means success, 0 failure. A failed call
//   leaves its output untouched unless it says otherwise.
// - An image is pixels, width, height, bytes per pixel and row stride in
//   bytes. Widths and heights must be above 0 and strides at least
//   width x bytes per pixel; anything else fails.
// - Blocks the library hands out (decoded images) come from GlobalAlloc and
//   are released by the caller with GlobalFree.
// - Colours are packed red + 256 x green + 65536 x blue.
// See imaging/library/README.md for file type numbers, resampling modes and
// the blur kernel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/library/global_memory.h"

// An open file source (imaging/library/source_types.h has the record).
struct ISSource;
using HISSRC = ISSource *;

// A rectangle given by two corners; CropImage accepts the corners in any
// order.
struct ISRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// File types reported by IS3GuessFileType. 7 and 8 are the two metafile
// types, which are rendered rather than read.
enum ISFileType : int32_t {
    kISFileUnknown = 0,
    kISFileBMP = 1,
    kISFileGIF = 2,
    kISFileJPEG = 3,
    kISFilePNG = 4,
    kISFilePCX = 5,
    kISFileTIFF = 6,
    kISFileWMF = 7,
    kISFileEMF = 8,
    kISFilePSD = 9,
    kISFileWebP = 10,
    kISFileTGA = 11,
};

// ---- Start and stop of the library family (plain success) ----
int32_t is5_Initialize();
int32_t IS40_Initialize();
int32_t ISE40_Initialize();
int32_t IS3Initialize();
int32_t ISE3Initialize();
int32_t SARAW_Initialize();
int32_t SARAW_Exit();
int32_t is5_Exit();
int32_t IS40_Exit();
int32_t IS3Exit();
int32_t ISE3Exit();
int32_t ISE40_Exit();

// ---- File sources ----
// Opens a source on a file (the whole file is read into memory); 0 on
// failure. Close it with IS3CloseSource.
HISSRC IS3OpenFileSource(const char *path);
// A source on a copy of size bytes of memory; 0 on failure.
HISSRC IS3OpenMemorySource(const void *data, uint32_t size);
// The file type of the data at the current position (ISFileType); the
// position does not move. 0 when unknown or source is 0.
int32_t IS3GuessFileType(HISSRC source);
// Moves the position: origin 0 from the start, 1 from the current position,
// 2 from the end. Fails (position unchanged) outside 0 .. size.
int32_t IS3Seek(HISSRC source, int32_t offset, int32_t origin);
// Decodes the image at the current position into a packed RGBA32 block
// (width x 4 bytes per row, top row first) and reports its size. Formats:
// PNG, JPEG, TIFF (first page), GIF (first frame), WebP, BMP, TGA. Pixels
// without alpha in the file get 255. Returns 0 for anything unreadable.
uint8_t *IS3ReadImageToRGBA(HISSRC source, int32_t *width, int32_t *height);
// The same decoders; wantRGBA non-zero gives packed RGBA32, 0 packed RGB24
// (width x 3 bytes per row). flags is reserved (pass 0).
uint8_t *IS40_ReadImage(HISSRC source, int32_t *width, int32_t *height, int32_t wantRGBA, int32_t flags);
// Releases the source; 0 when source is 0.
int32_t IS3CloseSource(HISSRC source);
// The same sources under the is5_ names.
HISSRC is5_OpenFileSource(const char *path);
int32_t is5_CloseSource(HISSRC source);

// ---- Pixel helpers ----
// Grey = (77 R + 150 G + 29 B + 128) >> 8 of 3- or 4-byte pixels (a 1-byte
// image is copied). flags is reserved.
int32_t IS3ImageToGrayScale8Bit(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel,
                                int32_t srcStride, uint8_t *dst, int32_t dstStride, int32_t flags);
// Places source (same bytes per pixel as the target, 1 to 8) with its top-left
// corner at (x, y) of the target, clipped to the target. Opacity 1.0 copies;
// an opacity o in (0, 1) mixes target + (source - target) x o per byte (8-bit
// channels). flag 1 with 4 bytes per pixel composites the RGBA32 source over
// the target by its alpha (an opaque source pixel is copied, a clear one
// leaves the target); other flags copy. Nothing to place still succeeds.
int32_t IS3OverlayImage(uint8_t *target, int32_t targetWidth, int32_t targetHeight, int32_t bytesPerPixel,
                        int32_t targetStride, const uint8_t *source, int32_t sourceWidth, int32_t sourceHeight,
                        int32_t sourceStride, int32_t x, int32_t y, double opacity, int32_t flag);
// The same placement with the later library's extra arguments (a second
// opacity and two reserved values), which do not change the result.
int32_t IS40_OverlayImage(uint8_t *target, int32_t targetWidth, int32_t targetHeight, int32_t bytesPerPixel,
                          int32_t targetStride, const uint8_t *source, int32_t sourceWidth, int32_t sourceHeight,
                          int32_t sourceStride, int32_t x, int32_t y, double opacity, double opacity2,
                          int32_t reserved1, int32_t reserved2);
// Swaps bytes 0 and 2 of every 4-byte pixel, in place.
int32_t IS3RGBAToBGRA(uint8_t *image, int32_t width, int32_t height, int32_t stride);
// Copies channel c of each pixel into planes[c] (rows planeStride apart) for
// every c below bytesPerPixel whose plane is not null; planes holds
// bytesPerPixel entries.
int32_t IS3SplitImage(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t srcStride,
                      uint8_t *const *planes, int32_t planeStride);
// Writes planes[c] into channel c for every non-null plane; other channels
// keep their bytes.
int32_t IS3CombineImageChannels(const uint8_t *const *planes, int32_t width, int32_t height, int32_t bytesPerPixel,
                                int32_t planeStride, uint8_t *dst, int32_t dstStride);
// Splits RGBA32 into RGB24 and an alpha plane; either output may be null
// (its stride is then ignored), not both.
int32_t IS3SplitRGBAToRGBPlusA(const uint8_t *rgba, int32_t width, int32_t height, int32_t stride, uint8_t *rgb,
                               int32_t rgbStride, uint8_t *alpha, int32_t alphaStride);
// Copies the rectangle (corners in any order, right and bottom exclusive)
// into dst, rows dstStride apart. Parts of the rectangle outside the source
// become zero bytes; an empty rectangle fails.
int32_t IS3CropImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                     int32_t dstStride, const ISRect *rect, int32_t bytesPerPixel);
// Mirrors left-right in place.
int32_t IS3HorizontalFlipImage(uint8_t *image, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t stride);
// Mirrors top-bottom in place; rows are rowBytes long and packed.
int32_t IS3VerticalFlipImage(uint8_t *image, int32_t rowBytes, int32_t height);
// Quarter turns into dst: code 0 turns 90 degrees clockwise (dst is height x
// width), 1 turns 180 degrees (width x height), 2 turns 90 degrees
// counter-clockwise (height x width).
int32_t IS3QuickRotateImage(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t srcStride,
                            uint8_t *dst, int32_t dstStride, int32_t code);

// ---- Resampling (imaging/library/README.md lists the modes) ----
// Resamples src (width x height) into dst (newWidth x newHeight). Pixels of
// 1, 3 or 4 bytes have 8-bit channels; 8 bytes per pixel are four 16-bit
// channels (RGBA64). Channels are filtered independently. flags is reserved.
int32_t is5_ResizeImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                        int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel, int32_t mode,
                        int32_t flags);
// Triangle (mode 1) resampling.
int32_t IS3ResizeImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                       int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel);
// Area-averaging (mode 15) resampling, meant for shrinking. flags reserved.
int32_t IS3DecimateImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                         int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel, int32_t flags);
// Bicubic interpolation (mode 17).
int32_t IS3ResizeImageBicubic(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                              int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel);
// Nearest neighbour: each target pixel takes the source pixel under its
// centre.
int32_t IS3SimpleResampleImage(const uint8_t *src, int32_t width, int32_t height, int32_t srcStride, uint8_t *dst,
                               int32_t newWidth, int32_t newHeight, int32_t dstStride, int32_t bytesPerPixel);

// ---- Blur ----
// A 3 x 3 binomial blur (1 2 1 / 2 4 2 / 1 2 1, edges repeated) mixed with
// the original by strength percent (0 .. 100, clamped): out = src + (blur -
// src) x strength / 100, rounded. Channels whose bit is clear in
// channelMask are copied. 1, 3 or 4 bytes per pixel.
int32_t IS3BlurImage(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t srcStride,
                     uint8_t *dst, int32_t dstStride, int32_t strength, int32_t channelMask);
