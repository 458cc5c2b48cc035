#include "tavorinex/hack_options.h"

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

// The daemon's window wins over --root, an explicit --window-id over the daemon's window.
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

} // namespace
