#include "saver/saver_window.h"

#include "saver/box_animator.h"
#include "saver/gdi_platform.h"
#include "saver/input_watch.h"
#include "settings/dialog_resources.h"
#include "settings/settings.h"

static HWND SaverWindow = nullptr;
static HDC ScreenDC = nullptr;
// The running saver. It lives until the process ends inside InputWatch.
static Saver TheSaver;

// Draws on ScreenDC, not on the paint context, and spends every wait the animation asks for
// polling the input: the process ends inside one of those polls.
[[noreturn]] static void BoxAnimator() {
    BoxAnimatorStart(TheSaver, GdiPlatform, ScreenDC, CurrentSaverParameters, GetTickCount());
    for (;;) {
        const SaverWait wait = BoxAnimatorAdvance(TheSaver);
        for (uint32_t poll = 0; poll < wait.Polls; ++poll) {
            InputWatch();
        }
    }
}

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
    BeginPaint(window, &paint);
    BoxAnimator();
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
