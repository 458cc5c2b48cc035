// The settings window. It is a plain NORMALDLG pop-up that does a dialog's work itself:
// it creates its controls on WM_INITDIALOG and runs its own message loop.
#include <windows.h>

#include <commctrl.h>

#include "settings/dialog_resources.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"

static HWND SettingsWindow;

static DWORD ControlStyle(ControlKind kind) {
    const DWORD common = WS_CHILD | WS_VISIBLE;
    switch (kind) {
    case ControlKind::PushButton:
        return common | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER;
    case ControlKind::DisabledPushButton:
        return common | WS_DISABLED | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER;
    case ControlKind::CancelButton:
        return common | BS_PUSHBUTTON | BS_CENTER;
    case ControlKind::Slider:
        return common | TBS_HORZ | TBS_BOTH | TBS_NOTICKS;
    case ControlKind::GroupBox:
        return common | BS_GROUPBOX;
    case ControlKind::LeftText:
        return common | SS_LEFT;
    case ControlKind::CenteredText:
        break;
    }
    return common | SS_CENTER;
}

static void CreateControls(HWND window) {
    for (const ControlSpec& control : SettingsDialogControls) {
        CreateWindowWithText(0, ControlClassName(control.Kind), {control.Text, control.English},
                             ControlStyle(control.Kind), control.X, control.Y, control.Width,
                             control.Height, window,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control.Id)));
        SendMessageA(GetDlgItem(window, control.Id), WM_SETFONT,
                     reinterpret_cast<WPARAM>(ControlFont), FALSE);
    }
}

static void ShowSettingsOnSliders(HWND window) {
    for (const SettingFacts& facts : SettingsTable) {
        SendDlgItemMessageA(
            window, facts.Dialog.Slider.Id, TBM_SETRANGE, TRUE,
            static_cast<LPARAM>(PackSliderRange(facts.Range.Minimum, facts.Range.Maximum)));
    }
    for (const SettingFacts& facts : SettingsTable) {
        SendDlgItemMessageA(window, facts.Dialog.Slider.Id, TBM_SETPOS, TRUE,
                            static_cast<LPARAM>(CurrentSettings.*facts.Value));
    }
}

// Only a released slider counts: a position reached by keys or wheel is not taken.
static void TakeReleasedSlider(int32_t controlId, const NMHDR* header) {
    const SettingFacts* facts = FindSettingBySlider(controlId);
    if (facts == nullptr || header == nullptr ||
        header->code != static_cast<UINT>(NM_RELEASEDCAPTURE)) {
        return;
    }
    CurrentSettings.*facts->Value =
        static_cast<int32_t>(SendDlgItemMessageA(SettingsWindow, controlId, TBM_GETPOS, 0, 0));
}

static void CloseSettingsDialog(HWND window, int32_t code) {
    // The owner is null in settings mode; enabling "no window" is harmless.
    EnableWindow(GetWindow(window, GW_OWNER), TRUE);
    DestroyWindow(window);
    PostMessageA(nullptr, WM_QUIT, static_cast<WPARAM>(code), 0);
}

static void HandleCommand(HWND window, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return;
    }
    switch (LOWORD(wParam)) {
    case OkButtonId:
        if (SaveSettings(window)) {
            CloseSettingsDialog(window, 0);
        }
        break;
    case CancelButtonId:
        ExitProcess(0);
    default:
        break;
    }
}

static LRESULT CALLBACK SettingsDialogProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SettingsWindow = window;
        CreateControls(window);
        LoadSettings();
        ShowSettingsOnSliders(window);
        return 0;
    case WM_NOTIFY:
        TakeReleasedSlider(LOWORD(wParam), reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_COMMAND:
        HandleCommand(window, wParam);
        return 0;
    case WM_CLOSE:
        CloseSettingsDialog(window, 0);
        return 0;
    case WM_DESTROY:
        return 0;
    default:
        return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

int32_t OpenSubWindow(HWND owner, const char* name) {
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, 0, name, -1, "SubWnd", -1) != CSTR_EQUAL) {
        return 0;
    }
    HWND window = CreateWindowWithText(
        WS_EX_TOPMOST, "NORMALDLG", SettingsDialogCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU,
        CW_USEDEFAULT, CW_USEDEFAULT, SettingsDialogWidth, SettingsDialogHeight, owner, nullptr);
    // Without a window nothing could ever post the quit that ends the loop below: the process
    // would wait unseen, holding the single-instance mutex, and no saver could start.
    if (window == nullptr) {
        return 0;
    }
    SettingsWindow = window;
    SetWindowProcedure(window, &SettingsDialogProc, SettingsDialogCaption);
    SendMessageA(window, WM_INITDIALOG, 0, 0);
    ShowWindow(window, SW_SHOW);
    // Without an owner (settings mode) this does nothing.
    EnableWindow(owner, FALSE);

    // Zeroed, so a loop ended by an error (-1) before any message returns 0.
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int32_t>(message.wParam);
}
