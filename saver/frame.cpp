#include "saver/frame.h"

#include <algorithm>

namespace saver {
namespace {

// `area` less `hole` (which lies within it): the bands above and below the
// hole, and the parts of its rows left and right of it.
void Subtract(const platform::Rect& area, const platform::Rect& hole, WindowFrame& frame)
{
    auto add = [&](platform::Rect r) {
        if (!r.Empty()) frame.Black[std::size_t(frame.BlackCount++)] = r;
    };
    if (hole.Empty()) {
        add(area);
        return;
    }
    add({area.Left, area.Top, area.Right, hole.Top});
    add({area.Left, hole.Bottom, area.Right, area.Bottom});
    add({area.Left, hole.Top, hole.Left, hole.Bottom});
    add({hole.Right, hole.Top, area.Right, hole.Bottom});
}

}  // namespace

WindowFrame DescribeFrame(const StageView& view, const figure::FigureState& figure, PaintArea area)
{
    WindowFrame frame;
    frame.Scale = view.Scale();
    const platform::Rect shown = view.Shown();
    const figure::Surface* picture = figure.Image1.Picture;
    const int left = figure.Image1.Left, top = figure.Image1.Top;
    if (picture != nullptr && !shown.Empty()) {
        // The stage's columns and rows that the picture covers.
        const ShownSpan columns = view.Columns(), rows = view.Rows();
        const int c0 = std::max(columns.First, left), c1 = std::min(columns.First + columns.Count, left + picture->Width());
        const int r0 = std::max(rows.First, top), r1 = std::min(rows.First + rows.Count, top + picture->Height());
        const int s = frame.Scale, x0 = view.OffsetX(), y0 = view.OffsetY();
        if (c0 < c1 && r0 < r1) {
            frame.Covered = {std::max(shown.Left, x0 + c0 * s), std::max(shown.Top, y0 + r0 * s),
                             std::min(shown.Right, x0 + c1 * s), std::min(shown.Bottom, y0 + r1 * s)};
            const int column = view.StageColumn(frame.Covered.Left), row = view.StageRow(frame.Covered.Top);
            frame.Picture = picture->Row(row - top);
            frame.Stride = picture->Stride();
            frame.FirstColumn = column - left;
            frame.PhaseX = frame.Covered.Left - (x0 + column * s);
            frame.PhaseY = frame.Covered.Top - (y0 + row * s);
        }
    }
    const platform::Rect painted =
        area == PaintArea::Window ? platform::Rect{0, 0, view.WindowWidth(), view.WindowHeight()} : shown;
    if (!painted.Empty()) Subtract(painted, frame.Covered, frame);
    return frame;
}

}  // namespace saver
