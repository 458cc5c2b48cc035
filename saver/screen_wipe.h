// The wipe that clears the box trail: a pause, coloured rows on every second row, two black
// fans from opposite corners, a second pause. It then puts the box back at (-1, -1).
#pragma once

#include <cstdint>

void ScreenWipe();

// Polls of each pause and of the wait after each line, for a WipeDelay (wrapping like the
// rest of the saver's arithmetic).
int32_t WipePausePolls(int32_t wipeDelay);
int32_t WipeLinePolls(int32_t wipeDelay);
