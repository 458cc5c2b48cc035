// Any bytes as a command line, arguments split at zero bytes, for the hack and for render, and
// its first arguments as output paths; run in a scratch folder of files, links, a folder and a
// FIFO, out of which no path may lead.
#include "cli/options.h"
#include "tavorinex/hack_options.h"
#include "tavorinex/output_file.h"
#include "tavorinex/render_args.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

static void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

static bool OneLineText(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

static std::string Listing() {
    std::string listing;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(".")) {
        listing += entry.path().string() + (entry.is_symlink() ? "@\n" : "\n");
    }
    return listing;
}

static void Check(std::string_view bytes, std::vector<std::string>& args) {
    const std::string quoted = QuotedPath(bytes);
    Require(OneLineText(quoted) && OneLineText(OneLine(bytes)) &&
            quoted.size() >= bytes.size() + 2);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    const int argc = static_cast<int>(argv.size());
    HackOptions hack;
    std::vector<std::string> warnings;
    std::string error;
    // The last argument doubles as $XSCREENSAVER_WINDOW.
    if (ParseHackOptions(argc, argv.data(), argv.back(), hack, warnings, error)) {
        Require(hack.Target != HackTarget::Window || hack.WindowId != 0);
        Require(hack.Saver.Help || hack.Saver.SettingsPath.empty() || !hack.Saver.SliderGiven);
    } else {
        Require(!error.empty() && OneLineText(OneLine(error)));
    }
    RenderOptions render;
    error.clear();
    if (ParseRenderArgs(argc, argv.data(), render, error)) {
        Require(render.Help || render.HasSteps || render.HasSeconds);
        Require(render.FrameMs >= MinFrameMs && render.FrameMs <= MaxFrameMs);
        Require(render.SecondsPolls <= (MaxSeconds + 1) * 1000);
        Require(RenderBytes(render, INT32_MAX) >= 4 * uint64_t(render.Width) * render.Height);
    } else {
        Require(!error.empty() && OneLineText(OneLine(error)));
    }
    // Checking outputs leaves the folder as it was; "the same file" is reflexive and symmetric.
    static const std::string before = Listing();
    for (size_t i = 1; i < args.size() && i <= 3; ++i) {
        Require(CheckOutputPath(args[i], error) || OneLineText(error));
        Require(SameFile(args[i], args[i]) || access(args[i].c_str(), F_OK) != 0);
        for (size_t j = 1; j <= i; ++j) {
            Require(SameFile(args[i], args[j]) == SameFile(args[j], args[i]));
        }
    }
    Require(Listing() == before);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static int home = open(".", O_RDONLY | O_DIRECTORY);
    static int scratch = [] {
        char folder[] = "/tmp/command_fuzz-XXXXXX";
        Require(mkdtemp(folder) != nullptr && chdir(folder) == 0 && mkdir("dir", 0755) == 0);
        static const std::string made = folder;
        std::atexit([] { fs::remove_all(made); });
        for (const char* name : {"a.ini", "s.png", "dir/b.gif"}) {
            std::FILE* file = std::fopen(name, "w");
            Require(file != nullptr && std::fputs("40,3,50,1000,15,", file) >= 0 &&
                    !std::fclose(file));
        }
        Require(!symlink("s.png", "l.png") && !symlink("none.gif", "d.png") &&
                !symlink("dir", "ln") && !link("a.ini", "h.gif") && !mkfifo("f.gif", 0644) &&
                !mkdir("e.png", 0755));
        return open(".", O_RDONLY | O_DIRECTORY);
    }();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // libFuzzer keeps its corpus by relative paths: only the input runs in the scratch folder.
    if (bytes.find("..") != std::string_view::npos || bytes.find('/') == 0 ||
        bytes.find(std::string_view("\0/", 2)) != std::string_view::npos ||
        bytes.find("=/") != std::string_view::npos) {
        return 0;
    }
    std::vector<std::string> args = {"tavorinex"};
    for (std::size_t at = 0, end = 0; at <= size && args.size() < 32; at = end + 1) {
        end = std::min(bytes.find('\0', at), size);
        args.emplace_back(bytes.substr(at, end - at));
    }
    Require(home >= 0 && fchdir(scratch) == 0);
    Check(bytes, args);
    Require(fchdir(home) == 0);
    return 0;
}
