// The automatic motion of centre 2: seven states of movement about the
// pattern's origin, with random legs. One call is one frame; durations count
// frames. Centre 1 follows as the mirror of centre 2.
#pragma once

#include <cstdint>

#include "figure/controls.h"
#include "figure/pattern.h"
#include "figure/placement.h"
#include "figure/random.h"

namespace figure {

enum MoveStates : std::int32_t {
    kApproach = 0,   // glide to within 50 px of the origin
    kDrift = 1,      // constant velocity, turned back at 200 px from the origin
    kSwap = 2,       // glide straight through the origin to where centre 1 is
    kSweepOut = 3,   // glide 100 to 259 px beyond the origin along one axis
    kSweepBack = 4,  // run back through the origin at 5 (x) or 3 (y) px a frame
    kOrbitEntry = 5, // glide onto the orbit
    kOrbit = 6,      // circle the origin, at least two turns
};

struct MotionState {
    std::int32_t MoveState = kApproach;
    bool NewLeg = true;
    std::int32_t LegStartX = 0;
    std::int32_t LegStartY = 0;
    std::int32_t LegTargetX = 0;
    std::int32_t LegTargetY = 0;
    std::int32_t LegSteps = 0;
    std::int32_t LegStep = 0;
    std::int32_t BounceHit = 0;
    std::int32_t SweepVertical = 0;
    std::int32_t SweepIncreasing = 0;
    std::int32_t OrbitRadius = 0;
    std::int32_t OrbitStepsPerTurn = 0;
    std::int32_t OrbitStep = 0;
    std::int32_t OrbitTurns = 0;
    std::int32_t OrbitReverse = 0;
};

// The hidden controls the motion reads: the drift velocity as decimal text
// (also written by the keys) and the switch of the automatic motion.
struct MotionControls {
    TEdit Edit_MoveX{"-2"};
    TEdit Edit_MoveY{"0"};
    TRadioButton RadioButton2{"Mode2", true};
};

// One frame of motion: the step of the current state, the mirror of centre 1,
// and the placement, which runs even when the step ends with an error. A
// velocity text that holds no integer throws ConversionError.
void AutoMove(MotionState& motion, MotionControls& controls, Placement& placement, FigureState& figure,
              Random& random);

}  // namespace figure
