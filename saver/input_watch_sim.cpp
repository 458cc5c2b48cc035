#include "saver/input_watch.h"

uint64_t InputWatchPolls = 0;
void (*InputWatchHook)() = nullptr;

void InputWatch() {
    ++InputWatchPolls;
    if (InputWatchHook != nullptr) {
        InputWatchHook();
    }
}
