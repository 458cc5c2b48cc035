// What every program that runs the saver in a loop of its own shares on Linux and the BSDs: the
// signals that end it, and the clock its waits are spent on.
#pragma once

#include <cstdint>

// SIGTERM, SIGINT, SIGHUP and SIGQUIT end the saver with 0. Until the loop runs (while the
// settings file loads, however long) a signal ends the process at once; from
// HostLoopBegins on it reaches the loop through a pipe the loop polls, so none is lost between
// a check and a sleep. SIGPIPE is ignored: a broken connection shows where it is written to.
// False when the signals cannot be watched.
bool WatchHostSignals();
void HostLoopBegins();
// The pipe's end to poll; readable once a signal came.
int HostSignalFd();

// The loop's clock, in microseconds: one input poll of the Windows saver is a millisecond of it.
int64_t NowMicros();
