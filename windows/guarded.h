// A handler's error ends the handler, not the saver: the window framework
// drops it, as the saver shows no message of its own.
#pragma once

namespace windows {

template <class Handler>
void Guarded(Handler handler)
{
    try {
        handler();
    } catch (...) {
    }
}

}  // namespace windows
