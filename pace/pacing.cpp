#include "pace/pacing.h"

namespace pace {
namespace {

bool FrameDue(const PacingState& pacing, Tick now)
{
    return !(now < Tick(pacing.LastFrameTick + pacing.SleepTime) && now > pacing.LastFrameTick);
}

}  // namespace

IdleStep AnimeLoopStep(PacingState& pacing, Tick now)
{
    if (!FrameDue(pacing, now)) return IdleStep::NotDue;
    if (figure::SpanPassed(now, pacing.LastMouseTick, figure::MouseHoldMs)) pacing.MouseSteering = false;
    if (pacing.MouseSteering) return IdleStep::Steering;
    pacing.LastFrameTick = now;
    return IdleStep::Frame;
}

std::uint32_t IdleWaitMs(const PacingState& pacing, Tick now)
{
    if (!FrameDue(pacing, now)) return Tick(pacing.LastFrameTick + pacing.SleepTime) - now;
    if (pacing.MouseSteering && !figure::SpanPassed(now, pacing.LastMouseTick, figure::MouseHoldMs))
        return Tick(pacing.LastMouseTick + figure::MouseHoldMs) - now + 1;
    return 0;
}

}  // namespace pace
