// The texts the user reads in tavorinex.scr's windows and message boxes. They are code page 932
// Japanese. Japanese Windows (ANSI code page 932) takes them through the ANSI calls as they
// are; any other Windows gets them converted to UTF-16 for the wide calls, so the same Japanese
// appears wherever the system has that code page's tables, and English of the same meaning
// where it has not. The choice is plain logic here; shown_text_win32.cpp makes the calls.
#pragma once

#include <cstdint>

struct ShownText {
    const char* Japanese; // code page 932
    const char* English;  // ASCII
};

constexpr bool TakesCp932Directly(uint32_t ansiCodePage) {
    return ansiCodePage == 932;
}

// Converts a zero-ended code page 932 text into zero-ended UTF-16 of at most `capacity` units;
// returns the units written with the zero, or 0 when it cannot.
using Cp932Conversion = int (*)(const char* text, wchar_t* out, int capacity);

// The text for the wide calls: the Japanese converted, or else the English, cut to fit.
void ToWideText(ShownText text, Cp932Conversion convert, wchar_t* out, int capacity);

#ifdef _WIN32
#include <windows.h>

// Each makes one Windows call, in its ANSI form where the system's code page is 932 and in its
// wide form elsewhere.
HWND CreateWindowWithText(DWORD exStyle, const char* className, ShownText text, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menu);
// Gives a window its own procedure. With the wide calls that makes it a Unicode window, and its
// text is set again: at creation its class's ANSI procedure could keep it only in the system's
// code page.
void SetWindowProcedure(HWND window, WNDPROC procedure, ShownText text);
LRESULT DefaultWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int ShowMessage(HWND owner, ShownText text, UINT type); // titled "Tavorinex"
HFONT CreateFontWithFace(int height, int weight, DWORD charset, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, ShownText face);
#endif
