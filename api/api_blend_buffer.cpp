// Exports: blend buffers.
#include "api/api.h"
#include "brush/blend_buffer.h"

TSY_API void TSY_SetBlendBufferCount(int32_t count) {
    TSY_GUARD("SetBlendBufferCount Excpt", BlendBufferSetCount(count));
}

TSY_API void *TSY_SelectBlendBuffer(int32_t index) {
    void *result = nullptr;
    TSY_GUARD("SelectBlendBuffer Excpt", result = BlendBufferSelect(index));
    return result;
}

TSY_API int32_t TSY_SetBlendStrength(int32_t strength) {
    int32_t result = 0;
    TSY_GUARD("SetBlendStrength Excpt", result = BlendSetStrength(strength));
    return result;
}

TSY_API int32_t TSY_SetBlendPrimaryColorStrength(int32_t strength) {
    int32_t result = 0;
    TSY_GUARD("SetBlendPrimaryColorStrength Excpt", result = BlendSetPrimaryColorStrength(strength));
    return result;
}

TSY_API void TSY_SetBlendRemix(int32_t flag) { TSY_GUARD("SetBlendRemix Excpt", BlendSetRemix(flag)); }

TSY_API void TSY_TempDisableBlend(void) { TSY_GUARD("TempDisableBlend Excpt", BlendTempDisable()); }

TSY_API void TSY_DoCopyBlendBuffer(int32_t x, int32_t y, const void *source, int32_t c, int32_t opaqueOutside) {
    TSY_GUARD("DoCopyBlendBuffer Excpt", BlendBufferCopyFrom(BlendSource::kRaw, 0, source, x, y, c, opaqueOutside));
}

TSY_API void TSY_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t c, int32_t opaqueOutside) {
    TSY_GUARD("CopyBlendBufferSurface Excpt",
              BlendBufferCopyFrom(BlendSource::kSurface, 0, nullptr, x, y, c, opaqueOutside));
}

TSY_API void TSY_CopyBlendBufferLayer(int32_t slot, int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("CopyBlendBufferLayer Excpt", BlendBufferCopyFrom(BlendSource::kLayer, slot, nullptr, x, y, c, 0));
}

TSY_API void TSY_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("CopyBlendBufferUnderLayer Excpt",
              BlendBufferCopyFrom(BlendSource::kUnderLayer, 0, nullptr, x, y, c, 0));
}

TSY_API void TSY_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("CopyBlendBufferHistory Excpt",
              BlendBufferCopyFrom(BlendSource::kUnderLayer, 0, nullptr, x, y, c, 0));
}

TSY_API void TSY_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("CopyBlendBufferTrace Excpt", BlendBufferCopyFrom(BlendSource::kTrace, 0, nullptr, x, y, c, 0));
}

TSY_API void TSY_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("DoCopyBlendBufferMask Excpt", BlendBufferCopyMask(x, y, c));
}

TSY_API void TSY_DoMixBlendBuffer(int32_t x, int32_t y, const void *source, int32_t c) {
    TSY_GUARD("DoMixBlendBuffer Excpt", BlendBufferMixFrom(BlendSource::kRaw, 0, source, x, y, c));
}

TSY_API void TSY_MixBlendBufferSurface(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("MixBlendBufferSurface Excpt", BlendBufferMixFrom(BlendSource::kSurface, 0, nullptr, x, y, c));
}

TSY_API void TSY_MixBlendBufferLayer(int32_t slot, int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("MixBlendBufferLayer Excpt", BlendBufferMixFrom(BlendSource::kLayer, slot, nullptr, x, y, c));
}

TSY_API void TSY_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("MixBlendBufferUnderLayer Excpt", BlendBufferMixFrom(BlendSource::kUnderLayer, 0, nullptr, x, y, c));
}

TSY_API void TSY_MixBlendBufferHistory(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("MixBlendBufferHistory Excpt", BlendBufferMixFrom(BlendSource::kUnderLayer, 0, nullptr, x, y, c));
}

TSY_API void TSY_MixBlendBufferTrace(int32_t x, int32_t y, int32_t c) {
    TSY_GUARD("MixBlendBufferTrace Excpt", BlendBufferMixFrom(BlendSource::kTrace, 0, nullptr, x, y, c));
}

TSY_API void TSY_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t ignored,
                                    int32_t strength) {
    (void)ignored;
    TSY_GUARD("DoColorBlendBuffer Excpt", BlendBufferColor(x, y, r, g, b, strength));
}

TSY_API void TSY_ClearBlendBuffer(void) { TSY_GUARD("ClearBlendBuffer Excpt", BlendBufferClear()); }

TSY_API void TSY_FillBlendBuffer(int32_t ignored1, int32_t ignored2, int32_t high, int32_t low) {
    (void)ignored1;
    (void)ignored2;
    TSY_GUARD("FillBlendBuffer Excpt", BlendBufferFill(high, low));
}

TSY_API void TSY_FilterBlendBuffer(int32_t kind, int32_t percent) {
    TSY_GUARD("FilterBlendBuffer Excpt", BlendBufferFilter(kind, percent));
}
