// The settings text read the plain way, the whole string at once: the reference that the
// loaders' streaming scan is compared with. Its digit handling is its own, so that a fault on
// either side shows.
#pragma once

#include <cstdint>
#include <string_view>

#include "settings/settings.h"

namespace reference {

inline int Digit(char c, int base) {
    const std::string_view digits = "0123456789ABCDEF";
    const char upper = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    const std::size_t at = digits.substr(0, static_cast<std::size_t>(base)).find(upper);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// &H and &O: digit times base^p, the place values 64-bit and wrapping to 0.
inline double Prefixed(std::string_view text) {
    const char letter = text.size() < 2 ? '\0' : text[1];
    const int base = letter == 'H' || letter == 'h' ? 16 : letter == 'O' || letter == 'o' ? 8 : 0;
    if (base == 0) {
        return 0.0;
    }
    std::size_t end = 2;
    while (end < text.size() && Digit(text[end], base) >= 0) {
        ++end;
    }
    double value = 0.0;
    uint64_t place = 1;
    for (std::size_t i = end; i > 2; --i, place *= static_cast<uint64_t>(base)) {
        value += Digit(text[i - 1], base) * static_cast<double>(place);
    }
    return value;
}

inline double Number(std::string_view text) {
    if (!text.empty() && text[0] == '&') {
        return Prefixed(text);
    }
    const bool signed_ = !text.empty() && (text[0] == '-' || text[0] == '+');
    std::size_t at = signed_ ? 1 : 0;
    const std::size_t first = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        ++at;
    }
    // From the last digit back; a 0 where the place value is infinite adds nothing.
    double value = 0.0;
    double place = 1.0;
    for (std::size_t i = at; i > first; --i, place *= 10.0) {
        if (text[i - 1] != '0') {
            value += (text[i - 1] - '0') * place;
        }
    }
    if (at < text.size() && text[at] == '.') {
        double scale = 1.0;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            scale *= 10.0;
            value += (text[at] - '0') / scale;
        }
    }
    return signed_ && text[0] == '-' ? -value : value;
}

inline SettingsFields Fields(std::string_view bytes) {
    SettingsFields fields{};
    std::size_t start = 0;
    std::size_t comma = 0;
    while (fields.Count < static_cast<int>(SettingCount) &&
           (comma = bytes.find(',', start)) != std::string_view::npos) {
        fields.Values[fields.Count++] = Number(bytes.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
}

} // namespace reference
