#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pace/pacing.h"
#include "pace/steering.h"

namespace pace {
namespace {

struct TestClock : figure::Clock {
    mutable Tick now = 0;
    Tick step = 0;  // the clock moves on by this after each reading
    Tick Ticks() const override
    {
        Tick reading = now;
        now += step;
        return reading;
    }
};

PacingState Paced(Tick last, std::uint32_t sleep)
{
    PacingState p;
    p.LastFrameTick = last;
    p.SleepTime = sleep;
    return p;
}

TEST(FrameClock, LetsAFrameThroughAtTheDueTickAndNotOneMillisecondEarlier)
{
    PacingState p = Paced(1000, 20);
    EXPECT_EQ(AnimeLoopStep(p, 1019), IdleStep::NotDue);
    EXPECT_EQ(p.LastFrameTick, 1000u);
    EXPECT_EQ(AnimeLoopStep(p, 1020), IdleStep::Frame);
    EXPECT_EQ(p.LastFrameTick, 1020u);
    // Late frames are not made up: the interval runs from the last frame.
    EXPECT_EQ(AnimeLoopStep(p, 1075), IdleStep::Frame);
    EXPECT_EQ(AnimeLoopStep(p, 1094), IdleStep::NotDue);
}

TEST(FrameClock, AReadingEqualToTheLastFrameIsDueWhateverTheInterval)
{
    PacingState p = Paced(5000, 1000);
    EXPECT_EQ(AnimeLoopStep(p, 5000), IdleStep::Frame);
    EXPECT_EQ(AnimeLoopStep(p, 5000), IdleStep::Frame);
    EXPECT_EQ(AnimeLoopStep(p, 5001), IdleStep::NotDue);
}

TEST(FrameClock, IntervalZeroLetsEveryCallThrough)
{
    PacingState p = Paced(7, 0);
    for (Tick t : {7u, 8u, 8u, 9u, 4000000000u}) EXPECT_EQ(AnimeLoopStep(p, t), IdleStep::Frame);
}

TEST(FrameClock, TheFirstCallIsDueOnceTheClockReadsTheInterval)
{
    PacingState p;  // LastFrameTick 0, SleepTime 20
    EXPECT_EQ(AnimeLoopStep(p, 19), IdleStep::NotDue);
    EXPECT_EQ(AnimeLoopStep(p, 20), IdleStep::Frame);
}

TEST(FrameClock, AReadingBelowTheLastFrameAfterTheWrapIsDue)
{
    PacingState p = Paced(0xFFFFFFF0u, 20);
    EXPECT_EQ(AnimeLoopStep(p, 3), IdleStep::Frame);
    // When the due tick itself would wrap, it stays at the clock's last
    // reading: no burst of frames, and a frame at the end or after the wrap.
    p = Paced(0xFFFFFFF5u, 20);
    EXPECT_EQ(AnimeLoopStep(p, 0xFFFFFFF6u), IdleStep::NotDue);
    EXPECT_EQ(IdleWaitMs(p, 0xFFFFFFF6u), 9u);
    EXPECT_EQ(AnimeLoopStep(p, 0xFFFFFFFFu), IdleStep::Frame);
    p = Paced(0xFFFFFFF5u, 20);
    EXPECT_EQ(AnimeLoopStep(p, 4), IdleStep::Frame);
}

TEST(FrameClock, AHugeIntervalWaitsForTheClockInsteadOfMakingEveryCallDue)
{
    // A REG_DWORD 0xFFFFFFFF, or the text "2147483647", late in the clock's
    // life: the sum passes 2^32 - 1.
    for (std::uint32_t sleep : {0xFFFFFFFFu, 2147483647u, 4000000000u}) {
        PacingState p = Paced(3000000000u, sleep);
        int calls = 0;
        Tick now = 3000000001u;
        for (; calls < 100; ++calls) {
            if (AnimeLoopStep(p, now) == IdleStep::Frame) break;
            std::uint32_t wait = FrameWaitMs(p, now);
            ASSERT_GT(wait, 0u) << sleep;
            if (Tick(now + wait) < now) break;  // the wait reaches past the clock's end
            now += wait;
        }
        EXPECT_LE(calls, 1) << "the loop sleeps until the clock's last reading, " << sleep;
        EXPECT_EQ(now, 0xFFFFFFFFu) << sleep;
        EXPECT_EQ(p.LastFrameTick, 0xFFFFFFFFu) << "the frame comes at the last reading, " << sleep;
    }
    // Early in the clock's life the sum does not pass the end: the saver
    // shows its first frame and waits as long as it was told.
    PacingState p = Paced(1000, 0xFFFFFFFFu - 5000);
    EXPECT_EQ(AnimeLoopStep(p, 2000), IdleStep::NotDue);
    EXPECT_EQ(FrameWaitMs(p, 2000), 0xFFFFFFFFu - 5000 - 1000);
}

TEST(FrameWait, RightAfterAFrameWaitsTheWholeIntervalAndNoFrameRepeatsInItsMillisecond)
{
    // The due test lets a reading equal to the last frame through; the host
    // waits for the due tick all the same.
    PacingState p = Paced(5000, 20);
    EXPECT_EQ(FrameWaitMs(p, 5000), 20u);
    EXPECT_EQ(FrameWaitMs(p, 5013), 7u);
    EXPECT_EQ(FrameWaitMs(p, 5020), 0u);
    p.SleepTime = 0;  // as fast as it goes: one frame a millisecond
    EXPECT_EQ(FrameWaitMs(p, 5000), 1u);
    EXPECT_EQ(FrameWaitMs(p, 5001), 0u);
    // A loop that wakes exactly when told makes its frames exactly on the tick.
    p = Paced(0, 20);
    Tick now = 1000;
    std::vector<Tick> frames;
    for (int i = 0; i < 200; ++i) {
        if (AnimeLoopStep(p, now) == IdleStep::Frame) frames.push_back(now);
        now += FrameWaitMs(p, now);
    }
    ASSERT_GE(frames.size(), 100u);
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], 20u);
}

