// Any bytes as a settings file, a number field, a command line and a module path.
// Beyond the sanitizers' checks, each view must keep the properties the program relies on.
#include "app/startup.h"
#include "settings/settings.h"
#include "settings/settings_scan.h"
#include "tests/unit/cp932_alpha.h"
#include "tests/unit/settings_reference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

static void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

static bool SameSettings(const Settings& a, const Settings& b) {
    return a.BoxSize == b.BoxSize && a.ColorChangeRate == b.ColorChangeRate &&
           a.DrawSpeed == b.DrawSpeed && a.EraseFrequency == b.EraseFrequency &&
           a.EraseSpeed == b.EraseSpeed;
}

static bool SameFields(const SettingsFields& a, const SettingsFields& b) {
    return a.Count == b.Count && std::memcmp(a.Values, b.Values, sizeof a.Values) == 0;
}

// The text fed in pieces, as the loaders read a file: one byte at a time, or in pieces whose
// lengths the text's own bytes choose.
static SettingsFields ScanInPieces(std::string_view text, bool byteByByte) {
    SettingsScan scan{};
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = byteByByte ? 1 : 1 + static_cast<unsigned char>(text[at]) % 61;
        ScanSettingsText(scan, text.substr(at, length));
        at += length;
    }
    return scan.Fields;
}

static void CheckSettingsText(std::string_view text) {
    const SettingsFields fields = reference::Fields(text);
    Require(SameFields(ParseSettingsText(text), fields));
    Require(SameFields(ScanInPieces(text, true), fields));
    Require(SameFields(ScanInPieces(text, false), fields));
    const auto commas = std::count(text.begin(), text.end(), ',');
    Require(fields.Count == std::min<std::ptrdiff_t>(commas, 5));
    for (int k = 0; k < fields.Count; ++k) {
        Require(!std::isnan(fields.Values[k]));
    }
    const Settings settings = SettingsFromText(text);
    const SaverParameters saver = SaverParametersFromText(text);
    Require(settings.BoxSize == saver.BoxSize); // the one value both views take unconverted
    if (fields.Count < 5) {
        Require(settings.EraseSpeed == SettingsDefaults.EraseSpeed);
        Require(saver.WipeDelay == SaverParametersWithoutFile.WipeDelay);
    }
    // Whatever loaded is written as plain digits and commas and loads back unchanged.
    const std::string written = FormatSettingsText(settings);
    Require(written.size() <= 55);
    Require(written.find_first_not_of("0123456789,") == std::string::npos);
    Require(SameSettings(SettingsFromText(written), settings));

    const double whole = ParseNumber(text);
    const double plain = reference::Number(text.substr(0, text.find(',')));
    Require(!std::isnan(whole) && std::memcmp(&whole, &plain, sizeof whole) == 0);
    StoreInt32(whole);
}

static void CheckModeScan(std::string_view commandLine) {
    const ModeScan scan = ScanModeLetter(commandLine, IsCharAlphaCp932);
    // The letter found is alphabetic, and no byte after the last alphabetic one is.
    std::size_t after = commandLine.size();
    while (after > 0 && !IsCharAlphaCp932(static_cast<unsigned char>(commandLine[after - 1]))) {
        --after;
    }
    Require(scan.Found == (after > 0));
    if (scan.Found) {
        Require(commandLine[after - 1] == scan.ModeLetter);
    }
    SelectMode(scan);
}

// Any bytes as a path the system has already lower-cased.
static void CheckSelfLocation(std::string_view lower) {
    const std::size_t longAt = lower.find("tavorinex.scr");
    const std::size_t shortAt = lower.find("tavori~1.scr");
    std::string installDir;
    if (!LocateInstallDir(lower, installDir)) {
        Require(longAt == std::string::npos && shortAt == std::string::npos);
        return;
    }
    Require(installDir.size() == (longAt != std::string::npos ? longAt : shortAt));
    Require(lower.compare(0, installDir.size(), installDir) == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckSettingsText(bytes);
    CheckModeScan(bytes);
    CheckSelfLocation(bytes);
    return 0;
}
