#include "figure/trig.h"

#include <cmath>

namespace figure {
namespace {

// A value held as an unevaluated sum hi + lo of two long doubles, |lo| no more
// than half an ulp of hi: about 128 significant bits.
struct Wide {
    long double hi;
    long double lo;
};

Wide QuickTwoSum(long double a, long double b)
{
    long double s = a + b;
    return {s, b - (s - a)};
}

Wide TwoSum(long double a, long double b)
{
    long double s = a + b;
    long double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Splits a 64-bit significand into two halves of 32 bits.
void Split(long double a, long double& hi, long double& lo)
{
    long double c = 4294967297.0L * a;  // 2^32 + 1
    hi = c - (c - a);
    lo = a - hi;
}

Wide TwoProduct(long double a, long double b)
{
    long double p = a * b;
    long double ah, al, bh, bl;
    Split(a, ah, al);
    Split(b, bh, bl);
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Wide Add(Wide x, Wide y)
{
    Wide s = TwoSum(x.hi, y.hi);
    return QuickTwoSum(s.hi, s.lo + x.lo + y.lo);
}

Wide Multiply(Wide x, Wide y)
{
    Wide p = TwoProduct(x.hi, y.hi);
    return QuickTwoSum(p.hi, p.lo + x.hi * y.lo + x.lo * y.hi);
}

Wide DivideBy(Wide x, long double d)
{
    long double q1 = x.hi / d;
    Wide back = TwoProduct(q1, d);
    Wide rest = Add(x, {-back.hi, -back.lo});
    return QuickTwoSum(q1, rest.hi / d);
}

// pi / 2 in three parts of 64 bits each.
constexpr long double kHalfPi1 = 0xc90fdaa22168c235p-63L;
constexpr long double kHalfPi2 = -0xece675d1fc8f8cbbp-129L;
constexpr long double kHalfPi3 = -0xb7ed8fbbacc19c60p-194L;
constexpr long double kTwoOverPi = 0.636619772367581343075535053490057448L;

// Taylor series of sin r (first = r, odd powers) or cos r (first = 1, even
// powers) for |r| <= pi/4, summed until the terms no longer count.
Wide Series(Wide r, bool sine)
{
    Wide r2 = Multiply(r, r);
    Wide term = sine ? r : Wide{1.0L, 0.0L};
    Wide sum = term;
    for (int n = sine ? 1 : 0; n < 60; n += 2) {
        term = DivideBy(Multiply(term, r2), -static_cast<long double>((n + 1) * (n + 2)));
        if (std::fabs(term.hi) < std::ldexp(std::fabs(sum.hi), -130)) break;
        sum = Add(sum, term);
    }
    return sum;
}

// x = k * pi/2 + r with |r| <= pi/4; returns r and the quadrant k mod 4.
Wide Reduce(long double x, int& quadrant)
{
    long double k = std::nearbyint(x * kTwoOverPi);
    Wide p1 = TwoProduct(k, kHalfPi1);
    Wide p2 = TwoProduct(k, kHalfPi2);
    Wide p3 = TwoProduct(k, kHalfPi3);
    Wide r = Add(Add(Add({x, 0.0L}, {-p1.hi, -p1.lo}), {-p2.hi, -p2.lo}), {-p3.hi, -p3.lo});
    long long whole = static_cast<long long>(k);
    quadrant = static_cast<int>(((whole % 4) + 4) % 4);
    return r;
}

long double Evaluate(long double x, bool sine)
{
    if (!std::isfinite(x)) return x - x;
    int quadrant = 0;
    Wide r = Reduce(x, quadrant);
    // sin and cos shift by a quarter turn per quadrant.
    if (sine) quadrant = (quadrant + 3) % 4;  // sin x = cos(x - pi/2)
    bool useSine = quadrant % 2 == 1;
    Wide value = Series(r, useSine);
    bool negate = quadrant == 1 || quadrant == 2;
    long double result = value.hi + value.lo;
    return negate ? -result : result;
}

}  // namespace

long double Cosine(long double x) { return Evaluate(x, false); }
long double Sine(long double x) { return Evaluate(x, true); }

}  // namespace figure
