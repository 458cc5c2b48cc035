#include "tools/tavorinex/commands.h"

#include <cstdio>

int RunParams(int, char**) {
    std::fputs("tavorinex params: not built yet\n", stderr);
    return 2;
}
