#include "saver/box_animator.h"

#include <algorithm>

#include "saver/random.h"
#include "saver/screen_wipe.h"

int32_t StepPolls(int32_t stepDelay) {
    // Without a wait of its own a step still looks at the input once: wipes, which poll, may
    // never come (a hand-edited erase frequency), and nothing else would stop the saver.
    return stepDelay > 0 ? stepDelay : 1;
}

int32_t BoxImageSize(int32_t boxSize, int32_t screenWidth, int32_t screenHeight) {
    if (boxSize <= 0) {
        return 0;
    }
    // Beyond the screen's size plus a margin, a box's middle rows and columns are all alike:
    // a smaller image placed by BoxImagePosition shows the same pixels.
    int64_t bound = int64_t{std::max({screenWidth, screenHeight, int32_t{0}})} + 4;
    return static_cast<int32_t>(std::min(int64_t{boxSize}, bound));
}

int32_t BoxImagePosition(int32_t position, int32_t boxSize, int32_t imageSize, int32_t extent) {
    if (imageSize >= boxSize) {
        return position;
    }
    // The box columns on screen are [first, last) of 0..boxSize. Columns 0, 1, boxSize - 2 and
    // boxSize - 1 differ from the rest; every other one looks like column 2.
    int64_t first = std::max(int64_t{0}, -int64_t{position});
    int64_t last = std::min(int64_t{boxSize}, int64_t{extent} - position);
    if (first <= 1) {
        return position;
    }
    if (last >= int64_t{boxSize} - 1) {
        return static_cast<int32_t>(int64_t{position} + boxSize - imageSize);
    }
    // Only middle columns show: place the image's column 2 at the first screen column.
    return static_cast<int32_t>(int64_t{position} + first - 2);
}

namespace {

int32_t ScreenWidth(const Saver& s) {
    return s.Platform.ScreenWidth(s.Platform.Context);
}

int32_t ScreenHeight(const Saver& s) {
    return s.Platform.ScreenHeight(s.Platform.Context);
}

// A new speed away from an edge, 1..5.
int32_t DrawVelocity(Saver& s) {
    return FloorToInt(5 * Rnd(s.RandomSeed) + 1);
}

int32_t DrawComponent(Saver& s) {
    return FloorToInt(256 * Rnd(s.RandomSeed));
}

void DrawTargetColor(Saver& s) {
    s.TargetColor.red = DrawComponent(s);
    s.TargetColor.green = DrawComponent(s);
    s.TargetColor.blue = DrawComponent(s);
}

void CountBounce(Saver& s) {
    BoxAnimation& a = s.Animation;
    a.BounceCount = WrapAdd(a.BounceCount, 1);
    a.EraseCountdown = WrapSub(a.EraseCountdown, 1);
    if (a.BounceCount > s.Parameters.ColorBounceLimit) {
        a.BounceCount = 0;
    }
}

// One axis of the move: a bounce off the near or far edge stops the box on it and draws a
// new speed away from it.
void MoveAlong(Saver& s, int32_t& position, int32_t& velocity, int32_t screenSize) {
    const int32_t farEdge = WrapSub(screenSize, s.Parameters.BoxSize);
    position = WrapAdd(position, velocity);
    if (position <= 0) {
        velocity = DrawVelocity(s);
        position = 0;
        CountBounce(s);
    } else if (position > farEdge) {
        velocity = -DrawVelocity(s);
        position = farEdge;
        CountBounce(s);
    }
}

void ChangeColor(Saver& s) {
    ColorParts previous = s.TargetColor;
    DrawTargetColor(s);
    s.ColorDelta.red = s.TargetColor.red - previous.red;
    s.ColorDelta.green = s.TargetColor.green - previous.green;
    s.ColorDelta.blue = s.TargetColor.blue - previous.blue;
    s.Animation.BounceCount = 1;
    s.Animation.FadeStep = 99;
}

// Floor of delta * step / 100; |delta| <= 255 and step <= 99, so the product fits.
int32_t FadePart(int32_t delta, int32_t step) {
    return FloorToInt(delta * step / 100.0);
}

void AdvanceFade(Saver& s) {
    BoxAnimation& a = s.Animation;
    if (a.FadeStep >= 1 && a.FadeStep <= 99) {
        a.FadeOffset.red = FadePart(s.ColorDelta.red, a.FadeStep);
        a.FadeOffset.green = FadePart(s.ColorDelta.green, a.FadeStep);
        a.FadeOffset.blue = FadePart(s.ColorDelta.blue, a.FadeStep);
        a.FadeStep -= 1;
    } else {
        a.FadeOffset = {0, 0, 0};
    }
}

void ComposeBox(Saver& s, uint32_t color) {
    const SaverPlatform& p = s.Platform;
    gdi::DC image = s.Animation.BoxImage;
    gdi::Object brush = p.CreateSolidBrush(p.Context, color);
    p.FillRect(p.Context, image, s.Animation.FillArea, brush);
    p.DeleteObject(p.Context, brush);
    // Open corners: each edge is the previous one turned by 90 degrees clockwise.
    const int32_t e = s.Animation.ImageSize;
    const int32_t lines[4][4] = {
        {1, 0, e - 2, 0}, {e - 1, 1, e - 1, e - 2}, {e - 2, e - 1, 1, e - 1}, {0, e - 2, 0, 1}};
    for (const auto& line : lines) {
        p.MoveToEx(p.Context, image, line[0], line[1]);
        p.LineTo(p.Context, image, line[2], line[3]);
    }
}

void CopyBox(Saver& s) {
    const int32_t boxSize = s.Parameters.BoxSize;
    const int32_t e = s.Animation.ImageSize;
    const int32_t x = BoxImagePosition(s.BoxPosition.x, boxSize, e, ScreenWidth(s));
    const int32_t y = BoxImagePosition(s.BoxPosition.y, boxSize, e, ScreenHeight(s));
    s.Platform.BitBlt(s.Platform.Context, s.ScreenDC, x, y, e, e, s.Animation.BoxImage, 0, 0);
}

// The step from its colour on, once the box has moved and any wipe has run: returns the
// step's own wait.
int32_t FinishStep(Saver& s) {
    BoxAnimation& a = s.Animation;
    if (a.BounceCount <= 0 || a.BounceCount == 100) {
        ChangeColor(s);
    }
    AdvanceFade(s);
    const ColorParts step = {s.TargetColor.red - a.FadeOffset.red,
                             s.TargetColor.green - a.FadeOffset.green,
                             s.TargetColor.blue - a.FadeOffset.blue};
    if (a.ImageSize > 0) {
        ComposeBox(s, ColorRef(step));
        CopyBox(s);
    }
    s.WaitPoint = SaverWaitPoint::AfterStep;
    return StepPolls(s.Parameters.StepDelay);
}

int32_t StartStep(Saver& s) {
    MoveAlong(s, s.BoxPosition.x, s.Animation.Velocity.dx, ScreenWidth(s));
    MoveAlong(s, s.BoxPosition.y, s.Animation.Velocity.dy, ScreenHeight(s));
    if (s.Animation.EraseCountdown <= 0) {
        return ScreenWipeBegin(s);
    }
    return FinishStep(s);
}

} // namespace

