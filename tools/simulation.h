// The saver without a screen: TForm1 on the simulated platform with a screen
// the size of the stage (1024 x 768 unless told), the stage filling it,
// started and activated as the desktop would, and driven frame by frame on a
// clock the simulation advances.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "figure/surface.h"
#include "platform/sim/sim_platform.h"
#include "saver/saver_window.h"

namespace sim {

class Simulation {
public:
    // The clock reads this when the saver starts and is activated.
    static constexpr figure::Tick kStartTick = 10000;

    // The saver right after its first activation, its generator seeded with
    // `seed`, on `stage` (one figure::IsValidStage takes).
    Simulation(std::uint32_t seed, const figure::Surface* title, figure::StageSize stage = figure::kClassicStage);

    // One call of AutoMove, and the state after it as a trace line:
    // "k MoveState Centre1X Centre1Y Centre2X Centre2Y Image1Left Image1Top SecondX SecondY".
    std::string TraceStep(std::uint64_t k);

    // The k-th paced frame (k from 1): the clock set to SleepTime after the
    // previous one (the first comes at activation), then the idle handler.
    void PacedFrame(std::uint64_t k);

    // The stage as it shows now.
    void ShownPanel(figure::Surface& panel) const;

    saver::TForm1& Form() { return *form_; }

private:
    platform::sim::SimPlatform platform_;
    std::unique_ptr<saver::TForm1> form_;
};

}  // namespace sim
