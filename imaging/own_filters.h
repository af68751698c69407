// The engine's own filter library: named filters working on RGBA32 images
// (bytes red, green, blue, alpha), addressed through two entry routines that
// fill the parameter block g_engine.filter and g_engine.filterKeep.
//
// Parameters: p1 keeps the target (0: the source is first copied over the
// target and the filters read the source; non-zero: they read and write the
// target); p2, p9 and p10 are integers; p3..p8 are per-mille values stored as
// fractions (x 0.001); p11..p16 are switches (low bytes); red, green and blue
// are stored divided by 255.
#pragma once
#include <cstdint>

// Runs the named filter from IPLSrcBuffer32 into IPLDstBuffer32 over the whole
// canvas. Returns 0 without doing anything when either buffer is absent (or
// smaller than the canvas), 1 otherwise; an unknown name does nothing after
// the block is filled and the copy made.
int RunOwnFilter(const char *name, int p1, int p2, int p3, int p4, int p5, int p6, int p7, int p8, int p9, int p10,
                 int p11, int p12, int p13, int p14, int p15, int p16, int red, int green, int blue);

// The same on an explicit source and target of width x height (packed rows,
// stride width * 4). p2 is not stored: filterP2 keeps its previous value.
// Returns 0 and does nothing when source or target is null or the size is
// not positive; 1 otherwise.
int RunOwnFilterOn(const void *source, void *target, int width, int height, const char *name, int p1, int p2, int p3,
                   int p4, int p5, int p6, int p7, int p8, int p9, int p10, int p11, int p12, int p13, int p14, int p15,
                   int p16, int red, int green, int blue);
