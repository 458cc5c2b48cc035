// tavorinex render: the saver's own animator on a software screen, to still images, an
// animated GIF and counts, repeatable from a seed.
#include "tavorinex/commands.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

#include "cli/options.h"
#include "cli/saver_options.h"
#include "settings/settings.h"
#include "tavorinex/image_gif.h"
#include "tavorinex/image_io.h"
#include "tavorinex/output_file.h"
#include "tavorinex/render_args.h"
#include "tavorinex/render_run.h"

namespace {

struct GifFrames {
    GifAnimation Gif;
    uint32_t FrameMs = 40;
    const RenderRun* Run = nullptr;
};

// A poll covers one millisecond; the screen holds still through a wait, so one frame at the
// first frame time inside it stands for all of them (a frame equal to the last one only
// lengthens it).
void TakeGifFrames(void* context, uint64_t first, uint32_t polls) {
    GifFrames& frames = *static_cast<GifFrames*>(context);
    const uint64_t time = (first + frames.FrameMs - 1) / frames.FrameMs * frames.FrameMs;
    if (time < first + polls) {
        GifAddFrame(frames.Gif, RenderPixels(*frames.Run), time);
    }
}

int Refuse(const std::string& message) {
    std::fprintf(stderr, "tavorinex render: %s\n", OneLine(message).c_str());
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tavorinex render: %s\n", OneLine(message).c_str());
    return 1;
}

int CannotWrite(const std::string& path, const std::string& error) {
    return Fail("cannot write " + QuotedPath(path) + ": " + error);
}

// Two outputs that are one file would leave only the last one written; an output that is the
// settings file would replace it.
bool RefuseSameFiles(const RenderOptions& options, std::string& error) {
    const std::pair<const char*, const std::string*> files[] = {
        {"--out", &options.OutPath},
        {"--gif", &options.GifPath},
        {"--settings", &options.SettingsPath}};
    for (size_t i = 0; i < 2; ++i) {
        for (size_t j = i + 1; j < 3; ++j) {
            const std::string& a = *files[i].second;
            const std::string& b = *files[j].second;
            if (!a.empty() && !b.empty() && SameFile(a, b)) {
                error = std::string(files[i].first) + " " + QuotedPath(a) + " and " +
                        files[j].first + " " + QuotedPath(b) + " are the same file";
                return false;
            }
        }
    }
    return true;
}

struct Progress {
    bool Shown = false;
    int Percent = -1;
};

void ShowProgress(Progress& progress, const RenderOptions& options, const RenderCounts& counts) {
    double done = 0;
    if (options.HasSteps) {
        done = options.Steps == 0 ? 1.0 : static_cast<double>(counts.Steps) / options.Steps;
    }
    if (options.HasSeconds) {
        double time = options.SecondsPolls == 0
                          ? 1.0
                          : static_cast<double>(counts.Polls) / options.SecondsPolls;
        done = done > time ? done : time;
    }
    int percent = done >= 1.0 ? 100 : static_cast<int>(done * 100);
    if (percent == progress.Percent) {
        return;
    }
    progress.Percent = percent;
    progress.Shown = true;
    char bar[41];
    for (int i = 0; i < 40; ++i) {
        bar[i] = i < percent * 40 / 100 ? '#' : '.';
    }
    bar[40] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %s s", bar, percent, SaverSeconds(counts.Polls).c_str());
    std::fflush(stderr);
}

bool Done(const RenderOptions& options, const RenderCounts& counts) {
    return (options.HasSteps && counts.Steps >= options.Steps) ||
           (options.HasSeconds && counts.Polls >= options.SecondsPolls);
}

} // namespace

