// The system under the saver on Linux, for the X11 and Wayland hosts: a
// monotonic millisecond clock, the command line's settings in place of the
// registry, and the screen the host shows the form on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace platform::posix {

// Nanoseconds of CLOCK_MONOTONIC, and the clock's millisecond tick of them.
std::uint64_t MonotonicNs();
inline Tick TickOf(std::uint64_t ns) { return Tick(ns / 1000000u); }

class PosixPlatform : public Platform {
public:
    // The values the saver reads, by key path and value name.
    using Settings = std::map<std::pair<std::string, std::string>, RegistryValue>;
    explicit PosixPlatform(Settings settings) : settings_(std::move(settings)) {}

    Tick timeGetTime() override { return TickOf(MonotonicNs()); }
    Size ScreenSize() override { return Screen; }
    RegistryValue ReadValue(std::string_view keyPath, std::string_view name) override;

    // The screen of the form: the window or surface it shows on, as large
    // as it is now.
    Size Screen;

private:
    Settings settings_;
};

}  // namespace platform::posix
