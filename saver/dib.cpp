#include "saver/dib.h"

namespace saver {
namespace {

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

std::optional<DibInfo> ReadDibInfo(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size < 40) return std::nullopt;
    DibInfo info;
    info.HeaderSize = Le32(data);
    auto width = static_cast<std::int32_t>(Le32(data + 4));
    auto height = static_cast<std::int32_t>(Le32(data + 8));
    info.BitCount = Le16(data + 14);
    std::uint32_t compression = Le32(data + 16);
    std::uint32_t used = Le32(data + 32);
    if (info.HeaderSize < 40 || info.HeaderSize > size || Le16(data + 12) != 1 || compression != 0) return std::nullopt;
    if (info.BitCount != 1 && info.BitCount != 4 && info.BitCount != 8) return std::nullopt;
    if (width <= 0 || width > 65536 || height == 0 || height < -65536 || height > 65536) return std::nullopt;
    info.Width = width;
    info.TopDown = height < 0;
    info.Height = height < 0 ? -height : height;
    info.ColourCount = used != 0 ? int(used) : 1 << info.BitCount;
    if (info.ColourCount > (1 << info.BitCount)) return std::nullopt;
    info.BitsOffset = info.HeaderSize + 4 * std::size_t(info.ColourCount);
    info.RowBytes = (std::size_t(width) * info.BitCount + 31) / 32 * 4;
    if (info.BitsOffset > size || (size - info.BitsOffset) / info.RowBytes < std::size_t(info.Height))
        return std::nullopt;
    return info;
}

std::optional<figure::Surface> DecodeOneBitDib(const std::uint8_t* data, std::size_t size)
{
    std::optional<DibInfo> info = ReadDibInfo(data, size);
    if (!info || info->BitCount != 1) return std::nullopt;
    // Colour-table entries are blue, green, red, reserved.
    bool white[2] = {false, true};
    for (int i = 0; i < info->ColourCount; ++i) {
        const std::uint8_t* entry = data + info->HeaderSize + 4 * i;
        white[i] = entry[0] + entry[1] + entry[2] >= 3 * 128;
    }
    figure::Surface surface(info->Width, info->Height);
    for (int y = 0; y < info->Height; ++y) {
        int stored = info->TopDown ? y : info->Height - 1 - y;
        const std::uint8_t* row = data + info->BitsOffset + std::size_t(stored) * info->RowBytes;
        for (int x = 0; x < info->Width; ++x) {
            int bit = (row[x >> 3] >> (7 - (x & 7))) & 1;
            surface.SetWhite(x, y, white[bit]);
        }
    }
    return surface;
}

}  // namespace saver
