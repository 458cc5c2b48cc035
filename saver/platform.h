// What the saver core draws with, handed to it by its host as a table of functions with a
// context: GDI itself on Windows, a software surface with GDI's pixel rules anywhere.
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

} // namespace gdi

// The operations under their GDI names; each gets Context first. Pens are PS_SOLID, width 1;
// LineTo leaves its end point out; BitBlt is SRCCOPY, clipped to the destination.
struct SaverPlatform {
    void* Context;
    gdi::DC (*CreateCompatibleDC)(void* context, gdi::DC dc);
    gdi::Object (*CreateCompatibleBitmap)(void* context, gdi::DC dc, int32_t width, int32_t height);
    // Returns the object of that kind it replaces.
    gdi::Object (*SelectObject)(void* context, gdi::DC dc, gdi::Object object);
    gdi::Object (*CreateSolidBrush)(void* context, uint32_t color);
    gdi::Object (*CreatePen)(void* context, uint32_t color);
    bool (*DeleteObject)(void* context, gdi::Object object);
    bool (*DeleteDC)(void* context, gdi::DC dc);
    void (*FillRect)(void* context, gdi::DC dc, const gdi::Rect& rect, gdi::Object brush);
    void (*MoveToEx)(void* context, gdi::DC dc, int32_t x, int32_t y);
    void (*LineTo)(void* context, gdi::DC dc, int32_t x, int32_t y);
    void (*BitBlt)(void* context, gdi::DC dest, int32_t x, int32_t y, int32_t width, int32_t height,
                   gdi::DC source, int32_t sx, int32_t sy);
    int32_t (*ScreenWidth)(void* context);  // GetSystemMetrics(SM_CXSCREEN)
    int32_t (*ScreenHeight)(void* context); // GetSystemMetrics(SM_CYSCREEN)
};
