// vidider: the moire as an X11 screen-saver hack. It draws into its own
// window (by hand), the window the xscreensaver daemon names (--root) or a
// given window (--window-id), and runs the same figure, frame clock and
// steering as the Windows saver.
//
// Exit status: 0 when ended by a key, a double click, the window manager or
// SIGTERM/SIGINT; 2 for a command line it cannot run, no display, or a
// window that is not there.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/fpu.h"
#include "app/hack_options.h"
#include "x11/x11_host.h"

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
    if (options.Help) {
        std::fputs(app::kHackUsage, stdout);
        return 0;
    }
    // SIGTERM and SIGINT end the loop through a descriptor it waits on.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);
    try {
        x11::X11Host host(options);
        int status = host.Run(signals);
        close(signals);
        return status;
    } catch (const x11::StartError& e) {
        std::fprintf(stderr, "vidider: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidider: %s\n", e.what());
        return 1;
    }
}