TEST(MouseHold, EndsOnlyAfterMoreThanFiveSecondsWithAFrameInThatCall)
{
    PacingState p = Paced(100, 20);
    p.MouseSteering = true;
    p.LastMouseTick = 10000;
    EXPECT_EQ(AnimeLoopStep(p, 15000), IdleStep::Steering);
    EXPECT_TRUE(p.MouseSteering);
    EXPECT_EQ(p.LastFrameTick, 100u);  // steering leaves it alone
    EXPECT_EQ(AnimeLoopStep(p, 15001), IdleStep::Frame);
    EXPECT_FALSE(p.MouseSteering);
    EXPECT_EQ(p.LastFrameTick, 15001u);
}

TEST(MouseHold, IsLookedAtOnlyWhenAFrameIsDue)
{
    PacingState p = Paced(15000, 20);
    p.MouseSteering = true;
    p.LastMouseTick = 10000;
    EXPECT_EQ(AnimeLoopStep(p, 15010), IdleStep::NotDue);
    EXPECT_TRUE(p.MouseSteering);
}

TEST(MouseHold, EndsAcrossTheClockWrapInsteadOfHoldingForever)
{
    // 0xFFFFEC77 + 5000 is 0xFFFFFFFF: no reading is ever greater.
    PacingState p = Paced(0xFFFFEC00u, 20);
    p.MouseSteering = true;
    p.LastMouseTick = 0xFFFFEC77u;
    EXPECT_EQ(AnimeLoopStep(p, 0xFFFFFFFFu), IdleStep::Steering);
    EXPECT_EQ(AnimeLoopStep(p, 2), IdleStep::Frame);
    EXPECT_FALSE(p.MouseSteering);
    // When the hold's end wraps, the hold ends early.
    p.MouseSteering = true;
    p.LastMouseTick = 0xFFFFFF00u;
    p.LastFrameTick = 0xFFFFFF00u;
    EXPECT_EQ(AnimeLoopStep(p, 0xFFFFFF20u), IdleStep::Frame);
    EXPECT_FALSE(p.MouseSteering);
}

TEST(IdleWait, SleepingThatLongSkipsNoFrameAPollingLoopWouldMake)
{
    // From any state, no reading before now + IdleWaitMs lets a frame through,
    // so a loop that sleeps that long makes its frames on the polling ticks.
    std::mt19937 generator(7);
    auto around = [&](Tick base, int spread) { return Tick(base + Tick(int(generator() % (2 * spread)) - spread)); };
    int waits = 0;
    for (int i = 0; i < 20000; ++i) {
        Tick base = i % 2 ? Tick(generator()) : Tick(0xFFFFFFFFu - generator() % 8000);
        PacingState p = Paced(around(base, 30), generator() % 3 == 0 ? 0 : generator() % 200);
        p.MouseSteering = generator() % 2;
        p.LastMouseTick = around(base, 6000);
        Tick now = around(base, 40);
        std::uint32_t wait = IdleWaitMs(p, now);
        ASSERT_LE(wait, 5001u);
        PacingState probe = p;
        if (AnimeLoopStep(probe, now) == IdleStep::Frame) {
            ASSERT_EQ(wait, 0u);
            continue;
        }
        ASSERT_GT(wait, 0u);
        ++waits;
        for (std::uint32_t t = 0; t < wait; t += 1 + wait / 64) {
            PacingState q = p;
            ASSERT_NE(AnimeLoopStep(q, now + t), IdleStep::Frame) << "wait " << wait << " t " << t;
        }
        PacingState q = p;
        ASSERT_NE(AnimeLoopStep(q, now + wait - 1), IdleStep::Frame);
    }
    EXPECT_GT(waits, 5000);
}

