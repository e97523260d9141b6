#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "figure/integer_text.h"
#include "figure/motion.h"
#include "figure/rounding.h"
#include "figure/trig.h"
#include "app/fpu.h"

namespace figure {
namespace {

constexpr int kOX = 512, kOY = 384;

// The motion with the standard build's origin on the 1024 x 768 stage.
struct Motion {
    FigureState figure;
    MotionState state;
    MotionControls controls;
    Placement placement;
    Random random;

    explicit Motion(std::uint32_t seed = 1) : random(seed)
    {
        figure.OriginX = kOX;
        figure.OriginY = kOY;
        figure.OriginLeft = -588;
        figure.OriginTop = -466;
    }
    void Step() { AutoMove(state, controls, placement, figure, random); }
    int VelocityX() const { return StrToInt(controls.Edit_MoveX.Text); }
    int VelocityY() const { return StrToInt(controls.Edit_MoveY.Text); }
};

TEST(Random, FollowsTheLinearCongruentialFormula)
{
    Random r(0);
    std::vector<int> draws;
    for (std::uint32_t n : {100u, 100u, 20u, 2u, 4u, 2u, 4u, 50u, 9u, 160u}) draws.push_back(r(n));
    EXPECT_EQ(draws, (std::vector<int>{0, 3, 17, 0, 1, 1, 1, 8, 3, 68}));
    EXPECT_EQ(r.Seed(), 1828254910u);
    Random top(4294967295u);
    EXPECT_EQ(top(2147483647u), 2080095741);
    EXPECT_EQ(top(1), 0);
    EXPECT_EQ(top(1000), 519);
    EXPECT_EQ(top.Seed(), 2231304098u);
}

TEST(Round, GoesToTheEvenNeighbourAtHalves)
{
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(3.5L), 4);
    EXPECT_EQ(Round(-2.5L), -2);
    EXPECT_EQ(Round(-3.5L), -4);
    EXPECT_EQ(Round(0.5L), 0);
    EXPECT_EQ(Round(-0.5L), 0);
    EXPECT_EQ(Round(0.50000000000000000005L), 1);
    EXPECT_EQ(Round(2.4999999999999999999L), 2);
    EXPECT_EQ(Round(-7.25L), -7);
    EXPECT_EQ(Round(1e30L), INT32_MAX);
    EXPECT_EQ(Round(-1e30L), INT32_MIN);
}

TEST(Glide, FormsTheQuotientFirstAndRoundsHalvesToEven)
{
    Motion m;
    m.state.MoveState = kSwap;
    m.state.LegStartX = 500;
    m.state.LegStartY = 300;
    m.state.LegTargetX = 505;
    m.state.LegTargetY = 300;
    m.state.LegSteps = 20;
    m.state.LegStep = 0;
    std::vector<int> offsets;
    for (int step = 0; step < 20; ++step) {
        m.Step();
        offsets.push_back(m.placement.Centre2X - 500);
    }
    EXPECT_EQ(std::vector<int>(offsets.begin(), offsets.begin() + 7), (std::vector<int>{0, 0, 0, 1, 1, 1, 2}));
    EXPECT_EQ(offsets[10], 2);   // 2.5 goes to 2
    EXPECT_EQ(offsets[19], 5);   // 4.75: one step short of the target rounds up here
    EXPECT_EQ(m.state.MoveState, kApproach);  // the swap is done after LegSteps frames
    EXPECT_TRUE(m.state.NewLeg);
}

TEST(Approach, FirstCallStartsALegFromTheStageCorner)
{
    Motion m(99);
    m.Step();
    EXPECT_EQ(m.state.MoveState, kApproach);
    EXPECT_FALSE(m.state.NewLeg);
    EXPECT_EQ(m.placement.Centre2X, 0);
    EXPECT_EQ(m.placement.Centre2Y, 0);
    EXPECT_EQ(m.placement.Centre1X, 1024);
    EXPECT_EQ(m.placement.Centre1Y, 768);
    EXPECT_GE(m.state.LegSteps, 20);
    EXPECT_LE(m.state.LegSteps, 39);
    EXPECT_GE(m.state.LegTargetX, kOX - 50);
    EXPECT_LE(m.state.LegTargetX, kOX + 49);
    EXPECT_GE(m.state.LegTargetY, kOY - 50);
    EXPECT_LE(m.state.LegTargetY, kOY + 49);
    EXPECT_EQ(m.figure.Image1.Left, 1024 - 1100);
    EXPECT_EQ(m.figure.SecondX, -1100);
}

TEST(Approach, ACentreOnTheBoxEdgeEndsItsLegInTheFirstFrame)
{
    Motion m(5);
    m.placement.Centre2X = kOX + 50;
    m.placement.Centre2Y = kOY - 20;
    m.Step();
    EXPECT_EQ(m.state.MoveState, kDrift);
    Random replay(5);
    for (int i = 0; i < 3 + 4; ++i) replay(2);  // the leg's three draws, the launch's four
    EXPECT_EQ(m.random.Seed(), replay.Seed());
    // Launched toward the origin: nudged 2 or 3 px, 4 to 7 px a frame.
    EXPECT_TRUE(m.placement.Centre2X == kOX + 48 || m.placement.Centre2X == kOX + 47);
    EXPECT_GE(m.VelocityX(), -7);
    EXPECT_LE(m.VelocityX(), -4);
    EXPECT_GE(m.VelocityY(), 4);
    EXPECT_LE(m.VelocityY(), 7);
}

TEST(Approach, ACentreStrictlyInsideTheBoxLaunchesTheDriftAtOnce)
{
    Motion m(5);
    m.placement.Centre2X = kOX + 49;
    m.placement.Centre2Y = kOY + 49;
    m.Step();
    EXPECT_EQ(m.state.MoveState, kDrift);
    EXPECT_TRUE(m.state.NewLeg);
    Random replay(5);
    for (int i = 0; i < 4; ++i) replay(2);
    EXPECT_EQ(m.random.Seed(), replay.Seed());
}

TEST(Drift, RevivesAStalledVelocityOnlyInItsOwnDirection)
{
    std::map<int, std::set<int>> revived;
    std::map<int, int> revivals, trials;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        for (int start : {0, 1, -1}) {
            Motion m(seed);
            m.state.MoveState = kDrift;
            m.placement.Centre2X = kOX;
            m.placement.Centre2Y = kOY;
            m.controls.Edit_MoveX.Text = IntToStr(start);
            m.controls.Edit_MoveY.Text = "5";
            m.Step();
            ++trials[start];
            if (m.VelocityX() != start) {
                ++revivals[start];
                revived[start].insert(m.VelocityX());
            }
        }
    }
    EXPECT_EQ(revived[0], (std::set<int>{3, 4, 5, 6}));
    EXPECT_EQ(revived[1], (std::set<int>{3, 4, 5, 6}));
    EXPECT_EQ(revived[-1], (std::set<int>{-6, -5, -4, -3}));
    for (int start : {0, 1, -1}) {
        EXPECT_GT(revivals[start], trials[start] / 50 / 2) << start;
        EXPECT_LT(revivals[start], trials[start] / 50 * 2) << start;
    }
}

