// Writing the saver's pictures: .bmp files of one and eight bits per pixel
// and a .ico of grey icons, in the formats the saver's resources use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "figure/surface.h"

namespace tools {

// A grey picture, one byte a pixel, 0 black to 255 white, rows top first.
struct GreyImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;
    std::uint8_t& At(int x, int y) { return Pixels[std::size_t(y) * Width + x]; }
    std::uint8_t At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};

// One bit a pixel, colour-table entry 0 white and entry 1 black, 2834 pixels
// a metre, rows bottom first.
std::string EncodeOneBitBmp(const figure::Surface& surface);

// Eight bits a pixel with the grey colour table (entry k is k, k, k).
std::string EncodeGreyBmp(const GreyImage& image);

// Icons of 16 grey levels (four bits a pixel, opaque), one per image.
std::string EncodeGreyIcon(const std::vector<GreyImage>& images);

}  // namespace tools
