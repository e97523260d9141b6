// pbm_to_gif: turns frames written by vidider-sim into one animated GIF.
//
//   pbm_to_gif OUT.gif DELAY_CS FRAME.pbm...
//
// Each frame is halved in both directions, every 2 x 2 block of pixels
// becoming one of five greys, and shown for DELAY_CS hundredths of a second;
// the animation loops.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/pbm.h"

namespace {

class BitWriter {
public:
    void Put(unsigned code, int width)
    {
        buffer_ |= static_cast<unsigned long>(code) << filled_;
        filled_ += width;
        while (filled_ >= 8) {
            bytes_.push_back(static_cast<char>(buffer_ & 0xFF));
            buffer_ >>= 8;
            filled_ -= 8;
        }
    }
    std::string Finish()
    {
        if (filled_ > 0) bytes_.push_back(static_cast<char>(buffer_ & 0xFF));
        return bytes_;
    }

private:
    unsigned long buffer_ = 0;
    int filled_ = 0;
    std::string bytes_;
};

// GIF's variable-width LZW over pixels of `minBits` bits.
std::string Lzw(const std::vector<unsigned char>& pixels, int minBits)
{
    const unsigned clear = 1u << minBits, end = clear + 1;
    BitWriter out;
    std::unordered_map<unsigned, unsigned> table;
    unsigned next = end + 1;
    int width = minBits + 1;
    out.Put(clear, width);
    unsigned prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        unsigned key = (prefix << 8) | pixels[i];
        auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        out.Put(prefix, width);
        if (next < 4096) {
            table[key] = next++;
            if (next > (1u << width) && width < 12) ++width;
        } else {
            out.Put(clear, width);
            table.clear();
            next = end + 1;
            width = minBits + 1;
        }
        prefix = pixels[i];
    }
    out.Put(prefix, width);
    out.Put(end, width);
    return out.Finish();
}

void Put16(std::string& s, unsigned v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

std::string Blocks(const std::string& data)
{
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 255) {
        std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out += static_cast<char>(n);
        out += data.substr(i, n);
    }
    return out + '\0';
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: pbm_to_gif OUT.gif DELAY_CS FRAME.pbm...\n");
        return 2;
    }
    try {
        const int delay = std::stoi(argv[2]);
        std::string gif;
        int width = 0, height = 0;
        for (int i = 3; i < argc; ++i) {
            figure::Surface frame = sim::DecodePbm(Slurp(argv[i]));
            if (i == 3) {
                width = frame.Width() / 2;
                height = frame.Height() / 2;
                gif = "GIF89a";
                Put16(gif, unsigned(width));
                Put16(gif, unsigned(height));
                gif += static_cast<char>(0xF2);  // a global table of 8 colours
                gif += '\0';
                gif += '\0';
                for (int k = 0; k < 8; ++k) gif += std::string(3, static_cast<char>(std::min(255, k * 64)));
                gif += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0", 19);  // loop for ever
            }
            std::vector<unsigned char> pixels(std::size_t(width) * height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    pixels[std::size_t(y) * width + x] =
                        static_cast<unsigned char>(frame.IsWhite(2 * x, 2 * y) + frame.IsWhite(2 * x + 1, 2 * y) +
                                                   frame.IsWhite(2 * x, 2 * y + 1) + frame.IsWhite(2 * x + 1, 2 * y + 1));
            gif += std::string("\x21\xF9\x04\x04", 4);
            Put16(gif, unsigned(delay));
            gif += std::string("\0\0", 2);
            gif += ',';
            Put16(gif, 0);
            Put16(gif, 0);
            Put16(gif, unsigned(width));
            Put16(gif, unsigned(height));
            gif += '\0';
            gif += static_cast<char>(3);  // LZW minimum code size
            gif += Blocks(Lzw(pixels, 3));
        }
        gif += ';';
        std::ofstream out(argv[1], std::ios::binary);
        out.write(gif.data(), std::streamsize(gif.size()));
        if (!out) throw std::runtime_error(std::string("cannot write ") + argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pbm_to_gif: %s\n", e.what());
        return 1;
    }
    return 0;
}
