// What the XScreenSaver hack copies to its window at 1920x1080: its drawing, the changed rows
// taken as rectangles once per frame (60 Hz of saver time) and converted into a 32-bit image,
// without the X server. Counters per saver second: frames with something to copy, rectangles,
// and pixels copied as a share of the pixels a whole-screen copy per frame would move.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "app/dirty_screen.h"
#include "saver/box_animator.h"

namespace {

constexpr int32_t Width = 1920;
constexpr int32_t Height = 1080;
constexpr int64_t FrameMicros = 1000000 / 60;

uint32_t SeedTicks(void* clock) {
    return *static_cast<const uint32_t*>(clock);
}

void Present(benchmark::State& state, SaverParameters parameters) {
    DirtyScreen screen;
    NewDirtyScreen(screen, Width, Height);
    uint32_t seed = 7;
    SaverPlatform platform = DirtyPlatformOn(screen);
    platform.TickCount = SeedTicks;
    platform.Clock = &seed;
    Saver saver;
    BoxAnimatorStart(saver, platform, screen.Screen, parameters);
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
        const uint32_t* from = soft::PixelsOf(screen.Surface, screen.Screen).data;
        for (const DirtyRect& r : rects) {
            for (int32_t y = r.y; y < r.y + r.height; ++y) {
                const size_t row = static_cast<size_t>(y) * Width;
                for (int32_t x = r.x; x < r.x + r.width; ++x) {
                    const uint32_t c = from[row + x];
                    image[row + x] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
                }
            }
            pixels += double(r.width) * r.height;
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
