// The X11 hack's image rows against Xlib's own reading of an image (XGetPixel)
// in every byte order, bit order and unit a server may ask for. No server
// is needed: the images are made here.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) would change GoogleTest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <random>
#include <vector>

#include "figure/surface.h"
#include "x11/bitmap_rows.h"

namespace x11 {
namespace {

struct Order {
    int byteOrder, bitOrder, unit;
};

std::string Describe(const Order& o)
{
    return std::string(o.byteOrder == MSBFirst ? "MSB" : "LSB") + " bytes, " +
           (o.bitOrder == MSBFirst ? "MSB" : "LSB") + " bits, unit " + std::to_string(o.unit);
}

std::vector<Order> EveryOrder()
{
    std::vector<Order> orders;
    for (int unit : {8, 16, 32})
        for (int bytes : {LSBFirst, MSBFirst})
            for (int bits : {LSBFirst, MSBFirst}) orders.push_back({bytes, bits, unit});
    return orders;
}

// A one-row XYBitmap image over `data`, as a server of that order would
// take it, padded to 32 bits.
XImage ImageOver(std::vector<char>& data, int width, const Order& o)
{
    XImage image{};
    image.width = width;
    image.height = 1;
    image.format = XYBitmap;
    image.byte_order = o.byteOrder;
    image.bitmap_unit = o.unit;
    image.bitmap_bit_order = o.bitOrder;
    image.bitmap_pad = 32;
    image.depth = 1;
    image.bits_per_pixel = 1;
    image.bytes_per_line = (width + 31) / 32 * 4;
    data.assign(std::size_t(image.bytes_per_line), 0);
    image.data = data.data();
    EXPECT_NE(XInitImage(&image), 0);
    return image;
}

figure::Surface Noise(int width, int height, unsigned seed)
{
    figure::Surface s(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) s.SetWhite(x, y, random() & 1);
    return s;
}

TEST(BitmapRows, EveryByteAndBitOrderShowsTheEnginesPixels)
{
    // Widths of the stage, of the frame-rate box, and odd ones around a
    // word; starts at every shift within a byte and far into the row.
    const figure::Surface source = Noise(2200, 4, 11);
    for (const Order& order : EveryOrder())
        for (int width : {1024, 138, 1, 7, 63, 64, 65, 130})
            for (int from : {0, 1, 3, 7, 8, 13, 100, 1075}) {
                std::vector<char> data;
                XImage image = ImageOver(data, width, order);
                const int y = (width + from) % 4;
                CopyRow(reinterpret_cast<std::uint8_t*>(image.data), source.Row(y), from, width, LayoutOf(image));
                int wrong = 0, first = -1;
                for (int x = 0; x < width; ++x)
                    if ((XGetPixel(&image, x, 0) != 0) != source.IsWhite(from + x, y) && wrong++ == 0) first = x;
                EXPECT_EQ(wrong, 0) << Describe(order) << ", width " << width << " from " << from
                                    << ": first wrong pixel " << first;
            }
}

TEST(BitmapRows, WritesWholeUnitsAndNothingPastThem)
{
    const figure::Surface source = Noise(256, 1, 5);
    for (const Order& order : EveryOrder())
        for (int width : {1, 9, 17, 33, 64, 100}) {
            std::vector<char> data;
            XImage image = ImageOver(data, width, order);
            // A row the size of its units, then bytes that must stay as they are.
            const int units = (width + order.unit - 1) / order.unit;
            std::vector<std::uint8_t> row(std::size_t(units * order.unit / 8) + 8, 0xA5);
            CopyRow(row.data(), source.Row(0), 3, width, LayoutOf(image));
            for (std::size_t i = std::size_t(units * order.unit / 8); i < row.size(); ++i)
                EXPECT_EQ(row[i], 0xA5) << Describe(order) << ", width " << width << ": byte " << i << " written";
        }
}

TEST(BitmapRows, ReadsOnlyTheBytesThatHoldThePixels)
{
    // The source is exactly as long as the pixels it holds, so that a read
    // past it shows under the address sanitizer; the pixels still arrive.
    for (int width : {1, 8, 57, 64, 71}) {
        for (int from : {0, 5}) {
            const std::size_t length = std::size_t(from + width + 7) / 8;
            std::vector<std::uint8_t> source(length);
            for (std::size_t i = 0; i < length; ++i) source[i] = std::uint8_t(0x5A ^ (i * 37));
            Order order{LSBFirst, LSBFirst, 32};
            std::vector<char> data;
            XImage image = ImageOver(data, width, order);
            CopyRow(reinterpret_cast<std::uint8_t*>(image.data), source.data(), from, width, LayoutOf(image));
            for (int x = 0; x < width; ++x) {
                const int bit = from + x;
                const bool white = (source[std::size_t(bit / 8)] >> (7 - bit % 8)) & 1;
                ASSERT_EQ(XGetPixel(&image, x, 0) != 0, white) << "width " << width << " from " << from << " x " << x;
            }
        }
    }
}

}  // namespace
}  // namespace x11
