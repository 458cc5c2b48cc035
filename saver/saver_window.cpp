#include "saver/saver_window.h"

#include "app/shared_objects.h"
#include "saver/box_animator.h"
#include "saver/saver_state.h"
#include "settings/settings.h"

static HWND SaverWindow = nullptr;

static LRESULT OnCreate(HWND window) {
    SaverWindow = window;
    LoadSaverParameters();
    ScreenDC = GetDC(SaverWindow);
    return 0;
}

// The background erase inside BeginPaint blackens the screen; the paint never ends, since
// the animator keeps the thread until the input watch ends the process.
[[noreturn]] static void OnPaint(HWND window) {
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(window, &paint);
    BoxAnimator(dc);
}

static LRESULT OnDestroy() {
    DeleteObject(ControlFont);
    DeleteObject(ButtonFaceBrush);
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_PAINT:
        OnPaint(window);
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        return OnDestroy();
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
