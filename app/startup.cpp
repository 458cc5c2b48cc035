#include "app/startup.h"

std::string InstallDir;

std::string_view CutToModulePathBuffer(std::string_view path) {
    return path.substr(0, ModulePathBufferSize - 1);
}

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

bool IsCharAlphaCp932(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) {
        return true;
    }
    return byte >= 0xA6 && byte <= 0xDF; // half-width katakana
}

static bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string LowerCp932(std::string_view text) {
    std::string lower(text);
    for (std::size_t i = 0; i < lower.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(lower[i]);
        if (IsCp932LeadByte(byte)) {
            ++i; // its trail byte may look like an ASCII capital
        } else if (byte >= 'A' && byte <= 'Z') {
            lower[i] = static_cast<char>(byte - 'A' + 'a');
        }
    }
    return lower;
}

ModeScan ScanModeLetter(std::string_view commandLine, AlphaTest isAlpha) {
    ModeScan scan{false, 0, 1};
    const std::size_t length = commandLine.size();
    // Stops after testing the first byte: a line with no letter selects nothing.
    for (std::size_t index = 1; index <= length; ++index) {
        char byte = commandLine[length - index];
        if (isAlpha(static_cast<unsigned char>(byte))) {
            scan.Found = true;
            scan.ModeLetter = byte;
            scan.ModeLetterIndex = static_cast<int32_t>(index);
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
