// pbm_to_gif: turns frames written by vidider-sim into one animated GIF,
// through giflib.
//
//   pbm_to_gif OUT.gif DELAY_CS SCALE FRAME.pbm...
//
// Each frame is shrunk SCALE times in both directions, every SCALE x SCALE
// block of pixels becoming one of SCALE * SCALE + 1 greys (the moire's beats
// are what shows at that size), and is shown for DELAY_CS hundredths of a
// second; the animation loops. The file is written whole or not at all.
#include <gif_lib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/pbm.h"

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int Number(const char* text, const char* what, int low, int high)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high)
        throw std::invalid_argument(std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not '" + text + "'");
    return int(value);
}

class Gif {
public:
    Gif(const std::string& path, int width, int height, int greys) : width_(width)
    {
        int error = 0;
        file_ = EGifOpenFileName(path.c_str(), false, &error);
        if (file_ == nullptr) throw std::runtime_error("cannot write " + path + ": " + GifErrorString(error));
        int bits = 1;
        while ((1 << bits) < greys) ++bits;
        ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
        for (int k = 0; k < map->ColorCount; ++k) {
            GifByteType level = GifByteType(k < greys ? 255 * k / (greys - 1) : 255);
            map->Colors[k] = {level, level, level};
        }
        EGifSetGifVersion(file_, true);
        const bool described = EGifPutScreenDesc(file_, width, height, bits, 0, map) == GIF_OK;
        GifFreeMapObject(map);
        if (!described) Fail();
        // The NETSCAPE2.0 block: loop for ever.
        static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType kLoop[] = {1, 0, 0};
        if (EGifPutExtensionLeader(file_, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
            EGifPutExtensionBlock(file_, sizeof kNetscape, kNetscape) != GIF_OK ||
            EGifPutExtensionBlock(file_, sizeof kLoop, kLoop) != GIF_OK || EGifPutExtensionTrailer(file_) != GIF_OK)
            Fail();
    }
    ~Gif()
    {
        if (file_ != nullptr) EGifCloseFile(file_, nullptr);
    }

    void Frame(std::vector<GifByteType>& pixels, int height, int delay)
    {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.DelayTime = delay;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(file_, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) != GIF_OK) Fail();
        if (EGifPutImageDesc(file_, 0, 0, width_, height, false, nullptr) != GIF_OK) Fail();
        for (int y = 0; y < height; ++y)
            if (EGifPutLine(file_, &pixels[std::size_t(y) * width_], width_) != GIF_OK) Fail();
    }

    void Close()
    {
        int error = 0;
        GifFileType* file = file_;
        file_ = nullptr;
        if (EGifCloseFile(file, &error) != GIF_OK) throw std::runtime_error(GifErrorString(error));
    }

private:
    [[noreturn]] void Fail() { throw std::runtime_error(GifErrorString(file_->Error)); }

    GifFileType* file_ = nullptr;
    int width_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: pbm_to_gif OUT.gif DELAY_CS SCALE FRAME.pbm...\n");
        return 2;
    }
    const std::string out = argv[1], partial = out + ".partial";
    try {
        const int delay = Number(argv[2], "DELAY_CS", 1, 65535);
        const int scale = Number(argv[3], "SCALE", 1, 4);
        const int greys = scale * scale + 1;
        std::unique_ptr<Gif> gif;
        int width = 0, height = 0;
        std::vector<GifByteType> pixels;
        for (int i = 4; i < argc; ++i) {
            figure::Surface frame = sim::DecodePbm(Slurp(argv[i]));
            if (!gif) {
                width = frame.Width() / scale;
                height = frame.Height() / scale;
                gif = std::make_unique<Gif>(partial, width, height, greys);
                pixels.resize(std::size_t(width) * height);
            }
            if (frame.Width() / scale != width || frame.Height() / scale != height)
                throw std::runtime_error(std::string(argv[i]) + " differs in size from the first frame");
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    int white = 0;
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx) white += frame.IsWhite(scale * x + dx, scale * y + dy);
                    pixels[std::size_t(y) * width + x] = GifByteType(white);
                }
            gif->Frame(pixels, height, delay);
        }
        gif->Close();
        using std::filesystem::perms;
        std::filesystem::permissions(partial, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
        std::filesystem::rename(partial, out);
    } catch (const std::exception& e) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        std::fprintf(stderr, "pbm_to_gif: %s\n", e.what());
        return 1;
    }
    return 0;
}
