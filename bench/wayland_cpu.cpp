// The CPU of vidider-wayland under a headless sway against the X11 hack
// under Xvfb, in one run: each filling a 1920 x 1080 screen at 50 frames a
// second, the program and its compositor or server together, over 10 s after
// the title, three rounds, the programs in turn; and each against the least
// a full-screen client costs there (vidider_wayland_limit, vidider_x11_limit:
// one prepared frame a tick). In per mille of one core.
//
//   build/linux/bench/vidider_wayland_cpu [SECONDS]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/wayland/compositor.h"

namespace {

struct Cost {
    double program = 0, server = 0;  // per mille of one core
    double Both() const { return program + server; }
};

struct Program {
    std::string name;
    std::function<pid_t()> start;
    pid_t server;
};

Cost Measure(const Program& p, double seconds)
{
    const pid_t pid = p.start();
    e2e::Sleep(5.0);  // past the title
    const long p0 = e2e::CpuTicks(pid), s0 = e2e::CpuTicks(p.server);
    const double start = e2e::Now();
    e2e::Sleep(seconds);
    const long p1 = e2e::CpuTicks(pid), s1 = e2e::CpuTicks(p.server);
    const double elapsed = e2e::Now() - start;
    e2e::Kill(pid);
    e2e::Sleep(0.5);  // the compositor lets go of its surface
    if (p0 < 0 || p1 < 0) {
        std::fprintf(stderr, "%s ended early\n", p.name.c_str());
        return {};
    }
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    return {1000.0 * double(p1 - p0) * tick / elapsed, 1000.0 * double(s1 - s0) * tick / elapsed};
}

double MedianRatio(const std::vector<Cost>& a, const std::vector<Cost>& b)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (b[i].Both() > 0) ratios.push_back(a[i].Both() / b[i].Both());
    if (ratios.empty()) return 0;
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    e2e::Compositor sway(1920, 1080, "1");
    if (!sway.Ready()) {
        std::fprintf(stderr, "vidider_wayland_cpu: no headless sway here (tools/deps.sh test installs it)\n");
        return 1;
    }
    e2e::TestDisplay x11(e2e::TestDisplay::Screens::One, "1920x1080");
    const std::string limit = sway.Copy(WAYLAND_LIMIT_PATH);
    auto onX11 = [&](std::vector<std::string> argv) {
        return [&x11, argv] { return e2e::Spawn(argv, e2e::EnvironmentWith({"DISPLAY="}, {"DISPLAY=" + x11.Name()})); };
    };
    const std::vector<Program> programs = {
        {"vidider-wayland", [&] { return sway.Start({sway.Program(), "--delay", "20000"}); }, sway.Pid()},
        {"wayland limit", [&] { return sway.Start({limit, "20000"}); }, sway.Pid()},
        {"vidider on X11", onX11({VIDIDER_PATH, "--window", "--geometry", "1920x1080+0+0", "--delay", "20000"}),
         x11.Server()},
        {"X11 limit", onX11({X11_LIMIT_PATH, "1920", "1080", "20000"}), x11.Server()},
    };
    std::printf("CPU over %.0f s at --delay 20000, in per mille of one core (program + compositor or server), "
                "1920 x 1080:\n  Wayland: %s\n  X11: Xvfb %s (1920 x 1080 x 24)\n",
                seconds, sway.What().c_str(), x11.Name().c_str());
    std::vector<std::vector<Cost>> costs(programs.size());
    for (int round = 1; round <= 3; ++round) {
        std::printf("  round %d:", round);
        for (std::size_t i = 0; i < programs.size(); ++i) {
            costs[i].push_back(Measure(programs[i], seconds));
            const Cost& c = costs[i].back();
            std::printf("  %s %.0f + %.0f = %.0f", programs[i].name.c_str(), c.program, c.server, c.Both());
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    std::printf("  median vidider-wayland / wayland limit: %.2f (goal: 1.25 or less); vidider on X11 / X11 limit: %.2f;"
                " vidider-wayland / vidider on X11: %.2f\n",
                MedianRatio(costs[0], costs[1]), MedianRatio(costs[2], costs[3]), MedianRatio(costs[0], costs[2]));
    return 0;
}
