// How the Linux hosts' processes run and end (vidider on X11,
// vidider-wayland): the command line read, --help and --version answered;
// a write to a server or compositor that has gone fails instead of killing
// (SIGPIPE ignored); SIGTERM, SIGINT and SIGHUP reach the host's loop
// through a signal descriptor it waits on; and a host ended by one of them
// lets go of everything, then the process ends by that same signal, as a
// program without a handler would.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/fpu.h"
#include "app/saver_options.h"

namespace app {

// How a host's run ended: with an exit status, or by a signal that asks the
// process to end by that same signal once the host is gone.
struct HostEnd {
    int ExitStatus = 0;
    int Signal = 0;  // 0: none
};

// Runs `run` with a signalfd of the three ending signals, which are blocked
// only once it exists, and returns the process's exit status, or ends the
// process by the signal the run ended with. Where no descriptor can be made
// it says so in one line, "PROGRAM: cannot wait for signals (...)", and
// returns 2.
int RunUntilEndingSignal(const char* program, const std::function<HostEnd(int signalFd)>& run);

// A host's whole main: the options after the program's name through
// `parse` (a usage error: one line, status 2), `usage` or `version` on
// standard output where asked for (status 0, or 1 where it cannot be
// written), else the host through `run` until it or an ending signal ends it.
template <class Options>
int RunHostProcess(const char* program, int argc, char** argv,
                   Options (*parse)(const std::vector<std::string>& arguments), const char* usage,
                   const char* version, const std::function<HostEnd(const Options& options, int signalFd)>& run)
{
    UseExtendedPrecision();
    Options options;
    try {
        options = parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "%s: %s (see %s --help)\n", program, e.what(), program);
        return 2;
    }
    if (options.Help || options.Version) {
        std::fputs(options.Help ? usage : version, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    return RunUntilEndingSignal(program, [&](int signalFd) { return run(options, signalFd); });
}

}  // namespace app
