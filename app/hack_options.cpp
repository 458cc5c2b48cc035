#include "app/hack_options.h"

#include <sys/stat.h>

#include <cstring>

#include "settings/settings.h"

namespace {

// Optional sign, then decimal digits; beyond the 32-bit range the value saturates, which
// the clamp to a slider range then treats like any other far value.
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

bool ParseUnsigned(const std::string& text, int base, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    uint64_t result = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= base ||
            result > (max - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            return false;
        }
        result = result * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    value = result;
    return true;
}

// A window id as XScreenSaver writes it: decimal, or hexadecimal after 0x.
bool ParseWindowId(const std::string& text, unsigned long& id) {
    uint64_t value = 0;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!ParseUnsigned(hex ? text.substr(2) : text, hex ? 16 : 10, 0xFFFFFFFFu, value) ||
        value == 0) {
        return false;
    }
    id = static_cast<unsigned long>(value);
    return true;
}

const SettingFacts* FindSlider(const std::string& name) {
    for (const SettingFacts& facts : SettingsTable) {
        if (name == facts.Names.OptionName) {
            return &facts;
        }
    }
    return nullptr;
}

} // namespace

SaverParameters ParametersFromSliders(const Settings& sliders) {
    SettingsFields fields{};
    for (size_t k = 0; k < SettingCount; ++k) {
        fields.Values[k] = sliders.*SettingsTable[k].Value;
    }
    fields.Count = static_cast<int>(SettingCount);
    return SaverParametersFromFields(fields);
}

std::string HackUsage() {
    std::string usage = "usage: tavorinex [--root | --window-id ID] [--display D]";
    for (const SettingFacts& facts : SettingsTable) {
        usage += std::string(" [--") + facts.Names.OptionName + " N]";
    }
    return usage + " [--settings FILE] [--seed N]\n";
}

bool ParseHackOptions(int argc, char** argv, const char* xscreensaverWindow, HackOptions& options,
                      std::vector<std::string>& warnings, std::string& error) {
    bool root = false;
    bool windowIdGiven = false;
    bool sliderGiven = false;
    for (int i = 1; i < argc; ++i) {
        // XScreenSaver's hacks take -name and --name alike.
        std::string arg = argv[i];
        std::string name = arg.rfind("--", 0) == 0  ? arg.substr(2)
                           : arg.rfind("-", 0) == 0 ? arg.substr(1)
                                                    : std::string();
        if (name.empty()) {
            error = "unexpected argument " + arg;
            return false;
        }
        std::string value;
        bool hasValue = false;
        size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "root" || name == "window" || name == "help" || name == "h") {
            if (hasValue) {
                error = "--" + name + " takes no value";
                return false;
            }
            root = root || name == "root";
            options.Help = options.Help || name == "help" || name == "h";
            continue;
        }
        const SettingFacts* slider = FindSlider(name);
        if (slider == nullptr && name != "window-id" && name != "display" && name != "settings" &&
            name != "seed") {
            error = "unknown option " + arg;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = "--" + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (slider != nullptr) {
            int64_t number = 0;
            if (!ParseInteger(value, number)) {
                error = "--" + name + " must be a whole number, not " + value;
                return false;
            }
            int64_t clamped = number < slider->Range.Minimum   ? slider->Range.Minimum
                              : number > slider->Range.Maximum ? slider->Range.Maximum
                                                               : number;
            if (clamped != number) {
                warnings.push_back("--" + name + " " + value + " is outside " +
                                   std::to_string(slider->Range.Minimum) + ".." +
                                   std::to_string(slider->Range.Maximum) + "; using " +
                                   std::to_string(clamped));
            }
            options.Sliders.*slider->Value = static_cast<int32_t>(clamped);
            sliderGiven = true;
        } else if (name == "window-id") {
            if (!ParseWindowId(value, options.WindowId)) {
                error = "--window-id must be a window id (decimal or 0x hexadecimal), not " + value;
                return false;
            }
            windowIdGiven = true;
        } else if (name == "seed") {
            uint64_t seed = 0;
            if (!ParseUnsigned(value, 10, 0xFFFFFFFFu, seed)) {
                error = "--seed must be a whole number from 0 to 4294967295, not " + value;
                return false;
            }
            options.HasSeed = true;
            options.Seed = static_cast<uint32_t>(seed);
        } else if (value.empty()) {
            error = "--" + name + " needs a value";
            return false;
        } else if (name == "display") {
            options.Display = value;
        } else {
            options.SettingsPath = value;
        }
    }
    if (options.Help) {
        return true;
    }
    if (!options.SettingsPath.empty() && sliderGiven) {
        error = "--settings and the slider options exclude each other";
        return false;
    }
    if (windowIdGiven) {
        options.Target = HackTarget::Window;
    } else if (xscreensaverWindow != nullptr && *xscreensaverWindow != '\0') {
        if (!ParseWindowId(xscreensaverWindow, options.WindowId)) {
            error = std::string("XSCREENSAVER_WINDOW is not a window id: ") + xscreensaverWindow;
            return false;
        }
        options.Target = HackTarget::Window;
    } else {
        options.Target = root ? HackTarget::Root : HackTarget::OwnWindow;
    }
    if (options.SettingsPath.empty()) {
        options.Parameters = ParametersFromSliders(options.Sliders);
        return true;
    }
    // The loader takes a missing file silently, as the saver does; named here, it is a mistake.
    // Only a plain file: stat does not open, so a FIFO cannot block.
    struct stat info;
    if (stat(options.SettingsPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "cannot read settings file " + options.SettingsPath;
        return false;
    }
    options.Parameters = LoadSaverParametersFrom(options.SettingsPath);
    return true;
}
