// tavorinex: the saver's logic from the command line, without Windows; without a
// subcommand, the saver itself as an XScreenSaver hack. Built with TAVORINEX_HACK_ONLY, it is
// the hack alone, which needs neither libpng nor giflib.
#include "tavorinex/commands.h"
#include "tavorinex/x11_host.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef TAVORINEX_HACK_ONLY
static int Usage() {
    std::fputs(
        "usage: tavorinex [OPTIONS] | tavorinex params [FILE] | tavorinex render [OPTIONS]\n",
        stderr);
    return 2;
}
#endif

// Output that never arrived (a full disk, a closed descriptor) must not pass for success,
// whichever subcommand wrote it.
static int CheckStdout(int code) {
    errno = 0;
    bool flushed = std::fflush(stdout) == 0;
    int failure = errno;
    if (flushed && std::ferror(stdout) == 0) {
        return code;
    }
    if (flushed || failure == 0) {
        std::fputs("tavorinex: cannot write standard output\n", stderr);
    } else {
        std::fprintf(stderr, "tavorinex: cannot write standard output: %s\n",
                     std::strerror(failure));
    }
    return code == 0 ? 1 : code;
}

int main(int argc, char** argv) {
#ifdef TAVORINEX_HACK_ONLY
    return CheckStdout(RunHack(argc, argv, false));
#else
    if (argc < 2 || argv[1][0] == '-') {
        return CheckStdout(RunHack(argc, argv, true));
    }
    if (std::strcmp(argv[1], "params") == 0) {
        return CheckStdout(RunParams(argc - 1, argv + 1));
    }
    if (std::strcmp(argv[1], "render") == 0) {
        return CheckStdout(RunRender(argc - 1, argv + 1));
    }
    return Usage();
#endif
}