TEST(FrameClock, KeepsMakingFramesAndEndsSteeringAcrossTheWrap)
{
    // A loop that sleeps as IdleWaitMs says, over the clock's wrap, from
    // start ticks all around it; steering begins just before the wrap.
    for (int i = 0; i < 200; ++i) {
        Tick start = 0xFFFFC000u + Tick(i) * 97u;
        PacingState p = Paced(start, 20);
        p.MouseSteering = true;
        p.LastMouseTick = start;
        Tick now = start, lastFrame = start;
        int frames = 0;
        for (int calls = 0; calls < 2000 && frames < 300; ++calls) {
            if (AnimeLoopStep(p, now) == IdleStep::Frame) {
                ASSERT_LE(Tick(now - lastFrame), 5021u);
                lastFrame = now;
                ++frames;
            }
            now += std::max<std::uint32_t>(1, IdleWaitMs(p, now));
        }
        ASSERT_GE(frames, 300) << std::hex << start;
        ASSERT_FALSE(p.MouseSteering);
    }
}

TEST(Steering, IgnoresMovesDuringTheTitleTimeAndCountsOneAtItsEnd)
{
    SteeringState s;
    PacingState p;
    TestClock clock;
    clock.now = 50000 + 4499;
    EXPECT_EQ(CountMouseMove(s, p, clock, 50000), MoveVerdict::Ignored);
    EXPECT_EQ(s.MouseMoveCount, 0);
    EXPECT_EQ(p.LastMouseTick, 0u);
    clock.now = 50000 + 4500;
    EXPECT_EQ(CountMouseMove(s, p, clock, 50000), MoveVerdict::Counted);
    EXPECT_EQ(s.MouseMoveCount, 1);
    EXPECT_EQ(p.LastMouseTick, 54500u);
}

TEST(Steering, TheTwentiethMoveOfARunSteers)
{
    SteeringState s;
    PacingState p;
    TestClock clock;
    clock.now = 100000;
    for (int i = 1; i < 20; ++i) {
        EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Counted) << i;
        clock.now += 250;
    }
    EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Steer);
    EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Steer);
    EXPECT_EQ(s.MouseMoveCount, 21);
}

TEST(Steering, AGapOfFiveSecondsContinuesTheRunAndOneMoreBreaksIt)
{
    SteeringState s;
    PacingState p;
    TestClock clock;
    clock.now = 100000;
    for (int i = 0; i < 10; ++i) CountMouseMove(s, p, clock, 0);
    clock.now += 5000;
    CountMouseMove(s, p, clock, 0);
    EXPECT_EQ(s.MouseMoveCount, 11);
    clock.now += 5001;
    CountMouseMove(s, p, clock, 0);
    EXPECT_EQ(s.MouseMoveCount, 1);
}

TEST(Steering, AfterTheHoldEndsTheNextNineteenQuickMovesDoNotSteer)
{
    SteeringState s;
    PacingState p;
    TestClock clock;
    clock.now = 100000;
    for (int i = 0; i < 25; ++i) CountMouseMove(s, p, clock, 0);
    StampSteeredMove(p, clock);
    clock.now += 5001;
    EXPECT_EQ(AnimeLoopStep(p, clock.now), IdleStep::Frame);
    for (int i = 0; i < 19; ++i) EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Counted);
    EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Steer);
}

TEST(Steering, TheCountStartsAgainBeforeItWouldOverflow)
{
    SteeringState s;
    s.MouseMoveCount = 0x7FFFFFFE;
    PacingState p;
    p.LastMouseTick = 9000;
    TestClock clock;
    clock.now = 10000;
    EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Counted);
    EXPECT_EQ(s.MouseMoveCount, 0);
}

TEST(Steering, ReadsTheClockAfreshForTheGateTheRunAndTheStamp)
{
    SteeringState s;
    PacingState p;
    p.LastMouseTick = 100000;
    TestClock clock;
    clock.now = 105000;  // the run test reads 105001: the run is broken
    clock.step = 1;
    s.MouseMoveCount = 5;
    EXPECT_EQ(CountMouseMove(s, p, clock, 0), MoveVerdict::Counted);
    EXPECT_EQ(s.MouseMoveCount, 1);
    EXPECT_EQ(p.LastMouseTick, 105002u);
}

TEST(Steering, MovesAfterTheClockWrapsAreNotHeldBackByTheTitleTime)
{
    SteeringState s;
    PacingState p;
    TestClock clock;
    clock.now = 20000;  // activated 49 days before, just before the wrap
    EXPECT_EQ(CountMouseMove(s, p, clock, 0xFFFF0000u), MoveVerdict::Counted);
}

}  // namespace
}  // namespace pace
