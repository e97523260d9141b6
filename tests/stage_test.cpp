#include <gtest/gtest.h>

#include <cmath>

#include "figure/stage.h"

namespace figure {
namespace {

TEST(StageSurfaces, AreTwiceTheStageAnd152By164More)
{
    EXPECT_EQ(SurfaceWidthFor(1024), 2200);
    EXPECT_EQ(SurfaceHeightFor(768), 1700);
    EXPECT_EQ(SurfaceBytesFor(kClassicStage), 469200u);
    EXPECT_EQ(SurfaceWidthFor(1920), 3992);
    EXPECT_EQ(SurfaceHeightFor(1080), 2324);
    // 3992 bits are 124.75 words: rows of 500 bytes.
    EXPECT_EQ(SurfaceBytesFor({1920, 1080}), 500u * 2324u);
}

TEST(StageRings, ReachTheFarthestCornerAndNeverFallBelow110)
{
    EXPECT_EQ(RingCountFor(kClassicStage), 110);  // the corner lies 1426.3 px away: ring 72 would do
    EXPECT_EQ(RingCountFor({1920, 1080}), 117);   // 2339.3 px: 20 * 117 + 2 = 2342
    EXPECT_EQ(RingCountFor({1600, 1200}), 110);   // 2038.2 px: 102 would do
    for (StageSize s : {StageSize{2560, 1440}, StageSize{3840, 2160}, StageSize{1026, 770}, StageSize{16384, 8070},
                        StageSize{16384, 768}, StageSize{1024, 16384}}) {
        const std::int32_t n = RingCountFor(s);
        const double reach = std::hypot(s.Width + 76.0, s.Height + 140.0);
        EXPECT_GE(20.0 * n + 2, reach) << s.Width << "x" << s.Height;
        if (n > 110) {
            EXPECT_LT(20.0 * (n - 1) + 2, reach) << s.Width << "x" << s.Height;
        }
        EXPECT_LT(n, 1000) << "Edit1 holds three characters";
    }
    EXPECT_EQ(RingCountFor({3840, 2160}), 227);  // 4541.5 px: 20 * 227 + 2 = 4542
}

TEST(StageSize, FollowsTheWindowWithEachSideFlooredAndRoundedUpToEven)
{
    EXPECT_EQ(StageFor(1024, 768), kClassicStage);
    EXPECT_EQ(StageFor(1920, 1080), (StageSize{1920, 1080}));
    EXPECT_EQ(StageFor(1025, 769), (StageSize{1026, 770}));
    EXPECT_EQ(StageFor(800, 600), kClassicStage);
    EXPECT_EQ(StageFor(695, 390), kClassicStage);  // the daemon's preview pane
    EXPECT_EQ(StageFor(2000, 600), (StageSize{2000, 768}));
    EXPECT_EQ(StageFor(700, 1201), (StageSize{1024, 1202}));
    EXPECT_EQ(StageFor(0, -5), kClassicStage);
    EXPECT_EQ(StageFor(7680, 4320), (StageSize{7680, 4320}));  // 8K fits in 64 MiB
}

TEST(StageSize, OfAHugeWindowIsTheLargestThatCanBeMadeInTheWindowsShape)
{
    for (auto [w, h] : {std::pair<std::int64_t, std::int64_t>{100000, 100000}, {16384, 16384}, {40000, 1000},
                        {20000, 10000}, {16386, 768}, {INT64_MAX / 4, INT64_MAX / 4}}) {
        StageSize s = StageFor(w, h);
        EXPECT_TRUE(IsValidStage(s)) << w << "x" << h << " -> " << s.Width << "x" << s.Height;
        EXPECT_LE(SurfaceBytesFor(s), kMaxSurfaceBytes);
        // One step larger on either side would not be made.
        EXPECT_FALSE(IsValidStage({s.Width + 2, s.Height + 2}) && s.Width + 2 <= w && s.Height + 2 <= h);
    }
    EXPECT_EQ(StageFor(40000, 1000).Width, kMaxStageSide);
    EXPECT_EQ(StageFor(16386, 768), (StageSize{16384, 768}));
    StageSize square = StageFor(100000, 100000);
    EXPECT_EQ(square.Width, square.Height);
    EXPECT_GT(square.Width, 11000);
    StageSize wide = StageFor(32768, 16384);  // two to one: kept
    EXPECT_NEAR(double(wide.Width) / wide.Height, 2.0, 0.01);
}

TEST(StageSize, ThatCannotBeMadeIsTold)
{
    EXPECT_TRUE(IsValidStage(kClassicStage));
    EXPECT_TRUE(IsValidStage({16384, 8070}));
    EXPECT_FALSE(IsValidStage({16384, 8072}));  // a surface past 64 MiB
    EXPECT_FALSE(IsValidStage({16386, 768}));   // a side past 16384
    EXPECT_FALSE(IsValidStage({1023, 768}));
    EXPECT_FALSE(IsValidStage({1025, 768}));    // odd
    EXPECT_FALSE(IsValidStage({1024, 766}));
}

}  // namespace
}  // namespace figure
