#include "app/host_process.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace app {

int RunUntilEndingSignal(const char* program, const std::function<HostEnd(int signalFd)>& run)
{
    // A write to a server that has gone must fail, not kill: the loss is
    // then reported as such, with status 1.
    signal(SIGPIPE, SIG_IGN);
    // The ending signals reach the loop through a descriptor it waits on.
    // They are blocked only once that descriptor exists, so that a failure
    // here leaves them as they were.
    sigset_t ending;
    sigemptyset(&ending);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&ending, s);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);
    if (signals < 0) {
        std::fprintf(stderr, "%s: cannot wait for signals (signalfd: %s)\n", program, std::strerror(errno));
        return 2;
    }
    sigprocmask(SIG_BLOCK, &ending, nullptr);

    const HostEnd end = run(signals);
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

}  // namespace app
