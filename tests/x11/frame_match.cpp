// Finds window captures among the renderer's frames: runs the saver as `tavorinex render`
// does and reports, for each capture, the first moment its screen equals the capture exactly.
//
//   frame_match --width W --height H --seed N [--settings FILE] --max-polls P SHOT.ppm...
//
// Prints one line per capture, "SHOT STEPS FIRST COUNT" (the steps begun and the polls passed
// when the screen first showed it, and the polls it then held for) or "SHOT none".
// Exit code 0 when every capture was found, 1 when one was not, 2 for bad input.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tavorinex/render_run.h"

namespace {

struct Shot {
    std::string path;
    std::vector<uint32_t> pixels; // COLORREF
    bool found = false;
    uint64_t steps = 0;
    uint64_t polls = 0;
    uint32_t count = 0;
};

bool ReadPpm(const std::string& path, int32_t width, int32_t height, Shot& shot) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    int w = 0;
    int h = 0;
    int max = 0;
    bool ok = std::fscanf(file, "P6 %d %d %d", &w, &h, &max) == 3 && std::fgetc(file) != EOF &&
              w == width && h == height && max == 255;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    ok = ok && std::fread(rgb.data(), 1, rgb.size(), file) == rgb.size();
    std::fclose(file);
    shot.path = path;
    shot.pixels.resize(rgb.size() / 3);
    for (size_t i = 0; ok && i < shot.pixels.size(); ++i) {
        shot.pixels[i] = gdi::Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    return ok;
}

struct Search {
    std::vector<Shot>* shots;
    const RenderRun* run;
    size_t bytes;
    uint64_t steps;
    size_t left;
};

void Compare(Search& search, uint64_t polls, uint32_t count) {
    const uint32_t* screen = RenderPixels(*search.run);
    for (Shot& shot : *search.shots) {
        if (!shot.found && std::memcmp(screen, shot.pixels.data(), search.bytes) == 0) {
            shot.found = true;
            shot.steps = search.steps;
            shot.polls = polls;
            shot.count = count;
            --search.left;
        }
    }
}

// Called after each advance, before its wait: the screen the wait shows.
void AfterAdvance(void* context, uint64_t first, uint32_t polls) {
    Search& search = *static_cast<Search*>(context);
    Compare(search, first, polls);
}

int Usage() {
    std::fputs("usage: frame_match --width W --height H --seed N [--settings FILE] "
               "--max-polls P SHOT.ppm...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t seed = 0;
    uint64_t maxPolls = 0;
    std::string settings;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            paths.push_back(arg);
            continue;
        }
        if (i + 1 >= argc) {
            return Usage();
        }
        std::string value = argv[++i];
        if (arg == "--width") {
            width = std::atoi(value.c_str());
        } else if (arg == "--height") {
            height = std::atoi(value.c_str());
        } else if (arg == "--seed") {
            seed = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (arg == "--max-polls") {
            maxPolls = std::strtoull(value.c_str(), nullptr, 10);
        } else if (arg == "--settings") {
            settings = value;
        } else {
            return Usage();
        }
    }
    if (width <= 0 || height <= 0 || maxPolls == 0 || paths.empty()) {
        return Usage();
    }
    std::vector<Shot> shots(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!ReadPpm(paths[i], width, height, shots[i])) {
            std::fprintf(stderr, "frame_match: %s is no %dx%d PPM\n", paths[i].c_str(), width,
                         height);
            return 2;
        }
    }
    const SaverParameters params =
        settings.empty() ? SaverParametersWithoutFile : LoadSaverParametersFrom(settings);
    RenderRun run;
    std::string error;
    if (!StartRender(run, width, height, params, seed, error)) {
        std::fprintf(stderr, "frame_match: %s\n", error.c_str());
        return 2;
    }
    Search search{&shots, &run, static_cast<size_t>(width) * height * sizeof(uint32_t), 0,
                  shots.size()};
    Compare(search, 0, 0); // the black screen before the first step
    RenderCounts counts;
    while (search.left > 0 && counts.Polls <= maxPolls) {
        search.steps = counts.Steps + 1;
        RenderStep(run, counts, AfterAdvance, &search);
    }
    EndRender(run);
    for (const Shot& shot : shots) {
        if (shot.found) {
            std::printf(
                "%s %llu %llu %u\n", shot.path.c_str(), static_cast<unsigned long long>(shot.steps),
                static_cast<unsigned long long>(shot.polls), static_cast<unsigned>(shot.count));
        } else {
            std::printf("%s none\n", shot.path.c_str());
        }
    }
    return search.left == 0 ? 0 : 1;
}
