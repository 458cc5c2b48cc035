#include "saver/dirty_rows.h"

#include <algorithm>

namespace {

// Rows merge into one rectangle while at most about half of it is clean: a copy of its own
// costs a request and its setup, about this many pixels' worth.
constexpr int64_t MergeSlack = 1024;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

void MarkRow(DirtyRows& rows, int32_t y, int64_t left, int64_t right) {
    left = std::max<int64_t>(left, 0);
    right = std::min<int64_t>(right, rows.Width);
    if (y < 0 || y >= rows.Height || left >= right) {
        return;
    }
    int32_t& l = rows.Left[static_cast<size_t>(y)];
    int32_t& r = rows.Right[static_cast<size_t>(y)];
    if (l >= r) {
        l = static_cast<int32_t>(left);
        r = static_cast<int32_t>(right);
    } else {
        l = std::min(l, static_cast<int32_t>(left));
        r = std::max(r, static_cast<int32_t>(right));
    }
    if (rows.Top >= rows.Bottom) {
        rows.Top = y;
        rows.Bottom = y + 1;
    } else {
        rows.Top = std::min(rows.Top, y);
        rows.Bottom = std::max(rows.Bottom, y + 1);
    }
}

void MarkTouchedRect(void* rows, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    MarkRect(*static_cast<DirtyRows*>(rows), left, top, right, bottom);
}

void MarkTouchedLine(void* rows, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    MarkLine(*static_cast<DirtyRows*>(rows), x0, y0, x1, y1);
}

} // namespace

void ResetDirty(DirtyRows& rows, int32_t width, int32_t height) {
    rows.Width = width;
    rows.Height = height;
    rows.Left.assign(static_cast<size_t>(height), 0);
    rows.Right.assign(static_cast<size_t>(height), 0);
    rows.Top = 0;
    rows.Bottom = 0;
}

void MarkRect(DirtyRows& rows, int64_t left, int64_t top, int64_t right, int64_t bottom) {
    top = std::max<int64_t>(top, 0);
    bottom = std::min<int64_t>(bottom, rows.Height);
    for (int64_t y = top; y < bottom; ++y) {
        MarkRow(rows, static_cast<int32_t>(y), left, right);
    }
}

void MarkAll(DirtyRows& rows) {
    MarkRect(rows, 0, 0, rows.Width, rows.Height);
}

void MarkLine(DirtyRows& rows, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int64_t dx = int64_t{x1} - x0;
    const int64_t dy = int64_t{y1} - y0;
    const int64_t ady = dy < 0 ? -dy : dy;
    const int64_t top = std::max<int64_t>(std::min(y0, y1), 0);
    const int64_t bottom = std::min<int64_t>(std::max(y0, y1), int64_t{rows.Height} - 1);
    constexpr int64_t far = int64_t{1} << 30; // beyond it the products below could overflow
    if (ady == 0 || ady > far || dx > far || dx < -far) {
        MarkRect(rows, std::min(x0, x1), top, int64_t{std::max(x0, x1)} + 1, bottom + 1);
        return;
    }
    // Row y0 + k holds pixels whose true position lies within half a row of it; the columns
    // the line crosses between rows k - 1 and k + 1 hold them all.
    for (int64_t y = top; y <= bottom; ++y) {
        const int64_t k = dy < 0 ? y0 - y : y - y0;
        const int64_t a = x0 + FloorDiv(dx * (k - 1), ady);
        const int64_t b = x0 + FloorDiv(dx * (k + 1), ady);
        MarkRow(rows, static_cast<int32_t>(y), std::min(a, b) - 1, std::max(a, b) + 2);
    }
}

bool IsDirty(const DirtyRows& rows) {
    return rows.Top < rows.Bottom;
}

void TakeDirtyRects(DirtyRows& rows, std::vector<DirtyRect>& rects) {
    rects.clear();
    int64_t left = 0;
    int64_t right = 0;
    int64_t top = 0;
    int64_t height = 0; // rows in the rectangle being built; 0: none
    int64_t exact = 0;  // marked pixels in it
    auto flush = [&]() {
        if (height > 0) {
            rects.push_back({static_cast<int32_t>(left), static_cast<int32_t>(top),
                             static_cast<int32_t>(right - left), static_cast<int32_t>(height)});
        }
        height = 0;
    };
    for (int32_t y = rows.Top; y < rows.Bottom; ++y) {
        int32_t& l = rows.Left[static_cast<size_t>(y)];
        int32_t& r = rows.Right[static_cast<size_t>(y)];
        if (l >= r) {
            flush();
            continue;
        }
        if (height > 0) {
            const int64_t newLeft = std::min<int64_t>(left, l);
            const int64_t newRight = std::max<int64_t>(right, r);
            const int64_t newExact = exact + (r - l);
            if ((newRight - newLeft) * (height + 1) - newExact <= newExact + MergeSlack) {
                left = newLeft;
                right = newRight;
                ++height;
                exact += r - l;
                l = r = 0;
                continue;
            }
            flush();
        }
        left = l;
        right = r;
        top = y;
        height = 1;
        exact = r - l;
        l = r = 0;
    }
    flush();
    rows.Top = rows.Bottom = 0;
}

soft::ScreenListener DirtyRowsListener(DirtyRows& rows) {
    return soft::ScreenListener{&rows, MarkTouchedRect, MarkTouchedLine};
}

bool NewDirtyScreen(DirtyScreen& screen, int32_t width, int32_t height,
                    const soft::ScreenMemory* memory) {
    FreeDirtyScreen(screen);
    screen.Surface = soft::NewSurface();
    screen.Screen = memory == nullptr
                        ? soft::CreateScreen(screen.Surface, width, height)
                        : soft::CreateScreenIn(screen.Surface, width, height, *memory);
    if (screen.Screen == nullptr) {
        FreeDirtyScreen(screen);
        return false;
    }
    ResetDirty(screen.Rows, width, height);
    MarkAll(screen.Rows);
    const soft::ScreenListener listener = DirtyRowsListener(screen.Rows);
    soft::SetScreenListener(screen.Surface, &listener);
    return true;
}

void FreeDirtyScreen(DirtyScreen& screen) {
    soft::FreeSurface(screen.Surface);
    screen.Surface = nullptr;
    screen.Screen = nullptr;
    ResetDirty(screen.Rows, 0, 0);
}
