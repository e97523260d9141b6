// How the Linux hosts' processes run and end: the command line read, help
// and version answered, the host run until it or an ending signal ends it,
// then the process ended by that same signal.
#pragma once

#include <cstdio>
#include <functional>
#include <new>
#include <stdexcept>
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

// A host cannot start: no display or compositor, no such window. what() is
// one line.
class StartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Makes a Host of `options` and runs it on `signalFd`. A failure to start is
// one line, "PROGRAM: what", and status 2; no memory for what the host
// makes, or any other failure, one line and status 1.
template <class Host, class Options>
HostEnd RunHost(const char* program, const Options& options, int signalFd)
{
    try {
        Host host(options);
        return host.Run(signalFd);
    } catch (const StartError& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return {2, 0};
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: not enough memory for the stage\n", program);
        return {1, 0};
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return {1, 0};
    }
}

// Runs `run` with a signalfd of the three ending signals, which are blocked
// only once it exists, and returns the process's exit status, or ends the
// process by the signal the run ended with. Where no descriptor can be made
// it says so in one line, "PROGRAM: cannot wait for signals (...)", and
// returns 2.
int RunUntilEndingSignal(const char* program, const std::function<HostEnd(int signalFd)>& run);

// A host's whole main: the options after the program's name through
// `parse` (a usage error: one line, status 2), `usage` or `version` on
// standard output where asked for (status 0, or 1 where it cannot be
// written), else a Host of the options (RunHost) until it or an ending
// signal ends it.
template <class Host, class Options>
int RunHostProcess(const char* program, int argc, char** argv,
                   Options (*parse)(const std::vector<std::string>& arguments), const char* usage, const char* version)
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
    return RunUntilEndingSignal(program, [&](int signalFd) { return RunHost<Host>(program, options, signalFd); });
}

}  // namespace app
