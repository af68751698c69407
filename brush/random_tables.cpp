#include "brush/random_tables.h"

#include "core/alloc.h"
#include "core/engine_state.h"
#include "core/errors.h"
#include "core/random.h"

void ReleaseRandByteTable(RandByteTable &table) {
    TSY_GUARD("DeleteRandArrayBtye Excpt", {
        ReleaseBuffer(table.data);
        table.length = 0;
    });
}

void BuildRandByteTable(RandByteTable &table, int modulus, int length) {
    TSY_GUARD("MakeRandArrayByte Excpt", {
        if (table.data != nullptr && table.length == length && table.modulus == modulus &&
            table.seed == g_engine.randomSeed)
            return;
        ReleaseRandByteTable(table);
        if (length <= 0 || modulus <= 0) return;
        EngineSeed(static_cast<uint32_t>(g_engine.randomSeed));
        table.data = new uint8_t[static_cast<size_t>(length)];
        for (int i = 0; i < length; ++i)
            table.data[i] = static_cast<uint8_t>(EngineRand() % modulus);
        table.length = length;
        table.modulus = modulus;
        table.seed = g_engine.randomSeed;
    });
}
