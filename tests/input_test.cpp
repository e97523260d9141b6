// Input as the hosts hand it to the form: keys by keysym, the pointer mapped
// to the image at the window's scale, presses, the double click made of two
// presses, and the wait before a new stage after a run of changes.
#include <gtest/gtest.h>

#include <optional>

#include "platform/sim/sim_platform.h"
#include "saver/input.h"
#include "saver/saver_window.h"
#include "saver/settle.h"

namespace saver {
namespace {

TEST(Keys, TheKeysTheHandlersTellApartGetTheirWindowsCodesEveryOtherZero)
{
    EXPECT_EQ(VirtualKeyOf(0x63), 67) << "c: the drift to the right";
    EXPECT_EQ(VirtualKeyOf(0x43), 67) << "C, with Shift";
    EXPECT_EQ(VirtualKeyOf(0x7A), 90) << "z";
    EXPECT_EQ(VirtualKeyOf(0x71), 81) << "q";
    EXPECT_EQ(VirtualKeyOf(0x35), 0x35) << "5";
    EXPECT_EQ(VirtualKeyOf(0xFF1B), 27) << "Escape asks twice";
    EXPECT_EQ(VirtualKeyOf(0xFFBE), 0x70) << "F1";
    EXPECT_EQ(VirtualKeyOf(0xFFD5), 0x87) << "F24";
    EXPECT_EQ(VirtualKeyOf(0xFFE1), 16) << "Shift";
    EXPECT_EQ(VirtualKeyOf(0xFFEA), 18) << "Alt";
    EXPECT_EQ(VirtualKeyOf(0x20AC), 0) << "the euro sign: no code, and it still ends the saver";
    EXPECT_EQ(VirtualKeyOf(0x1008FF11), 0) << "a volume key";
}

// A saver activated on a screen of `width` x `height`: the classic stage,
// or the fill window given.
struct ActivatedSaver {
    platform::sim::SimPlatform platform;
    TForm1 form{platform, platform, 0, nullptr};

    ActivatedSaver(int width, int height, std::optional<FormScreen> fill = std::nullopt)
    {
        platform.Now = 30000;
        platform.Screen = {width, height};
        if (fill) form.Screen = *fill;
        form.FormCreate();
        form.FormActivate();
    }
};

TEST(Pointer, MapsTheWindowPointToTheImageAtTheWindowsScale)
{
    // A 1366 x 768 window at scale 2: the least stage, 2048 x 1536 screen
    // pixels, 341 of them cut on the left and 384 above.
    ActivatedSaver s(1366, 768, FormScreen{{0, 0, 1366, 768}, 2, StageMode::Fill});
    const figure::TImage& image = s.form.Figure.Image1;
    const std::optional<ImagePoint> corner = ImagePointAt(s.form, 0, 0);
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->X, 170 - image.Left) << "window column 0 is the right half of figure column 170";
    EXPECT_EQ(corner->Y, 192 - image.Top);
    EXPECT_EQ(ImagePointAt(s.form, 2, 3)->X, 171 - image.Left);
    EXPECT_EQ(ImagePointAt(s.form, 2, 3)->Y, 193 - image.Top);
    s.form.Figure.Panel1.Visible = false;
    EXPECT_FALSE(ImagePointAt(s.form, 10, 10)) << "a hidden stage shows no image";
}

TEST(Pointer, OnlyADoubleClickOnTheMoireEndsTheSaverNotOneOnTheBorder)
{
    ActivatedSaver s(1280, 1024);
    TForm1& form = s.form;
    // The classic stage lies at (128, 128): (100, 100) is the black border.
    PointerDoubleClicked(form, 100, 100);
    PointerPressed(form, figure::MouseButton::Left, 100, 100);
    EXPECT_FALSE(form.Closed);
    PointerDoubleClicked(form, 640, 512);
    EXPECT_TRUE(form.Closed);
    EXPECT_EQ(s.platform.Count("Terminate"), 1);
}

TEST(Pointer, TwoPressesOnTheMoireEndTheSaverOneOnTheBorderAndOneOnTheMoireDoNot)
{
    ActivatedSaver s(1280, 1024);
    TForm1& form = s.form;
    DoubleClick clicks;
    const auto left = figure::MouseButton::Left;
    // The classic stage lies at (128, 128): (127, 500) is the black border.
    PointerButtonPressed(form, clicks, left, 1000, 127, 500);
    PointerButtonPressed(form, clicks, left, 1100, 128, 500);
    EXPECT_FALSE(form.Closed) << "the first press was on the border";
    PointerButtonPressed(form, clicks, std::nullopt, 1150, 600, 500);
    PointerButtonPressed(form, clicks, left, 1200, 600, 500);
    EXPECT_FALSE(form.Closed) << "a button the form does not know broke the pair";
    PointerButtonPressed(form, clicks, figure::MouseButton::Right, 1250, 600, 500);
    PointerButtonPressed(form, clicks, left, 1300, 601, 501);
    EXPECT_TRUE(form.Closed) << "two presses of the first button on the moire, a right one between";
}

TEST(DoubleClick, TwoPressesWithinHalfASecondAndTwoPixelsMakeOneAThirdStartsAnotherPair)
{
    DoubleClick click;
    EXPECT_FALSE(click.Press(1000, 50, 50));
    EXPECT_TRUE(click.Press(1500, 52, 48)) << "500 ms and 2 px are still a double click";
    EXPECT_FALSE(click.Press(1600, 52, 48)) << "a third press starts a new pair";
    EXPECT_TRUE(click.Press(1700, 52, 48));
    EXPECT_FALSE(click.Press(2000, 50, 50));
    EXPECT_FALSE(click.Press(2501, 50, 50)) << "501 ms apart";
    EXPECT_FALSE(click.Press(2600, 53, 50)) << "3 px apart";
    click.Break();
    EXPECT_FALSE(click.Press(2700, 53, 50)) << "a press elsewhere between breaks the pair";
    EXPECT_FALSE(click.Press(0xFFFFFFF0u, 53, 50));
    EXPECT_TRUE(click.Press(0x10, 53, 50)) << "across the clock's wrap: 32 ms apart";
}

TEST(SettleTimer, SettlesAQuarterSecondAfterTheLastChangeOfARunAlsoAcrossTheWrap)
{
    SettleTimer timer;
    EXPECT_FALSE(timer.Pending());
    EXPECT_EQ(timer.WaitMs(5), 0xFFFFFFFFu);
    for (figure::Tick t : {0xFFFFFF00u, 0xFFFFFF80u, 0x10u}) timer.Changed(t);  // a drag across the wrap
    EXPECT_EQ(timer.WaitMs(0x10u), SettleTimer::kSettleMs);
    EXPECT_FALSE(timer.Settled(0x10u + SettleTimer::kSettleMs - 1));
    EXPECT_TRUE(timer.Settled(0x10u + SettleTimer::kSettleMs));
    EXPECT_FALSE(timer.Pending());
    EXPECT_FALSE(timer.Settled(0x10u + SettleTimer::kSettleMs + 1)) << "once per run";
}

}  // namespace
}  // namespace saver
