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
#include <cstdio>
#include <exception>
#include <new>

#include "app/hack_options.h"
#include "app/host_process.h"
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
    return app::RunHostProcess<app::HackOptions>(
        "vidider", argc, argv, app::ParseHackOptions, app::kHackUsage, app::kHackVersion,
        [](const app::HackOptions& options, int signals) {
            const x11::RunEnd end = RunHost(options, signals);
            return app::HostEnd{end.ExitStatus, end.Signal};
        });
}
