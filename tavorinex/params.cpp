// tavorinex params [FILE]: what a settings file loads as, in the settings window's view and the
// saver's. Without FILE, tavorinex.ini in the current directory.
#include "cli/options.h"
#include "settings/settings.h"
#include "tavorinex/commands.h"

#include <cstdio>
#include <string>

int RunParams(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
        std::fputs("usage: tavorinex params [FILE]\n", stderr);
        return 2;
    }
    const std::string path = argc == 2 ? argv[1] : "tavorinex.ini";
    // A file named is one to describe, as --settings names one; without a name, the file the
    // saver would look for, which may be missing.
    std::string error;
    if (argc == 2 && !CheckSettingsFile(path, error)) {
        std::fprintf(stderr, "tavorinex params: %s\n", OneLine(error).c_str());
        return 2;
    }
    const Settings settings = LoadSettingsFrom(path);
    const SaverParameters parameters = LoadSaverParametersFrom(path);
    std::string json = "{\"settings\": {";
    for (const SettingFacts& facts : SettingsTable) {
        json += (&facts == SettingsTable ? "\"" : ", \"") + std::string(facts.Name) +
                "\": " + std::to_string(settings.*facts.Value);
    }
    json += "}, \"saver\": {";
    for (const SettingFacts& facts : SettingsTable) {
        json += (&facts == SettingsTable ? "\"" : ", \"") +
                std::string(facts.Conversion.ParameterName) +
                "\": " + std::to_string(parameters.*facts.Conversion.Parameter);
    }
    json += "}}\n";
    std::fputs(json.c_str(), stdout);
    return 0;
}
