#include "saver/box_animator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "saver/random.h"
#include "saver/soft_surface.h"
#include "settings/settings.h"
#include "tests/unit/soft_saver.h"

namespace {

constexpr int32_t IntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t IntMin = std::numeric_limits<int32_t>::min();

// The random source's own outputs from a given state, as m of m / 100000.
std::vector<int32_t> DrawsFrom(uint32_t seed, int count) {
    std::vector<int32_t> draws;
    for (int i = 0; i < count; ++i) {
        int32_t a = NextRandom(seed);
        int32_t b = NextRandom(seed);
        draws.push_back(a * b % 100000);
    }
    return draws;
}
int32_t SpeedOf(int32_t m) {
    return 1 + m / 20000;
}
int32_t ComponentOf(int32_t m) {
    return 256 * m / 100000;
}

// The box's picture as the outline table gives it: open corners, each edge turned by 90
// degrees from the one before. Boxes of 1 and 2 pixels come out all black by GDI's line rules.
bool OutlinePixel(int64_t u, int64_t v, int64_t s) {
    if (s <= 2) {
        return true;
    }
    return (v == 0 && u >= 1 && u <= s - 3) || (u == s - 1 && v >= 1 && v <= s - 3) ||
           (v == s - 1 && u >= 2 && u <= s - 2) || (u == 0 && v >= 2 && v <= s - 2);
}

uint32_t Color(int32_t r, int32_t g, int32_t b) {
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b) << 16;
}

class BoxAnimatorTest : public ::testing::Test {
  protected:
    void SetUp() override { NewScreen(320, 200); }
    void NewScreen(int32_t width, int32_t height) {
        run.NewScreen(width, height);
        ASSERT_NE(run.screen, nullptr);
    }
    uint32_t Pixel(int32_t x, int32_t y) { return run.Pixel(x, y); }

    // Every pixel of a box of edge s at (x, y), within the screen.
    void ExpectBox(int64_t x, int64_t y, int64_t s, uint32_t fill) {
        int32_t w = soft::ScreenWidth(run.surface);
        int32_t h = soft::ScreenHeight(run.surface);
        for (int32_t sy = 0; sy < h; ++sy) {
            for (int32_t sx = 0; sx < w; ++sx) {
                int64_t u = sx - x;
                int64_t v = sy - y;
                if (u < 0 || v < 0 || u >= s || v >= s) {
                    continue;
                }
                uint32_t expected = OutlinePixel(u, v, s) ? 0u : fill;
                ASSERT_EQ(Pixel(sx, sy), expected) << "screen " << sx << "," << sy;
            }
        }
    }
    // Puts the loop in its running state: started and one step done.
    void StartRunning() {
        run.Start();
        run.Step();
    }

    SoftSaver run;
    Saver& saver = run.saver;
    BoxAnimation& Animation = run.saver.Animation;
    BoxPoint& BoxPosition = run.saver.BoxPosition;
    ColorParts& TargetColor = run.saver.TargetColor;
    ColorParts& ColorDelta = run.saver.ColorDelta;
};

