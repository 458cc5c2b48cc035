#include "tavorinex/render_run.h"

bool StartRender(RenderRun& run, int32_t width, int32_t height, const SaverParameters& params,
                 uint32_t seed, std::string& error) {
    EndRender(run);
    run.Surface = soft::NewSurface();
    run.Screen = soft::CreateScreen(run.Surface, width, height);
    if (run.Screen == nullptr) {
        EndRender(run);
        error =
            "out of memory for a screen of " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    BoxAnimatorStart(run.Core, soft::PlatformOn(run.Surface), run.Screen, params, seed);
    return true;
}

void RenderStep(RenderRun& run, RenderCounts& counts, RenderWaitObserver observer, void* context) {
    SaverWait wait = {};
    do {
        wait = BoxAnimatorAdvance(run.Core);
        if (observer != nullptr) {
            observer(context, counts.Polls, wait.Polls);
        }
        counts.Polls += wait.Polls;
    } while (!wait.EndsStep);
    ++counts.Steps;
    counts.Wipes = run.Core.Wipes;
}

RgbImage RenderScreen(const RenderRun& run) {
    soft::Pixels pixels = soft::PixelsOf(run.Surface, run.Screen);
    RgbImage image;
    image.Width = pixels.Width;
    image.Height = pixels.Height;
    if (pixels.Data != nullptr) {
        image.Pixels.assign(pixels.Data, pixels.Data + static_cast<size_t>(pixels.Width) *
                                                           static_cast<size_t>(pixels.Height));
    }
    return image;
}

const uint32_t* RenderPixels(const RenderRun& run) {
    return soft::PixelsOf(run.Surface, run.Screen).Data;
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
