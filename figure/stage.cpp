#include "figure/stage.h"

#include <algorithm>
#include <cmath>

namespace figure {
namespace {

std::int64_t RoundUpToEven(std::int64_t value) { return value + (value & 1); }
std::int64_t RoundDownToEven(std::int64_t value) { return value - (value & 1); }

bool Fits(std::int64_t width, std::int64_t height)
{
    return width <= kMaxStageSide && height <= kMaxStageSide &&
           SurfaceBytesFor({int(width), int(height)}) <= kMaxSurfaceBytes;
}

}  // namespace

std::size_t SurfaceBytesFor(StageSize stage)
{
    const std::size_t stride = (std::size_t(SurfaceWidthFor(stage.Width)) + 31) / 32 * 4;
    return stride * std::size_t(SurfaceHeightFor(stage.Height));
}

bool IsValidStage(StageSize stage)
{
    return stage.Width % 2 == 0 && stage.Height % 2 == 0 && stage.Width >= kClassicStageWidth &&
           stage.Height >= kClassicStageHeight && Fits(stage.Width, stage.Height);
}

StageSize StageFor(std::int64_t width, std::int64_t height)
{
    // Past twice the largest side nothing changes but the arithmetic's reach.
    const std::int64_t width0 = RoundUpToEven(std::clamp<std::int64_t>(width, kClassicStageWidth, 2 * kMaxStageSide));
    const std::int64_t height0 =
        RoundUpToEven(std::clamp<std::int64_t>(height, kClassicStageHeight, 2 * kMaxStageSide));
    if (Fits(width0, height0)) return {int(width0), int(height0)};
    // The largest factor k / 2^16 that makes both sides fit; k = 0 gives the
    // classic stage, which always fits, and the sizes grow with k.
    auto scaled = [&](std::int64_t k) {
        return StageSize{int(std::max<std::int64_t>(kClassicStageWidth, RoundDownToEven(width0 * k >> 16))),
                         int(std::max<std::int64_t>(kClassicStageHeight, RoundDownToEven(height0 * k >> 16)))};
    };
    std::int64_t fits = 0, fails = std::int64_t(1) << 16;
    while (fails - fits > 1) {
        std::int64_t k = (fits + fails) / 2;
        StageSize s = scaled(k);
        (Fits(s.Width, s.Height) ? fits : fails) = k;
    }
    return scaled(fits);
}

std::int32_t RingCountFor(StageSize stage)
{
    const std::int64_t dx = std::int64_t(stage.Width) + 76, dy = std::int64_t(stage.Height) + 140;
    const std::int64_t reach2 = dx * dx + dy * dy;  // the far corner's distance, squared
    std::int64_t n = std::max<std::int64_t>(0, (std::int64_t(std::sqrt(double(reach2))) - 2) / 20 - 1);
    while ((20 * n + 2) * (20 * n + 2) < reach2) ++n;
    return std::int32_t(std::max<std::int64_t>(110, n));
}

}  // namespace figure
