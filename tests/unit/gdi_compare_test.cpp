// The software surface against GDI itself: the same drawing on both, every pixel compared.
// Runs in the Windows build of the unit tests (under Wine on the build machine).
#ifdef _WIN32

#include "saver/gdi.h"
#include "saver/soft_surface.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One image drawn twice: in a 32-bit DIB section through GDI and on a soft screen.
struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    HDC real = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    const uint32_t* bits = nullptr; // 0x00RRGGBB, rows from the top
    soft::DC soft = nullptr;
};

Canvas MakeCanvas(int32_t width, int32_t height) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.real = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    c.dib = CreateDIBSection(c.real, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    c.bits = static_cast<const uint32_t*>(bits);
    c.oldBitmap = SelectObject(c.real, c.dib);
    PatBlt(c.real, 0, 0, width, height, BLACKNESS);
    c.soft = soft::CreateScreen(width, height);
    return c;
}

void FreeCanvas(Canvas& c) {
    SelectObject(c.real, c.oldBitmap);
    DeleteObject(c.dib);
    DeleteDC(c.real);
    soft::DeleteDC(c.soft);
    c = Canvas{};
}

void Fill(Canvas& c, const gdi::Rect& rect, uint32_t color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    FillRect(c.real, &r, brush);
    DeleteObject(brush);
    soft::Object softBrush = soft::CreateSolidBrush(color);
    soft::FillRect(c.soft, rect, softBrush);
    soft::DeleteObject(softBrush);
}

void Clear(Canvas& c) {
    Fill(c, gdi::Rect{0, 0, c.width, c.height}, 0);
}

void Line(Canvas& c, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ oldPen = SelectObject(c.real, pen);
    MoveToEx(c.real, x0, y0, nullptr);
    LineTo(c.real, x1, y1);
    SelectObject(c.real, oldPen);
    DeleteObject(pen);
    soft::Object softPen = soft::CreatePen(color);
    soft::Object oldSoftPen = soft::SelectObject(c.soft, softPen);
    soft::MoveToEx(c.soft, x0, y0);
    soft::LineTo(c.soft, x1, y1);
    soft::SelectObject(c.soft, oldSoftPen);
    soft::DeleteObject(softPen);
}

uint32_t ToColorref(uint32_t dibPixel) {
    return ((dibPixel & 0xFF) << 16) | (dibPixel & 0xFF00) | ((dibPixel >> 16) & 0xFF);
}

// The pixels that differ, with the first few named.
std::string Differences(const Canvas& c) {
    GdiFlush();
    soft::Pixels p = soft::PixelsOf(c.soft);
    if (p.width != c.width || p.height != c.height || c.bits == nullptr) {
        return "canvas not made";
    }
    std::ostringstream out;
    int64_t count = 0;
    for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
            size_t i = static_cast<size_t>(y) * static_cast<size_t>(c.width) + x;
            uint32_t real = ToColorref(c.bits[i]);
            if (real != p.data[i]) {
                if (count < 8) {
                    out << " (" << x << "," << y << ") GDI " << std::hex << real << " soft "
                        << p.data[i] << std::dec;
                }
                ++count;
            }
        }
    }
    if (count == 0) {
        return "";
    }
    return std::to_string(count) + " pixels differ:" + out.str();
}

// Non-black pixels on the GDI side: guards against a comparison of two empty images.
int64_t Painted(const Canvas& c) {
    GdiFlush();
    int64_t n = 0;
    for (int64_t i = 0; i < int64_t{c.width} * c.height; ++i) {
        n += c.bits[i] != 0 ? 1 : 0;
    }
    return n;
}

class GdiCompare : public ::testing::Test {
  protected:
    void SetUp() override { soft::Reset(); }
    void TearDown() override { soft::Reset(); }
};

// Every direction up to 24 pixels long: the eight octants, their borders and every tie.
TEST_F(GdiCompare, LinesInEveryDirection) {
    Canvas c = MakeCanvas(51, 51);
    for (int32_t dy = -24; dy <= 24; ++dy) {
        for (int32_t dx = -24; dx <= 24; ++dx) {
            Clear(c);
            Line(c, 25, 25, 25 + dx, 25 + dy, 0xFFFFFF);
            ASSERT_EQ(Differences(c), "") << "line by " << dx << ", " << dy;
            ASSERT_EQ(Painted(c), std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy));
        }
    }
    FreeCanvas(c);
}

