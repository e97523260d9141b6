// The frame clock: the idle-time test that lets at most one frame through per
// SleepTime milliseconds, and the end of mouse steering after the mouse has
// rested. The host calls it when FrameWaitMs says, and sleeps in between.
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
// clock has wrapped). Where the sum would pass 2^32 - 1 it stays there: the
// next frame comes at the clock's last reading or after its wrap. On a due
// reading, steering ends once the mouse has rested more than MouseHoldMs.
IdleStep AnimeLoopStep(PacingState& pacing, Tick now);

// Milliseconds from `now` until AnimeLoopStep can next return other than it
// does now: the next due tick, or the end of the mouse hold. 0 means call it
// again at once.
std::uint32_t IdleWaitMs(const PacingState& pacing, Tick now);

// Milliseconds from `now` until the host should next run the idle handler,
// so that paced frames read the clock exactly SleepTime apart: IdleWaitMs,
// except that a reading still equal to the last frame's waits for the due
// tick (at least the next millisecond). The due test lets such a reading
// through, and a polling loop would repeat the frame within its millisecond.
std::uint32_t FrameWaitMs(const PacingState& pacing, Tick now);

}  // namespace pace
