// Preloaded (LD_PRELOAD) into the hack by its tests: signalfd fails as it
// does when the process has run out of descriptors.
#include <errno.h>
#include <signal.h>

extern "C" int signalfd(int, const sigset_t*, int)
{
    errno = EMFILE;
    return -1;
}
