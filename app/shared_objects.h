// GDI objects that start-up creates for the windows of both modes.
#pragma once

#include <windows.h>

extern HFONT ControlFont;      // the 16-pixel dialog font
extern HBRUSH ButtonFaceBrush; // background of the NORMALDLG class
