// The settings file on the platform's own file API, one source file per platform.
#pragma once

#include "settings/settings_scan.h"

#include <string>
#include <string_view>

// Reads the file from its start into `scan`, a bounded piece at a time, until the fifth comma
// or the end. False when it cannot be opened for reading (missing, locked, a directory).
bool ScanSettingsFile(const std::string& path, SettingsScan& scan);

// Writes `content` over the file itself, from its start, and ends the file there: a link's
// target and the file's attributes, owner and access rights stay as they were. False when any
// step fails; a failure to open leaves the file untouched.
bool WriteSettingsFile(const std::string& path, std::string_view content);
