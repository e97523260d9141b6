// The CPU of vidider on X11 against xscreensaver's own moire hack, moire2,
// and against the least a full-window hack can cost (vidider_x11_limit: one
// prepared frame put through shared memory per tick), on the same Xvfb in
// one run: each in a window of 1024 x 768, 1920 x 1080 and 2560 x 1440 at 50
// frames a second, the program and the X server together, over 10 s after
// the title, three rounds, each program in turn.
//
//   build/linux/bench/vidider_x11_cpu [SECONDS]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

int main(int argc, char** argv)
{
    const std::string moire2 = "/usr/libexec/xscreensaver/moire2";
    if (::access(moire2.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "%s is missing: install xscreensaver-data-extra (tools/deps.sh test does)\n", moire2.c_str());
        return 1;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    e2e::TestDisplay d(e2e::TestDisplay::Screens::One, "2560x1440");
    // Three rounds, the programs one after the other in each: the machine's
    // other work shows in all alike, and the median ratio stands for the run.
    const int rounds = 3;
    std::printf("CPU over %.0f s at --delay 20000, in %% of one core (program + Xvfb), on Xvfb %s:\n", seconds,
                d.Name().c_str());
    for (auto [width, height] : {std::pair{1024, 768}, {1920, 1080}, {2560, 1440}}) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const std::string geometry = size + "+0+0";
        std::printf("%d x %d:\n", width, height);
        std::vector<double> againstMoire2, againstLimit;
        for (int round = 1; round <= rounds; ++round) {
            Cost ours = Measure(d, {VIDIDER_PATH, "--window", "--geometry", geometry, "--delay", "20000"}, seconds);
            Cost theirs = Measure(d, {moire2, "-delay", "20000", "-geometry", geometry}, seconds);
            Cost limit = Measure(d, {LIMIT_PATH, std::to_string(width), std::to_string(height), "20000"}, seconds);
            std::printf("  round %d: vidider %4.1f + %4.1f = %4.1f   moire2 %4.1f + %4.1f = %4.1f   limit %4.1f + %4.1f = "
                        "%4.1f\n",
                        round, ours.program, ours.server, ours.Both(), theirs.program, theirs.server, theirs.Both(),
                        limit.program, limit.server, limit.Both());
            std::fflush(stdout);
            if (theirs.Both() > 0) againstMoire2.push_back(ours.Both() / theirs.Both());
            if (limit.Both() > 0) againstLimit.push_back(ours.Both() / limit.Both());
        }
        std::sort(againstMoire2.begin(), againstMoire2.end());
        std::sort(againstLimit.begin(), againstLimit.end());
        if (!againstMoire2.empty() && !againstLimit.empty())
            std::printf("  median vidider / moire2: %.2f (goal: 0.8 or less); vidider / limit: %.2f\n",
                        againstMoire2[againstMoire2.size() / 2], againstLimit[againstLimit.size() / 2]);
    }
    return 0;
}
