#include "wayland/surface_layout.h"

#include <gtest/gtest.h>

#include "saver/stage_view.h"

namespace wayland {
namespace {

TEST(SurfaceLayout, AWholeScaleGoesThroughTheBufferScale)
{
    EXPECT_EQ(LayoutFor(1920, 1080, 120, true), (BufferLayout{1920, 1080, 1, false}));
    EXPECT_EQ(LayoutFor(1280, 800, 240, true), (BufferLayout{2560, 1600, 2, false}));
    EXPECT_EQ(LayoutFor(1280, 720, 360, false), (BufferLayout{3840, 2160, 3, false}));
}

TEST(SurfaceLayout, AFractionalScaleGetsTheOutputsPixelsThroughAViewport)
{
    // 1920 x 1080 at 150 % is a surface of 1280 x 720.
    EXPECT_EQ(LayoutFor(1280, 720, 180, true), (BufferLayout{1920, 1080, 1, true}));
    // 125 %: 1536 x 864.
    EXPECT_EQ(LayoutFor(1536, 864, 150, true), (BufferLayout{1920, 1080, 1, true}));
    // Halves are rounded away from zero, as fractional-scale-v1 asks: 1.5 x 3 = 4.5.
    EXPECT_EQ(LayoutFor(3, 5, 180, true), (BufferLayout{5, 8, 1, true}));
    // Without viewports the next whole scale, which the compositor resamples.
    EXPECT_EQ(LayoutFor(1280, 720, 180, false), (BufferLayout{2560, 1440, 2, false}));
    EXPECT_EQ(LayoutFor(1536, 864, 150, false), (BufferLayout{3072, 1728, 2, false}));
}

TEST(SurfaceLayout, ASurfaceCoveringAFractionallyScaledOutputGetsItsPixelsAndTheirScale)
{
    auto cover = [](int pw, int ph, int lw, int lh, int whole) { return LayoutOfCover(pw, ph, lw, lh, whole); };
    // 1920 x 1080 at 150 % shows a surface of 1280 x 720, told scale 2.
    ASSERT_TRUE(cover(1920, 1080, 1280, 720, 2));
    EXPECT_EQ(cover(1920, 1080, 1280, 720, 2)->Buffer, (BufferLayout{1920, 1080, 1, true}));
    EXPECT_EQ(cover(1920, 1080, 1280, 720, 2)->Scale120, 180);
    EXPECT_EQ(cover(1920, 1080, 1536, 864, 2)->Scale120, 150);
    // Sizes the compositor cut: 1024 x 768 at 1.5 is 682.67 x 512, cut to
    // 682 x 512; 2560 x 1600 at 1.75 is 1462 x 914. The buffer keeps the
    // output's pixels.
    EXPECT_EQ(cover(1024, 768, 682, 512, 2)->Buffer, (BufferLayout{1024, 768, 1, true}));
    EXPECT_EQ(cover(1024, 768, 682, 512, 2)->Scale120, 180);
    EXPECT_EQ(cover(2560, 1600, 1462, 914, 2)->Scale120, 210);
    // Where the whole scale gives the output's pixels, the buffer scale does.
    EXPECT_FALSE(cover(1920, 1080, 1920, 1080, 1));
    EXPECT_FALSE(cover(3840, 2160, 1920, 1080, 2));
    // A surface that does not cover its output (a panel kept its room): none.
    EXPECT_FALSE(cover(1920, 1080, 1920, 1050, 1));
    EXPECT_FALSE(cover(1920, 1080, 0, 720, 2));
    EXPECT_FALSE(cover(0, 0, 1280, 720, 2));
}

TEST(SurfaceLayout, TheScaleRuleReadsTheOutputsScaleTimes96AsItsDpi)
{
    EXPECT_EQ(DpiOf(120), 96);
    EXPECT_EQ(DpiOf(150), 120);
    EXPECT_EQ(DpiOf(180), 144);
    EXPECT_EQ(DpiOf(240), 192);
    // As the other hosts: 150 % on a 2560 x 1600 output is figure scale 2;
    // on 1920 x 1080, which cannot hold the classic stage at 2, scale 1.
    EXPECT_EQ(saver::ScaleForMonitor(DpiOf(180), 2560, 1600), 2);
    EXPECT_EQ(saver::ScaleForMonitor(DpiOf(180), 1920, 1080), 1);
    EXPECT_EQ(saver::ScaleForMonitor(DpiOf(150), 1920, 1080), 1);
}

TEST(SurfaceLayout, APointerPositionIsTheBufferPixelUnderIt)
{
    // wl_fixed_t: 256 a surface pixel.
    EXPECT_EQ(BufferPixel(100 * 256, 1920, 1920), 100);
    EXPECT_EQ(BufferPixel(100 * 256 + 255, 1920, 1920), 100) << "rounding down";
    EXPECT_EQ(BufferPixel(100 * 256, 960, 1920), 200) << "buffer scale 2";
    EXPECT_EQ(BufferPixel(101 * 256 + 128, 1280, 1920), 152) << "150 %: 101.5 is 152.25";
    EXPECT_EQ(BufferPixel(-1, 1280, 1920), -1) << "left of the surface, rounding down";
    EXPECT_EQ(BufferPixel(1280 * 256 - 1, 1280, 1920), 1919);
}

TEST(SurfaceLayout, AFrameGoesIntoAReleasedBufferAndAThirdIsMadeOnlyWhileBothAreHeld)
{
    using Kind = BufferChoice::Kind;
    auto choose = [](std::vector<BufferState> buffers) { return ChooseBuffer(buffers, 100, 50); };
    EXPECT_EQ(choose({}).What, Kind::Make);
    EXPECT_EQ(choose({{true, 100, 50}}).What, Kind::Make) << "the second";
    const BufferChoice free = choose({{true, 100, 50}, {false, 100, 50}});
    EXPECT_EQ(free.What, Kind::Use);
    EXPECT_EQ(free.Index, 1u);
    const BufferChoice third = choose({{true, 100, 50}, {true, 100, 50}});
    EXPECT_EQ(third.What, Kind::Make) << "a third while the compositor holds both";
    EXPECT_EQ(third.Index, 2u);
    EXPECT_EQ(choose({{true, 100, 50}, {true, 100, 50}, {true, 100, 50}}).What, Kind::None)
        << "never a fourth: the frame waits";
    EXPECT_EQ(choose({{true, 100, 50}, {false, 100, 50}, {false, 100, 50}}).Index, 1u);
    // A buffer of the old size is made anew once it is free; one of the
    // size is taken before it.
    const BufferChoice remake = choose({{false, 80, 40}, {true, 100, 50}});
    EXPECT_EQ(remake.What, Kind::Remake);
    EXPECT_EQ(remake.Index, 0u);
    EXPECT_EQ(choose({{false, 80, 40}, {false, 100, 50}}).What, Kind::Use);
    EXPECT_EQ(choose({{true, 80, 40}, {true, 80, 40}}).What, Kind::Make);
}

}  // namespace
}  // namespace wayland
