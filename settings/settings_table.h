// Every fact of the five settings, one row each: names, file position (the row's place),
// slider range and default, the conversion into the saver's parameter, the settings window's
// row and the names other hosts give it. Adding a setting means a row here, its fields in
// Settings and SaverParameters, and the code that uses the new parameter.
//
// The texts are UTF-8 in the source and code page 932 in tavorinex.scr (its sources are
// compiled for that code page); the table has internal linkage, so each file keeps the
// encoding it was compiled with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/saver_parameters.h"

// Slider values, as stored in the settings file.
struct Settings {
    int32_t BoxSize;
    int32_t ColorChangeRate;
    int32_t DrawSpeed;
    int32_t EraseFrequency;
    int32_t EraseSpeed;
};

enum class ControlKind {
    PushButton,         // centred both ways
    DisabledPushButton, // as PushButton, greyed
    CancelButton,       // centred horizontally only
    Slider,             // horizontal trackbar, no ticks
    GroupBox,
    LeftText,
    CenteredText,
};

struct ControlSpec {
    int32_t Id;
    ControlKind Kind;
    const char* Text;
    const char* English; // shown where the Japanese cannot be; short enough for the control
    int32_t X;
    int32_t Y;
    int32_t Width;
    int32_t Height;
};

// A setting's row in the settings window, left to right. The slider's position is the
// setting itself, unscaled.
struct SettingsDialogRow {
    int32_t Row; // 1 = top
    ControlSpec Name;
    ControlSpec LowEnd;
    ControlSpec Slider;
    ControlSpec HighEnd;
};

// The slider's range, which the loaders do not enforce, and its value when there is no file.
struct SliderRange {
    int32_t Minimum;
    int32_t Maximum;
    int32_t Default;
};

// The saver parameter a setting becomes. A mirrored slider runs the other way from its
// parameter: the parameter is MirrorAt minus the value, taken before rounding; otherwise it is
// the value itself.
struct SaverConversion {
    const char* ParameterName;
    int32_t SaverParameters::*Parameter;
    bool Mirrored;
    int32_t MirrorAt;
};

// What other hosts call it: command-line options and configuration files, in English.
struct HostNames {
    const char* OptionName;
    const char* Label;
    const char* LowLabel;
    const char* HighLabel;
};

struct SettingFacts {
    const char* Name; // in Settings, and as `tavorinex params` prints it
    int32_t Settings::*Value;
    SliderRange Range;
    SaverConversion Conversion;
    HostNames Names;
    SettingsDialogRow Dialog;
};

// In the file's field order, which is also the order the sliders are set up in.
// clang-format off
constexpr SettingFacts SettingsTable[] = {
    {"BoxSize", &Settings::BoxSize, {40, 230, 80},
     {"BoxSize", &SaverParameters::BoxSize, false, 0},
     {"box-size", "Box size", "Small", "Large"},
     {1,
      {1013, ControlKind::LeftText, "BOXサイズ", "Box size", 25, 91, 75, 22},
      {1016, ControlKind::LeftText, "小", "-", 119, 91, 22, 22},
      {1014, ControlKind::Slider, "", "", 146, 91, 150, 25},
      {1015, ControlKind::LeftText, "大", "+", 296, 91, 22, 22}}},
    {"ColorChangeRate", &Settings::ColorChangeRate, {3, 50, 50},
     {"ColorBounceLimit", &SaverParameters::ColorBounceLimit, true, 53},
     {"color-change-rate", "Color changes", "Rare", "Often"},
     {2,
      {1010, ControlKind::LeftText, "色替頻度", "Colours", 25, 130, 72, 22},
      {1011, ControlKind::LeftText, "低", "-", 119, 130, 22, 22},
      {1009, ControlKind::Slider, "", "", 144, 128, 150, 25},
      {1012, ControlKind::LeftText, "高", "+", 296, 130, 22, 22}}},
    {"DrawSpeed", &Settings::DrawSpeed, {0, 50, 44},
     {"StepDelay", &SaverParameters::StepDelay, true, 51},
     {"draw-speed", "Drawing speed", "Slow", "Fast"},
     {5,
      {1008, ControlKind::LeftText, "描画速度", "Drawing", 25, 247, 74, 19},
      {1006, ControlKind::LeftText, "遅", "-", 121, 247, 22, 22},
      {1003, ControlKind::Slider, "", "", 146, 244, 150, 25},
      {1007, ControlKind::LeftText, "速", "+", 298, 247, 22, 22}}},
    {"EraseFrequency", &Settings::EraseFrequency, {20, 1000, 960},
     {"EraseBounceCount", &SaverParameters::EraseBounceCount, true, 1020},
     {"erase-frequency", "Wipes", "Rare", "Often"},
     {3,
      {1018, ControlKind::LeftText, "消去頻度", "Wipes", 25, 166, 87, 22},
      {1020, ControlKind::LeftText, "低", "-", 121, 168, 22, 22},
      {1019, ControlKind::Slider, "", "", 146, 166, 150, 25},
      {1021, ControlKind::LeftText, "高", "+", 296, 168, 22, 22}}},
    {"EraseSpeed", &Settings::EraseSpeed, {0, 15, 11},
     {"WipeDelay", &SaverParameters::WipeDelay, true, 15},
     {"erase-speed", "Wipe speed", "Slow", "Fast"},
     {4,
      {1023, ControlKind::LeftText, "消去速度", "Wiping", 25, 205, 73, 22},
      {1024, ControlKind::LeftText, "遅", "-", 121, 205, 22, 22},
      {1022, ControlKind::Slider, "", "", 146, 201, 150, 25},
      {1025, ControlKind::LeftText, "速", "+", 298, 205, 22, 22}}},
};
// clang-format on

constexpr std::size_t SettingCount = std::size(SettingsTable);

// What each loader gives when there is no file: the slider defaults, and the saver takes
// them as they are, without converting them.
static constexpr Settings DefaultSettings() {
    Settings settings{};
    for (const SettingFacts& facts : SettingsTable) {
        settings.*facts.Value = facts.Range.Default;
    }
    return settings;
}

static constexpr SaverParameters DefaultSaverParameters() {
    SaverParameters parameters{};
    for (const SettingFacts& facts : SettingsTable) {
        parameters.*facts.Conversion.Parameter = facts.Range.Default;
    }
    return parameters;
}

constexpr Settings SettingsDefaults = DefaultSettings();
constexpr SaverParameters SaverParametersWithoutFile = DefaultSaverParameters();

// The row whose slider has this control id, or null for any other control.
static constexpr const SettingFacts* FindSettingBySlider(int32_t controlId) {
    for (const SettingFacts& facts : SettingsTable) {
        if (facts.Dialog.Slider.Id == controlId) {
            return &facts;
        }
    }
    return nullptr;
}
