// The wipe that clears the box trail: a pause, coloured rows on every second row, two black
// fans from opposite corners, a second pause. It then puts the box back at (-1, -1). It runs
// inside a step of the box animation, one wait at a time.
#pragma once

#include <cstdint>

#include "saver/saver_state.h"

// Begins a wipe: returns the polls of its opening pause.
int32_t ScreenWipeBegin(Saver& saver);
// Draws on from the wipe's wait the saver stands in up to its next wait and returns that
// wait's polls; 0 or less means none. After the closing pause the wait point is
// AfterClosingPause.
int32_t ScreenWipeAdvance(Saver& saver);
// Puts back ScreenDC's pen and deletes the wipe's, for a host that stops in the middle.
void ScreenWipeEnd(Saver& saver);

// Polls of each pause and of the wait after each line, for a WipeDelay (wrapping like the
// rest of the saver's arithmetic).
int32_t WipePausePolls(int32_t wipeDelay);
int32_t WipeLinePolls(int32_t wipeDelay);
