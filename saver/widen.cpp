#include "saver/widen.h"

#include <algorithm>
#include <cstring>

#include "figure/surface.h"

namespace saver {
namespace {

// Whole chunks of 64 figure pixels, each widened to 64 x Scale pixels four
// figure pixels at a time; `from` and `done` move past them. The scale is a
// constant here, so that each copy is of a size the compiler knows.
template <int Scale>
void WidenBlocks(std::uint8_t*& to, const std::uint8_t* row, int& from, int& done, int width,
                 const std::uint32_t* blocks)
{
    constexpr int kChunk = 64 * Scale;
    constexpr std::size_t kNibbleBytes = 16 * Scale;
    for (; width - done >= kChunk; done += kChunk, from += 64) {
        const std::uint64_t bits = LoadPixels64(row, from, 64);
        for (int shift = 60; shift >= 0; shift -= 4, to += kNibbleBytes)
            std::memcpy(to, blocks + ((bits >> shift) & 15) * 4 * Scale, kNibbleBytes);
    }
}

}  // namespace

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
    const std::uint64_t run = (std::uint64_t(1) << scale_) - 1;
    for (int byte = 0; byte < 256; ++byte) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            if (byte & (0x80 >> i)) bits |= run << (scale_ * (7 - i));
        enlarged_[std::size_t(byte)] = bits;
    }
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

PixelWidener::PixelWidener(std::uint32_t black, std::uint32_t white, int scale)
    : black_(black), white_(white), scale_(std::clamp(scale, 1, kMaxScale))
{
    const int run = 4 * scale_;
    blocks_.resize(std::size_t(16 * run));
    for (int bits = 0; bits < 16; ++bits)
        for (int i = 0; i < run; ++i)
            blocks_[std::size_t(bits * run + i)] = (bits >> (3 - i / scale_)) & 1 ? white_ : black_;
}

void PixelWidener::Widen(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width) const
{
    const int scale = scale_;
    int done = 0;  // screen pixels
    // `count` pixels of one colour.
    auto fill = [&](bool white, int count) {
        const std::uint32_t pixel = white ? white_ : black_;
        for (int i = 0; i < count; ++i, to += 4) std::memcpy(to, &pixel, 4);
        done += count;
    };
    if (phase > 0 && width > 0) {
        // The rest of the first block.
        fill(LoadPixels64(row, from, 1) != 0, std::min(scale - phase, width));
        ++from;
    }
    const std::uint32_t* blocks = blocks_.data();
    switch (scale) {
    case 1: WidenBlocks<1>(to, row, from, done, width, blocks); break;
    case 2: WidenBlocks<2>(to, row, from, done, width, blocks); break;
    case 3: WidenBlocks<3>(to, row, from, done, width, blocks); break;
    case 4: WidenBlocks<4>(to, row, from, done, width, blocks); break;
    case 5: WidenBlocks<5>(to, row, from, done, width, blocks); break;
    case 6: WidenBlocks<6>(to, row, from, done, width, blocks); break;
    case 7: WidenBlocks<7>(to, row, from, done, width, blocks); break;
    default: WidenBlocks<8>(to, row, from, done, width, blocks); break;
    }
    // The whole and cut blocks left.
    while (done < width) {
        const int count = std::min(64, (width - done + scale - 1) / scale);
        const std::uint64_t bits = LoadPixels64(row, from, count);
        for (int i = 0; i < count; ++i) fill((bits >> (63 - i)) & 1, std::min(scale, width - done));
        from += count;
    }
}

void WidenFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const PixelWidener& widener)
{
    const int width = frame.Width(), height = frame.Height();
    const std::size_t rowBytes = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y, out += outStride) {
        if (frame.RepeatsRow(y))
            std::memcpy(out, out - outStride, rowBytes);
        else
            widener.Widen(out, frame.Row(y), frame.FirstColumn, frame.PhaseX, width);
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
