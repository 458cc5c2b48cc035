#include "saver/screen_wipe.h"

#include <cstdint>
#include <limits>

int32_t WipePausePolls(int32_t wipeDelay) {
    return static_cast<int32_t>(100u * static_cast<uint32_t>(wipeDelay) + 1u);
}

int32_t WipeLinePolls(int32_t wipeDelay) {
    return WrapAdd(wipeDelay, 1);
}

namespace {

int32_t ScreenWidth(const Saver& s) {
    return s.Platform.ScreenWidth(s.Platform.Context);
}

int32_t ScreenHeight(const Saver& s) {
    return s.Platform.ScreenHeight(s.Platform.Context);
}

void MoveTo(Saver& s, int32_t x, int32_t y) {
    s.Platform.MoveToEx(s.Platform.Context, s.ScreenDC, x, y);
}

void LineTo(Saver& s, int32_t x, int32_t y) {
    s.Platform.LineTo(s.Platform.Context, s.ScreenDC, x, y);
}

// Each phase draws with a pen of its own, selected into ScreenDC for the phase only.
void BeginPhase(Saver& s, uint32_t color) {
    const SaverPlatform& p = s.Platform;
    s.Wipe.Pen = p.CreatePen(p.Context, color);
    s.Wipe.PreviousPen = p.SelectObject(p.Context, s.ScreenDC, s.Wipe.Pen);
    s.Wipe.Line = 0;
}

void EndPhase(Saver& s) {
    const SaverPlatform& p = s.Platform;
    p.SelectObject(p.Context, s.ScreenDC, s.Wipe.PreviousPen);
    p.DeleteObject(p.Context, s.Wipe.Pen);
    s.Wipe.Pen = nullptr;
    s.Wipe.PreviousPen = nullptr;
}

int32_t LinePolls(const Saver& s) {
    return WipeLinePolls(s.Parameters.WipeDelay);
}

// Two black fans: one about the top-left corner, one about the point just past the
// bottom-right corner; the end points one pixel outside reach the last and first column.
// The fans are done: the box goes back to the corner and the closing pause follows.
int32_t EndFans(Saver& s) {
    EndPhase(s);
    s.BoxPosition = {-1, -1};
    s.WaitPoint = SaverWaitPoint::AfterClosingPause;
    return WipePausePolls(s.Parameters.WipeDelay);
}

int32_t FanLines(Saver& s) {
    const int32_t g = s.Wipe.Line;
    if (g > ScreenHeight(s)) {
        return EndFans(s);
    }
    MoveTo(s, 0, 0);
    LineTo(s, ScreenWidth(s), g);
    const int32_t cornerX = ScreenWidth(s);
    MoveTo(s, cornerX, ScreenHeight(s));
    LineTo(s, -1, WrapSub(ScreenHeight(s), g));
    s.WaitPoint = SaverWaitPoint::AfterFanLines;
    return LinePolls(s);
}

int32_t NextFanLines(Saver& s) {
    if (s.Wipe.Line == std::numeric_limits<int32_t>::max()) {
        return EndFans(s);
    }
    ++s.Wipe.Line;
    return FanLines(s);
}

int32_t BeginFans(Saver& s) {
    BeginPhase(s, 0);
    return FanLines(s);
}

// Rows 0, 2, 4, ... down to H, in the target colour; the odd rows keep the trail.
int32_t InterlaceRow(Saver& s) {
    const int32_t g = s.Wipe.Line;
    if (g > ScreenHeight(s)) {
        EndPhase(s);
        return BeginFans(s);
    }
    MoveTo(s, 0, g);
    LineTo(s, ScreenWidth(s), g);
    s.WaitPoint = SaverWaitPoint::AfterInterlaceRow;
    return LinePolls(s);
}

int32_t NextInterlaceRow(Saver& s) {
    if (s.Wipe.Line > std::numeric_limits<int32_t>::max() - 2) {
        EndPhase(s);
        return BeginFans(s);
    }
    s.Wipe.Line += 2;
    return InterlaceRow(s);
}

} // namespace

int32_t ScreenWipeBegin(Saver& saver) {
    ++saver.Wipes;
    saver.WaitPoint = SaverWaitPoint::AfterOpeningPause;
    return WipePausePolls(saver.Parameters.WipeDelay);
}

int32_t ScreenWipeAdvance(Saver& saver) {
    switch (saver.WaitPoint) {
    case SaverWaitPoint::AfterOpeningPause:
        BeginPhase(saver, ColorRef(saver.TargetColor));
        return InterlaceRow(saver);
    case SaverWaitPoint::AfterInterlaceRow:
        return NextInterlaceRow(saver);
    case SaverWaitPoint::AfterFanLines:
        return NextFanLines(saver);
    case SaverWaitPoint::AfterStep:
    case SaverWaitPoint::AfterClosingPause:
        break;
    }
    return 0;
}

void ScreenWipeEnd(Saver& saver) {
    if (saver.Wipe.Pen != nullptr) {
        EndPhase(saver);
    }
}
