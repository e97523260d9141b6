// How the Windows host sleeps until its thread has a message: one wake mask
// that every Windows from 95 and NT 4 on takes, and a wait that fails
// becoming a short sleep rather than a loop that spins.
#pragma once

#include <windows.h>

namespace windows {

// Keys, the mouse, posted and sent messages, timers, paints and hot keys:
// the input classes Windows 95 and NT 4 know. The headers' QS_ALLINPUT adds
// QS_RAWINPUT (XP) and, for Windows 8, QS_TOUCH and QS_POINTER; older
// systems refuse a mask with bits they do not know, and the wait fails at
// once, every time.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE;
static_assert(kWakeMask <= 0xFF, "the wake mask holds only the bits of the oldest systems");

// How a wait for messages ended.
enum class Wake {
    Message,  // a message of the mask came in
    TimeOut,  // the time ran out with no message
    Failed,   // the system refused the wait; it slept 1 ms instead
};

using WaitCall = DWORD(WINAPI*)(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD mask);
using SleepCall = void(WINAPI*)(DWORD milliseconds);

// Sleeps until a message of kWakeMask comes in or `milliseconds` pass
// (INFINITE: no end). A failed wait tells nothing about the queue: after
// its 1 ms sleep the caller looks at the queue, as after a message. The
// system calls are parameters so that a test can make the wait fail.
Wake WaitForMessages(DWORD milliseconds, WaitCall wait = ::MsgWaitForMultipleObjects, SleepCall sleep = ::Sleep);

}  // namespace windows