TEST(Drift, BadVelocityTextIsAnErrorAfterWhichTheCopiesAreStillPlaced)
{
    Motion m;
    m.state.MoveState = kDrift;
    m.placement = {9999, 9999, 500, 300};
    m.controls.Edit_MoveX.Text = "fast";
    EXPECT_THROW(m.Step(), ConversionError);
    // The placement ran (clamping centre 1), the mirror did not (it would
    // have put centre 1 at 524).
    EXPECT_EQ(m.placement.Centre1X, 1024);
    EXPECT_EQ(m.placement.Centre2X, 500);
    EXPECT_EQ(m.figure.Image1.Left, 1024 - 1100);
    EXPECT_EQ(m.figure.SecondX, 500 - 1100);
}

TEST(AutoMove, WithTheModeSwitchOffOnlyPlaces)
{
    Motion m;
    m.controls.RadioButton2.Checked = false;
    m.placement = {-10, 30, 700, 900};
    m.Step();
    EXPECT_EQ(m.placement.Centre2X, 700);
    EXPECT_EQ(m.placement.Centre2Y, 768);
    EXPECT_EQ(m.placement.Centre1X, 0);
    EXPECT_EQ(m.random.Seed(), 1u);
}

TEST(SweepBack, EndsExactlyAtTheMirrorPointOrRunsOnToTheBand)
{
    auto run = [](int target, int& steps) {
        Motion m;
        m.state.MoveState = kSweepBack;
        m.state.SweepVertical = 0;
        m.state.SweepIncreasing = 0;
        m.state.LegTargetX = target;
        m.placement.Centre2X = target;
        m.placement.Centre2Y = kOY;
        for (steps = 1; steps < 1000; ++steps) {
            m.Step();
            if (m.state.MoveState == kApproach) break;
        }
        return m.placement.Centre2X;
    };
    int steps = 0;
    EXPECT_EQ(run(kOX + 100, steps), kOX - 100);
    EXPECT_EQ(steps, 40);
    EXPECT_EQ(run(kOX + 101, steps), kOX - 404);  // 202 is no multiple of 5
    EXPECT_EQ(steps, 101);
}

