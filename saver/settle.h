// The wait after a window's resize or a display change before the stage is
// made anew: such changes come in runs (a drag, a display that changes in
// several steps), and one new stage after the last of them is enough.
#pragma once

#include <cstdint>

#include "figure/ticks.h"

namespace saver {

class SettleTimer {
public:
    // A change is settled this long after the last of its run.
    static constexpr std::uint32_t kSettleMs = 250;

    // Another change came at `now`.
    void Changed(figure::Tick now)
    {
        dueAt_ = now + kSettleMs;
        pending_ = true;
    }
    bool Pending() const { return pending_; }
    // Whether the run has settled by `now`; when it has, the timer is
    // cleared, and the caller makes the new stage.
    bool Settled(figure::Tick now)
    {
        if (!pending_ || figure::Tick(now - dueAt_) >= 0x80000000u) return false;
        pending_ = false;
        return true;
    }
    // Milliseconds from `now` until it settles; 0 when it has; none pending: 0xFFFFFFFF.
    std::uint32_t WaitMs(figure::Tick now) const
    {
        if (!pending_) return 0xFFFFFFFFu;
        const figure::Tick left = dueAt_ - now;
        return left >= 0x80000000u ? 0 : left;
    }

private:
    figure::Tick dueAt_ = 0;
    bool pending_ = false;
};

}  // namespace saver
