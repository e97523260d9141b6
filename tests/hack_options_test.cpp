#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/hack_options.h"

namespace app {
namespace {

HackOptions Parse(std::vector<std::string> arguments) { return ParseHackOptions(arguments); }

TEST(HackOptions, DefaultsToItsOwnWindowAtTheSaversPace)
{
    HackOptions o = Parse({});
    EXPECT_EQ(o.Where, HackOptions::Mode::Window);
    EXPECT_EQ(o.Width, 1024);
    EXPECT_EQ(o.Height, 768);
    EXPECT_EQ(o.SleepTime, 20u);
    EXPECT_FALSE(o.Seed);
    EXPECT_FALSE(o.Frames);
    EXPECT_FALSE(o.Fps);
    EXPECT_FALSE(o.Classic) << "the stage fills the window by default";
    EXPECT_FALSE(o.Scale) << "the scale comes from the display";
    EXPECT_FALSE(o.Verbose);
}

TEST(HackOptions, ClassicScaleAndVerboseChooseTheStageAndSayIt)
{
    HackOptions o = Parse({"--classic", "-scale", "2", "--verbose"});
    EXPECT_TRUE(o.Classic);
    EXPECT_EQ(o.Scale, 2);
    EXPECT_TRUE(o.Verbose);
    EXPECT_EQ(Parse({"--scale", "1"}).Scale, 1);
    EXPECT_EQ(Parse({"--scale", "8"}).Scale, 8);
    EXPECT_EQ(Parse({"--scale", "3", "--scale", "4"}).Scale, 4) << "the last one counts, as with every option";
}

TEST(HackOptions, TakeOneDashOrTwo)
{
    for (const char* root : {"-root", "--root"}) EXPECT_EQ(Parse({root}).Where, HackOptions::Mode::Root);
    HackOptions o = Parse({"-window-id", "0x2a00007", "--fps", "-seed", "4294967295", "--frames", "300"});
    EXPECT_EQ(o.Where, HackOptions::Mode::WindowId);
    EXPECT_EQ(o.WindowId, 0x2a00007u);
    EXPECT_TRUE(o.Fps);
    EXPECT_EQ(*o.Seed, 4294967295u);
    EXPECT_EQ(*o.Frames, 300u);
    EXPECT_EQ(Parse({"--window-id", "44040199"}).WindowId, 44040199u);
    EXPECT_TRUE(Parse({"--help"}).Help);
    EXPECT_TRUE(Parse({"-version"}).Version);
    EXPECT_EQ(Parse({"--display", ":7"}).Display, ":7");
}

TEST(HackOptions, DelayIsInMicrosecondsTakenAsWholeMillisecondsRoundedUp)
{
    EXPECT_EQ(Parse({"--delay", "20000"}).SleepTime, 20u);
    EXPECT_EQ(Parse({"--delay", "0"}).SleepTime, 0u);
    EXPECT_EQ(Parse({"--delay", "1"}).SleepTime, 1u);
    EXPECT_EQ(Parse({"--delay", "20001"}).SleepTime, 21u);
    // The longest interval the frame clock holds, and no more.
    EXPECT_EQ(Parse({"--delay", "4294967295000"}).SleepTime, 4294967295u);
    EXPECT_THROW(Parse({"--delay", "4294967295001"}), UsageError);
    try {
        Parse({"--delay", "4294967295001"});
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("49.7 days"), std::string::npos) << "a range a person reads: " << e.what();
    }
    EXPECT_THROW(Parse({"--delay", "99999999999999999999999"}), UsageError);
}

TEST(HackOptions, GeometryGivesTheSizeAndThePlace)
{
    HackOptions o = Parse({"--geometry", "640x480"});
    EXPECT_EQ(o.Width, 640);
    EXPECT_EQ(o.Height, 480);
    EXPECT_FALSE(o.X);
    o = Parse({"--geometry", "1280x1024+0+0"});
    EXPECT_EQ(*o.X, 0);
    EXPECT_EQ(*o.Y, 0);
    EXPECT_FALSE(o.FromRight || o.FromBottom);
    o = Parse({"-geometry", "300x200-10+20"});
    EXPECT_EQ(*o.X, 10);
    EXPECT_TRUE(o.FromRight);
    EXPECT_EQ(*o.Y, 20);
    EXPECT_FALSE(o.FromBottom);
    // -0 is the right or bottom edge itself, not the left or top.
    o = Parse({"--geometry", "640x480-0-0"});
    EXPECT_EQ(*o.X, 0);
    EXPECT_EQ(*o.Y, 0);
    EXPECT_TRUE(o.FromRight && o.FromBottom);
    o = Parse({"--geometry", "32767x32767+32767-32767"});
    EXPECT_EQ(o.Width, 32767);
    EXPECT_TRUE(!o.FromRight && o.FromBottom);
}

TEST(HackOptions, AGeometryTooLargeIsOutOfRangeAndOneMalformedIsBadSyntax)
{
    auto error = [](const char* geometry) {
        try {
            Parse({"--geometry", geometry});
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    for (const char* large : {"99999x99999", "32768x480", "640x0", "0x480", "640x480+99999+0", "640x480-0-32768"})
        EXPECT_NE(error(large).find("out of range"), std::string::npos) << large << ": " << error(large);
    for (const char* bad : {"640", "x480", "640x", "640x480+", "640x480+1", "64ox480", "640x480+-1+0", "640x480+1+2+3",
                            "-640x480", "640x480++1"})
        EXPECT_EQ(error(bad).rfind("--geometry takes WxH or WxH+X+Y", 0), 0u) << bad << ": " << error(bad);
    EXPECT_EQ(error("99999x99999"), "--geometry's size is out of range (1 to 32767): '99999x99999'");
}

TEST(HackOptions, BadInputIsOneClearError)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"root"}, "unknown argument 'root'"},
        {{"--delay"}, "--delay needs a value"},
        {{"--delay", "fast"}, "--delay takes a whole number of 0 or more, not 'fast'"},
        {{"--delay", "-5"}, "--delay takes a whole number of 0 or more, not '-5'"},
        {{"--seed", "4294967296"}, "--seed is out of range (0 to 4294967295): 4294967296"},
        {{"--window-id", "window"}, "--window-id takes a window id, decimal or 0x hex, not 'window'"},
        {{"--window-id", "0"}, "--window-id takes a window id"},
        {{"--window-id", "0x"}, "--window-id takes a window id"},
        {{"--window-id", "0x123456789"}, "--window-id takes a window id"},
        {{"--frames", ""}, "--frames needs a value"},
        {{"--scale"}, "--scale needs a value"},
        {{"--scale", "0"}, "--scale is out of range (1 to 8): 0"},
        {{"--scale", "9"}, "--scale is out of range (1 to 8): 9"},
        {{"--scale", "99999999999999999999"}, "--scale is out of range (1 to 8): 99999999999999999999"},
        {{"--scale", "2x"}, "--scale takes a whole number from 1 to 8, not '2x'"},
        {{"--scale", "-1"}, "--scale takes a whole number from 1 to 8, not '-1'"},
        {{"--scale", ""}, "--scale needs a value"},
        // An argument's line breaks and escape sequences are shown, not obeyed.
        {{"--delay", "42\n"}, "--delay takes a whole number of 0 or more, not '42\\x0A'"},
        {{"--bogus\x1B[2J\r"}, "unknown option '--bogus\\x1B[2J\\x0D'"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.arguments);
            ADD_FAILURE() << "accepted: " << c.arguments[0];
        } catch (const UsageError& e) {
            std::string what = e.what();
            EXPECT_EQ(what.rfind(c.says, 0), 0u) << what;
            for (unsigned char byte : what) EXPECT_TRUE(byte >= 0x20 && byte != 0x7F) << "one plain line: " << what;
        }
    }
}

