// The software surface against GDI itself: the same drawing code, written once against the
// drawing table, runs on both, and every pixel is compared. Runs in the Windows build of the
// unit tests (under Wine on the build machine).
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "saver/box_animator.h"
#include "saver/gdi_platform.h"
#include "saver/soft_surface.h"

namespace {

// One picture made three times: in a 32-bit DIB section through GDI, on a soft screen, and on
// a soft screen in memory of the caller's laid out as the DIB is (0x00RRGGBB), as a host that
// shows it directly makes it. The GDI table reports the canvas as the screen, so the saver
// fills it and nothing else.
struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    HDC real = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    const uint32_t* bits = nullptr; // 0x00RRGGBB, rows from the top
    soft::Surface* surface = nullptr;
    gdi::DC soft = nullptr;
    SaverPlatform gdiTable = {};
    SaverPlatform softTable = {};
    std::vector<uint32_t> hostBits;
    soft::Surface* hostSurface = nullptr;
    gdi::DC host = nullptr;
    SaverPlatform hostTable = {};
};

int32_t CanvasWidth(void* canvas) {
    return static_cast<Canvas*>(canvas)->width;
}

int32_t CanvasHeight(void* canvas) {
    return static_cast<Canvas*>(canvas)->height;
}

void MakeCanvas(Canvas& c, int32_t width, int32_t height) {
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
    c.surface = soft::NewSurface();
    c.soft = soft::CreateScreen(c.surface, width, height);
    c.gdiTable = GdiPlatform;
    c.gdiTable.Context = &c;
    c.gdiTable.ScreenWidth = CanvasWidth;
    c.gdiTable.ScreenHeight = CanvasHeight;
    c.softTable = soft::PlatformOn(c.surface);
    c.hostBits.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    c.hostSurface = soft::NewSurface();
    c.host = soft::CreateScreenIn(
        c.hostSurface, width, height,
        {c.hostBits.data(), static_cast<size_t>(width), soft::PixelFormat::Xrgb8888});
    c.hostTable = soft::PlatformOn(c.hostSurface);
}

void FreeCanvas(Canvas& c) {
    SelectObject(c.real, c.oldBitmap);
    DeleteObject(c.dib);
    DeleteDC(c.real);
    soft::FreeSurface(c.surface);
    soft::FreeSurface(c.hostSurface);
    c = Canvas{};
}

// Runs the same drawing on every side: the table and the screen it draws on.
using Drawing = std::function<void(const SaverPlatform& table, gdi::DC screen)>;
void OnAll(Canvas& c, const Drawing& draw) {
    draw(c.gdiTable, c.real);
    draw(c.softTable, c.soft);
    draw(c.hostTable, c.host);
}

void FillOn(const SaverPlatform& t, gdi::DC dc, const gdi::Rect& rect, uint32_t color) {
    gdi::Object brush = t.CreateSolidBrush(t.Context, color);
    t.FillRect(t.Context, dc, rect, brush);
    t.DeleteObject(t.Context, brush);
}

void LineOn(const SaverPlatform& t, gdi::DC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
            uint32_t color) {
    gdi::Object pen = t.CreatePen(t.Context, color);
    gdi::Object oldPen = t.SelectObject(t.Context, dc, pen);
    t.MoveToEx(t.Context, dc, x0, y0);
    t.LineTo(t.Context, dc, x1, y1);
    t.SelectObject(t.Context, dc, oldPen);
    t.DeleteObject(t.Context, pen);
}

void Fill(Canvas& c, const gdi::Rect& rect, uint32_t color) {
    OnAll(c, [&](const SaverPlatform& t, gdi::DC screen) { FillOn(t, screen, rect, color); });
}

void Clear(Canvas& c) {
    Fill(c, gdi::Rect{0, 0, c.width, c.height}, 0);
}

void Line(Canvas& c, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color) {
    OnAll(c, [&](const SaverPlatform& t, gdi::DC screen) {
        LineOn(t, screen, x0, y0, x1, y1, color);
    });
}

// A memory context holding a compatible bitmap of width x height, on one side.
struct Image {
    gdi::DC dc;
    gdi::Object bitmap;
};

Image MakeImage(const SaverPlatform& t, gdi::DC compatibleWith, int32_t width, int32_t height) {
    Image image = {t.CreateCompatibleDC(t.Context, compatibleWith),
                   t.CreateCompatibleBitmap(t.Context, compatibleWith, width, height)};
    t.SelectObject(t.Context, image.dc, image.bitmap);
    return image;
}

void FreeImage(const SaverPlatform& t, const Image& image) {
    t.DeleteDC(t.Context, image.dc);
    t.DeleteObject(t.Context, image.bitmap);
}

