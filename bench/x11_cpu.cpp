// The CPU of vidider on X11 against xscreensaver's own moire hack, moire2,
// on the same Xvfb in one run: each in a 1024 x 768 window at 50 frames a
// second, the program and the X server together, over 10 s after the title,
// three rounds, each program in turn.
//
//   build/linux/bench/vidider_x11_cpu
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/display.h"
#include "tests/e2e/process.h"

namespace {


struct Cost {
    double program = 0, server = 0;
    double Both() const { return program + server; }
};

// Runs `argv` on the display, lets it settle, and measures for `seconds`:
// percent of one core.
Cost Measure(e2e::TestDisplay& d, const std::vector<std::string>& argv, double seconds)
{
    pid_t pid = e2e::Spawn(argv, e2e::EnvironmentWith({"DISPLAY="}, {"DISPLAY=" + d.Name()}));
    e2e::Sleep(5.0);  // past vidider's title
    const long p0 = e2e::CpuTicks(pid), s0 = e2e::CpuTicks(d.Server());
    const double start = e2e::Now();
    e2e::Sleep(seconds);
    const long p1 = e2e::CpuTicks(pid), s1 = e2e::CpuTicks(d.Server());
    const double elapsed = e2e::Now() - start;
    e2e::Kill(pid);
    if (p0 < 0 || p1 < 0) {
        std::fprintf(stderr, "%s ended early\n", argv[0].c_str());
        return {};
    }
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    return {100.0 * double(p1 - p0) * tick / elapsed, 100.0 * double(s1 - s0) * tick / elapsed};
}

}  // namespace

int main()
{
    const std::string moire2 = "/usr/libexec/xscreensaver/moire2";
    if (::access(moire2.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "%s is missing: install xscreensaver-data-extra (tools/deps.sh test does)\n", moire2.c_str());
        return 1;
    }
    e2e::TestDisplay d(e2e::TestDisplay::Screens::One, "1280x1024");
    // Three rounds, one after the other in each: the machine's other work
    // shows in both alike, and the median ratio stands for the run.
    const double seconds = 10.0;
    const int rounds = 3;
    std::printf("CPU over %.0f s in a 1024 x 768 window at --delay 20000, %% of one core, on Xvfb %s:\n", seconds,
                d.Name().c_str());
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        Cost ours = Measure(d, {VIDIDER_PATH, "--window", "--geometry", "1024x768+0+0", "--delay", "20000"}, seconds);
        Cost theirs = Measure(d, {moire2, "-delay", "20000", "-geometry", "1024x768+0+0"}, seconds);
        std::printf("  round %d: vidider %4.1f %% + Xvfb %4.1f %% = %4.1f %%   moire2 %4.1f %% + Xvfb %4.1f %% = %4.1f %%\n",
                    round, ours.program, ours.server, ours.Both(), theirs.program, theirs.server, theirs.Both());
        std::fflush(stdout);
        if (theirs.Both() > 0) ratios.push_back(ours.Both() / theirs.Both());
    }
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty())
        std::printf("median ratio vidider / moire2: %.2f (goal: 1 or less)\n", ratios[ratios.size() / 2]);
    return 0;
}
