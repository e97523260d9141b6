// The full-screen saver under Wine on a 1920 x 1080 screen: the stage that
// fills the screen (the Stage setting "fill"), the classic 1024 x 768 stage
// with its black border (no setting), and both at 144 DPI, the usual
// laptop's 150 %, where a 2 x 2 block a figure pixel would not let the
// classic stage fit: scale 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/process.h"

namespace e2e {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;
const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";

class Fill : public ::testing::Test {
protected:
    Harness& h = Harness::Get(TestDisplay::Screens::One, "1920x1080");

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::printf("[e2e] %s.%s ran %s, on a 1920 x 1080 screen\n", test->test_suite_name(), test->name(),
                    h.Describe().c_str());
        std::fflush(stdout);
        RecordProperty("ran", h.Describe() + ", on a 1920 x 1080 screen");
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

    void SetStage(const std::string& mode)
    {
        ASSERT_EQ(h.Reg({"add", kSettings, "/v", "Stage", "/t", "REG_SZ", "/d", mode, "/f"}), 0);
    }
    // What a user does with a .reg file of the download: imports it.
    void ImportRegFile(const std::string& name)
    {
        const std::string text = Slurp(std::string(VIDIDER_SOURCE_DIR) + "/windows/" + name);
        ASSERT_FALSE(text.empty()) << name;
        ASSERT_EQ(h.ImportReg(text), 0) << name;
    }
    std::string StageValue()
    {
        std::string listing;
        h.Reg({"query", kSettings, "/v", "Stage"}, &listing);
        return listing;
    }
    void SetDpi(int dpi)
    {
        ASSERT_EQ(h.Reg({"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                         std::to_string(dpi), "/f"}),
                  0);
    }

    // Starts the saver and waits until the middle of the screen shows moire.
    pid_t Start()
    {
        pid_t pid = h.Start({h.Saver(), "/s"});
        for (double start = Now(); Now() - start < h.Margin(20); Sleep(0.05))
            if (HasBoth(h.Grab(kWidth / 2 - 300, 100, 200, 200))) return pid;
        ADD_FAILURE() << "no moire within " << h.Margin(20) << " s; " << SaveShot(h.Grab(0, 0, kWidth, kHeight), "fill-none");
        return pid;
    }
    // Waits past the title.
    void PastTheTitle(double startedAt) { Sleep(std::max(0.0, 4.5 + h.Margin(0.7) - (Now() - startedAt))); }

    void EndWithAKey(pid_t pid)
    {
        h.Key("a");
        EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0) << "a key ends the saver with exit code 0";
    }
};

TEST_F(Fill, TheMoireReachesEveryEdgeOfTheScreenWithTheTitleInItsMiddle)
{
    ImportRegFile("Fill every screen.reg");
    ASSERT_NE(StageValue().find("fill"), std::string::npos) << StageValue();
    const double started = Now();
    pid_t pid = Start();
    // The title lies over the middle of the 1920 x 1080 stage, at (800, 420).
    auto title = ReadBmp(std::string(VIDIDER_SOURCE_DIR) + "/resources/title.bmp");
    ASSERT_TRUE(title);
    bool titled = false;
    for (double start = Now(); !titled && Now() - start < h.Margin(3); Sleep(0.05)) {
        Shot middle = h.Grab(800, 420, title->width, title->height);
        titled = middle.pixels == title->pixels;
    }
    EXPECT_TRUE(titled) << "the title in the middle of the screen; " << SaveShot(h.Grab(0, 0, kWidth, kHeight), "fill-title");

    PastTheTitle(started);
    Shot screen = h.Grab(0, 0, kWidth, kHeight);
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, kWidth, 1))) << "the top row; " << SaveShot(screen, "fill-edges");
    EXPECT_TRUE(HasBoth(h.Grab(0, kHeight - 1, kWidth, 1))) << "the bottom row";
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, 1, kHeight))) << "the left column";
    EXPECT_TRUE(HasBoth(h.Grab(kWidth - 1, 0, 1, kHeight))) << "the right column";
    for (const Pixel& p : screen.pixels) ASSERT_TRUE(p.Black() || p.White()) << "black and white only";
    EndWithAKey(pid);
}

