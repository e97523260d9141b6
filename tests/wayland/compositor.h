// The common ground of vidider-wayland's end-to-end tests: a headless sway of
// the test's own (pixman rendering, no input devices), run with a private
// XDG_RUNTIME_DIR as an unprivileged user, since sway refuses to run as root;
// screenshots through grim, keys through wtype, outputs through swaymsg; the
// program started there as the same user; and the simulator's frames to hold
// the screenshots against.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "figure/stage.h"
#include "figure/surface.h"
#include "tests/e2e/display.h"
#include "tests/e2e/process.h"

namespace e2e {

// Where a test cannot run here it says SKIPPED and why; in CI (CI set) it
// fails instead.
void NeedOrFail(bool have, const std::string& what);

// A headless sway 1.7 with one output, HEADLESS-1, of `width` x `height`
// pixels at `scale` (as sway's output command writes it: "1", "1.5"), and
// `more` lines of its configuration (further outputs, made later with
// create_output, take theirs from there). As root the compositor and every
// program run as the user vidider-wayland-test, which the first test makes
// (useradd); otherwise as this process's user. Where that cannot be, or
// sway, grim or wtype are missing, the constructor says SKIPPED (in CI it
// fails): check Ready() first.
class Compositor {
public:
    explicit Compositor(int width = 1920, int height = 1080, const std::string& scale = "1",
                        const std::vector<std::string>& more = {});
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    bool Ready() const { return ready_; }
    pid_t Pid() const { return sway_; }
    // "sway 1.7, headless, HEADLESS-1 1920 x 1080 at scale 1, as vidider-wayland-test"
    const std::string& What() const { return what_; }
    // The copy of build/linux/vidider-wayland the user runs, in the runtime folder.
    const std::string& Program() const { return program_; }
    const std::string& RuntimeDir() const { return runtime_; }

    // A copy of the program at `path` that the user may run, in the runtime folder.
    std::string Copy(const std::string& path);
    // A program of the test's as the user, with the compositor in its
    // environment (and `environment` besides); stdout and stderr to files.
    pid_t Start(const std::vector<std::string>& argv, const std::string& errors = "",
                const std::vector<std::string>& environment = {}, const std::string& output = "");
    // swaymsg COMMAND: its exit status; what it printed into `said`.
    int Message(const std::string& command, std::string* said = nullptr);
    // A screenshot of one output (grim -o), or of all of them.
    Shot Grab(const std::string& output = "HEADLESS-1");
    // wtype TEXT (or, given as "-k NAME", a named key), each key 0.3 s after
    // its virtual keyboard appears, as a keyboard that was there all along
    // would type it; its exit status.
    int Type(const std::vector<std::string>& keys);
    // The mouse on the first output, `width` x `height` pixels large: a
    // virtual pointer (vidider_wayland_pointer) taking these steps, "m X Y"
    // a move, "c" a click of the first button, "w MS" a wait; its exit status.
    int Point(int width, int height, const std::vector<std::string>& steps);
    // Kills the compositor as a crash would (SIGKILL).
    void KillCompositor();

private:
    std::vector<std::string> AsUser(std::vector<std::string> argv) const;
    std::vector<std::string> Environment(const std::vector<std::string>& more) const;

    bool ready_ = false;
    std::string what_, runtime_, program_, pointer_, display_, swaysock_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool switchUser_ = false;
    pid_t sway_ = -1;
};

// The moire as vidider-sim draws it: frame `frame` of seed `seed` on a stage
// of `stage`, through the program (vidider-sim frames).
figure::Surface SimulatorFrame(std::uint32_t seed, int frame, figure::StageSize stage);
// A surface each of whose pixels is `scale` x `scale` pixels large.
figure::Surface Enlarged(const figure::Surface& picture, int scale);
// Where a one-bit surface (bit 1 white) shows at (x, y) of a screenshot,
// exactly black and white; how many pixels differ.
int Differences(const Shot& shot, int x, int y, const figure::Surface& picture);
// Each of the four edge rows and columns of a screenshot holds both black and white.
bool EdgesHaveBoth(const Shot& s);

class WaylandTest : public ::testing::Test {
protected:
    // What the program wrote on stderr, a file of this test process's own.
    const std::string errors = "/tmp/vidider-wayland-stderr-" + std::to_string(::getpid()) + ".txt";
    std::vector<pid_t> started_;  // killed at the end of the test, where still running

    void TearDown() override;
    // vidider-wayland on `on` with these arguments, saying which build runs where.
    pid_t StartOn(Compositor& on, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment = {});
    // Polls a screenshot of `output` until `ready` holds of it.
    template <class Ready>
    static bool WaitFor(Compositor& on, const std::string& output, Ready ready, double seconds = 10)
    {
        for (double start = Now(); Now() - start < seconds; Sleep(0.05))
            if (ready(on.Grab(output))) return true;
        return false;
    }
    // How many of `count` screenshots, taken 0.1 s apart or more, differ
    // from the one before. (A screenshot of a large output takes a while
    // on a busy machine: the count, not the time, is what is asked for.)
    static int Changes(Compositor& on, const std::string& output, int count);
};

}  // namespace e2e
