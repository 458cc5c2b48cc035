// The settings text read piece by piece: each field's number is followed byte by byte, keeping
// only what can still change it, so a field of any length costs the same small record.
#include "settings/settings_scan.h"

#include <cstdint>
#include <limits>

static int DigitValue(char c, int base) {
    int value = 16;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value < base ? value : -1; // -1: no digit in that base
}

// 16 for H, 8 for O, either case; 0 for any other letter.
static int PrefixBase(char letter) {
    if (letter == 'H' || letter == 'h') {
        return 16;
    }
    return letter == 'O' || letter == 'o' ? 8 : 0;
}

static double SumPrefixedDigits(std::string_view digits, int base) {
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

static double SumDecimalDigits(std::string_view digits) {
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

static void KeepDigit(SettingsScan& scan, char c) {
    char& slot = scan.Digits[scan.DigitsSeen % SettingsDigitWindow];
    if (scan.DigitsSeen >= SettingsDigitWindow && slot != '0') {
        scan.NonzeroDigitLost = true;
    }
    slot = c;
    ++scan.DigitsSeen;
}

// The kept digits in their order, first to last.
static std::string_view KeptDigits(const SettingsScan& scan, char (&ordered)[SettingsDigitWindow]) {
    const bool wrapped = scan.DigitsSeen >= SettingsDigitWindow;
    const std::size_t count = wrapped ? SettingsDigitWindow : scan.DigitsSeen;
    const std::size_t first = wrapped ? scan.DigitsSeen % SettingsDigitWindow : 0;
    for (std::size_t i = 0; i < count; ++i) {
        ordered[i] = scan.Digits[(first + i) % SettingsDigitWindow];
    }
    return std::string_view(ordered, count);
}

static double IntegerValue(const SettingsScan& scan) {
    char ordered[SettingsDigitWindow];
    const double value = SumDecimalDigits(KeptDigits(scan, ordered));
    // The digits that left the window stand where the place value is infinite.
    return scan.NonzeroDigitLost ? std::numeric_limits<double>::infinity() : value;
}

static double PrefixedValue(const SettingsScan& scan) {
    char ordered[SettingsDigitWindow];
    return SumPrefixedDigits(KeptDigits(scan, ordered), scan.Base);
}

static void ScanFieldByte(SettingsScan& scan, char c) {
    switch (scan.Part) {
    case FieldPart::Start:
        if (c == '&') {
            scan.Part = FieldPart::Prefix;
            return;
        }
        scan.Part = FieldPart::Integer;
        if (c == '-' || c == '+') {
            scan.Negative = c == '-';
            return;
        }
        [[fallthrough]];
    case FieldPart::Integer:
        if (c >= '0' && c <= '9') {
            KeepDigit(scan, c);
            return;
        }
        scan.Value = IntegerValue(scan);
        if (c == '.') {
            scan.Scale = 1.0;
            scan.Part = FieldPart::Fraction;
        } else {
            scan.Part = FieldPart::Rest;
        }
        return;
    case FieldPart::Fraction:
        if (c >= '0' && c <= '9') {
            scan.Scale *= 10.0;
            scan.Value += (c - '0') / scan.Scale;
        } else {
            scan.Part = FieldPart::Rest;
        }
        return;
    case FieldPart::Prefix:
        scan.Base = PrefixBase(c);
        scan.Part = scan.Base != 0 ? FieldPart::PrefixedDigits : FieldPart::Rest;
        return;
    case FieldPart::PrefixedDigits:
        if (DigitValue(c, scan.Base) >= 0) {
            KeepDigit(scan, c);
        } else {
            scan.Value = PrefixedValue(scan);
            scan.Part = FieldPart::Rest;
        }
        return;
    case FieldPart::Rest:
        return;
    }
}

static double FieldValue(const SettingsScan& scan) {
    double value = 0.0; // nothing read, or "&" and no known letter
    if (scan.Part == FieldPart::Integer) {
        value = IntegerValue(scan);
    } else if (scan.Part == FieldPart::PrefixedDigits) {
        value = PrefixedValue(scan);
    } else if (scan.Part == FieldPart::Fraction || scan.Part == FieldPart::Rest) {
        value = scan.Value;
    }
    return scan.Negative ? -value : value;
}

bool ScanSettingsText(SettingsScan& scan, std::string_view bytes) {
    for (char c : bytes) {
        if (scan.Fields.Count == static_cast<int>(SettingCount)) {
            break;
        }
        if (c != ',') {
            ScanFieldByte(scan, c);
            continue;
        }
        scan.Fields.Values[scan.Fields.Count++] = FieldValue(scan);
        const SettingsFields fields = scan.Fields;
        scan = SettingsScan{};
        scan.Fields = fields;
    }
    return scan.Fields.Count == static_cast<int>(SettingCount);
}