TEST(HackOptions, EveryChoiceOfTheSettingsDialogIsACommandLineTheHackTakes)
{
    // vidider.xml, as xscreensaver's settings dialog reads it: each arg and
    // arg-set it may add, its % the slider's value.
    std::ifstream file(std::string(VIDIDER_SOURCE_DIR) + "/x11/vidider.xml");
    ASSERT_TRUE(file) << "x11/vidider.xml";
    std::stringstream text;
    text << file.rdbuf();
    const std::string xml = text.str();
    const std::regex argument(R"re(\barg(-set)?="([^"]*)")re");
    std::vector<std::string> lines;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), argument); it != std::sregex_iterator(); ++it)
        lines.push_back(std::regex_replace((*it)[2].str(), std::regex("%"), "20000"));
    ASSERT_GE(lines.size(), 8u) << "the root, the delay, the frame rate, the classic stage, four scales";
    for (const std::string& line : lines) {
        std::vector<std::string> words;
        std::istringstream split(line);
        for (std::string word; split >> word;) words.push_back(word);
        EXPECT_NO_THROW(Parse(words)) << line;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "--classic"), lines.end());
    for (int scale = 1; scale <= 4; ++scale)
        EXPECT_NE(std::find(lines.begin(), lines.end(), "--scale " + std::to_string(scale)), lines.end()) << scale;
}

}  // namespace
}  // namespace app
