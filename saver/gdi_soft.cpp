// The drawing layer on the software surface: tests and tools, on every platform.
#include "saver/gdi.h"
#include "saver/soft_surface.h"

namespace gdi {

DC CreateCompatibleDC(DC dc) {
    return soft::CreateCompatibleDC(dc);
}

Object CreateCompatibleBitmap(DC dc, int32_t width, int32_t height) {
    return soft::CreateCompatibleBitmap(dc, width, height);
}

Object SelectObject(DC dc, Object object) {
    return soft::SelectObject(dc, object);
}

Object CreateSolidBrush(uint32_t color) {
    return soft::CreateSolidBrush(color);
}

Object CreatePen(uint32_t color) {
    return soft::CreatePen(color);
}

bool DeleteObject(Object object) {
    return soft::DeleteObject(object);
}

void FillRect(DC dc, const Rect& rect, Object brush) {
    soft::FillRect(dc, rect, brush);
}

void MoveToEx(DC dc, int32_t x, int32_t y) {
    soft::MoveToEx(dc, x, y);
}

void LineTo(DC dc, int32_t x, int32_t y) {
    soft::LineTo(dc, x, y);
}

void BitBlt(DC dest, int32_t x, int32_t y, int32_t width, int32_t height, DC source, int32_t sx,
            int32_t sy) {
    soft::BitBlt(dest, x, y, width, height, source, sx, sy);
}

int32_t ScreenWidth() {
    return soft::ScreenWidth();
}

int32_t ScreenHeight() {
    return soft::ScreenHeight();
}

} // namespace gdi
