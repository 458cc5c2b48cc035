#include "saver/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

// The state these tests draw from.
uint32_t RandomSeed = 1;

// The generator as a double computation: divide, round half to even, wrap.
int32_t NextRandomAsDouble(uint32_t& seed) {
    seed = seed * 1103515245u + 12345u;
    double n = std::nearbyint(static_cast<double>(seed) / 65536.0);
    return static_cast<int32_t>(static_cast<int64_t>(n) % 32768);
}

TEST(RandomSource, SequenceFromSeedOne) {
    RandomSeed = 1;
    const struct {
        uint32_t seed;
        int32_t value;
    } expected[] = {
        {1103527590u, 16838}, // equals the truncated quotient
        {2524885223u, 5759},  // rounding makes it one more than truncation (5758)
        {662824084u, 10114},  {3295386429u, 17516}, {4182499122u, 31052}, {2516284547u, 5627},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(NextRandom(RandomSeed), e.value);
        EXPECT_EQ(RandomSeed, e.seed);
    }
}

// States chosen so that the generator's next state is the one named.
uint32_t PreviousState(uint32_t next) {
    // 1103515245 is odd, so it has an inverse modulo 2^32.
    uint32_t inverse = 1103515245u;
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - 1103515245u * inverse;
    }
    return (next - 12345u) * inverse;
}

TEST(RandomSource, EdgeStates) {
    const struct {
        uint32_t next;
        int32_t value;
    } cases[] = {
        {0x00048000u, 4},     // tie, even high half: unchanged
        {0x00058000u, 6},     // tie, odd high half: one more
        {0x00058001u, 6},     // above the tie
        {0x00057FFFu, 5},     // below the tie
        {0x80000000u, 0},     // 2^31: quotient 32768, wraps to 0
        {0x80017FFFu, 1},     // large states are large positive numbers
        {0xFFFF8001u, 0},     // rounds to 65536
        {0xFFFF8000u, 0},     // tie at an odd high half: 65536 too
        {0xFFFF7FFFu, 32767}, // just below
        {0x7FFF8000u, 0},     // tie, odd 0x7FFF: 0x8000, wraps
        {0x00000000u, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.next);
        RandomSeed = PreviousState(c.next);
        EXPECT_EQ(NextRandom(RandomSeed), c.value);
        EXPECT_EQ(RandomSeed, c.next);
    }
}

TEST(RandomSource, IntegerAndDoubleFormsAgree) {
    uint32_t doubleSeed = 0x12345678u;
    RandomSeed = doubleSeed;
    for (int i = 0; i < 200000; ++i) {
        int32_t expected = NextRandomAsDouble(doubleSeed);
        ASSERT_EQ(NextRandom(RandomSeed), expected) << "draw " << i;
    }
    // And across the whole state space in strides that hit every low-half class.
    for (uint64_t state = 0; state < (1ull << 32); state += 65537ull * 7 + 3) {
        uint32_t seed = static_cast<uint32_t>(state);
        RandomSeed = seed;
        int32_t expected = NextRandomAsDouble(seed);
        ASSERT_EQ(NextRandom(RandomSeed), expected) << "state " << state;
    }
}

TEST(RandomSource, RndUsesTwoDrawsAndTheirProduct) {
    RandomSeed = 1;
    // 16838 * 5759 = 96970042 -> m = 70042
    EXPECT_EQ(Rnd(RandomSeed), 70042 / 100000.0);
    // 10114 * 17516 = 177156824 -> 56824
    EXPECT_EQ(Rnd(RandomSeed), 56824 / 100000.0);
    // A zero output makes the draw 0.
    RandomSeed = PreviousState(0x80000000u);
    EXPECT_EQ(Rnd(RandomSeed), 0.0);
}

TEST(RandomSource, RndDrawsMatchTheirIntegerEquivalents) {
    // 256 * Rnd(RandomSeed) and 5 * Rnd(RandomSeed) + 1 floor exactly as integer division would,
    // for every m.
    for (int32_t m = 0; m < 100000; ++m) {
        double r = m / 100000.0;
        ASSERT_EQ(FloorToInt(256 * r), (256 * m) / 100000) << m;
        ASSERT_EQ(FloorToInt(5 * r + 1), 1 + m / 20000) << m;
    }
}

TEST(FloorToInt, Values) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {
        {-0.01, -1},
        {2.99, 2},
        {-3.0, -3},
        {-0.5, -1},
        {0.0, 0},
        {-0.0, 0},
        {0.99999, 0},
        {-2.5, -3},
        {2147483646.5, 2147483646},
        {-2147483647.5, -2147483648},
        // Outside the range it saturates rather than being undefined.
        {1e300, 2147483647},
        {-1e300, -2147483647 - 1},
        {NAN, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FloorToInt(c.in), c.out) << c.in;
    }
}

TEST(FloorToInt, DivisionByHundredIsFloorDivision) {
    for (int32_t k = -30000; k <= 30000; ++k) {
        int32_t floorDiv = k / 100 - ((k % 100 != 0 && k < 0) ? 1 : 0);
        ASSERT_EQ(FloorToInt(k / 100.0), floorDiv) << k;
    }
}

} // namespace
