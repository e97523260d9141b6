#include "tests/x11/hack.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tools/simulation.h"
#include "tools/title.h"

namespace e2e {

bool Shows(const Shot& shot, int x, int y, const figure::Surface& picture)
{
    for (int row = 0; row < picture.Height(); ++row)
        for (int col = 0; col < picture.Width(); ++col) {
            const Pixel p = shot.At(x + col, y + row);
            if (!(picture.IsWhite(col, row) ? p.White() : p.Black())) return false;
        }
    return true;
}

figure::Surface Crop(const figure::Surface& surface, int x, int y, int width, int height)
{
    figure::Surface part(width, height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) part.SetWhite(col, row, surface.IsWhite(x + col, y + row));
    return part;
}

namespace {

// The stages of frames 0 to `frames`, one by one, to `each` (frame, stage).
template <class Each>
void SimulatorStages(std::uint32_t seed, std::uint64_t frames, Each each)
{
    static const figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(seed, &title);
    figure::Surface stage(kStageW, kStageH);
    for (std::uint64_t k = 0; k <= frames; ++k) {
        if (k > 0) simulation.PacedFrame(k);
        simulation.ShownPanel(stage);
        each(k, stage);
    }
}

}  // namespace

figure::Surface SimulatorStage(std::uint32_t seed, std::uint64_t frames)
{
    figure::Surface last;
    SimulatorStages(seed, frames, [&](std::uint64_t k, const figure::Surface& stage) {
        if (k == frames) last = stage;
    });
    return last;
}

bool ShownBefore(std::uint32_t seed, std::uint64_t frames)
{
    std::vector<figure::Surface> stages;
    SimulatorStages(seed, frames, [&](std::uint64_t, const figure::Surface& stage) { stages.push_back(stage); });
    return std::find(stages.begin(), stages.end() - 1, stages.back()) != stages.end() - 1;
}

std::string Hex(unsigned long id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

void NeedOrFail(bool have, const std::string& what)
{
    if (have) return;
    if (std::getenv("CI") != nullptr) FAIL() << "cannot run here: " << what;
    std::printf("SKIPPED: cannot run here: %s\n", what.c_str());
    GTEST_SKIP() << "SKIPPED, cannot run here: " << what;
}

TestDisplay& Hack::Screen()
{
    static TestDisplay display;
    return display;
}

void Hack::TearDown()
{
    for (pid_t pid : started_)
        if (Running(pid)) Kill(pid);
    std::remove(errors.c_str());
}

pid_t Hack::StartOn(TestDisplay& on, const std::string& what, const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment)
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string ran = program + " (the native X11 build) on " + what + ", natively on this machine";
    std::printf("[x11] %s.%s ran %s\n", test->test_suite_name(), test->name(), ran.c_str());
    std::fflush(stdout);
    RecordProperty("ran", ran);
    on.MoveTo(5, 5);
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> with = {"DISPLAY=" + on.Name()};
    with.insert(with.end(), environment.begin(), environment.end());
    started_.push_back(Spawn(argv, EnvironmentWith({"DISPLAY=", "XSCREENSAVER_WINDOW="}, with), "", errors));
    return started_.back();
}

int Hack::Changes(int x, int y, int w, int h, double seconds)
{
    Shot previous = Screen().Grab(x, y, w, h);
    int changes = 0;
    for (double start = Now(); Now() - start < seconds;) {
        Sleep(0.1);
        Shot now = Screen().Grab(x, y, w, h);
        changes += !(now == previous);
        previous = std::move(now);
    }
    return changes;
}

::Window Hack::MakeWindow(TestDisplay& on, int x, int y, int width, int height)
{
    ::Display* dpy = X(on);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0xFF0000;
    attributes.override_redirect = True;
    ::Window window = XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, unsigned(width), unsigned(height), 0,
                                    CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect,
                                    &attributes);
    XMapRaised(dpy, window);
    XSync(dpy, False);
    return window;
}

}  // namespace e2e
