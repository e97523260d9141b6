#include <gtest/gtest.h>

#include "figure/placement.h"

namespace figure {
namespace {

FigureState Standard()
{
    // The origin and image position the standard build leaves.
    FigureState f;
    f.OriginX = 512;
    f.OriginY = 384;
    f.OriginLeft = -588;
    f.OriginTop = -466;
    return f;
}

TEST(TaishoSet, MirrorsCentreTwoThroughTheOriginWithoutClamping)
{
    FigureState f = Standard();
    Placement p;
    p.Centre2X = 0;
    p.Centre2Y = 0;
    TaishoSet(p, f);
    EXPECT_EQ(p.Centre1X, 1024);
    EXPECT_EQ(p.Centre1Y, 768);
    p.Centre2X = -100;
    p.Centre2Y = 900;
    TaishoSet(p, f);
    EXPECT_EQ(p.Centre1X, 1124);
    EXPECT_EQ(p.Centre1Y, -132);
}

TEST(PointMove, ClampsBothCentresToTheStageInclusively)
{
    FigureState f = Standard();
    Placement p{1024, 768, -5, 800};
    PointMove(p, f);
    EXPECT_EQ(p.Centre1X, 1024);
    EXPECT_EQ(p.Centre1Y, 768);
    EXPECT_EQ(p.Centre2X, 0);
    EXPECT_EQ(p.Centre2Y, 768);
    p = {2000, -1, INT32_MAX, INT32_MIN};
    PointMove(p, f);
    EXPECT_EQ(p.Centre1X, 1024);
    EXPECT_EQ(p.Centre1Y, 0);
    EXPECT_EQ(p.Centre2X, 1024);
    EXPECT_EQ(p.Centre2Y, 0);
}

TEST(PointMove, PutsEachCopysReferencePointAtItsCentre)
{
    FigureState f = Standard();
    Placement p{700, 200, 324, 568};
    PointMove(p, f);
    // The reference point is image point (1100, 850).
    EXPECT_EQ(f.Image1.Left + 1100, 700);
    EXPECT_EQ(f.Image1.Top + 850, 200);
    EXPECT_EQ(f.SecondX + 1100, 324);
    EXPECT_EQ(f.SecondY + 850, 568);
}

TEST(PointMove, CentreTwoAtTheOriginLaysTheCopiesOnEachOther)
{
    FigureState f = Standard();
    Placement p;
    p.Centre2X = 512;
    p.Centre2Y = 384;
    TaishoSet(p, f);
    PointMove(p, f);
    EXPECT_EQ(p.Centre1X, 512);
    EXPECT_EQ(f.Image1.Left, -588);
    EXPECT_EQ(f.Image1.Top, -466);
    EXPECT_EQ(f.SecondX, -588);
    EXPECT_EQ(f.SecondY, -466);
}

TEST(PointMove, KeepsEveryPlacementInsideTheRangeTheFrameNeeds)
{
    // Any centres at all, mirrored or not, place both copies within
    // -1100..-76 and -850..-82: inside the surfaces the frame reads.
    FigureState f = Standard();
    for (int cx = -3000; cx <= 3000; cx += 37) {
        for (int cy = -3000; cy <= 3000; cy += 41) {
            Placement p{cy, cx, cx, cy};
            if ((cx + cy) % 2 == 0) TaishoSet(p, f);
            PointMove(p, f);
            ASSERT_GE(f.Image1.Left, -1100);
            ASSERT_LE(f.Image1.Left, -76);
            ASSERT_GE(f.Image1.Top, -850);
            ASSERT_LE(f.Image1.Top, -82);
            ASSERT_GE(f.SecondX, -1100);
            ASSERT_LE(f.SecondX, -76);
            ASSERT_GE(f.SecondY, -850);
            ASSERT_LE(f.SecondY, -82);
        }
    }
}

}  // namespace
}  // namespace figure
