// Mouse steering: a steady run of moves over the image (20, each within
// MouseHoldMs of the last) hands centre 2 to the pointer. Moves during the
// title time are dropped without a trace.
#pragma once

#include <cstdint>

#include "figure/ticks.h"
#include "pace/pacing.h"

namespace pace {

struct SteeringState {
    std::int32_t MouseMoveCount = 0;  // moves counted in the current run
};

// Moves counted in a run before the pointer takes centre 2.
constexpr std::int32_t kRunLength = 20;

enum class MoveVerdict {
    Ignored,  // the title time: not counted, no redraw
    Counted,  // a move of the run; LastMouseTick stamped
    Steer,    // the 20th counted move of the run or a later one
};

// The title gate, the run test and the count of one move over the image.
// Reads the clock afresh for each of them, as the moves come. On Steer the
// caller places centre 2 under the pointer and then calls StampSteeredMove.
MoveVerdict CountMouseMove(SteeringState& steering, PacingState& pacing, const figure::Clock& clock,
                           Tick activatedTick);

// Steering on, from a fresh reading of the clock.
void StampSteeredMove(PacingState& pacing, const figure::Clock& clock);

}  // namespace pace
