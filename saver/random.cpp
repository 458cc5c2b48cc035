#include "saver/random.h"

#include <chrono>
#include <cmath>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#endif

uint32_t RandomSeed = 1;
uint32_t (*RandomizeTicks)() = PlatformTicks;

int32_t NextRandom() {
    RandomSeed = RandomSeed * 1103515245u + 12345u;
    uint32_t hi = RandomSeed >> 16;
    uint32_t lo = RandomSeed & 0xFFFFu;
    // Round to nearest, ties to even, as the state divided by 65536 would.
    uint32_t n = hi;
    if (lo > 0x8000u || (lo == 0x8000u && (hi & 1u) != 0)) {
        n = hi + 1;
    }
    return static_cast<int32_t>(n & 0x7FFFu);
}

double Rnd() {
    int32_t a = NextRandom();
    int32_t b = NextRandom();
    int32_t m = (a * b) % 100000; // at most 32767 * 32767: fits
    return m / 100000.0;
}

void Randomize() {
    RandomSeed = RandomizeTicks();
}

int32_t FloorToInt(double v) {
    // Callers stay far inside the range; saturating keeps stray inputs defined.
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (v <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    int32_t truncated = static_cast<int32_t>(v);
    if (v < 0 && static_cast<double>(truncated) != v) {
        --truncated;
    }
    return truncated;
}

uint32_t PlatformTicks() {
#ifdef _WIN32
    return GetTickCount();
#else
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
#endif
}
