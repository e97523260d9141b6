// The full-screen saver under Wine on a 1920 x 1080 screen: the stage that
// fills the screen (the Stage setting "fill"), the classic 1024 x 768 stage
// with its black border (no setting), and both at 144 DPI, the usual
// laptop's 150 %, where a 2 x 2 block a figure pixel would not let the
// classic stage fit: scale 1.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/screen_fixture.h"

namespace e2e {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

class Fill : public OneScreen {
protected:
    // The probe lies on the classic stage, beside the title.
    Fill() : OneScreen(kWidth, kHeight, 500, 200) {}

    void SetStage(const std::string& mode) { Set("Stage", mode); }
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

// The 1024 x 768 stage at scale 1 at ((1920 - 1024) / 2, (1080 - 768) / 2)
// = (448, 156), moire to its edges, black around it.
void ExpectTheClassicStageWithItsBorder(Harness& h, const std::string& shot)
{
    const Shot screen = h.Grab(0, 0, kWidth, kHeight);
    for (int y = 0; y < kHeight; y += 2)
        for (int x = 0; x < kWidth; x += 2) {
            const bool onStage = x >= 448 && x < 448 + 1024 && y >= 156 && y < 156 + 768;
            if (!onStage) {
                ASSERT_TRUE(screen.At(x, y).Black()) << "border pixel " << x << "," << y << "; " << SaveShot(screen, shot);
            }
        }
    EXPECT_TRUE(HasBoth(h.Grab(448, 156, 1024, 1))) << "the stage's top row is moire; " << SaveShot(screen, shot);
    EXPECT_TRUE(HasBoth(h.Grab(448, 156, 1, 768))) << "its left column";
    EXPECT_TRUE(HasBoth(h.Grab(448 + 1023, 156, 1, 768))) << "its right column";
    EXPECT_FALSE(TwoByTwoBlocks(h.Grab(448, 156, 1024, 768))) << "scale 1, not 2";
}

TEST_F(Fill, TheClassicRegFileBringsBackTheStageWithItsBlackBorder)
{
    ImportRegFile("Fill every screen.reg");
    ImportRegFile("Classic 1024x768 stage.reg");  // and back
    ASSERT_NE(StageValue().find("classic"), std::string::npos) << StageValue();
    const double started = Now();
    pid_t pid = Start();
    PastTheTitle(started);
    ExpectTheClassicStageWithItsBorder(h, "classic");
    EndWithAKey(pid);
}

TEST_F(Fill, At144DpiTheClassicStageShowsAtScaleOneWithItsBlackBorder)
{
    // 1024 x 768 at scale 2 would be 2048 x 1536 screen pixels, cut on every
    // side: the scale is lowered to 1 until it fits.
    SetDpi(144);
    const double started = Now();
    pid_t pid = Start();
    PastTheTitle(started);
    ExpectTheClassicStageWithItsBorder(h, "classic-144");
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
