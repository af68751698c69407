// Exports: merging layers into layers, host buffers and the flattened image.
#include <cstdint>

#include "api/api.h"
#include "composite/merge.h"

TSY_API int32_t TSY_MergeLayer(int32_t sourceSlot, int32_t destSlot) {
    int32_t result = 0;
    TSY_GUARD("MergeLayer Excpt", result = MergeLayer(sourceSlot, destSlot));
    return result;
}

TSY_API int32_t TSY_MergeLayerIntoRect(int32_t slot, void *buffer, int32_t x, int32_t y, int32_t w, int32_t h) {
    int32_t result = 0;
    TSY_GUARD("MergeLayerIntoRect Excpt",
              result = MergeLayerIntoRect(slot, static_cast<uint16_t *>(buffer), x, y, w, h));
    return result;
}

TSY_API int32_t TSY_MergeLayerInto(int32_t slot, void *buffer) {
    int32_t result = 0;
    TSY_GUARD("MergeLayerInto Excpt", result = MergeLayerInto(slot, static_cast<uint16_t *>(buffer)));
    return result;
}

TSY_API int32_t TSY_MergeRect(void *buffer, int32_t x, int32_t y, int32_t w, int32_t h) {
    int32_t result = 0;
    TSY_GUARD("MergeRect Excpt", result = MergeRect(static_cast<uint16_t *>(buffer), x, y, w, h));
    return result;
}

TSY_API int32_t TSY_Merge(void *buffer) {
    int32_t result = 0;
    TSY_GUARD("Merge Excpt", result = MergeAll(static_cast<uint16_t *>(buffer)));
    return result;
}

TSY_API uint32_t TSY_GetColorAtMerged(int32_t x, int32_t y) {
    uint32_t result = 0;
    TSY_GUARD("TSY_GetColorAtMerged Excpt", result = GetColorAtMerged(x, y));
    return result;
}

TSY_API int32_t TSY_MergeRGBA32Layer(const void *data, int32_t slot, int32_t mode, int32_t opacityPercent) {
    int32_t result = 0;
    TSY_GUARD("TSY_MergeRGBA32Layer Excpt",
              result = MergeRGBA32Layer(static_cast<const uint8_t *>(data), slot, mode, opacityPercent));
    return result;
}
