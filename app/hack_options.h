// The command line of the XScreenSaver hack: where to draw and what the saver runs with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_table.h"

enum class HackTarget {
    OwnWindow, // run by hand: a window of its own
    Root,      // --root without $XSCREENSAVER_WINDOW
    Window,    // --window-id, or the daemon's $XSCREENSAVER_WINDOW
};

struct HackOptions {
    HackTarget Target = HackTarget::OwnWindow;
    unsigned long WindowId = 0; // with HackTarget::Window
    std::string Display;        // empty: $DISPLAY
    std::string SettingsPath;   // empty: the slider options (or their defaults)
    // Slider values, as the options give them after clamping; the rest keep the defaults.
    Settings Sliders = SettingsDefaults;
    SaverParameters Parameters{};
    bool HasSeed = false;
    uint32_t Seed = 0; // what Randomize takes for the tick count
    bool Help = false;
};

// argv[0] is the program. `xscreensaverWindow` is $XSCREENSAVER_WINDOW (null when unset): the
// daemon's window, which an explicit --window-id overrides. On success the parameters are
// the slider values converted as a saved settings file converts them (or, with --settings,
// what that file loads as), and each clamped value left a one-line warning. False with a
// one-line error for anything not understood.
bool ParseHackOptions(int argc, char** argv, const char* xscreensaverWindow, HackOptions& options,
                      std::vector<std::string>& warnings, std::string& error);

// The slider values as a complete settings file would give them to the saver.
SaverParameters ParametersFromSliders(const Settings& sliders);

std::string HackUsage();
