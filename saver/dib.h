// Packed device-independent bitmaps (a BITMAPINFOHEADER, its colour table and
// the pixel rows), as a bitmap resource or a .bmp file after its file header
// holds them. The saver reads its title picture from one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "figure/surface.h"

namespace saver {

struct DibInfo {
    int Width = 0;
    int Height = 0;        // always positive; TopDown says which row comes first
    bool TopDown = false;
    int BitCount = 0;
    int ColourCount = 0;   // entries of the colour table
    std::size_t HeaderSize = 0;
    std::size_t BitsOffset = 0;  // from the start of the header
    std::size_t RowBytes = 0;
};

// The layout of a packed DIB of 1, 4 or 8 bits per pixel, uncompressed; none
// when the bytes are not one or are cut short.
std::optional<DibInfo> ReadDibInfo(const std::uint8_t* data, std::size_t size);

// A one-bit packed DIB as a figure surface, by colour: a pixel is white where
// its colour-table entry is light. None when the bytes are not such a DIB.
std::optional<figure::Surface> DecodeOneBitDib(const std::uint8_t* data, std::size_t size);

}  // namespace saver
