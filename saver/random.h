// The saver's only source of randomness: a 32-bit linear congruential generator.
#pragma once

#include <cstdint>

extern uint32_t RandomSeed;

// Where Randomize takes its seed from: the tick count on Windows, a millisecond
// counter elsewhere. Tools replace it to repeat a run.
extern uint32_t (*RandomizeTicks)();

int32_t NextRandom(); // 0..32767, rounded (not truncated) from the state
double Rnd();         // m / 100000, m in 0..99999
void Randomize();
int32_t FloorToInt(double v);

uint32_t PlatformTicks();
