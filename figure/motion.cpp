#include "figure/motion.h"

#include "figure/integer_text.h"
#include "figure/rounding.h"
#include "figure/trig.h"

namespace figure {
namespace {

// The long double nearest pi; the double M_PI widened would move some orbit
// points by a pixel.
constexpr long double kPi = 3.14159265358979323846264338327950288L;

std::int32_t Narrow(std::int64_t value) { return static_cast<std::int32_t>(value); }

// One step of motion: every state reads and writes the same few values.
class Step {
public:
    Step(MotionState& m, MotionControls& c, Placement& p, const FigureState& f, Random& r)
        : m_(m), c_(c), p_(p), ox_(f.OriginX), oy_(f.OriginY), random_(r)
    {
    }

    void Run()
    {
        switch (m_.MoveState) {
        case kApproach: Approach(); break;
        case kDrift: Drift(); break;
        case kSwap: Swap(); break;
        case kSweepOut: SweepOut(); break;
        case kSweepBack: SweepBack(); break;
        case kOrbitEntry: OrbitEntry(); break;
        case kOrbit: Orbit(); break;
        default: break;
        }
    }

private:
    std::int32_t Draw(std::uint32_t n) { return random_(n); }

    // Centre 2 moves LegStep / LegSteps of the way from the start to the
    // target, the quotient formed first; true when the glide is done. The
    // last step stops one step short of the target.
    bool Glide()
    {
        if (m_.LegSteps < 1) m_.LegSteps = 1;
        long double steps = m_.LegSteps, step = m_.LegStep;
        p_.Centre2X = Narrow(m_.LegStartX + std::int64_t(Round((std::int64_t(m_.LegTargetX) - m_.LegStartX) / steps * step)));
        p_.Centre2Y = Narrow(m_.LegStartY + std::int64_t(Round((std::int64_t(m_.LegTargetY) - m_.LegStartY) / steps * step)));
        ++m_.LegStep;
        return m_.LegStep >= m_.LegSteps;
    }

    void StartLeg(std::int32_t targetX, std::int32_t targetY, std::int32_t steps)
    {
        m_.LegStartX = p_.Centre2X;
        m_.LegStartY = p_.Centre2Y;
        m_.LegTargetX = targetX;
        m_.LegTargetY = targetY;
        m_.LegSteps = steps;
        m_.LegStep = 0;
    }

    void BackToApproach()
    {
        m_.MoveState = kApproach;
        m_.NewLeg = true;
    }

    bool WithinBox(bool closed) const
    {
        std::int64_t dx = std::int64_t(p_.Centre2X) - ox_, dy = std::int64_t(p_.Centre2Y) - oy_;
        return closed ? (dx >= -50 && dx <= 50 && dy >= -50 && dy <= 50)
                      : (dx > -50 && dx < 50 && dy > -50 && dy < 50);
    }

    void Approach()
    {
        if (m_.NewLeg) {
            if (WithinBox(false)) {
                m_.MoveState = kDrift;  // NewLeg stays set
            } else {
                m_.LegStartX = p_.Centre2X;
                m_.LegStartY = p_.Centre2Y;
                m_.LegTargetX = ox_ - 50 + Draw(100);
                m_.LegTargetY = oy_ - 50 + Draw(100);
                m_.LegSteps = 20 + Draw(20);
                m_.LegStep = 0;
                m_.NewLeg = false;
            }
        }
        if (!m_.NewLeg) {
            bool done = Glide();
            if (WithinBox(true) || done) m_.MoveState = kDrift;
        }
        if (m_.MoveState == kDrift) {
            // Launch the drift: a nudge of 2 or 3 px and a velocity of 4 to 7
            // px a frame toward the origin on each axis, x first.
            Launch(p_.Centre2X, ox_, c_.Edit_MoveX);
            Launch(p_.Centre2Y, oy_, c_.Edit_MoveY);
        }
    }

    void Launch(std::int32_t& centre, std::int32_t origin, TEdit& velocity)
    {
        if (centre > origin) {
            centre = Narrow(std::int64_t(centre) - 2 - Draw(2));
            velocity.Text = IntToStr(-4 - Draw(4));
        } else {
            centre = Narrow(std::int64_t(centre) + 2 + Draw(2));
            velocity.Text = IntToStr(4 + Draw(4));
        }
    }

    void Drift()
    {
        m_.BounceHit = 0;
        if (std::int64_t(p_.Centre2X) <= std::int64_t(ox_) - 200) Turn(c_.Edit_MoveX, 4 + Draw(4));
        if (std::int64_t(p_.Centre2X) >= std::int64_t(ox_) + 200) Turn(c_.Edit_MoveX, -4 - Draw(4));
        if (std::int64_t(p_.Centre2Y) <= std::int64_t(oy_) - 200) Turn(c_.Edit_MoveY, 4 + Draw(4));
        if (std::int64_t(p_.Centre2Y) >= std::int64_t(oy_) + 200) Turn(c_.Edit_MoveY, -4 - Draw(4));
        if (m_.BounceHit == 1) ChooseAfterTurn();
        Revive(c_.Edit_MoveX);
        Revive(c_.Edit_MoveY);
        p_.Centre2X = Narrow(std::int64_t(p_.Centre2X) + StrToInt(c_.Edit_MoveX.Text));
        p_.Centre2Y = Narrow(std::int64_t(p_.Centre2Y) + StrToInt(c_.Edit_MoveY.Text));
    }

    void Turn(TEdit& velocity, std::int32_t value)
    {
        m_.BounceHit = 1;
        velocity.Text = IntToStr(value);
    }

