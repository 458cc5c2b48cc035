#include "tools/tavorinex/commands.h"

#include <cstdio>

int RunRender(int, char**) {
    std::fputs("tavorinex render: not built yet\n", stderr);
    return 2;
}
