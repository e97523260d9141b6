// Cosine and sine in long double, computed by the figure itself so that every
// build rounds an orbit point the same way: the C libraries' own cosl and
// sinl differ in their last bits, and an orbit point that lands on a half
// pixel would then move by one.
#pragma once

namespace figure {

// Both are correctly rounded to long double for |x| < 2^20 but for values
// within about 2^-120 of a rounding boundary.
long double Cosine(long double x);
long double Sine(long double x);

}  // namespace figure
