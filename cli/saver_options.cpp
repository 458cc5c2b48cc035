#include "cli/saver_options.h"

#include <algorithm>
#include <chrono>

#include "settings/settings.h"
#include "tavorinex_version.h"

namespace {

// Optional sign, then decimal digits; beyond the 32-bit range the value saturates, which the
// clamp to a slider range then treats like any other far value.
bool ParseInteger(const std::string& text, int64_t& value) {
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size()) {
        return false;
    }
    int64_t result = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') {
            return false;
        }
        result = result > (int64_t{1} << 40) ? result : result * 10 + (text[at] - '0');
    }
    value = negative ? -result : result;
    return true;
}

const SettingFacts* FindSlider(const std::string& name) {
    for (const SettingFacts& facts : SettingsTable) {
        if (name == std::string("--") + facts.Names.OptionName) {
            return &facts;
        }
    }
    return nullptr;
}

bool TakeSlider(const SettingFacts& slider, const ScannedOption& option, SaverOptions& options,
                std::vector<std::string>& warnings, std::string& error) {
    int64_t number = 0;
    if (!ParseInteger(option.Value, number)) {
        error = option.Name + " must be a whole number, not " + option.Value;
        return false;
    }
    const SliderRange& range = slider.Range;
    const int64_t clamped = number < range.Minimum   ? range.Minimum
                            : number > range.Maximum ? range.Maximum
                                                     : number;
    if (clamped != number) {
        warnings.push_back(option.Name + " " + option.Value + " is outside " +
                           std::to_string(range.Minimum) + ".." + std::to_string(range.Maximum) +
                           "; using " + std::to_string(clamped));
    }
    options.Sliders.*slider.Value = static_cast<int32_t>(clamped);
    options.SliderGiven = true;
    return true;
}

} // namespace

OptionUse TakeSaverOption(OptionScanner& scanner, ScannedOption& option, SaverOptions& options,
                          std::vector<std::string>& warnings, std::string& error) {
    if (option.Name == "--help" || option.Name == "--version") {
        (option.Name == "--help" ? options.Help : options.Version) = true;
        return RefuseOptionValue(option, error) ? OptionUse::Taken : OptionUse::Refused;
    }
    const SettingFacts* slider = FindSlider(option.Name);
    if (slider == nullptr && option.Name != "--settings" && option.Name != "--seed") {
        return OptionUse::NotMine;
    }
    if (!TakeOptionValue(scanner, option, error)) {
        return OptionUse::Refused;
    }
    if (slider != nullptr) {
        return TakeSlider(*slider, option, options, warnings, error) ? OptionUse::Taken
                                                                     : OptionUse::Refused;
    }
    if (option.Name == "--seed") {
        uint64_t seed = 0;
        if (!OptionNumber(option, 0, 0xFFFFFFFFu, seed, error)) {
            return OptionUse::Refused;
        }
        options.HasSeed = true;
        options.Seed = static_cast<uint32_t>(seed);
        return OptionUse::Taken;
    }
    if (option.Value.empty()) {
        error = option.Name + " needs a value";
        return OptionUse::Refused;
    }
    options.SettingsPath = option.Value;
    return OptionUse::Taken;
}

bool FinishSaverOptions(SaverOptions& options, std::string& error) {
    if (options.Help || options.Version) {
        return true;
    }
    if (options.SettingsPath.empty()) {
        options.Parameters = SaverParametersFromSettings(options.Sliders);
        return true;
    }
    if (options.SliderGiven) {
        error = "--settings and the slider options exclude each other";
        return false;
    }
    if (!CheckSettingsFile(options.SettingsPath, error)) {
        return false;
    }
    options.Parameters = LoadSaverParametersFrom(options.SettingsPath);
    return true;
}

uint32_t ClockSeed() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
}

std::string SaverOptionsUsage() {
    std::string usage;
    for (const SettingFacts& facts : SettingsTable) {
        usage += std::string(" [--") + facts.Names.OptionName + " N]";
    }
    return usage + " [--settings FILE] [--seed N]";
}

std::vector<const SettingFacts*> SlidersInWindowOrder() {
    std::vector<const SettingFacts*> rows;
    for (const SettingFacts& facts : SettingsTable) {
        rows.push_back(&facts);
    }
    std::sort(rows.begin(), rows.end(), [](const SettingFacts* a, const SettingFacts* b) {
        return a->Dialog.Row < b->Dialog.Row;
    });
    return rows;
}

std::string SliderRangeText(const SettingFacts& slider) {
    const SliderRange& range = slider.Range;
    return std::to_string(range.Minimum) + " (" + slider.Names.LowLabel + ") to " +
           std::to_string(range.Maximum) + " (" + slider.Names.HighLabel + "), default " +
           std::to_string(range.Default);
}

namespace {

// "  --name VALUE          text\n", the texts in one column.
std::string HelpLine(const std::string& option, const std::string& text) {
    constexpr size_t column = 26;
    const std::string left = "  " + option;
    return left + std::string(left.size() < column ? column - left.size() : 1, ' ') + text + "\n";
}

} // namespace

std::string SaverOptionsHelp() {
    std::string help;
    for (const SettingFacts* slider : SlidersInWindowOrder()) {
        help += HelpLine(std::string("--") + slider->Names.OptionName + " N",
                         std::string(slider->Names.Label) + ": " + SliderRangeText(*slider));
    }
    return help + HelpLine("", "(a value out of range is taken as the nearer end)") +
           HelpLine("--settings FILE", "the five values from a tavorinex.ini of the Windows") +
           HelpLine("", "saver instead, read as that saver reads it") +
           HelpLine("--seed N", "the random source's start, 0 to 4294967295 (by") +
           HelpLine("", "default the clock's), so that a run can be repeated") +
           HelpLine("-h, --help", "print this help") + HelpLine("--version", "print the version");
}

std::string VersionText() {
    return "tavorinex " TAVORINEX_VERSION_TEXT "\n";
}
