// What a host shows of one window: the figure rows that reach it, the window
// rectangle they cover, and the black rest. The saver works it out from the
// form's stage and picture; a host only widens the rows to its pixels
// (saver/widen.h), copies them to its screen, and fills the rest black.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "figure/pattern.h"
#include "platform/platform.h"
#include "saver/stage_view.h"

namespace saver {

// What a paint covers: the stage's part of the window (a frame), or the
// whole window (an exposure, the first paint).
enum class PaintArea { Stage, Window };

struct WindowFrame {
    // The window pixels the figure rows cover; empty where none reach it.
    platform::Rect Covered;
    // The figure rows, one-bit pixels as surfaces hold them (leftmost in the
    // high bit, 1 white): the first at Picture, each next Stride bytes on.
    // Covered's first column shows figure pixel FirstColumn of them, from
    // PhaseX screen pixels into its block on; its first row shows the first
    // figure row from PhaseY screen rows into its block on. A figure pixel
    // is Scale x Scale screen pixels.
    const std::uint8_t* Picture = nullptr;
    std::ptrdiff_t Stride = 0;
    int FirstColumn = 0;
    int PhaseX = 0;
    int PhaseY = 0;
    int Scale = 1;
    // The rest of what the paint covers, black: up to four rectangles,
    // above, below, left of and right of Covered.
    std::array<platform::Rect, 4> Black{};
    int BlackCount = 0;

    int Width() const { return Covered.Right - Covered.Left; }
    int Height() const { return Covered.Bottom - Covered.Top; }
    // The figure row that Covered's screen row `y` (from 0) shows.
    const std::uint8_t* Row(int y) const { return Picture + std::ptrdiff_t((PhaseY + y) / Scale) * Stride; }
    // Screen row `y` shows the same figure row as the one above it.
    bool RepeatsRow(int y) const { return y > 0 && (PhaseY + y) % Scale != 0; }
    // How many figure pixels a screen row of Covered touches.
    int Columns() const { return (PhaseX + Width() + Scale - 1) / Scale; }
};

// What `view` shows of the stage whose picture is `figure`'s Image1 now:
// the part of the stage the picture covers, and black for the rest of the
// stage (PaintArea::Stage) or of the whole window (PaintArea::Window).
// Without a picture (before the first frame, or no memory for the figure)
// all of it is black.
WindowFrame DescribeFrame(const StageView& view, const figure::FigureState& figure, PaintArea area);

}  // namespace saver
