// The settings window: five sliders, OK, Cancel, and a disabled Test button.
// The layout and the slider bindings are plain data, so they can be checked without Windows.
#pragma once

#include <cstdint>

#include "settings/settings.h"
#include "tavorinex_version.h"

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
    const char* Text; // UTF-8 in the source; code page 932 in tavorinex.scr
    int32_t X;
    int32_t Y;
    int32_t Width;
    int32_t Height;
};

constexpr const char* SettingsDialogCaption = "Tavorinexの設定";
constexpr int32_t SettingsDialogWidth = 346;
constexpr int32_t SettingsDialogHeight = 348;

constexpr int32_t OkButtonId = 1000;
constexpr int32_t TestButtonId = 1001;
constexpr int32_t CancelButtonId = 1002;
constexpr int32_t CreditLineId = 1017;

// In creation order; ids run from 1000.
inline constexpr ControlSpec SettingsDialogControls[] = {
    {1000, ControlKind::PushButton, "OK", 13, 286, 85, 25},
    {1001, ControlKind::DisabledPushButton, "テスト", 130, 286, 85, 25},
    {1002, ControlKind::CancelButton, "キャンセル", 244, 286, 85, 25},
    {1003, ControlKind::Slider, "", 146, 244, 150, 25},
    {1004, ControlKind::GroupBox, "", 10, 3, 320, 76},
    {1005, ControlKind::CenteredText, "Tavorinex " TAVORINEX_VERSION_TEXT "／なめらかな描画の実験",
     14, 15, 315, 20},
    {1006, ControlKind::LeftText, "遅", 121, 247, 22, 22},
    {1007, ControlKind::LeftText, "速", 298, 247, 22, 22},
    {1008, ControlKind::LeftText, "描画速度", 25, 247, 74, 19},
    {1009, ControlKind::Slider, "", 144, 128, 150, 25},
    {1010, ControlKind::LeftText, "色替頻度", 25, 130, 72, 22},
    {1011, ControlKind::LeftText, "低", 119, 130, 22, 22},
    {1012, ControlKind::LeftText, "高", 296, 130, 22, 22},
    {1013, ControlKind::LeftText, "BOXサイズ", 25, 91, 75, 22},
    {1014, ControlKind::Slider, "", 146, 91, 150, 25},
    {1015, ControlKind::LeftText, "大", 296, 91, 22, 22},
    {1016, ControlKind::LeftText, "小", 119, 91, 22, 22},
    {1017, ControlKind::CenteredText, "(C) 2026 Tavorinex 開発チーム", 11, 52, 317, 19},
    {1018, ControlKind::LeftText, "消去頻度", 25, 166, 87, 22},
    {1019, ControlKind::Slider, "", 146, 166, 150, 25},
    {1020, ControlKind::LeftText, "低", 121, 168, 22, 22},
    {1021, ControlKind::LeftText, "高", 296, 168, 22, 22},
    {1022, ControlKind::Slider, "", 146, 201, 150, 25},
    {1023, ControlKind::LeftText, "消去速度", 25, 205, 73, 22},
    {1024, ControlKind::LeftText, "遅", 121, 205, 22, 22},
    {1025, ControlKind::LeftText, "速", 298, 205, 22, 22},
};

inline const char* ControlClassName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Slider:
        return "msctls_trackbar32";
    case ControlKind::LeftText:
    case ControlKind::CenteredText:
        return "STATIC";
    case ControlKind::PushButton:
    case ControlKind::DisabledPushButton:
    case ControlKind::CancelButton:
    case ControlKind::GroupBox:
        break;
    }
    return "BUTTON";
}

// A slider and the setting it edits. The position is the setting itself, unscaled.
struct SliderBinding {
    int32_t Id;
    int32_t Settings::*Field;
    int32_t Minimum;
    int32_t Maximum;
};

// In the order the sliders get their ranges and positions (the file's field order).
inline constexpr SliderBinding SliderBindings[] = {
    {1014, &Settings::BoxSize, 40, 230},  {1009, &Settings::ColorChangeRate, 3, 50},
    {1003, &Settings::DrawSpeed, 0, 50},  {1019, &Settings::EraseFrequency, 20, 1000},
    {1022, &Settings::EraseSpeed, 0, 15},
};

// The binding of a slider id, or null for any other control.
inline const SliderBinding* FindSliderBinding(int32_t controlId) {
    for (const SliderBinding& binding : SliderBindings) {
        if (binding.Id == controlId) {
            return &binding;
        }
    }
    return nullptr;
}

// TBM_SETRANGE's packing: minimum in the low 16 bits, maximum in the high 16 bits.
inline uint32_t PackSliderRange(int32_t minimum, int32_t maximum) {
    return (static_cast<uint32_t>(minimum) & 0xFFFFu) |
           ((static_cast<uint32_t>(maximum) & 0xFFFFu) << 16);
}

#ifdef _WIN32
#include <windows.h>

// Opens the settings window when name is "SubWnd" and runs its message loop until WM_QUIT;
// returns that message's code. Any other name: nothing happens, 0.
int32_t OpenSubWindow(HWND owner, const char* name);
#endif
