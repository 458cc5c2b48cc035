// Start-up decisions that need no Windows: where the program lives and which mode to run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Directory (and any name prefix) in front of the executable's name, lower case.
extern std::string InstallDir;

enum class Mode { None, Settings, Saver };

struct ModeScan {
    bool Found;      // an alphabetic byte was found
    char ModeLetter; // the last one, when Found
};

// The module-path buffer holds 260 bytes, so the system keeps at most 259 of them.
constexpr std::size_t ModulePathBufferSize = 260;

// Finds "tavorinex.scr", then "tavori~1.scr", in an already lower-cased path.
// Returns false when neither occurs.
bool LocateInstallDir(std::string_view lowerPath, std::string& installDir);

using AlphaTest = bool (*)(unsigned char);
ModeScan ScanModeLetter(std::string_view commandLine, AlphaTest isAlpha);
Mode SelectMode(const ModeScan& scan);
