// tavorinex params [FILE]: what a settings file loads as, in the settings window's view and the
// saver's. Without FILE, tavorinex.ini in the current directory.
#include "settings/settings.h"
#include "tools/tavorinex/commands.h"

#include <cstdio>
#include <string>

int RunParams(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
        std::fputs("usage: tavorinex params [FILE]\n", stderr);
        return 2;
    }
    const std::string path = argc == 2 ? argv[1] : "tavorinex.ini";
    const Settings s = LoadSettingsFrom(path);
    const SaverParameters p = LoadSaverParametersFrom(path);
    std::printf("{\"settings\": {\"BoxSize\": %ld, \"ColorChangeRate\": %ld, \"DrawSpeed\": %ld, "
                "\"EraseFrequency\": %ld, \"EraseSpeed\": %ld}, \"saver\": {\"BoxSize\": %ld, "
                "\"ColorBounceLimit\": %ld, \"StepDelay\": %ld, \"EraseBounceCount\": %ld, "
                "\"WipeDelay\": %ld}}\n",
                static_cast<long>(s.BoxSize), static_cast<long>(s.ColorChangeRate),
                static_cast<long>(s.DrawSpeed), static_cast<long>(s.EraseFrequency),
                static_cast<long>(s.EraseSpeed), static_cast<long>(p.BoxSize),
                static_cast<long>(p.ColorBounceLimit), static_cast<long>(p.StepDelay),
                static_cast<long>(p.EraseBounceCount), static_cast<long>(p.WipeDelay));
    return 0;
}