TEST_F(BoxAnimatorTest, FirstStepStartsInTheCornerWithTwoBounces) {
    std::set<int32_t> speedsX;
    std::set<int32_t> speedsY;
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        NewScreen(160, 120);
        run.params = {40, 50, 7, 960, 4};
        run.polls = 0;
        run.seed = seed;
        std::vector<int32_t> m = DrawsFrom(seed, 5);

        run.Start();
        ASSERT_EQ(TargetColor.red, ComponentOf(m[0]));
        ASSERT_EQ(TargetColor.green, ComponentOf(m[1]));
        ASSERT_EQ(TargetColor.blue, ComponentOf(m[2]));
        ASSERT_EQ(BoxPosition.x, -1);
        ASSERT_EQ(BoxPosition.y, -1);

        run.Step();
        ASSERT_EQ(BoxPosition.x, 0);
        ASSERT_EQ(BoxPosition.y, 0);
        ASSERT_EQ(Animation.BounceCount, 2);
        ASSERT_EQ(Animation.EraseCountdown, 958);
        ASSERT_EQ(Animation.Velocity.dx, SpeedOf(m[3])) << "seed " << seed;
        ASSERT_EQ(Animation.Velocity.dy, SpeedOf(m[4])) << "seed " << seed;
        ASSERT_EQ(Animation.FadeStep, 0); // no colour change yet: the first colour, unfaded
        ASSERT_EQ(run.polls, 7u);
        ExpectBox(0, 0, 40, Color(ComponentOf(m[0]), ComponentOf(m[1]), ComponentOf(m[2])));
        ASSERT_EQ(Pixel(40, 0), 0u);
        ASSERT_EQ(Pixel(0, 40), 0u);
        speedsX.insert(Animation.Velocity.dx);
        speedsY.insert(Animation.Velocity.dy);
    }
    EXPECT_EQ(speedsX, (std::set<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(speedsY, (std::set<int32_t>{1, 2, 3, 4, 5}));
}

TEST_F(BoxAnimatorTest, OutlineHasOpenCorners) {
    for (int32_t size : {1, 2, 3, 4, 5, 6, 80, 230}) {
        SCOPED_TRACE(size);
        NewScreen(320, 240);
        run.params.BoxSize = size;
        run.seed = 7;
        StartRunning();
        uint32_t fill = Color(TargetColor.red, TargetColor.green, TargetColor.blue);
        ASSERT_NE(fill, 0u);
        // The box and a black margin around it.
        for (int32_t y = 0; y < size + 2; ++y) {
            for (int32_t x = 0; x < size + 2; ++x) {
                uint32_t expected = 0;
                if (x < size && y < size && !OutlinePixel(x, y, size)) {
                    expected = fill;
                }
                ASSERT_EQ(Pixel(x, y), expected) << x << "," << y;
            }
        }
        if (size >= 4) {
            int32_t s = size;
            const int32_t open[8][2] = {{0, 0},     {s - 1, 0},     {0, s - 1}, {s - 1, s - 1},
                                        {s - 2, 0}, {s - 1, s - 2}, {1, s - 1}, {0, 1}};
            for (const auto& p : open) {
                EXPECT_EQ(Pixel(p[0], p[1]), fill) << p[0] << "," << p[1];
            }
            EXPECT_EQ(Pixel(1, 0), 0u);
            EXPECT_EQ(Pixel(s - 1, 1), 0u);
            EXPECT_EQ(Pixel(s - 2, s - 1), 0u);
            EXPECT_EQ(Pixel(0, s - 2), 0u);
        }
    }
}

// Screen 320 x 200, box 80: the box may stand at x 0..240 and y 0..120.
TEST_F(BoxAnimatorTest, EdgesAndCorners) {
    const struct {
        const char* name;
        BoxPoint from;
        BoxVelocity velocity;
        BoxPoint to;
        int bounces;
        int32_t dxSign; // sign of the new dx when x bounced, 0 when dx is kept
        int32_t dySign;
    } cases[] = {
        {"move ending exactly on 0 bounces", {3, 50}, {-3, 1}, {0, 51}, 1, +1, 0},
        {"move past 0 bounces", {2, 50}, {-5, 1}, {0, 51}, 1, +1, 0},
        {"move ending exactly on W - BoxSize goes on", {238, 50}, {2, 1}, {240, 51}, 0, 0, 0},
        {"move past W - BoxSize bounces", {239, 50}, {2, 1}, {240, 51}, 1, -1, 0},
        {"top exactly on 0", {100, 1}, {1, -1}, {101, 0}, 1, 0, +1},
        {"bottom exactly on H - BoxSize", {100, 118}, {1, 2}, {101, 120}, 0, 0, 0},
        {"bottom past H - BoxSize", {100, 119}, {1, 5}, {101, 120}, 1, 0, -1},
        {"bottom-right corner", {239, 119}, {3, 3}, {240, 120}, 2, -1, -1},
        {"top-left corner", {1, 1}, {-1, -2}, {0, 0}, 2, +1, +1},
        {"top-right corner", {240, 2}, {1, -4}, {240, 0}, 2, -1, +1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewScreen(320, 200);
        StartRunning();
        BoxPosition = c.from;
        Animation.Velocity = c.velocity;
        Animation.BounceCount = 5;
        Animation.EraseCountdown = 100;
        std::vector<int32_t> m = DrawsFrom(saver.RandomSeed, 2);

        run.Step();
        EXPECT_EQ(BoxPosition.x, c.to.x);
        EXPECT_EQ(BoxPosition.y, c.to.y);
        EXPECT_EQ(Animation.BounceCount, 5 + c.bounces);
        EXPECT_EQ(Animation.EraseCountdown, 100 - c.bounces);
        // The horizontal speed is drawn first.
        size_t next = 0;
        int32_t dx = c.dxSign == 0 ? c.velocity.dx : c.dxSign * SpeedOf(m[next++]);
        int32_t dy = c.dySign == 0 ? c.velocity.dy : c.dySign * SpeedOf(m[next++]);
        EXPECT_EQ(Animation.Velocity.dx, dx);
        EXPECT_EQ(Animation.Velocity.dy, dy);
        ExpectBox(c.to.x, c.to.y, 80, Color(TargetColor.red, TargetColor.green, TargetColor.blue));
    }
}

// Bounce counting, colour changes and the wipe countdown, one step from a set state.
TEST_F(BoxAnimatorTest, BounceCountAndEraseCountdown) {
    const BoxPoint single = {1, 50}; // with velocity (-1, 1): one left bounce
    const BoxPoint corner = {1, 1};  // with velocity (-1, -1): two bounces
    const struct {
        const char* name;
        int32_t limit;
        int32_t count;
        int32_t countdown;
        BoxPoint from;
        int32_t countAfter;
        bool colorChange;
        int32_t countdownAfter;
        bool wipe;
    } cases[] = {
        {"limit reached", 50, 49, 100, single, 50, false, 99, false},
        {"limit passed: change", 50, 50, 100, single, 1, true, 99, false},
        {"corner passes the limit, then counts 1: no change", 50, 50, 100, corner, 1, false, 98,
         false},
        {"corner ending past the limit: change", 50, 49, 100, corner, 1, true, 98, false},
        {"100 with a high limit: change", 150, 99, 100, single, 1, true, 99, false},
        {"corner to 100: change", 150, 98, 100, corner, 1, true, 98, false},
        {"corner over 100: no change", 150, 99, 100, corner, 101, false, 98, false},
        {"count wraps to negative: change", IntMax, IntMax, 100, single, 1, true, 99, false},
        {"countdown 1 to -1 at a corner: wipe", 50, 10, 1, corner, 12, false, 960, true},
        {"countdown 2 to 0 at a corner: wipe", 50, 10, 2, corner, 12, false, 960, true},
        {"countdown 3 to 1: no wipe", 50, 10, 3, corner, 12, false, 1, false},
        {"countdown wraps from the lowest value", 50, 10, IntMin, single, 11, false, IntMax, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewScreen(320, 200);
        run.params = {80, c.limit, 7, 960, -1};
        StartRunning();
        BoxPosition = c.from;
        Animation.Velocity = {-1, c.from.y == 1 ? -1 : 1};
        Animation.BounceCount = c.count;
        Animation.EraseCountdown = c.countdown;
        Animation.FadeStep = 0;
        ColorParts before = TargetColor;
        int bounces = c.from.y == 1 ? 2 : 1;
        std::vector<int32_t> m = DrawsFrom(saver.RandomSeed, bounces + 3);

        run.Step();
        EXPECT_EQ(Animation.BounceCount, c.countAfter);
        EXPECT_EQ(Animation.EraseCountdown, c.countdownAfter);
        EXPECT_EQ(BoxPosition.x == -1 && BoxPosition.y == -1, c.wipe);
        if (c.colorChange) {
            ColorParts after = {ComponentOf(m[bounces]), ComponentOf(m[bounces + 1]),
                                ComponentOf(m[bounces + 2])};
            EXPECT_EQ(TargetColor.red, after.red);
            EXPECT_EQ(TargetColor.green, after.green);
            EXPECT_EQ(TargetColor.blue, after.blue);
            EXPECT_EQ(ColorDelta.red, after.red - before.red);
            EXPECT_EQ(ColorDelta.green, after.green - before.green);
            EXPECT_EQ(ColorDelta.blue, after.blue - before.blue);
            EXPECT_EQ(Animation.FadeStep, 98); // set to 99, and this step showed the first
        } else {
            EXPECT_EQ(TargetColor.red, before.red);
            EXPECT_EQ(TargetColor.green, before.green);
            EXPECT_EQ(TargetColor.blue, before.blue);
            EXPECT_EQ(Animation.FadeStep, 0);
        }
    }
}

// One bounce per step, from the start: at which bounces the colour changes.
TEST_F(BoxAnimatorTest, ColorChangesEveryLimitBouncesAndEvery99AtOrAbove100) {
    const struct {
        int32_t limit;
        int32_t first;
        int32_t every;
    } cases[] = {
        {-5, 1, 1},     {0, 1, 1},      {1, 2, 1},         {2, 3, 2},     {3, 4, 3},
        {10, 11, 10},   {50, 51, 50},   {98, 99, 98},      {99, 100, 99}, {100, 100, 99},
        {101, 100, 99}, {150, 100, 99}, {IntMax, 100, 99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        NewScreen(320, 200);
        run.params = {80, c.limit, 0, IntMax, 4};
        run.Start();
        std::vector<int32_t> changes;
        for (int32_t bounce = 1; bounce <= 400; ++bounce) {
            BoxPosition = {1, 50};
            Animation.Velocity = {-1, 0};
            run.Step();
            if (Animation.FadeStep == 98) {
                changes.push_back(bounce);
            }
        }
        std::vector<int32_t> expected;
        for (int32_t bounce = c.first; bounce <= 400; bounce += c.every) {
            expected.push_back(bounce);
        }
        EXPECT_EQ(changes, expected);
    }
}

TEST_F(BoxAnimatorTest, FadeFloorsTowardsMinusInfinity) {
    const struct {
        ColorParts target;
        ColorParts delta;
        int32_t fadeStep;
        ColorParts offset;
        int32_t fadeStepAfter;
        uint32_t drawn;
    } cases[] = {
        {{5, 5, 5}, {-1, 0, 1}, 1, {-1, 0, 0}, 0, Color(6, 5, 5)},
        {{10, 50, 255}, {-1, -100, 255}, 99, {-1, -99, 252}, 98, Color(11, 149, 3)},
        {{0, 255, 100}, {-255, 255, -37}, 50, {-128, 127, -19}, 49, Color(128, 128, 119)},
        {{9, 9, 9}, {-3, 3, 0}, 33, {-1, 0, 0}, 32, Color(10, 9, 9)},
        {{200, 0, 7}, {200, -200, 7}, 0, {0, 0, 0}, 0, Color(200, 0, 7)},
        {{200, 0, 7}, {200, -200, 7}, 100, {0, 0, 0}, 100, Color(200, 0, 7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fadeStep);
        NewScreen(320, 200);
        StartRunning();
        BoxPosition = {100, 50};
        Animation.Velocity = {1, 1};
        TargetColor = c.target;
        ColorDelta = c.delta;
        Animation.FadeStep = c.fadeStep;
        Animation.BounceCount = 5;

        run.Step();
        EXPECT_EQ(Animation.FadeOffset.red, c.offset.red);
        EXPECT_EQ(Animation.FadeOffset.green, c.offset.green);
        EXPECT_EQ(Animation.FadeOffset.blue, c.offset.blue);
        EXPECT_EQ(Animation.FadeStep, c.fadeStepAfter);
        EXPECT_EQ(Pixel(141, 91), c.drawn);
    }
}

TEST_F(BoxAnimatorTest, FadeReachesTheNewColourOnItsHundredthStep) {
    run.params = {80, 50, 1, IntMax, 4};
    StartRunning();
    BoxPosition = {1, 50};
    Animation.Velocity = {-1, 0};
    Animation.BounceCount = 50;
    ColorParts previous = TargetColor;
    run.Step(); // the change: 51 > 50
    ASSERT_EQ(Animation.FadeStep, 98);
    ColorParts target = TargetColor;
    for (int32_t step = 1; step <= 100; ++step) {
        if (step > 1) {
            BoxPosition = {100, 50};
            Animation.Velocity = {0, 0};
            run.Step();
        }
        // New minus floor(delta * f / 100), f = 100 - step.
        int32_t f = 100 - step;
        auto part = [f](int32_t now, int32_t before) {
            int32_t product = (now - before) * f;
            int32_t down = product >= 0 ? product / 100 : -((-product + 99) / 100);
            return now - down;
        };
        ASSERT_EQ(Pixel(BoxPosition.x + 40, BoxPosition.y + 40),
                  Color(part(target.red, previous.red), part(target.green, previous.green),
                        part(target.blue, previous.blue)))
            << "step " << step;
    }
    EXPECT_EQ(Animation.FadeStep, 0);
}

TEST_F(BoxAnimatorTest, AfterAWipeTheBoxIsDrawnAtMinusOneWithTheOldVelocity) {
    run.params = {80, 50, 7, 960, -1};
    StartRunning();
    BoxPosition = {100, 1};
    Animation.Velocity = {3, -1}; // a top bounce only
    Animation.EraseCountdown = 1;
    Animation.BounceCount = 5;
    std::vector<int32_t> m = DrawsFrom(saver.RandomSeed, 1);

    run.Step();
    EXPECT_EQ(BoxPosition.x, -1);
    EXPECT_EQ(BoxPosition.y, -1);
    EXPECT_EQ(Animation.Velocity.dx, 3);
    EXPECT_EQ(Animation.Velocity.dy, SpeedOf(m[0]));
    EXPECT_EQ(Animation.EraseCountdown, 960);
    // Everything but the box is black again; the box's top row and left column are off screen.
    uint32_t fill = Color(TargetColor.red, TargetColor.green, TargetColor.blue);
    for (int32_t y = 0; y < 200; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            uint32_t expected = (x < 79 && y < 79 && !OutlinePixel(x + 1, y + 1, 80)) ? fill : 0u;
            ASSERT_EQ(Pixel(x, y), expected) << x << "," << y;
        }
    }

    // The next move starts from there: a speed of 1 bounces at once, 2 or more lands at speed - 1.
    const struct {
        BoxVelocity velocity;
        BoxPoint to;
        int bounces;
    } next[] = {{{1, 5}, {0, 4}, 1}, {{2, 1}, {1, 0}, 1}, {{5, 2}, {4, 1}, 0}};
    for (const auto& n : next) {
        BoxPosition = {-1, -1};
        Animation.Velocity = n.velocity;
        Animation.BounceCount = 5;
        Animation.EraseCountdown = 100;
        run.Step();
        EXPECT_EQ(BoxPosition.x, n.to.x);
        EXPECT_EQ(BoxPosition.y, n.to.y);
        EXPECT_EQ(Animation.BounceCount, 5 + n.bounces);
    }
}

// A wipe inside a step: when it runs, in which colour it stripes the screen, and how the
// countdown restarts. Screen 320 x 200, WipeDelay 0: a wipe costs 2 + 101 + 201 polls.
TEST_F(BoxAnimatorTest, WipeWithinAStep) {
    const BoxPoint single = {1, 50}; // with velocity (-1, 1): one left bounce
    const BoxPoint free = {100, 50}; // with velocity (-1, 1): no bounce
    const struct {
        const char* name;
        int32_t eraseBounceCount;
        int32_t countdown;
        int32_t count; // BounceCount before the step, with ColorBounceLimit 50
        int32_t fadeStep;
        BoxPoint from;
        int steps;
        bool wipe;
        bool colorChange;
        int32_t countdownAfter;
    } cases[] = {
        {"wipe and colour change in one step: rows in the old target", 960, 1, 50, 0, single, 1,
         true, true, 960},
        {"wipe during a fade: rows in the target, not the box's colour", 960, 1, 5, 40, single, 1,
         true, false, 960},
        {"EraseBounceCount 0: a wipe in every step, bounce or not", 0, 0, 5, 0, free, 3, true,
         false, 0},
        {"EraseBounceCount below 0: a wipe in every step", -3, -3, 5, 0, free, 3, true, false, -3},
        {"countdown above 0 and no bounce: no wipe", 960, 1, 5, 0, free, 1, false, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewScreen(320, 200);
        run.params = {80, 50, 7, c.eraseBounceCount, 0};
        StartRunning();
        for (int step = 0; step < c.steps; ++step) {
            BoxPosition = c.from;
            Animation.Velocity = {-1, 1};
            Animation.BounceCount = c.count;
            Animation.EraseCountdown = c.countdown;
            TargetColor = {200, 100, 50};
            ColorDelta = {100, -60, 41};
            Animation.FadeStep = c.fadeStep;
            Animation.FadeOffset = {41, -25, 17}; // what the last box showed
            int bounces = c.from.x == 1 ? 1 : 0;
            std::vector<int32_t> m = DrawsFrom(saver.RandomSeed, bounces + 3);
            // The top row right after the wipe painted its first interlaced row: the second
            // poll of a step that wipes with WipeDelay 0.
            uint32_t firstRowColour = 0xABCDEFu;
            run.polls = 0;
            run.onWait = [&](uint32_t) {
                if (run.polls == 2) {
                    firstRowColour = Pixel(319, 0);
                }
            };

            run.Step();
            run.onWait = nullptr;
            EXPECT_EQ(run.polls, c.wipe ? 7u + 304u : 7u) << "step " << step;
            EXPECT_EQ(BoxPosition.x == -1 && BoxPosition.y == -1, c.wipe) << "step " << step;
            EXPECT_EQ(Animation.EraseCountdown, c.countdownAfter) << "step " << step;
            if (c.wipe) {
                EXPECT_EQ(firstRowColour, Color(200, 100, 50)) << "step " << step;
            }
            ColorParts drawn = TargetColor;
            if (c.colorChange) {
                drawn = {ComponentOf(m[bounces]), ComponentOf(m[bounces + 1]),
                         ComponentOf(m[bounces + 2])};
                EXPECT_EQ(TargetColor.red, drawn.red);
                EXPECT_EQ(TargetColor.green, drawn.green);
                EXPECT_EQ(TargetColor.blue, drawn.blue);
            }
            // The box of this step shows the fade; the stripes never did.
            int32_t f = c.colorChange ? 99 : c.fadeStep;
            if (f > 0) {
                ColorParts delta = ColorDelta;
                auto down = [f](int32_t d) {
                    int32_t p = d * f;
                    return p >= 0 ? p / 100 : -((-p + 99) / 100);
                };
                drawn = {drawn.red - down(delta.red), drawn.green - down(delta.green),
                         drawn.blue - down(delta.blue)};
            }
            EXPECT_EQ(Pixel(BoxPosition.x + 40, BoxPosition.y + 40),
                      Color(drawn.red, drawn.green, drawn.blue));
        }
    }
}

TEST_F(BoxAnimatorTest, StepPollsStayStoppable) {
    const struct {
        int32_t stepDelay;
        int32_t polls;
    } cases[] = {
        {7, 7}, {51, 51}, {1, 1}, {IntMax, IntMax}, {0, 1}, {-9, 1}, {IntMin, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StepPolls(c.stepDelay), c.polls) << c.stepDelay;
    }

    // A hand-edited DrawSpeed 60 and EraseSpeed 20 with frequent wipes: every step polls once.
    run.params = {80, 50, -9, 2, -5};
    run.Start();
    for (uint64_t step = 1; step <= 500; ++step) {
        run.Step();
        ASSERT_EQ(run.polls, step);
    }

    // DrawSpeed 60 with a wipe that polls but never comes (erase frequency -2147480000): the
    // steps alone must keep looking at the input.
    run.params = {80, 50, -9, 2147481020, 0};
    run.polls = 0;
    run.Start();
    for (uint64_t step = 1; step <= 500; ++step) {
        run.Step();
        ASSERT_EQ(run.polls, step);
    }
}

// A model screen, painted box by box as the outline table says, against the real one: for
// boxes that do not fit the screen, are too small for an outline, or have no pixels at all.
TEST_F(BoxAnimatorTest, OddBoxSizesDrawWhatTheBoxWouldShow) {
    const int32_t w = 64;
    const int32_t h = 48;
    for (int32_t size : {IntMin, -7, 0,  1,  2,  3,  40,  47,   48,         49,    60,
                         64,     65, 66, 67, 68, 70, 100, 5000, IntMax - 1, IntMax}) {
        SCOPED_TRACE(size);
        NewScreen(w, h);
        run.params = {size, 5, 2, IntMax, 4};
        run.polls = 0;
        run.Start();
        EXPECT_LE(Animation.ImageSize, w + 4);
        std::vector<uint32_t> model(static_cast<size_t>(w * h), 0u);
        for (uint64_t step = 1; step <= 150; ++step) {
            run.Step();
            ASSERT_EQ(run.polls, 2 * step);
            if (size > 0) {
                uint32_t fill = Color(TargetColor.red - Animation.FadeOffset.red,
                                      TargetColor.green - Animation.FadeOffset.green,
                                      TargetColor.blue - Animation.FadeOffset.blue);
                for (int32_t y = 0; y < h; ++y) {
                    for (int32_t x = 0; x < w; ++x) {
                        int64_t u = int64_t{x} - BoxPosition.x;
                        int64_t v = int64_t{y} - BoxPosition.y;
                        if (u >= 0 && v >= 0 && u < size && v < size) {
                            model[static_cast<size_t>(y * w + x)] =
                                OutlinePixel(u, v, size) ? 0u : fill;
                        }
                    }
                }
            }
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    ASSERT_EQ(Pixel(x, y), model[static_cast<size_t>(y * w + x)])
                        << "step " << step << " at " << x << "," << y << " box at " << BoxPosition.x
                        << "," << BoxPosition.y;
                }
            }
        }
        if (size > w) {
            // Wider than the screen: every step bounces, between 0 and W - BoxSize.
            EXPECT_TRUE(BoxPosition.x == 0 || BoxPosition.x == WrapSub(w, size));
        }
    }
}

// The bounded image, placed anywhere a big box could stand (also where the animation never
// puts it, as after a change of screen size), shows the columns the big box would show.
TEST(BoxImagePosition, ShowsTheColumnsOfTheBigBox) {
    const int32_t extent = 64;
    for (int32_t size : {69, 70, 100, 5000, IntMax}) {
        int32_t image = BoxImageSize(size, extent, 48);
        ASSERT_EQ(image, 68);
        int64_t s = size;
        const int64_t positions[] = {
            3,       1,     0, -1, -2, -3, -s / 2, extent - s - 1, extent - s, extent - s + 1,
            -s + 40, -s - 5};
        for (int64_t position : positions) {
            if (position < IntMin) {
                continue;
            }
            int32_t placed = BoxImagePosition(static_cast<int32_t>(position), size, image, extent);
            for (int32_t x = 0; x < extent; ++x) {
                int64_t u = x - position;
                int64_t w = int64_t{x} - placed;
                bool inBox = u >= 0 && u < s;
                ASSERT_EQ(w >= 0 && w < image, inBox) << size << " at " << position << ": " << x;
                if (!inBox) {
                    continue;
                }
                // Top, second, middle, second-last and bottom row of each.
                const int64_t rows[5][2] = {
                    {0, 0}, {1, 1}, {5, 5}, {s - 2, image - 2}, {s - 1, image - 1}};
                for (const auto& row : rows) {
                    ASSERT_EQ(OutlinePixel(w, row[1], image), OutlinePixel(u, row[0], s))
                        << size << " at " << position << ": column " << x << ", row " << row[0];
                }
            }
        }
    }
}

TEST_F(BoxAnimatorTest, NothingIsLeftAllocatedBySteps) {
    run.params = {30, 3, 1, 2, -1}; // frequent wipes and colour changes
    NewScreen(100, 60);
    run.Start();
    int32_t objects = soft::LiveObjectCount(run.surface);
    for (int step = 0; step < 300; ++step) {
        run.Step();
    }
    EXPECT_EQ(soft::LiveObjectCount(run.surface), objects);
}

} // namespace
