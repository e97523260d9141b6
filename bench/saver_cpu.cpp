// The CPU the running saver costs: the saver's process, the Wine server and
// the X server together, over 10 s at the default pace, after the title.
//
//   build/linux/bench/vidider_saver_cpu
#include <unistd.h>

#include <cstdio>

#include "tests/e2e/harness.h"

int main()
{
    using e2e::Harness;
    Harness& h = Harness::Get();
    h.KillStray();
    h.Reg({"delete", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/f"});
    pid_t saver = h.Start({h.Saver(), "/s"});
    Harness::Sleep(6.0);
    auto savers = h.Processes("vidider.scr");
    auto servers = h.Processes("wineserver64");
    for (const char* name : {"wineserver32", "wineserver"})
        if (servers.empty()) servers = h.Processes(name);
    if (savers.empty() || servers.empty()) {
        std::fprintf(stderr, "the saver or the Wine server is not running\n");
        return 1;
    }
    const double seconds = 10.0;
    long s0 = h.CpuTicks(savers[0]), w0 = h.CpuTicks(servers[0]), x0 = h.CpuTicks(h.XServer());
    double start = Harness::Now();
    Harness::Sleep(seconds);
    double elapsed = Harness::Now() - start;
    long s1 = h.CpuTicks(savers[0]), w1 = h.CpuTicks(servers[0]), x1 = h.CpuTicks(h.XServer());
    h.Key("a");
    h.WaitExit(saver, 5);
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    auto percent = [&](long ticks) { return 100.0 * double(ticks) * tick / elapsed; };
    std::printf("saver under test: %s\n", h.Saver().c_str());
    std::printf("CPU over %.1f s at the default pace (%% of one core):\n", elapsed);
    std::printf("  saver %.1f %%, wineserver %.1f %%, Xvfb %.1f %%, together %.1f %% (goal: under 10 %%)\n",
                percent(s1 - s0), percent(w1 - w0), percent(x1 - x0), percent((s1 - s0) + (w1 - w0) + (x1 - x0)));
    h.Shutdown();
    return 0;
}
