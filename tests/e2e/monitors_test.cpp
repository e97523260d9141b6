// The full-screen saver under Wine on two monitors side by side (Xephyr with
// Xinerama: 1280 x 1024 at the origin, the primary, and 1024 x 768 to its
// right), the root white so that a monitor nothing covers shows white.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// The second monitor, in screen coordinates.
constexpr int kSecondX = 1280, kSecondY = 0, kSecondW = 1024, kSecondH = 768;
// The stage on the 1280 x 1024 primary: ((1280 - 1024) / 2, (1024 - 768) / 2).
constexpr int kStageX = 128, kStageY = 128;

bool All(const Shot& s, bool (Pixel::*colour)() const)
{
    return std::all_of(s.pixels.begin(), s.pixels.end(), [&](const Pixel& p) { return (p.*colour)(); });
}

class Monitors : public ::testing::Test {
protected:
    Harness& h = Harness::Get(TestDisplay::Screens::TwoMonitors);

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::printf("[e2e] %s.%s ran %s, on two monitors\n", test->test_suite_name(), test->name(),
                    h.Describe().c_str());
        std::fflush(stdout);
        RecordProperty("ran", h.Describe() + ", on two monitors");
        h.KillStray();
        h.ImportReg("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Tavrenholm]\n");
        h.MoveTo(5, 5);
    }
    void TearDown() override { h.KillStray(); }

    Shot Second() { return h.Grab(kSecondX, kSecondY, kSecondW, kSecondH); }

    // Polls the second monitor until it is all of one colour.
    bool SecondBecomes(bool (Pixel::*colour)() const, double seconds)
    {
        for (double start = Now(); Now() - start < seconds; Sleep(0.1))
            if (All(Second(), colour)) return true;
        return false;
    }
};

TEST_F(Monitors, TheOtherMonitorGoesBlackWhileTheStageStaysOnThePrimary)
{
    // Wine sees the two monitors (it reads Xinerama through libXinerama of
    // its own width).
    std::string seen = h.Run({h.Binary("preview-host.exe"), "monitors"});
    ASSERT_NE(seen.find("screen width=1280 height=1024 virtual-width=2304"), std::string::npos) << seen;
    ASSERT_NE(seen.find("monitor left=1280 top=0 right=2304 bottom=768 primary=0"), std::string::npos) << seen;
    ASSERT_TRUE(All(Second(), &Pixel::White)) << "the second monitor shows the white root before the saver";
    pid_t pid = h.Start({h.Saver(), "/s"});
    EXPECT_TRUE(SecondBecomes(&Pixel::Black, h.Margin(20)))
        << "the second monitor is black while the saver runs; " << SaveShot(Second(), "second-monitor");

    // The stage where it is on one monitor of that size: the moire inside,
    // the black border around it, on the primary only.
    Shot primary = h.Grab(0, 0, 1280, 1024);
    int white = 0;
    for (int y = 0; y < 1024; y += 2)
        for (int x = 0; x < 1280; x += 2) {
            bool onStage = x >= kStageX && x < kStageX + 1024 && y >= kStageY && y < kStageY + 768;
            if (!onStage) {
                ASSERT_TRUE(primary.At(x, y).Black()) << "border pixel " << x << "," << y;
            }
            white += onStage && primary.At(x, y).White();
        }
    EXPECT_GT(white, 1000) << "the moire on the stage; " << SaveShot(primary, "primary");
    bool edge = false;
    for (int y = kStageY; y < kStageY + 768 && !edge; ++y) edge = primary.At(kStageX, y).White();
    EXPECT_TRUE(edge) << "the stage begins at x = 128";

    // A double click on the other monitor ends nothing; a key ends it all.
    h.Click(kSecondX + 500, 400, 2);
    Sleep(h.Margin(1.0));
    ASSERT_TRUE(h.Running(pid)) << "a double click on the second monitor ended the saver";
    EXPECT_TRUE(All(Second(), &Pixel::Black));
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
    EXPECT_TRUE(SecondBecomes(&Pixel::White, h.Margin(3))) << "no cover is left";
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override { Harness::Get(TestDisplay::Screens::TwoMonitors).Shutdown(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace
}  // namespace e2e
