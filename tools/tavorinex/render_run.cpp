#include "tools/tavorinex/render_run.h"

#include "saver/box_animator.h"
#include "saver/input_watch.h"
#include "saver/random.h"
#include "saver/soft_surface.h"

namespace {

uint32_t Seed = 0;

uint32_t SeedTicks() {
    return Seed;
}

} // namespace

bool StartRender(int32_t width, int32_t height, const SaverParameters& params, uint32_t seed,
                 std::string& error) {
    soft::Reset();
    ScreenDC = soft::CreateScreen(width, height);
    if (ScreenDC == nullptr) {
        error = "cannot make a screen of " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    CurrentSaverParameters = params;
    Seed = seed;
    RandomizeTicks = SeedTicks;
    InputWatchPolls = 0;
    BoxAnimatorStart();
    return true;
}

void RenderStep(RenderCounts& counts) {
    BoxAnimatorStep();
    ++counts.steps;
    counts.polls = InputWatchPolls;
    // Only a wipe leaves the box at (-1, -1) with the countdown just restarted: a box larger
    // than the screen can reach (-1, -1) by bouncing, but then it has counted bounces.
    if (BoxPosition.x == -1 && BoxPosition.y == -1 &&
        Animation.EraseCountdown == CurrentSaverParameters.EraseBounceCount) {
        ++counts.wipes;
    }
}

RgbImage RenderScreen() {
    soft::Pixels pixels = soft::PixelsOf(ScreenDC);
    RgbImage image;
    image.width = pixels.width;
    image.height = pixels.height;
    if (pixels.data != nullptr) {
        image.pixels.assign(pixels.data, pixels.data + static_cast<size_t>(pixels.width) *
                                                           static_cast<size_t>(pixels.height));
    }
    return image;
}

const uint32_t* RenderPixels() {
    return soft::PixelsOf(ScreenDC).data;
}

void EndRender() {
    InputWatchHook = nullptr;
    RandomizeTicks = PlatformTicks;
    soft::Reset();
    ScreenDC = nullptr;
}

std::string SaverSeconds(uint64_t polls) {
    std::string millis = std::to_string(polls % 1000);
    return std::to_string(polls / 1000) + "." + std::string(3 - millis.size(), '0') + millis;
}
