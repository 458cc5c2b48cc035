// The settings window: five sliders, OK, Cancel, and a disabled Test button.
// The layout is plain data, so it can be checked without Windows.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "settings/settings_table.h"
#include "settings/shown_text.h"
#include "tavorinex_version.h"

constexpr ShownText SettingsDialogCaption = {"Tavorinexの設定", "Tavorinex settings"};
constexpr int32_t SettingsDialogWidth = 346;
constexpr int32_t SettingsDialogHeight = 348;

constexpr int32_t OkButtonId = 1000;
constexpr int32_t CancelButtonId = 1002;

// The controls that belong to no setting's row.
constexpr ControlSpec SettingsDialogFrame[] = {
    {1000, ControlKind::PushButton, "OK", "OK", 13, 286, 85, 25},
    {1001, ControlKind::DisabledPushButton, "テスト", "Test", 130, 286, 85, 25},
    {1002, ControlKind::CancelButton, "キャンセル", "Cancel", 244, 286, 85, 25},
    {1004, ControlKind::GroupBox, "", "", 10, 3, 320, 76},
    {1005, ControlKind::CenteredText, "Tavorinex " TAVORINEX_VERSION_TEXT "／なめらかな描画の実験",
     "Tavorinex " TAVORINEX_VERSION_TEXT " / smooth drawing", 14, 15, 315, 20},
    {1017, ControlKind::CenteredText, "(C) 2026 Tavorinex 開発チーム",
     "(C) 2026 Tavorinex developers", 11, 52, 317, 19},
};

constexpr std::size_t SettingsDialogControlCount =
    std::size(SettingsDialogFrame) + 4 * SettingCount;

// A control of the window as it stands in the frame or in its row, so the list below keeps no
// second copy of any: it reads as the ControlSpec itself.
struct ControlRef {
    const ControlSpec* Control;
    constexpr operator const ControlSpec&() const { return *Control; }
};

// Every control in creation order: ids run from 1000.
static constexpr std::array<ControlRef, SettingsDialogControlCount> DialogControlsInOrder() {
    std::array<ControlRef, SettingsDialogControlCount> controls{};
    std::size_t n = 0;
    for (const ControlSpec& control : SettingsDialogFrame) {
        controls[n++] = {&control};
    }
    for (const SettingFacts& facts : SettingsTable) {
        const SettingsDialogRow& row = facts.Dialog;
        for (const ControlSpec* control : {&row.Name, &row.LowEnd, &row.Slider, &row.HighEnd}) {
            controls[n++] = {control};
        }
    }
    std::sort(controls.begin(), controls.end(),
              [](ControlRef a, ControlRef b) { return a.Control->Id < b.Control->Id; });
    return controls;
}

constexpr std::array<ControlRef, SettingsDialogControlCount> SettingsDialogControls =
    DialogControlsInOrder();

static constexpr const char* ControlClassName(ControlKind kind) {
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

// TBM_SETRANGE's packing: minimum in the low 16 bits, maximum in the high 16 bits.
constexpr uint32_t PackSliderRange(int32_t minimum, int32_t maximum) {
    return (static_cast<uint32_t>(minimum) & 0xFFFFu) |
           ((static_cast<uint32_t>(maximum) & 0xFFFFu) << 16);
}

#ifdef _WIN32
#include <windows.h>

// Opens the settings window when name is "SubWnd" and runs its message loop until WM_QUIT;
// returns that message's code. Any other name: nothing happens, 0.
int32_t OpenSubWindow(HWND owner, const char* name);
#endif
