#include "x11/bitmap_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "saver/stage_view.h"

namespace x11 {
namespace {

// `count` pixels (1 to 64) of `row` from pixel `from` on, the leftmost in
// bit 63, zeros after them.
std::uint64_t Load(const std::uint8_t* row, int from, int count)
{
    const std::uint8_t* source = row + (from >> 3);
    const int shift = from & 7;
    const int bytes = (shift + count + 7) >> 3;  // 1 to 9
    std::uint64_t bits = 0;
    if (bytes >= 8) {
        std::memcpy(&bits, source, sizeof bits);
        bits = __builtin_bswap64(bits);
    } else {
        for (int i = 0; i < bytes; ++i) bits |= std::uint64_t(source[i]) << (56 - 8 * i);
    }
    if (shift != 0) {
        bits <<= shift;
        if (bytes == 9) bits |= source[8] >> (8 - shift);
    }
    if (count < 64) bits &= ~std::uint64_t(0) << (64 - count);
    return bits;
}

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

// 32-bit pixels of whole blocks, 64 figure pixels at a time, four from each
// nibble: as many as fit in `width` screen pixels from `done` on. A copy of
// a size the compiler knows is a few stores, not a call.
template <int Scale>
void WidenBlocks(std::uint8_t*& to, const std::uint8_t* row, int& from, int& done, int width,
                 const std::uint32_t* blocks)
{
    constexpr int kChunk = 64 * Scale;
    constexpr std::size_t kNibbleBytes = 16 * Scale;
    for (; width - done >= kChunk; done += kChunk, from += 64) {
        const std::uint64_t bits = Load(row, from, 64);
        for (int shift = 60; shift >= 0; shift -= 4, to += kNibbleBytes)
            std::memcpy(to, blocks + ((bits >> shift) & 15) * 4 * Scale, kNibbleBytes);
    }
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
        const std::uint64_t bytes = Arrange(Load(row, from + done, 64), layout);
        std::memcpy(to, &bytes, sizeof bytes);
    }
    if (done == width) return;
    const int left = width - done;
    const int unitBits = 8 * layout.UnitBytes;
    const std::uint64_t bytes = Arrange(Load(row, from + done, left), layout);
    std::memcpy(to, &bytes, std::size_t((left + unitBits - 1) / unitBits * layout.UnitBytes));
}

PixelLayout PixelLayoutOf(const XImage& image, unsigned long black, unsigned long white, int scale)
{
    // A pixel as its four bytes lie in the image, read as a number of this
    // machine's own order.
    const bool swap = (image.byte_order == MSBFirst) != (std::endian::native == std::endian::big);
    auto stored = [&](unsigned long pixel) {
        const auto value = std::uint32_t(pixel);
        return swap ? __builtin_bswap32(value) : value;
    };
    PixelLayout layout;
    layout.Black = stored(black);
    layout.White = stored(white);
    layout.Scale = std::clamp(scale, 1, saver::kMaxScale);
    const int run = 4 * layout.Scale;
    layout.Blocks.resize(std::size_t(16 * run));
    for (int bits = 0; bits < 16; ++bits)
        for (int i = 0; i < run; ++i)
            layout.Blocks[std::size_t(bits * run + i)] = (bits >> (3 - i / layout.Scale)) & 1 ? layout.White : layout.Black;
    return layout;
}

void WidenRow(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width, const PixelLayout& layout)
{
    const int scale = layout.Scale;
    int done = 0;  // screen pixels
    // `count` pixels of one colour.
    auto fill = [&](bool white, int count) {
        const std::uint32_t pixel = white ? layout.White : layout.Black;
        for (int i = 0; i < count; ++i, to += 4) std::memcpy(to, &pixel, 4);
        done += count;
    };
    if (phase > 0 && width > 0) {
        // The rest of the first block.
        fill(Load(row, from, 1) != 0, std::min(scale - phase, width));
        ++from;
    }
    switch (scale) {
    case 1: WidenBlocks<1>(to, row, from, done, width, layout.Blocks.data()); break;
    case 2: WidenBlocks<2>(to, row, from, done, width, layout.Blocks.data()); break;
    case 3: WidenBlocks<3>(to, row, from, done, width, layout.Blocks.data()); break;
    case 4: WidenBlocks<4>(to, row, from, done, width, layout.Blocks.data()); break;
    case 5: WidenBlocks<5>(to, row, from, done, width, layout.Blocks.data()); break;
    case 6: WidenBlocks<6>(to, row, from, done, width, layout.Blocks.data()); break;
    case 7: WidenBlocks<7>(to, row, from, done, width, layout.Blocks.data()); break;
    default: WidenBlocks<8>(to, row, from, done, width, layout.Blocks.data()); break;
    }
    // The whole and cut blocks left.
    while (done < width) {
        const int count = std::min(64, (width - done + scale - 1) / scale);
        const std::uint64_t bits = Load(row, from, count);
        for (int i = 0; i < count; ++i) fill((bits >> (63 - i)) & 1, std::min(scale, width - done));
        from += count;
    }
}

void StageRow(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width, int scale,
              const RowFormat& format, RowScratch& scratch)
{
    if (width <= 0) return;
    if (format.Pixels) {
        WidenRow(to, row, from, phase, width, format.Colours);
        return;
    }
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
    CopyRow(to, bits, start, width, format.Bits);
}

}  // namespace x11
