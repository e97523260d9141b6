#include "tools/simulation.h"

#include <stdexcept>

namespace sim {

Simulation::Simulation(std::uint32_t seed, const figure::Surface* title, figure::StageSize stage)
{
    platform_.Now = kStartTick;
    platform_.Screen = {stage.Width, stage.Height};
    form_ = std::make_unique<saver::TForm1>(platform_, platform_, 0, title);
    form_->Screen.Mode = saver::StageMode::Fill;
    form_->FormCreate();
    form_->FormActivate();
    form_->Random.SetSeed(seed);
}

std::string Simulation::TraceStep(std::uint64_t k)
{
    saver::TForm1& f = *form_;
    f.AutoMove();
    const figure::Placement& p = f.Placement;
    std::string line = std::to_string(k);
    for (std::int32_t value : {f.Motion.MoveState, p.Centre1X, p.Centre1Y, p.Centre2X, p.Centre2Y,
                               f.Figure.Image1.Left, f.Figure.Image1.Top, f.Figure.SecondX, f.Figure.SecondY}) {
        line += ' ';
        line += std::to_string(value);
    }
    return line;
}

void Simulation::PacedFrame(std::uint64_t k)
{
    figure::Tick now = figure::Tick(kStartTick + (k - 1) * form_->Pacing.SleepTime);
    platform_.Now = now;
    bool done = true;
    form_->AnimeLoop(done);
    if (form_->Pacing.LastFrameTick != now) throw std::logic_error("the frame clock let no frame through");
}

void Simulation::ShownPanel(figure::Surface& panel) const { figure::CopyShownWindow(form_->Figure, panel); }

}  // namespace sim
