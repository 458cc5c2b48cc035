// Any bytes as a settings file, a number field, a command line and a module path.
// Beyond the sanitizers' checks, each view must keep the properties the program relies on.
#include "app/startup.h"
#include "settings/settings.h"
#include "settings/settings_scan.h"

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
    const SettingsFields fields = ParseSettingsText(text);
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
    Require(!std::isnan(whole));
    StoreInt32(whole);
}

static void CheckModeScan(std::string_view commandLine) {
    const ModeScan scan = ScanModeLetter(commandLine, IsCharAlphaCp932);
    std::size_t after = 0; // bytes behind the letter, all of which must be non-alphabetic
    if (scan.Found) {
        Require(scan.ModeLetterIndex >= 1);
        const auto index = static_cast<std::size_t>(scan.ModeLetterIndex);
        Require(index <= commandLine.size());
        Require(commandLine[commandLine.size() - index] == scan.ModeLetter);
        Require(IsCharAlphaCp932(static_cast<unsigned char>(scan.ModeLetter)));
        after = index - 1;
    } else {
        after = commandLine.size();
    }
    for (std::size_t i = commandLine.size() - after; i < commandLine.size(); ++i) {
        Require(!IsCharAlphaCp932(static_cast<unsigned char>(commandLine[i])));
    }
    SelectMode(scan);
}

static void CheckSelfLocation(std::string_view modulePath) {
    const std::string lower = LowerCp932(CutToModulePathBuffer(modulePath));
    Require(lower.size() <= ModulePathBufferSize - 1);
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
