// What the XScreenSaver hack copies to its window at 1920x1080: its drawing, the changed rows
// taken as rectangles once per frame (60 Hz of saver time) and converted into a 32-bit image,
// without the X server. Counters per saver second: frames with something to copy, rectangles,
// and pixels copied as a share of the pixels a whole-screen copy per frame would move.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "saver/box_animator.h"
#include "saver/dirty_rows.h"
#include "tavorinex/x11_pixels.h"

namespace {

constexpr int32_t Width = 1920;
constexpr int32_t Height = 1080;
constexpr int64_t FrameMicros = 1000000 / 60;

void Present(benchmark::State& state, SaverParameters parameters) {
    DirtyScreen screen;
    NewDirtyScreen(screen, Width, Height);
    Saver saver;
    BoxAnimatorStart(saver, soft::PlatformOn(screen.Surface), screen.Screen, parameters, 7);
    // Xvfb's and most drivers' 24-bit visual.
    PixelChannels channels;
    FillPixelChannels(channels, 0xFF0000, 0xFF00, 0xFF);
    std::vector<uint32_t> image(static_cast<size_t>(Width) * Height);
    std::vector<DirtyRect> rects;
    int64_t due = 0;
    int64_t now = 0;
    double frames = 0;
    double rectangles = 0;
    double pixels = 0;
    for (auto _ : state) {
        // One frame: every wait that fell due, then the copy.
        now += FrameMicros;
        while (due <= now) {
            due += int64_t{BoxAnimatorAdvance(saver).Polls} * 1000;
        }
        TakeDirtyRects(screen.Rows, rects);
        const soft::Pixels from = soft::PixelsOf(screen.Surface, screen.Screen);
        for (const DirtyRect& r : rects) {
            ConvertRect32(channels, from, r, reinterpret_cast<char*>(image.data()),
                          Width * sizeof(uint32_t));
            pixels += double(r.Width) * r.Height;
        }
        frames += rects.empty() ? 0 : 1;
        rectangles += double(rects.size());
        benchmark::DoNotOptimize(image.data());
    }
    const double seconds = double(now) / 1e6;
    state.counters["frames/s"] = frames / seconds;
    state.counters["rects/s"] = rectangles / seconds;
    state.counters["copied"] = pixels / (double(Width) * Height * double(state.iterations()));
    state.counters["saver_s/cpu_s"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    BoxAnimatorEnd(saver);
    FreeDirtyScreen(screen);
}

// The sliders' defaults as saved: a step every 7 polls, a wipe every 60 bounces.
void Defaults(benchmark::State& state) {
    Present(state, {80, 3, 7, 60, 4});
}
BENCHMARK(Defaults)->Iterations(60 * 60 * 10);

// The fastest sliders: a step every poll, a wipe every 20 bounces without delay.
void FastestWithWipes(benchmark::State& state) {
    Present(state, {80, 3, 1, 20, 0});
}
BENCHMARK(FastestWithWipes)->Iterations(60 * 60 * 10);

} // namespace

BENCHMARK_MAIN();
