// The CPU of vidider on X11 against xscreensaver's own moire hack, moire2,
// and against the least a full-window hack can cost (vidider_x11_limit: one
// prepared frame put through shared memory per tick), on the same Xvfb in
// one run: each in a window of 1024 x 768, 1920 x 1080 and 2560 x 1440 at 50
// frames a second, the program and the X server together, over 10 s after
// the title, three rounds, each program in turn. vidider runs both ways of
// painting: 32-bit pixels widened in the program (VIDIDER_IMAGE=pixels) and
// one bit a pixel widened by the server (VIDIDER_IMAGE=bitmap).
//
// Then the cost of the enlargement: a 3840 x 2160 window at --scale 2
// against a 1920 x 1080 one at --scale 1 (the same 1920 x 1080 figure
// pixels); and the memory of vidider in a 3840 x 2160 window at scale 1.
//
//   build/linux/bench/vidider_x11_cpu [SECONDS]
//   VIDIDER_HACK=PATH build/linux/bench/vidider_x11_cpu   (another build's hack, to set beside this one's)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/display.h"
#include "tests/e2e/process.h"

namespace {

struct Cost {
    double program = 0, server = 0;
    double Both() const { return program + server; }
};

struct Program {
    std::string name;
    std::vector<std::string> argv;
    std::vector<std::string> environment;
};

std::vector<std::string> Environment(const e2e::TestDisplay& d, const Program& p)
{
    std::vector<std::string> with = {"DISPLAY=" + d.Name()};
    with.insert(with.end(), p.environment.begin(), p.environment.end());
    return e2e::EnvironmentWith({"DISPLAY=", "VIDIDER_IMAGE="}, with);
}

// Runs the program on the display, lets it settle, and measures for
// `seconds`: percent of one core.
Cost Measure(e2e::TestDisplay& d, const Program& p, double seconds)
{
    pid_t pid = e2e::Spawn(p.argv, Environment(d, p));
    e2e::Sleep(5.0);  // past vidider's title
    const long p0 = e2e::CpuTicks(pid), s0 = e2e::CpuTicks(d.Server());
    const double start = e2e::Now();
    e2e::Sleep(seconds);
    const long p1 = e2e::CpuTicks(pid), s1 = e2e::CpuTicks(d.Server());
    const double elapsed = e2e::Now() - start;
    e2e::Kill(pid);
    if (p0 < 0 || p1 < 0) {
        std::fprintf(stderr, "%s ended early\n", p.argv[0].c_str());
        return {};
    }
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    return {100.0 * double(p1 - p0) * tick / elapsed, 100.0 * double(s1 - s0) * tick / elapsed};
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Three rounds of the programs in turn; each program's costs, by round.
std::vector<std::vector<Cost>> Rounds(e2e::TestDisplay& d, const std::vector<Program>& programs, double seconds)
{
    std::vector<std::vector<Cost>> costs(programs.size());
    for (int round = 1; round <= 3; ++round) {
        std::printf("  round %d:", round);
        for (std::size_t i = 0; i < programs.size(); ++i) {
            costs[i].push_back(Measure(d, programs[i], seconds));
            const Cost& c = costs[i].back();
            std::printf("  %s %.1f + %.1f = %.1f", programs[i].name.c_str(), c.program, c.server, c.Both());
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    return costs;
}

// The median, over the rounds, of a's cost over b's in the same round.
double MedianRatio(const std::vector<Cost>& a, const std::vector<Cost>& b)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (b[i].Both() > 0) ratios.push_back(a[i].Both() / b[i].Both());
    return Median(ratios);
}

Program Vidider(const std::string& name, const std::string& geometry, const char* image,
                const std::vector<std::string>& more = {})
{
    const char* other = std::getenv("VIDIDER_HACK");
    Program p{name, {other != nullptr && *other != '\0' ? other : VIDIDER_PATH, "--window", "--geometry", geometry,
                     "--delay", "20000"},
              {std::string("VIDIDER_IMAGE=") + image}};
    p.argv.insert(p.argv.end(), more.begin(), more.end());
    return p;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string moire2 = "/usr/libexec/xscreensaver/moire2";
    if (::access(moire2.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "%s is missing: install xscreensaver-data-extra (tools/deps.sh test does)\n", moire2.c_str());
        return 1;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    e2e::TestDisplay d(e2e::TestDisplay::Screens::One, "3840x2160");
    // Three rounds, the programs one after the other in each: the machine's
    // other work shows in all alike, and the median ratio stands for the run.
    std::printf("CPU over %.0f s at --delay 20000, in %% of one core (program + Xvfb), on Xvfb %s (3840 x 2160 x 24):\n",
                seconds, d.Name().c_str());
    if (const char* other = std::getenv("VIDIDER_HACK")) std::printf("vidider: %s\n", other);
    for (auto [width, height] : {std::pair{1024, 768}, {1920, 1080}, {2560, 1440}}) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const std::string geometry = size + "+0+0";
        std::printf("%d x %d:\n", width, height);
        const std::vector<Program> programs = {
            Vidider("pixels", geometry, "pixels"),
            Vidider("bitmap", geometry, "bitmap"),
            {"moire2", {moire2, "-delay", "20000", "-geometry", geometry}, {}},
            {"limit", {LIMIT_PATH, std::to_string(width), std::to_string(height), "20000"}, {}},
        };
        const auto costs = Rounds(d, programs, seconds);
        std::printf("  median vidider / moire2: pixels %.2f, bitmap %.2f (goal: 0.8 or less); "
                    "vidider / limit: pixels %.2f, bitmap %.2f\n",
                    MedianRatio(costs[0], costs[2]), MedianRatio(costs[1], costs[2]), MedianRatio(costs[0], costs[3]),
                    MedianRatio(costs[1], costs[3]));
    }

    // The enlargement: the same figure pixels, once as they are and once as
    // 2 x 2 blocks, each way of painting; and, for the screen's own share,
    // scale 1 in the same 3840 x 2160 window (four times the figure pixels).
    std::printf("scale 2 in 3840 x 2160 against scale 1 in 1920 x 1080 (1920 x 1080 figure pixels both), and "
                "scale 1 in 3840 x 2160:\n");
    const std::vector<Program> scaled = {
        Vidider("s1-1080-pixels", "1920x1080+0+0", "pixels", {"--scale", "1"}),
        Vidider("s2-2160-pixels", "3840x2160+0+0", "pixels", {"--scale", "2"}),
        Vidider("s1-2160-pixels", "3840x2160+0+0", "pixels", {"--scale", "1"}),
        Vidider("s1-1080-bitmap", "1920x1080+0+0", "bitmap", {"--scale", "1"}),
        Vidider("s2-2160-bitmap", "3840x2160+0+0", "bitmap", {"--scale", "2"}),
    };
    const auto costs = Rounds(d, scaled, seconds);
    std::printf("  median scale 2 in 3840 x 2160 / scale 1 in 1920 x 1080: pixels %.2f, bitmap %.2f; "
                "/ scale 1 in 3840 x 2160: pixels %.2f\n",
                MedianRatio(costs[1], costs[0]), MedianRatio(costs[4], costs[3]), MedianRatio(costs[1], costs[2]));

    // Memory: resident now and at its peak, 10 s after the start.
    std::printf("memory of vidider in a 3840 x 2160 window at scale 1, 10 s after the start:\n");
    for (const char* image : {"pixels", "bitmap"}) {
        const Program p = Vidider(image, "3840x2160+0+0", image, {"--scale", "1"});
        pid_t pid = e2e::Spawn(p.argv, Environment(d, p));
        e2e::Sleep(10.0);
        const long resident = e2e::StatusKb(pid, "VmRSS"), peak = e2e::StatusKb(pid, "VmHWM");
        e2e::Kill(pid);
        std::printf("  %s: resident %.1f MiB, peak %.1f MiB (goal: under 128 MB)\n", image, resident / 1024.0,
                    peak / 1024.0);
    }
    return 0;
}