uint32_t ToColorref(uint32_t dibPixel) {
    return ((dibPixel & 0xFF) << 16) | (dibPixel & 0xFF00) | ((dibPixel >> 16) & 0xFF);
}

// The pixels that differ, with the first few named.
std::string Differences(const Canvas& c) {
    GdiFlush();
    soft::Pixels p = soft::PixelsOf(c.surface, c.soft);
    if (p.Width != c.width || p.Height != c.height || c.bits == nullptr) {
        return "canvas not made";
    }
    std::ostringstream out;
    int64_t count = 0;
    for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
            size_t i = static_cast<size_t>(y) * static_cast<size_t>(c.width) + x;
            uint32_t real = ToColorref(c.bits[i]);
            if (real != p.Data[i] || (c.bits[i] & 0xFFFFFF) != c.hostBits[i]) {
                if (count < 8) {
                    out << " (" << x << "," << y << ") GDI " << std::hex << real << " soft "
                        << p.Data[i] << " host " << c.hostBits[i] << std::dec;
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
    void TearDown() override {
        if (c.real != nullptr) {
            FreeCanvas(c);
        }
    }
    Canvas c;
};

// Every direction up to 24 pixels long: the eight octants, their borders and every tie.
TEST_F(GdiCompare, LinesInEveryDirection) {
    MakeCanvas(c, 51, 51);
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
    MakeCanvas(c, 401, 401);
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
        MakeCanvas(c, w, h);
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
    MakeCanvas(c, 50, 40);
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
// outline lines with the context's own pen, copied onto the screen at several places, some
// off its edges.
TEST_F(GdiCompare, BoxOutlines) {
    const int32_t sizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 80};
    for (int32_t size : sizes) {
        MakeCanvas(c, 200, 150);
        const int32_t s = size;
        const int32_t outline[4][4] = {
            {1, 0, s - 2, 0}, {s - 1, 1, s - 1, s - 2}, {s - 2, s - 1, 1, s - 1}, {0, s - 2, 0, 1}};
        const int32_t places[][2] = {{-1, -1}, {10, 10}, {200 - s, 150 - s}, {195, 145}, {-5, 60}};
        OnAll(c, [&](const SaverPlatform& t, gdi::DC screen) {
            Image image = MakeImage(t, screen, s, s);
            uint32_t color = 0x3399EE;
            for (const auto& place : places) {
                color += 0x051020;
                FillOn(t, image.dc, gdi::Rect{0, 0, s, s}, color);
                for (const auto& l : outline) {
                    t.MoveToEx(t.Context, image.dc, l[0], l[1]);
                    t.LineTo(t.Context, image.dc, l[2], l[3]);
                }
                t.BitBlt(t.Context, screen, place[0], place[1], s, s, image.dc, 0, 0);
            }
            FreeImage(t, image);
        });
        EXPECT_EQ(Differences(c), "") << "box of " << size;
        if (size >= 3) { // below that the outline covers the whole box
            EXPECT_GT(Painted(c), 0);
        }
        FreeCanvas(c);
    }
}

// The saver itself on both: boxes of every odd size, colour changes, and wipes every few
// bounces, compared at every wait it hands back.
TEST_F(GdiCompare, TheSaverDrawsAlikeOnBoth) {
    const SaverParameters cases[] = {
        {80, 3, 1, 4, 0}, {7, 2, 1, 3, -1}, {2, 5, 1, 6, 0}, {150, 3, 1, 2, 0}, {300, 3, 1, 3, 0},
    };
    for (const SaverParameters& params : cases) {
        SCOPED_TRACE(params.BoxSize);
        MakeCanvas(c, 160, 120);
        const uint32_t seed = 4242;
        Saver onGdi;
        Saver onSoft;
        Saver onHost;
        BoxAnimatorStart(onGdi, c.gdiTable, c.real, params, seed);
        BoxAnimatorStart(onSoft, c.softTable, c.soft, params, seed);
        BoxAnimatorStart(onHost, c.hostTable, c.host, params, seed);
        int64_t painted = 0;
        for (int wait = 0; wait < 1500; ++wait) {
            const SaverWait gdiWait = BoxAnimatorAdvance(onGdi);
            const SaverWait softWait = BoxAnimatorAdvance(onSoft);
            BoxAnimatorAdvance(onHost);
            ASSERT_EQ(gdiWait.Polls, softWait.Polls) << "wait " << wait;
            ASSERT_EQ(gdiWait.EndsStep, softWait.EndsStep) << "wait " << wait;
            ASSERT_EQ(Differences(c), "") << "wait " << wait;
            painted = std::max(painted, Painted(c));
        }
        EXPECT_GT(onSoft.Wipes, 1u);
        EXPECT_GT(painted, 0);
        BoxAnimatorEnd(onGdi);
        BoxAnimatorEnd(onSoft);
        BoxAnimatorEnd(onHost);
        FreeCanvas(c);
    }
}

TEST_F(GdiCompare, FillRectEdges) {
    MakeCanvas(c, 8, 8);
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
    const int32_t blits[][6] = {
        {-1, -1, 4, 4, 0, 0}, {6, 6, 4, 4, 0, 0},   {5, -2, 4, 4, 0, 0}, {-2, 5, 4, 4, 0, 0},
        {-2, 2, 4, 4, 0, 0},  {2, -2, 4, 4, 0, 0},  {6, 2, 4, 4, 0, 0},  {2, 6, 4, 4, 0, 0},
        {1, 1, 4, 4, 2, 2},   {1, 1, 4, 4, -2, -2}, {0, 0, 8, 8, 0, 0},  {-3, -3, 9, 9, 0, 0},
        {8, 0, 4, 4, 0, 0},   {-4, -4, 4, 4, 0, 0}, {2, 2, 4, 4, 4, 0},  {2, 2, 0, 4, 0, 0},
        {2, 2, -3, 3, 0, 0},  {4, 4, -3, -3, 3, 3}, {1, 1, 3, 3, 1, -1}, {0, 5, 6, 6, -1, 1},
    };
    for (const auto& b : blits) {
        MakeCanvas(c, 8, 8);
        OnAll(c, [&](const SaverPlatform& t, gdi::DC screen) {
            Image source = MakeImage(t, screen, 4, 4);
            for (int32_t i = 0; i < 16; ++i) {
                FillOn(t, source.dc, gdi::Rect{i % 4, i / 4, i % 4 + 1, i / 4 + 1},
                       0x0F0D0Bu * static_cast<uint32_t>(i + 1));
            }
            FillOn(t, screen, gdi::Rect{0, 0, 8, 8}, 0x0000FF);
            t.BitBlt(t.Context, screen, b[0], b[1], b[2], b[3], source.dc, b[4], b[5]);
            FreeImage(t, source);
        });
        EXPECT_EQ(Differences(c), "") << "blit to " << b[0] << "," << b[1] << " " << b[2] << "x"
                                      << b[3] << " from " << b[4] << "," << b[5];
        FreeCanvas(c);
    }
}

// What GDI makes of odd bitmap sizes, and of a bitmap compatible with a fresh memory
// context: monochrome, black and white kept. (GDI dithers other brush colours there; the
// soft surface takes the nearer of black and white, so they are not compared.)
TEST_F(GdiCompare, BitmapSizesAndMonochrome) {
    MakeCanvas(c, 12, 1);
    const int32_t sizes[][2] = {{3, 2}, {0, 5}, {5, 0}, {-5, 4}, {4, -5}, {-3, -3}};
    // Compatible with the display, as the saver's screen is (a memory context holding a DIB
    // section makes DIB sections, which refuse negative sizes).
    HDC display = GetDC(nullptr);
    for (const auto& size : sizes) {
        HBITMAP bitmap = static_cast<HBITMAP>(
            c.gdiTable.CreateCompatibleBitmap(c.gdiTable.Context, display, size[0], size[1]));
        BITMAP info = {};
        GetObjectA(bitmap, sizeof(info), &info);
        Image image = MakeImage(c.softTable, c.soft, size[0], size[1]);
        soft::Pixels p = soft::PixelsOf(c.surface, image.dc);
        EXPECT_EQ(p.Width, info.bmWidth) << size[0] << "x" << size[1];
        EXPECT_EQ(p.Height, info.bmHeight) << size[0] << "x" << size[1];
        FreeImage(c.softTable, image);
        DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, display);

    const uint32_t colors[] = {0x000000, 0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF,
                               0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000};
    OnAll(c, [&](const SaverPlatform& t, gdi::DC screen) {
        gdi::DC mono = t.CreateCompatibleDC(t.Context, screen);
        gdi::Object monoBitmap = t.CreateCompatibleBitmap(t.Context, mono, 12, 1);
        t.SelectObject(t.Context, mono, monoBitmap);
        for (int32_t i = 0; i < 12; ++i) {
            FillOn(t, mono, gdi::Rect{i, 0, i + 1, 1}, colors[i]);
        }
        t.BitBlt(t.Context, screen, 0, 0, 12, 1, mono, 0, 0);
        FreeImage(t, Image{mono, monoBitmap});
    });
    EXPECT_EQ(Differences(c), "") << "monochrome";
    FreeCanvas(c);
}

} // namespace

#endif // _WIN32
