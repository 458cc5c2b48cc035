#include "app/startup.h"

std::string InstallDir;

bool LocateInstallDir(std::string_view lowerPath, std::string& installDir) {
    // The long name decides whenever it occurs, wherever the short one stands.
    for (std::string_view name :
         {std::string_view("tavorinex.scr"), std::string_view("tavori~1.scr")}) {
        std::size_t at = lowerPath.find(name);
        if (at != std::string_view::npos) {
            installDir.assign(lowerPath.substr(0, at));
            return true;
        }
    }
    return false;
}

ModeScan ScanModeLetter(std::string_view commandLine, AlphaTest isAlpha) {
    ModeScan scan{false, 0};
    const std::size_t length = commandLine.size();
    // Counted from the end, 1 = the last byte. Stops after testing the first byte: a line
    // with no letter selects nothing.
    for (std::size_t modeLetterIndex = 1; modeLetterIndex <= length; ++modeLetterIndex) {
        char byte = commandLine[length - modeLetterIndex];
        if (isAlpha(static_cast<unsigned char>(byte))) {
            scan.Found = true;
            scan.ModeLetter = byte;
            break;
        }
    }
    return scan;
}

Mode SelectMode(const ModeScan& scan) {
    if (!scan.Found) {
        return Mode::None;
    }
    switch (scan.ModeLetter) {
    case 'c':
    case 'C':
    case 'r':
    case 'R':
        return Mode::Settings;
    case 's':
    case 'S':
        return Mode::Saver;
    default:
        return Mode::None;
    }
}
