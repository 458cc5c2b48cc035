#include <windows.h>

#include <cstdint>

#include "saver/input_watch.h"

// Only the two readings of this one call are compared: about a millisecond apart.
void InputWatch() {
    POINT before = {};
    POINT after = {};
    GetCursorPos(&before);
    Sleep(1);
    GetCursorPos(&after);
    int64_t dx = int64_t{before.x} - after.x;
    int64_t dy = int64_t{before.y} - after.y;
    if (dx > 1 || dx < -1 || dy > 1 || dy < -1) {
        ExitProcess(0);
    }
    if (GetInputState() != 0) {
        ExitProcess(0);
    }
}
