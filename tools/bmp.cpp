#include "tools/bmp.h"

namespace tools {
namespace {

constexpr std::uint32_t kPixelsPerMetre = 2834;

void Put16(std::string& out, std::uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::size_t RowBytes(int width, int bits) { return (std::size_t(width) * bits + 31) / 32 * 4; }

void PutInfoHeader(std::string& out, int width, int height, int bits, std::uint32_t imageSize, int colours)
{
    Put32(out, 40);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(height));
    Put16(out, 1);
    Put16(out, std::uint32_t(bits));
    Put32(out, 0);  // uncompressed
    Put32(out, imageSize);
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, std::uint32_t(colours));
    Put32(out, 0);
}

void PutGreyTable(std::string& out, int colours)
{
    for (int k = 0; k < colours; ++k) {
        auto level = std::uint8_t(colours == 256 ? k : k * 17);
        out += char(level);
        out += char(level);
        out += char(level);
        out += '\0';
    }
}

std::string FileHeaderAround(const std::string& dib, std::size_t bitsOffset)
{
    std::string out = "BM";
    Put32(out, std::uint32_t(14 + dib.size()));
    Put32(out, 0);
    Put32(out, std::uint32_t(14 + bitsOffset));
    return out + dib;
}

}  // namespace

std::string EncodeOneBitBmp(const figure::Surface& surface)
{
    const std::size_t rowBytes = RowBytes(surface.Width(), 1);
    std::string dib;
    PutInfoHeader(dib, surface.Width(), surface.Height(), 1, std::uint32_t(rowBytes * surface.Height()), 2);
    dib += std::string("\xFF\xFF\xFF\0\0\0\0\0", 8);  // entry 0 white, entry 1 black
    for (int y = surface.Height() - 1; y >= 0; --y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < surface.Width(); ++x)
            if (!surface.IsWhite(x, y)) row[std::size_t(x >> 3)] |= char(0x80 >> (x & 7));
        dib += row;
    }
    return FileHeaderAround(dib, 40 + 8);
}

std::string EncodeGreyBmp(const GreyImage& image)
{
    const std::size_t rowBytes = RowBytes(image.Width, 8);
    std::string dib;
    PutInfoHeader(dib, image.Width, image.Height, 8, std::uint32_t(rowBytes * image.Height), 256);
    PutGreyTable(dib, 256);
    for (int y = image.Height - 1; y >= 0; --y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < image.Width; ++x) row[std::size_t(x)] = char(image.At(x, y));
        dib += row;
    }
    return FileHeaderAround(dib, 40 + 1024);
}

std::string EncodeGreyIcon(const std::vector<GreyImage>& images)
{
    std::vector<std::string> entries;
    for (const GreyImage& image : images) {
        const std::size_t colourRow = RowBytes(image.Width, 4), maskRow = RowBytes(image.Width, 1);
        std::string dib;
        // An icon's header counts the colour rows and the mask rows.
        PutInfoHeader(dib, image.Width, 2 * image.Height, 4,
                      std::uint32_t((colourRow + maskRow) * image.Height), 16);
        PutGreyTable(dib, 16);
        for (int y = image.Height - 1; y >= 0; --y) {
            std::string row(colourRow, '\0');
            for (int x = 0; x < image.Width; ++x) {
                int level = (image.At(x, y) * 15 + 127) / 255;
                row[std::size_t(x >> 1)] |= char((x & 1) ? level : level << 4);
            }
            dib += row;
        }
        dib += std::string(maskRow * image.Height, '\0');  // opaque
        entries.push_back(dib);
    }
    std::string out;
    Put16(out, 0);
    Put16(out, 1);  // icons
    Put16(out, std::uint32_t(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out += char(images[i].Width & 0xFF);
        out += char(images[i].Height & 0xFF);
        out += char(16);  // colours
        out += '\0';
        Put16(out, 1);  // planes
        Put16(out, 4);  // bits per pixel
        Put32(out, std::uint32_t(entries[i].size()));
        Put32(out, offset);
        offset += std::uint32_t(entries[i].size());
    }
    for (const std::string& entry : entries) out += entry;
    return out;
}

}  // namespace tools
