#include "saver/soft_surface.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/soft_saver.h"

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Red = 0x0000FF;

using Points = std::set<std::pair<int32_t, int32_t>>;

class SoftSurface : public ::testing::Test {
  protected:
    void SetUp() override { surface = soft::NewSurface(); }
    void TearDown() override { soft::FreeSurface(surface); }
    // A clean start within one test.
    void Reset() {
        soft::FreeSurface(surface);
        surface = soft::NewSurface();
    }

    soft::Surface* surface = nullptr;

    // A memory context holding a width x height bitmap filled with white.
    soft::DC WhiteImage(int32_t width, int32_t height) {
        soft::DC screen = soft::CreateScreen(surface, 16, 16);
        soft::DC dc = soft::CreateCompatibleDC(surface, screen);
        soft::SelectObject(surface, dc,
                           soft::CreateCompatibleBitmap(surface, screen, width, height));
        soft::Object brush = soft::CreateSolidBrush(surface, White);
        soft::FillRect(surface, dc, gdi::Rect{0, 0, width, height}, brush);
        soft::DeleteObject(surface, brush);
        return dc;
    }

    // The pixels that are not white.
    Points Marked(soft::DC dc) {
        soft::Pixels p = soft::PixelsOf(surface, dc);
        Points marked;
        for (int32_t y = 0; y < p.Height; ++y) {
            for (int32_t x = 0; x < p.Width; ++x) {
                if (p.Data[y * p.Width + x] != White) {
                    marked.insert({x, y});
                }
            }
        }
        return marked;
    }
};

// The rule: one pixel per step of the longer axis, the end point left out; on the shorter
// axis the pixel nearest the true line, and where two are equally near, the one in the
// negative direction. Offsets from (6, 6).
TEST_F(SoftSurface, ShortLinesInEveryOctant) {
    const struct {
        int32_t dx;
        int32_t dy;
        Points pixels;
    } cases[] = {
        {4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},         // half-way at x 2 stays on 0
        {4, -1, {{0, 0}, {1, 0}, {2, -1}, {3, -1}}},      // half-way at x 2 goes to -1
        {-4, 1, {{0, 0}, {-1, 0}, {-2, 0}, {-3, 1}}},     //
        {-4, -1, {{0, 0}, {-1, 0}, {-2, -1}, {-3, -1}}},  //
        {1, 4, {{0, 0}, {0, 1}, {0, 2}, {1, 3}}},         //
        {1, -4, {{0, 0}, {0, -1}, {0, -2}, {1, -3}}},     //
        {-1, 4, {{0, 0}, {0, 1}, {-1, 2}, {-1, 3}}},      //
        {-1, -4, {{0, 0}, {0, -1}, {-1, -2}, {-1, -3}}},  //
        {5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}}, // 0.4, 0.8, 1.2, 1.6: no ties
        {-2, -5, {{0, 0}, {0, -1}, {-1, -2}, {-1, -3}, {-2, -4}}},
        {3, 3, {{0, 0}, {1, 1}, {2, 2}}}, // the octant borders
        {-3, 3, {{0, 0}, {-1, 1}, {-2, 2}}},
        {3, -3, {{0, 0}, {1, -1}, {2, -2}}},
        {-3, -3, {{0, 0}, {-1, -1}, {-2, -2}}},
        {3, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {-3, 0, {{0, 0}, {-1, 0}, {-2, 0}}},
        {0, 3, {{0, 0}, {0, 1}, {0, 2}}},
        {0, -3, {{0, 0}, {0, -1}, {0, -2}}},
        {1, 0, {{0, 0}}},
        {0, 0, {}}, // nothing at all, not even the start
    };
    for (const auto& c : cases) {
        soft::DC dc = WhiteImage(13, 13);
        soft::MoveToEx(surface, dc, 6, 6);
        soft::LineTo(surface, dc, 6 + c.dx, 6 + c.dy);
        Points expected;
        for (const auto& [x, y] : c.pixels) {
            expected.insert({6 + x, 6 + y});
        }
        EXPECT_EQ(Marked(dc), expected) << "line by " << c.dx << ", " << c.dy;
        EXPECT_EQ(soft::GetPixel(surface, dc, 6, 6), c.pixels.empty() ? White : 0u);
    }
}

