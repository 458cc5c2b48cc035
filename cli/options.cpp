#include "cli/options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

OptionScanner ScanOptions(int argc, char** argv, bool singleDash) {
    return OptionScanner{argc, argv, 1, singleDash};
}

ScanStep NextOption(OptionScanner& scanner, ScannedOption& option, std::string& error) {
    if (scanner.Next >= scanner.Argc) {
        return ScanStep::End;
    }
    const std::string argument = scanner.Argv[scanner.Next++];
    std::string name;
    if (argument.rfind("--", 0) == 0) {
        name = argument;
    } else if (argument == "-h") {
        name = "--help";
    } else if (argument.size() > 1 && argument[0] == '-' && scanner.SingleDash) {
        name = "-" + argument;
    } else {
        error = argument.size() > 1 && argument[0] == '-' ? "unknown option " + argument
                                                          : "unexpected argument " + argument;
        return ScanStep::Refused;
    }
    option = ScannedOption{};
    const size_t equals = name.find('=');
    if (equals != std::string::npos) {
        option.Value = name.substr(equals + 1);
        option.HasValue = true;
        name.resize(equals);
    }
    option.Name = name;
    return ScanStep::Option;
}

bool TakeOptionValue(OptionScanner& scanner, ScannedOption& option, std::string& error) {
    if (!option.HasValue) {
        if (scanner.Next >= scanner.Argc) {
            error = option.Name + " needs a value";
            return false;
        }
        option.Value = scanner.Argv[scanner.Next++];
        option.HasValue = true;
    }
    return true;
}

bool RefuseOptionValue(const ScannedOption& option, std::string& error) {
    if (option.HasValue) {
        error = option.Name + " takes no value";
        return false;
    }
    return true;
}

std::string UnknownOption(const ScannedOption& option) {
    return "unknown option " + option.Name;
}

bool ParseUnsigned(std::string_view text, int base, uint64_t maximum, uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    uint64_t result = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= base ||
            result > (maximum - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            return false;
        }
        result = result * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    value = result;
    return true;
}

bool OptionNumber(const ScannedOption& option, uint64_t minimum, uint64_t maximum, uint64_t& value,
                  std::string& error) {
    if (!ParseUnsigned(option.Value, 10, maximum, value) || value < minimum) {
        error = option.Name + " must be a whole number from " + std::to_string(minimum) + " to " +
                std::to_string(maximum) + ", not " + option.Value;
        return false;
    }
    return true;
}

bool CheckSettingsFile(const std::string& path, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || access(path.c_str(), R_OK) != 0) {
        error = "cannot read settings file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "settings file " + path + " is not a regular file";
        return false;
    }
    return true;
}
