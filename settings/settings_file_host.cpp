// The settings file through the host's POSIX file calls, so tests load and save real files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "settings/settings_file.h"

bool ReadSettingsFile(const std::string& path, std::size_t limit, std::string& bytes) {
    // Non-blocking, so that a FIFO in its place cannot hang the load.
    int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    struct stat info;
    // Only a plain file counts, as on Windows, where a directory cannot be opened as a file.
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(file);
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    const std::size_t wanted = size < limit ? static_cast<std::size_t>(size) : limit;
    bytes.assign(wanted, '\0');
    std::size_t got = 0;
    while (got < wanted) {
        ssize_t count = read(file, bytes.data() + got, wanted - got);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        got += static_cast<std::size_t>(count);
    }
    bytes.resize(got);
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

static bool WriteWholeFile(const std::string& path, std::string_view content) {
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file < 0) {
        return false;
    }
    bool complete = WriteAll(file, content);
    complete = fsync(file) == 0 && complete;
    complete = close(file) == 0 && complete;
    return complete;
}

bool ReplaceSettingsFile(const std::string& path, const std::string& tempPath,
                         std::string_view content) {
    bool replaced = WriteWholeFile(tempPath, content);
    if (replaced) {
        // The file itself must be writable, as for writing it directly; a directory is not.
        int probe = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
        replaced = probe >= 0;
        if (replaced) {
            close(probe);
            replaced = std::rename(tempPath.c_str(), path.c_str()) == 0;
        }
    }
    if (!replaced) {
        unlink(tempPath.c_str());
    }
    return replaced;
}
