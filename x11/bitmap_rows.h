// Rows of an X image from the engine's rows, in the server's own byte and
// bit order: one bit a pixel in scanline units of 1, 2 or 4 bytes, or the
// widener of 32-bit pixels as the image lays them out.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "saver/widen.h"

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

// The widener of `image`, a ZPixmap of 32 bits a pixel, for the pixel
// values `black` and `white` of its visual, at `scale` (1 to
// saver::kMaxScale): the two pixels as their bytes lie in the image.
saver::PixelWidener PixelLayoutOf(const XImage& image, unsigned long black, unsigned long white, int scale = 1);

// What a bitmap's rows keep from one to the next at a scale above 1: the
// enlarger of that scale and the row it enlarged.
struct RowScratch {
    saver::RowEnlarger Enlarger;
    std::vector<std::uint8_t> Bits;
};

// One window row of the stage into a bitmap's row `to`: `width` screen
// pixels from the figure row `row`, each of its pixels from pixel `from` on
// made `scale` pixels wide, the first of them entered `phase` pixels in (0
// to scale - 1), laid out as `layout` says. The row is enlarged first, into
// `scratch`, which is reused from row to row. `row` is a surface's row,
// readable a word past its ends.
void BitmapRow(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width, int scale,
               const BitmapLayout& layout, RowScratch& scratch);

}  // namespace x11
