// The full-screen saver window.
#pragma once

#include <windows.h>

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
