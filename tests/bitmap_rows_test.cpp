// The X11 hack's image rows against Xlib's own reading of an image (XGetPixel)
// in every byte order, bit order and unit a server may ask for, one bit a
// pixel or 32-bit pixels, at every scale and every phase of the first block.
// No server is needed: the images are made here.
#include <gtest/gtest.h>

#include "saver/widen.h"
// Xlib after GoogleTest and the platform's header: its macros (None, Bool,
// NoValue) would change their names.
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

// A one-row ZPixmap of 32 bits a pixel over `data`, of depth 24 or 32.
XImage PixelsOver(std::vector<char>& data, int width, int byteOrder, int depth)
{
    XImage image{};
    image.width = width;
    image.height = 1;
    image.format = ZPixmap;
    image.byte_order = byteOrder;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = byteOrder;
    image.bitmap_pad = 32;
    image.depth = depth;
    image.bits_per_pixel = 32;
    image.bytes_per_line = width * 4;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
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
            std::vector<char> pixelData;
            XImage pixels = PixelsOver(pixelData, width, LSBFirst, 24);
            PixelLayoutOf(pixels, 0, 0xFFFFFF)
                .Widen(reinterpret_cast<std::uint8_t*>(pixels.data), source.data(), from, 0, width);
            for (int x = 0; x < width; ++x) {
                const int bit = from + x;
                const bool white = (source[std::size_t(bit / 8)] >> (7 - bit % 8)) & 1;
                ASSERT_EQ(XGetPixel(&image, x, 0) != 0, white) << "width " << width << " from " << from << " x " << x;
                ASSERT_EQ(XGetPixel(&pixels, x, 0), white ? 0xFFFFFFu : 0u) << "widened, width " << width << " x " << x;
            }
            // Widened at scale 3 from the middle of a block: the figure
            // pixels those screen pixels need, and no byte past them.
            const int phase = 2, scaled = (width - from) * 3 - phase;
            if (scaled <= 0) continue;
            std::vector<char> enlargedData;
            XImage enlarged = PixelsOver(enlargedData, scaled, LSBFirst, 24);
            PixelLayoutOf(enlarged, 0, 0xFFFFFF, 3)
                .Widen(reinterpret_cast<std::uint8_t*>(enlarged.data), source.data(), from, phase, scaled);
            for (int x = 0; x < scaled; ++x) {
                const int bit = from + (phase + x) / 3;
                const bool white = (source[std::size_t(bit / 8)] >> (7 - bit % 8)) & 1;
                ASSERT_EQ(XGetPixel(&enlarged, x, 0), white ? 0xFFFFFFu : 0u) << "scale 3, width " << width << " x " << x;
            }
        }
    }
}

// Where the stage row shows figure pixel `from` + (phase + x) / scale at
// window pixel x of a one-bit `image`, by Xlib's reading; the first wrong x,
// or -1.
int FirstWrongBit(XImage& image, const figure::Surface& source, int y, int from, int phase, int width, int scale)
{
    for (int x = 0; x < width; ++x)
        if ((XGetPixel(&image, x, 0) != 0) != source.IsWhite(from + (phase + x) / scale, y)) return x;
    return -1;
}

TEST(StageRows, EveryScaleAndPhaseMakesEachFigurePixelABlockInBitmaps)
{
    const figure::Surface source = Noise(1200, 3, 21);
    RowScratch scratch;
    for (const Order& order : EveryOrder())
        for (int scale = 1; scale <= saver::kMaxScale; ++scale)
            for (int phase = 0; phase < scale; ++phase)
                for (int width : {1, 13, 64, 129, 700})
                    for (int from : {0, 5, 64, 333}) {
                        std::vector<char> data;
                        XImage image = ImageOver(data, width, order);
                        const int y = (scale + width) % 3;
                        BitmapRow(reinterpret_cast<std::uint8_t*>(image.data), source.Row(y), from, phase, width, scale,
                                  LayoutOf(image), scratch);
                        EXPECT_EQ(FirstWrongBit(image, source, y, from, phase, width, scale), -1)
                            << Describe(order) << ", scale " << scale << " phase " << phase << ", width " << width
                            << " from " << from;
                    }
}

TEST(StageRows, EveryScaleAndPhaseMakesEachFigurePixelABlockOf32BitPixels)
{
    // A depth-24 window's black and white, and a 32-bit one's, opaque.
    struct Colours {
        int depth;
        unsigned long black, white;
    };
    const figure::Surface source = Noise(1200, 3, 22);
    for (int byteOrder : {LSBFirst, MSBFirst})
        for (Colours c : {Colours{24, 0x000000, 0xFFFFFF}, {32, 0xFF000000, 0xFFFFFFFF}})
            for (int scale = 1; scale <= saver::kMaxScale; ++scale)
                for (int phase = 0; phase < scale; ++phase)
                    for (int width : {1, 63, 64, 65, 700})
                        for (int from : {0, 7, 64, 333}) {
                            std::vector<char> data;
                            XImage image = PixelsOver(data, width, byteOrder, c.depth);
                            const int y = (scale + from) % 3;
                            PixelLayoutOf(image, c.black, c.white, scale)
                                .Widen(reinterpret_cast<std::uint8_t*>(image.data), source.Row(y), from, phase, width);
                            int wrong = -1;
                            for (int x = 0; x < width && wrong < 0; ++x) {
                                const bool white = source.IsWhite(from + (phase + x) / scale, y);
                                if (XGetPixel(&image, x, 0) != (white ? c.white : c.black)) wrong = x;
                            }
                            EXPECT_EQ(wrong, -1) << (byteOrder == MSBFirst ? "MSB" : "LSB") << " first, depth "
                                                 << c.depth << ", scale " << scale << " phase " << phase << ", width "
                                                 << width << " from " << from;
                        }
}

TEST(StageRows, WidensExactlyTheWidthAndNothingPastIt)
{
    const figure::Surface source = Noise(600, 1, 6);
    std::vector<char> image(8);
    XImage layoutOnly = PixelsOver(image, 2, LSBFirst, 24);
    for (int scale : {1, 3, 8}) {
        const saver::PixelWidener layout = PixelLayoutOf(layoutOnly, 0, 0xFFFFFF, scale);
        for (int width : {1, 31, 64, 65, 100, 64 * scale + 1})
            for (int phase : {0, scale - 1}) {
                std::vector<std::uint8_t> row(std::size_t(width) * 4 + 16, 0xA5);
                layout.Widen(row.data(), source.Row(0), 3, phase, width);
                for (std::size_t i = std::size_t(width) * 4; i < row.size(); ++i)
                    ASSERT_EQ(row[i], 0xA5) << "scale " << scale << " phase " << phase << " width " << width
                                            << ": byte " << i << " written";
            }
    }
}

}  // namespace
}  // namespace x11
