// tavorinex-wayland: the saver on every output of a Wayland compositor, started by an idle
// daemon or by hand.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/host_loop.h"
#include "cli/options.h"
#include "cli/saver_options.h"
#include "tavorinex_version.h"
#include "wayland/wayland_host.h"

namespace {

bool ParseOptions(int argc, char** argv, SaverOptions& options, std::vector<std::string>& warnings,
                  std::string& error) {
    OptionScanner scanner = ScanOptions(argc, argv, true);
    ScannedOption option;
    for (;;) {
        const ScanStep step = NextOption(scanner, option, error);
        if (step != ScanStep::Option) {
            return step == ScanStep::End && FinishSaverOptions(options, error);
        }
        const OptionUse use = TakeSaverOption(scanner, option, options, warnings, error);
        if (use == OptionUse::NotMine) {
            error = UnknownOption(option);
        }
        if (use != OptionUse::Taken) {
            return false;
        }
    }
}

// Output that never arrived (a closed descriptor, a full disk) must not pass for success.
int Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // Before the settings file is read, which may take long.
    if (!WatchHostSignals()) {
        std::fputs("tavorinex-wayland: cannot watch signals\n", stderr);
        return 1;
    }
    SaverOptions options;
    std::vector<std::string> warnings;
    std::string error;
    if (!ParseOptions(argc, argv, options, warnings, error)) {
        std::fprintf(stderr, "tavorinex-wayland: %s (tavorinex-wayland --help shows the options)\n",
                     OneLine(error).c_str());
        return 2;
    }
    if (options.Help) {
        return Print(
            "usage: tavorinex-wayland [OPTIONS]\n\n"
            "Draws the screen saver Tavorinex on every output of the Wayland compositor:\n"
            "a box bouncing across the screen, leaving a trail whose colour fades, and a\n"
            "wipe every so often. Any key, button or move of the pointer ends it.\n\n"
            "The saver (the k-th output the compositor announces takes the seed plus k):\n" +
            SaverOptionsHelp() +
            "\nEvery option may also be written with one dash, and its value after an\n"
            "equals sign.\n");
    }
    if (options.Version) {
        return Print(std::string("tavorinex-wayland ") + TAVORINEX_VERSION_TEXT + "\n");
    }
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "tavorinex-wayland: %s\n", OneLine(warning).c_str());
    }
    return RunWaylandSaver(options);
}
