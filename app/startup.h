// Start-up decisions that need no Windows: where the program lives and which mode to run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Directory (and any name prefix) in front of the executable's name, lower case.
extern std::string InstallDir;

enum class Mode { None, Settings, Saver };

struct ModeScan {
    bool Found;              // an alphabetic byte was found
    char ModeLetter;         // that byte, when Found
    int32_t ModeLetterIndex; // its position counted from the end (1 = last byte)
};

// The module-path buffer holds 260 bytes, so the system keeps at most 259 of them.
constexpr std::size_t ModulePathBufferSize = 260;
std::string_view CutToModulePathBuffer(std::string_view path);

// Finds "tavorinex.scr", then "tavori~1.scr", in an already lower-cased path.
// Returns false when neither occurs.
bool LocateInstallDir(std::string_view lowerPath, std::string& installDir);

// Answers for single bytes as IsCharAlphaA does on a code page 932 system.
bool IsCharAlphaCp932(unsigned char byte);

// Lower-cases as CharLowerA does on a code page 932 system: ASCII letters only,
// leaving the trail byte of a double-byte character alone.
std::string LowerCp932(std::string_view text);

using AlphaTest = bool (*)(unsigned char);
ModeScan ScanModeLetter(std::string_view commandLine, AlphaTest isAlpha);
Mode SelectMode(const ModeScan& scan);