TEST_F(SoftSurface, LineToMovesTheCurrentPointAndLeavesTheEndOut) {
    soft::DC dc = WhiteImage(8, 8);
    soft::MoveToEx(surface, dc, 1, 1);
    soft::LineTo(surface, dc, 4, 1);
    soft::LineTo(surface, dc, 4, 4);
    EXPECT_EQ(Marked(dc), (Points{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}));
}

TEST_F(SoftSurface, FreshContextDrawsWithTheBlackPenFromTheOrigin) {
    soft::DC dc = WhiteImage(8, 8);
    soft::LineTo(surface, dc, 3, 0);
    EXPECT_EQ(Marked(dc), (Points{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(soft::GetPixel(surface, dc, 0, 0), 0u);
}

// Far end points are clipped without changing which pixels the visible part gets.
TEST_F(SoftSurface, ClippedLines) {
    const struct {
        int32_t x0, y0, x1, y1;
        Points pixels;
    } cases[] = {
        {-1000, 3, 1000, 3, {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        {-10, -10, 20, 20, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        {20, 20, -10, -10, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        // y is 0.5 exactly at x 0: left of it row 0, right of it row 1
        {-100000000, 0, 100000000, 1, {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}},
        // from just outside the corner to just outside the left edge, as the wipe draws
        {6, 6, -1, 3, {{4, 5}, {3, 5}, {2, 4}, {1, 4}, {0, 3}}},
        {6, 0, 6, 6, {}},   // right of the image
        {0, -1, 6, -7, {}}, // above it
        {-(1 << 27) - 1, 2, 5, 2, {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        {2, 2, 2, INT32_MAX, {{2, 2}, {2, 3}, {2, 4}, {2, 5}}},
        // 5 * 2^31 / (2^32 - 1) is a little over 2.5: row 3
        {INT32_MIN, 0, INT32_MAX, 5, {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        // at x = k the true y is k - 1/2 less a little: row k - 1 (products near 2^63)
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX - 1, {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}}},
    };
    for (const auto& c : cases) {
        soft::DC dc = WhiteImage(6, 6);
        soft::MoveToEx(surface, dc, c.x0, c.y0);
        soft::LineTo(surface, dc, c.x1, c.y1);
        EXPECT_EQ(Marked(dc), c.pixels) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    }
}

TEST_F(SoftSurface, FillRectEdges) {
    const struct {
        gdi::Rect rect;
        int32_t left, top, right, bottom; // what is filled, right and bottom excluded
    } cases[] = {
        {{2, 2, 5, 5}, 2, 2, 5, 5},
        {{3, 3, 3, 6}, 0, 0, 0, 0},
        {{3, 3, 6, 3}, 0, 0, 0, 0},
        {{-3, -3, 2, 2}, 0, 0, 2, 2},
        {{6, 6, 100, 100}, 6, 6, 8, 8},
        {{8, 0, 9, 8}, 0, 0, 0, 0},
        {{-5, 0, 0, 8}, 0, 0, 0, 0},
        {{0, 0, 8, 8}, 0, 0, 8, 8},
        // Turned rectangles count back from one past their first corner, as GDI does.
        {{5, 2, 2, 5}, 3, 2, 6, 5},
        {{2, 5, 5, 2}, 2, 3, 5, 6},
        {{5, 5, 2, 2}, 3, 3, 6, 6},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 0, 0, 8, 8},
    };
    for (const auto& c : cases) {
        soft::DC dc = WhiteImage(8, 8);
        soft::Object brush = soft::CreateSolidBrush(surface, Red);
        soft::FillRect(surface, dc, c.rect, brush);
        soft::DeleteObject(surface, brush);
        Points expected;
        for (int32_t y = c.top; y < c.bottom; ++y) {
            for (int32_t x = c.left; x < c.right; ++x) {
                expected.insert({x, y});
            }
        }
        EXPECT_EQ(Marked(dc), expected)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
        if (!expected.empty()) {
            EXPECT_EQ(soft::GetPixel(surface, dc, c.left, c.top), Red);
        }
    }
}

TEST_F(SoftSurface, BitBltClipsToSourceAndDestination) {
    const struct {
        int32_t x, y, width, height, sx, sy;
        int32_t left, top, right, bottom; // destination pixels written
    } cases[] = {
        {-1, -1, 4, 4, 0, 0, 0, 0, 3, 3},
        {6, 6, 4, 4, 0, 0, 6, 6, 8, 8},
        {5, -2, 4, 4, 0, 0, 5, 0, 8, 2},
        {-2, 5, 4, 4, 0, 0, 0, 5, 2, 8},
        {1, 1, 4, 4, 2, 2, 1, 1, 3, 3},
        {1, 1, 4, 4, -2, -2, 3, 3, 5, 5},
        {0, 0, 8, 8, 0, 0, 0, 0, 4, 4},
        {8, 0, 4, 4, 0, 0, 0, 0, 0, 0},
        {-4, -4, 4, 4, 0, 0, 0, 0, 0, 0},
        {2, 2, 4, 4, 4, 0, 0, 0, 0, 0},
        {2, 2, 0, 4, 0, 0, 0, 0, 0, 0},
        // Negative extents count back from one past the position on both sides.
        {2, 2, -3, 3, 0, 0, 2, 2, 3, 5},
        {4, 4, -3, -3, 3, 3, 2, 2, 5, 5},
    };
    for (const auto& c : cases) {
        soft::DC screen = soft::CreateScreen(surface, 8, 8);
        soft::DC source = soft::CreateCompatibleDC(surface, screen);
        soft::SelectObject(surface, source, soft::CreateCompatibleBitmap(surface, screen, 4, 4));
        for (int32_t i = 0; i < 16; ++i) {
            // every source pixel different, so a shifted copy shows
            soft::Object brush = soft::CreateSolidBrush(surface, 0x010000u * (i + 1));
            soft::FillRect(surface, source, gdi::Rect{i % 4, i / 4, i % 4 + 1, i / 4 + 1}, brush);
            soft::DeleteObject(surface, brush);
        }
        soft::BitBlt(surface, screen, c.x, c.y, c.width, c.height, source, c.sx, c.sy);
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                int32_t from = (x - c.x + c.sx) + 4 * (y - c.y + c.sy);
                uint32_t expected = inside ? 0x010000u * (from + 1) : 0u;
                ASSERT_EQ(soft::GetPixel(surface, screen, x, y), expected)
                    << "pixel " << x << "," << y << " of blit to " << c.x << "," << c.y << " "
                    << c.width << "x" << c.height << " from " << c.sx << "," << c.sy;
            }
        }
        Reset();
    }
}

TEST_F(SoftSurface, BitBltWithinOneImageReadsBeforeItWrites) {
    soft::DC dc = WhiteImage(4, 4);
    soft::Object brush = soft::CreateSolidBrush(surface, Red);
    soft::FillRect(surface, dc, gdi::Rect{0, 0, 1, 4}, brush); // left column red
    soft::DeleteObject(surface, brush);
    soft::BitBlt(surface, dc, 1, 1, 3, 3, dc, 0, 0);
    EXPECT_EQ(Marked(dc), (Points{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 1}, {1, 2}, {1, 3}}));
}

TEST_F(SoftSurface, SelectObjectReturnsThePreviousObjectOfItsKind) {
    soft::DC screen = soft::CreateScreen(surface, 4, 4);
    soft::DC dc = soft::CreateCompatibleDC(surface, screen);
    soft::Object bitmap = soft::CreateCompatibleBitmap(surface, screen, 2, 2);
    soft::Object pen = soft::CreatePen(surface, Red);
    soft::Object brush = soft::CreateSolidBrush(surface, Red);

    soft::Object stockBitmap = soft::SelectObject(surface, dc, bitmap);
    ASSERT_NE(stockBitmap, nullptr);
    EXPECT_EQ(soft::PixelsOf(surface, dc).Width, 2);
    soft::Object stockPen = soft::SelectObject(surface, dc, pen);
    ASSERT_NE(stockPen, nullptr);
    soft::Object stockBrush = soft::SelectObject(surface, dc, brush);
    ASSERT_NE(stockBrush, nullptr);

    EXPECT_EQ(soft::SelectObject(surface, dc, pen), pen); // selecting it again
    EXPECT_EQ(soft::SelectObject(surface, dc, stockPen), pen);
    EXPECT_EQ(soft::SelectObject(surface, dc, stockBrush), brush);
    EXPECT_EQ(soft::SelectObject(surface, dc, stockBitmap), bitmap);
    EXPECT_EQ(soft::PixelsOf(surface, dc).Width, 1);

    // Refused: a bitmap into a screen, into a second context, null and bad handles.
    soft::DC other = soft::CreateCompatibleDC(surface, screen);
    EXPECT_EQ(soft::SelectObject(surface, screen, bitmap), nullptr);
    EXPECT_EQ(soft::SelectObject(surface, other, bitmap), stockBitmap);
    EXPECT_EQ(soft::SelectObject(surface, dc, bitmap), nullptr);
    EXPECT_EQ(soft::SelectObject(surface, dc, nullptr), nullptr);
    EXPECT_EQ(soft::SelectObject(surface, dc, dc), nullptr);
    EXPECT_EQ(soft::SelectObject(surface, nullptr, pen), nullptr);
    EXPECT_EQ(soft::SelectObject(surface, reinterpret_cast<soft::DC>(uintptr_t{0x7777}), pen),
              nullptr);
}

TEST_F(SoftSurface, DeleteObject) {
    int32_t before = soft::LiveObjectCount(surface);
    soft::Object brush = soft::CreateSolidBrush(surface, Red);
    EXPECT_EQ(soft::LiveObjectCount(surface), before + 1);
    EXPECT_TRUE(soft::DeleteObject(surface, brush));
    EXPECT_EQ(soft::LiveObjectCount(surface), before);
    EXPECT_FALSE(soft::DeleteObject(surface, brush)); // gone
    EXPECT_FALSE(soft::DeleteObject(surface, nullptr));

    // A new object in the freed slot does not answer to the old handle.
    soft::Object next = soft::CreateSolidBrush(surface, Red);
    EXPECT_NE(next, brush);
    EXPECT_FALSE(soft::DeleteObject(surface, brush));
    EXPECT_TRUE(soft::DeleteObject(surface, next));
}

TEST_F(SoftSurface, DeletingASelectedObjectWaitsForItsRelease) {
    soft::DC dc = WhiteImage(4, 4);
    int32_t before = soft::LiveObjectCount(surface);
    soft::Object pen = soft::CreatePen(surface, Red);
    soft::Object stockPen = soft::SelectObject(surface, dc, pen);
    EXPECT_TRUE(soft::DeleteObject(surface, pen));
    EXPECT_EQ(soft::LiveObjectCount(surface), before + 1);
    soft::LineTo(surface, dc, 2, 0); // still drawn with it
    EXPECT_EQ(soft::GetPixel(surface, dc, 1, 0), Red);
    EXPECT_EQ(soft::SelectObject(surface, dc, stockPen), pen);
    EXPECT_EQ(soft::LiveObjectCount(surface), before);
    EXPECT_FALSE(soft::DeleteObject(surface, pen));
    EXPECT_EQ(soft::SelectObject(surface, dc, pen), nullptr);

    // Stock objects survive deletion.
    EXPECT_TRUE(soft::DeleteObject(surface, stockPen));
    soft::MoveToEx(surface, dc, 0, 3);
    soft::LineTo(surface, dc, 2, 3);
    EXPECT_EQ(soft::GetPixel(surface, dc, 1, 3), 0u);
}

TEST_F(SoftSurface, DeleteDCReleasesWhatItHolds) {
    soft::DC screen = soft::CreateScreen(surface, 4, 4);
    int32_t before = soft::LiveObjectCount(surface);
    soft::DC dc = soft::CreateCompatibleDC(surface, screen);
    soft::Object bitmap = soft::CreateCompatibleBitmap(surface, screen, 2, 2);
    soft::SelectObject(surface, dc, bitmap);
    EXPECT_TRUE(soft::DeleteObject(surface, bitmap)); // waits for the context
    EXPECT_EQ(soft::LiveObjectCount(surface), before + 2);
    EXPECT_TRUE(soft::DeleteDC(surface, dc));
    EXPECT_EQ(soft::LiveObjectCount(surface), before);
    EXPECT_FALSE(soft::DeleteDC(surface, dc));
    EXPECT_EQ(soft::GetPixel(surface, dc, 0, 0), soft::InvalidPixel);
}

TEST_F(SoftSurface, BitmapSizes) {
    soft::DC screen = soft::CreateScreen(surface, 4, 4);
    const struct {
        int32_t width, height;
        bool made;
        int32_t madeWidth, madeHeight;
    } cases[] = {
        {3, 2, true, 3, 2},
        {0, 5, true, 1, 1}, // the stock 1x1 bitmap, as GDI gives
        {5, 0, true, 1, 1},
        {-5, 4, true, 5, 4},
        {-5, -4, true, 5, 4},
        {4096, 4096, true, 4096, 4096},
        {4097, 4096, false, 0, 0},
        {soft::MaxBitmapSide + 1, 1, false, 0, 0},
        {1, soft::MaxBitmapSide + 1, false, 0, 0},
        {INT32_MIN, INT32_MIN, false, 0, 0},
        {INT32_MAX, INT32_MAX, false, 0, 0},
    };
    for (const auto& c : cases) {
        soft::Object bitmap = soft::CreateCompatibleBitmap(surface, screen, c.width, c.height);
        EXPECT_EQ(bitmap != nullptr, c.made) << c.width << "x" << c.height;
        if (bitmap == nullptr) {
            continue;
        }
        soft::DC dc = soft::CreateCompatibleDC(surface, screen);
        soft::SelectObject(surface, dc, bitmap);
        soft::Pixels p = soft::PixelsOf(surface, dc);
        EXPECT_EQ(p.Width, c.madeWidth);
        EXPECT_EQ(p.Height, c.madeHeight);
        soft::DeleteDC(surface, dc);
        soft::DeleteObject(surface, bitmap);
    }
    EXPECT_EQ(soft::CreateCompatibleBitmap(surface, nullptr, 4, 4), nullptr);
}

TEST_F(SoftSurface, ScreensAndTheTablesScreenSize) {
    EXPECT_EQ(soft::CreateScreen(surface, 0, 768), nullptr);
    EXPECT_EQ(soft::CreateScreen(surface, 1024, -1), nullptr);
    EXPECT_EQ(soft::CreateScreen(surface, 100000, 100000), nullptr);
    const SaverPlatform table = soft::PlatformOn(surface);
    EXPECT_EQ(table.ScreenWidth(table.Context), 0);

    soft::DC landscape = soft::CreateScreen(surface, 1024, 768);
    ASSERT_NE(landscape, nullptr);
    EXPECT_EQ(table.ScreenWidth(table.Context), 1024);
    EXPECT_EQ(table.ScreenHeight(table.Context), 768);
    EXPECT_EQ(soft::GetPixel(surface, landscape, 1023, 767), 0u);
    EXPECT_EQ(soft::GetPixel(surface, landscape, 1024, 0), soft::InvalidPixel);
    EXPECT_EQ(soft::GetPixel(surface, landscape, 0, -1), soft::InvalidPixel);

    // The latest screen is the one described; another surface has its own.
    soft::DC portrait = soft::CreateScreen(surface, 600, 800);
    EXPECT_EQ(table.ScreenWidth(table.Context), 600);
    soft::Surface* other = soft::NewSurface();
    soft::CreateScreen(other, 320, 200);
    EXPECT_EQ(soft::ScreenHeight(other), 200);
    EXPECT_EQ(table.ScreenHeight(table.Context), 800);
    soft::FreeSurface(other);
    soft::DeleteDC(surface, portrait);
    EXPECT_EQ(table.ScreenHeight(table.Context), 0);

    // The screen is the host's, not a bitmap the saver asks for: no limit on its pixels.
    soft::DC huge = soft::CreateScreen(surface, 7680, 4320);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(table.ScreenHeight(table.Context), 4320);
    EXPECT_EQ(soft::GetPixel(surface, huge, 7679, 4319), 0u);
    uint32_t memory[6] = {};
    EXPECT_EQ(soft::CreateScreenIn(surface, 3, 2, {memory, 2, soft::PixelFormat::Xrgb8888}),
              nullptr); // rows narrower than the screen
}

// A fresh memory context holds a monochrome bitmap, and a bitmap compatible with it is
// monochrome too: colours come out black or white.
TEST_F(SoftSurface, BitmapCompatibleWithAMemoryContextIsMonochrome) {
    soft::DC screen = soft::CreateScreen(surface, 4, 4);
    soft::DC dc = soft::CreateCompatibleDC(surface, screen);
    soft::SelectObject(surface, dc, soft::CreateCompatibleBitmap(surface, dc, 2, 1));
    soft::Object light = soft::CreateSolidBrush(surface, gdi::Rgb(200, 200, 200));
    soft::Object dark = soft::CreateSolidBrush(surface, gdi::Rgb(40, 0, 90));
    soft::FillRect(surface, dc, gdi::Rect{0, 0, 1, 1}, light);
    soft::FillRect(surface, dc, gdi::Rect{1, 0, 2, 1}, dark);
    EXPECT_EQ(soft::GetPixel(surface, dc, 0, 0), White);
    EXPECT_EQ(soft::GetPixel(surface, dc, 1, 0), 0u);

    // A colour copied in turns black or white the same way.
    soft::FillRect(surface, screen, gdi::Rect{0, 0, 1, 1}, dark);
    soft::FillRect(surface, screen, gdi::Rect{1, 0, 2, 1}, light);
    soft::BitBlt(surface, dc, 0, 0, 2, 1, screen, 0, 0);
    EXPECT_EQ(soft::GetPixel(surface, dc, 0, 0), 0u);
    EXPECT_EQ(soft::GetPixel(surface, dc, 1, 0), White);
}

TEST_F(SoftSurface, BadHandlesDoNothing) {
    soft::DC screen = soft::CreateScreen(surface, 4, 4);
    soft::Object brush = soft::CreateSolidBrush(surface, Red);
    soft::DC stale = soft::CreateCompatibleDC(surface, screen);
    soft::DeleteDC(surface, stale);
    soft::DC bad[] = {nullptr, stale, brush, reinterpret_cast<soft::DC>(uintptr_t{0xFFFF0001u})};
    for (soft::DC dc : bad) {
        soft::FillRect(surface, dc, gdi::Rect{0, 0, 4, 4}, brush);
        soft::MoveToEx(surface, dc, 0, 0);
        soft::LineTo(surface, dc, 4, 4);
        soft::BitBlt(surface, dc, 0, 0, 4, 4, screen, 0, 0);
        soft::BitBlt(surface, screen, 0, 0, 4, 4, dc, 0, 0);
        EXPECT_EQ(soft::GetPixel(surface, dc, 0, 0), soft::InvalidPixel);
        EXPECT_EQ(soft::PixelsOf(surface, dc).Data, nullptr);
        if (dc != nullptr) {
            EXPECT_EQ(soft::CreateCompatibleDC(surface, dc), nullptr);
        }
    }
    EXPECT_NE(soft::CreateCompatibleDC(surface, nullptr), nullptr); // compatible with the screen
    soft::FillRect(surface, screen, gdi::Rect{0, 0, 4, 4}, nullptr);
    soft::FillRect(surface, screen, gdi::Rect{0, 0, 4, 4}, screen); // not a brush
    EXPECT_EQ(soft::GetPixel(surface, screen, 0, 0), 0u);
    EXPECT_EQ(soft::GetPixel(surface, screen, 3, 3), 0u);
}

TEST_F(SoftSurface, ObjectLimitRefusesInsteadOfGrowing) {
    std::vector<soft::Object> brushes;
    soft::Object brush;
    while ((brush = soft::CreateSolidBrush(surface, Red)) != nullptr) {
        brushes.push_back(brush);
        ASSERT_LE(brushes.size(), size_t{soft::MaxObjects});
    }
    EXPECT_EQ(soft::LiveObjectCount(surface), soft::MaxObjects);
    EXPECT_TRUE(soft::DeleteObject(surface, brushes.back()));
    EXPECT_NE(soft::CreatePen(surface, Red), nullptr);
}

// A host that shows the screen is told what each call on it touched, clipped to the screen;
// drawing elsewhere, or with a bad handle, tells nothing.
TEST_F(SoftSurface, TheScreenListenerHearsWhatEachCallTouched) {
    std::vector<std::string> heard;
    const soft::ScreenListener listener = {
        &heard,
        [](void* h, int32_t l, int32_t t, int32_t r, int32_t b) {
            static_cast<std::vector<std::string>*>(h)->push_back(
                "rect " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) +
                " " + std::to_string(b));
        },
        [](void* h, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
            static_cast<std::vector<std::string>*>(h)->push_back(
                "line " + std::to_string(x0) + " " + std::to_string(y0) + " " + std::to_string(x1) +
                " " + std::to_string(y1));
        }};
    soft::DC image = WhiteImage(8, 8);
    soft::DC screen = soft::CreateScreen(surface, 20, 10);
    soft::SetScreenListener(surface, &listener);
    soft::Object brush = soft::CreateSolidBrush(surface, Red);
    soft::FillRect(surface, screen, gdi::Rect{-5, 8, 4, 30}, brush);
    soft::FillRect(surface, image, gdi::Rect{0, 0, 4, 4}, brush);
    soft::FillRect(surface, screen, gdi::Rect{25, 0, 30, 5}, brush);
    soft::BitBlt(surface, screen, 16, -3, 8, 8, image, 0, 0);
    soft::BitBlt(surface, image, 0, 0, 8, 8, screen, 0, 0);
    soft::MoveToEx(surface, screen, -3, 2);
    soft::LineTo(surface, screen, 40, 9);
    soft::LineTo(surface, image, 1, 1);
    soft::FillRect(surface, nullptr, gdi::Rect{0, 0, 4, 4}, brush);
    soft::SetScreenListener(surface, nullptr);
    soft::FillRect(surface, screen, gdi::Rect{0, 0, 4, 4}, brush);
    EXPECT_EQ(heard,
              (std::vector<std::string>{"rect 0 8 4 10", "rect 16 0 20 5", "line -3 2 40 9"}));
}

// A screen in the host's memory shows what a screen of the surface's own shows, held in the
// host's format, rows a stride apart, nothing written past its width: the saver with wipes
// and boxes past the edges on both, compared at every wait.
TEST(SoftScreenInHostMemory, HoldsTheSaversScreenInTheHostsFormat) {
    const struct {
        soft::PixelFormat format;
        uint32_t held; // gdi::Rgb(0x12, 0x34, 0x56) as the format holds it
    } cases[] = {{soft::PixelFormat::ColorRef, 0x00563412u},
                 {soft::PixelFormat::Xrgb8888, 0x00123456u},
                 {soft::PixelFormat::RgbaBytes, 0xFF563412u}};
    constexpr int32_t width = 90;
    constexpr int32_t height = 70;
    constexpr size_t stride = 93;
    for (const auto& c : cases) {
        std::vector<uint32_t> memory(stride * height, 0);
        SoftSaver own;
        own.NewScreen(width, height);
        SoftSaver host;
        host.surface = soft::NewSurface();
        host.screen =
            soft::CreateScreenIn(host.surface, width, height, {memory.data(), stride, c.format});
        ASSERT_NE(host.screen, nullptr);
        own.params = host.params = {31, 2, 1, 3, 0};
        own.Start();
        host.Start();
        for (int wait = 0; wait < 600 && !HasFailure(); ++wait) {
            own.Advance();
            host.Advance();
            for (int32_t i = 0; i < width * height; ++i) {
                ASSERT_EQ(host.Pixel(i % width, i / width), own.Pixel(i % width, i / width))
                    << "wait " << wait << " pixel " << i % width << "," << i / width;
            }
        }
        EXPECT_GT(host.saver.Wipes, 1u);
        soft::Object brush = soft::CreateSolidBrush(host.surface, gdi::Rgb(0x12, 0x34, 0x56));
        soft::FillRect(host.surface, host.screen, gdi::Rect{0, 0, width, height}, brush);
        for (size_t i = 0; i < memory.size(); ++i) {
            ASSERT_EQ(memory[i], i % stride < size_t{width} ? c.held : 0u) << i;
        }
    }
}

} // namespace