int RunRender(int argc, char** argv) {
    // Before any file is read: a signal then removes what was begun and ends the run.
    RemoveOutputsOnSignals();
    RenderOptions options;
    std::string error;
    if (!ParseRenderArgs(argc, argv, options, error)) {
        std::fprintf(stderr, "tavorinex render: %s\n", OneLine(error).c_str());
        std::fputs(RenderUsage(), stderr);
        return 2;
    }
    if (options.Help) {
        std::fputs(RenderUsage(), stdout);
        return 0;
    }

    SaverParameters params = SaverParametersWithoutFile;
    if (!options.SettingsPath.empty()) {
        if (!CheckSettingsFile(options.SettingsPath, error)) {
            return Refuse(error);
        }
        params = LoadSaverParametersFrom(options.SettingsPath);
    }
    const uint64_t bytes = RenderBytes(options, params.BoxSize);
    if (bytes > MaxRenderBytes) {
        return Refuse("a screen of " + std::to_string(options.Width) + "x" +
                      std::to_string(options.Height) +
                      " with these outputs and settings needs up to " +
                      std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB, more than the " +
                      std::to_string(MaxRenderBytes >> 20) + " MiB the tool allocates");
    }
    if (!RefuseSameFiles(options, error)) {
        return Refuse(error);
    }
    // Before the run, so that a mistyped folder costs nothing.
    for (const std::string& path : {options.OutPath, options.GifPath}) {
        if (!path.empty() && !CheckOutputPath(path, error)) {
            return CannotWrite(path, error);
        }
    }

    uint32_t seed = options.HasSeed ? options.Seed : ClockSeed();
    if (!options.HasSeed) {
        std::fprintf(stderr, "tavorinex render: --seed %u\n", static_cast<unsigned>(seed));
    }

    RenderRun run;
    // The size passed its checks: only memory can be missing.
    if (!StartRender(run, options.Width, options.Height, params, seed, error)) {
        return Fail(error);
    }
    GifFrames frames;
    frames.FrameMs = options.FrameMs;
    frames.Run = &run;
    RenderWaitObserver observer = nullptr;
    if (!options.GifPath.empty()) {
        if (!GifBegin(frames.Gif, options.GifPath, options.Width, options.Height)) {
            EndRender(run);
            return CannotWrite(options.GifPath, frames.Gif.Error);
        }
        observer = TakeGifFrames;
    }

    bool progressWanted = isatty(STDERR_FILENO) != 0;
    Progress progress;
    RenderCounts counts;
    while (!Done(options, counts)) {
        RenderStep(run, counts, observer, &frames);
        if (progressWanted && (counts.Steps & 0xFFu) == 0) {
            ShowProgress(progress, options, counts);
        }
    }
    if (progress.Shown) {
        ShowProgress(progress, options, counts);
        std::fputc('\n', stderr);
    }

    // Every file is finished under its temporary name first and only then renamed into place,
    // so that a failure on any of them leaves every target as it was.
    int result = 0;
    GifAnimation& gif = frames.Gif;
    if (!options.GifPath.empty()) {
        if (!gif.HasFrame) {
            GifAddFrame(gif, RenderPixels(run), 0);
        }
        if (!GifFinish(gif, counts.Polls)) {
            result = CannotWrite(options.GifPath, gif.Error);
        } else if (gif.FramesQuantised > 0) {
            std::fprintf(stderr,
                         "tavorinex render: %lld of %lld GIF frames had more than 255 colours; "
                         "their rarest colours show as the nearest kept one\n",
                         static_cast<long long>(gif.FramesQuantised),
                         static_cast<long long>(gif.FramesWritten));
        }
    }
    OutputFile still;
    if (result == 0 && !options.OutPath.empty()) {
        if (!OutputOpen(still, options.OutPath, error) ||
            !WriteImageTo(RenderScreen(run), options.OutPng, still, error)) {
            result = CannotWrite(options.OutPath, error);
        }
    }
    EndRender(run);
    const std::pair<OutputFile*, const std::string*> outputs[] = {{&gif.Output, &options.GifPath},
                                                                  {&still, &options.OutPath}};
    for (const auto& [file, path] : outputs) {
        if (file->TempPath.empty()) {
            continue;
        }
        if (result != 0) {
            OutputDiscard(*file);
        } else if (!OutputRename(*file, error)) {
            result = CannotWrite(*path, error);
        }
    }

    if (options.Json) {
        std::printf("{\"steps\":%llu,\"polls\":%llu,\"wipes\":%llu,\"seconds\":%s,\"seed\":%u}\n",
                    static_cast<unsigned long long>(counts.Steps),
                    static_cast<unsigned long long>(counts.Polls),
                    static_cast<unsigned long long>(counts.Wipes),
                    SaverSeconds(counts.Polls).c_str(), static_cast<unsigned>(seed));
    }
    return result;
}
