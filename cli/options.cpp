#include "cli/options.h"

#include <fcntl.h>
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
    const std::string shown = QuotedPath(path);
    struct stat named;
    if (stat(path.c_str(), &named) != 0) {
        error = "cannot read settings file " + shown + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(named.st_mode)) {
        error = "settings file " + shown + " is not a regular file";
        return false;
    }
    // Permission is what open() says with this process's own ids; access() asks with the
    // real ones, which differ in a program started with other effective ids.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened;
    if (file < 0 || fstat(file, &opened) != 0) {
        error = "cannot read settings file " + shown + ": " + std::strerror(errno);
        if (file >= 0) {
            close(file);
        }
        return false;
    }
    close(file);
    if (!S_ISREG(opened.st_mode)) {
        error = "settings file " + shown + " is not a regular file";
        return false;
    }
    return true;
}

static void AppendEscaped(std::string& out, char c) {
    static const char hex[] = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(c);
    const char* named = c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : nullptr;
    if (named != nullptr) {
        out += named;
    } else if (byte < 0x20 || byte == 0x7f) {
        out += "\\x";
        out += hex[byte >> 4];
        out += hex[byte & 15];
    } else {
        out += c;
    }
}

std::string QuotedPath(std::string_view path) {
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\\' || c == '\'') {
            quoted += '\\';
        }
        AppendEscaped(quoted, c);
    }
    return quoted + "'";
}

std::string OneLine(std::string_view text) {
    std::string line;
    for (char c : text) {
        AppendEscaped(line, c);
    }
    return line;
}
