// The settings file through the Windows file calls.
#include <windows.h>

#include "settings/settings_file.h"

bool ScanSettingsFile(const std::string& path, SettingsScan& scan) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        // A read error ends the file there, like its end.
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr) || got == 0 ||
            ScanSettingsText(scan, std::string_view(chunk, got))) {
            break;
        }
    }
    CloseHandle(file);
    return true;
}

bool WriteSettingsFile(const std::string& path, std::string_view content) {
    // OPEN_ALWAYS rather than CREATE_ALWAYS: nothing is cut before the new content is in,
    // and a hidden or system file is saved instead of refused.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool complete = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                              nullptr) != FALSE &&
                    written == content.size();
    // Only a complete write may end the file: after a short one the old bytes beyond it stay.
    complete = complete && SetEndOfFile(file) != FALSE;
    complete = complete && FlushFileBuffers(file) != FALSE;
    complete = CloseHandle(file) != FALSE && complete;
    return complete;
}
