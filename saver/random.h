// The saver's only source of randomness: a 32-bit linear congruential generator whose state
// belongs to the running saver.
#pragma once

#include <cstdint>

int32_t NextRandom(uint32_t& randomSeed); // 0..32767, rounded (not truncated) from the state
double Rnd(uint32_t& randomSeed);         // m / 100000, m in 0..99999
// The state from a tick count, all 32 bits: the host's, or a seed that repeats a run.
void Randomize(uint32_t& randomSeed, uint32_t tickCount);
int32_t FloorToInt(double v);
