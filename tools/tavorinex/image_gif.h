// An animated GIF of the saver's screen, written frame by frame as the saver runs.
//
// Each frame holds only the rectangle that changed since the frame before, with unchanged
// pixels transparent, and its own colour table. A frame whose changed pixels have at most
// 255 colours shows them exactly; one with more keeps the 255 most frequent colours and
// gives every other colour the nearest of those.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/tavorinex/image_io.h"
#include "tools/tavorinex/output_file.h"

struct GifFileType;

struct GifRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// A frame waits until the next one (or the end) is known, because its delay comes first.
struct GifPendingFrame {
    GifRect rect;
    std::vector<uint8_t> indices;  // rect.width x rect.height, row by row
    std::vector<uint32_t> palette; // COLORREF per index
    int32_t transparentIndex = -1; // -1: every pixel is drawn
    uint64_t startMs = 0;
};

struct GifAnimation {
    OutputFile output;
    GifFileType* file = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> shown; // the screen as of the last frame taken
    bool hasFrame = false;
    GifPendingFrame pending;
    int64_t framesWritten = 0;
    int64_t framesQuantised = 0;
    std::string error; // the first failure; nothing more is written after it
};

// Longest delay one frame can carry, in hundredths of a second.
constexpr uint32_t GifMaxDelay = 65535;

bool GifBegin(GifAnimation& gif, const std::string& path, int32_t width, int32_t height);
// The screen from timeMs on (saver milliseconds, increasing). A screen equal to the last one
// only lengthens that frame.
// screen: width x height COLORREFs, row by row from the top.
void GifAddFrame(GifAnimation& gif, const uint32_t* screen, uint64_t timeMs);
// The last frame lasts until endMs. Returns false with gif.error set if anything failed; the
// file then does not appear.
bool GifEnd(GifAnimation& gif, uint64_t endMs);

// Hundredths of a second between two saver times, rounded at both ends so that delays add
// up to the run's length instead of drifting.
uint32_t GifDelayBetween(uint64_t startMs, uint64_t endMs);

// Colour table for a frame's changed pixels (given as colours, any order): at most
// maxColors entries, and each input colour's index in it. Exact when the distinct colours fit.
struct GifPalette {
    std::vector<uint32_t> colors;                  // the table, sorted when exact
    std::vector<std::pair<uint32_t, uint8_t>> map; // every distinct input colour, sorted
    bool exact = true;
};
struct GifColorCount {
    uint32_t color;
    size_t count;
};
GifPalette BuildGifPalette(std::vector<GifColorCount> counts, size_t maxColors);
GifPalette BuildGifPalette(std::vector<uint32_t> colors, size_t maxColors);
