#include <gtest/gtest.h>

#include <set>

#include "app/frame_rate.h"

namespace app {
namespace {

constexpr std::uint64_t kMs = 1000000;

TEST(FrameRate, IsReadOnceASecondFromTheFramesOfThatSecond)
{
    FrameRateMeter meter;
    meter.Start(5000 * kMs, 700);
    EXPECT_FALSE(meter.Rate()) << "no rate before the first second is over";
    EXPECT_FALSE(meter.Update(5999 * kMs, 750));
    EXPECT_FALSE(meter.Rate());
    EXPECT_EQ(meter.NextReadingNs(), 6000 * kMs);

    ASSERT_TRUE(meter.Update(6000 * kMs, 750));
    EXPECT_DOUBLE_EQ(*meter.Rate(), 50.0);
    EXPECT_EQ(meter.NextReadingNs(), 7000 * kMs);
    // A late reading spreads the frames over the longer time.
    ASSERT_TRUE(meter.Update(7250 * kMs, 800));
    EXPECT_DOUBLE_EQ(*meter.Rate(), 40.0);
    // No frames, as when --frames has stopped them.
    ASSERT_TRUE(meter.Update(8250 * kMs, 800));
    EXPECT_DOUBLE_EQ(*meter.Rate(), 0.0);

    meter.Start(9000 * kMs, 800);
    EXPECT_FALSE(meter.Rate()) << "a new start forgets the old rate";
}

TEST(FrameRate, TextHasOneDecimalAndAHighestValue)
{
    EXPECT_EQ(FrameRateText(std::nullopt), "FPS: -");
    EXPECT_EQ(FrameRateText(50.0), "FPS: 50.0");
    EXPECT_EQ(FrameRateText(49.96), "FPS: 50.0");
    EXPECT_EQ(FrameRateText(0.0), "FPS: 0.0");
    EXPECT_EQ(FrameRateText(1000.0), "FPS: 1000.0");
    EXPECT_EQ(FrameRateText(1e12), "FPS: 9999.9");
}

TEST(FrameRate, BoxKeepsItsSizeAndShowsEveryRateDifferently)
{
    const figure::Surface empty = FrameRateBox(std::nullopt);
    EXPECT_GT(empty.Width(), empty.Height());
    std::set<std::vector<std::uint8_t>> pictures;
    for (double rate : {0.0, 5.0, 50.0, 50.1, 51.0, 60.0, 123.4, 567.8, 999.9, 9999.9}) {
        const figure::Surface box = FrameRateBox(rate);
        ASSERT_EQ(box.Width(), empty.Width()) << rate;
        ASSERT_EQ(box.Height(), empty.Height()) << rate;
        pictures.insert(std::vector<std::uint8_t>(box.Bits(), box.Bits() + box.SizeBytes()));
    }
    EXPECT_EQ(pictures.size(), 10u) << "two rates look alike: a digit has no glyph, or two share one";
    EXPECT_TRUE(FrameRateBox(1e9) == FrameRateBox(9999.9));
}

TEST(FrameRate, BoxIsWhiteTextOnBlackWithABlackMargin)
{
    const figure::Surface box = FrameRateBox(88.8);
    int white = 0;
    for (int y = 0; y < box.Height(); ++y)
        for (int x = 0; x < box.Width(); ++x) {
            if (!box.IsWhite(x, y)) continue;
            ++white;
            EXPECT_TRUE(x >= 4 && y >= 4 && x < box.Width() - 4 && y < box.Height() - 4)
                << "a white pixel in the margin at " << x << "," << y;
        }
    // "FPS: 88.8" is mostly ink; a blank box or an inverted one fails.
    EXPECT_GT(white, 150);
    EXPECT_LT(white, box.Width() * box.Height() / 2);
}

}  // namespace
}  // namespace app
