// The settings file's text and its number conversions, without any file access.
#include "settings/settings.h"
#include "settings/settings_scan.h"

#include <cmath>

double ParseNumber(std::string_view text) {
    // The number ends at a comma anyway; one more closes the field when the text has none.
    SettingsScan scan{};
    ScanSettingsText(scan, text);
    ScanSettingsText(scan, ",");
    return scan.Fields.Values[0];
}

std::string FormatNumber(uint32_t value) {
    char digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::string text;
    while (count > 0) {
        text += digits[--count];
    }
    return text;
}

int32_t StoreInt32(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    // Remainders through floor rather than fmod, which would bring an unwind table of its own
    // into tavorinex.scr. Halving and scaling by 2^32 are exact for whole numbers, and so is
    // each subtraction: its result is a whole number below 2^32.
    if (fraction > 0.5 || (fraction == 0.5 && below != 2.0 * std::floor(below / 2.0))) {
        rounded = below + 1.0;
    }
    const double twoTo32 = 4294967296.0;
    const double low = rounded - twoTo32 * std::floor(rounded / twoTo32); // within [0, 2^32)
    return static_cast<int32_t>(static_cast<uint32_t>(low));
}

SettingsFields ParseSettingsText(std::string_view bytes) {
    SettingsScan scan{};
    ScanSettingsText(scan, bytes);
    return scan.Fields;
}

std::string FormatSettingsText(const Settings& settings) {
    std::string text;
    for (const SettingFacts& facts : SettingsTable) {
        text += FormatNumber(static_cast<uint32_t>(settings.*facts.Value));
        text += ',';
    }
    return text;
}

Settings SettingsFromText(std::string_view bytes) {
    return SettingsFromFields(ParseSettingsText(bytes));
}

Settings SettingsFromFields(const SettingsFields& fields) {
    Settings settings = SettingsDefaults;
    for (int k = 0; k < fields.Count; ++k) {
        settings.*SettingsTable[k].Value = StoreInt32(fields.Values[k]);
    }
    return settings;
}

SaverParameters SaverParametersFromText(std::string_view bytes) {
    return SaverParametersFromFields(ParseSettingsText(bytes));
}

SaverParameters SaverParametersFromFields(const SettingsFields& fields) {
    SaverParameters parameters = SaverParametersWithoutFile;
    for (int k = 0; k < fields.Count; ++k) {
        const SaverConversion& conversion = SettingsTable[k].Conversion;
        const double x = fields.Values[k];
        parameters.*conversion.Parameter =
            StoreInt32(conversion.Mirrored ? conversion.MirrorAt - x : x);
    }
    return parameters;
}

SaverParameters SaverParametersFromSettings(const Settings& settings) {
    SettingsFields fields{};
    for (const SettingFacts& facts : SettingsTable) {
        fields.Values[fields.Count++] = static_cast<uint32_t>(settings.*facts.Value);
    }
    return SaverParametersFromFields(fields);
}
