#include "saver/dirty_rows.h"

#include <gtest/gtest.h>

#include <vector>

#include "saver/box_animator.h"

namespace {

// Every pixel the saver changes lies in a rectangle the host is told to copy, whatever it
// draws: steps, coloured rows, fan lines, boxes past the edges or larger than the screen.
TEST(DirtyScreen, EveryChangedPixelIsInACopiedRectangle) {
    struct Case {
        int32_t width;
        int32_t height;
        SaverParameters parameters;
        int advances;
    } cases[] = {
        {160, 120, {40, 3, 1, 3, 0}, 3000},  // wipes every few bounces
        {97, 61, {80, 50, 2, 2, 0}, 2000},   // a box nearly the screen's size
        {50, 300, {120, 50, 1, 1, 0}, 2000}, // a box wider than the screen
        {300, 7, {3, 1, 1, 5, 0}, 3000},     // flat screen, tiny box, steep fans
        {1, 1, {80, 50, 1, 1, 0}, 500},      // one pixel
    };
    for (const Case& c : cases) {
        DirtyScreen screen;
        ASSERT_TRUE(NewDirtyScreen(screen, c.width, c.height));
        Saver saver;
        BoxAnimatorStart(saver, soft::PlatformOn(screen.Surface), screen.Screen, c.parameters, 99);
        std::vector<DirtyRect> rects;
        TakeDirtyRects(screen.Rows, rects);
        const size_t count = static_cast<size_t>(c.width) * static_cast<size_t>(c.height);
        soft::Pixels pixels = soft::PixelsOf(screen.Surface, screen.Screen);
        std::vector<uint32_t> shown(pixels.Data, pixels.Data + count);
        for (int i = 0; i < c.advances && !HasFailure(); ++i) {
            BoxAnimatorAdvance(saver);
            TakeDirtyRects(screen.Rows, rects);
            std::vector<bool> copied(count, false);
            for (const DirtyRect& r : rects) {
                ASSERT_TRUE(r.X >= 0 && r.Y >= 0 && r.Width > 0 && r.Height > 0 &&
                            r.X + r.Width <= c.width && r.Y + r.Height <= c.height);
                for (int32_t y = r.Y; y < r.Y + r.Height; ++y) {
                    for (int32_t x = r.X; x < r.X + r.Width; ++x) {
                        copied[static_cast<size_t>(y) * c.width + x] = true;
                    }
                }
            }
            pixels = soft::PixelsOf(screen.Surface, screen.Screen);
            for (size_t p = 0; p < count; ++p) {
                if (pixels.Data[p] != shown[p]) {
                    ASSERT_TRUE(copied[p]) << c.width << "x" << c.height << " advance " << i
                                           << " pixel " << p % c.width << "," << p / c.width;
                    shown[p] = pixels.Data[p];
                }
            }
            EXPECT_FALSE(IsDirty(screen.Rows));
        }
        BoxAnimatorEnd(saver);
        FreeDirtyScreen(screen);
    }
}

} // namespace
