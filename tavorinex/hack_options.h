// The command line of the XScreenSaver hack: where to draw, and the saver's own options.
#pragma once

#include <string>
#include <vector>

#include "cli/saver_options.h"

enum class HackTarget {
    OwnWindow, // run by hand: a window of its own
    Root,      // --root without $XSCREENSAVER_WINDOW
    Window,    // --window-id, or the daemon's $XSCREENSAVER_WINDOW
};

struct HackOptions {
    HackTarget Target = HackTarget::OwnWindow;
    unsigned long WindowId = 0; // with HackTarget::Window
    std::string Display;        // empty: $DISPLAY
    SaverOptions Saver;
};

// argv[0] is the program. `xscreensaverWindow` is $XSCREENSAVER_WINDOW (null when unset): the
// daemon's window, which an explicit --window-id overrides. Each clamped slider value leaves a
// one-line warning. False with a one-line error for anything not understood.
bool ParseHackOptions(int argc, char** argv, const char* xscreensaverWindow, HackOptions& options,
                      std::vector<std::string>& warnings, std::string& error);

// What --help prints: every option, the saver's with their ranges and defaults; with the
// subcommands of the tavorinex command, or for the hack alone.
std::string HackUsage(bool withSubcommands);
