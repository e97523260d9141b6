// Errors the server reports for requests already sent. Xlib hands them to one
// function for the whole process, hence the one static behind these: a
// count, and the resource the last one was about.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Makes the errors counted instead of ending the process (Xlib's default).
void CountServerErrors();
int ServerErrorCount();
XID LastErrorResource();

}  // namespace x11
