// Millisecond ticks of the multimedia clock: unsigned 32 bits, wrapping about
// 49.7 days after the system starts. Sums of a tick and an interval wrap with
// the clock; the helpers below say how a span behaves across the wrap.
#pragma once

#include <cstdint>

namespace figure {

using Tick = std::uint32_t;

// How long the title lies over the stage after the first activation, and how
// long mouse steering outlives the last counted mouse move.
constexpr std::uint32_t TitleTimeMs = 4500;
constexpr std::uint32_t MouseHoldMs = 5000;

// The engine reads the time through this; hosts and tests provide it.
class Clock {
public:
    virtual Tick Ticks() const = 0;

protected:
    ~Clock() = default;
};

// `now` lies within the `span` milliseconds that begin at `start`:
// start <= now < start + span, the sum wrapping as the clock does. A reading
// below `start` means the clock has wrapped since: the span is over.
constexpr bool WithinSpan(Tick now, Tick start, std::uint32_t span)
{
    return now >= start && now < Tick(start + span);
}

// More than `span` milliseconds have passed since `start`: now > start + span,
// the sum wrapping as the clock does, or the clock has wrapped since `start`.
constexpr bool SpanPassed(Tick now, Tick start, std::uint32_t span)
{
    return now > Tick(start + span) || now < start;
}

}  // namespace figure
