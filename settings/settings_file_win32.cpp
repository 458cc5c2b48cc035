// The settings file through the Windows file calls.
#include <windows.h>

#include "settings/settings_file.h"

bool ReadSettingsFile(const std::string& path, std::size_t limit, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD size = GetFileSize(file, nullptr);
    const DWORD wanted = size < limit ? size : static_cast<DWORD>(limit);
    bytes.assign(wanted, '\0');
    DWORD got = 0;
    if (wanted > 0 && !ReadFile(file, bytes.data(), wanted, &got, nullptr)) {
        got = 0;
    }
    // A file cut short since its size was taken leaves no unread bytes behind.
    bytes.resize(got);
    CloseHandle(file);
    return true;
}

static bool WriteWholeFile(const std::string& path, std::string_view content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool complete = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                              nullptr) != FALSE &&
                    written == content.size();
    complete = FlushFileBuffers(file) != FALSE && complete;
    complete = CloseHandle(file) != FALSE && complete;
    return complete;
}

bool ReplaceSettingsFile(const std::string& path, const std::string& tempPath,
                         std::string_view content) {
    bool replaced = WriteWholeFile(tempPath, content);
    if (replaced) {
        // The file itself must be writable and open nowhere else, as for writing it directly.
        // OPEN_ALWAYS leaves its content alone; the move below replaces it at once.
        HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        replaced = probe != INVALID_HANDLE_VALUE;
        if (replaced) {
            CloseHandle(probe);
            replaced = MoveFileExA(tempPath.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        }
    }
    if (!replaced) {
        DeleteFileA(tempPath.c_str());
    }
    return replaced;
}
