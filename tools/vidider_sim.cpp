// vidider-sim: the saver's figure without a screen.
//
//   vidider-sim trace  --seed S --frames N          the motion, one line a frame
//   vidider-sim pattern --out FILE                  the ring pattern as PBM
//   vidider-sim frames --seed S --frames N --out DIR  the stage of N paced frames
//   (each on a stage of --stage WxH figure pixels, 1024x768 unless given)
//
// Exit status: 0 done, 1 an output could not be written, 2 a usage error.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "figure/pattern.h"
#include "app/fpu.h"
#include "tools/pbm.h"
#include "tools/sim_options.h"
#include "tools/simulation.h"
#include "resources/title.h"

namespace {

figure::StageSize StageOf(const sim::SimOptions& options) { return options.Stage.value_or(figure::kClassicStage); }

int Trace(const sim::SimOptions& options)
{
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(*options.Seed, &title, StageOf(options));
    for (std::uint64_t k = 1; k <= *options.Frames; ++k) {
        std::string line = simulation.TraceStep(k);
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "vidider-sim: cannot write the trace\n");
        return 1;
    }
    return 0;
}

int Pattern(const sim::SimOptions& options)
{
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(0, &title, StageOf(options));
    sim::WritePbm(simulation.Form().Figure.Pattern->PatternBitmap, *options.Out);
    return 0;
}

int Frames(const sim::SimOptions& options)
{
    std::filesystem::path dir(*options.Out);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) throw std::runtime_error("cannot create the folder " + dir.string());
    figure::Surface title = vidider::LoadTitlePicture();
    const figure::StageSize stage = StageOf(options);
    sim::Simulation simulation(*options.Seed, &title, stage);
    figure::Surface panel(stage.Width, stage.Height);
    for (std::uint64_t k = 1; k <= *options.Frames; ++k) {
        simulation.PacedFrame(k);
        simulation.ShownPanel(panel);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06llu.pbm", static_cast<unsigned long long>(k));
        sim::WritePbm(panel, (dir / name).string());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    app::UseExtendedPrecision();
    try {
        sim::SimOptions options = sim::ParseSimArguments(std::vector<std::string>(argv + 1, argv + argc));
        switch (options.Run) {
        case sim::Command::Help:
            std::fputs(sim::kSimUsage, stdout);
            return 0;
        case sim::Command::Trace:
            return Trace(options);
        case sim::Command::Pattern:
            return Pattern(options);
        case sim::Command::Frames:
            return Frames(options);
        }
        return 2;
    } catch (const sim::UsageError& e) {
        std::fprintf(stderr, "vidider-sim: %s (see vidider-sim --help)\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidider-sim: %s\n", e.what());
        return 1;
    }
}
