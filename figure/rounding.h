// Conversion of scaled values to whole pixels: to the nearest integer, a value
// exactly halfway going to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// The work is done in long double, the 80-bit extended format on x86.
#pragma once

#include <cmath>
#include <cstdint>

namespace figure {

inline std::int32_t Round(long double value)
{
    // Anything a pixel computation could produce fits; the rest saturates.
    if (!(value > -2147483648.0L)) return INT32_MIN;
    if (!(value < 2147483647.0L)) return INT32_MAX;
    long double below = std::floor(value);
    long double fraction = value - below;  // exact: both share the exponent range
    auto whole = static_cast<std::int64_t>(below);
    if (fraction > 0.5L || (fraction == 0.5L && (whole & 1) != 0)) ++whole;
    return static_cast<std::int32_t>(whole);
}

}  // namespace figure
