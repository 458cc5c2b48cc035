// The command line of the programs for Linux and the BSDs: long options and their values,
// numbers and the settings file, each refused with one message of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct OptionScanner {
    int Argc;
    char** Argv;
    int Next;        // the argument read next
    bool SingleDash; // -name as well as --name, as XScreenSaver's hacks take them
};

// argv[0] is the program (or the subcommand).
OptionScanner ScanOptions(int argc, char** argv, bool singleDash);

struct ScannedOption {
    std::string Name; // "--name", however it was spelled; -h is --help
    std::string Value;
    bool HasValue; // given after "=", or taken by TakeOptionValue
};

enum class ScanStep { Option, End, Refused };

// The next option; Refused, with the error, for an argument that is none.
ScanStep NextOption(OptionScanner& scanner, ScannedOption& option, std::string& error);
// The option's value: after "=", or else the next argument.
bool TakeOptionValue(OptionScanner& scanner, ScannedOption& option, std::string& error);
// For an option that takes none.
bool RefuseOptionValue(const ScannedOption& option, std::string& error);
std::string UnknownOption(const ScannedOption& option);

// Digits in the base (10 or 16) and nothing else, at most maximum.
bool ParseUnsigned(std::string_view text, int base, uint64_t maximum, uint64_t& value);
// The option's value as a decimal whole number from minimum to maximum.
bool OptionNumber(const ScannedOption& option, uint64_t minimum, uint64_t maximum, uint64_t& value,
                  std::string& error);

// A settings file named on the command line must be a regular file this process can read:
// the saver takes a missing file silently, but named here it is a mistake. Opened as this
// process will read it, after a look that keeps FIFOs and devices from being opened at all.
bool CheckSettingsFile(const std::string& path, std::string& error);

// A path for an error line: in quotes, with control characters, backslashes and quotes escaped,
// so that the line stays one line and says exactly which file.
std::string QuotedPath(std::string_view path);
// The text with its control characters escaped: an error is printed as one line.
std::string OneLine(std::string_view text);
