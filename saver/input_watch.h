// The 1-ms poll that ends the saver on mouse movement or waiting input.
#pragma once

#include <cstdint>

void InputWatch();

// Off Windows a poll is one simulated millisecond: it is counted, and a tool or
// test may look at the screen after each one. There is no input to end on.
extern uint64_t InputWatchPolls;
extern void (*InputWatchHook)();
