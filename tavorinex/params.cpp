// tavorinex params [FILE]: what a settings file loads as, in the settings window's view and the
// saver's. Without FILE, tavorinex.ini in the current directory.
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
