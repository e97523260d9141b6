#include "saver/widen.h"

#include <algorithm>
#include <cstring>

#include "figure/surface.h"

namespace saver {

// The eight bits of `byte` each made `scale` bits wide: 8 x scale bits, the
// first pixel in the highest of them.
std::uint64_t EnlargedByte(int byte, int scale)
{
    const std::uint64_t run = (std::uint64_t(1) << scale) - 1;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        if (byte & (0x80 >> i)) bits |= run << (scale * (7 - i));
    return bits;
}

std::uint64_t LoadPixels64(const std::uint8_t* row, int from, int count)
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

RowEnlarger::RowEnlarger(int scale) : scale_(std::clamp(scale, 1, kMaxScale))
{
    for (int byte = 0; byte < 256; ++byte) enlarged_[std::size_t(byte)] = EnlargedByte(byte, scale_);
}

void RowEnlarger::Enlarge(std::uint8_t* out, const std::uint8_t* row, int x, int count) const
{
    if (count <= 0) return;
    if (scale_ == 1) {
        // 32 pixels at a time, the last word's bits past the row cleared.
        const int words = (count + 31) / 32;
        for (int w = 0; w < words; ++w) {
            std::uint32_t bits = figure::LoadBits32(row, std::ptrdiff_t(x) + 32 * w);
            if (w == words - 1) bits &= figure::WordMask(w, 0, count);
            figure::StoreWord32(out, w, bits, 0xFFFFFFFFu);
        }
        return;
    }
    const int bytes = (count + 7) / 8;
    for (int i = 0; i < bytes; ++i) {
        auto byte = std::uint8_t(figure::LoadBits32(row, std::ptrdiff_t(x) + 8 * i) >> 24);
        const int left = count - 8 * i;
        if (left < 8) byte = std::uint8_t(byte & (0xFF00u >> left));
        // 8 x scale bits, a whole number of bytes, highest first.
        const std::uint64_t bits = enlarged_[byte];
        std::uint8_t* to = out + std::size_t(i) * std::size_t(scale_);
        for (int b = 0; b < scale_; ++b) to[b] = std::uint8_t(bits >> (8 * (scale_ - 1 - b)));
    }
}

std::size_t EnlargedStride(const WindowFrame& frame)
{
    const std::size_t bytes = (std::size_t(frame.Columns()) * std::size_t(frame.Scale) + 7) / 8;
    return (bytes + 8 + 3) / 4 * 4;  // 8 bytes of room, then whole words
}

void EnlargeFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const RowEnlarger& enlarger)
{
    const int height = frame.Height(), columns = frame.Columns();
    const std::size_t rowBytes = (std::size_t(columns) * std::size_t(frame.Scale) + 7) / 8;
    for (int y = 0; y < height; ++y, out += outStride) {
        if (frame.RepeatsRow(y))
            std::memcpy(out, out - outStride, rowBytes);
        else
            enlarger.Enlarge(out, frame.Row(y), frame.FirstColumn, columns);
    }
}

}  // namespace saver
