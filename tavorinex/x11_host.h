// The saver as an XScreenSaver hack: the core on a software screen, shown in an X11 window.
#pragma once

#include "tavorinex/hack_options.h"

// Runs until the window goes away, SIGTERM, SIGINT or SIGHUP arrives, or (in a window of its
// own) q, Escape or the window manager's close; returns the exit code: 0 then, 1 when the
// display or window cannot be used (said in one line on stderr).
int RunX11Hack(const HackOptions& options);

// The whole program: options, then the host. Exit code 2 for options not understood. With
// subcommands, --help names those of the tavorinex command too.
int RunHack(int argc, char** argv, bool withSubcommands);
