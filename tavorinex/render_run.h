// Runs the saver's own animator, step by step, on a software screen.
#pragma once

#include <cstdint>
#include <string>

#include "saver/box_animator.h"
#include "saver/soft_surface.h"
#include "settings/settings.h"
#include "tavorinex/image_io.h"

struct RenderCounts {
    uint64_t Steps = 0;
    uint64_t Polls = 0; // each one simulated millisecond of saver time
    uint64_t Wipes = 0;
};

// One saver on a screen of its own.
struct RenderRun {
    soft::Surface* Surface = nullptr;
    gdi::DC Screen = nullptr;
    Saver Core;
};

// Told of every wait: the screen holds still for `polls` polls, from poll number `first`
// (the polls before the wait) on.
using RenderWaitObserver = void (*)(void* context, uint64_t first, uint32_t polls);

// A fresh screen of width x height, and the animator started on it with the given seed for
// Randomize. False with an error when the screen cannot be made.
bool StartRender(RenderRun& run, int32_t width, int32_t height, const SaverParameters& params,
                 uint32_t seed, std::string& error);
// One step of the animator, wipe and waits included; the waits pass at once.
void RenderStep(RenderRun& run, RenderCounts& counts, RenderWaitObserver observer = nullptr,
                void* context = nullptr);
// The screen as it is now: a copy, and the pixels themselves (valid until the next step).
RgbImage RenderScreen(const RenderRun& run);
const uint32_t* RenderPixels(const RenderRun& run);
// Releases the screen and every drawing object.
void EndRender(RenderRun& run);

// Saver time as text: "12.345".
std::string SaverSeconds(uint64_t polls);
