// The full-screen saver under Wine under strain: flat out (SleepTime 0) on a
// 3840 x 2160 screen, where every round of frames takes longer than the
// pace and the next is due at once, a key still ends it; and at 192 DPI
// the stage that fills that screen is 1920 x 1080 figure pixels in 2 x 2
// blocks.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/screen_fixture.h"

namespace e2e {
namespace {

constexpr int kWidth = 3840, kHeight = 2160;

class Strain : public OneScreen {
protected:
    // The probe lies on the classic stage too, beside the title.
    Strain() : OneScreen(kWidth, kHeight, 1500, 800) {}
};

TEST_F(Strain, FlatOutAKeyEndsItWithinASecondInBothModes)
{
    Set("SleepTime", "0");
    for (const char* stage : {"fill", "classic"}) {
        Set("Stage", stage);
        pid_t pid = Start();
        Sleep(2);  // flat out for a while
        const double pressed = Now();
        h.Key("space");
        const Finished end = h.WaitExit(pid, h.Margin(10));
        EXPECT_EQ(end.code, 0) << stage << ": a key ends the saver with exit code 0";
        EXPECT_LT(Now() - pressed, h.Margin(1)) << stage << ": within a second";
    }
}

TEST_F(Strain, At192DpiTheFillStageCoversEveryEdgeInTwoByTwoBlocks)
{
    SetDpi(192);
    Set("Stage", "fill");
    const double started = Now();
    pid_t pid = Start();
    PastTheTitle(started);
    const Shot screen = h.Grab(0, 0, kWidth, kHeight);
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, kWidth, 2))) << "the top edge; " << SaveShot(screen, "strain-192");
    EXPECT_TRUE(HasBoth(h.Grab(0, kHeight - 2, kWidth, 2))) << "the bottom edge";
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, 2, kHeight))) << "the left edge";
    EXPECT_TRUE(HasBoth(h.Grab(kWidth - 2, 0, 2, kHeight))) << "the right edge";
    for (int y = 0; y + 1 < kHeight; y += 2)
        for (int x = 0; x + 1 < kWidth; x += 2) {
            const Pixel p = screen.At(x, y);
            ASSERT_TRUE(p.Black() || p.White()) << "black and white only, at " << x << "," << y;
            ASSERT_TRUE(screen.At(x + 1, y) == p && screen.At(x, y + 1) == p && screen.At(x + 1, y + 1) == p)
                << "the block at " << x << "," << y << " is not one colour; " << SaveShot(screen, "strain-blocks");
        }
    EndWithAKey(pid);
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override { Harness::Get(TestDisplay::Screens::One, "3840x2160").Shutdown(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace
}  // namespace e2e
