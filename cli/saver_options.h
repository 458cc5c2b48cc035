// The options of every program that runs the saver itself: the five sliders, a settings file
// instead, the seed, help and version. A host adds only its own (where to draw).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "settings/settings_table.h"

struct SaverOptions {
    // As the options give them after clamping; the rest keep the defaults.
    Settings Sliders = SettingsDefaults;
    bool SliderGiven = false;
    std::string SettingsPath; // empty: the slider options (or their defaults)
    bool HasSeed = false;
    uint32_t Seed = 0;            // the tick count the random source starts from
    bool Help = false;            // -h, --help
    bool Version = false;         // --version
    SaverParameters Parameters{}; // once FinishSaverOptions has succeeded
};

enum class OptionUse { Taken, NotMine, Refused };

// Takes `option` (and its value) if it is one of the saver's. A slider value out of range is
// clamped, with a one-line warning.
OptionUse TakeSaverOption(OptionScanner& scanner, ScannedOption& option, SaverOptions& options,
                          std::vector<std::string>& warnings, std::string& error);

// Once every option is read: the parameters, from the sliders converted as a saved settings
// file converts them, or from the settings file, which must be readable. Nothing with --help
// or --version.
bool FinishSaverOptions(SaverOptions& options, std::string& error);

// Without --seed: a millisecond count that differs between runs, as Windows seeds from its tick
// count.
uint32_t ClockSeed();

// " [--box-size N] ... [--settings FILE] [--seed N]", for a usage line.
std::string SaverOptionsUsage();

// The sliders in the settings window's order, top to bottom, as XScreenSaver's settings list
// them too.
std::vector<const SettingFacts*> SlidersInWindowOrder();
// A slider's range with the names of its ends, and its default: "40 (Small) to 230 (Large),
// default 80".
std::string SliderRangeText(const SettingFacts& slider);
// The --help lines of the saver's options, each slider with its range and default.
std::string SaverOptionsHelp();
// "tavorinex 2.1\n", for --version.
std::string VersionText();
