#include "core/random.h"

namespace {
thread_local uint32_t t_randState = 1;
}

uint32_t &EngineRandState() { return t_randState; }

void EngineSeed(uint32_t seed) { t_randState = seed; }

int EngineRand() { return EngineRandFrom(t_randState); }
