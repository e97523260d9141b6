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

// The stage as the simulator shows it after `frames` paced frames of seed
// `seed`; 0 frames: the first frame, composed when the saver is activated.
figure::Surface SimulatorStage(std::uint32_t seed, std::uint64_t frames);
// Whether any frame before frame `frames` showed the same stage: then a
// screenshot that matches it may be of that earlier frame, still running.
bool ShownBefore(std::uint32_t seed, std::uint64_t frames);

// "0x1a00003", as X11 programs write window ids.
std::string Hex(unsigned long id);

// Where a test cannot run here it says SKIPPED and why; in CI (CI set) it
// fails instead.
void NeedOrFail(bool have, const std::string& what);

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
    int Changes(int x, int y, int w, int h, double seconds);

    // A window of the test's own at (x, y), mapped, of the default visual
    // and filled red, so that a part nothing draws on shows.
    ::Window MakeWindow(TestDisplay& on, int x, int y, int width, int height);
};

}  // namespace e2e
