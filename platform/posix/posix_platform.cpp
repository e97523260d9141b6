#include "platform/posix/posix_platform.h"

#include <time.h>

namespace platform::posix {

std::uint64_t MonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000000000u + std::uint64_t(now.tv_nsec);
}

RegistryValue PosixPlatform::ReadValue(std::string_view keyPath, std::string_view name)
{
    auto found = settings_.find({std::string(keyPath), std::string(name)});
    if (found == settings_.end()) return {ValueKind::NoKey, {}, 0};
    return found->second;
}

}  // namespace platform::posix
