// tavorinex: the saver's logic from the command line, without Windows; without a
// subcommand, the saver itself as an XScreenSaver hack.
#include "app/x11_host.h"
#include "tools/tavorinex/commands.h"

#include <cstdio>
#include <cstring>

static int Usage() {
    std::fputs(
        "usage: tavorinex [OPTIONS] | tavorinex params [FILE] | tavorinex render [OPTIONS]\n",
        stderr);
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        return RunHack(argc, argv);
    }
    if (std::strcmp(argv[1], "params") == 0) {
        return RunParams(argc - 1, argv + 1);
    }
    if (std::strcmp(argv[1], "render") == 0) {
        return RunRender(argc - 1, argv + 1);
    }
    return Usage();
}
