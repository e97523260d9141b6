// The full-screen saver under Wine under strain: flat out (SleepTime 0) on a
// 3840 x 2160 screen, where every round of frames takes longer than the
// pace and the next is due at once, a key still ends it; and at 192 DPI
// the stage that fills that screen is 1920 x 1080 figure pixels in 2 x 2
// blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/process.h"

namespace e2e {
namespace {

constexpr int kWidth = 3840, kHeight = 2160;
const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";

class Strain : public ::testing::Test {
protected:
    Harness& h = Harness::Get(TestDisplay::Screens::One, "3840x2160");

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::printf("[e2e] %s.%s ran %s, on a 3840 x 2160 screen\n", test->test_suite_name(), test->name(),
                    h.Describe().c_str());
        std::fflush(stdout);
        RecordProperty("ran", h.Describe() + ", on a 3840 x 2160 screen");
        h.KillStray();
        h.ImportReg("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Tavrenholm]\n\n"
                    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=-\n");
        h.MoveTo(5, 5);
    }
    void TearDown() override
    {
        h.KillStray();
        h.ImportReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=-\n");
    }
    void Set(const std::string& name, const std::string& value)
    {
        ASSERT_EQ(h.Reg({"add", kSettings, "/v", name, "/t", "REG_SZ", "/d", value, "/f"}), 0);
    }

    // Starts the saver and waits until the middle of the screen shows moire.
    pid_t Start()
    {
        pid_t pid = h.Start({h.Saver(), "/s"});
        for (double start = Now(); Now() - start < h.Margin(30); Sleep(0.1))
            if (HasBoth(h.Grab(1500, 800, 200, 100))) return pid;  // on the classic stage too, beside the title
        ADD_FAILURE() << "no moire within " << h.Margin(30) << " s; " << SaveShot(h.Grab(0, 0, kWidth, kHeight), "strain-none");
        return pid;
    }
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
    ASSERT_EQ(h.Reg({"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "192", "/f"}), 0);
    Set("Stage", "fill");
    const double started = Now();
    pid_t pid = Start();
    Sleep(std::max(0.0, 4.5 + h.Margin(0.7) - (Now() - started)));
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
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override { Harness::Get(TestDisplay::Screens::One, "3840x2160").Shutdown(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace
}  // namespace e2e