TEST(OrbitEntry, ChoosesTheTurnLengthFromTheRadius)
{
    for (auto [radius, perTurn] : {std::pair{1, 20}, {14, 20}, {15, 30}, {24, 30}, {25, 40}, {30, 40}, {49, 40},
                                   {50, 50}, {99, 50}}) {
        Motion m;
        m.state.MoveState = kOrbitEntry;
        m.state.OrbitRadius = radius;
        m.state.LegTargetX = kOX + radius;
        m.state.LegTargetY = kOY;
        m.state.LegSteps = 20;
        m.state.LegStep = 19;
        m.Step();
        EXPECT_EQ(m.state.MoveState, kOrbit);
        EXPECT_EQ(m.state.OrbitStepsPerTurn, perTurn) << radius;
        EXPECT_EQ(m.placement.Centre2X, kOX + radius);
        EXPECT_EQ(m.placement.Centre2Y, kOY);
    }
}

TEST(Orbit, TurnsClockwiseOnTheScreenAndDrawsOnlyFromTheThirdTurn)
{
    Motion m(77);
    m.state.MoveState = kOrbit;
    m.state.OrbitRadius = 40;
    m.state.OrbitStepsPerTurn = 40;
    m.state.OrbitStep = 0;
    m.state.OrbitTurns = 0;
    m.state.OrbitReverse = 0;
    m.Step();
    EXPECT_GT(m.placement.Centre2Y, kOY);  // y grows downward: clockwise
    for (int i = 2; i <= 80; ++i) m.Step();
    EXPECT_EQ(m.random.Seed(), 77u);  // no draw in the first two turns
    EXPECT_EQ(m.placement.Centre2X, kOX + 40);
    EXPECT_EQ(m.placement.Centre2Y, kOY);
    m.Step();  // first frame of the third turn
    EXPECT_NE(m.random.Seed(), 77u);
    Motion back(77);
    back.state = m.state;
    back.state.MoveState = kOrbit;
    back.state.OrbitStep = 0;
    back.state.OrbitReverse = 1;
    back.Step();
    EXPECT_LT(back.placement.Centre2Y, kOY);
}

TEST(Trig, IsCorrectlyRoundedAtEveryOrbitAngle)
{
    // The reference: 113-bit quad precision, rounded to long double. (The C
    // library's cosl is off by an ulp at seven of these angles.)
    const long double pi = 3.14159265358979323846264338327950288L;
    for (int perTurn : {20, 30, 40, 50}) {
        for (int step = 1; step <= perTurn; ++step) {
            long double turn = 360.0L / perTurn * step;
            for (long double degrees : {turn, 360.0L - turn}) {
                long double theta = degrees / 180.0L * pi;
                EXPECT_EQ(Cosine(theta), static_cast<long double>(cosq(theta))) << perTurn << " " << step;
                EXPECT_EQ(Sine(theta), static_cast<long double>(sinq(theta))) << perTurn << " " << step;
            }
        }
    }
}

TEST(Trig, IsWithinAnUlpOfTheTrueValueEverywhereOnACircle)
{
    // Measured against 113-bit arithmetic: the C libraries differ (MinGW's
    // cosl is the x87 fcos, thousands of ulps off near a quarter turn).
    std::mt19937_64 generator(3);
    std::uniform_real_distribution<double> angle(0.0, 6.3);
    for (int i = 0; i < 20000; ++i) {
        long double x = angle(generator) + std::ldexp(static_cast<long double>(generator() >> 11), -90);
        const long double cosine = static_cast<long double>(cosq(x)), sine = static_cast<long double>(sinq(x));
        for (auto [mine, theirs] : {std::pair{Cosine(x), cosine}, {Sine(x), sine}}) {
            long double magnitude = std::fabs(theirs);
            long double ulp = std::nextafter(magnitude, std::numeric_limits<long double>::infinity()) - magnitude;
            ASSERT_LE(std::fabs(mine - theirs), std::max(ulp, 1e-4000L)) << static_cast<double>(x);
        }
    }
}

