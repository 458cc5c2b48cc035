// tavorinex render: the saver's own animator on a software screen, to still images, an
// animated GIF and counts, repeatable from a seed.
#include "tools/tavorinex/commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "saver/box_animator.h"
#include "saver/input_watch.h"
#include "saver/random.h"
#include "settings/settings.h"
#include "tools/tavorinex/image_gif.h"
#include "tools/tavorinex/image_io.h"
#include "tools/tavorinex/output_file.h"
#include "tools/tavorinex/render_args.h"
#include "tools/tavorinex/render_run.h"

namespace {

GifAnimation Gif;
uint32_t GifFrameMs = 40;

// A poll covers one millisecond; the screen during millisecond t is the one seen at poll
// t + 1, since nothing is drawn between a poll's sleep and its end.
void TakeGifFrame() {
    uint64_t time = InputWatchPolls - 1;
    if (time % GifFrameMs == 0) {
        GifAddFrame(Gif, RenderPixels(), time);
    }
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

    uint32_t seed = options.hasSeed ? options.seed : PlatformTicks();
    if (!options.hasSeed) {
        std::fprintf(stderr, "tavorinex render: --seed %u\n", static_cast<unsigned>(seed));
    }

    if (!StartRender(options.width, options.height, params, seed, error)) {
        return Refuse(error);
    }
    if (!options.gifPath.empty()) {
        Gif = GifAnimation{};
        GifFrameMs = options.frameMs;
        if (!GifBegin(Gif, options.gifPath, options.width, options.height)) {
            EndRender();
            return Fail("cannot write " + options.gifPath + ": " + Gif.error);
        }
        InputWatchHook = TakeGifFrame;
    }

    bool progressWanted = isatty(STDERR_FILENO) != 0;
    Progress progress;
    RenderCounts counts;
    while (!Done(options, counts)) {
        RenderStep(counts);
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
        InputWatchHook = nullptr;
        if (!Gif.hasFrame) {
            GifAddFrame(Gif, RenderPixels(), 0);
        }
        if (!GifEnd(Gif, counts.polls)) {
            result = Fail("cannot write " + options.gifPath + ": " + Gif.error);
        } else if (Gif.framesQuantised > 0) {
            std::fprintf(stderr,
                         "tavorinex render: %lld of %lld GIF frames had more than 255 colours; "
                         "their rarest colours show as the nearest kept one\n",
                         static_cast<long long>(Gif.framesQuantised),
                         static_cast<long long>(Gif.framesWritten));
        }
        Gif = GifAnimation{};
    }
    if (!options.outPath.empty()) {
        RgbImage screen = RenderScreen();
        bool written = options.outPng ? WritePng(screen, options.outPath, error)
                                      : WritePpm(screen, options.outPath, error);
        if (!written) {
            result = Fail("cannot write " + options.outPath + ": " + error);
        }
    }
    EndRender();

    if (options.json) {
        std::printf("{\"steps\":%llu,\"polls\":%llu,\"wipes\":%llu,\"seconds\":%s,\"seed\":%u}\n",
                    static_cast<unsigned long long>(counts.steps),
                    static_cast<unsigned long long>(counts.polls),
                    static_cast<unsigned long long>(counts.wipes),
                    SaverSeconds(counts.polls).c_str(), static_cast<unsigned>(seed));
    }
    return result;
}
