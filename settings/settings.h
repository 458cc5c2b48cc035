// The five user settings, the values the saver derives from them, and their file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_table.h"

// An owner window for messages; a window handle on Windows.
using WindowHandle = void*;

extern Settings CurrentSettings;
extern SaverParameters CurrentSaverParameters;

// InstallDir + "tavorinex.ini"; start-up sets it once it knows InstallDir.
extern std::string SettingsFilePath;
std::string SettingsFileIn(std::string_view installDir);

void LoadSettings();
void LoadSaverParameters();
bool SaveSettings(WindowHandle owner);

// The fields in front of the fifth comma, as numbers, before any rounding.
// Count is how many fields a comma ended (0 to SettingCount); the rest are missing and read
// 0 here.
struct SettingsFields {
    double Values[SettingCount];
    int Count;
};

// A field's number, read as the loaders read it (bytes up to a comma).
double ParseNumber(std::string_view text);
std::string FormatNumber(uint32_t value);

// Rounds half to even and keeps the low 32 bits in two's complement.
// Infinities and NaN give 0: every double too large for the low bits to survive
// already has them all zero.
int32_t StoreInt32(double value);

// The whole text through the loaders' scan (settings_scan.h).
SettingsFields ParseSettingsText(std::string_view bytes);
std::string FormatSettingsText(const Settings& settings); // without the closing zero byte

// A field the file does not finish keeps the loader's no-file value.
Settings SettingsFromFields(const SettingsFields& fields);
SaverParameters SaverParametersFromFields(const SettingsFields& fields);
Settings SettingsFromText(std::string_view bytes);
SaverParameters SaverParametersFromText(std::string_view bytes);
// Slider values as the saver gets them once saved: each written as unsigned 32-bit and
// converted as the loader converts the file. Every host that takes slider values uses it.
SaverParameters SaverParametersFromSettings(const Settings& settings);

// The same operations on any file path.
Settings LoadSettingsFrom(const std::string& path);
SaverParameters LoadSaverParametersFrom(const std::string& path);
bool SaveSettingsTo(const std::string& path, const Settings& settings, WindowHandle owner);

// Tells the user that a save failed: ShowSaveFailureMessage unless tests set another. Null by
// default, so tavorinex.scr keeps no initialised data, which would take a section of its own.
using SaveFailureNotice = void (*)(WindowHandle owner);
extern SaveFailureNotice ShowSaveFailure;
void ShowSaveFailureMessage(WindowHandle owner);
std::string_view SaveFailureText(); // the message as the platform shows it
