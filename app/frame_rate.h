// The frame rate as the X11 hack shows it with --fps: the frames of each
// second counted on a monotonic clock, and the box it is drawn in, a
// one-bit picture of "FPS: 50.0" in a small font of its own, white on black.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "figure/surface.h"

namespace app {

class FrameRateMeter {
public:
    static constexpr std::uint64_t kSecondNs = 1000000000u;

    // Counting starts at `nowNs` (nanoseconds) with `frames` frames so far.
    void Start(std::uint64_t nowNs, std::uint64_t frames);
    // Once a second has passed since the last reading, takes a new one:
    // the frames since then over the time since then. True when it did.
    bool Update(std::uint64_t nowNs, std::uint64_t frames);
    // Frames a second at the last reading; none before the first.
    std::optional<double> Rate() const { return rate_; }
    // When the next reading is due.
    std::uint64_t NextReadingNs() const { return sinceNs_ + kSecondNs; }

private:
    std::uint64_t sinceNs_ = 0;
    std::uint64_t sinceFrames_ = 0;
    std::optional<double> rate_;
};

// "FPS: 50.0": one decimal, at most 9999.9; "FPS: -" before the first reading.
std::string FrameRateText(std::optional<double> rate);

// The box of the frame rate, the same size for every rate: the text in
// white on black, its glyphs 5 x 7 pixels drawn twice as large.
figure::Surface FrameRateBox(std::optional<double> rate);

}  // namespace app
