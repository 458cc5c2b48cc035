// The saver's pixels (COLORREF: red | green << 8 | blue << 16) in an X visual's own format:
// each component scaled into its mask, as a TrueColor pixel holds it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "saver/dirty_rows.h"
#include "saver/soft_surface.h"

struct PixelChannels {
    uint32_t Red[256];
    uint32_t Green[256];
    uint32_t Blue[256];
};

void FillPixelChannels(PixelChannels& channels, unsigned long redMask, unsigned long greenMask,
                       unsigned long blueMask);

inline uint32_t ConvertPixel(const PixelChannels& channels, uint32_t color) {
    return channels.Red[color & 0xFF] | channels.Green[(color >> 8) & 0xFF] |
           channels.Blue[(color >> 16) & 0xFF];
}

// One rectangle of the screen into an image of 32-bit pixels in this machine's byte order,
// whose rows lie bytesPerLine apart.
void ConvertRect32(const PixelChannels& channels, const soft::Pixels& screen, const DirtyRect& r,
                   char* image, size_t bytesPerLine);
