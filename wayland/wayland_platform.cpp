#include "wayland/wayland_platform.h"

#include <time.h>

#include "saver/saver_window.h"

namespace wayland {

std::uint64_t MonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000000000u + std::uint64_t(now.tv_nsec);
}

platform::RegistryValue WaylandPlatform::ReadValue(std::string_view keyPath, std::string_view name)
{
    // The one setting, as the saver reads it on Windows: a number.
    if (keyPath == saver::kSettingsKey && name == saver::kSleepTimeValue)
        return {platform::ValueKind::Dword, {}, sleepTime_};
    return {platform::ValueKind::NoKey, {}, 0};
}

}  // namespace wayland
