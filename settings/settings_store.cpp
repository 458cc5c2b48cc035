// The process-wide settings records and the operations that fill and store them.
#include "settings/settings.h"
#include "settings/settings_file.h"

Settings CurrentSettings;
SaverParameters CurrentSaverParameters;
SaveFailureNotice ShowSaveFailure = ShowSaveFailureMessage;
std::string SettingsFilePath;

std::string SettingsFileIn(std::string_view installDir) {
    return std::string(installDir) + "tavorinex.ini";
}

// A zero byte would end the path early and name another file.
static bool UsablePath(const std::string& path) {
    return path.find('\0') == std::string::npos;
}

Settings LoadSettingsFrom(const std::string& path) {
    std::string bytes;
    if (!UsablePath(path) || !ReadSettingsFile(path, SettingsReadLimit, bytes)) {
        return SettingsDefaults;
    }
    return SettingsFromText(bytes);
}

SaverParameters LoadSaverParametersFrom(const std::string& path) {
    std::string bytes;
    if (!UsablePath(path) || !ReadSettingsFile(path, SettingsReadLimit, bytes)) {
        return SaverParametersWithoutFile;
    }
    return SaverParametersFromText(bytes);
}

bool SaveSettingsTo(const std::string& path, const Settings& settings, WindowHandle owner) {
    std::string content = FormatSettingsText(settings);
    content += '\0';
    if (UsablePath(path) && ReplaceSettingsFile(path, SettingsTempPath(path), content)) {
        return true;
    }
    ShowSaveFailure(owner);
    return false;
}

void LoadSettings() {
    CurrentSettings = LoadSettingsFrom(SettingsFilePath);
}

void LoadSaverParameters() {
    CurrentSaverParameters = LoadSaverParametersFrom(SettingsFilePath);
}

bool SaveSettings(WindowHandle owner) {
    return SaveSettingsTo(SettingsFilePath, CurrentSettings, owner);
}
