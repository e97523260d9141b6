// Long runs: whether anything grows while the savers run flat out. The X11
// hack at --delay 0 in a window of its own, then the 32-bit saver under Wine
// at SleepTime 0, each for the same time (10 minutes unless told), sampled
// every minute: resident and virtual memory, open descriptors, and the
// hack's shared-memory segments.
//
//   build/linux/bench/vidider_soak [SECONDS]
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/display.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/process.h"

namespace {

struct Sample {
    double seconds = 0;
    long residentKb = -1;
    long virtualKb = -1;
    int descriptors = -1;
    int segments = -1;
};

int Descriptors(pid_t pid)
{
    DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (dir == nullptr) return -1;
    int count = 0;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count;
}

// System V shared-memory segments that `pid` created (marked for removal or
// not): the ones the hack's images live in.
int Segments(pid_t pid)
{
    std::ifstream in("/proc/sysvipc/shm");
    std::string line;
    std::getline(in, line);  // the heading
    int count = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long key, id, perms, size, creator;
        if (fields >> key >> id >> perms >> size >> creator && creator == pid) ++count;
    }
    return count;
}

Sample Take(pid_t pid, double since)
{
    return {e2e::Now() - since, e2e::StatusKb(pid, "VmRSS"), e2e::StatusKb(pid, "VmSize"), Descriptors(pid), Segments(pid)};
}

void Print(const char* what, const std::vector<Sample>& samples, bool withSegments)
{
    std::printf("%s\n  %8s %12s %12s %6s%s\n", what, "s", "resident kB", "virtual kB", "fds",
                withSegments ? "  shm segments" : "");
    for (const Sample& s : samples) {
        std::printf("  %8.0f %12ld %12ld %6d", s.seconds, s.residentKb, s.virtualKb, s.descriptors);
        if (withSegments) std::printf("  %12d", s.segments);
        std::printf("\n");
    }
    if (samples.size() >= 2)
        std::printf("  change from the first sample to the last: resident %+ld kB, virtual %+ld kB, fds %+d\n",
                    samples.back().residentKb - samples.front().residentKb,
                    samples.back().virtualKb - samples.front().virtualKb,
                    samples.back().descriptors - samples.front().descriptors);
    std::fflush(stdout);
}

// Samples `pid` every `step` seconds for `seconds`; stops early if it ends.
std::vector<Sample> Watch(pid_t pid, double seconds, double step)
{
    std::vector<Sample> samples;
    const double start = e2e::Now();
    for (double next = 0; next <= seconds + 0.01; next += step) {
        e2e::Sleep(std::max(0.0, start + next - e2e::Now()));
        if (!e2e::Running(pid)) break;
        samples.push_back(Take(pid, start));
    }
    return samples;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    if (!(seconds > 0)) {
        std::fprintf(stderr, "usage: vidider_soak [SECONDS]\n");
        return 2;
    }
    const double step = seconds >= 120 ? 60.0 : seconds / 4;
    int status = 0;

    {
        e2e::TestDisplay display(e2e::TestDisplay::Screens::One, "1280x1024");
        pid_t hack = e2e::Spawn({VIDIDER_PATH, "--window", "--geometry", "1024x768+0+0", "--delay", "0"},
                                e2e::EnvironmentWith({"DISPLAY="}, {"DISPLAY=" + display.Name()}));
        e2e::Sleep(5.0);  // past the title: the frames that repeat from now on
        std::vector<Sample> samples = Watch(hack, seconds, step);
        const bool ran = e2e::Running(hack);
        e2e::Kill(hack);
        Print(("vidider (" + std::string(VIDIDER_PATH) + ") at --delay 0 in a 1024 x 768 window on Xvfb " +
               display.Name() + ":")
                  .c_str(),
              samples, true);
        if (!ran) {
            std::printf("  the hack ended before the run did\n");
            status = 1;
        }
    }

    {
        using e2e::Harness;
        Harness& h = Harness::Get();
        h.KillStray();
        h.Reg({"add", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/v", "SleepTime", "/t", "REG_SZ", "/d", "0",
               "/f"});
        pid_t saver = h.Start({h.Saver(), "/s"});
        Harness::Sleep(6.0);
        auto processes = h.Processes("vidider.scr");
        if (processes.empty()) {
            std::printf("the saver is not running\n");
            return 1;
        }
        std::vector<Sample> samples = Watch(processes[0], seconds, step);
        const bool ran = h.Running(saver);
        h.Key("a");
        h.WaitExit(saver, 5);
        h.Reg({"delete", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/f"});
        Print(("vidider.scr (" + h.Describe() + ") at SleepTime 0, full screen 1280 x 1024:").c_str(), samples, false);
        if (!ran) {
            std::printf("  the saver ended before the run did\n");
            status = 1;
        }
        h.Shutdown();
    }
    return status;
}
