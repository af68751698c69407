// Dab rendering: one brush dab stamped into the paint layer (or the current
// layer while there is none), or into the selection mask.
#pragma once

// TSY_DrawDabGrit: one dab centred on canvas pixel (x, y); only the high bytes
// of the 16-bit r, g, b count.
void DrawDab(int x, int y, int r, int g, int b);

// TSY_DrawDabGritMask: one dab drawn into the selection mask.
void DrawDabMask(int x, int y);

// Test and benchmark switch: 0 runs every dab on the calling thread whatever
// its height; 1 (the default) lets dabs taller than 36 rows run in parallel.
void SetDabParallel(int on);

// Test and benchmark switch for the plain brush's own row kernels (paint over
// with the dab colour, no pick-up, rotation, variation or erasing): off runs
// the general kernel for every dab, scalar the plain scalar kernel, sse2 the
// 128-bit vector kernel, best the 256-bit vector kernel where the processor
// has AVX2 and the 128-bit one otherwise (the default). Every setting gives
// the same pixels.
enum DabFastPath { kDabFastPathOff = 0, kDabFastPathScalar = 1, kDabFastPathSse2 = 2, kDabFastPathBest = 3 };
void SetDabFastPath(int mode);

// 1 when this processor runs the plain brush's AVX2 kernel.
int DabVectorKernelAvailable();
