// A software drawing surface with GDI's pixel rules: what the saver draws on when it does
// not draw through GDI itself (the native builds, unit tests, the tavorinex command). Each
// surface keeps its own objects and one screen. Handles are opaque and checked, so a stale or
// foreign handle is refused instead of followed.
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

#include <cstdint>

#include "saver/platform.h"

namespace soft {

using DC = gdi::DC;
using Object = gdi::Object;

constexpr int64_t MaxBitmapPixels = int64_t{1} << 24;
constexpr int32_t MaxBitmapSide = 1 << 15;
constexpr int32_t MaxObjects = 65000;

struct Surface;

// A surface with its stock objects and no screen; freeing it frees everything drawn on it.
Surface* NewSurface();
void FreeSurface(Surface* surface);

// The operations of the drawing table on this surface.
SaverPlatform PlatformOn(Surface* surface);

// Told what each drawing call on the surface's screen touched, so that a host showing the
// screen copies only what changed: a rectangle already clipped to the screen (FillRect,
// BitBlt), or a line's end points as drawn (LineTo leaves the end point out).
struct ScreenListener {
    void* Context;
    void (*Rect)(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void (*Line)(void* context, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
};
// Replaces the surface's listener; null for none. The context must outlive its use.
void SetScreenListener(Surface* surface, const ScreenListener* listener);

// A new screen of width x height black pixels; it becomes the surface's screen, the one
// ScreenWidth and ScreenHeight describe (an earlier one stays usable as a context). Null for
// a size the bitmap limits refuse.
DC CreateScreen(Surface* surface, int32_t width, int32_t height);

// The drawing table's entries; the context is the Surface.
int32_t ScreenWidth(void* surface);
int32_t ScreenHeight(void* surface);
DC CreateCompatibleDC(void* surface, DC dc);
Object CreateCompatibleBitmap(void* surface, DC dc, int32_t width, int32_t height);
Object SelectObject(void* surface, DC dc, Object object);
Object CreateSolidBrush(void* surface, uint32_t color);
Object CreatePen(void* surface, uint32_t color);
bool DeleteObject(void* surface, Object object);
bool DeleteDC(void* surface, DC dc); // memory contexts and screens
void FillRect(void* surface, DC dc, const gdi::Rect& rect, Object brush);
void MoveToEx(void* surface, DC dc, int32_t x, int32_t y);
void LineTo(void* surface, DC dc, int32_t x, int32_t y);
void BitBlt(void* surface, DC dest, int32_t x, int32_t y, int32_t width, int32_t height, DC source,
            int32_t sx, int32_t sy);

// Pixel access for tests and image writers. Outside the surface, or for a bad handle,
// GetPixel returns InvalidPixel (CLR_INVALID).
constexpr uint32_t InvalidPixel = 0xFFFFFFFFu;
uint32_t GetPixel(Surface* surface, DC dc, int32_t x, int32_t y);

// The pixels a context draws on, row by row from the top, one COLORREF each. Valid until
// the next call that creates, selects or deletes; empty for a bad handle.
struct Pixels {
    int32_t Width;
    int32_t Height;
    const uint32_t* Data;
};
Pixels PixelsOf(Surface* surface, DC dc);

// Objects alive now, stock objects not counted: lets a test see that nothing leaks.
int32_t LiveObjectCount(Surface* surface);

} // namespace soft
