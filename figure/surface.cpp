#include "figure/surface.h"

#include <algorithm>
#include <stdexcept>

namespace figure {

Surface::Surface(int width, int height)
    : width_(width), height_(height), stride_(StrideFor(width))
{
    if (width <= 0 || height <= 0) throw std::invalid_argument("a surface needs a positive size");
    storage_.assign(SizeBytes() + 2 * kSlack, 0);
    Fill(true);
}

bool Surface::IsWhite(int x, int y) const
{
    return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

void Surface::SetWhite(int x, int y, bool white)
{
    std::uint8_t bit = std::uint8_t(0x80u >> (x & 7));
    std::uint8_t& byte = Row(y)[x >> 3];
    byte = white ? std::uint8_t(byte | bit) : std::uint8_t(byte & ~bit);
}

void Surface::Fill(bool white)
{
    std::fill(Bits(), Bits() + SizeBytes(), white ? 0xFF : 0x00);
    ClearPadding();
}

void Surface::ClearPadding()
{
    int words = stride_ / 4;
    std::uint32_t keep = WordMask(words - 1, 0, width_);
    for (int y = 0; y < height_; ++y) StoreWord32(Row(y), words - 1, 0, ~keep);
}

bool operator==(const Surface& a, const Surface& b)
{
    return a.width_ == b.width_ && a.height_ == b.height_ &&
           std::equal(a.Bits(), a.Bits() + a.SizeBytes(), b.Bits());
}

}  // namespace figure