void BoxAnimatorStart(Saver& saver, const SaverPlatform& platform, gdi::DC screen,
                      const SaverParameters& parameters, uint32_t seed) {
    Saver& s = saver;
    s.Platform = platform;
    s.ScreenDC = screen;
    s.Parameters = parameters;
    BoxAnimation& a = s.Animation;
    a = BoxAnimation{};
    a.EraseCountdown = parameters.EraseBounceCount;
    const int32_t width = ScreenWidth(s);
    const int32_t height = ScreenHeight(s);
    const int32_t size = BoxImageSize(parameters.BoxSize, width, height);
    a.ImageSize = size;
    a.FillArea = {0, 0, size, size};
    if (size > 0) {
        const SaverPlatform& p = s.Platform;
        a.BoxImage = p.CreateCompatibleDC(p.Context, screen);
        a.BoxBitmap = p.CreateCompatibleBitmap(p.Context, screen, size, size);
        p.SelectObject(p.Context, a.BoxImage, a.BoxBitmap);
    }
    Randomize(s.RandomSeed, seed);
    DrawTargetColor(s);
    a.BounceCount = 0;
    s.BoxPosition = {-1, -1};
    a.Velocity = {1, 1};
    a.FadeStep = 0;
    s.ColorDelta = {0, 0, 0};
    s.Wipe = ScreenWipeState{};
    s.WaitPoint = SaverWaitPoint::AfterStep;
    s.Wipes = 0;
}

SaverWait BoxAnimatorAdvance(Saver& saver) {
    for (;;) {
        int32_t polls = 0;
        switch (saver.WaitPoint) {
        case SaverWaitPoint::AfterStep:
            polls = StartStep(saver);
            break;
        case SaverWaitPoint::AfterClosingPause:
            saver.Animation.EraseCountdown = saver.Parameters.EraseBounceCount;
            polls = FinishStep(saver);
            break;
        case SaverWaitPoint::AfterOpeningPause:
        case SaverWaitPoint::AfterInterlaceRow:
        case SaverWaitPoint::AfterFanLines:
            polls = ScreenWipeAdvance(saver);
            break;
        }
        // A wait of no polls is no wait: the drawing goes straight on.
        if (polls > 0) {
            return SaverWait{static_cast<uint32_t>(polls),
                             saver.WaitPoint == SaverWaitPoint::AfterStep};
        }
    }
}

void BoxAnimatorEnd(Saver& saver) {
    const SaverPlatform& p = saver.Platform;
    ScreenWipeEnd(saver);
    BoxAnimation& a = saver.Animation;
    if (a.BoxImage != nullptr) {
        // A bitmap cannot be deleted while a context holds it.
        p.DeleteDC(p.Context, a.BoxImage);
        p.DeleteObject(p.Context, a.BoxBitmap);
    }
    a.BoxImage = nullptr;
    a.BoxBitmap = nullptr;
}
