#include "settings/settings_dialog.h"

// Until the window exists, settings mode ends where it would open it.
int32_t OpenSubWindow(HWND, const char*) { return 0; }
