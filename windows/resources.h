// The saver's bitmap resources (the title and the preview still), as the
// packed DIBs the resource section holds.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace windows {

struct DibBytes {
    const std::uint8_t* data;
    std::size_t size;
};

inline std::optional<DibBytes> FindDib(HINSTANCE instance, const char* name)
{
    HRSRC found = FindResourceA(instance, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return DibBytes{static_cast<const std::uint8_t*>(data), SizeofResource(instance, found)};
}

}  // namespace windows
