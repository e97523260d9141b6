// Benchmarks of the figure's per-frame work, against the memory traffic one
// frame cannot avoid: the two 1024 x 768 one-bit windows it reads (the
// pattern under the image and under the second copy) and the one it writes,
// copied with memcpy. Prints the ratio ReDraw / reference at the end.
//
//   build/linux/bench/vidider_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "figure/motion.h"
#include "figure/redraw.h"

namespace {

struct NoClock : figure::Clock {
    figure::Tick Ticks() const override { return 1000000; }
};

figure::FigureState Built()
{
    figure::FigureState figure;
    figure::CreateSurfaces(figure);
    figure::BmpInit(figure, 2);
    return figure;
}

// Placements of the two copies spread over their whole range.
std::vector<std::array<int, 4>> Placements()
{
    std::vector<std::array<int, 4>> placements;
    figure::Random random(99);
    for (int i = 0; i < 64; ++i)
        placements.push_back({-1100 + random(1025), -850 + random(769), -1100 + random(1025), -850 + random(769)});
    return placements;
}

// Frames at placements spread over the whole range, with or without the title.
void ReDrawFrames(benchmark::State& state, const figure::Surface* title, const figure::Clock& clock)
{
    figure::FigureState figure = Built();
    auto placements = Placements();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = placements[i++ % placements.size()];
        figure.Image1.Left = p[0];
        figure.Image1.Top = p[1];
        figure.SecondX = p[2];
        figure.SecondY = p[3];
        figure::ReDraw(figure, title, clock, 0);
        benchmark::DoNotOptimize(figure.FrameBitmap.Bits());
        benchmark::ClobberMemory();
    }
}

void BM_ReDraw(benchmark::State& state) { ReDrawFrames(state, nullptr, NoClock()); }
BENCHMARK(BM_ReDraw);

void BM_ReDrawWithTitle(benchmark::State& state)
{
    struct TitleTime : figure::Clock {
        figure::Tick Ticks() const override { return 10; }
    };
    figure::Surface title(320, 240);
    ReDrawFrames(state, &title, TitleTime());
}
BENCHMARK(BM_ReDrawWithTitle);

void BM_MemcpyReference(benchmark::State& state)
{
    figure::FigureState figure = Built();
    auto placements = Placements();
    std::vector<std::uint8_t> out(128 * 768);
    const figure::Surface& pattern = figure.PatternBitmap;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = placements[i++ % placements.size()];
        int ax = -p[0] / 8, ay = -p[1], bx = -p[2] / 8, by = -p[3];
        for (int row = 0; row < 768; ++row) {
            std::memcpy(out.data() + 128 * row, pattern.Row(ay + row) + ax, 128);
            std::memcpy(out.data() + 128 * row, pattern.Row(by + row) + bx, 128);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyReference);

void BM_PatternBuild(benchmark::State& state)
{
    figure::FigureState figure;
    figure::CreateSurfaces(figure);
    for (auto _ : state) {
        figure::BmpInit(figure, 2);
        benchmark::DoNotOptimize(figure.PatternBitmap.Bits());
    }
    state.SetLabel("BmpInit(2): CLEAR and 222 rings");
}
BENCHMARK(BM_PatternBuild)->Unit(benchmark::kMillisecond);

// The first frame after a build also shifts the new pattern seven ways.
void BM_FirstFrameAfterBuild(benchmark::State& state)
{
    figure::FigureState figure;
    figure::CreateSurfaces(figure);
    NoClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        figure::BmpInit(figure, 2);
        state.ResumeTiming();
        figure::ReDraw(figure, nullptr, clock, 0);
        benchmark::DoNotOptimize(figure.FrameBitmap.Bits());
    }
}
BENCHMARK(BM_FirstFrameAfterBuild)->Unit(benchmark::kMillisecond);

void BM_AutoMove(benchmark::State& state)
{
    figure::FigureState figure = Built();
    figure::MotionState motion;
    figure::MotionControls controls;
    figure::Placement placement;
    figure::Random random(7);
    for (auto _ : state) {
        figure::AutoMove(motion, controls, placement, figure, random);
        benchmark::DoNotOptimize(placement);
    }
}
BENCHMARK(BM_AutoMove);

// Keeps each benchmark's time per iteration for the summary.
class Summary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime() *
                                                    (run.time_unit == benchmark::kMillisecond ? 1e6 : 1.0);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    auto& ns = summary.nanoseconds;
    std::printf("\ncores: %u\n", std::thread::hardware_concurrency());
    if (ns.count("BM_ReDraw") && ns.count("BM_MemcpyReference"))
        std::printf("ReDraw / memcpy reference: %.2f (goal: 3 or less)\n", ns["BM_ReDraw"] / ns["BM_MemcpyReference"]);
    if (ns.count("BM_PatternBuild"))
        std::printf("pattern build: %.2f ms (goal: under 5 ms)\n", ns["BM_PatternBuild"] / 1e6);
    benchmark::Shutdown();
    return 0;
}
