#include <gtest/gtest.h>

#include <cmath>

#include "figure/integer_text.h"
#include "figure/pattern.h"

namespace figure {
namespace {

FigureState Built()
{
    FigureState figure;
    CreateSurfaces(figure);
    BmpInit(figure, 2);
    return figure;
}

FigureState Empty()
{
    FigureState figure;
    CreateSurfaces(figure);
    figure.PatternReady = false;
    return figure;
}

bool Black(const Surface& s, int x, int y) { return !s.IsWhite(x, y); }

// Whether a distance lies in a band of a set with spacing 20: the bands are
// [20n - 3, 20n + 7), 10 px centred on radius 20n + 2.
bool InStandardBand(double d) { return std::fmod(d + 3.0, 20.0) < 10.0; }

// Distance to the nearest band edge of a standard set.
double EdgeDistance(double d)
{
    double phase = std::fmod(d + 3.0, 10.0);
    return std::min(phase, 10.0 - phase);
}

TEST(Surface, IsLaidOutAsAOneBitDibAndStartsWhite)
{
    Surface s(kSurfaceWidth, kSurfaceHeight);
    EXPECT_EQ(s.Stride(), 276);
    EXPECT_EQ(s.SizeBytes(), 469200u);
    EXPECT_TRUE(s.IsWhite(0, 0));
    EXPECT_TRUE(s.IsWhite(2199, 1699));
    s.SetWhite(0, 0, false);
    EXPECT_EQ(s.Row(0)[0], 0x7F);  // leftmost pixel in the high bit, 1 white
    s.SetWhite(9, 1, false);
    EXPECT_EQ(s.Row(1)[1], 0xBF);
    // Pixels 2192..2199 fill byte 274; the padding byte past them stays clear.
    EXPECT_EQ(s.Row(5)[275], 0x00);
    EXPECT_EQ(s.Row(5)[274], 0xFF);
}

TEST(StandardBuild, LeavesTheImageCentredAndTheOriginBetweenTheRingCentres)
{
    FigureState f = Built();
    EXPECT_EQ(f.Image1.Left, -588);
    EXPECT_EQ(f.Image1.Top, -466);
    EXPECT_EQ(f.OriginX, 512);
    EXPECT_EQ(f.OriginY, 384);
    EXPECT_EQ(f.OriginLeft, -588);
    EXPECT_EQ(f.OriginTop, -466);
    EXPECT_EQ(f.OriginX - f.OriginLeft, 1100);
    EXPECT_EQ(f.OriginY - f.OriginTop, 850);
    EXPECT_EQ(f.Edit1.Text, "110");
    EXPECT_EQ(f.ComboBox3.Text, "20");
    EXPECT_TRUE(f.PatternReady);
}

TEST(StandardBuild, HasBlackRingCentresAndAWhiteSurfaceCentre)
{
    FigureState f = Built();
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 1100, 792));
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 1100, 908));
    // 58 px from both centres: inside ring 3 of both sets, inverted twice.
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 1100, 850));
}

TEST(StandardBuild, IsTheExclusiveOrOfTwoRingSetsAwayFromBandEdges)
{
    FigureState f = Built();
    int checked = 0;
    for (int y = 0; y < kSurfaceHeight; y += 7) {
        for (int x = 0; x < kSurfaceWidth; x += 7) {
            double d1 = std::hypot(x - 1100.0, y - 792.0), d2 = std::hypot(x - 1100.0, y - 908.0);
            if (EdgeDistance(d1) < 0.75 || EdgeDistance(d2) < 0.75) continue;
            bool expected = InStandardBand(d1) != InStandardBand(d2);
            ASSERT_EQ(Black(f.Pattern->PatternBitmap, x, y), expected) << "pixel " << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 20000);
}

TEST(StandardBuild, ReachesTheFarCorners)
{
    // Ring 71 (radius 1422, band to 1427) still covers the corners 1426.3 px
    // from a centre; nothing farther exists to cover.
    FigureState f = Empty();
    DrawRingSet(f.Pattern->PatternBitmap, 1100, 792, 110, 20);
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 0, 1699));
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 2199, 1699));
}

FigureState OnStage(StageSize stage)
{
    FigureState figure;
    figure.Panel1.Width = stage.Width;
    figure.Panel1.Height = stage.Height;
    CreateSurfaces(figure);
    return figure;
}

