// What equal monitors cost the Windows saver: on N monitors of 1920 x 1080
// side by side (Xephyr with Xinerama), the Stage setting "fill", the time
// from the saver's start until every monitor shows the moire, and its
// memory 8 s after the start (VmRSS, and VmHWM, the peak), three rounds.
//
//   build/linux/bench/vidider_monitors_cost N [SAVER]   (SAVER: another vidider.scr, e.g. an older build's)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/e2e/harness.h"

namespace {

using e2e::Harness;

// A line of /proc/PID/status, in kB.
long StatusKb(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 0;
    if (count < 1 || count > 6) {
        std::fprintf(stderr, "usage: vidider_monitors_cost N [SAVER]   (N monitors of 1920 x 1080, 1 to 6)\n");
        return 2;
    }
    Harness& h = Harness::Get(e2e::TestDisplay::Screens::EqualMonitors, std::to_string(count) + "x1920x1080");
    const std::string saver = argc > 2 ? argv[2] : h.Saver();
    h.KillStray();
    h.ImportReg("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Tavrenholm]\n\n"
                "[HKEY_CURRENT_USER\\Software\\Tavrenholm\\ScreenSaverSample]\n\"Stage\"=\"fill\"\n");
    std::printf("%d monitors of 1920 x 1080, Stage fill: %s\n  saver: %s\n", count, h.Describe().c_str(), saver.c_str());
    for (int round = 1; round <= 3; ++round) {
        h.MoveTo(5, 5);
        const double started = Harness::Now();
        pid_t pid = h.Start({saver, "/s"});
        double shown = -1;
        for (; Harness::Now() - started < 60; Harness::Sleep(0.02)) {
            bool all = true;
            for (int k = 0; k < count && all; ++k) all = e2e::HasBoth(h.Grab(1920 * k + 200, 100, 200, 200));
            if (all) {
                shown = Harness::Now() - started;
                break;
            }
        }
        Harness::Sleep(std::max(0.0, 8.0 - (Harness::Now() - started)));
        auto savers = h.Processes("vidider.scr");
        const pid_t process = savers.empty() ? -1 : savers[0];
        std::printf("  round %d: every monitor shows the moire after %.2f s; %ld kB resident, %ld kB at the peak\n",
                    round, shown, StatusKb(process, "VmRSS"), StatusKb(process, "VmHWM"));
        std::fflush(stdout);
        h.Key("a");
        h.WaitExit(pid, 10);
        h.KillStray();
    }
    h.Reg({"delete", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/f"});
    h.Shutdown();
    return 0;
}
