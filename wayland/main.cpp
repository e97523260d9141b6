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
#include "app/host_process.h"
#include "app/wayland_options.h"
#include "wayland/wayland_host.h"

int main(int argc, char** argv)
{
    return app::RunHostProcess<wayland::WaylandHost>("vidider-wayland", argc, argv, app::ParseWaylandOptions, app::kWaylandUsage, app::kWaylandVersion);
}
