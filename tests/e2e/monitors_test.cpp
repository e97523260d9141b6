// The full-screen saver under Wine on two monitors side by side (Xephyr with
// Xinerama: 1280 x 1024 at the origin, the primary, and 1024 x 768 to its
// right), the root white so that a monitor nothing covers shows white.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <tuple>

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
    // the black border around it, on the primary only. Every window is black
    // first; the moire comes once the primary is activated.
    for (double start = Now(); !HasBoth(h.Grab(kStageX, kStageY, 1024, 768)) && Now() - start < h.Margin(5); Sleep(0.05)) {
    }
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
    Finished early = h.WaitExit(pid, h.Margin(1.0));
    ASSERT_LT(early.code, 0) << "a double click on the second monitor ended the saver, with " << early.code;
    EXPECT_TRUE(All(Second(), &Pixel::Black));
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
    EXPECT_TRUE(SecondBecomes(&Pixel::White, h.Margin(3))) << "no cover is left";
}

TEST_F(Monitors, APressOnTheOtherMonitorGivesTheKeyboardBackToTheSaver)
{
    pid_t pid = h.Start({h.Saver(), "/s"});
    ASSERT_TRUE(SecondBecomes(&Pixel::Black, h.Margin(20))) << "the cover is up";
    // Another program takes the keyboard: a key goes to it, not the saver.
    const std::string log = h.LogFile("focus");
    pid_t other = h.Start({h.Binary("preview-host.exe"), "focus", "600000"}, log);
    std::string text;
    for (double start = Now(); text.find("focus ") == std::string::npos && Now() - start < h.Margin(20); Sleep(0.05))
        text = Slurp(log);
    ASSERT_NE(text.find("focus 1"), std::string::npos) << text;
    h.Key("a");
    for (double start = Now(); text.find("key ") == std::string::npos && Now() - start < h.Margin(3); Sleep(0.05))
        text = Slurp(log);
    ASSERT_NE(text.find("key 65"), std::string::npos) << "the other program has the keyboard: " << text;
    ASSERT_TRUE(h.Running(pid)) << "a key of the other program ended the saver";

    h.Click(kSecondX + 500, 400);
    Finished early = h.WaitExit(pid, h.Margin(0.3));
    ASSERT_LT(early.code, 0) << "a single press on the cover ended the saver, with " << early.code;
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0) << "after a press on the cover, a key ends the saver";
    h.Kill(other);
}

TEST_F(Monitors, CoversRefuseActivationByTheirStyleOnlyWhereTheSystemKnowsIt)
{
    // WS_EX_NOACTIVATE (0x08000000) came with Windows 2000; Wine answers
    // the version query as Windows 98 for the saver when told to.
    const std::string appDefaults = "HKCU\\Software\\Wine\\AppDefaults\\vidider.scr";
    for (bool old : {false, true}) {
        if (old) {
            ASSERT_EQ(h.Reg({"add", appDefaults, "/v", "Version", "/d", "win98", "/f"}), 0);
        }
        pid_t pid = h.Start({h.Saver(), "/s"});
        ASSERT_TRUE(SecondBecomes(&Pixel::Black, h.Margin(20))) << "the cover is up";
        std::string seen = h.Run({h.Binary("preview-host.exe"), "covers"});
        std::smatch style;
        ASSERT_TRUE(std::regex_search(seen, style, std::regex("cover exstyle=([0-9A-F]{8})"))) << seen;
        const unsigned long exStyle = std::stoul(style[1].str(), nullptr, 16);
        EXPECT_EQ((exStyle & 0x08000000) != 0, !old) << (old ? "Windows 98: " : "Windows NT: ") << seen;
        EXPECT_EQ(exStyle & 0x00000088, 0x00000088u) << "topmost and a tool window everywhere: " << seen;
        h.Key("a");
        EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
    }
    h.Reg({"delete", appDefaults, "/f"});
}

TEST_F(Monitors, FillingEveryScreenGivesEachMonitorAMoireOfItsOwnToItsEdges)
{
    ASSERT_EQ(h.Reg({"add", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/v", "Stage", "/t", "REG_SZ", "/d",
                     "fill", "/f"}),
              0);
    const double started = Now();
    pid_t pid = h.Start({h.Saver(), "/s"});
    bool shown = false;
    for (double start = Now(); !shown && Now() - start < h.Margin(20); Sleep(0.1))
        shown = HasBoth(h.Grab(0, 0, 1280, 1)) && HasBoth(Second());
    ASSERT_TRUE(shown) << "moire on both monitors; " << SaveShot(h.Grab(0, 0, 2304, 1024), "fill-two");
    Sleep(std::max(0.0, 4.5 + h.Margin(0.7) - (Now() - started)));
    // Every edge of both monitors is moire: the primary 1280 x 1024, the
    // second 1024 x 768 from x 1280. A screenshot taken while a window
    // repaints may catch it half done: the edges are looked at again for a
    // while, and a monitor that stays wrong fails.
    const std::tuple<int, int, int, int, const char*> edges[] = {
        {0, 0, 1280, 1, "primary top"},           {0, 1023, 1280, 1, "primary bottom"},
        {0, 0, 1, 1024, "primary left"},          {1279, 0, 1, 1024, "primary right"},
        {kSecondX, 0, kSecondW, 1, "second top"}, {kSecondX, 767, kSecondW, 1, "second bottom"},
        {kSecondX, 0, 1, kSecondH, "second left"}, {2303, 0, 1, kSecondH, "second right"}};
    std::string missing = "none looked at";
    for (double start = Now(); !missing.empty() && Now() - start < h.Margin(3); Sleep(0.1)) {
        missing.clear();
        for (auto [x, y, w, hgt, what] : edges)
            if (!HasBoth(h.Grab(x, y, w, hgt))) missing += std::string(missing.empty() ? "" : ", ") + what;
    }
    EXPECT_EQ(missing, "") << "edges without moire; " << SaveShot(h.Grab(0, 0, 2304, 1024), "fill-two-edges");
    // Each monitor has its own figure: their middles differ.
    EXPECT_FALSE(h.Grab(128, 0, 1024, 768) == Second()) << "the two monitors show the same moire";
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
    EXPECT_TRUE(SecondBecomes(&Pixel::White, h.Margin(3))) << "nothing is left on the second monitor";
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override { Harness::Get(TestDisplay::Screens::TwoMonitors).Shutdown(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace
}  // namespace e2e
