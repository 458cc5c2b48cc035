// The save-failure message box. Compiled for code page 932: keep <chrono> out of here.
#include <windows.h>

#include "settings/settings.h"
#include "settings/shown_text.h"

static const char SaveFailureMessageText[] =
    "設定の保存に失敗しました！\"書き込み禁止属性を解除して下さい。";

std::string_view SaveFailureText() {
    return std::string_view(SaveFailureMessageText, sizeof SaveFailureMessageText - 1);
}

void ShowSaveFailureMessage(WindowHandle owner) {
    ShowMessage(static_cast<HWND>(owner),
                {SaveFailureMessageText,
                 "The settings could not be saved! Clear the file's read-only attribute."},
                MB_OK);
}
