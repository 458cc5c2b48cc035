// The command line of `tavorinex render`.
#pragma once

#include <cstdint>
#include <string>

struct RenderOptions {
    int32_t Width = 1024;
    int32_t Height = 768;
    bool HasSeed = false;
    uint32_t Seed = 0;
    std::string SettingsPath; // empty: the values the saver takes without a file
    bool HasSteps = false;
    uint64_t Steps = 0;
    bool HasSeconds = false;
    uint64_t SecondsPolls = 0; // --seconds in polls (milliseconds), rounded up
    std::string OutPath;
    bool OutPng = false; // by the extension; otherwise PPM
    std::string GifPath;
    bool HasFrameMs = false;
    uint32_t FrameMs = 40;
    bool Json = false;
    bool Help = false;
};

// Limits chosen for the tool.
constexpr uint32_t MinFrameMs = 20; // players stretch shorter GIF delays to about 100 ms
constexpr uint32_t MaxFrameMs = 3600000;
constexpr uint64_t MaxSeconds = 100000000; // over three years of saver time
constexpr uint64_t MaxSteps = uint64_t{1} << 40;
// The most a run allocates, checked before it starts: the screen, the box image, with --gif a
// copy of the screen and one frame's workings, and at the end the still image's copy.
// Enough for every screen up to 7680x4320 (8K) with both outputs.
constexpr uint64_t MaxRenderBytes = uint64_t{1} << 30;

// What a run of these options allocates at most, for the saver's BoxSize.
uint64_t RenderBytes(const RenderOptions& options, int32_t boxSize);

// argv[0] is "render". False with a one-line error for anything not understood.
bool ParseRenderArgs(int argc, char** argv, RenderOptions& options, std::string& error);

// "--seconds" text to polls: decimal, at most three fraction digits are exact, any more
// round up, as a stop "at or past" the time needs.
bool ParseSeconds(const std::string& text, uint64_t& polls);

const char* RenderUsage();
