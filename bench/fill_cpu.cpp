// The CPU of the Windows saver filling a screen, against the X11 hack
// filling the same screen: the 32-bit saver under Wine with the Stage
// setting "fill" (saver + wineserver + Xvfb), then vidider in a window the
// size of the screen (hack + Xvfb), at the default pace, over 10 s after the
// title, three rounds, each program in turn, on one Xvfb.
//
//   build/linux/bench/vidider_fill_cpu [WIDTHxHEIGHT [DPI]]   (1920x1080, 96)
//
// At a DPI of 192 both draw every figure pixel as 2 x 2 screen pixels: on a
// 3840x2160 screen that is the figure of 1920 x 1080 enlarged, and set
// beside a run at 1920x1080 and 96 DPI it shows what the enlargement costs.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace {

using e2e::Harness;

const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";

double Percent(long ticks, double seconds) { return 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / seconds; }

struct Cost {
    double program = 0, wine = 0, server = 0;
    double Both() const { return program + wine + server; }
};

Cost Measure(Harness& h, const std::vector<pid_t>& watched, double seconds)
{
    const pid_t program = watched[0], wine = watched.size() > 1 ? watched[1] : -1;
    const long p0 = h.CpuTicks(program), w0 = wine > 0 ? h.CpuTicks(wine) : 0, x0 = h.CpuTicks(h.XServer());
    const double start = Harness::Now();
    Harness::Sleep(seconds);
    const double elapsed = Harness::Now() - start;
    const long p1 = h.CpuTicks(program), w1 = wine > 0 ? h.CpuTicks(wine) : 0, x1 = h.CpuTicks(h.XServer());
    return {Percent(p1 - p0, elapsed), Percent(w1 - w0, elapsed), Percent(x1 - x0, elapsed)};
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string screen = argc > 1 ? argv[1] : "1920x1080";
    const int dpi = argc > 2 ? std::atoi(argv[2]) : 96;
    const std::size_t x = screen.find('x');
    if (x == std::string::npos || dpi <= 0) {
        std::fprintf(stderr, "usage: vidider_fill_cpu [WIDTHxHEIGHT [DPI]]\n");
        return 2;
    }
    const int scale = std::max(1, (dpi + 48) / 96);
    Harness& h = Harness::Get(e2e::TestDisplay::Screens::One, screen);
    h.KillStray();
    h.Reg({"add", kSettings, "/v", "Stage", "/t", "REG_SZ", "/d", "fill", "/f"});
    h.Reg({"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", std::to_string(dpi), "/f"});
    const double seconds = 10.0;
    std::printf("CPU over %.0f s after the title on a %s screen at %d DPI (scale %d), %% of one core:\n", seconds,
                screen.c_str(), dpi, scale);
    std::printf("  saver: %s\n", h.Describe().c_str());
    std::vector<double> ratios;
    for (int round = 1; round <= 3; ++round) {
        pid_t saver = h.Start({h.Saver(), "/s"});
        Harness::Sleep(6.0);
        auto savers = h.Processes("vidider.scr");
        auto servers = h.Processes("wineserver");
        for (const char* name : {"wineserver32", "wineserver64"})
            if (servers.empty()) servers = h.Processes(name);
        if (savers.empty() || servers.empty()) {
            std::fprintf(stderr, "the saver or the Wine server is not running\n");
            return 1;
        }
        const Cost windows = Measure(h, {savers[0], servers[0]}, seconds);
        h.Key("a");
        h.WaitExit(saver, 5);

        pid_t hack = e2e::Spawn({VIDIDER_PATH, "--window", "--geometry", screen + "+0+0", "--scale",
                                 std::to_string(scale), "--delay", "20000"},
                                e2e::EnvironmentWith({"DISPLAY="}, {"DISPLAY=" + h.DisplayName()}));
        Harness::Sleep(6.0);
        const Cost x11 = Measure(h, {hack}, seconds);
        e2e::Kill(hack);
        std::printf("  round %d: Windows saver %4.1f + wineserver %4.1f + Xvfb %4.1f = %5.1f   X11 hack %4.1f + Xvfb "
                    "%4.1f = %5.1f\n",
                    round, windows.program, windows.wine, windows.server, windows.Both(), x11.program, x11.server,
                    x11.Both());
        std::fflush(stdout);
        if (x11.Both() > 0) ratios.push_back(windows.Both() / x11.Both());
    }
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty()) std::printf("median ratio Windows saver / X11 hack: %.2f\n", ratios[ratios.size() / 2]);
    h.Reg({"delete", kSettings, "/f"});
    h.Reg({"delete", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/f"});
    h.Shutdown();
    return 0;
}
