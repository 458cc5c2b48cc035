// Both views of loaded settings as one comparable line, in the file's field order, so a
// failing table row shows every value.
#pragma once

#include "settings/settings.h"

#include <string>

// The table has internal linkage in each file, so these have too.
static inline std::string Describe(const Settings& s) {
    std::string line;
    for (const SettingFacts& facts : SettingsTable) {
        line += (line.empty() ? "" : ",") + std::to_string(s.*facts.Value);
    }
    return line;
}

static inline std::string Describe(const SaverParameters& p) {
    std::string line;
    for (const SettingFacts& facts : SettingsTable) {
        line += (line.empty() ? "" : ",") + std::to_string(p.*facts.Conversion.Parameter);
    }
    return line;
}
