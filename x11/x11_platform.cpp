#include "x11/x11_platform.h"

#include <time.h>

#include "saver/saver_window.h"

namespace x11 {

std::uint64_t MonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000000000u + std::uint64_t(now.tv_nsec);
}

platform::RegistryValue X11Platform::ReadValue(std::string_view keyPath, std::string_view name)
{
    // The one setting, as the saver reads it on Windows: a number.
    if (keyPath == saver::kSettingsKey && name == saver::kSleepTimeValue)
        return {platform::ValueKind::Dword, {}, sleepTime_};
    return {platform::ValueKind::NoKey, {}, 0};
}

void X11Platform::RepaintImage(bool now)
{
    if (host_ != nullptr) host_->RepaintImage(now);
}

void X11Platform::HideForm()
{
    if (host_ != nullptr) host_->HideForm();
}

void X11Platform::Terminate()
{
    if (host_ != nullptr) host_->Terminate();
}

}  // namespace x11
