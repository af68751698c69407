// Pixel transfer between layers and host buffers: whole-layer reads, the
// mask-and-texture aware loaders, layer line codecs, compressed layer blocks,
// fills and pixel queries on layers, and the scratch image.
//
// Layers are addressed in canvas geometry (W x H) unless an operation uses the
// slot's own size; either way only the pixels the slot's buffer really holds
// are read or written. Host buffers are trusted to be as large as the
// operation says.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/layer_types.h"

// ---- Layer line codecs ----------------------------------------------------------
// Row `row` is the W pixels at row * W from the start of the slot's buffer.
int GetRGBA32LayerLineRLE(uint8_t *dest, int layer, int row);
void PutRGBA32LayerLineRLE(const uint8_t *src, int layer, int row);

// ---- Whole layers out to the host --------------------------------------------------
void GetRGBA32Layer(uint8_t *dest, int destStride, int layer);
void GetRGBA32(uint8_t *dest, int destStride);
void GetRGB24Layer(uint8_t *dest, int destStride, int layer);
void GetRGB24(uint8_t *dest, int destStride);
void GetRGB24FromAlpha(uint8_t *dest, int destStride);
void GetRGBA64Layer(uint8_t *dest, int destStride, int layer);
// Copies the part of the rectangle that lies inside the layer; layer pixel
// (x + i, y + j) lands at dest row j, column i. Nothing else of dest is written.
void GetRGBA64LayerRect(uint8_t *dest, int destStride, int layer, int x, int y, int w, int h);
// Compressed bytes written into dest, 0 when the slot is empty or anything fails.
int GetRGBA32LayerCompressed(void *dest, int destCapacity, int layer, int level);

// ---- Host buffers into a layer --------------------------------------------------------
void SetRGBA64Layer(const uint8_t *src, int srcStride, int layer);
// The main loader: the source image's pixel (i, j) lands on (x + i, y + j),
// clipped to the slot's own size; useMask (low byte) weights by mask and
// texture (rule A).
void LoadRGBA32Layer(const uint8_t *src, int srcStride, int layer, int x, int y, int w, int h, int useMask);
void LoadRGBA32(const uint8_t *src, int srcStride, int useMask);
void LoadRGBA32Into(const uint8_t *src, int srcStride, int layer, int x, int y, int w, int h);
void LoadRGB24(const uint8_t *src, int srcStride, int useMask);
void LoadRGB24ToAlpha(const uint8_t *src, int srcStride, int useMask);
// Blue-green-red source, opaque result, no mask or texture (TSY_Load).
void LoadBGR24(const uint8_t *src, int srcStride, int w, int h);
void LoadRGBA32LayerCompressed(const void *src, int srcLength, int layer);
// The older loader: clears the current layer where the mask allows, then
// merges a canvas-sized RGBA32 image over the slot (Normal, full opacity).
void LoadRGBA32LayerOld(const uint8_t *src, int layer, int w, int h, int useMask);

// ---- Fills and per-pixel edits of layers ----------------------------------------------------
void ClearCurrentLayer(int r, int g, int b, int a);
void SetColorAlpha(int r, int g, int b);
void InvertAlpha(int layer);
// Writes the high bytes of r, g, b at byte y * stride + 3x of a canvas-sized
// RGB24 buffer when (x, y) lies on the canvas.
void SetPixelRGB24(uint8_t *buf, int stride, int x, int y, int r, int g, int b);

// ---- Canvas-sized host buffers (W x H) ---------------------------------------------------
int GetRGB24FromCanvasRGBA64(uint8_t *dest, int destStride, const uint16_t *src, int srcStride);
void ClearCanvasRGBA64(uint16_t *buf, int stride, int r, int g, int b, int a);
void ClearCanvasRGBA32(uint8_t *buf, int stride, int r, int g, int b, int a);
void InvertAlphaCanvasRGBA32(uint8_t *buf);
void SetAlphaFromCanvasRGBA32Color(uint8_t *buf, int r, int g, int b);
// Un-premultiplies a canvas-sized RGBA32 image when flag is non-zero.
void AdjustCanvasRGBA32ForAlphaComp(int flag, uint8_t *buf);

// ---- Preparation of 8-bit copies ------------------------------------------------------------
// Alpha scaled by the rule-B weight of the canvas pixel at the same position.
void AdjustRGBA32ByMaskAndTexture(uint8_t *buf, int w, int h);
void AdjustRGBA32RectByMaskAndTexture(uint8_t *buf, int x, int y, int w, int h);

// ---- Pixel queries ----------------------------------------------------------------------------
enum class PixelSource { Surface, UnderLayer, Layer, Trace, History };

// Channel 0..3 of the current layer's pixel; 0 without a current layer or
// outside the canvas.
int GetChannel64(int x, int y, int channel);
// (R << 24) | (G << 16) | (B << 8) | A of a canvas-sized RGBA64 buffer,
// coordinates clamped to the canvas.
uint32_t GetRGBAAt(int x, int y, const uint16_t *buffer);
// (A << 24) | (R << 16) | (G << 8) | B; 0xFFFFFF outside the canvas.
uint32_t GetColorAt(int x, int y, const uint16_t *buffer);
// The same from a fixed source; `layer` is read only for PixelSource::Layer.
uint32_t GetRGBAAtSource(PixelSource source, int x, int y, int layer);
uint32_t GetColorAtSource(PixelSource source, int x, int y, int layer);

// ---- Scratch image ------------------------------------------------------------------------------
// Replaces the scratch image by an uninitialised width x height RGBA32 image.
// Returns 1 when it was allocated; records "CreateNewRGBA Excpt" otherwise.
int CreateNewRGBA(int width, int height);
void DeleteNewRGBA();
int IsNewRGBA32Transparent();
void SetInNewRGBA();
void GetNewRGBA32(void *dest);
void GetNewRGBA24(void *dest);
