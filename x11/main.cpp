// vidider: the moire as an X11 screen-saver hack. It draws into its own
// window (by hand), the window the xscreensaver daemon names (--root) or a
// given window (--window-id), and runs the same figure, frame clock and
// steering as the Windows saver.
//
// How it ends:
//   0  a key, a double click or the window manager (its own window), or the
//      window it draws into destroyed; --help and --version
//   1  the display went away (the server ended or was killed), or an
//      unexpected failure
//   2  a command line it cannot run, no display, a window that is not there,
//      or no way to wait for signals
//   SIGTERM, SIGINT, SIGHUP: it lets go of what it holds and then ends by
//      that same signal, as a program without a handler would, which the
//      daemon counts as a normal end. SIGPIPE is ignored: a dead server is
//      reported by status 1.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/fpu.h"
#include "app/hack_options.h"
#include "x11/x11_host.h"

namespace {

// Runs the host; the end of the run, or the status of a failure to start.
x11::RunEnd RunHost(const app::HackOptions& options, int signals)
{
    try {
        x11::X11Host host(options);
        return host.Run(signals);
    } catch (const x11::StartError& e) {
        std::fprintf(stderr, "vidider: %s\n", e.what());
        return {2, 0};
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vidider: not enough memory for the window's stage\n");
        return {1, 0};
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidider: %s\n", e.what());
        return {1, 0};
    }
}

}  // namespace

int main(int argc, char** argv)
{
    app::UseExtendedPrecision();
    app::HackOptions options;
    try {
        options = app::ParseHackOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const app::UsageError& e) {
        std::fprintf(stderr, "vidider: %s (see vidider --help)\n", e.what());
        return 2;
    }
    if (options.Help || options.Version) {
        std::fputs(options.Help ? app::kHackUsage : app::kHackVersion, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    // A write to a server that has gone must fail, not kill: the lost
    // display is then reported as such, with status 1.
    signal(SIGPIPE, SIG_IGN);
    // The ending signals reach the loop through a descriptor it waits on.
    // They are blocked only once that descriptor exists, so that a failure
    // here leaves them as they were.
    sigset_t ending;
    sigemptyset(&ending);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&ending, s);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);
    if (signals < 0) {
        std::fprintf(stderr, "vidider: cannot wait for signals (signalfd: %s)\n", std::strerror(errno));
        return 2;
    }
    sigprocmask(SIG_BLOCK, &ending, nullptr);

    const x11::RunEnd end = RunHost(options, signals);
    close(signals);
    if (end.Signal != 0) {
        // Everything is let go of: end by the signal itself.
        signal(end.Signal, SIG_DFL);
        sigprocmask(SIG_UNBLOCK, &ending, nullptr);
        raise(end.Signal);
        return 128 + end.Signal;  // not reached
    }
    return end.ExitStatus;
}
