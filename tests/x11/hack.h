// The common ground of the X11 hack's end-to-end tests: the real program
// started on a display of the tests' own (saying which build runs where),
// what its stage should show (the simulator's frames), and checks of
// screenshots.
#pragma once

#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) would change GoogleTest's names.
#include <X11/Xlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "figure/stage.h"
#include "figure/surface.h"
#include "tests/e2e/display.h"
#include "tests/e2e/process.h"

namespace e2e {

constexpr int kStageW = 1024, kStageH = 768;

inline ::Display* X(TestDisplay& d) { return static_cast<::Display*>(d.Connection()); }

// Where a one-bit surface (bit 1 white) shows at (x, y) of a screenshot,
// exactly black and white.
bool Shows(const Shot& shot, int x, int y, const figure::Surface& picture);
// The part of a surface from (x, y) on, `width` x `height`.
figure::Surface Crop(const figure::Surface& surface, int x, int y, int width, int height);
// Each of the four edge rows and columns of the screenshot's part at (x, y),
// `width` x `height`, holds both black and white.
bool EdgesHaveBoth(const Shot& s, int x, int y, int width, int height);

// The stage as the simulator shows it after `frames` paced frames of seed
// `seed`; 0 frames: the first frame, composed when the saver is activated.
figure::Surface SimulatorStage(std::uint32_t seed, std::uint64_t frames, figure::StageSize stage = figure::kClassicStage);
// Whether any frame before frame `frames` showed the same stage, leaving out
// the title's place: then a screenshot that matches it may be of that earlier
// frame, still running. (A saver whose frames fall behind the clock lays the
// title on fewer frames than the simulator, whose frames are never late.)
bool ShownBefore(std::uint32_t seed, std::uint64_t frames, figure::StageSize stage = figure::kClassicStage);

// Frame `frame` (1 or more) of seed `seed` on `stage` as the vidider-sim
// program writes it, and the frame before it.
struct SimulatorFrames {
    figure::Surface Frame, Before;
};
SimulatorFrames RunSimulator(const std::string& seed, int frame, figure::StageSize stage);

// A top-level window of that name (WM_NAME) on the display; 0 when none.
::Window WindowNamed(TestDisplay& on, const std::string& name);

// The window manager's close of `window`: WM_DELETE_WINDOW sent to it.
void CloseLikeAWindowManager(TestDisplay& on, ::Window window);

// "0x1a00003", as X11 programs write window ids.
std::string Hex(unsigned long id);

// Where a test cannot run here it says SKIPPED and why; in CI (CI set) it
// fails instead.
void NeedOrFail(bool have, const std::string& what);

// The real xscreensaver daemon on a display, running the hack (a copy in a
// home of its own, given `hackArguments`) as the only program of its list.
// The daemon launches no hack as root: it and its commands run as nobody,
// on a display open to every user. Where that cannot be (not root, no
// daemon installed) the constructor says SKIPPED; in CI it fails instead:
// check Ready() first.
class DaemonRun {
public:
    DaemonRun(TestDisplay& on, const std::string& hackArguments);
    ~DaemonRun();
    DaemonRun(const DaemonRun&) = delete;
    DaemonRun& operator=(const DaemonRun&) = delete;

    // The daemon is up and answers.
    bool Ready() const { return ready_; }
    // xscreensaver-command VERB as nobody: its exit status.
    int Command(const std::string& verb);
    // The hacks the daemon runs now: processes of the copy.
    std::vector<pid_t> Running() const;
    // xscreensaver-command -deactivate; whether every hack then ended
    // within 10 s.
    bool Deactivate();
    const std::string& Hack() const { return hack_; }
    std::string Log() const;

private:
    std::vector<std::string> AsNobody(std::vector<std::string> command) const;

    TestDisplay& on_;
    std::string home_, hack_;
    pid_t daemon_ = -1;
    bool ready_ = false;
};

class Hack : public ::testing::Test {
protected:
    // One display for the tests of this process; ctest runs each in its own.
    static TestDisplay& Screen();

    const std::string program = VIDIDER_PATH;
    // What the hack wrote on stderr, a file of this test process's own.
    const std::string errors = "/tmp/vidider-x11-stderr-" + std::to_string(::getpid()) + ".txt";
    std::vector<pid_t> started_;  // killed at the end of the test, where still running

    void TearDown() override;

    // The hack on `on` (described as `what`, e.g. "Xvfb :5, depth 16") with
    // these arguments and environment; stderr to `errors`.
    pid_t StartOn(TestDisplay& on, const std::string& what, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment = {});
    pid_t Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {})
    {
        return StartOn(Screen(), "Xvfb " + Screen().Name() + " (1280 x 1024 x 24)", arguments, environment);
    }

    // Polls a part of a screen until `ready` holds of it.
    template <class Ready>
    static bool WaitFor(TestDisplay& on, int x, int y, int w, int h, Ready ready, double seconds = 10)
    {
        for (double start = Now(); Now() - start < seconds; Sleep(0.02))
            if (ready(on.Grab(x, y, w, h))) return true;
        return false;
    }
    template <class Ready>
    bool WaitFor(int x, int y, int w, int h, Ready ready, double seconds = 10)
    {
        return WaitFor(Screen(), x, y, w, h, ready, seconds);
    }

    // How many of the screenshots taken every 0.1 s differ from the one before.
    static int Changes(TestDisplay& on, int x, int y, int w, int h, double seconds);
    int Changes(int x, int y, int w, int h, double seconds) { return Changes(Screen(), x, y, w, h, seconds); }

    // A window of the test's own at (x, y), mapped, of the default visual
    // and filled red, so that a part nothing draws on shows.
    ::Window MakeWindow(TestDisplay& on, int x, int y, int width, int height);
};

}  // namespace e2e
