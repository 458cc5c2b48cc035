// The saver's only source of randomness: a 32-bit linear congruential generator whose state
// belongs to the running saver.
#pragma once

#include <cstdint>

#include "saver/platform.h"

int32_t NextRandom(uint32_t& randomSeed); // 0..32767, rounded (not truncated) from the state
double Rnd(uint32_t& randomSeed);         // m / 100000, m in 0..99999
// The state from the platform's tick count, all 32 bits.
void Randomize(uint32_t& randomSeed, const SaverPlatform& platform);
int32_t FloorToInt(double v);
