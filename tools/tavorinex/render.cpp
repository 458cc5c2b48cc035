// tavorinex render: the saver's own animator on a software screen, to still images, an
// animated GIF and counts, repeatable from a seed.
#include "tools/tavorinex/commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/settings.h"
#include "tools/tavorinex/image_gif.h"
#include "tools/tavorinex/image_io.h"
#include "tools/tavorinex/output_file.h"
#include "tools/tavorinex/render_args.h"
#include "tools/tavorinex/render_run.h"

namespace {

struct GifFrames {
    GifAnimation gif;
    uint32_t frameMs = 40;
    const RenderRun* run = nullptr;
};

// A poll covers one millisecond; the screen holds still through a wait, so one frame at the
// first frame time inside it stands for all of them (a frame equal to the last one only
// lengthens it).
void TakeGifFrames(void* context, uint64_t first, uint32_t polls) {
    GifFrames& frames = *static_cast<GifFrames*>(context);
    const uint64_t time = (first + frames.frameMs - 1) / frames.frameMs * frames.frameMs;
    if (time < first + polls) {
        GifAddFrame(frames.gif, RenderPixels(*frames.run), time);
    }
}

// Where the seed comes from when none is given: any count that differs between runs.
uint32_t ClockSeed() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
}

int Refuse(const std::string& message) {
    std::fprintf(stderr, "tavorinex render: %s\n", message.c_str());
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tavorinex render: %s\n", message.c_str());
    return 1;
}

struct Progress {
    bool shown = false;
    int percent = -1;
};

void ShowProgress(Progress& progress, const RenderOptions& options, const RenderCounts& counts) {
    double done = 0;
    if (options.hasSteps) {
        done = options.steps == 0 ? 1.0 : static_cast<double>(counts.steps) / options.steps;
    }
    if (options.hasSeconds) {
        double time = options.secondsPolls == 0
                          ? 1.0
                          : static_cast<double>(counts.polls) / options.secondsPolls;
        done = done > time ? done : time;
    }
    int percent = done >= 1.0 ? 100 : static_cast<int>(done * 100);
    if (percent == progress.percent) {
        return;
    }
    progress.percent = percent;
    progress.shown = true;
    char bar[41];
    for (int i = 0; i < 40; ++i) {
        bar[i] = i < percent * 40 / 100 ? '#' : '.';
    }
    bar[40] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %s s", bar, percent, SaverSeconds(counts.polls).c_str());
    std::fflush(stderr);
}

bool Done(const RenderOptions& options, const RenderCounts& counts) {
    return (options.hasSteps && counts.steps >= options.steps) ||
           (options.hasSeconds && counts.polls >= options.secondsPolls);
}

} // namespace

int RunRender(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    if (!ParseRenderArgs(argc, argv, options, error)) {
        std::fprintf(stderr, "tavorinex render: %s\n", error.c_str());
        std::fputs(RenderUsage(), stderr);
        return 2;
    }
    if (options.help) {
        std::fputs(RenderUsage(), stdout);
        return 0;
    }

    SaverParameters params = SaverParametersWithoutFile;
    if (!options.settingsPath.empty()) {
        // The saver takes a missing file silently; here it is a mistyped name. Looked at, not
        // opened: opening a FIFO waits for a writer.
        const char* path = options.settingsPath.c_str();
        struct stat info;
        if (stat(path, &info) != 0 || access(path, R_OK) != 0) {
            return Refuse("cannot read settings file " + options.settingsPath + ": " +
                          std::strerror(errno));
        }
        if (!S_ISREG(info.st_mode)) {
            return Refuse("settings file " + options.settingsPath + " is not a regular file");
        }
        params = LoadSaverParametersFrom(options.settingsPath);
    }
    // Before the run, so that a mistyped folder costs nothing.
    for (const std::string& path : {options.outPath, options.gifPath}) {
        if (!path.empty() && !CheckOutputPath(path, error)) {
            return Fail("cannot write " + path + ": " + error);
        }
    }

    uint32_t seed = options.hasSeed ? options.seed : ClockSeed();
    if (!options.hasSeed) {
        std::fprintf(stderr, "tavorinex render: --seed %u\n", static_cast<unsigned>(seed));
    }

    RenderRun run;
    if (!StartRender(run, options.width, options.height, params, seed, error)) {
        return Refuse(error);
    }
    GifFrames frames;
    frames.frameMs = options.frameMs;
    frames.run = &run;
    RenderWaitObserver observer = nullptr;
    if (!options.gifPath.empty()) {
        if (!GifBegin(frames.gif, options.gifPath, options.width, options.height)) {
            EndRender(run);
            return Fail("cannot write " + options.gifPath + ": " + frames.gif.error);
        }
        observer = TakeGifFrames;
    }

    bool progressWanted = isatty(STDERR_FILENO) != 0;
    Progress progress;
    RenderCounts counts;
    while (!Done(options, counts)) {
        RenderStep(run, counts, observer, &frames);
        if (progressWanted && (counts.steps & 0xFFu) == 0) {
            ShowProgress(progress, options, counts);
        }
    }
    if (progress.shown) {
        ShowProgress(progress, options, counts);
        std::fputc('\n', stderr);
    }

    int result = 0;
    if (!options.gifPath.empty()) {
        GifAnimation& gif = frames.gif;
        if (!gif.hasFrame) {
            GifAddFrame(gif, RenderPixels(run), 0);
        }
        if (!GifEnd(gif, counts.polls)) {
            result = Fail("cannot write " + options.gifPath + ": " + gif.error);
        } else if (gif.framesQuantised > 0) {
            std::fprintf(stderr,
                         "tavorinex render: %lld of %lld GIF frames had more than 255 colours; "
                         "their rarest colours show as the nearest kept one\n",
                         static_cast<long long>(gif.framesQuantised),
                         static_cast<long long>(gif.framesWritten));
        }
    }
    if (!options.outPath.empty()) {
        RgbImage screen = RenderScreen(run);
        bool written = options.outPng ? WritePng(screen, options.outPath, error)
                                      : WritePpm(screen, options.outPath, error);
        if (!written) {
            result = Fail("cannot write " + options.outPath + ": " + error);
        }
    }
    EndRender(run);

    if (options.json) {
        std::printf("{\"steps\":%llu,\"polls\":%llu,\"wipes\":%llu,\"seconds\":%s,\"seed\":%u}\n",
                    static_cast<unsigned long long>(counts.steps),
                    static_cast<unsigned long long>(counts.polls),
                    static_cast<unsigned long long>(counts.wipes),
                    SaverSeconds(counts.polls).c_str(), static_cast<unsigned>(seed));
    }
    return result;
}
