#include "saver/stage_view.h"

#include <algorithm>

#include "figure/rounding.h"

namespace saver {
namespace {

// The division that rounds toward minus infinity, for pixels left of or
// above the stage.
int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

ShownSpan SpanOf(int window, int offset, int size, int scale)
{
    const int from = std::max(0, offset), to = std::min(window, offset + size * scale);
    if (from >= to) return {};
    const int first = FloorDiv(from - offset, scale);
    const int last = FloorDiv(to - 1 - offset, scale);
    return {first, last - first + 1, from - offset - first * scale};
}

}  // namespace

int ScaleForDpi(int dpi)
{
    return std::clamp(figure::Round(static_cast<long double>(dpi) / 96.0L), 1, kMaxScale);
}

int FitScale(int scale, int width, int height)
{
    scale = std::clamp(scale, 1, kMaxScale);
    while (scale > 1 && (figure::kClassicStageWidth * scale > width || figure::kClassicStageHeight * scale > height))
        --scale;
    return scale;
}

int ScaleForMonitor(int dpi, int width, int height) { return FitScale(ScaleForDpi(dpi), width, height); }

figure::StageSize StageForWindow(int width, int height, int scale, StageMode mode)
{
    if (mode == StageMode::Classic) return figure::kClassicStage;
    scale = std::max(1, scale);
    return figure::StageFor((std::int64_t(width) + scale - 1) / scale, (std::int64_t(height) + scale - 1) / scale);
}

StageView::StageView(int windowWidth, int windowHeight, figure::StageSize stage, int scale)
    : windowWidth_(windowWidth), windowHeight_(windowHeight), stage_(stage), scale_(std::max(1, scale))
{
    offsetX_ = figure::Round((static_cast<long double>(windowWidth) - static_cast<long double>(scale_) * stage.Width) * 0.5L);
    offsetY_ = figure::Round((static_cast<long double>(windowHeight) - static_cast<long double>(scale_) * stage.Height) * 0.5L);
}

platform::Rect StageView::Shown() const
{
    platform::Rect r{std::max(0, offsetX_), std::max(0, offsetY_),
                     std::min(windowWidth_, offsetX_ + stage_.Width * scale_),
                     std::min(windowHeight_, offsetY_ + stage_.Height * scale_)};
    return r.Empty() ? platform::Rect{} : r;
}

ShownSpan StageView::Columns() const { return SpanOf(windowWidth_, offsetX_, stage_.Width, scale_); }
ShownSpan StageView::Rows() const { return SpanOf(windowHeight_, offsetY_, stage_.Height, scale_); }

int StageView::StageColumn(int x) const { return FloorDiv(x - offsetX_, scale_); }
int StageView::StageRow(int y) const { return FloorDiv(y - offsetY_, scale_); }

std::optional<FigurePoint> StageView::ToStage(int x, int y) const
{
    const int dx = x - offsetX_, dy = y - offsetY_;
    if (dx < 0 || dy < 0 || dx >= stage_.Width * scale_ || dy >= stage_.Height * scale_) return std::nullopt;
    return FigurePoint{dx / scale_, dy / scale_};
}

}  // namespace saver