    // At a turn the drift may give way to a swap (12 in 100), a sweep
    // (7 in 100) or an orbit (20 in 100).
    void ChooseAfterTurn()
    {
        std::int32_t r = Draw(100);
        if (r >= 1 && r <= 12) {
            m_.MoveState = kSwap;
            m_.LegSteps = 60 + Draw(45);
            m_.LegTargetX = p_.Centre1X;
            m_.LegTargetY = p_.Centre1Y;
            m_.LegStartX = p_.Centre2X;
            m_.LegStartY = p_.Centre2Y;
            m_.LegStep = 0;
        } else if (r >= 21 && r <= 27) {
            m_.MoveState = kSweepOut;
            m_.LegSteps = 35 + Draw(15);
            m_.LegStartX = p_.Centre2X;
            m_.LegStartY = p_.Centre2Y;
            if (Draw(2) == 0) {
                m_.LegTargetX = p_.Centre2X <= ox_ ? ox_ + 100 + Draw(160) : ox_ - 100 - Draw(160);
                m_.LegTargetY = oy_;
                m_.SweepVertical = 0;
            } else {
                m_.LegTargetY = p_.Centre2Y <= oy_ ? oy_ + 100 + Draw(160) : oy_ - 100 - Draw(160);
                m_.LegTargetX = ox_;
                m_.SweepVertical = 1;
            }
            m_.LegStep = 0;
        } else if (r >= 31 && r <= 50) {
            m_.MoveState = kOrbitEntry;
            m_.LegSteps = 20 + Draw(15);
            m_.OrbitRadius = Draw(2) == 0 ? 1 + Draw(30) : 30 + Draw(70);
            StartLeg(ox_ + m_.OrbitRadius, oy_, m_.LegSteps);
        }
    }

    // A velocity of 0 or 1 picks up to +3..+6, and one of -1 to -6..-3, with
    // chance 1 in 50 a frame.
    void Revive(TEdit& velocity)
    {
        std::int32_t v = StrToInt(velocity.Text);
        if (v == 0 || v == 1) {
            if (Draw(50) == 0) velocity.Text = IntToStr(3 + Draw(4));
        } else if (v == -1) {
            if (Draw(50) == 0) velocity.Text = IntToStr(-3 - Draw(4));
        }
    }

    void Swap()
    {
        if (Glide()) BackToApproach();
    }

    void SweepOut()
    {
        if (!Glide()) return;
        m_.MoveState = kSweepBack;
        if (m_.SweepVertical == 0) {
            m_.SweepIncreasing = p_.Centre2X <= ox_ ? 1 : 0;
            p_.Centre2Y = m_.LegTargetY;
        } else {
            m_.SweepIncreasing = p_.Centre2Y <= oy_ ? 1 : 0;
            p_.Centre2X = m_.LegTargetX;
        }
    }

    void SweepBack()
    {
        bool horizontal = m_.SweepVertical == 0;
        std::int32_t& centre = horizontal ? p_.Centre2X : p_.Centre2Y;
        std::int64_t origin = horizontal ? ox_ : oy_;
        std::int64_t target = horizontal ? m_.LegTargetX : m_.LegTargetY;
        std::int64_t speed = horizontal ? 5 : 3, band = horizontal ? 400 : 350;
        centre = Narrow(centre + (m_.SweepIncreasing == 1 ? speed : -speed));
        // The mirror test is exact: it ends the sweep only when the distance
        // is a multiple of the speed; otherwise the centre runs on to the band.
        if (centre == origin - (target - origin) || centre <= origin - band || centre >= origin + band)
            BackToApproach();
    }

    void OrbitEntry()
    {
        if (!Glide()) return;
        m_.MoveState = kOrbit;
        p_.Centre2X = m_.LegTargetX;
        p_.Centre2Y = m_.LegTargetY;
        m_.OrbitStep = 0;
        std::int32_t radius = m_.OrbitRadius;
        m_.OrbitStepsPerTurn = radius < 15 ? 20 : radius < 25 ? 30 : radius < 50 ? 40 : 50;
        m_.OrbitTurns = 0;
        m_.OrbitReverse = Draw(2);
    }

    void Orbit()
    {
        ++m_.OrbitStep;
        if (m_.OrbitStep >= std::int64_t(m_.OrbitStepsPerTurn) + 1) {
            m_.OrbitStep = 1;
            ++m_.OrbitTurns;
        }
        if (m_.OrbitStepsPerTurn == 0) m_.OrbitStepsPerTurn = 1;
        if (m_.OrbitStep == 0) m_.OrbitStep = 1;
        // Degrees, then radians, in this order; clockwise on the screen for
        // OrbitReverse 0, as y grows downward.
        long double turn = 360.0L / m_.OrbitStepsPerTurn * m_.OrbitStep;
        long double degrees = m_.OrbitReverse == 0 ? turn : 360.0L - turn;
        long double theta = degrees / 180.0L * kPi;
        p_.Centre2X = Narrow(std::int64_t(ox_) + Round(Cosine(theta) * m_.OrbitRadius));
        p_.Centre2Y = Narrow(std::int64_t(oy_) + Round(Sine(theta) * m_.OrbitRadius));
        if (m_.OrbitTurns >= 2 && Draw(9) == 0) BackToApproach();
    }

    MotionState& m_;
    MotionControls& c_;
    Placement& p_;
    std::int32_t ox_, oy_;
    Random& random_;
};

}  // namespace

void AutoMove(MotionState& motion, MotionControls& controls, Placement& placement, FigureState& figure,
              Random& random)
{
    if (controls.RadioButton2.Checked) {
        try {
            Step(motion, controls, placement, figure, random).Run();
        } catch (...) {
            PointMove(placement, figure);
            throw;
        }
        TaishoSet(placement, figure);
    }
    PointMove(placement, figure);
}

}  // namespace figure