// Long runs of many seeds: every state and transition is reached, and the
// durations, distances and velocities stay within their bounds.
TEST(AutoMove, LongRunsReachEveryStateWithinTheirBounds)
{
    const std::set<std::pair<int, int>> allowed = {{0, 1}, {1, 2}, {1, 3}, {1, 5}, {2, 0},
                                                   {3, 4}, {4, 0}, {5, 6}, {6, 0}};
    std::set<std::pair<int, int>> seen;
    std::map<int, int> minRun, maxRun, entries;
    std::set<int> radii;
    for (std::uint32_t seed = 0; seed < 40; ++seed) {
        Motion m(seed * 2654435761u);
        int state = m.state.MoveState, run = 0;
        bool firstRun = true;
        int perTurn = 0;
        for (int frame = 0; frame < 10000; ++frame) {
            int before = m.state.MoveState;
            m.Step();
            int after = m.state.MoveState;
            ASSERT_GE(m.VelocityX(), -7);
            ASSERT_LE(m.VelocityX(), 7);
            ASSERT_GE(m.VelocityY(), -7);
            ASSERT_LE(m.VelocityY(), 7);
            if (after == kDrift) {
                ASSERT_LE(std::abs(m.placement.Centre2X - kOX), 206) << "seed " << seed << " frame " << frame;
                ASSERT_LE(std::abs(m.placement.Centre2Y - kOY), 206) << "seed " << seed << " frame " << frame;
            }
            if (after == kOrbit) {
                double distance = std::hypot(m.placement.Centre2X - kOX, m.placement.Centre2Y - kOY);
                ASSERT_NEAR(distance, m.state.OrbitRadius, 1.0);
                radii.insert(m.state.OrbitRadius);
                perTurn = m.state.OrbitStepsPerTurn;
            }
            if (before != after) {
                ASSERT_TRUE(allowed.count({before, after})) << before << "->" << after;
                seen.insert({before, after});
            }
            if (after != state) {
                if (!firstRun) {
                    minRun[state] = minRun.count(state) ? std::min(minRun[state], run) : run;
                    maxRun[state] = std::max(maxRun[state], run);
                    ++entries[state];
                    if (state == kOrbit) {
                        ASSERT_GE(run, 2 * perTurn + 1);
                    }
                }
                firstRun = false;
                state = after;
                run = 0;
            }
            ++run;
        }
    }
    EXPECT_EQ(seen, allowed);
    // Frames a state lasts, counted as calls that end in it.
    EXPECT_LE(maxRun[kApproach], 39);
    EXPECT_GE(minRun[kSwap], 60);
    EXPECT_LE(maxRun[kSwap], 104);
    EXPECT_GE(minRun[kSweepOut], 35);
    EXPECT_LE(maxRun[kSweepOut], 49);
    EXPECT_GE(minRun[kOrbitEntry], 20);
    EXPECT_LE(maxRun[kOrbitEntry], 34);
    EXPECT_GE(minRun[kOrbit], 41);
    EXPECT_LE(maxRun[kSweepBack], 220);
    for (int s = 0; s <= 6; ++s) EXPECT_GT(entries[s], 20) << "state " << s;
    // The ranges are covered, not only respected.
    EXPECT_LE(minRun[kSwap], 63);
    EXPECT_GE(maxRun[kSwap], 101);
    EXPECT_LE(*radii.begin(), 3);
    EXPECT_GE(*radii.rbegin(), 96);
}

TEST(AutoMove, TheSameSeedGivesTheSameMotion)
{
    Motion a(424242), b(424242), c(424243);
    bool differs = false;
    for (int i = 0; i < 5000; ++i) {
        a.Step();
        b.Step();
        c.Step();
        ASSERT_EQ(a.placement.Centre2X, b.placement.Centre2X);
        ASSERT_EQ(a.placement.Centre2Y, b.placement.Centre2Y);
        differs = differs || a.placement.Centre2X != c.placement.Centre2X;
    }
    EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace figure

namespace figure {
namespace {

TEST(Motion, RunsWithTheFullLongDoubleSignificand)
{
    // A 53-bit rounding unit would change the orbit's products.
    app::UseExtendedPrecision();
    EXPECT_EQ(app::PrecisionControl(), 3u);
    volatile long double third = 1.0L / 3.0L;
    EXPECT_NE(static_cast<double>(third) - third, 0.0L);
}

}  // namespace
}  // namespace figure
