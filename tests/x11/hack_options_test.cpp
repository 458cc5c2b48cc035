#include "app/hack_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    HackOptions options;
    std::vector<std::string> warnings;
    std::string error;
};

Parsed Parse(std::vector<std::string> args, const char* xscreensaverWindow = nullptr) {
    args.insert(args.begin(), "tavorinex");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    Parsed parsed{};
    parsed.ok = ParseHackOptions(static_cast<int>(argv.size()), argv.data(), xscreensaverWindow,
                                 parsed.options, parsed.warnings, parsed.error);
    return parsed;
}

void ExpectParameters(const SaverParameters& got, const SaverParameters& want) {
    EXPECT_EQ(got.BoxSize, want.BoxSize);
    EXPECT_EQ(got.ColorBounceLimit, want.ColorBounceLimit);
    EXPECT_EQ(got.StepDelay, want.StepDelay);
    EXPECT_EQ(got.EraseBounceCount, want.EraseBounceCount);
    EXPECT_EQ(got.WipeDelay, want.WipeDelay);
}

// The sliders reach the saver as a saved settings file does: the defaults as the file
// 80,50,44,960,11 gives them, and each slider's far end (clamped from beyond it) as its
// extreme parameter.
TEST(HackOptions, SlidersBecomeTheParametersOfASavedFile) {
    struct Case {
        std::vector<std::string> args;
        SaverParameters want;
        size_t warnings;
    } cases[] = {
        {{}, {80, 3, 7, 60, 4}, 0},
        {{"--box-size", "230", "--draw-speed=50"}, {230, 3, 1, 60, 4}, 0},
        {{"-draw-speed", "0", "--erase-speed", "15"}, {80, 3, 51, 60, 0}, 0},
        {{"--color-change-rate", "1", "--erase-frequency", "5000"}, {80, 50, 7, 20, 4}, 2},
        {{"--box-size=12", "--erase-speed", "-99999999999999999999"}, {40, 3, 7, 60, 15}, 2},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.args);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        ExpectParameters(parsed.options.Parameters, c.want);
        EXPECT_EQ(parsed.warnings.size(), c.warnings);
    }
}

TEST(HackOptions, WhereToDraw) {
    struct Case {
        std::vector<std::string> args;
        const char* environment;
        HackTarget target;
        unsigned long window;
    } cases[] = {
        {{}, nullptr, HackTarget::OwnWindow, 0},
        {{"--window"}, "", HackTarget::OwnWindow, 0},
        {{"--root"}, nullptr, HackTarget::Root, 0},
        {{"--root"}, "0x400008", HackTarget::Window, 0x400008},
        {{}, "4194312", HackTarget::Window, 0x400008},
        {{"--window-id", "77"}, "0x400008", HackTarget::Window, 77},
        {{"-window-id", "0XFFFFFFFF"}, nullptr, HackTarget::Window, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.args, c.environment);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.options.Target, c.target);
        if (c.target == HackTarget::Window) {
            EXPECT_EQ(parsed.options.WindowId, c.window);
        }
    }
}

TEST(HackOptions, SeedAndDisplay) {
    Parsed parsed = Parse({"--seed", "4294967295", "--display=:3"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.HasSeed);
    EXPECT_EQ(parsed.options.Seed, 4294967295u);
    EXPECT_EQ(parsed.options.Display, ":3");
    EXPECT_FALSE(Parse({}).options.HasSeed);
}

} // namespace
