// The five user settings, the values the saver derives from them, and their file.
#pragma once

#include <cstdint>
#include <string>

// Slider values, as stored in the settings file.
struct Settings {
    int32_t BoxSize;
    int32_t ColorChangeRate;
    int32_t DrawSpeed;
    int32_t EraseFrequency;
    int32_t EraseSpeed;
};

// What the saver runs with.
struct SaverParameters {
    int32_t BoxSize;
    int32_t ColorBounceLimit;
    int32_t StepDelay;
    int32_t EraseBounceCount;
    int32_t WipeDelay;
};

// An owner window for messages; a window handle on Windows.
using WindowHandle = void*;

extern Settings CurrentSettings;
extern SaverParameters CurrentSaverParameters;

std::string SettingsFilePath(); // InstallDir + "tavorinex.ini"
void LoadSettings();
void LoadSaverParameters();
bool SaveSettings(WindowHandle owner);
