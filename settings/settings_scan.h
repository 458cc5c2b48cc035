// The settings text read piece by piece, as it comes from the file, in bounded memory.
#pragma once

#include "settings/settings.h"

#include <cstddef>
#include <string_view>

// An integer part's value is decided by its last digits alone: every digit before the last
// 309 has an infinite place value (it only tells whether the sum is infinite), and every
// &H or &O digit before the last 22 has a place value of 0. A few more do no harm.
inline constexpr std::size_t SettingsDigitWindow = 320;

enum class FieldPart {
    Start,          // nothing of the field read yet
    Integer,        // after an optional sign, in the integer digits
    Fraction,       // after the point
    Prefix,         // after "&"
    PrefixedDigits, // after "&H" or "&O"
    Rest,           // the number has ended; bytes up to the comma do not count
};

// Start from a value-initialised record (`SettingsScan scan{};`).
struct SettingsScan {
    SettingsFields Fields; // the fields a comma has ended so far
    FieldPart Part;
    bool Negative;
    int Base;
    double Value; // the number so far, once its integer part is complete
    double Scale; // 10^k after the k-th fraction digit
    std::size_t DigitsSeen;
    bool NonzeroDigitLost;            // a digit other than 0 has left the window
    char Digits[SettingsDigitWindow]; // the last digits of the integer part, as a ring
};

// Feeds the next bytes of the text. True once the fifth comma has been read; bytes fed after
// that are not looked at.
bool ScanSettingsText(SettingsScan& scan, std::string_view bytes);
