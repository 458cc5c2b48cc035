#include "tavorinex/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/capability.h>
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// The temporary files open now, for the signal handler: fixed storage, since a handler may
// not allocate.
constexpr int MaxPending = 4;
char PendingPaths[MaxPending][PATH_MAX];
volatile sig_atomic_t PendingUsed[MaxPending];

const int CleanupSignals[] = {SIGHUP, SIGINT, SIGTERM, SIGQUIT};

// Temporary names are this prefix and mkstemp's six letters or digits.
constexpr char TempPrefix[] = ".tavorinex-";
constexpr size_t TempPrefixLength = sizeof TempPrefix - 1;
// A temporary file left this long is an earlier run's that was killed: a live run writes
// its files within moments of opening them.
constexpr time_t StaleSeconds = 60;

void RemovePendingAndDie(int signal) {
    RemovePendingOutputs();
    // The handler was reset on entry: the signal now ends the process as it would have.
    raise(signal);
}

void Remember(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return;
    }
    RemoveOutputsOnSignals();
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

// The folder part of a path, with its slash; empty for a name in the current folder.
std::string FolderPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool IsTempName(const char* name) {
    if (std::strncmp(name, TempPrefix, TempPrefixLength) != 0) {
        return false;
    }
    const char* letters = name + TempPrefixLength;
    size_t count = 0;
    for (; letters[count] != '\0'; ++count) {
        const char c = letters[count];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return count == 6;
}

void RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const time_t now = std::time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        if (!IsTempName(entry->d_name)) {
            continue;
        }
        const std::string path = folder + entry->d_name;
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            now - info.st_mtime > StaleSeconds) {
            unlink(path.c_str());
        }
    }
    closedir(dir);
}

// CAP_FOWNER, which lifts the sticky folder's rule; elsewhere the superuser.
bool MayReplaceAnyFile() {
#if defined(__linux__)
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    return syscall(SYS_capget, &header, data) == 0 &&
           (data[CAP_FOWNER / 32].effective >> (CAP_FOWNER % 32) & 1u) != 0;
#else
    return geteuid() == 0;
#endif
}

// rename() over a file in a sticky folder (the system's temporary folder) needs the file's
// or the folder's owner; write permission on the file is not enough.
bool MayReplace(const std::string& target, const struct stat& file, std::string& error) {
    const std::string folderPart = FolderPart(target);
    struct stat folder;
    if (stat(folderPart.empty() ? "." : folderPart.c_str(), &folder) != 0 ||
        (folder.st_mode & S_ISVTX) == 0) {
        return true;
    }
    const uid_t self = geteuid();
    if (file.st_uid == self || folder.st_uid == self || MayReplaceAnyFile()) {
        return true;
    }
    error = "another user's file in a sticky folder: only its owner may replace it";
    return false;
}

// Where a path leads: the file it names, links followed, or else the folder and name a new
// file would get there.
struct FileKey {
    dev_t Device = 0;
    ino_t Inode = 0;
    std::string Name; // empty for a file that exists
};

bool KeyOf(const std::string& path, FileKey& key) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        key = FileKey{info.st_dev, info.st_ino, ""};
        return true;
    }
    const std::string target = FollowLink(path);
    const std::string folder = FolderPart(target);
    if (stat(folder.empty() ? "." : folder.c_str(), &info) != 0) {
        return false;
    }
    key = FileKey{info.st_dev, info.st_ino, target.substr(folder.size())};
    return true;
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
        if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            error = std::strerror(errno);
            return false;
        }
        if (!MayReplace(target, info, error)) {
            return false;
        }
        mode = info.st_mode & 07777;
    }
    std::string temp = FolderPart(target) + TempPrefix + "XXXXXX";
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

bool OutputFinish(OutputFile& file, std::string& error) {
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
    if (!ok) {
        error = std::strerror(failure);
        OutputDiscard(file);
    }
    return ok;
}

bool OutputRename(OutputFile& file, std::string& error) {
    if (file.TempPath.empty()) {
        error = "nothing open to write";
        return false;
    }
    if (std::rename(file.TempPath.c_str(), file.Path.c_str()) != 0) {
        error = std::strerror(errno);
        OutputDiscard(file);
        return false;
    }
    Forget(file.TempPath);
    file.TempPath.clear();
    return true;
}

bool OutputCommit(OutputFile& file, std::string& error) {
    return OutputFinish(file, error) && OutputRename(file, error);
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

void RemoveOutputsOnSignals() {
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

void RemovePendingOutputs() {
    for (int i = 0; i < MaxPending; ++i) {
        if (PendingUsed[i] != 0) {
            unlink(PendingPaths[i]);
        }
    }
}

bool CheckOutputPath(const std::string& path, std::string& error) {
    RemoveStaleTemporaries(FolderPart(FollowLink(path)));
    OutputFile probe;
    if (!OutputOpen(probe, path, error)) {
        return false;
    }
    OutputDiscard(probe);
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    FileKey first;
    FileKey second;
    return KeyOf(a, first) && KeyOf(b, second) && first.Device == second.Device &&
           first.Inode == second.Inode && first.Name == second.Name;
}
