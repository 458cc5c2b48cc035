// The saver's drawing loop: one box bouncing across the screen, leaving its trail.
#pragma once

#include <cstdint>

#include "saver/gdi.h"
#include "saver/saver_state.h"

struct BoxVelocity {
    int32_t dx;
    int32_t dy;
};

// The state of the running loop. It lives for the rest of the process.
struct BoxAnimation {
    BoxVelocity Velocity;
    int32_t BounceCount;    // bounces since the last colour change
    int32_t EraseCountdown; // bounces left before the next wipe
    int32_t FadeStep;       // steps of the current fade still to show, 99 down to 0
    ColorParts FadeOffset;  // subtracted from TargetColor in this step
    gdi::DC BoxImage;       // off-screen image of one box; null when nothing is drawn
    gdi::Object BoxBitmap;
    int32_t ImageSize;  // edge of BoxImage, see BoxImageSize
    gdi::Rect FillRect; // the whole BoxImage
};

extern BoxAnimation Animation;

// Paint handler entry: ignores the paint context, draws on ScreenDC, never returns.
[[noreturn]] void BoxAnimator(gdi::DC paintDC);

// The loop's parts, for callers that drive it themselves.
void BoxAnimatorStart();
void BoxAnimatorStep();

// Input polls after a step.
int32_t StepPolls(int32_t stepDelay);

// Edge of the off-screen image for a box size on a screen of the given size: the box size
// itself, 0 (nothing drawn) when it is 0 or less, and never more than the screen's larger
// side plus 4, which still shows every visible pixel of a bigger box.
int32_t BoxImageSize(int32_t boxSize, int32_t screenWidth, int32_t screenHeight);

// Where to copy an image of edge imageSize so that the screen shows what a box of edge
// boxSize at position would show, along one axis of length extent.
int32_t BoxImagePosition(int32_t position, int32_t boxSize, int32_t imageSize, int32_t extent);
