// The settings file through POSIX file calls: for the programs on Linux and the BSDs, and for
// the native tests, which load and save real files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "settings/settings_file.h"

// Only a plain file counts, as on Windows, where a directory cannot be opened as a file.
// Non-blocking, so that a FIFO in its place cannot hang the open.
static int OpenPlainFile(const std::string& path, int flags, off_t* size = nullptr) {
    int file = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) {
        return -1;
    }
    struct stat info;
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(file);
        return -1;
    }
    if (size != nullptr) {
        *size = info.st_size;
    }
    return file;
}

bool ScanSettingsFile(const std::string& path, SettingsScan& scan) {
    // The file as it was when opened: one that keeps growing must not keep the saver loading.
    off_t left = 0;
    int file = OpenPlainFile(path, O_RDONLY, &left);
    if (file < 0) {
        return false;
    }
    char chunk[4096];
    while (left > 0) {
        const ssize_t count = read(
            file, chunk, left < off_t{sizeof chunk} ? static_cast<size_t>(left) : sizeof chunk);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        // A read error ends the file there, like its end.
        if (count <= 0 ||
            ScanSettingsText(scan, std::string_view(chunk, static_cast<std::size_t>(count)))) {
            break;
        }
        left -= count;
    }
    close(file);
    return true;
}

static bool WriteAll(int file, std::string_view content) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t count = write(file, content.data() + done, content.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

bool WriteSettingsFile(const std::string& path, std::string_view content) {
    // No O_TRUNC: nothing is cut before the new content is in.
    int file = OpenPlainFile(path, O_WRONLY | O_CREAT);
    if (file < 0) {
        return false;
    }
    bool complete = WriteAll(file, content);
    // Only a complete write may end the file: after a short one the old bytes beyond it stay.
    complete = complete && ftruncate(file, static_cast<off_t>(content.size())) == 0;
    complete = complete && fsync(file) == 0;
    complete = close(file) == 0 && complete;
    return complete;
}
