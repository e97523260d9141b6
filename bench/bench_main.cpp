// Benchmarks of the figure's per-frame work, against the memory traffic one
// frame cannot avoid: the two stage-sized one-bit windows it reads (the
// pattern under the image and under the second copy) and the one it writes,
// copied with memcpy, at four stage sizes. Then the widening of a frame to
// 32-bit pixels on each path this processor runs, at 1920 x 1080 (scale 1)
// and 3840 x 2160 (scale 2), against memcpy of the same output bytes. Prints
// the ratios to the references at the end, and the pattern's build times.
//
//   build/linux/bench/vidider_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "figure/motion.h"
#include "figure/redraw.h"
#include "saver/widen.h"

namespace {

struct NoClock : figure::Clock {
    figure::Tick Ticks() const override { return 1000000; }
};

// The stages measured: the classic one, then 1080p, 1440p and 2160p.
const std::vector<std::vector<std::int64_t>> kStages = {{1024, 768}, {1920, 1080}, {2560, 1440}, {3840, 2160}};

figure::FigureState Built(int width = 1024, int height = 768)
{
    figure::FigureState figure;
    figure.Panel1.Width = width;
    figure.Panel1.Height = height;
    figure::CreateSurfaces(figure);
    figure::BmpInit(figure, 2);
    return figure;
}

// Placements of the two copies spread over the whole range of the
// placement's clamps: Left and SecondX in -W - 76 .. -76, the tops in
// -H - 82 .. -82.
std::vector<std::array<int, 4>> Placements(int width, int height)
{
    std::vector<std::array<int, 4>> placements;
    figure::Random random(99);
    const auto w = std::uint32_t(width + 1), h = std::uint32_t(height + 1);
    for (int i = 0; i < 64; ++i)
        placements.push_back({-width - 76 + random(w), -height - 82 + random(h), -width - 76 + random(w),
                              -height - 82 + random(h)});
    return placements;
}

// Frames at placements spread over the whole range, with or without the title.
void ReDrawFrames(benchmark::State& state, const figure::Surface* title, const figure::Clock& clock)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    figure::FigureState figure = Built(width, height);
    auto placements = Placements(width, height);
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
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 3 * (width / 8) * height);
}

void BM_ReDraw(benchmark::State& state) { ReDrawFrames(state, nullptr, NoClock()); }
BENCHMARK(BM_ReDraw)->Args({1024, 768})->Args({1920, 1080})->Args({2560, 1440})->Args({3840, 2160});

void BM_ReDrawWithTitle(benchmark::State& state)
{
    struct TitleTime : figure::Clock {
        figure::Tick Ticks() const override { return 10; }
    };
    figure::Surface title(320, 240);
    ReDrawFrames(state, &title, TitleTime());
}
BENCHMARK(BM_ReDrawWithTitle)->Args({1024, 768});

// The same bytes as a frame: the pattern's window under the image and the
// second copy's window (in the shifted copy ReDraw would read) copied in turn
// onto the frame's window.
void BM_MemcpyReference(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1)), bytes = width / 8;
    figure::FigureState figure = Built(width, height);
    NoClock clock;
    figure::ReDraw(figure, nullptr, clock, 0);  // the shifted copies exist from the first frame on
    auto placements = Placements(width, height);
    const figure::Surface& pattern = figure.Pattern->PatternBitmap;
    figure::Surface& frame = figure.FrameBitmap;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = placements[i++ % placements.size()];
        const int dx = -p[0], dy = -p[1], sx = -p[2], sy = -p[3], k = (sx - dx) & 7;
        const figure::Surface& second = k == 0 ? pattern : figure.Pattern->PatternShifts[std::size_t(k - 1)];
        for (int row = 0; row < height; ++row) {
            std::uint8_t* to = frame.Row(dy + row) + dx / 8;
            std::memcpy(to, pattern.Row(dy + row) + dx / 8, std::size_t(bytes));
            std::memcpy(to, second.Row(sy + row) + (sx - k) / 8, std::size_t(bytes));
        }
        benchmark::DoNotOptimize(frame.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 3 * bytes * height);
}
BENCHMARK(BM_MemcpyReference)->Args({1024, 768})->Args({1920, 1080})->Args({2560, 1440})->Args({3840, 2160});

void BM_PatternBuild(benchmark::State& state)
{
    figure::FigureState figure;
    figure.Panel1.Width = int(state.range(0));
    figure.Panel1.Height = int(state.range(1));
    figure::CreateSurfaces(figure);
    for (auto _ : state) {
        figure::BmpInit(figure, 2);
        benchmark::DoNotOptimize(figure.Pattern->PatternBitmap.Bits());
    }
    state.SetLabel("BmpInit(2): CLEAR and both ring sets");
}
BENCHMARK(BM_PatternBuild)->Args({1024, 768})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// The first frame after a build also shifts the new pattern seven ways.
void BM_FirstFrameAfterBuild(benchmark::State& state)
{
    figure::FigureState figure;
    figure.Panel1.Width = int(state.range(0));
    figure.Panel1.Height = int(state.range(1));
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
BENCHMARK(BM_FirstFrameAfterBuild)->Args({1024, 768})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

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

// A window's frame of `width` x `height` screen pixels at `scale` over a
// random picture, and its output: 32-bit pixels in rows of the window's
// width, page-aligned as shared memory and DIB sections are.
struct WidenScene {
    figure::Surface picture;
    saver::WindowFrame frame;
    std::vector<std::uint8_t> storage;
    std::uint8_t* out;
    std::ptrdiff_t stride;

    WidenScene(int width, int height, int scale)
        : picture(width / scale + 64, height / scale + 1), stride(std::ptrdiff_t(width) * 4)
    {
        figure::Random random(5);
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) picture.SetWhite(x, y, random(2) != 0);
        frame.Covered = {0, 0, width, height};
        frame.Picture = picture.Row(0);
        frame.Stride = picture.Stride();
        frame.FirstColumn = 37;  // the picture's columns start mid-byte
        frame.Scale = scale;
        storage.resize(std::size_t(stride) * std::size_t(height) + 4096);
        const auto at = reinterpret_cast<std::uintptr_t>(storage.data());
        out = storage.data() + ((4096 - at % 4096) % 4096);
    }
    std::size_t Bytes() const { return std::size_t(stride) * std::size_t(frame.Height()); }
};

