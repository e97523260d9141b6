// Figure rows widened to a screen's pixels, the one place every host does
// it: one bit to Scale bits (a one-bit image at the screen's scale), or one
// bit to a 32-bit pixel of a given black and white, Scale x Scale. Rows are
// read as surfaces hold them: leftmost pixel in the high bit, 1 white.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "saver/frame.h"

namespace saver {

// `count` pixels (1 to 64) of `row` from pixel `from` on, the leftmost in
// bit 63, zeros after them. Reads only the bytes that hold those pixels.
std::uint64_t LoadPixels64(const std::uint8_t* row, int from, int count);

// Makes figure rows `scale` times wider, one bit to `scale` bits, for a
// scale of 1 to kMaxScale; the table of its scale (2 KiB) is made once, by
// the constructor.
class RowEnlarger {
public:
    explicit RowEnlarger(int scale = 1);
    int Scale() const { return scale_; }

    // `count` figure pixels of `row` from pixel `x` on, each made Scale()
    // bits wide, into `out` from its first bit on; the bits after the last
    // one of the byte it ends in are left clear. `x` may lie anywhere a
    // LoadBits32 can read. `out` holds at least (count x Scale() + 7) / 8
    // bytes plus 8 bytes of room.
    void Enlarge(std::uint8_t* out, const std::uint8_t* row, int x, int count) const;

private:
    int scale_;
    // Every byte's eight bits, each made scale_ bits wide: 8 x scale_ bits,
    // the first pixel in the highest of them.
    std::array<std::uint64_t, 256> enlarged_{};
};

// Figure pixels as 32-bit pixels of a given black and white, each made
// Scale pixels wide. The two values are the pixels as their four bytes lie
// in the host's memory, read as a number of this machine's own order.
class PixelWidener {
public:
    explicit PixelWidener(std::uint32_t black = 0, std::uint32_t white = 0xFFFFFFFFu, int scale = 1);
    int Scale() const { return scale_; }
    std::uint32_t Black() const { return black_; }
    std::uint32_t White() const { return white_; }

    // `width` screen pixels of figure row `row` into `to`: figure pixel
    // `from` on, the first entered `phase` pixels in (0 to Scale() - 1).
    // Writes exactly `width` pixels; reads only the bytes of `row` that hold
    // their figure pixels. `to` need not be aligned.
    void Widen(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width) const;

private:
    std::uint32_t black_, white_;
    int scale_;
    // For every four figure pixels n (the first in n's bit 3), their
    // 4 x scale_ screen pixels from blocks_[4 x scale_ x n] on.
    std::vector<std::uint32_t> blocks_;
};

// Every row of `frame`'s Covered rectangle as 32-bit pixels into `out`, the
// rectangle's top-left pixel first, `outStride` bytes from one row to the
// next; a row that repeats the one above is copied from it.
void WidenFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const PixelWidener& widener);

// Every row of `frame`'s Covered rectangle as one-bit rows at its scale into
// `out`, `outStride` bytes apart: a row's bit PhaseX (from the high bit of
// its first byte) is the rectangle's first pixel. `out`'s rows hold
// (Columns() x Scale + 7) / 8 bytes and 8 more of room; `enlarger` is of
// the frame's scale.
void EnlargeFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const RowEnlarger& enlarger);

// The bytes a row of EnlargeFrame's output needs, room included, rounded up
// to whole 32-bit words as a DIB's rows are.
std::size_t EnlargedStride(const WindowFrame& frame);

}  // namespace saver
