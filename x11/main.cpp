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
#include "app/hack_options.h"
#include "app/host_process.h"
#include "x11/x11_host.h"

int main(int argc, char** argv)
{
    return app::RunHostProcess<x11::X11Host>("vidider", argc, argv, app::ParseHackOptions, app::kHackUsage, app::kHackVersion);
}
