// A software drawing surface with GDI's pixel rules: what the saver draws on when it does
// not draw through GDI itself (the native builds, unit tests, the tavorinex command). Each
// surface keeps its own objects and one screen. Handles are opaque and checked, so a stale or
// foreign handle is refused instead of followed.
//
// Choices where GDI has limits of its own:
// - A bitmap of more than MaxBitmapPixels pixels, or with a side above MaxBitmapSide, is
//   refused with a null handle, as GDI returns null when it cannot make one (as it is when
//   memory runs out). A width or height of 0 gives the stock 1x1 monochrome bitmap; a
//   negative one counts by its size. The screen is the host's, not a bitmap the saver asks
//   for: its sides go up to MaxBitmapSide and its pixels as far as memory allows.
// - Lines take any 32-bit coordinates and cost no more than their visible pixels. Where the
//   end points lie some 2^28 or more apart, GDI's arithmetic wraps (its device space has 27
//   bits); the soft surface draws the true line there.
// - Colours keep their low 24 bits. A monochrome bitmap takes the nearer of black and white
//   where GDI would dither a brush; the saver never draws in one.
// - At most MaxObjects objects live at once; creating more returns null.
// - Deleting an object that is still selected succeeds and takes effect once it is no
//   longer selected anywhere. Stock objects are never deleted.
#pragma once

#include <cstddef>
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

// How pixels lie in memory: one 32-bit word each, in the machine's byte order.
enum class PixelFormat : uint8_t {
    // red | green << 8 | blue << 16, GDI's COLORREF: the surface's own bitmaps and screens.
    ColorRef,
    // red << 16 | green << 8 | blue: an X11 TrueColor image of 32 bits per pixel in the
    // machine's byte order with the usual masks, Wayland's XRGB8888, a 32-bit Windows DIB.
    Xrgb8888,
    // The bytes red, green, blue, 255 in memory order, as a canvas's ImageData holds them
    // (on a little-endian machine the word 0xFF000000 | COLORREF).
    RgbaBytes,
};

// A screen in memory of the host's (an X image, a Wayland buffer, a canvas's pixels), so that
// what the saver draws is already what the host shows: Pixels holds the rows from the top,
// each Stride pixels (not bytes) after the one above. Its pixels are taken as they are
// (zeroed memory is black in every format); the surface never frees it.
struct ScreenMemory {
    uint32_t* Pixels;
    size_t Stride;
    PixelFormat Format;
};

// A new screen of width x height black pixels; it becomes the surface's screen, the one
// ScreenWidth and ScreenHeight describe (an earlier one stays usable as a context). Null for
// a side of 0 or above MaxBitmapSide, or when memory runs out.
DC CreateScreen(Surface* surface, int32_t width, int32_t height);
// The same on the host's memory, which must hold height rows of memory.Stride >= width
// pixels and outlive the screen's context. Every drawing call on it stores colours in its
// format, block transfers from the surface's own bitmaps converting each pixel; GetPixel
// still answers COLORREF.
DC CreateScreenIn(Surface* surface, int32_t width, int32_t height, const ScreenMemory& memory);

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

// The pixels a context draws on, row by row from the top, each row Stride pixels after the
// one above, in Format: the surface's own bitmaps and screens are COLORREF with Stride equal
// to Width; a screen in the host's memory is that memory. Valid until the next call that
// creates, selects or deletes; empty for a bad handle.
struct Pixels {
    int32_t Width;
    int32_t Height;
    const uint32_t* Data;
    size_t Stride;
    PixelFormat Format;
};
Pixels PixelsOf(Surface* surface, DC dc);

// Objects alive now, stock objects not counted: lets a test see that nothing leaks.
int32_t LiveObjectCount(Surface* surface);

} // namespace soft
