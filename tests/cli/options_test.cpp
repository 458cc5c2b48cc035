#include "cli/options.h"
#include "cli/saver_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Scans args the way a program does: each option, then its value when it takes one ("v:" in
// front of a name in `valued`), as "name=value" lines; a refusal ends with "! error".
std::string Scan(std::vector<std::string> args, bool singleDash,
                 const std::vector<std::string>& valued = {}) {
    args.insert(args.begin(), "program");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    OptionScanner scanner = ScanOptions(static_cast<int>(argv.size()), argv.data(), singleDash);
    ScannedOption option;
    std::string seen;
    std::string error;
    for (ScanStep step; (step = NextOption(scanner, option, error)) != ScanStep::End;) {
        bool takes = false;
        for (const std::string& name : valued) {
            takes = takes || option.Name == name;
        }
        if (step == ScanStep::Refused ||
            !(takes ? TakeOptionValue(scanner, option, error) : RefuseOptionValue(option, error))) {
            return seen + "! " + error;
        }
        seen += option.Name + (takes ? "=" + option.Value : "") + " ";
    }
    return seen;
}

TEST(OptionScanner, Spellings) {
    const struct {
        std::vector<std::string> args;
        bool singleDash;
        std::string seen;
    } cases[] = {
        {{"--seed", "7", "--json"}, false, "--seed=7 --json "},
        {{"--seed=7", "--seed=", "--seed", "--json"}, false, "--seed=7 --seed= --seed=--json "},
        {{"-h", "-seed", "3"}, true, "--help --seed=3 "},
        {{"-h", "-seed", "3"}, false, "--help ! unknown option -seed"},
        {{"--json", "stray"}, true, "--json ! unexpected argument stray"},
        {{"-"}, true, "! unexpected argument -"},
        {{"--json=yes"}, false, "! --json takes no value"},
        {{"--json", "--seed"}, false, "--json ! --seed needs a value"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Scan(c.args, c.singleDash, {"--seed"}), c.seen) << c.args[0];
    }
}

TEST(OptionScanner, NumbersAndTheirOneMessage) {
    const struct {
        const char* value;
        bool ok;
        uint64_t number;
    } cases[] = {
        {"1", true, 1},           {"4294967295", true, 4294967295u},
        {"0", false, 0},          {"+1", false, 0},
        {"4294967296", false, 0}, {"", false, 0},
        {"1 ", false, 0},         {"99999999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        const ScannedOption option{"--n", c.value, true};
        uint64_t number = 0;
        std::string error;
        EXPECT_EQ(OptionNumber(option, 1, 4294967295u, number, error), c.ok) << c.value;
        EXPECT_EQ(c.ok ? number : 0, c.number);
        EXPECT_EQ(error, c.ok ? ""
                              : "--n must be a whole number from 1 to 4294967295, not " +
                                    std::string(c.value));
    }
}

TEST(OptionScanner, TheSettingsFileMustBeARegularReadableFile) {
    const std::string dir = ::testing::TempDir();
    const std::string file = dir + "options_test.ini";
    std::FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs("40,3,50,1000,15,", out);
    std::fclose(out);
    std::string error;
    EXPECT_TRUE(CheckSettingsFile(file, error)) << error;
    EXPECT_FALSE(CheckSettingsFile(dir + "missing.ini", error));
    EXPECT_EQ(error,
              "cannot read settings file '" + dir + "missing.ini': No such file or directory");
    EXPECT_FALSE(CheckSettingsFile(dir, error));
    EXPECT_EQ(error, "settings file '" + dir + "' is not a regular file");

    // The saver's options: sliders clamped with a warning, or the file loaded as the saver would.
    const struct {
        std::vector<std::string> args;
        std::string parameters; // BoxSize ... WipeDelay, or the error
        size_t warnings;
    } cases[] = {
        {{}, "80 3 7 60 4", 0},
        {{"--box-size", "9", "--draw-speed=-5", "--erase-speed", "15"}, "40 3 51 60 0", 2},
        {{"--settings", file}, "40 50 1 20 0", 0},
        {{"--settings", file, "--seed", "1"}, "40 50 1 20 0", 0},
        {{"--settings", file, "--box-size", "50"},
         "--settings and the slider options exclude each other",
         0},
        {{"--box-size", "1e3"}, "--box-size must be a whole number, not 1e3", 0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "program");
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        OptionScanner scanner = ScanOptions(static_cast<int>(argv.size()), argv.data(), true);
        SaverOptions options;
        ScannedOption option;
        std::vector<std::string> warnings;
        bool ok = true;
        while (ok && NextOption(scanner, option, error) == ScanStep::Option) {
            ok = TakeSaverOption(scanner, option, options, warnings, error) == OptionUse::Taken;
        }
        ok = ok && FinishSaverOptions(options, error);
        const SaverParameters& p = options.Parameters;
        EXPECT_EQ(ok ? std::to_string(p.BoxSize) + " " + std::to_string(p.ColorBounceLimit) + " " +
                           std::to_string(p.StepDelay) + " " + std::to_string(p.EraseBounceCount) +
                           " " + std::to_string(p.WipeDelay)
                     : error,
                  c.parameters);
        EXPECT_EQ(warnings.size(), c.warnings) << c.parameters;
    }
}

} // namespace