// Long lines at scattered slopes, each in its own colour on one image.
TEST_F(GdiCompare, LongLines) {
    Canvas c = MakeCanvas(401, 401);
    uint32_t state = 12345;
    auto next = [&state](int32_t range) {
        state = state * 1103515245u + 12345u;
        return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(range));
    };
    for (int32_t n = 0; n < 600; ++n) {
        Line(c, next(401), next(401), next(401), next(401), 0x10000u + static_cast<uint32_t>(n));
    }
    EXPECT_EQ(Differences(c), "");
    EXPECT_GT(Painted(c), 20000);
    FreeCanvas(c);
}

// The wipe's fans: every line of both fans, each in its own colour, so that every pixel
// shows which line reached it last; and single lines at chosen heights.
TEST_F(GdiCompare, WipeFans) {
    const struct {
        int32_t width;
        int32_t height;
    } screens[] = {{1024, 768}, {600, 800}};
    for (const auto& s : screens) {
        const int32_t w = s.width;
        const int32_t h = s.height;
        Canvas c = MakeCanvas(w, h);
        for (int32_t g = 0; g <= h; ++g) {
            Line(c, 0, 0, w, g, 0x400000u + static_cast<uint32_t>(g));
            Line(c, w, h, -1, h - g, 0x800000u + static_cast<uint32_t>(g));
        }
        EXPECT_EQ(Differences(c), "") << w << "x" << h << " whole sweep";
        EXPECT_EQ(Painted(c), int64_t{w} * h);

        const int32_t heights[] = {0, 1, 2, 3, h / 3, h / 2 - 1, h / 2, h / 2 + 1, h - 1, h};
        for (int32_t g : heights) {
            Clear(c);
            Line(c, 0, 0, w, g, 0xFFFFFF);
            Line(c, w, h, -1, h - g, 0x00FF00);
            EXPECT_EQ(Differences(c), "") << w << "x" << h << " g " << g;
        }
        // The interlaced rows, clipped at the bottom.
        Clear(c);
        for (int32_t g = 0; g <= h; g += 2) {
            Line(c, 0, g, w, g, 0x3377AA);
        }
        EXPECT_EQ(Differences(c), "") << w << "x" << h << " rows";
        FreeCanvas(c);
    }
}

// Lines that start or end outside the image, some very far.
TEST_F(GdiCompare, LinesReachingOutside) {
    Canvas c = MakeCanvas(50, 40);
    const int32_t fixed[][4] = {
        {-1000, -50, 60, 70},
        {-5, -5, 5, 200},
        {49, 39, -1, 20},
        {50, 40, -1, 0},
        {-1, -1, 50, 40},
        {60, 5, -10, 6},
        {25, -100000, 26, 100000},
        {-100000, 20, 100000, 21},
        {-3000, -2999, 3000, 3001},
        {0, 0, 50, 1},
        {50, 40, -1, 39},
        {-70000, 3, 70000, 36},
        {-(1 << 27) - 1000, 5, 60, 5},
        {(1 << 27) + 5, 3, 0, 30},
        {-100000000, 3, 100000000, 36},
        {5, -130000000, 40, 130000000},
        {130000000, 17, -130000000, 3},
        {-100000000, -99999990, 100000000, 100000003},
        // Some 2^28 apart and more GDI's own arithmetic wraps (its device space has 27
        // bits); the soft surface keeps drawing the true line there, so those are not compared.
    };
    for (const auto& l : fixed) {
        Clear(c);
        Line(c, l[0], l[1], l[2], l[3], 0xFFFFFF);
        EXPECT_EQ(Differences(c), "") << l[0] << "," << l[1] << " to " << l[2] << "," << l[3];
    }
    uint32_t state = 777;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return static_cast<int32_t>((state >> 8) % 500u) - 225;
    };
    Clear(c);
    for (int32_t n = 0; n < 3000; ++n) {
        Line(c, next(), next(), next(), next(), 0x20000u + static_cast<uint32_t>(n));
    }
    EXPECT_EQ(Differences(c), "") << "scattered";
    EXPECT_GT(Painted(c), 1000);
    FreeCanvas(c);
}

