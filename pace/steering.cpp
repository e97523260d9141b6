#include "pace/steering.h"

namespace pace {

MoveVerdict CountMouseMove(SteeringState& steering, PacingState& pacing, const figure::Clock& clock,
                           Tick activatedTick)
{
    if (figure::WithinSpan(clock.Ticks(), activatedTick, figure::TitleTimeMs)) return MoveVerdict::Ignored;
    if (figure::SpanPassed(clock.Ticks(), pacing.LastMouseTick, figure::MouseHoldMs)) steering.MouseMoveCount = 0;
    ++steering.MouseMoveCount;
    if (steering.MouseMoveCount >= 0x7FFFFFFF) steering.MouseMoveCount = 0;
    if (steering.MouseMoveCount < kRunLength) {
        pacing.LastMouseTick = clock.Ticks();
        return MoveVerdict::Counted;
    }
    return MoveVerdict::Steer;
}

void StampSteeredMove(PacingState& pacing, const figure::Clock& clock)
{
    pacing.MouseSteering = true;
    pacing.LastMouseTick = clock.Ticks();
}

}  // namespace pace
