#include "saver/random.h"

#include <cmath>
#include <limits>

int32_t NextRandom(uint32_t& randomSeed) {
    randomSeed = randomSeed * 1103515245u + 12345u;
    uint32_t hi = randomSeed >> 16;
    uint32_t lo = randomSeed & 0xFFFFu;
    // Round to nearest, ties to even, as the state divided by 65536 would.
    uint32_t n = hi;
    if (lo > 0x8000u || (lo == 0x8000u && (hi & 1u) != 0)) {
        n = hi + 1;
    }
    return static_cast<int32_t>(n & 0x7FFFu);
}

double Rnd(uint32_t& randomSeed) {
    int32_t a = NextRandom(randomSeed);
    int32_t b = NextRandom(randomSeed);
    int32_t m = (a * b) % 100000; // at most 32767 * 32767: fits
    return m / 100000.0;
}

void Randomize(uint32_t& randomSeed, uint32_t tickCount) {
    randomSeed = tickCount;
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
