// The settings file's text and its number conversions, without any file access.
#include "settings/settings.h"
#include "settings/settings_scan.h"

#include <cmath>

int DigitValue(char c, int base) {
    int value = 16;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value < base ? value : -1;
}

double SumPrefixedDigits(std::string_view digits, int base) {
    // Place values are unsigned 64-bit and wrap: past the last 16 hexadecimal or 22 octal
    // digits they are 0, so those digits count nothing.
    double value = 0.0;
    uint64_t place = 1;
    for (std::size_t i = digits.size(); i > 0; --i) {
        int digit = DigitValue(digits[i - 1], base);
        if (digit != 0 && place != 0) {
            value += digit * static_cast<double>(place);
        }
        place *= static_cast<uint64_t>(base);
    }
    return value;
}

double SumDecimalDigits(std::string_view digits) {
    double value = 0.0;
    double place = 1.0;
    for (std::size_t i = digits.size(); i > 0; --i) {
        int digit = digits[i - 1] - '0';
        // Past about 309 digits the place value is infinite; a zero digit there must not
        // turn the sum into NaN.
        if (digit != 0) {
            value += digit * place;
        }
        place *= 10.0;
    }
    return value;
}

int PrefixBase(char letter) {
    if (letter == 'H' || letter == 'h') {
        return 16;
    }
    return letter == 'O' || letter == 'o' ? 8 : 0;
}

// &H and &O forms: no sign, no fraction.
static double ParsePrefixed(std::string_view text) {
    const int base = text.size() < 2 ? 0 : PrefixBase(text[1]);
    if (base == 0) {
        return 0.0;
    }
    std::size_t end = 2;
    while (end < text.size() && DigitValue(text[end], base) >= 0) {
        ++end;
    }
    return SumPrefixedDigits(text.substr(2, end - 2), base);
}

double ParseNumber(std::string_view text) {
    if (!text.empty() && text[0] == '&') {
        return ParsePrefixed(text);
    }
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    const std::size_t integerStart = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        ++at;
    }
    double value = SumDecimalDigits(text.substr(integerStart, at - integerStart));
    if (at < text.size() && text[at] == '.') {
        ++at;
        double scale = 1.0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            scale *= 10.0;
            value += (text[at] - '0') / scale;
            ++at;
        }
    }
    return negative ? -value : value;
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
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) {
        rounded = below + 1.0;
    }
    const double twoTo32 = 4294967296.0;
    double low = std::fmod(rounded, twoTo32); // exact, and within (-2^32, 2^32)
    if (low < 0.0) {
        low += twoTo32;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(low));
}

SettingsFields ParseSettingsText(std::string_view bytes) {
    SettingsFields fields = {{0.0, 0.0, 0.0, 0.0, 0.0}, 0};
    std::size_t start = 0;
    while (fields.Count < static_cast<int>(SettingCount)) {
        std::size_t comma = bytes.find(',', start);
        if (comma == std::string_view::npos) {
            break; // text after the last comma is no field: it may be cut short
        }
        fields.Values[fields.Count++] = ParseNumber(bytes.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
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
