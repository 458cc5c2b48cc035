#include "tavorinex/x11_pixels.h"

#include <cstring>

namespace {

// A component 0..255 in a mask of any width.
void FillChannel(uint32_t (&table)[256], unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    const uint64_t top = mask;
    for (uint32_t c = 0; c < 256; ++c) {
        table[c] = static_cast<uint32_t>(((c * top + 127) / 255) << shift);
    }
}

} // namespace

void FillPixelChannels(PixelChannels& channels, unsigned long redMask, unsigned long greenMask,
                       unsigned long blueMask) {
    FillChannel(channels.Red, redMask);
    FillChannel(channels.Green, greenMask);
    FillChannel(channels.Blue, blueMask);
}

void ConvertRect32(const PixelChannels& channels, const soft::Pixels& screen, const DirtyRect& r,
                   char* image, size_t bytesPerLine) {
    for (int32_t y = r.Y; y < r.Y + r.Height; ++y) {
        const uint32_t* from = screen.Data + static_cast<size_t>(y) * screen.Stride + r.X;
        char* row = image + static_cast<size_t>(y) * bytesPerLine + static_cast<size_t>(r.X) * 4;
        for (int32_t i = 0; i < r.Width; ++i) {
            const uint32_t pixel = ConvertPixel(channels, from[i]);
            std::memcpy(row + static_cast<size_t>(i) * 4, &pixel, 4);
        }
    }
}
