#include "saver/screen_wipe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "saver/box_animator.h"
#include "saver/input_watch.h"
#include "saver/saver_state.h"
#include "saver/soft_surface.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t Trail = 0x00123456u;
constexpr uint32_t Target = 0x001EC80Au; // red 10, green 200, blue 30

// The screen as it was at chosen polls.
uint64_t SnapshotAt[2] = {0, 0};
std::vector<uint32_t> Snapshots[2];
std::vector<uint32_t> ScreenPixels() {
    soft::Pixels pixels = soft::PixelsOf(ScreenDC);
    return std::vector<uint32_t>(pixels.data, pixels.data + pixels.width * pixels.height);
}
void TakeSnapshots() {
    for (int i = 0; i < 2; ++i) {
        if (InputWatchPolls == SnapshotAt[i]) {
            Snapshots[i] = ScreenPixels();
        }
    }
}

// What row 0 and row 2 of the screen held at each poll.
std::vector<uint32_t> Row0;
std::vector<uint32_t> Row2;
void RecordRows() {
    Row0.push_back(soft::GetPixel(ScreenDC, 5, 0));
    Row2.push_back(soft::GetPixel(ScreenDC, 5, 2));
}

class ScreenWipeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        soft::Reset();
        InputWatchHook = nullptr;
        InputWatchPolls = 0;
        TargetColor = {10, 200, 30};
        ColorDelta = {-50, 60, -70}; // a fade in progress does not colour the rows
        BoxPosition = {100, 50};
        CurrentSaverParameters = {80, 50, 7, 960, 4};
    }
    void TearDown() override {
        InputWatchHook = nullptr;
        soft::Reset();
    }
    // A screen covered with the box trail.
    void NewScreen(int32_t width, int32_t height) {
        ScreenDC = soft::CreateScreen(width, height);
        ASSERT_NE(ScreenDC, nullptr);
        gdi::Object brush = gdi::CreateSolidBrush(Trail);
        gdi::FillRect(ScreenDC, {0, 0, width, height}, brush);
        gdi::DeleteObject(brush);
    }
};

TEST_F(ScreenWipeTest, PollCount) {
    // 2 x (100 x P + 1) for the pauses, P + 1 after each of floor(H / 2) + 1 rows and H + 1 fans.
    auto polls = [](int64_t h, int64_t p) {
        return p < 0 ? 0 : 2 * (100 * p + 1) + (h / 2 + h + 2) * (p + 1);
    };
    const struct {
        int32_t width;
        int32_t height;
        int32_t wipeDelay;
        uint64_t polls;
    } cases[] = {
        {1024, 768, 4, 6572},
        {1024, 768, 0, static_cast<uint64_t>(polls(768, 0))},
        {600, 800, 4, static_cast<uint64_t>(polls(800, 4))},
        {640, 481, 2, static_cast<uint64_t>(polls(481, 2))},
        {7, 1, 0, 2 + 3},
        {320, 200, 15, static_cast<uint64_t>(polls(200, 15))},
        {320, 200, -1, 0},
        {320, 200, -5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " P " << c.wipeDelay);
        soft::Reset();
        NewScreen(c.width, c.height);
        CurrentSaverParameters.WipeDelay = c.wipeDelay;
        InputWatchPolls = 0;
        BoxPosition = {100, 50};
        ScreenWipe();
        EXPECT_EQ(InputWatchPolls, c.polls);
        EXPECT_EQ(BoxPosition.x, -1);
        EXPECT_EQ(BoxPosition.y, -1);
    }
}

TEST_F(ScreenWipeTest, PausesComeBeforeTheFirstRowAndAfterEachLine) {
    NewScreen(40, 10);
    CurrentSaverParameters.WipeDelay = 1;
    InputWatchHook = RecordRows;
    Row0.clear();
    Row2.clear();
    ScreenWipe();
    ASSERT_GE(Row0.size(), 104u);
    for (size_t poll = 0; poll < 101; ++poll) {
        EXPECT_EQ(Row0[poll], Trail) << poll;
    }
    EXPECT_EQ(Row0[101], Target); // two polls after the first row
    EXPECT_EQ(Row2[101], Trail);
    EXPECT_EQ(Row2[102], Trail);
    EXPECT_EQ(Row2[103], Target);
    // The last 101 polls are the closing pause: the screen is black and stays so.
    for (size_t poll = Row0.size() - 101; poll < Row0.size(); ++poll) {
        EXPECT_EQ(Row0[poll], 0u);
        EXPECT_EQ(Row2[poll], 0u);
    }
}

TEST_F(ScreenWipeTest, InterlacedRowsInTheTargetColorThenTheFirstFanLine) {
    const struct {
        int32_t width;
        int32_t height;
    } sizes[] = {{320, 200}, {200, 321}, {9, 1}, {1, 6}};
    for (const auto& size : sizes) {
        int32_t w = size.width;
        int32_t h = size.height;
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        soft::Reset();
        NewScreen(w, h);
        CurrentSaverParameters.WipeDelay = 0;
        InputWatchPolls = 0;
        // With P 0: one poll of pause, then one poll after each row and each pair of fan lines.
        uint64_t rows = static_cast<uint64_t>(h / 2 + 1);
        SnapshotAt[0] = 1 + rows;
        SnapshotAt[1] = 1 + rows + 1;
        Snapshots[0].clear();
        Snapshots[1].clear();
        InputWatchHook = TakeSnapshots;
        ScreenWipe();
        InputWatchHook = nullptr;

        ASSERT_EQ(Snapshots[0].size(), static_cast<size_t>(w * h));
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                uint32_t expected = y % 2 == 0 ? Target : Trail;
                ASSERT_EQ(Snapshots[0][static_cast<size_t>(y * w + x)], expected) << x << "," << y;
            }
        }
        // The first fan line is the top row; the second fan's first line lies below the screen.
        std::vector<uint32_t> expected = Snapshots[0];
        for (int32_t x = 0; x < w; ++x) {
            expected[static_cast<size_t>(x)] = 0;
        }
        EXPECT_EQ(Snapshots[1], expected);
    }
}

