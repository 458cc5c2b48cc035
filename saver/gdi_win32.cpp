// The drawing layer on GDI itself: what tavorinex.scr draws with.
#include "saver/gdi.h"

#include <windows.h>

namespace gdi {

DC CreateCompatibleDC(DC dc) {
    return ::CreateCompatibleDC(static_cast<HDC>(dc));
}

Object CreateCompatibleBitmap(DC dc, int32_t width, int32_t height) {
    return ::CreateCompatibleBitmap(static_cast<HDC>(dc), width, height);
}

Object SelectObject(DC dc, Object object) {
    return ::SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(object));
}

Object CreateSolidBrush(uint32_t color) {
    return ::CreateSolidBrush(color);
}

Object CreatePen(uint32_t color) {
    return ::CreatePen(PS_SOLID, 1, color);
}

bool DeleteObject(Object object) {
    return ::DeleteObject(static_cast<HGDIOBJ>(object)) != FALSE;
}

void FillRect(DC dc, const Rect& rect, Object brush) {
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    ::FillRect(static_cast<HDC>(dc), &r, static_cast<HBRUSH>(brush));
}

void MoveToEx(DC dc, int32_t x, int32_t y) {
    ::MoveToEx(static_cast<HDC>(dc), x, y, nullptr);
}

void LineTo(DC dc, int32_t x, int32_t y) {
    ::LineTo(static_cast<HDC>(dc), x, y);
}

void BitBlt(DC dest, int32_t x, int32_t y, int32_t width, int32_t height, DC source, int32_t sx,
            int32_t sy) {
    ::BitBlt(static_cast<HDC>(dest), x, y, width, height, static_cast<HDC>(source), sx, sy,
             SRCCOPY);
}

int32_t ScreenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int32_t ScreenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}

} // namespace gdi
