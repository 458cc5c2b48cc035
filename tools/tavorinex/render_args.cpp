#include "tools/tavorinex/render_args.h"

#include <cstring>

#include "saver/soft_surface.h"

namespace {

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (max - digit) / 10) {
            return false;
        }
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

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

bool ParseSeconds(const std::string& text, uint64_t& polls) {
    size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) {
        return false;
    }
    uint64_t seconds = 0;
    if (!whole.empty() && !ParseUnsigned(whole, MaxSeconds, seconds)) {
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
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "--json" || name == "--help" || name == "-h") {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            (name == "--json" ? options.json : options.help) = true;
            continue;
        }
        static const char* const valued[] = {"--width",    "--height", "--seed",
                                             "--settings", "--steps",  "--seconds",
                                             "--out",      "--gif",    "--frame-ms"};
        bool known = false;
        for (const char* option : valued) {
            known = known || name == option;
        }
        if (!known) {
            error = "unknown option " + name;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        uint64_t number = 0;
        if (name == "--width" || name == "--height") {
            if (!ParseUnsigned(value, soft::MaxBitmapSide, number) || number == 0) {
                error = name + " must be a whole number from 1 to " +
                        std::to_string(soft::MaxBitmapSide) + ", not " + value;
                return false;
            }
            (name == "--width" ? options.width : options.height) = static_cast<int32_t>(number);
        } else if (name == "--seed") {
            if (!ParseUnsigned(value, 0xFFFFFFFFu, number)) {
                error = "--seed must be a whole number from 0 to 4294967295, not " + value;
                return false;
            }
            options.hasSeed = true;
            options.seed = static_cast<uint32_t>(number);
        } else if (name == "--steps") {
            if (!ParseUnsigned(value, MaxSteps, number)) {
                error = "--steps must be a whole number from 0 to " + std::to_string(MaxSteps) +
                        ", not " + value;
                return false;
            }
            options.hasSteps = true;
            options.steps = number;
        } else if (name == "--seconds") {
            if (!ParseSeconds(value, options.secondsPolls)) {
                error = "--seconds must be a decimal number from 0 to " +
                        std::to_string(MaxSeconds) + ", not " + value;
                return false;
            }
            options.hasSeconds = true;
        } else if (name == "--frame-ms") {
            if (!ParseUnsigned(value, MaxFrameMs, number) || number < MinFrameMs) {
                error = "--frame-ms must be a whole number from " + std::to_string(MinFrameMs) +
                        " to " + std::to_string(MaxFrameMs) + ", not " + value;
                return false;
            }
            options.hasFrameMs = true;
            options.frameMs = static_cast<uint32_t>(number);
        } else if (value.empty()) {
            error = name + " needs a file name";
            return false;
        } else if (name == "--settings") {
            options.settingsPath = value;
        } else if (name == "--out") {
            if (!EndsWith(value, ".png") && !EndsWith(value, ".ppm")) {
                error = "--out must name a .png or .ppm file, not " + value;
                return false;
            }
            options.outPath = value;
            options.outPng = EndsWith(value, ".png");
        } else {
            if (!EndsWith(value, ".gif")) {
                error = "--gif must name a .gif file, not " + value;
                return false;
            }
            options.gifPath = value;
        }
    }
    if (options.help) {
        return true;
    }
    if (!options.hasSteps && !options.hasSeconds) {
        error = "say when to stop: --steps N or --seconds S";
        return false;
    }
    if (options.hasFrameMs && options.gifPath.empty()) {
        error = "--frame-ms applies only with --gif";
        return false;
    }
    if (int64_t{options.width} * options.height > soft::MaxBitmapPixels) {
        error = "a screen of " + std::to_string(options.width) + "x" +
                std::to_string(options.height) + " is larger than the " +
                std::to_string(soft::MaxBitmapPixels) + " pixels the tool can draw";
        return false;
    }
    return true;
}