TEST_F(Fill, TheClassicRegFileBringsBackTheStageWithItsBlackBorder)
{
    ImportRegFile("Fill every screen.reg");
    ImportRegFile("Classic 1024x768 stage.reg");  // and back
    ASSERT_NE(StageValue().find("classic"), std::string::npos) << StageValue();
    const double started = Now();
    pid_t pid = Start();
    PastTheTitle(started);
    // The 1024 x 768 stage at ((1920 - 1024) / 2, (1080 - 768) / 2) = (448, 156).
    Shot screen = h.Grab(0, 0, kWidth, kHeight);
    for (int y = 0; y < kHeight; y += 2)
        for (int x = 0; x < kWidth; x += 2) {
            const bool onStage = x >= 448 && x < 448 + 1024 && y >= 156 && y < 156 + 768;
            if (!onStage) {
                ASSERT_TRUE(screen.At(x, y).Black()) << "border pixel " << x << "," << y;
            }
        }
    EXPECT_TRUE(HasBoth(h.Grab(448, 156, 1024, 1))) << "the stage's top row is moire; " << SaveShot(screen, "classic");
    EXPECT_TRUE(HasBoth(h.Grab(448, 156, 1, 768))) << "the stage's left column is moire";
    EndWithAKey(pid);
}

// Whether every 2 x 2 block from the origin is of one colour, as at scale 2.
bool TwoByTwoBlocks(const Shot& screen)
{
    for (int y = screen.y; y + 1 < screen.y + screen.height; y += 2)
        for (int x = screen.x; x + 1 < screen.x + screen.width; x += 2) {
            const Pixel p = screen.At(x, y);
            if (!(screen.At(x + 1, y) == p && screen.At(x, y + 1) == p && screen.At(x + 1, y + 1) == p)) return false;
        }
    return true;
}

TEST_F(Fill, At144DpiTheClassicStageShowsAtScaleOneWithItsBlackBorder)
{
    // 1024 x 768 at scale 2 would be 2048 x 1536 screen pixels, cut on every
    // side: the scale is lowered to 1 until it fits.
    SetDpi(144);
    const double started = Now();
    pid_t pid = Start();
    PastTheTitle(started);
    Shot screen = h.Grab(0, 0, kWidth, kHeight);
    for (int y = 0; y < kHeight; y += 2)
        for (int x = 0; x < kWidth; x += 2) {
            const bool onStage = x >= 448 && x < 448 + 1024 && y >= 156 && y < 156 + 768;
            if (!onStage) {
                ASSERT_TRUE(screen.At(x, y).Black()) << "border pixel " << x << "," << y << "; "
                                                     << SaveShot(screen, "classic-144");
            }
        }
    EXPECT_TRUE(HasBoth(h.Grab(448, 156, 1024, 1))) << "the stage's top row is moire; " << SaveShot(screen, "classic-144");
    EXPECT_TRUE(HasBoth(h.Grab(448 + 1023, 156, 1, 768))) << "its right column";
    EXPECT_FALSE(TwoByTwoBlocks(h.Grab(448, 156, 1024, 768))) << "scale 1, not 2";
    EndWithAKey(pid);
}

TEST_F(Fill, At144DpiTheFillStageCoversEveryEdgeAtScaleOne)
{
    SetDpi(144);
    SetStage("fill");
    const double started = Now();
    pid_t pid = Start();
    PastTheTitle(started);
    Shot screen = h.Grab(0, 0, kWidth, kHeight);
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, kWidth, 1))) << "the top row; " << SaveShot(screen, "fill-144");
    EXPECT_TRUE(HasBoth(h.Grab(0, kHeight - 1, kWidth, 1))) << "the bottom row";
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, 1, kHeight))) << "the left column";
    EXPECT_TRUE(HasBoth(h.Grab(kWidth - 1, 0, 1, kHeight))) << "the right column";
    EXPECT_FALSE(TwoByTwoBlocks(screen)) << "scale 1: a stage of 1920 x 1080 figure pixels";
    for (const Pixel& p : screen.pixels) ASSERT_TRUE(p.Black() || p.White()) << "black and white only";
    EndWithAKey(pid);
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override { Harness::Get(TestDisplay::Screens::One, "1920x1080").Shutdown(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace
}  // namespace e2e