TEST(StandardBuild, OnALargerStageCentresTheOriginOnItAndReachesTheFarCorners)
{
    FigureState f = OnStage({1920, 1080});
    EXPECT_EQ(f.Image1.Width, 3992);
    EXPECT_EQ(f.Image1.Height, 2324);
    EXPECT_EQ(f.Pattern->PatternBitmap.Width(), 3992);
    EXPECT_EQ(f.FrameBitmap.Height(), 2324);
    BmpInit(f, 2);
    EXPECT_EQ(f.Image1.Left, -1036);
    EXPECT_EQ(f.Image1.Top, -622);
    EXPECT_EQ(f.OriginX, 960);
    EXPECT_EQ(f.OriginY, 540);
    EXPECT_EQ(f.OriginX - f.OriginLeft, 1996);  // the surface's centre
    EXPECT_EQ(f.OriginY - f.OriginTop, 1162);
    EXPECT_EQ(f.Edit1.Text, "117");
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 1996, 1104));
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 1996, 1220));

    // The lower corners lie 2338.8 px from the upper centre: ring 117
    // (2337 to 2347) covers them, where 110 rings would stop at 2207.
    FigureState one = OnStage({1920, 1080});
    one.PatternReady = false;
    DrawRingSet(one.Pattern->PatternBitmap, 1996, 1104, 117, 20);
    EXPECT_TRUE(Black(one.Pattern->PatternBitmap, 0, 2323));
    EXPECT_TRUE(Black(one.Pattern->PatternBitmap, 3991, 2323));
    FigureState tooFew = OnStage({1920, 1080});
    DrawRingSet(tooFew.Pattern->PatternBitmap, 1996, 1104, 110, 20);
    EXPECT_FALSE(Black(tooFew.Pattern->PatternBitmap, 0, 2323));
}

TEST(StandardBuild, OnTheClassicStageIsUnchangedByTheRuleForLargerOnes)
{
    // The same 1024 x 768 stage asked for explicitly builds the same pattern.
    FigureState f = OnStage(kClassicStage);
    BmpInit(f, 2);
    EXPECT_TRUE(f.Pattern->PatternBitmap == Built().Pattern->PatternBitmap);
}

TEST(Surfaces, ForAStageThatCannotBeMadeAreAnErrorAndNothingIsCreated)
{
    for (StageSize bad : {StageSize{1023, 768}, StageSize{1025, 768}, StageSize{16386, 768}, StageSize{16384, 8072}}) {
        FigureState f;
        f.Panel1.Width = bad.Width;
        f.Panel1.Height = bad.Height;
        EXPECT_THROW(CreateSurfaces(f), std::invalid_argument) << bad.Width << "x" << bad.Height;
        EXPECT_FALSE(f.SurfacesCreated);
    }
}

TEST(RingSet, IsTenPixelBandsOnTheSpacingPitch)
{
    FigureState f = Empty();
    DrawRingSet(f.Pattern->PatternBitmap, 1100, 850, 110, 20);
    // Along the axis: the disc of ring 0 to distance 6, then 10 white, 10 black...
    std::vector<int> runs;
    bool colour = Black(f.Pattern->PatternBitmap, 1100, 850);
    EXPECT_TRUE(colour);
    int length = 0;
    for (int x = 1100; x < 1500; ++x) {
        if (Black(f.Pattern->PatternBitmap, x, 850) != colour) {
            runs.push_back(length);
            colour = !colour;
            length = 0;
        }
        ++length;
    }
    ASSERT_GE(runs.size(), 10u);
    EXPECT_EQ(runs[0], 7);
    for (std::size_t i = 1; i < runs.size(); ++i) EXPECT_EQ(runs[i], 10) << "run " << i;
    // The same radially in any direction, away from band edges.
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 1100 + 42, 850 + 0));        // ring 2: 37..46
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 1100 - 29, 850 - 29));       // d 41.0
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 1100 + 21, 850 + 21));      // d 29.7, a gap
}

TEST(RingSet, CountZeroDrawsOnlyTheSmallDisc)
{
    FigureState f = Empty();
    f.Edit1.Text = "0";
    Image1MouseDown(f, MouseButton::Left, 300, 300);
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 300, 300));
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 306, 300));
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 307, 300));
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 304, 304));   // d 5.66
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 305, 305));  // d 7.07
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 330, 300));
}

TEST(RingSet, OverlappingBandsOfNarrowSpacingCancel)
{
    FigureState f = Empty();
    DrawRingSet(f.Pattern->PatternBitmap, 800, 800, 40, 5);
    // Every distance past the middle lies in two bands 5 px apart.
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 825, 800));
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 842, 800));
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 800, 900));
    FigureState wide = Empty();
    DrawRingSet(wide.Pattern->PatternBitmap, 800, 800, 40, 20);
    EXPECT_TRUE(Black(wide.Pattern->PatternBitmap, 825, 800));
}

TEST(RingSet, ZeroSpacingInvertsTheSameDiscOncePerRing)
{
    FigureState odd = Empty(), even = Empty();
    DrawRingSet(odd.Pattern->PatternBitmap, 500, 500, 4, 0);   // five discs
    DrawRingSet(even.Pattern->PatternBitmap, 500, 500, 5, 0);  // six discs
    EXPECT_TRUE(Black(odd.Pattern->PatternBitmap, 500, 500));
    EXPECT_FALSE(Black(even.Pattern->PatternBitmap, 500, 500));
}

