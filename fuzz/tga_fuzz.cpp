// Fuzz target: the TGA reader.
#include "fuzz/fuzz_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { return FuzzDecode(DecodeTGA, data, size); }
