// The settings window: five sliders, OK, Cancel, and a disabled Test button.
#pragma once

#include <windows.h>

#include <cstdint>

int32_t OpenSubWindow(HWND owner, const char* name);