TEST(RingSet, HugeSpacingOrCountFinishesAndDrawsOnlyWhatReachesTheSurface)
{
    FigureState f = Empty();
    f.Edit1.Text = "999";
    f.ComboBox3.Text = "2147483647";
    Image1MouseDown(f, MouseButton::Left, 100, 100);
    EXPECT_TRUE(Black(f.Pattern->PatternBitmap, 100, 100));
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 150, 100));
    DrawRingSet(f.Pattern->PatternBitmap, 5000000, -5000000, 2147483647, 1);  // far away: nothing
    EXPECT_FALSE(Black(f.Pattern->PatternBitmap, 150, 100));
}

TEST(Press, DoesNothingWhilePatternReadyWhateverTheButton)
{
    FigureState f = Built();
    Surface before = f.Pattern->PatternBitmap;
    for (MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle})
        Image1MouseDown(f, b, 10, 10);
    EXPECT_TRUE(f.Pattern->PatternBitmap == before);
    EXPECT_EQ(f.OriginX, 512);
    EXPECT_EQ(f.OriginY, 384);
}

TEST(Press, RecordsTheOriginInPanelCoordinatesAndNegativeCountDrawsNothing)
{
    FigureState f = Empty();
    f.Edit1.Text = "-3";
    Image1MouseDown(f, MouseButton::Left, 700, 600);
    EXPECT_EQ(f.OriginX, 700 - 550);
    EXPECT_EQ(f.OriginY, 600 - 500);
    EXPECT_EQ(f.OriginLeft, -550);
    EXPECT_EQ(f.OriginTop, -500);
    EXPECT_TRUE(f.Pattern->PatternBitmap == Surface(kSurfaceWidth, kSurfaceHeight));
    Image1MouseDown(f, MouseButton::Right, 100, 100);
    EXPECT_EQ(f.OriginX, 150);  // only a left press draws or records
}

TEST(Press, BadSpacingIsAnErrorBeforeAnythingChanges)
{
    FigureState f = Empty();
    f.ComboBox3.Text = "ten";
    EXPECT_THROW(Image1MouseDown(f, MouseButton::Left, 700, 600), ConversionError);
    EXPECT_EQ(f.OriginX, 0);
    EXPECT_TRUE(f.Pattern->PatternBitmap == Surface(kSurfaceWidth, kSurfaceHeight));
}

TEST(Press, BadCountIsAnErrorAfterTheOriginIsRecorded)
{
    FigureState f = Empty();
    f.Edit1.Text = "1x0";
    EXPECT_THROW(Image1MouseDown(f, MouseButton::Left, 700, 600), ConversionError);
    EXPECT_EQ(f.OriginX, 150);
    EXPECT_EQ(f.OriginY, 100);
    EXPECT_TRUE(f.Pattern->PatternBitmap == Surface(kSurfaceWidth, kSurfaceHeight));
}

TEST(Clear, WhitensThePatternAndGivesTheImageACopy)
{
    FigureState f = Built();
    Btn_ClearClick(f);
    EXPECT_TRUE(f.Pattern->PatternBitmap == Surface(kSurfaceWidth, kSurfaceHeight));
    ASSERT_NE(f.Image1.Picture, nullptr);
    EXPECT_NE(f.Image1.Picture, &f.Pattern->PatternBitmap);
    EXPECT_TRUE(*f.Image1.Picture == f.Pattern->PatternBitmap);
}

TEST(BmpInit, OtherModesOnlyClear)
{
    FigureState f = Built();
    BmpInit(f, 1);
    EXPECT_TRUE(f.Pattern->PatternBitmap == Surface(kSurfaceWidth, kSurfaceHeight));
    EXPECT_FALSE(f.PatternReady);
    EXPECT_EQ(f.Edit1.Text, "110");  // untouched since the standard build
}

TEST(BmpInit, WithoutSurfacesTouchesNothing)
{
    FigureState f;  // creation stopped before the surfaces
    BmpInit(f, 2);
    Btn_ClearClick(f);
    EXPECT_FALSE(f.SurfacesCreated);
    EXPECT_EQ(f.Image1.Picture, nullptr);
}

TEST(IntegerText, AcceptsSignedDecimalsInRangeOnly)
{
    EXPECT_EQ(StrToInt("-2"), -2);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", "-", "2147483648", "-2147483649", " 1", "1 ", "0x10", "1.0", "abc", "99999999999999999999"})
        EXPECT_FALSE(ParseInteger(bad).has_value()) << bad;
    EXPECT_THROW(StrToInt("abc"), ConversionError);
    for (int v : {-7, -1, 0, 1, 7, 2147483647}) EXPECT_EQ(StrToInt(IntToStr(v)), v);
}

}  // namespace
}  // namespace figure
