#include "pace/pacing.h"

namespace pace {
namespace {

constexpr Tick kLastTick = 0xFFFFFFFFu;

// LastFrameTick + SleepTime, held at the clock's last reading where the sum
// would pass it: a SleepTime that large then waits for the clock's end, or
// for its wrap, instead of finding every reading due.
Tick DueTick(const PacingState& pacing)
{
    Tick sum = pacing.LastFrameTick + pacing.SleepTime;
    return sum < pacing.LastFrameTick ? kLastTick : sum;
}

bool FrameDue(const PacingState& pacing, Tick now) { return !(now < DueTick(pacing) && now > pacing.LastFrameTick); }

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
    if (!FrameDue(pacing, now)) return DueTick(pacing) - now;
    if (pacing.MouseSteering && !figure::SpanPassed(now, pacing.LastMouseTick, figure::MouseHoldMs))
        return Tick(pacing.LastMouseTick + figure::MouseHoldMs) - now + 1;
    return 0;
}

std::uint32_t FrameWaitMs(const PacingState& pacing, Tick now)
{
    if (now != pacing.LastFrameTick) return IdleWaitMs(pacing, now);
    // The frame of this millisecond is made: the next one waits for the due
    // tick, and at least for the next millisecond.
    Tick next = DueTick(pacing);
    if (next == now) ++next;
    return next - now;
}

}  // namespace pace
