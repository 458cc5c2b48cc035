// The save-failure message where there are no message boxes: standard error.
#include "settings/settings.h"

#include <cstdio>

static const char SaveFailureMessageText[] =
    "設定の保存に失敗しました！\"書き込み禁止属性を解除して下さい。";

std::string_view SaveFailureText() {
    return std::string_view(SaveFailureMessageText, sizeof SaveFailureMessageText - 1);
}

void ShowSaveFailureMessage(WindowHandle) {
    std::fprintf(stderr, "Tavorinex: %s\n", SaveFailureMessageText);
}
