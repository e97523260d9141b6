// The figure's own pseudo-random generator: a 32-bit linear congruential
// sequence. The motion is its only user, and the order of its draws is part of
// the motion: the same seed gives the same figure on every build.
#pragma once

#include <cstdint>

namespace figure {

class Random {
public:
    explicit Random(std::uint32_t seed = 0) : seed_(seed) {}

    // An integer in 0 .. n - 1: the seed steps to seed * 134775813 + 1
    // (mod 2^32), and the draw is the upper half of the 64-bit product of the
    // new seed and n.
    std::int32_t operator()(std::uint32_t n)
    {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<std::int32_t>((std::uint64_t(seed_) * n) >> 32);
    }

    std::uint32_t Seed() const { return seed_; }
    void SetSeed(std::uint32_t seed) { seed_ = seed; }

private:
    std::uint32_t seed_;
};

}  // namespace figure
