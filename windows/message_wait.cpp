#include "windows/message_wait.h"

namespace windows {

Wake WaitForMessages(DWORD milliseconds, WaitCall wait, SleepCall sleep)
{
    switch (wait(0, nullptr, FALSE, milliseconds, kWakeMask)) {
    case WAIT_OBJECT_0: return Wake::Message;
    case WAIT_TIMEOUT: return Wake::TimeOut;
    default:
        sleep(1);
        return Wake::Failed;
    }
}

}  // namespace windows
