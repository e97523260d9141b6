#include "tools/pbm.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sim {

std::string EncodePbm(const figure::Surface& surface)
{
    const int rowBytes = (surface.Width() + 7) / 8;
    std::string out = "P4\n" + std::to_string(surface.Width()) + " " + std::to_string(surface.Height()) + "\n";
    out.reserve(out.size() + std::size_t(rowBytes) * surface.Height());
    for (int y = 0; y < surface.Height(); ++y) {
        const std::uint8_t* row = surface.Row(y);
        for (int i = 0; i < rowBytes; ++i) out += char(~row[i]);
        // Bits past the last pixel are 0, as PBM wants them.
        int spare = rowBytes * 8 - surface.Width();
        if (spare > 0) out.back() = char(std::uint8_t(out.back()) & std::uint8_t(0xFFu << spare));
    }
    return out;
}

void WritePbm(const figure::Surface& surface, const std::string& path)
{
    std::string bytes = EncodePbm(surface);
    std::string temporary = path + ".partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = (std::fclose(file) == 0) && written;
    std::error_code error;
    if (written) std::filesystem::rename(temporary, path, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error("cannot write " + path);
    }
}

figure::Surface DecodePbm(const std::string& bytes)
{
    std::istringstream in(bytes);
    std::string magic;
    int width = 0, height = 0;
    in >> magic >> width >> height;
    if (magic != "P4" || width <= 0 || height <= 0) throw std::runtime_error("not a binary PBM file");
    in.get();
    figure::Surface surface(width, height);
    const int rowBytes = (width + 7) / 8;
    std::string row(std::size_t(rowBytes), '\0');
    for (int y = 0; y < height; ++y) {
        if (!in.read(row.data(), rowBytes)) throw std::runtime_error("PBM file ends early");
        for (int i = 0; i < rowBytes; ++i) surface.Row(y)[i] = std::uint8_t(~row[std::size_t(i)]);
    }
    surface.ClearPadding();
    return surface;
}

}  // namespace sim
