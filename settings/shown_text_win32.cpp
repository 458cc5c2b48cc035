// The Windows calls that show texts, each in one place, in both forms.
#include "settings/shown_text.h"

namespace {
// Room for the longest text, the save-failure message, with plenty to spare: a text too long
// for it would show in English.
constexpr int WideTextCapacity = 128;

struct WideText {
    wchar_t Text[WideTextCapacity];
};

int ConvertCp932(const char* text, wchar_t* out, int capacity) {
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, -1, out, capacity);
}

WideText Wide(ShownText text) {
    WideText wide;
    ToWideText(text, ConvertCp932, wide.Text, WideTextCapacity);
    return wide;
}

bool AnsiCalls() {
    return TakesCp932Directly(GetACP());
}
} // namespace

HWND CreateWindowWithText(DWORD exStyle, const char* className, ShownText text, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menu) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (AnsiCalls()) {
        return CreateWindowExA(exStyle, className, text.Japanese, style, x, y, width, height,
                               parent, menu, instance, nullptr);
    }
    // Class names are ASCII, the same in either table.
    return CreateWindowExW(exStyle, Wide({className, className}).Text, Wide(text).Text, style, x, y,
                           width, height, parent, menu, instance, nullptr);
}

void SetWindowProcedure(HWND window, WNDPROC procedure, ShownText text) {
    if (AnsiCalls()) {
        SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
        return;
    }
    SetWindowLongW(window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
    SetWindowTextW(window, Wide(text).Text);
}

LRESULT DefaultWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return AnsiCalls() ? DefWindowProcA(window, message, wParam, lParam)
                       : DefWindowProcW(window, message, wParam, lParam);
}

int ShowMessage(HWND owner, ShownText text, UINT type) {
    if (AnsiCalls()) {
        return MessageBoxA(owner, text.Japanese, "Tavorinex", type);
    }
    return MessageBoxW(owner, Wide(text).Text, L"Tavorinex", type);
}

HFONT CreateFontWithFace(int height, int weight, DWORD charset, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, ShownText face) {
    if (AnsiCalls()) {
        return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, outPrecision,
                           clipPrecision, quality, pitchAndFamily, face.Japanese);
    }
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, outPrecision,
                       clipPrecision, quality, pitchAndFamily, Wide(face).Text);
}
