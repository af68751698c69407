// Fuzz target: the JPEG reader.
#include "fuzz/fuzz_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { return FuzzDecode(DecodeJPEG, data, size); }
