// The drawing operations the saver uses, under their GDI names. On Windows they are GDI
// itself; elsewhere they draw on a software surface that follows GDI's pixel rules.
#pragma once

#include <cstdint>

namespace gdi {

using DC = void*;     // a device context (HDC on Windows)
using Object = void*; // a bitmap, brush or pen (HGDIOBJ on Windows)

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;  // excluded
    int32_t bottom; // excluded
};

// COLORREF: red | green << 8 | blue << 16.
inline uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return red | (green << 8) | (blue << 16);
}

DC CreateCompatibleDC(DC dc);
Object CreateCompatibleBitmap(DC dc, int32_t width, int32_t height);
Object SelectObject(DC dc, Object object); // returns the object of that kind it replaces
Object CreateSolidBrush(uint32_t color);
Object CreatePen(uint32_t color); // PS_SOLID, width 1
bool DeleteObject(Object object);
void FillRect(DC dc, const Rect& rect, Object brush);
void MoveToEx(DC dc, int32_t x, int32_t y);
void LineTo(DC dc, int32_t x, int32_t y); // leaves the end point out
// SRCCOPY of width x height from source (sx, sy) to dest (x, y), clipped to the destination.
void BitBlt(DC dest, int32_t x, int32_t y, int32_t width, int32_t height, DC source, int32_t sx,
            int32_t sy);
int32_t ScreenWidth();  // GetSystemMetrics(SM_CXSCREEN)
int32_t ScreenHeight(); // GetSystemMetrics(SM_CYSCREEN)

} // namespace gdi
