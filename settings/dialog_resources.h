// The font of every settings control and the background brush of the NORMALDLG class. Start-up
// creates and owns them; the saver window deletes both when it is destroyed before its first
// paint.
#pragma once

#include <windows.h>

extern HFONT ControlFont;
extern HBRUSH ButtonFaceBrush;
