#include <gtest/gtest.h>

#include <random>

#include "figure/redraw.h"
#include "figure/rounding.h"

namespace figure {
namespace {

struct FixedClock : Clock {
    Tick now = 0;
    Tick Ticks() const override { return now; }
};

constexpr Tick kActivated = 100000;

FigureState Built()
{
    FigureState figure;
    CreateSurfaces(figure);
    BmpInit(figure, 2);
    return figure;
}

// A title of the test's own: a white frame around a black field with a
// white diagonal, so its position and colours are both checked.
Surface TestTitle()
{
    Surface title(320, 240);
    title.Fill(false);
    for (int x = 0; x < 320; ++x) {
        title.SetWhite(x, 0, true);
        title.SetWhite(x, 239, true);
    }
    for (int y = 0; y < 240; ++y) {
        title.SetWhite(0, y, true);
        title.SetWhite(319, y, true);
        title.SetWhite(y + 40, y, true);
    }
    return title;
}

// The frame as the plain algorithm composes it over the whole surface: a
// copy of the pattern, the second copy XORed over window D pixel by pixel,
// the title copied on top by colour.
Surface ReferenceFrame(const FigureState& f, const Surface* title)
{
    const Surface& pattern = f.Pattern->PatternBitmap;
    Surface frame = pattern;
    const int L = f.Image1.Left, T = f.Image1.Top;
    for (int y = 0; y < f.Panel1.Height; ++y)
        for (int x = 0; x < f.Panel1.Width; ++x)
            frame.SetWhite(x - L, y - T, pattern.IsWhite(x - L, y - T) != pattern.IsWhite(x - f.SecondX, y - f.SecondY));
    if (title != nullptr) {
        int tx = Round((f.Panel1.Width - title->Width()) * 0.5L) - L;
        int ty = Round((f.Panel1.Height - title->Height()) * 0.5L) - T;
        for (int y = 0; y < title->Height(); ++y)
            for (int x = 0; x < title->Width(); ++x) frame.SetWhite(tx + x, ty + y, title->IsWhite(x, y));
    }
    return frame;
}

// What the stage shows of a full-surface frame at the image's position.
Surface ShownOf(const FigureState& f, const Surface& frame)
{
    Surface shown(f.Panel1.Width, f.Panel1.Height);
    for (int y = 0; y < shown.Height(); ++y)
        for (int x = 0; x < shown.Width(); ++x)
            shown.SetWhite(x, y, frame.IsWhite(x - f.Image1.Left, y - f.Image1.Top));
    return shown;
}

Surface Shown(const FigureState& f)
{
    Surface shown(f.Panel1.Width, f.Panel1.Height);
    CopyShownWindow(f, shown);
    return shown;
}

void Place(FigureState& f, int left, int top, int secondX, int secondY)
{
    f.Image1.Left = left;
    f.Image1.Top = top;
    f.SecondX = secondX;
    f.SecondY = secondY;
}

// ReDraw at each placement (image left, top, second copy x, y) shows what
// the whole-surface algorithm shows; every `titleEvery`th frame falls in the
// title time.
void ExpectEachShowsTheReference(FigureState& f, const std::vector<std::array<int, 4>>& placements, std::size_t titleEvery)
{
    const Surface title = TestTitle();
    FixedClock clock;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        auto [l, t, sx, sy] = placements[i];
        Place(f, l, t, sx, sy);
        const bool withTitle = i % titleEvery == 0;
        clock.now = withTitle ? kActivated + 10 : kActivated + 9000;
        ReDraw(f, &title, clock, kActivated);
        ASSERT_EQ(f.Image1.Picture, &f.FrameBitmap);
        const Surface expected = ShownOf(f, ReferenceFrame(f, withTitle ? &title : nullptr));
        ASSERT_TRUE(Shown(f) == expected) << "placement " << l << "," << t << " second " << sx << "," << sy;
    }
}

TEST(ReDraw, ShowsWhatTheWholeSurfaceAlgorithmShowsAtEveryPlacement)
{
    FigureState f = Built();
    std::vector<std::array<int, 4>> placements = {
        {-588, -466, 0, 0},          // the activation frame
        {-1100, -850, -76, -82},     // the ends of the placement's clamp ranges
        {-76, -82, -1100, -850},
        {-1100, -82, -76, -850},
        {-1176, -932, 0, 0},         // the ends of the valid range
        {0, 0, -1176, -932},
        {-1176, 0, 0, -932},
        {-3, -1, -1173, -931},
    };
    std::mt19937 generator(12345);
    std::uniform_int_distribution<int> x(-1176, 0), y(-932, 0);
    for (int i = 0; i < 60; ++i) placements.push_back({x(generator), y(generator), x(generator), y(generator)});

    ExpectEachShowsTheReference(f, placements, 3);
}

TEST(ReDraw, OnALargerStageShowsWhatTheWholeSurfaceAlgorithmShowsAtTheExtremes)
{
    // Rows of 2716 bits end mid-word, and 1282 is no multiple of 8 or 32.
    FigureState f;
    f.Panel1.Width = 1282;
    f.Panel1.Height = 770;
    CreateSurfaces(f);
    BmpInit(f, 2);
    ASSERT_EQ(f.Pattern->PatternBitmap.Width(), 2716);
    FixedClock clock;
    const int W = 1282, H = 770;
    std::vector<std::array<int, 4>> placements = {
        {-W / 2 - 76, -H / 2 - 82, 0, 0},                   // the activation frame
        {-W - 76, -H - 82, -76, -82},                       // the ends of the clamp ranges
        {-76, -82, -W - 76, -H - 82},
        {-W - 152, -H - 164, 0, 0},                         // the ends of the valid range
        {0, 0, -W - 152, -H - 164},
        {-W - 152, 0, -7, -H - 163},
        {-5, -H - 164, -W - 145, -3},
    };
    std::mt19937 generator(4242);
    std::uniform_int_distribution<int> x(-W - 152, 0), y(-H - 164, 0);
    for (int i = 0; i < 16; ++i) placements.push_back({x(generator), y(generator), x(generator), y(generator)});
    ExpectEachShowsTheReference(f, placements, 2);

    Place(f, -W - 153, 0, 0, 0);
    EXPECT_THROW(ReDraw(f, nullptr, clock, 0), PlacementError);
    Place(f, 0, 0, 0, -H - 165);
    EXPECT_THROW(ReDraw(f, nullptr, clock, 0), PlacementError);
}

TEST(ReDraw, CoincidingCopiesShowAnAllBlackStage)
{
    FigureState f = Built();
    FixedClock clock;
    clock.now = kActivated + TitleTimeMs;
    for (auto [l, t] : {std::pair{-588, -466}, {-1100, -850}, {-76, -82}, {-333, -555}}) {
        Place(f, l, t, l, t);
        ReDraw(f, nullptr, clock, kActivated);
        Surface black(1024, 768);
        black.Fill(false);
        EXPECT_TRUE(Shown(f) == black) << l << "," << t;
    }
}

TEST(ReDraw, LaysTheTitleInTheMiddleOfTheStageWhereverTheImageLies)
{
    FigureState f = Built();
    Surface title = TestTitle();
    FixedClock clock;
    for (auto [l, t] : {std::pair{-588, -466}, {-1100, -850}, {-76, -82}, {-801, -97}}) {
        Place(f, l, t, -700, -300);
        clock.now = kActivated + TitleTimeMs;  // no title: the frame underneath
        ReDraw(f, &title, clock, kActivated);
        Surface bare = Shown(f);
        clock.now = kActivated + TitleTimeMs - 1;
        ReDraw(f, &title, clock, kActivated);
        Surface shown = Shown(f);
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                bool inTitle = x >= 352 && x < 672 && y >= 264 && y < 504;
                bool expected = inTitle ? title.IsWhite(x - 352, y - 264) : bare.IsWhite(x, y);
                ASSERT_EQ(shown.IsWhite(x, y), expected) << x << "," << y << " image at " << l << "," << t;
            }
        }
    }
}

