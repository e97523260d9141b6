#include <gtest/gtest.h>

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
    o = Parse({"-geometry", "300x200-10+20"});
    EXPECT_EQ(*o.X, -10);
    EXPECT_EQ(*o.Y, 20);
    for (const char* bad : {"640", "x480", "640x", "0x480", "640x480+", "640x480+1", "64ox480", "99999x480"})
        EXPECT_THROW(Parse({"--geometry", bad}), UsageError) << bad;
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

}  // namespace
}  // namespace app
