#include "wayland/surface_layout.h"

#include <algorithm>
#include <cmath>

namespace wayland {
namespace {

// a x b / kScaleUnit rounded half away from zero, for sizes 0 or more.
int Scaled(int size, int scale120) { return int((std::int64_t(size) * scale120 + kScaleUnit / 2) / kScaleUnit); }

}  // namespace

BufferLayout LayoutFor(int width, int height, int scale120, bool viewports)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    scale120 = std::max(scale120, kScaleUnit / 8);
    if (scale120 % kScaleUnit == 0 || !viewports) {
        const int whole = std::max(1, (scale120 + kScaleUnit - 1) / kScaleUnit);
        return {width * whole, height * whole, whole, false};
    }
    return {std::max(1, Scaled(width, scale120)), std::max(1, Scaled(height, scale120)), 1, true};
}

std::optional<CoverLayout> LayoutOfCover(int physicalWidth, int physicalHeight, int logicalWidth, int logicalHeight,
                                         int wholeScale)
{
    if (physicalWidth <= 0 || physicalHeight <= 0 || logicalWidth <= 0 || logicalHeight <= 0) return std::nullopt;
    if (std::int64_t(logicalWidth) * wholeScale == physicalWidth && std::int64_t(logicalHeight) * wholeScale == physicalHeight)
        return std::nullopt;
    const int guess = int((std::int64_t(physicalWidth) * kScaleUnit + logicalWidth / 2) / logicalWidth);
    // The compositor cut the logical size from the output's: at that scale
    // it gives the output's pixels back within one on each side.
    auto near = [](int scaled, int physical) { return scaled >= physical - 1 && scaled <= physical + 1; };
    for (int scale : {guess, guess - 1, guess + 1})
        if (scale > 0 && near(Scaled(logicalWidth, scale), physicalWidth) && near(Scaled(logicalHeight, scale), physicalHeight))
            return CoverLayout{{physicalWidth, physicalHeight, 1, true}, scale};
    return std::nullopt;
}

int DpiOf(int scale120) { return Scaled(96, std::max(scale120, 1)); }

int BufferPixel(std::int32_t fixed, int surfaceSize, int bufferSize)
{
    if (surfaceSize <= 0) return 0;
    // fixed / 256 x bufferSize / surfaceSize, rounding toward minus infinity.
    const std::int64_t scaled = std::int64_t(fixed) * bufferSize, unit = std::int64_t(surfaceSize) * 256;
    return int(scaled >= 0 ? scaled / unit : -((-scaled + unit - 1) / unit));
}

BufferChoice ChooseBuffer(const std::vector<BufferState>& buffers, int width, int height)
{
    // A free buffer of the size first: it needs no new memory.
    for (std::size_t i = 0; i < buffers.size(); ++i)
        if (!buffers[i].Held && buffers[i].Width == width && buffers[i].Height == height)
            return {BufferChoice::Kind::Use, i};
    for (std::size_t i = 0; i < buffers.size(); ++i)
        if (!buffers[i].Held) return {BufferChoice::Kind::Remake, i};
    // Every buffer is held: one more, up to two, or a third while the
    // compositor holds both; past that the frame waits.
    if (buffers.size() < kMostBuffers) return {BufferChoice::Kind::Make, buffers.size()};
    return {};
}

}  // namespace wayland
