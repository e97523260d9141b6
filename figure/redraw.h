// Frame composition: the pattern exclusive-or'ed with a second copy of itself
// at (SecondX, SecondY), over exactly the window of the image that the stage
// shows, with the title laid over the middle during the title time.
#pragma once

#include <stdexcept>

#include "figure/pattern.h"
#include "figure/ticks.h"

namespace figure {

// The placement puts the shown window or the second copy outside the surfaces.
class PlacementError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Composes one frame into FrameBitmap and hands it to Image1. Only the shown
// window is written; what the stage shows is, pixel for pixel, the whole
// pattern with the second copy XORed over that window. The title (a surface
// in the figure's colours, bit 1 white) is laid by colour, centred on the
// stage, when the clock read after the XOR lies within TitleTimeMs of
// `activatedTick`; pass no title to leave it off. Throws PlacementError,
// before touching a pixel, for a placement outside the surfaces.
void ReDraw(FigureState& figure, const Surface* title, const Clock& clock, Tick activatedTick);

// The stage as it shows now: `shown` (stage-sized) receives the image's
// picture from image point (-Left, -Top); parts of the stage the picture does
// not cover are black.
void CopyShownWindow(const FigureState& figure, Surface& shown);

// Copies `width` pixels from pixel `srcX` of `src` to pixel `dstX` of `dst`.
void CopyBits(std::uint8_t* dst, int dstX, const std::uint8_t* src, int srcX, int width);

}  // namespace figure
