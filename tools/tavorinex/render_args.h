// The command line of `tavorinex render`.
#pragma once

#include <cstdint>
#include <string>

struct RenderOptions {
    int32_t width = 1024;
    int32_t height = 768;
    bool hasSeed = false;
    uint32_t seed = 0;
    std::string settingsPath; // empty: the values the saver takes without a file
    bool hasSteps = false;
    uint64_t steps = 0;
    bool hasSeconds = false;
    uint64_t secondsPolls = 0; // --seconds in polls (milliseconds), rounded up
    std::string outPath;
    bool outPng = false; // by the extension; otherwise PPM
    std::string gifPath;
    bool hasFrameMs = false;
    uint32_t frameMs = 40;
    bool json = false;
    bool help = false;
};

// Limits chosen for the tool.
constexpr uint32_t MinFrameMs = 20; // players stretch shorter GIF delays to about 100 ms
constexpr uint32_t MaxFrameMs = 3600000;
constexpr uint64_t MaxSeconds = 100000000; // over three years of saver time
constexpr uint64_t MaxSteps = uint64_t{1} << 40;

// argv[0] is "render". False with a one-line error for anything not understood.
bool ParseRenderArgs(int argc, char** argv, RenderOptions& options, std::string& error);

// "--seconds" text to polls: decimal, at most three fraction digits are exact, any more
// round up, as a stop "at or past" the time needs.
bool ParseSeconds(const std::string& text, uint64_t& polls);

const char* RenderUsage();
