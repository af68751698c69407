// Random byte tables drawn from the engine generator.
#pragma once
#include "brush/tool_types.h"

// Builds the table with n bytes, byte i = (draw % modulus) as its low 8 bits,
// after seeding the generator with randomSeed. Does nothing when the table
// already holds n bytes of that modulus built from the current seed.
void BuildRandByteTable(RandByteTable &table, int modulus, int length);
void ReleaseRandByteTable(RandByteTable &table);
