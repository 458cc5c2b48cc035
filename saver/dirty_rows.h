// Where a software screen changed since a host last showed it, so that the host copies only
// those parts to its display.
#pragma once

#include <cstdint>
#include <vector>

#include "saver/soft_surface.h"

struct DirtyRect {
    int32_t X;
    int32_t Y;
    int32_t Width;
    int32_t Height;
};

// For each screen row the columns [Left, Right) that may have changed; Left >= Right: none.
// A superset is fine (it only copies more), a miss is not.
struct DirtyRows {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<int32_t> Left;
    std::vector<int32_t> Right;
    int32_t Top = 0; // rows [Top, Bottom) hold every marked one
    int32_t Bottom = 0;
};

void ResetDirty(DirtyRows& rows, int32_t width, int32_t height); // all clean
void MarkRect(DirtyRows& rows, int64_t left, int64_t top, int64_t right, int64_t bottom);
void MarkAll(DirtyRows& rows);
// The pixels a 1-pixel line from (x0, y0) towards (x1, y1) can touch.
void MarkLine(DirtyRows& rows, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
bool IsDirty(const DirtyRows& rows);
// The marked area as few rectangles, top to bottom, without much clean area in them; the
// rows are clean afterwards.
void TakeDirtyRects(DirtyRows& rows, std::vector<DirtyRect>& rects);

// The listener that marks what each drawing call on a surface's screen touched in `rows`.
soft::ScreenListener DirtyRowsListener(DirtyRows& rows);

// A software surface whose screen marks its changes in Rows. It holds the listener's context,
// so it stays where it was made.
struct DirtyScreen {
    soft::Surface* Surface = nullptr;
    gdi::DC Screen = nullptr;
    DirtyRows Rows;
};

// A surface with a screen of width x height (all of it marked, as nothing of it has been
// shown): a black one of its own, or one in the host's memory (soft::CreateScreenIn); false
// when the screen cannot be made (a side out of range, memory run out).
bool NewDirtyScreen(DirtyScreen& screen, int32_t width, int32_t height,
                    const soft::ScreenMemory* memory = nullptr);
void FreeDirtyScreen(DirtyScreen& screen);
