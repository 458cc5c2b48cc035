#include "tavorinex/render_args.h"

#include <cstring>

#include "cli/options.h"
#include "saver/box_animator.h"
#include "saver/soft_surface.h"
#include "tavorinex/image_gif.h"

namespace {

bool EndsWith(const std::string& text, const char* suffix) {
    size_t length = std::strlen(suffix);
    if (text.size() < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        char c = text[text.size() - length + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

const char* RenderUsage() {
    return "usage: tavorinex render [--width W] [--height H] [--seed N] [--settings FILE]\n"
           "                        (--steps N | --seconds S) [--out FILE.png|FILE.ppm]\n"
           "                        [--gif FILE.gif [--frame-ms N]] [--json]\n";
}

uint64_t RenderBytes(const RenderOptions& options, int32_t boxSize) {
    const uint64_t pixels = uint64_t(options.Width) * uint64_t(options.Height);
    const uint64_t side = uint64_t(BoxImageSize(boxSize, options.Width, options.Height));
    // A box image larger than a bitmap may be is never made.
    const uint64_t box =
        side <= uint64_t(soft::MaxBitmapSide) && side * side <= uint64_t(soft::MaxBitmapPixels)
            ? side * side * 4
            : 0;
    const bool gif = !options.GifPath.empty();
    // Per pixel: the screen; while running, the GIF's screen and frame; at the end, what the GIF
    // keeps (its screen and the last frame's indices) beside the still image's copy and bytes.
    const uint64_t running = gif ? 4 + GifFrameBytesPerPixel : 0;
    const uint64_t ending = (gif ? 4 + 1 : 0) + (options.OutPath.empty() ? 0 : 4 + 3);
    return box + pixels * (4 + (running > ending ? running : ending));
}

bool ParseSeconds(const std::string& text, uint64_t& polls) {
    size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) {
        return false;
    }
    uint64_t seconds = 0;
    if (!whole.empty() && !ParseUnsigned(whole, 10, MaxSeconds, seconds)) {
        return false;
    }
    uint64_t millis = 0;
    bool rest = false;
    for (size_t i = 0; i < fraction.size(); ++i) {
        char c = fraction[i];
        if (c < '0' || c > '9') {
            return false;
        }
        if (i < 3) {
            millis = millis * 10 + static_cast<uint64_t>(c - '0');
        } else if (c != '0') {
            rest = true;
        }
    }
    for (size_t i = fraction.size(); i < 3; ++i) {
        millis *= 10;
    }
    polls = seconds * 1000 + millis + (rest ? 1 : 0);
    return true;
}

bool ParseRenderArgs(int argc, char** argv, RenderOptions& options, std::string& error) {
    OptionScanner scanner = ScanOptions(argc, argv, false);
    ScannedOption option;
    for (ScanStep step; (step = NextOption(scanner, option, error)) != ScanStep::End;) {
        if (step == ScanStep::Refused) {
            return false;
        }
        const std::string& name = option.Name;
        if (name == "--json" || name == "--help") {
            if (!RefuseOptionValue(option, error)) {
                return false;
            }
            (name == "--json" ? options.Json : options.Help) = true;
            continue;
        }
        static const char* const valued[] = {"--width",    "--height", "--seed",
                                             "--settings", "--steps",  "--seconds",
                                             "--out",      "--gif",    "--frame-ms"};
        bool known = false;
        for (const char* valuedName : valued) {
            known = known || name == valuedName;
        }
        if (!known) {
            error = UnknownOption(option);
            return false;
        }
        if (!TakeOptionValue(scanner, option, error)) {
            return false;
        }
        const std::string& value = option.Value;
        uint64_t number = 0;
        if (name == "--width" || name == "--height") {
            if (!OptionNumber(option, 1, soft::MaxBitmapSide, number, error)) {
                return false;
            }
            (name == "--width" ? options.Width : options.Height) = static_cast<int32_t>(number);
        } else if (name == "--seed") {
            if (!OptionNumber(option, 0, 0xFFFFFFFFu, number, error)) {
                return false;
            }
            options.HasSeed = true;
            options.Seed = static_cast<uint32_t>(number);
        } else if (name == "--steps") {
            if (!OptionNumber(option, 0, MaxSteps, number, error)) {
                return false;
            }
            options.HasSteps = true;
            options.Steps = number;
        } else if (name == "--seconds") {
            if (!ParseSeconds(value, options.SecondsPolls)) {
                error = "--seconds must be a decimal number from 0 to " +
                        std::to_string(MaxSeconds) + ", not " + value;
                return false;
            }
            options.HasSeconds = true;
        } else if (name == "--frame-ms") {
            if (!OptionNumber(option, MinFrameMs, MaxFrameMs, number, error)) {
                return false;
            }
            options.HasFrameMs = true;
            options.FrameMs = static_cast<uint32_t>(number);
        } else if (value.empty()) {
            error = name + " needs a file name";
            return false;
        } else if (name == "--settings") {
            options.SettingsPath = value;
        } else if (name == "--out") {
            if (!EndsWith(value, ".png") && !EndsWith(value, ".ppm")) {
                error = "--out must name a .png or .ppm file, not " + QuotedPath(value);
                return false;
            }
            options.OutPath = value;
            options.OutPng = EndsWith(value, ".png");
        } else {
            if (!EndsWith(value, ".gif")) {
                error = "--gif must name a .gif file, not " + QuotedPath(value);
                return false;
            }
            options.GifPath = value;
        }
    }
    if (options.Help) {
        return true;
    }
    if (!options.HasSteps && !options.HasSeconds) {
        error = "say when to stop: --steps N or --seconds S";
        return false;
    }
    if (options.HasFrameMs && options.GifPath.empty()) {
        error = "--frame-ms applies only with --gif";
        return false;
    }
    return true;
}
