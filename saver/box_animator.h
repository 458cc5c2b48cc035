// The saver's drawing loop: one box bouncing across the screen, leaving its trail. The loop
// never waits itself: each advance draws up to the next wait and hands it to the host, which
// polls the input that many times (Windows), adds it to its clock (a renderer) or sleeps
// until it is due (a window of its own).
#pragma once

#include <cstdint>

#include "saver/saver_state.h"

// A wait the saver asks its host for: Polls input polls of about a millisecond each, at
// least one. EndsStep: the wait closes a step, so the screen shows a whole box.
struct SaverWait {
    uint32_t Polls;
    bool EndsStep;
};

// Makes the box image on the screen, seeds the random source with `seed` (the Windows saver
// passes its tick count; the same seed repeats a run) and draws the first colour; nothing is on
// the screen yet.
void BoxAnimatorStart(Saver& saver, const SaverPlatform& platform, gdi::DC screen,
                      const SaverParameters& parameters, uint32_t seed);
// Draws from the wait the saver stands in up to the next one (a step, or the part of a
// step's wipe between two waits) and returns it.
SaverWait BoxAnimatorAdvance(Saver& saver);
// Releases the box image, for a host that starts afresh or stops; the Windows saver never
// does, the process ends inside a wait.
void BoxAnimatorEnd(Saver& saver);

// Input polls after a step.
int32_t StepPolls(int32_t stepDelay);

// Edge of the off-screen image for a box size on a screen of the given size: the box size
// itself, 0 (nothing drawn) when it is 0 or less, and never more than the screen's larger
// side plus 4, which still shows every visible pixel of a bigger box.
int32_t BoxImageSize(int32_t boxSize, int32_t screenWidth, int32_t screenHeight);

// Where to copy an image of edge imageSize so that the screen shows what a box of edge
// boxSize at position would show, along one axis of length extent.
int32_t BoxImagePosition(int32_t position, int32_t boxSize, int32_t imageSize, int32_t extent);