TEST(ReDraw, TitleTimeRunsFromActivationForTitleTimeMs)
{
    FigureState f = Built();
    Surface title = TestTitle();
    FixedClock clock;
    auto titled = [&](Tick now, Tick activated) {
        clock.now = now;
        ReDraw(f, &title, clock, activated);
        // The title's top-left pixel is white; under it the moire may be either.
        Surface shown = Shown(f);
        bool frame = true;
        for (int x = 352; x < 672; ++x) frame = frame && shown.IsWhite(x, 264);
        return frame && !shown.IsWhite(400, 300) && shown.IsWhite(352 + 40 + 30, 264 + 30);
    };
    Place(f, -588, -466, -588, -466);  // all black but for the title
    EXPECT_TRUE(titled(kActivated, kActivated));
    EXPECT_TRUE(titled(kActivated + 4499, kActivated));
    EXPECT_FALSE(titled(kActivated + 4500, kActivated));
    // The first frame is composed before activation is recorded (tick 0).
    EXPECT_TRUE(titled(4499, 0));
    EXPECT_FALSE(titled(4500, 0));
    // Across the clock's wrap the title time may end early, never late.
    EXPECT_FALSE(titled(0xFFFFFFFFu, 0xFFFFF000u));  // the sum wrapped: no title
    EXPECT_FALSE(titled(5, 0xFFFFFFF0u));
    EXPECT_FALSE(titled(100, 0xFFFF0000u));          // wrapped since activation
    EXPECT_TRUE(titled(0xFFFFEE6Bu, 0xFFFFDCE0u));   // 4491 ms in, just below the wrap
}

TEST(ReDraw, RefusesAPlacementOutsideTheSurfacesWithoutTouchingThem)
{
    FigureState f = Built();
    FixedClock clock;
    Place(f, -588, -466, -300, -300);
    ReDraw(f, nullptr, clock, 0);
    Surface before = f.FrameBitmap;
    for (auto [l, t, sx, sy] : {std::array{1, -466, -300, -300}, {-1177, -466, -300, -300}, {-588, 1, -300, -300},
                                {-588, -933, -300, -300}, {-588, -466, 1, -300}, {-588, -466, -1177, -300},
                                {-588, -466, -300, 5}, {-588, -466, -300, -933}, {INT32_MIN, 0, 0, 0}}) {
        Place(f, l, t, sx, sy);
        EXPECT_THROW(ReDraw(f, nullptr, clock, 0), PlacementError) << l << "," << t << "," << sx << "," << sy;
    }
    EXPECT_TRUE(f.FrameBitmap == before);
}

TEST(ShownWindow, IsBlackWhereTheImageDoesNotCoverTheStage)
{
    FigureState f = Built();
    f.Image1.Picture = &f.Pattern->PatternBitmap;
    f.Image1.Left = 10;
    f.Image1.Top = -5;
    Surface shown = Shown(f);
    for (int y = 0; y < 768; y += 37) {
        for (int x = 0; x < 10; ++x) EXPECT_FALSE(shown.IsWhite(x, y));
        EXPECT_EQ(shown.IsWhite(20, y), f.Pattern->PatternBitmap.IsWhite(10, y + 5));
    }
}

}  // namespace
}  // namespace figure
