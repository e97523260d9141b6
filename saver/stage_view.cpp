#include "saver/stage_view.h"

#include <algorithm>

#include "figure/rounding.h"
#include "figure/surface.h"

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

RowEnlarger::RowEnlarger(int scale) : scale_(std::clamp(scale, 1, kMaxScale))
{
    const std::uint64_t run = (std::uint64_t(1) << scale_) - 1;
    for (int byte = 0; byte < 256; ++byte) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            if (byte & (0x80 >> i)) bits |= run << (scale_ * (7 - i));
        enlarged_[std::size_t(byte)] = bits;
    }
}

void RowEnlarger::Enlarge(std::uint8_t* out, const std::uint8_t* row, int x, int count) const
{
    if (count <= 0) return;
    if (scale_ == 1) {
        // 32 pixels at a time, the last word's bits past the row cleared.
        const int words = (count + 31) / 32;
        for (int w = 0; w < words; ++w) {
            std::uint32_t bits = figure::LoadBits32(row, std::ptrdiff_t(x) + 32 * w);
            if (w == words - 1) bits &= figure::WordMask(w, 0, count);
            figure::StoreWord32(out, w, bits, 0xFFFFFFFFu);
        }
        return;
    }
    const int bytes = (count + 7) / 8;
    for (int i = 0; i < bytes; ++i) {
        auto byte = std::uint8_t(figure::LoadBits32(row, std::ptrdiff_t(x) + 8 * i) >> 24);
        const int left = count - 8 * i;
        if (left < 8) byte = std::uint8_t(byte & (0xFF00u >> left));
        // 8 x scale bits, a whole number of bytes, highest first.
        const std::uint64_t bits = enlarged_[byte];
        std::uint8_t* to = out + std::size_t(i) * std::size_t(scale_);
        for (int b = 0; b < scale_; ++b) to[b] = std::uint8_t(bits >> (8 * (scale_ - 1 - b)));
    }
}

}  // namespace saver
