// Process entry of tavorinex.scr: shared resources, the single-instance guard,
// self-location and the hand-over to the settings window or the saver.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>

#include "app/startup.h"
#include "saver/saver_window.h"
#include "settings/dialog_resources.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "settings/shown_text.h"

HFONT ControlFont;
HBRUSH ButtonFaceBrush;

static LRESULT CALLBACK DialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterWindowClass(const char* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
    RegisterClassExA(&windowClass);
}

static bool WinIsCharAlpha(unsigned char value) {
    return IsCharAlphaA(static_cast<CHAR>(value)) != FALSE;
}

static void LocateSelf() {
    char path[ModulePathBufferSize] = {};
    GetModuleFileNameA(GetModuleHandleA(nullptr), path, ModulePathBufferSize);
    // Older systems leave a path cut at the buffer's end without its zero byte.
    path[ModulePathBufferSize - 1] = '\0';
    CharLowerA(path);
    if (!LocateInstallDir(path, InstallDir)) {
        ShowMessage(nullptr,
                    {"ファイル名が tavorinex.scr から変更されています",
                     "The file name has been changed from tavorinex.scr"},
                    MB_OK | MB_ICONEXCLAMATION);
        ExitProcess(0);
    }
    SettingsFilePath = SettingsFileIn(InstallDir);
}

static void RunSaver() {
    ShowCursor(FALSE);
    RegisterWindowClass("NORMAL0", SaverWindowProc,
                        static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    CreateWindowExA(WS_EX_TOPMOST, "NORMAL0", "saver", WS_POPUP | WS_VISIBLE | WS_MAXIMIZE,
                    CW_USEDEFAULT, CW_USEDEFAULT, 469, 374, nullptr, nullptr,
                    GetModuleHandleA(nullptr), nullptr);
    MSG message;
    // -1 (an error) ends the loop just as WM_QUIT does.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    ControlFont = CreateFontWithFace(-16, FW_NORMAL, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS,
                                     CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_MODERN | VARIABLE_PITCH,
                                     {"ＭＳ Ｐゴシック", "MS PGothic"});
    ButtonFaceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    RegisterWindowClass("NORMALDLG", DialogClassProc, ButtonFaceBrush);
    timeBeginPeriod(1);

    // Its mere existence is the test; it stays open until the process ends.
    CreateMutexA(nullptr, FALSE, "tavorinex.scr");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ExitProcess(0);
    }

    LocateSelf();

    switch (SelectMode(ScanModeLetter(GetCommandLineA(), WinIsCharAlpha))) {
    case Mode::Settings:
        OpenSubWindow(nullptr, "SubWnd");
        break;
    case Mode::Saver:
        RunSaver();
        break;
    case Mode::None:
        break;
    }
    ExitProcess(0);
}
