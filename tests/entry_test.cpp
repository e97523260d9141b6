#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/sssetdlg.h"
#include "platform/sim/sim_platform.h"
#include "saver/pointer_filter.h"

namespace app {
namespace {

RunMode ModeOf(const std::string& commandLine) { return ChooseMode(SplitArguments("vidider.scr " + commandLine)); }

TEST(CommandLine, SplitsAtBlanksAndGroupsQuotedBlanks)
{
    EXPECT_EQ(SplitArguments("\"C:\\Program Files\\vidider.scr\"  /p   1234"), (std::vector<std::string>{"/p", "1234"}));
    EXPECT_EQ(SplitArguments("saver.scr \"/c\" \"a b\"c"), (std::vector<std::string>{"/c", "a bc"}));
    EXPECT_EQ(SplitArguments("saver.scr\t/s"), (std::vector<std::string>{"/s"}));
    EXPECT_TRUE(SplitArguments("saver.scr").empty());
    EXPECT_TRUE(SplitArguments("").empty());
}

TEST(CommandLine, TheSecondCharacterOfTheFirstArgumentChoosesTheMode)
{
    for (const char* saver : {"/S", "/s", "-s", "XS", "/x", "/1", "/S 55"}) EXPECT_EQ(ModeOf(saver), RunMode::Saver) << saver;
    for (const char* configure : {"", "/c", "/C", "/c:1234", "/C 1234", "-c", "/", "c"})
        EXPECT_EQ(ModeOf(configure), RunMode::Configure) << "'" << configure << "'";
    for (const char* preview : {"/p 1234", "/P", "-p:77"}) EXPECT_EQ(ModeOf(preview), RunMode::Preview) << preview;
    for (const char* password : {"/a", "/A 99"}) EXPECT_EQ(ModeOf(password), RunMode::Password) << password;
}

TEST(CommandLine, TheHandleIsANonNegativeSigned32BitDecimal)
{
    auto handle = [](const std::string& line) { return ReadParentWindow(SplitArguments("vidider.scr " + line)); };
    EXPECT_EQ(handle("/p 1234"), 1234u);
    EXPECT_EQ(handle("/p 0"), 0u);
    EXPECT_EQ(handle("/p 2147483647"), 2147483647u);
    for (const char* none : {"/p", "/p -5", "/p 12abc", "/p 2147483648", "/p 0x10", "/p:1234", "/c:1234", "/p \"\""})
        EXPECT_EQ(handle(none), 0u) << none;
}

TEST(AboutBox, TakesItsWidthFromTheTextOfLabel5AndIs200High)
{
    // The design's text width 182 gives 309; the frame takes 6 px here.
    AboutLayout box = TScrnSaveSetupDlg::LayOut(182, 158, 14, 6);
    EXPECT_EQ(box.OuterWidth, 309);
    EXPECT_EQ(box.OuterHeight, 200);
    EXPECT_EQ(box.ClientWidth, 303);
    EXPECT_EQ(box.OKBtn.Left, 115);  // (303 - 73) / 2
    EXPECT_EQ(box.OKBtn.Width, 73);
    // Anchored to the right edge: stretched or moved by 303 - 282 = 21.
    EXPECT_EQ(box.Label_Title.Width, 303);
    EXPECT_EQ(box.Label_Copyright.Width, 303);
    EXPECT_EQ(box.Label5.Width, 182 + 21);
    EXPECT_EQ(box.Edit_URL.Left, 71 + 21);
    EXPECT_EQ(box.Label_Version.Left, 75);  // keeps its place
    // Halves go to the even neighbour: 185 * 1.7 = 314.5 gives 314.
    EXPECT_EQ(TScrnSaveSetupDlg::LayOut(185, 158, 14, 6).OuterWidth, 314);
    EXPECT_EQ(TScrnSaveSetupDlg::LayOut(195, 158, 14, 6).OuterWidth, 332);  // 331.5 goes to 332
    EXPECT_EQ(TScrnSaveSetupDlg::LayOut(200, 158, 14, 8).OKBtn.Left, 130);  // (340 - 8 - 73) / 2 = 129.5
}

TEST(AboutBox, DisablesTheForegroundWindowForItsLife)
{
    platform::sim::SimPlatform platform;
    platform.Foreground = 555;
    TScrnSaveSetupDlg box(platform);
    EXPECT_EQ(box.CreateParams(), 555u);
    EXPECT_EQ(box.OwnerWindow, 555u);
    EXPECT_EQ(platform.Calls, (std::vector<std::string>{"EnableWindow(555,0)"}));
    box.FormDestroy();
    EXPECT_EQ(platform.Calls.back(), "EnableWindow(555,1)");

    platform::sim::SimPlatform none;
    TScrnSaveSetupDlg alone(none);
    EXPECT_EQ(alone.CreateParams(), 0u);
    alone.FormDestroy();
    EXPECT_TRUE(none.Calls.empty());
}

TEST(AboutBox, WithoutItsOwnerLeavesNothingDisabled)
{
    platform::sim::SimPlatform platform;
    platform.Foreground = 555;
    TScrnSaveSetupDlg box(platform);
    box.CreateParams();
    box.DropOwner();
    EXPECT_EQ(box.OwnerWindow, 0u);
    EXPECT_EQ(platform.Calls, (std::vector<std::string>{"EnableWindow(555,0)", "EnableWindow(555,1)"}));
    box.FormDestroy();
    EXPECT_EQ(platform.Calls.size(), 2u) << "nothing more to give back";
}

TEST(PointerFilter, AMoveToTheSamePlaceIsNoMove)
{
    saver::PointerFilter filter;
    EXPECT_TRUE(filter.IsMove(300, 200)) << "the first position seen";
    EXPECT_FALSE(filter.IsMove(300, 200));  // the message a new window gets
    EXPECT_TRUE(filter.IsMove(301, 200));
    EXPECT_FALSE(filter.IsMove(301, 200));
    EXPECT_TRUE(filter.IsMove(300, 200));
}

}  // namespace
}  // namespace app
