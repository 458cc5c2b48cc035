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

#include "tavorinex/image_io.h"
#include "tavorinex/output_file.h"

struct GifFileType;

struct GifRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// A frame waits until the next one (or the end) is known, because its delay comes first.
struct GifPendingFrame {
    GifRect Rect;
    std::vector<uint8_t> Indices;  // rect.width x rect.height, row by row
    std::vector<uint32_t> Palette; // COLORREF per index
    int32_t TransparentIndex = -1; // -1: every pixel is drawn
    uint64_t StartMs = 0;
};

struct GifAnimation {
    OutputFile Output;
    GifFileType* File = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Shown; // the screen as of the last frame taken
    bool HasFrame = false;
    GifPendingFrame Pending;
    int64_t FramesWritten = 0;
    int64_t FramesQuantised = 0;
    std::string Error; // the first failure; nothing more is written after it
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
// GifEnd up to the rename: the finished file waits under its temporary name in gif.Output, so
// that several files can be renamed into place together (OutputRename).
bool GifFinish(GifAnimation& gif, uint64_t endMs);

// What a frame needs at most besides the screens: its indices, and its colour counts and map
// (GifAddFrame, BuildGifPalette), in bytes per pixel. GifAnimation keeps a copy of the screen.
constexpr uint64_t GifFrameBytesPerPixel = 1 + 2 * 8;

// Hundredths of a second between two saver times, rounded at both ends so that delays add
// up to the run's length instead of drifting.
uint32_t GifDelayBetween(uint64_t startMs, uint64_t endMs);

// Colour table for a frame's changed pixels (given as colours, any order): at most
// maxColors entries, and each input colour's index in it. Exact when the distinct colours fit.
struct GifPalette {
    std::vector<uint32_t> Colors;                  // the table, sorted when exact
    std::vector<std::pair<uint32_t, uint8_t>> Map; // every distinct input colour, sorted
    bool Exact = true;
};
struct GifColorCount {
    uint32_t Color;
    uint32_t Count; // a screen has at most 32768 x 32768 pixels
};
GifPalette BuildGifPalette(std::vector<GifColorCount> counts, size_t maxColors);
GifPalette BuildGifPalette(std::vector<uint32_t> colors, size_t maxColors);
