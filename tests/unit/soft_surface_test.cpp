#include "saver/gdi.h"
#include "saver/soft_surface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Red = 0x0000FF;

using Points = std::set<std::pair<int32_t, int32_t>>;

class SoftSurface : public ::testing::Test {
  protected:
    void SetUp() override { soft::Reset(); }
    void TearDown() override { soft::Reset(); }

    // A memory context holding a width x height bitmap filled with white.
    soft::DC WhiteImage(int32_t width, int32_t height) {
        soft::DC screen = soft::CreateScreen(16, 16);
        soft::DC dc = soft::CreateCompatibleDC(screen);
        soft::SelectObject(dc, soft::CreateCompatibleBitmap(screen, width, height));
        soft::Object brush = soft::CreateSolidBrush(White);
        soft::FillRect(dc, gdi::Rect{0, 0, width, height}, brush);
        soft::DeleteObject(brush);
        return dc;
    }

    // The pixels that are not white.
    static Points Marked(soft::DC dc) {
        soft::Pixels p = soft::PixelsOf(dc);
        Points marked;
        for (int32_t y = 0; y < p.height; ++y) {
            for (int32_t x = 0; x < p.width; ++x) {
                if (p.data[y * p.width + x] != White) {
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
        soft::MoveToEx(dc, 6, 6);
        soft::LineTo(dc, 6 + c.dx, 6 + c.dy);
        Points expected;
        for (const auto& [x, y] : c.pixels) {
            expected.insert({6 + x, 6 + y});
        }
        EXPECT_EQ(Marked(dc), expected) << "line by " << c.dx << ", " << c.dy;
        EXPECT_EQ(soft::GetPixel(dc, 6, 6), c.pixels.empty() ? White : 0u);
    }
}

TEST_F(SoftSurface, LineToMovesTheCurrentPointAndLeavesTheEndOut) {
    soft::DC dc = WhiteImage(8, 8);
    soft::MoveToEx(dc, 1, 1);
    soft::LineTo(dc, 4, 1);
    soft::LineTo(dc, 4, 4);
    EXPECT_EQ(Marked(dc), (Points{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}));
}

TEST_F(SoftSurface, FreshContextDrawsWithTheBlackPenFromTheOrigin) {
    soft::DC dc = WhiteImage(8, 8);
    soft::LineTo(dc, 3, 0);
    EXPECT_EQ(Marked(dc), (Points{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(soft::GetPixel(dc, 0, 0), 0u);
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
        soft::MoveToEx(dc, c.x0, c.y0);
        soft::LineTo(dc, c.x1, c.y1);
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
        soft::Object brush = soft::CreateSolidBrush(Red);
        soft::FillRect(dc, c.rect, brush);
        soft::DeleteObject(brush);
        Points expected;
        for (int32_t y = c.top; y < c.bottom; ++y) {
            for (int32_t x = c.left; x < c.right; ++x) {
                expected.insert({x, y});
            }
        }
        EXPECT_EQ(Marked(dc), expected)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
        if (!expected.empty()) {
            EXPECT_EQ(soft::GetPixel(dc, c.left, c.top), Red);
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
        soft::DC screen = soft::CreateScreen(8, 8);
        soft::DC source = soft::CreateCompatibleDC(screen);
        soft::SelectObject(source, soft::CreateCompatibleBitmap(screen, 4, 4));
        for (int32_t i = 0; i < 16; ++i) {
            // every source pixel different, so a shifted copy shows
            soft::Object brush = soft::CreateSolidBrush(0x010000u * (i + 1));
            soft::FillRect(source, gdi::Rect{i % 4, i / 4, i % 4 + 1, i / 4 + 1}, brush);
            soft::DeleteObject(brush);
        }
        soft::BitBlt(screen, c.x, c.y, c.width, c.height, source, c.sx, c.sy);
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                int32_t from = (x - c.x + c.sx) + 4 * (y - c.y + c.sy);
                uint32_t expected = inside ? 0x010000u * (from + 1) : 0u;
                ASSERT_EQ(soft::GetPixel(screen, x, y), expected)
                    << "pixel " << x << "," << y << " of blit to " << c.x << "," << c.y << " "
                    << c.width << "x" << c.height << " from " << c.sx << "," << c.sy;
            }
        }
        soft::Reset();
    }
}

TEST_F(SoftSurface, BitBltWithinOneImageReadsBeforeItWrites) {
    soft::DC dc = WhiteImage(4, 4);
    soft::Object brush = soft::CreateSolidBrush(Red);
    soft::FillRect(dc, gdi::Rect{0, 0, 1, 4}, brush); // left column red
    soft::DeleteObject(brush);
    soft::BitBlt(dc, 1, 1, 3, 3, dc, 0, 0);
    EXPECT_EQ(Marked(dc), (Points{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 1}, {1, 2}, {1, 3}}));
}

TEST_F(SoftSurface, SelectObjectReturnsThePreviousObjectOfItsKind) {
    soft::DC screen = soft::CreateScreen(4, 4);
    soft::DC dc = soft::CreateCompatibleDC(screen);
    soft::Object bitmap = soft::CreateCompatibleBitmap(screen, 2, 2);
    soft::Object pen = soft::CreatePen(Red);
    soft::Object brush = soft::CreateSolidBrush(Red);

    soft::Object stockBitmap = soft::SelectObject(dc, bitmap);
    ASSERT_NE(stockBitmap, nullptr);
    EXPECT_EQ(soft::PixelsOf(dc).width, 2);
    soft::Object stockPen = soft::SelectObject(dc, pen);
    ASSERT_NE(stockPen, nullptr);
    soft::Object stockBrush = soft::SelectObject(dc, brush);
    ASSERT_NE(stockBrush, nullptr);

    EXPECT_EQ(soft::SelectObject(dc, pen), pen); // selecting it again
    EXPECT_EQ(soft::SelectObject(dc, stockPen), pen);
    EXPECT_EQ(soft::SelectObject(dc, stockBrush), brush);
    EXPECT_EQ(soft::SelectObject(dc, stockBitmap), bitmap);
    EXPECT_EQ(soft::PixelsOf(dc).width, 1);

    // Refused: a bitmap into a screen, into a second context, null and bad handles.
    soft::DC other = soft::CreateCompatibleDC(screen);
    EXPECT_EQ(soft::SelectObject(screen, bitmap), nullptr);
    EXPECT_EQ(soft::SelectObject(other, bitmap), stockBitmap);
    EXPECT_EQ(soft::SelectObject(dc, bitmap), nullptr);
    EXPECT_EQ(soft::SelectObject(dc, nullptr), nullptr);
    EXPECT_EQ(soft::SelectObject(dc, dc), nullptr);
    EXPECT_EQ(soft::SelectObject(nullptr, pen), nullptr);
    EXPECT_EQ(soft::SelectObject(reinterpret_cast<soft::DC>(uintptr_t{0x7777}), pen), nullptr);
}

TEST_F(SoftSurface, DeleteObject) {
    int32_t before = soft::LiveObjectCount();
    soft::Object brush = soft::CreateSolidBrush(Red);
    EXPECT_EQ(soft::LiveObjectCount(), before + 1);
    EXPECT_TRUE(soft::DeleteObject(brush));
    EXPECT_EQ(soft::LiveObjectCount(), before);
    EXPECT_FALSE(soft::DeleteObject(brush)); // gone
    EXPECT_FALSE(soft::DeleteObject(nullptr));

    // A new object in the freed slot does not answer to the old handle.
    soft::Object next = soft::CreateSolidBrush(Red);
    EXPECT_NE(next, brush);
    EXPECT_FALSE(soft::DeleteObject(brush));
    EXPECT_TRUE(soft::DeleteObject(next));
}

TEST_F(SoftSurface, DeletingASelectedObjectWaitsForItsRelease) {
    soft::DC dc = WhiteImage(4, 4);
    int32_t before = soft::LiveObjectCount();
    soft::Object pen = soft::CreatePen(Red);
    soft::Object stockPen = soft::SelectObject(dc, pen);
    EXPECT_TRUE(soft::DeleteObject(pen));
    EXPECT_EQ(soft::LiveObjectCount(), before + 1);
    soft::LineTo(dc, 2, 0); // still drawn with it
    EXPECT_EQ(soft::GetPixel(dc, 1, 0), Red);
    EXPECT_EQ(soft::SelectObject(dc, stockPen), pen);
    EXPECT_EQ(soft::LiveObjectCount(), before);
    EXPECT_FALSE(soft::DeleteObject(pen));
    EXPECT_EQ(soft::SelectObject(dc, pen), nullptr);

    // Stock objects survive deletion.
    EXPECT_TRUE(soft::DeleteObject(stockPen));
    soft::MoveToEx(dc, 0, 3);
    soft::LineTo(dc, 2, 3);
    EXPECT_EQ(soft::GetPixel(dc, 1, 3), 0u);
}

TEST_F(SoftSurface, DeleteDCReleasesWhatItHolds) {
    soft::DC screen = soft::CreateScreen(4, 4);
    int32_t before = soft::LiveObjectCount();
    soft::DC dc = soft::CreateCompatibleDC(screen);
    soft::Object bitmap = soft::CreateCompatibleBitmap(screen, 2, 2);
    soft::SelectObject(dc, bitmap);
    EXPECT_TRUE(soft::DeleteObject(bitmap)); // waits for the context
    EXPECT_EQ(soft::LiveObjectCount(), before + 2);
    EXPECT_TRUE(soft::DeleteDC(dc));
    EXPECT_EQ(soft::LiveObjectCount(), before);
    EXPECT_FALSE(soft::DeleteDC(dc));
    EXPECT_EQ(soft::GetPixel(dc, 0, 0), soft::InvalidPixel);
}

TEST_F(SoftSurface, BitmapSizes) {
    soft::DC screen = soft::CreateScreen(4, 4);
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
        soft::Object bitmap = soft::CreateCompatibleBitmap(screen, c.width, c.height);
        EXPECT_EQ(bitmap != nullptr, c.made) << c.width << "x" << c.height;
        if (bitmap == nullptr) {
            continue;
        }
        soft::DC dc = soft::CreateCompatibleDC(screen);
        soft::SelectObject(dc, bitmap);
        soft::Pixels p = soft::PixelsOf(dc);
        EXPECT_EQ(p.width, c.madeWidth);
        EXPECT_EQ(p.height, c.madeHeight);
        soft::DeleteDC(dc);
        soft::DeleteObject(bitmap);
    }
    EXPECT_EQ(soft::CreateCompatibleBitmap(nullptr, 4, 4), nullptr);
}

TEST_F(SoftSurface, ScreensAndTheLayersScreenSize) {
    EXPECT_EQ(soft::CreateScreen(0, 768), nullptr);
    EXPECT_EQ(soft::CreateScreen(1024, -1), nullptr);
    EXPECT_EQ(soft::CreateScreen(100000, 100000), nullptr);
    EXPECT_EQ(gdi::ScreenWidth(), 0);

    soft::DC landscape = soft::CreateScreen(1024, 768);
    ASSERT_NE(landscape, nullptr);
    EXPECT_EQ(gdi::ScreenWidth(), 1024);
    EXPECT_EQ(gdi::ScreenHeight(), 768);
    EXPECT_EQ(soft::GetPixel(landscape, 1023, 767), 0u);
    EXPECT_EQ(soft::GetPixel(landscape, 1024, 0), soft::InvalidPixel);
    EXPECT_EQ(soft::GetPixel(landscape, 0, -1), soft::InvalidPixel);

    soft::DC portrait = soft::CreateScreen(600, 800);
    EXPECT_EQ(soft::CurrentScreen(), portrait);
    EXPECT_EQ(gdi::ScreenWidth(), 600);
    soft::SetCurrentScreen(landscape);
    EXPECT_EQ(gdi::ScreenHeight(), 768);
    soft::SetCurrentScreen(soft::CreateCompatibleDC(landscape)); // not a screen
    EXPECT_EQ(soft::CurrentScreen(), nullptr);
    EXPECT_EQ(gdi::ScreenWidth(), 0);
    soft::SetCurrentScreen(portrait);
    soft::DeleteDC(portrait);
    EXPECT_EQ(gdi::ScreenHeight(), 0);
}

// A fresh memory context holds a monochrome bitmap, and a bitmap compatible with it is
// monochrome too: colours come out black or white.
TEST_F(SoftSurface, BitmapCompatibleWithAMemoryContextIsMonochrome) {
    soft::DC screen = soft::CreateScreen(4, 4);
    soft::DC dc = soft::CreateCompatibleDC(screen);
    soft::SelectObject(dc, soft::CreateCompatibleBitmap(dc, 2, 1));
    soft::Object light = soft::CreateSolidBrush(gdi::Rgb(200, 200, 200));
    soft::Object dark = soft::CreateSolidBrush(gdi::Rgb(40, 0, 90));
    soft::FillRect(dc, gdi::Rect{0, 0, 1, 1}, light);
    soft::FillRect(dc, gdi::Rect{1, 0, 2, 1}, dark);
    EXPECT_EQ(soft::GetPixel(dc, 0, 0), White);
    EXPECT_EQ(soft::GetPixel(dc, 1, 0), 0u);

    // A colour copied in turns black or white the same way.
    soft::FillRect(screen, gdi::Rect{0, 0, 1, 1}, dark);
    soft::FillRect(screen, gdi::Rect{1, 0, 2, 1}, light);
    soft::BitBlt(dc, 0, 0, 2, 1, screen, 0, 0);
    EXPECT_EQ(soft::GetPixel(dc, 0, 0), 0u);
    EXPECT_EQ(soft::GetPixel(dc, 1, 0), White);
}

TEST_F(SoftSurface, BadHandlesDoNothing) {
    soft::DC screen = soft::CreateScreen(4, 4);
    soft::Object brush = soft::CreateSolidBrush(Red);
    soft::DC stale = soft::CreateCompatibleDC(screen);
    soft::DeleteDC(stale);
    soft::DC bad[] = {nullptr, stale, brush, reinterpret_cast<soft::DC>(uintptr_t{0xFFFF0001u})};
    for (soft::DC dc : bad) {
        soft::FillRect(dc, gdi::Rect{0, 0, 4, 4}, brush);
        soft::MoveToEx(dc, 0, 0);
        soft::LineTo(dc, 4, 4);
        soft::BitBlt(dc, 0, 0, 4, 4, screen, 0, 0);
        soft::BitBlt(screen, 0, 0, 4, 4, dc, 0, 0);
        EXPECT_EQ(soft::GetPixel(dc, 0, 0), soft::InvalidPixel);
        EXPECT_EQ(soft::PixelsOf(dc).data, nullptr);
        if (dc != nullptr) {
            EXPECT_EQ(soft::CreateCompatibleDC(dc), nullptr);
        }
    }
    EXPECT_NE(soft::CreateCompatibleDC(nullptr), nullptr); // compatible with the screen
    soft::FillRect(screen, gdi::Rect{0, 0, 4, 4}, nullptr);
    soft::FillRect(screen, gdi::Rect{0, 0, 4, 4}, screen); // not a brush
    EXPECT_EQ(soft::GetPixel(screen, 0, 0), 0u);
    EXPECT_EQ(soft::GetPixel(screen, 3, 3), 0u);
}

TEST_F(SoftSurface, ObjectLimitRefusesInsteadOfGrowing) {
    std::vector<soft::Object> brushes;
    soft::Object brush;
    while ((brush = soft::CreateSolidBrush(Red)) != nullptr) {
        brushes.push_back(brush);
        ASSERT_LE(brushes.size(), size_t{soft::MaxObjects});
    }
    EXPECT_EQ(soft::LiveObjectCount(), soft::MaxObjects);
    EXPECT_TRUE(soft::DeleteObject(brushes.back()));
    EXPECT_NE(soft::CreatePen(Red), nullptr);
}

} // namespace
