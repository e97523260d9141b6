// The system under the saver on X11: a monotonic millisecond clock, and
// SleepTime from the command line where Windows keeps it in the registry.
// Everything else is as on a system without it: no 9x notes, no password
// libraries, one screen, the hack's window.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace x11 {

// Nanoseconds of CLOCK_MONOTONIC, and the clock's millisecond tick of them.
std::uint64_t MonotonicNs();
inline platform::Tick TickOf(std::uint64_t ns) { return platform::Tick(ns / 1000000u); }

class X11Platform : public platform::Platform {
public:
    explicit X11Platform(std::uint32_t sleepTime) : sleepTime_(sleepTime) {}

    platform::Tick timeGetTime() override { return TickOf(MonotonicNs()); }
    platform::Size ScreenSize() override { return Window; }
    platform::RegistryValue ReadValue(std::string_view keyPath, std::string_view name) override;

    // The screen of the saver: the window it draws into, as large as it is now.
    platform::Size Window;

private:
    std::uint32_t sleepTime_;
};

}  // namespace x11
