// The process-wide settings records and the operations that fill and store them.
#include "settings/settings.h"
#include "settings/settings_file.h"

Settings CurrentSettings;
SaverParameters CurrentSaverParameters;
SaveFailureNotice ShowSaveFailure;
std::string SettingsFilePath;

std::string SettingsFileIn(std::string_view installDir) {
    return std::string(installDir) + "tavorinex.ini";
}

// A zero byte would end the path early and name another file.
static bool UsablePath(const std::string& path) {
    return path.find('\0') == std::string::npos;
}

// The fields in front of the fifth comma; false when the file cannot be opened for reading.
static bool ScanFile(const std::string& path, SettingsFields& fields) {
    SettingsScan scan{};
    if (!UsablePath(path) || !ScanSettingsFile(path, scan)) {
        return false;
    }
    fields = scan.Fields;
    return true;
}

Settings LoadSettingsFrom(const std::string& path) {
    SettingsFields fields;
    return ScanFile(path, fields) ? SettingsFromFields(fields) : SettingsDefaults;
}

SaverParameters LoadSaverParametersFrom(const std::string& path) {
    SettingsFields fields;
    return ScanFile(path, fields) ? SaverParametersFromFields(fields) : SaverParametersWithoutFile;
}

bool SaveSettingsTo(const std::string& path, const Settings& settings, WindowHandle owner) {
    std::string content = FormatSettingsText(settings);
    content += '\0';
    if (UsablePath(path) && WriteSettingsFile(path, content)) {
        return true;
    }
    (ShowSaveFailure != nullptr ? ShowSaveFailure : ShowSaveFailureMessage)(owner);
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