TEST_F(ScreenWipeTest, FansLeaveTheWholeScreenBlack) {
    const struct {
        int32_t width;
        int32_t height;
    } sizes[] = {{1024, 768}, {600, 800}, {320, 200}, {200, 320}, {1, 1},
                 {2, 5},      {5, 2},     {64, 64},   {1000, 3},  {3, 1000}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
        soft::Reset();
        NewScreen(size.width, size.height);
        CurrentSaverParameters.WipeDelay = -1;
        ScreenWipe();
        std::vector<uint32_t> pixels = ScreenPixels();
        ASSERT_EQ(pixels.size(), static_cast<size_t>(size.width * size.height));
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_EQ(pixels[i], 0u) << "pixel " << i % static_cast<size_t>(size.width) << ","
                                     << i / static_cast<size_t>(size.width);
        }
    }
}

// The screen and the box position at every poll of a wipe.
std::vector<std::vector<uint32_t>> Frames;
std::vector<BoxPoint> Positions;
void RecordFrame() {
    Frames.push_back(ScreenPixels());
    Positions.push_back(BoxPosition);
}

// A whole wipe with WipeDelay 0 on tiny screens, poll by poll: the opening pause, one
// interlaced row per poll, one line of each fan per poll, then the closing pause, the box
// already back at (-1, -1). '.' is the trail, 'T' the target colour, '#' black.
TEST_F(ScreenWipeTest, EveryPollOfAWipe) {
    const struct {
        int32_t width;
        int32_t height;
        std::vector<std::vector<const char*>> frames;
    } cases[] = {
        {7,
         4,
         {
             {".......", ".......", ".......", "......."}, // opening pause
             {"TTTTTTT", ".......", ".......", "......."}, // row 0
             {"TTTTTTT", ".......", "TTTTTTT", "......."}, // row 2
             {"TTTTTTT", ".......", "TTTTTTT", "......."}, // row 4, below the screen
             {"#######", ".......", "TTTTTTT", "......."}, // fans at g 0
             {"#######", "....###", "TTTTTTT", "####..."},
             {"#######", "..#####", "##TTTT#", "######."},
             {"#######", "#.#####", "#######", "#######"},
             {"#######", "#######", "#######", "#######"}, // g = H
             {"#######", "#######", "#######", "#######"}, // closing pause
         }},
        {3,
         6,
         {
             {"...", "...", "...", "...", "...", "..."},
             {"TTT", "...", "...", "...", "...", "..."},
             {"TTT", "...", "TTT", "...", "...", "..."},
             {"TTT", "...", "TTT", "...", "TTT", "..."},
             {"TTT", "...", "TTT", "...", "TTT", "..."},
             {"###", "...", "TTT", "...", "TTT", "..."},
             {"###", "..#", "TTT", "...", "TTT", "##."},
             {"###", ".##", "TTT", "...", "#TT", "###"},
             {"###", ".##", "TT#", "...", "##T", "###"},
             {"###", ".##", "T##", "#.#", "##T", "###"},
             {"###", ".##", "###", "###", "###", "###"},
             {"###", "###", "###", "###", "###", "###"},
             {"###", "###", "###", "###", "###", "###"},
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        soft::Reset();
        NewScreen(c.width, c.height);
        CurrentSaverParameters.WipeDelay = 0;
        BoxPosition = {100, 50};
        Frames.clear();
        Positions.clear();
        InputWatchHook = RecordFrame;
        ScreenWipe();
        InputWatchHook = nullptr;

        ASSERT_EQ(Frames.size(), c.frames.size());
        for (size_t poll = 0; poll < Frames.size(); ++poll) {
            const bool closing = poll + 1 == Frames.size();
            EXPECT_EQ(Positions[poll].x, closing ? -1 : 100) << "poll " << poll + 1;
            EXPECT_EQ(Positions[poll].y, closing ? -1 : 50) << "poll " << poll + 1;
            for (int32_t y = 0; y < c.height; ++y) {
                std::string row;
                for (int32_t x = 0; x < c.width; ++x) {
                    uint32_t pixel = Frames[poll][static_cast<size_t>(y * c.width + x)];
                    row += pixel == Trail ? '.' : pixel == Target ? 'T' : pixel == 0 ? '#' : '?';
                }
                EXPECT_EQ(row, c.frames[poll][static_cast<size_t>(y)])
                    << "poll " << poll + 1 << ", row " << y;
            }
        }
    }
}

TEST_F(ScreenWipeTest, PutsThePreviousPenBackAndKeepsNoPen) {
    NewScreen(64, 48);
    gdi::Object ownPen = gdi::CreatePen(0x0000FF00u);
    gdi::SelectObject(ScreenDC, ownPen);
    int32_t objects = soft::LiveObjectCount();
    CurrentSaverParameters.WipeDelay = -1;
    ScreenWipe();
    EXPECT_EQ(soft::LiveObjectCount(), objects);
    gdi::Object other = gdi::CreatePen(0);
    EXPECT_EQ(gdi::SelectObject(ScreenDC, other), ownPen);
}

} // namespace