// The box as the animator composes it: a compatible bitmap of the screen, filled, four
// outline lines with the context's own pen, copied onto the screen at several places.
TEST_F(GdiCompare, BoxOutlines) {
    HDC screenDC = GetDC(nullptr);
    const int32_t sizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 80};
    for (int32_t size : sizes) {
        Canvas c = MakeCanvas(200, 150);
        HDC image = CreateCompatibleDC(screenDC);
        HBITMAP bitmap = CreateCompatibleBitmap(screenDC, size, size);
        SelectObject(image, bitmap);
        soft::DC softImage = soft::CreateCompatibleDC(c.soft);
        soft::SelectObject(softImage, soft::CreateCompatibleBitmap(c.soft, size, size));

        const int32_t s = size;
        const int32_t outline[4][4] = {
            {1, 0, s - 2, 0}, {s - 1, 1, s - 1, s - 2}, {s - 2, s - 1, 1, s - 1}, {0, s - 2, 0, 1}};
        const int32_t places[][2] = {{-1, -1}, {10, 10}, {200 - s, 150 - s}, {195, 145}, {-5, 60}};
        uint32_t color = 0x3399EE;
        for (const auto& place : places) {
            color += 0x051020;
            HBRUSH brush = CreateSolidBrush(color);
            RECT r = {0, 0, s, s};
            FillRect(image, &r, brush);
            DeleteObject(brush);
            soft::Object softBrush = soft::CreateSolidBrush(color);
            soft::FillRect(softImage, gdi::Rect{0, 0, s, s}, softBrush);
            soft::DeleteObject(softBrush);
            for (const auto& l : outline) {
                MoveToEx(image, l[0], l[1], nullptr);
                LineTo(image, l[2], l[3]);
                soft::MoveToEx(softImage, l[0], l[1]);
                soft::LineTo(softImage, l[2], l[3]);
            }
            BitBlt(c.real, place[0], place[1], s, s, image, 0, 0, SRCCOPY);
            soft::BitBlt(c.soft, place[0], place[1], s, s, softImage, 0, 0);
        }
        EXPECT_EQ(Differences(c), "") << "box of " << size;
        if (size >= 3) { // below that the outline covers the whole box
            EXPECT_GT(Painted(c), 0);
        }
        DeleteDC(image);
        DeleteObject(bitmap);
        FreeCanvas(c);
        soft::Reset();
    }
    ReleaseDC(nullptr, screenDC);
}

