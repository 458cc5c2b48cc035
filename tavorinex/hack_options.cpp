#include "tavorinex/hack_options.h"

namespace {

// A window id as XScreenSaver writes it: decimal, or hexadecimal after 0x.
bool ParseWindowId(const std::string& text, unsigned long& id) {
    uint64_t value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!ParseUnsigned(hex ? text.substr(2) : text, hex ? 16 : 10, 0xFFFFFFFFu, value) ||
        value == 0) {
        return false;
    }
    id = static_cast<unsigned long>(value);
    return true;
}

} // namespace

std::string HackUsage(bool withSubcommands) {
    std::string usage = "usage: tavorinex [OPTIONS]";
    if (withSubcommands) {
        usage += "           the saver, as an XScreenSaver hack\n"
                 "       tavorinex render [OPTIONS]    the saver into image files (render --help)\n"
                 "       tavorinex params [FILE]       what a settings file loads as";
    }
    return usage +
           "\n\n"
           "Draws the screen saver Tavorinex: a box bouncing across the screen, leaving\n"
           "a trail whose colour fades, and a wipe every so often.\n\n"
           "Where to draw (by default the window in $XSCREENSAVER_WINDOW, else a window\n"
           "of its own, which q, Escape or closing it ends):\n"
           "  --root                  the root window\n"
           "  --window                a window of its own\n"
           "  --window-id ID          the window with this id (decimal, or hexadecimal\n"
           "                          after 0x)\n"
           "  --display D             the X display (by default $DISPLAY)\n\n"
           "The saver:\n" +
           SaverOptionsHelp() +
           "\nEvery option may also be written with one dash, and its value after an\n"
           "equals sign.\n";
}

bool ParseHackOptions(int argc, char** argv, const char* xscreensaverWindow, HackOptions& options,
                      std::vector<std::string>& warnings, std::string& error) {
    OptionScanner scanner = ScanOptions(argc, argv, true);
    ScannedOption option;
    bool root = false;
    bool windowIdGiven = false;
    for (ScanStep step; (step = NextOption(scanner, option, error)) != ScanStep::End;) {
        if (step == ScanStep::Refused) {
            return false;
        }
        const OptionUse use = TakeSaverOption(scanner, option, options.Saver, warnings, error);
        if (use == OptionUse::Refused) {
            return false;
        }
        if (use == OptionUse::Taken) {
            continue;
        }
        if (option.Name == "--root" || option.Name == "--window") {
            if (!RefuseOptionValue(option, error)) {
                return false;
            }
            root = root || option.Name == "--root";
        } else if (option.Name == "--window-id") {
            if (!TakeOptionValue(scanner, option, error)) {
                return false;
            }
            if (!ParseWindowId(option.Value, options.WindowId)) {
                error = "--window-id must be a window id (decimal or 0x hexadecimal), not " +
                        option.Value;
                return false;
            }
            windowIdGiven = true;
        } else if (option.Name == "--display") {
            if (!TakeOptionValue(scanner, option, error)) {
                return false;
            }
            if (option.Value.empty()) {
                error = "--display needs a value";
                return false;
            }
            options.Display = option.Value;
        } else {
            error = UnknownOption(option);
            return false;
        }
    }
    if (options.Saver.Help || options.Saver.Version) {
        return true;
    }
    if (windowIdGiven) {
        options.Target = HackTarget::Window;
    } else if (xscreensaverWindow != nullptr && *xscreensaverWindow != '\0') {
        if (!ParseWindowId(xscreensaverWindow, options.WindowId)) {
            error = std::string("XSCREENSAVER_WINDOW is not a window id: ") + xscreensaverWindow;
            return false;
        }
        options.Target = HackTarget::Window;
    } else {
        options.Target = root ? HackTarget::Root : HackTarget::OwnWindow;
    }
    return FinishSaverOptions(options.Saver, error);
}
