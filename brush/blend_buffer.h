// Blend buffers: brush-sized RGBA64 buffers for colour pick-up and mixing.
#pragma once

// Sets how many blend buffers are in use (canvas creation sets 1, resize and
// deletion 0).
void BlendBuffersSetCount(int count);
