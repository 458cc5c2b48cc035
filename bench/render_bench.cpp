// Steps per second of the saver's own animator on the software screen at 1920x1080, beside
// the C library moving the bytes one step has to touch: filling a box image and copying it
// to the screen.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tavorinex/render_run.h"

namespace {

constexpr int32_t Width = 1920;
constexpr int32_t Height = 1080;

// Bytes one step must touch at least: the fill writes the image, the copy reads it and
// writes the screen.
int64_t StepBytes(int64_t boxSize) {
    return 3 * boxSize * boxSize * 4;
}

SaverParameters Parameters(int32_t boxSize, int32_t eraseBounceCount) {
    return SaverParameters{boxSize, 3, 1, eraseBounceCount, 0};
}

void AnimatorStep(benchmark::State& state) {
    int32_t boxSize = static_cast<int32_t>(state.range(0));
    std::string error;
    RenderRun run;
    // No wipe: the step alone, as it runs between wipes.
    if (!StartRender(run, Width, Height, Parameters(boxSize, std::numeric_limits<int32_t>::max()),
                     7, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    RenderCounts counts;
    for (auto _ : state) {
        RenderStep(run, counts);
    }
    EndRender(run);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * StepBytes(boxSize));
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(AnimatorStep)->Arg(80)->Arg(230);

// The same bytes moved by the C library, cache-resident as the step's are: a fill of the box
// image and a row-by-row copy of it into a screen of the same size, at positions that move as
// the box does.
void LibraryCopy(benchmark::State& state) {
    size_t boxSize = static_cast<size_t>(state.range(0));
    std::vector<uint32_t> image(boxSize * boxSize);
    std::vector<uint32_t> screen(static_cast<size_t>(Width) * Height);
    size_t x = 0;
    size_t y = 0;
    uint32_t color = 0x123456;
    for (auto _ : state) {
        std::memset(image.data(), static_cast<int>(color & 0xFFu), image.size() * 4);
        for (size_t row = 0; row < boxSize; ++row) {
            std::memcpy(&screen[(y + row) * Width + x], &image[row * boxSize], boxSize * 4);
        }
        benchmark::ClobberMemory();
        x = (x + 3) % (Width - boxSize);
        y = (y + 2) % (Height - boxSize);
        ++color;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * StepBytes(static_cast<int64_t>(boxSize)));
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(LibraryCopy)->Arg(80)->Arg(230);

// A step with a whole wipe at 1920x1080 (EraseBounceCount 0 wipes in every step): 541
// coloured rows and 1081 iterations of two fan lines, then the box.
void StepWithWipe(benchmark::State& state) {
    std::string error;
    RenderRun run;
    if (!StartRender(run, Width, Height, Parameters(80, 0), 7, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    RenderCounts counts;
    for (auto _ : state) {
        RenderStep(run, counts);
    }
    EndRender(run);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StepWithWipe)->Unit(benchmark::kMillisecond);

// Two minutes of saver time at 1920x1080 as `tavorinex render` runs them, a wipe included
// (the settings file of the defaults: StepDelay 7, EraseBounceCount 60, WipeDelay 4).
void SaverTwoMinutes(benchmark::State& state) {
    std::string error;
    RenderRun run;
    for (auto _ : state) {
        if (!StartRender(run, Width, Height, SaverParameters{80, 3, 7, 60, 4}, 7, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        RenderCounts counts;
        while (counts.Polls < 120000) {
            RenderStep(run, counts);
        }
        EndRender(run);
        state.counters["steps"] = static_cast<double>(counts.Steps);
        state.counters["wipes"] = static_cast<double>(counts.Wipes);
    }
}
BENCHMARK(SaverTwoMinutes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