TEST_F(GdiCompare, FillRectEdges) {
    Canvas c = MakeCanvas(8, 8);
    const gdi::Rect rects[] = {
        {2, 2, 5, 5},     {3, 3, 3, 6},
        {3, 3, 6, 3},     {-3, -3, 2, 2},
        {6, 6, 100, 100}, {8, 0, 9, 8},
        {-5, 0, 0, 8},    {0, 0, 8, 8},
        {5, 2, 2, 5},     {2, 5, 5, 2},
        {5, 5, 2, 2},     {7, 7, -20, -20},
        {1, 6, 7, 7},     {-100000, 3, 100000, 4},
    };
    for (const auto& r : rects) {
        Clear(c);
        Fill(c, r, 0x00CC88);
        EXPECT_EQ(Differences(c), "")
            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    FreeCanvas(c);
}

TEST_F(GdiCompare, BlockTransfers) {
    HDC screenDC = GetDC(nullptr);
    const int32_t blits[][6] = {
        {-1, -1, 4, 4, 0, 0}, {6, 6, 4, 4, 0, 0},   {5, -2, 4, 4, 0, 0}, {-2, 5, 4, 4, 0, 0},
        {-2, 2, 4, 4, 0, 0},  {2, -2, 4, 4, 0, 0},  {6, 2, 4, 4, 0, 0},  {2, 6, 4, 4, 0, 0},
        {1, 1, 4, 4, 2, 2},   {1, 1, 4, 4, -2, -2}, {0, 0, 8, 8, 0, 0},  {-3, -3, 9, 9, 0, 0},
        {8, 0, 4, 4, 0, 0},   {-4, -4, 4, 4, 0, 0}, {2, 2, 4, 4, 4, 0},  {2, 2, 0, 4, 0, 0},
        {2, 2, -3, 3, 0, 0},  {4, 4, -3, -3, 3, 3}, {1, 1, 3, 3, 1, -1}, {0, 5, 6, 6, -1, 1},
    };
    for (const auto& b : blits) {
        Canvas c = MakeCanvas(8, 8);
        HDC source = CreateCompatibleDC(screenDC);
        HBITMAP bitmap = CreateCompatibleBitmap(screenDC, 4, 4);
        SelectObject(source, bitmap);
        soft::DC softSource = soft::CreateCompatibleDC(c.soft);
        soft::SelectObject(softSource, soft::CreateCompatibleBitmap(c.soft, 4, 4));
        for (int32_t i = 0; i < 16; ++i) {
            uint32_t color = 0x0F0D0Bu * static_cast<uint32_t>(i + 1);
            HBRUSH brush = CreateSolidBrush(color);
            RECT r = {i % 4, i / 4, i % 4 + 1, i / 4 + 1};
            FillRect(source, &r, brush);
            DeleteObject(brush);
            soft::Object softBrush = soft::CreateSolidBrush(color);
            soft::FillRect(softSource, gdi::Rect{r.left, r.top, r.right, r.bottom}, softBrush);
            soft::DeleteObject(softBrush);
        }
        Fill(c, gdi::Rect{0, 0, 8, 8}, 0x0000FF);
        BitBlt(c.real, b[0], b[1], b[2], b[3], source, b[4], b[5], SRCCOPY);
        soft::BitBlt(c.soft, b[0], b[1], b[2], b[3], softSource, b[4], b[5]);
        EXPECT_EQ(Differences(c), "") << "blit to " << b[0] << "," << b[1] << " " << b[2] << "x"
                                      << b[3] << " from " << b[4] << "," << b[5];
        DeleteDC(source);
        DeleteObject(bitmap);
        FreeCanvas(c);
        soft::Reset();
    }
    ReleaseDC(nullptr, screenDC);
}

// What GDI makes of odd bitmap sizes, and of a bitmap compatible with a fresh memory
// context: monochrome, black and white kept. (GDI dithers other brush colours there; the
// soft surface takes the nearer of black and white, so they are not compared.)
TEST_F(GdiCompare, BitmapSizesAndMonochrome) {
    HDC screenDC = GetDC(nullptr);
    soft::DC softScreen = soft::CreateScreen(8, 8);
    const int32_t sizes[][2] = {{3, 2}, {0, 5}, {5, 0}, {-5, 4}, {4, -5}, {-3, -3}};
    for (const auto& size : sizes) {
        HBITMAP bitmap = CreateCompatibleBitmap(screenDC, size[0], size[1]);
        BITMAP info = {};
        GetObjectA(bitmap, sizeof(info), &info);
        soft::Object softBitmap = soft::CreateCompatibleBitmap(softScreen, size[0], size[1]);
        soft::DC dc = soft::CreateCompatibleDC(softScreen);
        soft::SelectObject(dc, softBitmap);
        soft::Pixels p = soft::PixelsOf(dc);
        EXPECT_EQ(p.width, info.bmWidth) << size[0] << "x" << size[1];
        EXPECT_EQ(p.height, info.bmHeight) << size[0] << "x" << size[1];
        soft::DeleteDC(dc);
        soft::DeleteObject(softBitmap);
        DeleteObject(bitmap);
    }

    const uint32_t colors[] = {0x000000, 0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF,
                               0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000};
    Canvas c = MakeCanvas(12, 1);
    HDC mono = CreateCompatibleDC(screenDC);
    HBITMAP monoBitmap = CreateCompatibleBitmap(mono, 12, 1);
    SelectObject(mono, monoBitmap);
    soft::DC softMono = soft::CreateCompatibleDC(c.soft);
    soft::SelectObject(softMono, soft::CreateCompatibleBitmap(softMono, 12, 1));
    for (int32_t i = 0; i < 12; ++i) {
        HBRUSH brush = CreateSolidBrush(colors[i]);
        RECT r = {i, 0, i + 1, 1};
        FillRect(mono, &r, brush);
        DeleteObject(brush);
        soft::Object softBrush = soft::CreateSolidBrush(colors[i]);
        soft::FillRect(softMono, gdi::Rect{i, 0, i + 1, 1}, softBrush);
        soft::DeleteObject(softBrush);
    }
    BitBlt(c.real, 0, 0, 12, 1, mono, 0, 0, SRCCOPY);
    soft::BitBlt(c.soft, 0, 0, 12, 1, softMono, 0, 0);
    EXPECT_EQ(Differences(c), "") << "monochrome";
    DeleteDC(mono);
    DeleteObject(monoBitmap);
    FreeCanvas(c);
    ReleaseDC(nullptr, screenDC);
}

} // namespace

#endif // _WIN32
