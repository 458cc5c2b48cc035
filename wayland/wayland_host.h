// The saver on a Wayland desktop: one fullscreen window on every output, each with a saver of
// its own at that output's size in pixels.
#pragma once

#include "cli/saver_options.h"

// Runs until input (a key, a button, a touch, a pointer movement of more than one pixel in
// either axis between two positions the compositor reports), one of those signals, the
// compositor closing a window, or the connection ending; returns the exit code: 0 then, 1 when
// there is no compositor or it lacks what the saver needs (said in one line on stderr).
int RunWaylandSaver(const SaverOptions& options);
