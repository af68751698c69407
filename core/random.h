// The engine random generator: the C runtime's linear congruential generator,
// one state per thread (state * 214013 + 2531011, result (state >> 16) & 0x7FFF).
// A thread that never seeded starts from state 1. The random byte tables, and
// with them the grain of every stroke, follow from it, so it must not change.
#pragma once
#include <cstdint>

void EngineSeed(uint32_t seed);
int EngineRand();  // 0..32767

// The calling thread's state; the parallel loops hand each worker its own.
uint32_t &EngineRandState();

inline int EngineRandFrom(uint32_t &state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
