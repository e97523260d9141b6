// Rows of a one-bit X image from the engine's rows. The engine keeps the
// leftmost pixel of a byte in its high bit, bytes in order; a server takes a
// bitmap in scanline units of 1, 2 or 4 bytes, stored in its image byte order,
// whose pixels run from the unit's high or low bit by its bitmap bit order.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

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

}  // namespace x11
