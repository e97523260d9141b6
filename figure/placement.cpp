#include "figure/placement.h"

#include <algorithm>

namespace figure {
namespace {

std::int32_t Narrow(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

void TaishoSet(Placement& placement, const FigureState& figure)
{
    placement.Centre1X = Narrow((std::int64_t(figure.OriginX) - placement.Centre2X) * 2 + placement.Centre2X);
    placement.Centre1Y = Narrow((std::int64_t(figure.OriginY) - placement.Centre2Y) * 2 + placement.Centre2Y);
}

void PointMove(Placement& placement, FigureState& figure)
{
    const std::int32_t width = figure.Panel1.Width, height = figure.Panel1.Height;
    placement.Centre1X = std::clamp(placement.Centre1X, 0, width);
    placement.Centre1Y = std::clamp(placement.Centre1Y, 0, height);
    placement.Centre2X = std::clamp(placement.Centre2X, 0, width);
    placement.Centre2Y = std::clamp(placement.Centre2Y, 0, height);
    figure.Image1.Left = Narrow(std::int64_t(placement.Centre1X) - figure.OriginX + figure.OriginLeft);
    figure.Image1.Top = Narrow(std::int64_t(placement.Centre1Y) - figure.OriginY + figure.OriginTop);
    figure.SecondX = Narrow(std::int64_t(placement.Centre2X) - figure.OriginX + figure.OriginLeft);
    figure.SecondY = Narrow(std::int64_t(placement.Centre2Y) - figure.OriginY + figure.OriginTop);
}

}  // namespace figure
