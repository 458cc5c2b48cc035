// The drawing table on GDI itself: what tavorinex.scr draws with.
#include "saver/gdi_platform.h"

#include <windows.h>

namespace {

gdi::DC GdiCreateCompatibleDC(void*, gdi::DC dc) {
    return ::CreateCompatibleDC(static_cast<HDC>(dc));
}

gdi::Object GdiCreateCompatibleBitmap(void*, gdi::DC dc, int32_t width, int32_t height) {
    return ::CreateCompatibleBitmap(static_cast<HDC>(dc), width, height);
}

gdi::Object GdiSelectObject(void*, gdi::DC dc, gdi::Object object) {
    return ::SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(object));
}

gdi::Object GdiCreateSolidBrush(void*, uint32_t color) {
    return ::CreateSolidBrush(color);
}

gdi::Object GdiCreatePen(void*, uint32_t color) {
    return ::CreatePen(PS_SOLID, 1, color);
}

bool GdiDeleteObject(void*, gdi::Object object) {
    return ::DeleteObject(static_cast<HGDIOBJ>(object)) != FALSE;
}

bool GdiDeleteDC(void*, gdi::DC dc) {
    return ::DeleteDC(static_cast<HDC>(dc)) != FALSE;
}

void GdiFillRect(void*, gdi::DC dc, const gdi::Rect& rect, gdi::Object brush) {
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    ::FillRect(static_cast<HDC>(dc), &r, static_cast<HBRUSH>(brush));
}

void GdiMoveToEx(void*, gdi::DC dc, int32_t x, int32_t y) {
    ::MoveToEx(static_cast<HDC>(dc), x, y, nullptr);
}

void GdiLineTo(void*, gdi::DC dc, int32_t x, int32_t y) {
    ::LineTo(static_cast<HDC>(dc), x, y);
}

void GdiBitBlt(void*, gdi::DC dest, int32_t x, int32_t y, int32_t width, int32_t height,
               gdi::DC source, int32_t sx, int32_t sy) {
    ::BitBlt(static_cast<HDC>(dest), x, y, width, height, static_cast<HDC>(source), sx, sy,
             SRCCOPY);
}

int32_t GdiScreenWidth(void*) {
    return GetSystemMetrics(SM_CXSCREEN);
}

int32_t GdiScreenHeight(void*) {
    return GetSystemMetrics(SM_CYSCREEN);
}

} // namespace

extern const SaverPlatform GdiPlatform = {
    nullptr,
    GdiCreateCompatibleDC,
    GdiCreateCompatibleBitmap,
    GdiSelectObject,
    GdiCreateSolidBrush,
    GdiCreatePen,
    GdiDeleteObject,
    GdiDeleteDC,
    GdiFillRect,
    GdiMoveToEx,
    GdiLineTo,
    GdiBitBlt,
    GdiScreenWidth,
    GdiScreenHeight,
};
