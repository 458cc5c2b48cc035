#include "tavorinex/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// The temporary files open now, for the signal handler: fixed storage, since a handler may
// not allocate.
constexpr int MaxPending = 4;
char PendingPaths[MaxPending][PATH_MAX];
volatile sig_atomic_t PendingUsed[MaxPending];

const int CleanupSignals[] = {SIGHUP, SIGINT, SIGTERM};

void RemovePendingAndDie(int signal) {
    for (int i = 0; i < MaxPending; ++i) {
        if (PendingUsed[i] != 0) {
            unlink(PendingPaths[i]);
        }
    }
    // The handler was reset on entry: the signal now ends the process as it would have.
    raise(signal);
}

void InstallCleanup() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndDie;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : CleanupSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    for (int signal : CleanupSignals) {
        struct sigaction old {};
        // A signal ignored on purpose (nohup) stays ignored.
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

void Remember(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return;
    }
    InstallCleanup();
    for (int i = 0; i < MaxPending; ++i) {
        if (PendingUsed[i] == 0) {
            std::memcpy(PendingPaths[i], path.c_str(), path.size() + 1);
            PendingUsed[i] = 1;
            return;
        }
    }
}

void Forget(const std::string& path) {
    for (int i = 0; i < MaxPending; ++i) {
        if (PendingUsed[i] != 0 && path == PendingPaths[i]) {
            PendingUsed[i] = 0;
        }
    }
}

// Writing through a link keeps the link, as writing into the file did. A dangling link
// is replaced.
std::string FollowLink(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string resolved = real;
    std::free(real);
    return resolved;
}

mode_t NewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool OutputOpen(OutputFile& file, const std::string& path, std::string& error) {
    std::string target = FollowLink(path);
    mode_t mode = NewFileMode();
    struct stat info;
    if (stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            error = S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file";
            return false;
        }
        // A file its owner made read-only stays so, as when it was written in place.
        if (access(target.c_str(), W_OK) != 0) {
            error = std::strerror(errno);
            return false;
        }
        mode = info.st_mode & 07777;
    }
    size_t slash = target.rfind('/');
    std::string temp =
        (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".tavorinex-XXXXXX";
    int descriptor = mkostemp(temp.data(), O_CLOEXEC);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    Remember(temp);
    std::FILE* stream = fchmod(descriptor, mode) == 0 ? fdopen(descriptor, "wb") : nullptr;
    if (stream == nullptr) {
        error = std::strerror(errno);
        close(descriptor);
        unlink(temp.c_str());
        Forget(temp);
        return false;
    }
    file.Path = target;
    file.TempPath = temp;
    file.Stream = stream;
    return true;
}

bool OutputCommit(OutputFile& file, std::string& error) {
    if (file.Stream == nullptr) {
        error = "nothing open to write";
        return false;
    }
    errno = 0;
    bool ok = std::fflush(file.Stream) == 0 && std::ferror(file.Stream) == 0 &&
              fsync(fileno(file.Stream)) == 0;
    // An error flag from an earlier write may come without errno.
    int failure = ok ? 0 : (errno != 0 ? errno : EIO);
    if (std::fclose(file.Stream) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    file.Stream = nullptr;
    if (ok && std::rename(file.TempPath.c_str(), file.Path.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        unlink(file.TempPath.c_str());
        error = std::strerror(failure);
    }
    Forget(file.TempPath);
    file.TempPath.clear();
    return ok;
}

void OutputDiscard(OutputFile& file) {
    if (file.Stream != nullptr) {
        std::fclose(file.Stream);
        file.Stream = nullptr;
    }
    if (!file.TempPath.empty()) {
        unlink(file.TempPath.c_str());
        Forget(file.TempPath);
        file.TempPath.clear();
    }
}

bool CheckOutputPath(const std::string& path, std::string& error) {
    OutputFile probe;
    if (!OutputOpen(probe, path, error)) {
        return false;
    }
    OutputDiscard(probe);
    return true;
}
