// Rows of an X image from the engine's rows. The engine keeps the leftmost
// pixel of a byte in its high bit, bytes in order; a server takes a bitmap in
// scanline units of 1, 2 or 4 bytes, stored in its image byte order, whose
// pixels run from the unit's high or low bit by its bitmap bit order; or
// 32-bit pixels in its image byte order, each bit widened to black or white.
// A window row of the stage is its figure row with every pixel made `scale`
// screen pixels wide, in either form.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstdint>
#include <vector>

namespace x11 {

// What the copy must do to the engine's bytes for one image.
struct BitmapLayout {
    bool LowBitFirst = false;    // each byte's bits the other way round
    bool UnitReversed = false;   // each unit's bytes the other way round
    int UnitBytes = 1;           // 1, 2 or 4
};

// The layout of `image`, a one-bit image as a server or Xlib made it.
BitmapLayout LayoutOf(const XImage& image);

// `width` pixels of `row` from pixel `from` on into `to`, laid out as
// `layout` says. Writes whole units: ceil(width / unit bits) of them, which
// a row of an image padded to its unit holds. Reads only the bytes of `row`
// that hold those pixels.
void CopyRow(std::uint8_t* to, const std::uint8_t* row, int from, int width, const BitmapLayout& layout);

// Black and white as 32-bit pixels lie in an image's memory, four pixels at
// a time for every four bits of a row: Quads[n] holds the pixels of the bits
// of n, its high bit first.
struct PixelLayout {
    std::array<std::array<std::uint32_t, 4>, 16> Quads{};
};

// The layout of `image`, a ZPixmap of 32 bits a pixel, for the pixel values
// `black` and `white` of its visual.
PixelLayout PixelLayoutOf(const XImage& image, unsigned long black, unsigned long white);

// `width` pixels of `row` from pixel `from` on into `to`, each a 32-bit
// pixel. Writes exactly `width` pixels; reads only the bytes of `row` that
// hold them.
void WidenRow(std::uint8_t* to, const std::uint8_t* row, int from, int width, const PixelLayout& layout);

// How one image takes its rows: one bit a pixel, or 32-bit pixels.
struct RowFormat {
    bool Pixels = false;
    BitmapLayout Bits;
    PixelLayout Colours;
};

// One window row of the stage into `to`: `width` screen pixels from the
// figure row `row`, each of its pixels from pixel `from` on made `scale`
// pixels wide, the first of them entered `phase` pixels in (0 to scale - 1).
// `row` is a surface's row, readable a word past its ends; `scratch` is
// room the enlargement reuses from row to row.
void StageRow(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width, int scale,
              const RowFormat& format, std::vector<std::uint8_t>& scratch);

}  // namespace x11
