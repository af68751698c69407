// Whole-buffer zlib compression for layer blocks exchanged with the host.
// Both calls work on caller-owned buffers and hand out no blocks.
#pragma once

// Compresses srcLength bytes into a zlib stream in dest (destCapacity bytes)
// at `level` (0..9; other values mean the default level). Returns the number
// of bytes written, 0 on failure (null pointers, negative lengths, a dest too
// small for the stream).
int IS3ZDeflateBuffer(const void *src, int srcLength, void *dest, int destCapacity, int level);

// Restores the zlib stream of srcLength bytes into dest (destLength bytes).
// `reserved` is passed as 0. Returns the number of bytes restored, 0 on
// failure (damaged or truncated stream, output larger than dest).
int IS3ZInflateBuffer(const void *src, int srcLength, void *dest, int destLength, int reserved);
