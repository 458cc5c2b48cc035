// Runs the saver's own animator, step by step, on a software screen.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"
#include "tools/tavorinex/image_io.h"

struct RenderCounts {
    uint64_t steps = 0;
    uint64_t polls = 0; // each one simulated millisecond of saver time
    uint64_t wipes = 0;
};

// A fresh screen of width x height, the parameters in place, and the animator started with
// the given seed for Randomize. False with an error when the screen cannot be made.
bool StartRender(int32_t width, int32_t height, const SaverParameters& params, uint32_t seed,
                 std::string& error);
// One step of the animator, wipe and polls included.
void RenderStep(RenderCounts& counts);
// The screen as it is now: a copy, and the pixels themselves (valid until the next step).
RgbImage RenderScreen();
const uint32_t* RenderPixels();
// Releases the screen and every drawing object; the poll hook is cleared.
void EndRender();

// Saver time as text: "12.345".
std::string SaverSeconds(uint64_t polls);
