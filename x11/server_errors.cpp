#include "x11/server_errors.h"

namespace x11 {
namespace {

// Xlib calls the handler with no room for a context of ours: the one static.
struct ServerErrors {
    int count = 0;
    XID lastResource = 0;
};
ServerErrors serverErrors;

int NoteError(::Display*, XErrorEvent* error)
{
    ++serverErrors.count;
    serverErrors.lastResource = error->resourceid;
    return 0;
}

}  // namespace

void CountServerErrors() { XSetErrorHandler(NoteError); }
int ServerErrorCount() { return serverErrors.count; }
XID LastErrorResource() { return serverErrors.lastResource; }

}  // namespace x11
