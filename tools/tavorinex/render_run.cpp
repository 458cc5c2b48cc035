#include "tools/tavorinex/render_run.h"

namespace {

uint32_t SeedTicks(void* clock) {
    return *static_cast<const uint32_t*>(clock);
}

} // namespace

bool StartRender(RenderRun& run, int32_t width, int32_t height, const SaverParameters& params,
                 uint32_t seed, std::string& error) {
    EndRender(run);
    run.Surface = soft::NewSurface();
    run.Screen = soft::CreateScreen(run.Surface, width, height);
    if (run.Screen == nullptr) {
        EndRender(run);
        error = "cannot make a screen of " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    run.Seed = seed;
    SaverPlatform platform = soft::PlatformOn(run.Surface);
    platform.TickCount = SeedTicks;
    platform.Clock = &run.Seed;
    BoxAnimatorStart(run.Core, platform, run.Screen, params);
    return true;
}

void RenderStep(RenderRun& run, RenderCounts& counts, RenderWaitObserver observer, void* context) {
    SaverWait wait = {};
    do {
        wait = BoxAnimatorAdvance(run.Core);
        if (observer != nullptr) {
            observer(context, counts.polls, wait.Polls);
        }
        counts.polls += wait.Polls;
    } while (!wait.EndsStep);
    ++counts.steps;
    counts.wipes = run.Core.Wipes;
}

RgbImage RenderScreen(const RenderRun& run) {
    soft::Pixels pixels = soft::PixelsOf(run.Surface, run.Screen);
    RgbImage image;
    image.width = pixels.width;
    image.height = pixels.height;
    if (pixels.data != nullptr) {
        image.pixels.assign(pixels.data, pixels.data + static_cast<size_t>(pixels.width) *
                                                           static_cast<size_t>(pixels.height));
    }
    return image;
}

const uint32_t* RenderPixels(const RenderRun& run) {
    return soft::PixelsOf(run.Surface, run.Screen).data;
}

void EndRender(RenderRun& run) {
    // The surface owns every object the saver made.
    soft::FreeSurface(run.Surface);
    run.Surface = nullptr;
    run.Screen = nullptr;
    run.Core = Saver{};
}

std::string SaverSeconds(uint64_t polls) {
    std::string millis = std::to_string(polls % 1000);
    return std::to_string(polls / 1000) + "." + std::string(3 - millis.size(), '0') + millis;
}
