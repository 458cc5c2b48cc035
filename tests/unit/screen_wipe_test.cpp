#include "saver/screen_wipe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "saver/saver_state.h"
#include "saver/soft_surface.h"
#include "tests/unit/soft_saver.h"

namespace {

constexpr uint32_t Trail = 0x00123456u;
constexpr uint32_t Target = 0x001EC80Au; // red 10, green 200, blue 30

class ScreenWipeTest : public ::testing::Test {
  protected:
    // A screen covered with the box trail, and a saver in the middle of its run.
    void NewScreen(int32_t width, int32_t height, int32_t wipeDelay) {
        run.NewScreen(width, height);
        ASSERT_NE(run.screen, nullptr);
        gdi::Object brush = soft::CreateSolidBrush(run.surface, Trail);
        soft::FillRect(run.surface, run.screen, {0, 0, width, height}, brush);
        soft::DeleteObject(run.surface, brush);
        run.params.WipeDelay = wipeDelay;
        run.Attach();
        run.saver.TargetColor = {10, 200, 30};
        run.saver.ColorDelta = {-50, 60, -70}; // a fade in progress does not colour the rows
        run.saver.BoxPosition = {100, 50};
    }
    // The screen after each poll of a wipe.
    std::vector<std::vector<uint32_t>> PollByPoll() {
        std::vector<std::vector<uint32_t>> frames;
        run.onWait = [&](uint32_t polls) { frames.insert(frames.end(), polls, run.Pixels()); };
        run.RunWipe();
        run.onWait = nullptr;
        return frames;
    }

    SoftSaver run;
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
        NewScreen(c.width, c.height, c.wipeDelay);
        run.RunWipe();
        EXPECT_EQ(run.polls, c.polls);
        EXPECT_EQ(run.saver.BoxPosition.x, -1);
        EXPECT_EQ(run.saver.BoxPosition.y, -1);
    }
}

TEST_F(ScreenWipeTest, PausesComeBeforeTheFirstRowAndAfterEachLine) {
    NewScreen(40, 10, 1);
    std::vector<uint32_t> Row0;
    std::vector<uint32_t> Row2;
    for (const std::vector<uint32_t>& frame : PollByPoll()) {
        Row0.push_back(frame[5]);
        Row2.push_back(frame[2 * 40 + 5]);
    }
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
        NewScreen(w, h, 0);
        // With P 0: one poll of pause, then one poll after each row and each pair of fan lines.
        size_t rows = static_cast<size_t>(h / 2 + 1);
        std::vector<std::vector<uint32_t>> frames = PollByPoll();
        ASSERT_GT(frames.size(), rows + 1);
        const std::vector<uint32_t> Snapshots[2] = {frames[rows], frames[rows + 1]};

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
        NewScreen(size.width, size.height, -1);
        run.RunWipe();
        std::vector<uint32_t> pixels = run.Pixels();
        ASSERT_EQ(pixels.size(), static_cast<size_t>(size.width * size.height));
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_EQ(pixels[i], 0u) << "pixel " << i % static_cast<size_t>(size.width) << ","
                                     << i / static_cast<size_t>(size.width);
        }
    }
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
        NewScreen(c.width, c.height, 0);
        // The screen and the box position at every poll.
        std::vector<std::vector<uint32_t>> Frames;
        std::vector<BoxPoint> Positions;
        run.onWait = [&](uint32_t polls) {
            Frames.insert(Frames.end(), polls, run.Pixels());
            Positions.insert(Positions.end(), polls, run.saver.BoxPosition);
        };
        run.RunWipe();

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
    NewScreen(64, 48, -1);
    gdi::Object ownPen = soft::CreatePen(run.surface, 0x0000FF00u);
    soft::SelectObject(run.surface, run.screen, ownPen);
    int32_t objects = soft::LiveObjectCount(run.surface);
    run.RunWipe();
    EXPECT_EQ(soft::LiveObjectCount(run.surface), objects);
    gdi::Object other = soft::CreatePen(run.surface, 0);
    EXPECT_EQ(soft::SelectObject(run.surface, run.screen, other), ownPen);
}

} // namespace
