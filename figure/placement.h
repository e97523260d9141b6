// Where the two copies lie: centre 1 for the visible image, centre 2 for the
// XORed copy, both in stage pixels. The mirror rule makes centre 1 the point
// reflection of centre 2 through the pattern's origin; the placement clamps
// both to the stage and moves the image and the second copy to them.
#pragma once

#include <cstdint>

#include "figure/pattern.h"

namespace figure {

struct Placement {
    std::int32_t Centre1X = 0;
    std::int32_t Centre1Y = 0;
    std::int32_t Centre2X = 0;
    std::int32_t Centre2Y = 0;
};

// Centre 1 := 2 * origin - centre 2, unclamped.
void TaishoSet(Placement& placement, const FigureState& figure);

// Clamps both centres to 0 .. stage width and 0 .. stage height (inclusive,
// the stored centres change), then puts the image's reference point at
// centre 1 and the second copy's at centre 2.
void PointMove(Placement& placement, FigureState& figure);

}  // namespace figure
