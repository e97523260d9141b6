// The CPU the running saver costs on a 1280 x 1024 screen, its classic stage:
// the saver's process, the Wine server and the X server together, over 10 s
// at the default pace, after the title; three rounds of each saver in turn.
//
//   build/linux/bench/vidider_saver_cpu [SAVER...]   (default: this build's; another build's to set beside it)
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace {

using e2e::Harness;

// One run of `saver`: false where it or the Wine server is not running.
bool Measure(Harness& h, const std::string& saver)
{
    h.KillStray();
    h.Reg({"delete", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/f"});
    pid_t pid = h.Start({saver, "/s"});
    Harness::Sleep(6.0);
    auto savers = h.Processes("vidider.scr");
    auto servers = h.Processes("wineserver64");
    for (const char* name : {"wineserver32", "wineserver"})
        if (servers.empty()) servers = h.Processes(name);
    if (savers.empty() || servers.empty()) return false;
    const long s0 = h.CpuTicks(savers[0]), w0 = h.CpuTicks(servers[0]), x0 = h.CpuTicks(h.XServer());
    const double start = Harness::Now();
    Harness::Sleep(10.0);
    const double elapsed = Harness::Now() - start;
    const long s1 = h.CpuTicks(savers[0]), w1 = h.CpuTicks(servers[0]), x1 = h.CpuTicks(h.XServer());
    h.Key("a");
    h.WaitExit(pid, 5);
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    auto percent = [&](long ticks) { return 100.0 * double(ticks) * tick / elapsed; };
    std::printf("  %s: saver %.1f %%, wineserver %.1f %%, Xvfb %.1f %%, together %.1f %% (goal: under 10 %%)\n",
                saver.c_str(), percent(s1 - s0), percent(w1 - w0), percent(x1 - x0),
                percent((s1 - s0) + (w1 - w0) + (x1 - x0)));
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Harness& h = Harness::Get();
    std::vector<std::string> savers(argv + 1, argv + argc);
    if (savers.empty()) savers.push_back(h.Saver());
    std::printf("CPU over 10 s at the default pace, %s (%% of one core):\n", h.Describe().c_str());
    for (int round = 1; round <= 3; ++round)
        for (const std::string& saver : savers)
            if (!Measure(h, saver)) {
                std::fprintf(stderr, "the saver or the Wine server is not running\n");
                return 1;
            }
    h.Shutdown();
    return 0;
}
