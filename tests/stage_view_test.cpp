#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "figure/surface.h"
#include "saver/stage_view.h"

namespace saver {
namespace {

using figure::StageSize;

TEST(Scale, IsTheDpiOverNinetySixRoundedHalvesToEvenAndAtLeastOne)
{
    EXPECT_EQ(ScaleForDpi(96), 1);   // 100 %
    EXPECT_EQ(ScaleForDpi(120), 1);  // 125 %
    EXPECT_EQ(ScaleForDpi(144), 2);  // 150 %: 1.5 goes to 2
    EXPECT_EQ(ScaleForDpi(192), 2);  // 200 %
    EXPECT_EQ(ScaleForDpi(240), 2);  // 250 %: 2.5 goes to 2
    EXPECT_EQ(ScaleForDpi(288), 3);  // 300 %
    EXPECT_EQ(ScaleForDpi(336), 4);  // 350 %: 3.5 goes to 4
    EXPECT_EQ(ScaleForDpi(72), 1);
    EXPECT_EQ(ScaleForDpi(0), 1);
    EXPECT_EQ(ScaleForDpi(-96), 1);
}

TEST(Scale, IsLoweredUntilTheClassicStageFitsTheMonitor)
{
    struct Case {
        int width, height, dpi, scale;
    };
    for (Case c : {Case{1920, 1080, 144, 1}, {2560, 1440, 144, 1}, {2560, 1600, 192, 2}, {3840, 2160, 144, 2},
                   {3840, 2160, 288, 2}, {3840, 2160, 96, 1}, {2048, 1536, 192, 2}, {2047, 1536, 192, 1},
                   {2048, 1535, 192, 1}, {7680, 4320, 480, 5}, {1024, 768, 288, 1}, {800, 600, 192, 1}})
        EXPECT_EQ(ScaleForMonitor(c.dpi, c.width, c.height), c.scale) << c.width << " x " << c.height << " at " << c.dpi;
    EXPECT_EQ(FitScale(3, 3072, 2304), 3);
    EXPECT_EQ(FitScale(8, 0, 0), 1) << "never below 1";
}

TEST(WindowStage, FillsTheWindowInFigurePixelsOrKeepsTheClassicStage)
{
    EXPECT_EQ(StageForWindow(1920, 1080, 1, StageMode::Fill), (StageSize{1920, 1080}));
    EXPECT_EQ(StageForWindow(3840, 2160, 2, StageMode::Fill), (StageSize{1920, 1080}));
    EXPECT_EQ(StageForWindow(3841, 2161, 2, StageMode::Fill), (StageSize{1922, 1082}));  // rounded up, then to even
    EXPECT_EQ(StageForWindow(1025, 769, 1, StageMode::Fill), (StageSize{1026, 770}));
    EXPECT_EQ(StageForWindow(1366, 768, 2, StageMode::Fill), figure::kClassicStage);   // the floor
    EXPECT_EQ(StageForWindow(695, 390, 1, StageMode::Fill), figure::kClassicStage);    // a preview pane
    EXPECT_EQ(StageForWindow(3840, 2160, 1, StageMode::Classic), figure::kClassicStage);
}

TEST(StageView, CentresTheStageHalvesToEvenAndCutsItEquallyOnSmallWindows)
{
    struct Case {
        int width, height, left, top;
    };
    for (Case c : {Case{1280, 1024, 128, 128}, {800, 600, -112, -84}, {1025, 768, 0, 0}, {1027, 771, 2, 2}}) {
        StageView v(c.width, c.height, figure::kClassicStage, 1);
        EXPECT_EQ(v.OffsetX(), c.left) << c.width;
        EXPECT_EQ(v.OffsetY(), c.top) << c.height;
    }
    // An odd window: the stage rounded up to even is cut by its last pixel.
    StageView odd(1025, 769, StageForWindow(1025, 769, 1, StageMode::Fill), 1);
    EXPECT_EQ(odd.OffsetX(), 0);
    EXPECT_EQ(odd.OffsetY(), 0);
    EXPECT_EQ(odd.Shown(), (platform::Rect{0, 0, 1025, 769}));
    EXPECT_EQ(odd.Columns().Count, 1025);
    EXPECT_EQ(odd.Rows().Count, 769);
    // The classic stage at scale 2 is 2048 x 1536 screen pixels, cut to the screen.
    StageView big(1920, 1080, figure::kClassicStage, 2);
    EXPECT_EQ(big.OffsetX(), -64);
    EXPECT_EQ(big.OffsetY(), -228);
    EXPECT_EQ(big.Shown(), (platform::Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(big.Columns().First, 32);
    EXPECT_EQ(big.Columns().Count, 960);
    EXPECT_EQ(big.Rows().First, 114);
    EXPECT_EQ(big.Rows().Count, 540);
}

TEST(StageView, MapsThePointerRoundingDownAtScaleTwoOnAnOddWindow)
{
    // 1366 screen pixels hold 683 figure pixels: the 1024 floor, 2048 screen
    // pixels, 341 of them cut on the left.
    StageView v(1366, 768, StageForWindow(1366, 768, 2, StageMode::Fill), 2);
    EXPECT_EQ(v.OffsetX(), -341);
    const ShownSpan columns = v.Columns();
    EXPECT_EQ(columns.First, 170);
    EXPECT_EQ(columns.Phase, 1);  // window column 0 is the right half of figure column 170
    EXPECT_EQ(columns.Count, 684);
    ASSERT_TRUE(v.ToStage(0, 0).has_value());
    EXPECT_EQ(v.ToStage(0, 0)->X, 170);
    EXPECT_EQ(v.ToStage(1, 0)->X, 171);
    EXPECT_EQ(v.ToStage(2, 0)->X, 171);
    EXPECT_EQ(v.ToStage(1365, 0)->X, 853);

    // A stage that lies inside its window: one pixel left of it is off the
    // stage, and its column rounds down to -1, not toward zero.
    StageView inside(2051, 1537, figure::kClassicStage, 2);
    EXPECT_EQ(inside.OffsetX(), 2);  // 1.5 goes to 2
    EXPECT_FALSE(inside.ToStage(1, 10).has_value());
    EXPECT_EQ(inside.StageColumn(1), -1);
    EXPECT_EQ(inside.StageColumn(0), -1);
    EXPECT_EQ(inside.StageColumn(-1), -2);
    EXPECT_EQ(inside.ToStage(2, 0)->X, 0);
    EXPECT_EQ(inside.ToStage(3, 0)->X, 0);
    EXPECT_EQ(inside.ToStage(2049, 1)->X, 1023);
    EXPECT_FALSE(inside.ToStage(2050, 10).has_value());
    EXPECT_FALSE(inside.ToStage(10, 1536).has_value());
}

TEST(StageView, ShowsNothingOfAStageOutsideTheWindow)
{
    StageView v(0, 0, figure::kClassicStage, 1);
    EXPECT_TRUE(v.Shown().Empty());
    EXPECT_EQ(v.Columns().Count, 0);
}

}  // namespace
}  // namespace saver
