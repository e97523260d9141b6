#include "x11/bitmap_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "saver/widen.h"

namespace x11 {
namespace {

// Eight bytes of the image from 64 pixels (the leftmost in bit 63), as a
// word whose memory order is the image's.
std::uint64_t Arrange(std::uint64_t pixels, const BitmapLayout& layout)
{
    std::uint64_t bytes = __builtin_bswap64(pixels);  // the leftmost pixels' byte first in memory
    if (layout.LowBitFirst) {
        // Every byte's bits the other way round, eight bytes at once.
        bytes = ((bytes >> 1) & 0x5555555555555555u) | ((bytes & 0x5555555555555555u) << 1);
        bytes = ((bytes >> 2) & 0x3333333333333333u) | ((bytes & 0x3333333333333333u) << 2);
        bytes = ((bytes >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((bytes & 0x0F0F0F0F0F0F0F0Fu) << 4);
    }
    if (layout.UnitReversed) {
        if (layout.UnitBytes == 2) {
            bytes = ((bytes >> 8) & 0x00FF00FF00FF00FFu) | ((bytes & 0x00FF00FF00FF00FFu) << 8);
        } else if (layout.UnitBytes == 4) {
            bytes = __builtin_bswap64(bytes);
            bytes = (bytes >> 32) | (bytes << 32);
        }
    }
    return bytes;
}

}  // namespace

BitmapLayout LayoutOf(const XImage& image)
{
    BitmapLayout layout;
    layout.UnitBytes = image.bitmap_unit / 8;
    layout.LowBitFirst = image.bitmap_bit_order == LSBFirst;
    // A unit is a number in the image's byte order whose pixels run from
    // its high or its low bit: where the two orders differ, the leftmost
    // pixels lie in the unit's last byte.
    layout.UnitReversed = layout.UnitBytes > 1 && image.byte_order != image.bitmap_bit_order;
    return layout;
}

void CopyRow(std::uint8_t* to, const std::uint8_t* row, int from, int width, const BitmapLayout& layout)
{
    // 64 pixels at a time; a word of eight bytes is whole units of any size.
    int done = 0;
    for (; width - done >= 64; done += 64, to += 8) {
        const std::uint64_t bytes = Arrange(saver::LoadPixels64(row, from + done, 64), layout);
        std::memcpy(to, &bytes, sizeof bytes);
    }
    if (done == width) return;
    const int left = width - done;
    const int unitBits = 8 * layout.UnitBytes;
    const std::uint64_t bytes = Arrange(saver::LoadPixels64(row, from + done, left), layout);
    std::memcpy(to, &bytes, std::size_t((left + unitBits - 1) / unitBits * layout.UnitBytes));
}

saver::PixelWidener PixelLayoutOf(const XImage& image, unsigned long black, unsigned long white, int scale)
{
    // A pixel as its four bytes lie in the image, read as a number of this
    // machine's own order.
    const bool swap = (image.byte_order == MSBFirst) != (std::endian::native == std::endian::big);
    auto stored = [&](unsigned long pixel) {
        const auto value = std::uint32_t(pixel);
        return swap ? __builtin_bswap32(value) : value;
    };
    return saver::PixelWidener(stored(black), stored(white), scale);
}

void BitmapRow(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width, int scale,
               const BitmapLayout& layout, RowScratch& scratch)
{
    if (width <= 0) return;
    const std::uint8_t* bits = row;
    int start = from;
    if (scale > 1) {
        // The figure pixels the row touches, each made `scale` bits wide.
        const int count = (phase + width + scale - 1) / scale;
        const std::size_t room = (std::size_t(count) * std::size_t(scale) + 7) / 8 + 8;
        if (scratch.Bits.size() < room) scratch.Bits.resize(room);
        if (scratch.Enlarger.Scale() != scale) scratch.Enlarger = saver::RowEnlarger(scale);
        scratch.Enlarger.Enlarge(scratch.Bits.data(), row, from, count);
        bits = scratch.Bits.data();
        start = phase;
    }
    CopyRow(to, bits, start, width, layout);
}

}  // namespace x11
