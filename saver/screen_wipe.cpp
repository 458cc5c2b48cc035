#include "saver/screen_wipe.h"

#include <cstdint>
#include <limits>

#include "saver/gdi.h"
#include "saver/saver_state.h"
#include "settings/settings.h"

int32_t WipePausePolls(int32_t wipeDelay) {
    return static_cast<int32_t>(100u * static_cast<uint32_t>(wipeDelay) + 1u);
}

int32_t WipeLinePolls(int32_t wipeDelay) {
    return WrapAdd(wipeDelay, 1);
}

// Rows 0, 2, 4, ... down to H, in the target colour; the odd rows keep the trail.
static void DrawInterlace(int32_t linePolls) {
    gdi::Object pen = gdi::CreatePen(ColorRef(TargetColor));
    gdi::Object previous = gdi::SelectObject(ScreenDC, pen);
    for (int32_t g = 0; g <= gdi::ScreenHeight(); g += 2) {
        gdi::MoveToEx(ScreenDC, 0, g);
        gdi::LineTo(ScreenDC, gdi::ScreenWidth(), g);
        WaitPolls(linePolls);
        if (g > std::numeric_limits<int32_t>::max() - 2) {
            break;
        }
    }
    gdi::SelectObject(ScreenDC, previous);
    gdi::DeleteObject(pen);
}

// Two black fans: one about the top-left corner, one about the point just past the
// bottom-right corner; the end points one pixel outside reach the last and first column.
static void DrawFans(int32_t linePolls) {
    gdi::Object pen = gdi::CreatePen(0);
    gdi::Object previous = gdi::SelectObject(ScreenDC, pen);
    for (int32_t g = 0; g <= gdi::ScreenHeight(); ++g) {
        gdi::MoveToEx(ScreenDC, 0, 0);
        gdi::LineTo(ScreenDC, gdi::ScreenWidth(), g);
        gdi::MoveToEx(ScreenDC, gdi::ScreenWidth(), gdi::ScreenHeight());
        gdi::LineTo(ScreenDC, -1, WrapSub(gdi::ScreenHeight(), g));
        WaitPolls(linePolls);
        if (g == std::numeric_limits<int32_t>::max()) {
            break;
        }
    }
    gdi::SelectObject(ScreenDC, previous);
    gdi::DeleteObject(pen);
}

void ScreenWipe() {
    int32_t wipeDelay = CurrentSaverParameters.WipeDelay;
    WaitPolls(WipePausePolls(wipeDelay));
    DrawInterlace(WipeLinePolls(wipeDelay));
    DrawFans(WipeLinePolls(wipeDelay));
    BoxPosition = {-1, -1};
    WaitPolls(WipePausePolls(wipeDelay));
}
