// frame-pace: the saver's own window, loop and frame clock, full screen, for
// a while; then how far apart the clock readings of consecutive paced frames
// lie, the frame rate, and the CPU the process used. The pace is SleepTime
// from the registry, as the saver reads it.
//
//   frame-pace.exe [SECONDS]     (default 10, after one second to settle)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "app/fpu.h"
#include "windows/form_host.h"
#include "windows/win32_platform.h"

namespace {

double Seconds(const FILETIME& t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; }

double ProcessCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

// The real platform, noting the clock reading of every paced frame: the
// loop reads the clock at least once between two rounds of frames, and a
// paced frame has stamped its reading by then.
class Recorder : public windows::Win32Platform {
public:
    Recorder(DWORD settle, DWORD measure) : settle_(settle), measure_(measure) {}

    void Watch(const windows::FormHost* host) { host_ = host; }

    windows::Tick timeGetTime() override
    {
        const saver::TForm1* form = host_ != nullptr ? host_->Form() : nullptr;
        if (form != nullptr && form->Activated && form->PacedFrames != seen_) {
            seen_ = form->PacedFrames;
            Note(form->Pacing.LastFrameTick);
        }
        return Win32Platform::timeGetTime();
    }

    std::vector<DWORD> Frames;
    double Cpu = 0;

private:
    void Note(DWORD tick)
    {
        if (start_ == 0) start_ = tick;
        if (tick - start_ < settle_) return;
        if (Frames.empty()) cpuAtStart_ = ProcessCpuSeconds();
        Frames.push_back(tick);
        if (tick - start_ >= settle_ + measure_ && !closing_) {
            closing_ = true;
            Cpu = ProcessCpuSeconds() - cpuAtStart_;
            PostMessageA(host_->FormWindow(), WM_CLOSE, 0, 0);
        }
    }

    const windows::FormHost* host_ = nullptr;
    DWORD settle_, measure_, start_ = 0;
    double cpuAtStart_ = 0;
    bool closing_ = false;
    std::uint64_t seen_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    app::UseExtendedPrecision();
    windows::DeclareDpiAware();
    const DWORD seconds = argc > 1 ? DWORD(std::strtoul(argv[1], nullptr, 10)) : 10;
    Recorder platform(1000, 1000 * (seconds > 0 ? seconds : 10));
    std::uint32_t sleepTime = 0;
    {
        windows::FormHost host(GetModuleHandleA(nullptr), platform);
        platform.Watch(&host);
        host.CreateApplicationWindow("screen saver");
        host.RunSaver();
        platform.Watch(nullptr);
    }
    sleepTime = saver::SleepTimeFrom(platform.ReadValue(saver::kSettingsKey, saver::kSleepTimeValue));
    const std::vector<DWORD>& frames = platform.Frames;
    if (frames.size() < 2) {
        std::fprintf(stderr, "frame-pace: too few paced frames (%u)\n", unsigned(frames.size()));
        return 1;
    }
    std::map<DWORD, int> intervals;
    for (std::size_t i = 1; i < frames.size(); ++i) ++intervals[frames[i] - frames[i - 1]];
    const double span = double(frames.back() - frames.front()) / 1000.0;
    const int count = int(frames.size() - 1);
    std::printf("SleepTime %u ms: %d paced intervals over %.2f s, %.2f frames a second\n", sleepTime, count, span,
                count / span);
    std::printf("  interval   frames   share\n");
    for (auto [ms, n] : intervals) std::printf("  %5lu ms  %7d  %5.1f %%\n", ms, n, 100.0 * n / count);
    std::printf("exactly %u ms apart: %.1f %%\n", sleepTime, 100.0 * intervals[sleepTime] / count);
    std::printf("CPU of the saver's process: %.2f %% of one core\n", 100.0 * platform.Cpu / span);
    return 0;
}
