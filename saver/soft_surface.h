// A software drawing surface with GDI's pixel rules: what the saver draws on when it does
// not draw through GDI itself (host builds, unit tests, the host tool). Handles are opaque
// and checked, so a stale or foreign handle is refused instead of followed.
//
// Choices where GDI has limits of its own:
// - A bitmap of more than MaxBitmapPixels pixels, or with a side above MaxBitmapSide, is
//   refused with a null handle, as GDI returns null when it cannot make one. A width or
//   height of 0 gives the stock 1x1 monochrome bitmap; a negative one counts by its size.
// - Lines take any 32-bit coordinates and cost no more than their visible pixels. Where the
//   end points lie some 2^28 or more apart, GDI's arithmetic wraps (its device space has 27
//   bits); the soft surface draws the true line there.
// - Colours keep their low 24 bits. A monochrome bitmap takes the nearer of black and white
//   where GDI would dither a brush; the saver never draws in one.
// - At most MaxObjects objects live at once; creating more returns null.
// - Deleting an object that is still selected succeeds and takes effect once it is no
//   longer selected anywhere. Stock objects are never deleted.
#pragma once

#include "saver/gdi.h"

#include <cstdint>

namespace soft {

using DC = void*;
using Object = void*;

constexpr int64_t MaxBitmapPixels = int64_t{1} << 24;
constexpr int32_t MaxBitmapSide = 1 << 15;
constexpr int32_t MaxObjects = 65000;

// A new screen of width x height black pixels; it becomes the current screen, the one
// ScreenWidth and ScreenHeight describe. Null for a size the bitmap limits refuse.
DC CreateScreen(int32_t width, int32_t height);
void SetCurrentScreen(DC screen); // null: no screen, width and height 0
DC CurrentScreen();
int32_t ScreenWidth();
int32_t ScreenHeight();

DC CreateCompatibleDC(DC dc);
bool DeleteDC(DC dc); // memory contexts and screens
Object CreateCompatibleBitmap(DC dc, int32_t width, int32_t height);
Object SelectObject(DC dc, Object object);
Object CreateSolidBrush(uint32_t color);
Object CreatePen(uint32_t color);
bool DeleteObject(Object object);
void FillRect(DC dc, const gdi::Rect& rect, Object brush);
void MoveToEx(DC dc, int32_t x, int32_t y);
void LineTo(DC dc, int32_t x, int32_t y);
void BitBlt(DC dest, int32_t x, int32_t y, int32_t width, int32_t height, DC source, int32_t sx,
            int32_t sy);

// Pixel access for tests and image writers. Outside the surface, or for a bad handle,
// GetPixel returns InvalidPixel (CLR_INVALID).
constexpr uint32_t InvalidPixel = 0xFFFFFFFFu;
uint32_t GetPixel(DC dc, int32_t x, int32_t y);

// The pixels a context draws on, row by row from the top, one COLORREF each. Valid until
// the next call that creates, selects or deletes; empty for a bad handle.
struct Pixels {
    int32_t width;
    int32_t height;
    const uint32_t* data;
};
Pixels PixelsOf(DC dc);

// Objects alive now, stock objects not counted: lets a test see that nothing leaks.
int32_t LiveObjectCount();
// Deletes every object and screen: a clean start for the next test.
void Reset();

} // namespace soft