const std::vector<std::vector<std::int64_t>> kWidenFrames = {{1920, 1080, 1}, {3840, 2160, 2}};

void WidenFrames(benchmark::State& state, saver::WideningPath path)
{
    if (!saver::ProcessorRuns(path)) {
        state.SkipWithError("this processor does not run the path");
        return;
    }
    WidenScene scene(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    const saver::PixelWidener widener(0xFF000000u, 0xFFFFFFFFu, scene.frame.Scale, path);
    for (auto _ : state) {
        saver::WidenFrame(scene.frame, scene.out, scene.stride, widener);
        benchmark::DoNotOptimize(scene.out);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(scene.Bytes()));
}

void BM_WidenFramePlain(benchmark::State& state) { WidenFrames(state, saver::WideningPath::Plain); }
void BM_WidenFrameSse2(benchmark::State& state) { WidenFrames(state, saver::WideningPath::Sse2); }
void BM_WidenFrameAvx2(benchmark::State& state) { WidenFrames(state, saver::WideningPath::Avx2); }
BENCHMARK(BM_WidenFramePlain)->ArgsProduct({{1920}, {1080}, {1}})->ArgsProduct({{3840}, {2160}, {2}});
BENCHMARK(BM_WidenFrameSse2)->ArgsProduct({{1920}, {1080}, {1}})->ArgsProduct({{3840}, {2160}, {2}});
BENCHMARK(BM_WidenFrameAvx2)->ArgsProduct({{1920}, {1080}, {1}})->ArgsProduct({{3840}, {2160}, {2}});

// The same output bytes copied with memcpy from a prepared frame: what
// moving the frame's bytes through memory costs.
void BM_WidenMemcpyReference(benchmark::State& state)
{
    WidenScene scene(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    const std::vector<std::uint8_t> prepared(scene.Bytes(), 0x5A);
    for (auto _ : state) {
        std::memcpy(scene.out, prepared.data(), prepared.size());
        benchmark::DoNotOptimize(scene.out);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(scene.Bytes()));
}
BENCHMARK(BM_WidenMemcpyReference)->ArgsProduct({{1920}, {1080}, {1}})->ArgsProduct({{3840}, {2160}, {2}});

// Keeps each benchmark's time per iteration for the summary: the median of
// its repetitions where it was repeated (--benchmark_repetitions).
class Summary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const double scale = run.time_unit == benchmark::kMillisecond ? 1e6 : 1.0;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !medians_.count(name))
                nanoseconds[name] = run.GetAdjustedRealTime() * scale;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                nanoseconds[name] = run.GetAdjustedRealTime() * scale;
                medians_.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;

private:
    std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    auto& ns = summary.nanoseconds;
    std::printf("\ncores: %u\n", std::thread::hardware_concurrency());
    for (const auto& stage : kStages) {
        const std::string size = "/" + std::to_string(stage[0]) + "/" + std::to_string(stage[1]);
        const std::string redraw = "BM_ReDraw" + size, reference = "BM_MemcpyReference" + size;
        if (ns.count(redraw) && ns.count(reference))
            std::printf("ReDraw / memcpy reference at %lld x %lld: %.1f us / %.1f us = %.2f (goal: 2 or less)\n",
                        static_cast<long long>(stage[0]), static_cast<long long>(stage[1]), ns[redraw] / 1e3,
                        ns[reference] / 1e3, ns[redraw] / ns[reference]);
    }
    for (const auto& f : kWidenFrames) {
        const std::string size = "/" + std::to_string(f[0]) + "/" + std::to_string(f[1]) + "/" + std::to_string(f[2]);
        const std::string reference = "BM_WidenMemcpyReference" + size;
        if (!ns.count(reference)) continue;
        for (const char* path : {"Plain", "Sse2", "Avx2"}) {
            const std::string widen = std::string("BM_WidenFrame") + path + size;
            if (ns.count(widen))
                std::printf("WidenFrame %s / memcpy reference at %lld x %lld, scale %lld: %.1f us / %.1f us = %.2f\n",
                            path, static_cast<long long>(f[0]), static_cast<long long>(f[1]),
                            static_cast<long long>(f[2]), ns[widen] / 1e3, ns[reference] / 1e3,
                            ns[widen] / ns[reference]);
        }
    }
    if (ns.count("BM_PatternBuild/1024/768"))
        std::printf("pattern build at 1024 x 768: %.2f ms (goal: under 5 ms)\n", ns["BM_PatternBuild/1024/768"] / 1e6);
    if (ns.count("BM_PatternBuild/3840/2160"))
        std::printf("pattern build at 3840 x 2160: %.2f ms (goal: under 50 ms)\n", ns["BM_PatternBuild/3840/2160"] / 1e6);
    benchmark::Shutdown();
    return 0;
}
