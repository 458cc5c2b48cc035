#include "saver/saver_window.h"

// Until the saver draws, saver mode ends where the animation would start.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        ExitProcess(0);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
