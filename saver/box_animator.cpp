#include "saver/box_animator.h"

#include <algorithm>

#include "saver/input_watch.h"
#include "saver/random.h"
#include "saver/screen_wipe.h"
#include "settings/settings.h"

gdi::DC ScreenDC = nullptr;
BoxPoint BoxPosition = {-1, -1};
ColorParts TargetColor = {0, 0, 0};
ColorParts ColorDelta = {0, 0, 0};
BoxAnimation Animation = {};

void WaitPolls(int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        InputWatch();
    }
}

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

static int32_t DrawSpeed() {
    return FloorToInt(5 * Rnd() + 1);
}
static int32_t DrawComponent() {
    return FloorToInt(256 * Rnd());
}

static void CountBounce() {
    Animation.BounceCount = WrapAdd(Animation.BounceCount, 1);
    Animation.EraseCountdown = WrapSub(Animation.EraseCountdown, 1);
    if (Animation.BounceCount > CurrentSaverParameters.ColorBounceLimit) {
        Animation.BounceCount = 0;
    }
}

void BoxAnimatorStart() {
    const SaverParameters& params = CurrentSaverParameters;
    Animation.EraseCountdown = params.EraseBounceCount;
    int32_t size = BoxImageSize(params.BoxSize, gdi::ScreenWidth(), gdi::ScreenHeight());
    Animation.ImageSize = size;
    Animation.FillRect = {0, 0, size, size};
    Animation.BoxImage = nullptr;
    Animation.BoxBitmap = nullptr;
    if (size > 0) {
        Animation.BoxImage = gdi::CreateCompatibleDC(ScreenDC);
        Animation.BoxBitmap = gdi::CreateCompatibleBitmap(ScreenDC, size, size);
        gdi::SelectObject(Animation.BoxImage, Animation.BoxBitmap);
    }
    Randomize();
    TargetColor.red = DrawComponent();
    TargetColor.green = DrawComponent();
    TargetColor.blue = DrawComponent();
    Animation.BounceCount = 0;
    BoxPosition = {-1, -1};
    Animation.Velocity = {1, 1};
    Animation.FadeStep = 0;
    Animation.FadeOffset = {0, 0, 0};
    ColorDelta = {0, 0, 0};
}

// One axis of the move: a bounce off the near or far edge stops the box on it and draws a
// new speed away from it.
static void MoveAlong(int32_t& position, int32_t& velocity, int32_t screenSize) {
    const int32_t farEdge = WrapSub(screenSize, CurrentSaverParameters.BoxSize);
    position = WrapAdd(position, velocity);
    if (position <= 0) {
        velocity = DrawSpeed();
        position = 0;
        CountBounce();
    } else if (position > farEdge) {
        velocity = -DrawSpeed();
        position = farEdge;
        CountBounce();
    }
}

static void ChangeColor() {
    ColorParts previous = TargetColor;
    TargetColor.red = DrawComponent();
    TargetColor.green = DrawComponent();
    TargetColor.blue = DrawComponent();
    ColorDelta.red = TargetColor.red - previous.red;
    ColorDelta.green = TargetColor.green - previous.green;
    ColorDelta.blue = TargetColor.blue - previous.blue;
    Animation.BounceCount = 1;
    Animation.FadeStep = 99;
}

// Floor of delta * step / 100; |delta| <= 255 and step <= 99, so the product fits.
static int32_t FadePart(int32_t delta, int32_t step) {
    return FloorToInt(delta * step / 100.0);
}

static void AdvanceFade() {
    if (Animation.FadeStep >= 1 && Animation.FadeStep <= 99) {
        Animation.FadeOffset.red = FadePart(ColorDelta.red, Animation.FadeStep);
        Animation.FadeOffset.green = FadePart(ColorDelta.green, Animation.FadeStep);
        Animation.FadeOffset.blue = FadePart(ColorDelta.blue, Animation.FadeStep);
        Animation.FadeStep -= 1;
    } else {
        Animation.FadeOffset = {0, 0, 0};
    }
}

static void ComposeBox(uint32_t color) {
    gdi::DC image = Animation.BoxImage;
    gdi::Object brush = gdi::CreateSolidBrush(color);
    gdi::FillRect(image, Animation.FillRect, brush);
    gdi::DeleteObject(brush);
    // Open corners: each edge is the previous one turned by 90 degrees clockwise.
    int32_t s = Animation.ImageSize;
    gdi::MoveToEx(image, 1, 0);
    gdi::LineTo(image, s - 2, 0);
    gdi::MoveToEx(image, s - 1, 1);
    gdi::LineTo(image, s - 1, s - 2);
    gdi::MoveToEx(image, s - 2, s - 1);
    gdi::LineTo(image, 1, s - 1);
    gdi::MoveToEx(image, 0, s - 2);
    gdi::LineTo(image, 0, 1);
}

static void CopyBox() {
    int32_t boxSize = CurrentSaverParameters.BoxSize;
    int32_t s = Animation.ImageSize;
    int32_t x = BoxImagePosition(BoxPosition.x, boxSize, s, gdi::ScreenWidth());
    int32_t y = BoxImagePosition(BoxPosition.y, boxSize, s, gdi::ScreenHeight());
    gdi::BitBlt(ScreenDC, x, y, s, s, Animation.BoxImage, 0, 0);
}

void BoxAnimatorStep() {
    const SaverParameters& params = CurrentSaverParameters;
    MoveAlong(BoxPosition.x, Animation.Velocity.dx, gdi::ScreenWidth());
    MoveAlong(BoxPosition.y, Animation.Velocity.dy, gdi::ScreenHeight());
    if (Animation.EraseCountdown <= 0) {
        ScreenWipe();
        Animation.EraseCountdown = params.EraseBounceCount;
    }
    if (Animation.BounceCount <= 0 || Animation.BounceCount == 100) {
        ChangeColor();
    }
    AdvanceFade();
    ColorParts step = {TargetColor.red - Animation.FadeOffset.red,
                       TargetColor.green - Animation.FadeOffset.green,
                       TargetColor.blue - Animation.FadeOffset.blue};
    if (Animation.ImageSize > 0) {
        ComposeBox(ColorRef(step));
        CopyBox();
    }
    WaitPolls(StepPolls(params.StepDelay));
}

void BoxAnimator(gdi::DC) {
    BoxAnimatorStart();
    for (;;) {
        BoxAnimatorStep();
    }
}
