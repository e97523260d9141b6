// The frame clock: the idle-time test that lets at most one frame through per
// SleepTime milliseconds, and the end of mouse steering after the mouse has
// rested. The host calls it whenever its queue is empty, and may sleep for
// IdleWaitMs in between, because nothing can change before then.
#pragma once

#include <cstdint>

#include "figure/ticks.h"

namespace pace {

using figure::Tick;

struct PacingState {
    Tick LastFrameTick = 0;        // reading at the start of the last paced frame
    std::uint32_t SleepTime = 20;  // least milliseconds between paced frames
    bool MouseSteering = false;    // the mouse drives centre 2
    Tick LastMouseTick = 0;        // the last counted mouse move
};

enum class IdleStep {
    NotDue,    // too early: nothing changed
    Steering,  // due, but the mouse steers: no frame, LastFrameTick kept
    Frame,     // LastFrameTick := now; the caller moves the figure and redraws
};

// A frame is due at LastFrameTick + SleepTime or later, and also when the
// reading is at or below LastFrameTick (no millisecond has passed, or the
// clock has wrapped). On a due reading, steering ends once the mouse has
// rested more than MouseHoldMs.
IdleStep AnimeLoopStep(PacingState& pacing, Tick now);

// Milliseconds from `now` until AnimeLoopStep can next return other than it
// does now: the next due tick, or the end of the mouse hold. 0 means call it
// again at once.
std::uint32_t IdleWaitMs(const PacingState& pacing, Tick now);

}  // namespace pace
