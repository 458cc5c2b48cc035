// One running saver: what the box animation and the screen wipe keep between the waits they
// hand to their host, and the platform they draw with.
#pragma once

#include <cstdint>

#include "saver/platform.h"
#include "settings/saver_parameters.h"

struct BoxPoint {
    int32_t x;
    int32_t y;
};

// One colour as three components, each 0..255 (a difference of two: -255..255).
struct ColorParts {
    int32_t red;
    int32_t green;
    int32_t blue;
};

struct BoxVelocity {
    int32_t dx;
    int32_t dy;
};

struct BoxAnimation {
    BoxVelocity Velocity;
    int32_t BounceCount;    // bounces since the last colour change
    int32_t EraseCountdown; // bounces left before the next wipe
    int32_t FadeStep;       // steps of the current fade still to show, 99 down to 0
    ColorParts FadeOffset;  // subtracted from TargetColor in this step
    gdi::DC BoxImage;       // off-screen image of one box; null when nothing is drawn
    gdi::Object BoxBitmap;
    int32_t ImageSize;  // edge of BoxImage, see BoxImageSize
    gdi::Rect FillArea; // the whole BoxImage
};

// The wait the saver stands in, which says where its next advance goes on.
enum class SaverWaitPoint : uint8_t {
    AfterStep,         // a new step begins
    AfterOpeningPause, // the wipe's coloured rows begin
    AfterInterlaceRow, // the next coloured row
    AfterFanLines,     // the next pair of fan lines
    AfterClosingPause, // the step that ran the wipe goes on
};

struct ScreenWipeState {
    int32_t Line;            // the row or fan line last drawn
    gdi::Object Pen;         // the phase's pen, selected into ScreenDC
    gdi::Object PreviousPen; // what it replaced there
};

struct Saver {
    SaverPlatform Platform;
    gdi::DC ScreenDC; // receives all drawing
    SaverParameters Parameters;
    uint32_t RandomSeed = 1;
    BoxPoint BoxPosition;   // top-left pixel of the box; (-1, -1) at the start and after a wipe
    ColorParts TargetColor; // the colour the box fades towards
    ColorParts ColorDelta;  // new TargetColor minus the previous one, set at each colour change
    BoxAnimation Animation;
    ScreenWipeState Wipe;
    SaverWaitPoint WaitPoint;
    uint64_t Wipes; // begun since the start
};

inline uint32_t ColorRef(const ColorParts& color) {
    return gdi::Rgb(static_cast<uint32_t>(color.red), static_cast<uint32_t>(color.green),
                    static_cast<uint32_t>(color.blue));
}

// The saver's integers wrap on overflow, as 32-bit two's complement.
inline int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
