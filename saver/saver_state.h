// What the box animation and the screen wipe share: the screen they draw on, where the box
// is and the colour it fades towards.
#pragma once

#include <cstdint>

#include "saver/gdi.h"

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

// The saver window's device context: taken once, never released, receives all drawing.
extern gdi::DC ScreenDC;

extern BoxPoint BoxPosition;   // top-left pixel of the box; (-1, -1) at the start and after a wipe
extern ColorParts TargetColor; // the colour the box fades towards
extern ColorParts ColorDelta;  // new TargetColor minus the previous one, set at each colour change

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

// Calls InputWatch n times; not at all when n is 0 or less.
void WaitPolls(int32_t n);
