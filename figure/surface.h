// One-bit drawing surfaces, laid out as a Windows DIB holds them: rows padded to
// whole 32-bit words, the leftmost pixel of a byte in its high bit, bit 1 white.
// A surface owns its bits; hosts turn it into a DIB section, a paint or a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "figure/stage.h"

namespace figure {

class Surface {
public:
    Surface() = default;
    // A new surface is all white.
    Surface(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Bytes from one row to the next: the width in bits rounded up to 32.
    int Stride() const { return stride_; }
    std::size_t SizeBytes() const { return std::size_t(stride_) * std::size_t(height_); }

    std::uint8_t* Row(int y) { return Bits() + std::ptrdiff_t(y) * stride_; }
    const std::uint8_t* Row(int y) const { return Bits() + std::ptrdiff_t(y) * stride_; }
    std::uint8_t* Bits() { return storage_.data() + kSlack; }
    const std::uint8_t* Bits() const { return storage_.data() + kSlack; }

    // Pixel access for tests, tools and the reference paths; true is white.
    bool IsWhite(int x, int y) const;
    void SetWhite(int x, int y, bool white);

    void Fill(bool white);

    // Clears the bits past the last pixel of every row, so surfaces compare
    // equal byte for byte when their pixels do.
    void ClearPadding();

    static int StrideFor(int width) { return (width + 31) / 32 * 4; }

    friend bool operator==(const Surface& a, const Surface& b);

private:
    // Word loads may read a few bytes before the first row or past the last
    // one; those bytes belong to the surface and are never shown.
    static constexpr int kSlack = 16;

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> storage_ = std::vector<std::uint8_t>(2 * kSlack, 0);
};

// Surfaces of the classic stage: 2200 x 1700 pixels, rows of 276 bytes.
constexpr int kSurfaceWidth = SurfaceWidthFor(kClassicStageWidth);
constexpr int kSurfaceHeight = SurfaceHeightFor(kClassicStageHeight);
static_assert(kSurfaceWidth == 2200 && kSurfaceHeight == 1700, "the classic surfaces");
static_assert((kSurfaceWidth + 31) / 32 * 4 == 276, "a figure row is 276 bytes");
static_assert(276 * kSurfaceHeight == 469200, "a figure surface is 469,200 bytes");

// The 32 pixels of `row` that start at pixel `x`, leftmost in the high bit.
// `x` may lie up to 32 pixels outside the row on either side (the surface's
// slack keeps the load inside its storage); bits from outside the row are
// unspecified and must be masked off by the caller.
inline std::uint32_t LoadBits32(const std::uint8_t* row, std::ptrdiff_t x)
{
    std::uint64_t word;
    std::memcpy(&word, row + (x >> 3), sizeof word);
    word = __builtin_bswap64(word);
    return std::uint32_t((word << (x & 7)) >> 32);
}

// Writes `value` into the 32 pixels of the aligned word `index` of `row`,
// only where `mask` has 1 bits.
inline void StoreWord32(std::uint8_t* row, int index, std::uint32_t value, std::uint32_t mask)
{
    std::uint32_t old;
    std::memcpy(&old, row + 4 * index, sizeof old);
    std::uint32_t merged = (__builtin_bswap32(old) & ~mask) | (value & mask);
    merged = __builtin_bswap32(merged);
    std::memcpy(row + 4 * index, &merged, sizeof merged);
}

inline std::uint32_t LoadWord32(const std::uint8_t* row, int index)
{
    std::uint32_t word;
    std::memcpy(&word, row + 4 * index, sizeof word);
    return __builtin_bswap32(word);
}

// The mask of the pixels [x0, x1) that fall into aligned word `index`.
inline std::uint32_t WordMask(int index, int x0, int x1)
{
    int lo = x0 - 32 * index;
    int hi = x1 - 32 * index;
    std::uint32_t mask = 0xFFFFFFFFu;
    if (lo > 0) mask &= lo >= 32 ? 0u : (0xFFFFFFFFu >> lo);
    if (hi < 32) mask &= hi <= 0 ? 0u : ~(0xFFFFFFFFu >> hi);
    return mask;
}

}  // namespace figure
