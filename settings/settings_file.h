// The settings file on the platform's own file API, one source file per platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reads at most `limit` bytes from the start of the file. False when it cannot be opened
// for reading (missing, locked, a directory).
bool ReadSettingsFile(const std::string& path, std::size_t limit, std::string& bytes);

// Writes `content` to `tempPath` and, once it is complete, puts it in place of `path`.
// False when any step fails; `path` then keeps the content it had.
bool ReplaceSettingsFile(const std::string& path, const std::string& tempPath,
                         std::string_view content);
