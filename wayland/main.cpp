// vidider-wayland: the moire as a Wayland client. It covers every output
// with a surface of its own in the overlay layer (or, where the compositor
// has no layer shell, a fullscreen toplevel on each), or opens one window
// (--window), or lies under everything as a moving wallpaper (--background),
// and runs the same figure, frame clock and steering as the Windows saver.
//
// How it ends:
//   0  a key or a double click on the moire (not in --background), the
//      window's close; --help and --version
//   1  the compositor went away or ended the connection, or an unexpected
//      failure: one line
//   2  a command line it cannot run, no compositor to connect to, one
//      without what it needs, or no way to wait for signals: one line
//   SIGTERM, SIGINT, SIGHUP: it lets go of what it holds and then ends by
//      that same signal, as a program without a handler would. SIGPIPE is
//      ignored: a dead compositor is reported by status 1.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/fpu.h"
#include "app/wayland_options.h"
#include "wayland/wayland_host.h"

namespace {

// Runs the host; the end of the run, or the status of a failure.
wayland::RunEnd RunHost(const app::WaylandOptions& options, int signals)
{
    try {
        wayland::WaylandHost host(options);
        return host.Run(signals);
    } catch (const wayland::StartError& e) {
        std::fprintf(stderr, "vidider-wayland: %s\n", e.what());
        return {2, 0};
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vidider-wayland: not enough memory\n");
        return {1, 0};
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidider-wayland: %s\n", e.what());
        return {1, 0};
    }
}

}  // namespace

int main(int argc, char** argv)
{
    app::UseExtendedPrecision();
    app::WaylandOptions options;
    try {
        options = app::ParseWaylandOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const app::UsageError& e) {
        std::fprintf(stderr, "vidider-wayland: %s (see vidider-wayland --help)\n", e.what());
        return 2;
    }
    if (options.Help || options.Version) {
        std::fputs(options.Help ? app::kWaylandUsage : app::kWaylandVersion, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    // A write to a compositor that has gone must fail, not kill.
    signal(SIGPIPE, SIG_IGN);
    // The ending signals reach the loop through a descriptor it waits on.
    // They are blocked only once that descriptor exists, so that a failure
    // here leaves them as they were.
    sigset_t ending;
    sigemptyset(&ending);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&ending, s);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);
    if (signals < 0) {
        std::fprintf(stderr, "vidider-wayland: cannot wait for signals (signalfd: %s)\n", std::strerror(errno));
        return 2;
    }
    sigprocmask(SIG_BLOCK, &ending, nullptr);

    const wayland::RunEnd end = RunHost(options, signals);
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
