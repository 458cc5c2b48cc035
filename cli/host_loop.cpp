#include "cli/host_loop.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>

namespace {

int SignalPipe[2] = {-1, -1};
volatile sig_atomic_t LoopRuns = 0;

void OnSignal(int) {
    if (LoopRuns == 0) {
        _exit(0);
    }
    const int saved = errno;
    const char byte = 1;
    if (write(SignalPipe[1], &byte, 1) < 0) {
        // Full: a wake-up is already waiting.
    }
    errno = saved;
}

} // namespace

bool WatchHostSignals() {
    if (pipe(SignalPipe) != 0) {
        return false;
    }
    for (int fd : SignalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void HostLoopBegins() {
    LoopRuns = 1;
}

int HostSignalFd() {
    return SignalPipe[0];
}

int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
