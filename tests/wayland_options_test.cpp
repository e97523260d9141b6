#include <gtest/gtest.h>

#include "app/hack_options.h"
#include "app/wayland_options.h"

namespace app {
namespace {

WaylandOptions Parse(std::vector<std::string> arguments) { return ParseWaylandOptions(arguments); }

TEST(WaylandOptions, DefaultsToTheSaverOverEveryOutputAtTheSaversPace)
{
    const WaylandOptions o = Parse({});
    EXPECT_EQ(o.Where, WaylandOptions::Mode::Saver);
    EXPECT_EQ(o.SleepTime, 20u);
    EXPECT_FALSE(o.Seed || o.Frames || o.Scale);
    EXPECT_FALSE(o.Fps || o.Classic || o.Verbose || o.Help || o.Version);
}

TEST(WaylandOptions, WindowAndBackgroundChooseTheSurfaceTheLastOneCounting)
{
    EXPECT_EQ(Parse({"--window"}).Where, WaylandOptions::Mode::Window);
    EXPECT_EQ(Parse({"-background"}).Where, WaylandOptions::Mode::Background);
    EXPECT_EQ(Parse({"--background", "--window"}).Where, WaylandOptions::Mode::Window);
    EXPECT_EQ(Parse({"--window", "--background"}).Where, WaylandOptions::Mode::Background);
}

TEST(WaylandOptions, TheSharedOptionsReadAsTheX11HacksDo)
{
    const std::vector<std::string> line = {"--classic", "-scale", "3",    "--delay", "20001", "-seed",
                                           "4294967295", "--frames", "300", "--fps",  "--verbose"};
    const WaylandOptions w = Parse(line);
    const HackOptions x = ParseHackOptions(line);
    EXPECT_TRUE(w.Classic && w.Fps && w.Verbose);
    EXPECT_EQ(w.Scale, 3);
    EXPECT_EQ(w.SleepTime, 21u) << "microseconds, rounded up to whole milliseconds";
    EXPECT_EQ(w.Seed, 4294967295u);
    EXPECT_EQ(w.Frames, 300u);
    EXPECT_TRUE(w.Classic == x.Classic && w.Scale == x.Scale && w.SleepTime == x.SleepTime && w.Seed == x.Seed &&
                w.Frames == x.Frames && w.Fps == x.Fps && w.Verbose == x.Verbose);
    EXPECT_TRUE(Parse({"-h"}).Help);
    EXPECT_TRUE(Parse({"--version"}).Version);
}

TEST(WaylandOptions, TheX11HacksOwnOptionsAndBadValuesAreOneLineErrors)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"--root"}, "unknown option '--root'"},
        {{"--geometry", "640x480"}, "unknown option '--geometry'"},
        {{"--display", ":0"}, "unknown option '--display'"},
        {{"window"}, "unknown argument 'window'"},
        {{"--scale", "0"}, "--scale is out of range (1 to 8): 0"},
        {{"--delay"}, "--delay needs a value"},
        {{"--seed", "-1"}, "--seed takes a whole number of 0 or more, not '-1'"},
        {{"--frames", "9\x1b[2J"}, "--frames takes a whole number of 0 or more, not '9\\x1B[2J'"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.arguments);
            ADD_FAILURE() << "accepted: " << c.arguments[0];
        } catch (const UsageError& e) {
            EXPECT_STREQ(e.what(), c.says);
        }
    }
}

TEST(WaylandOptions, HelpNamesEveryOptionAndVersionTheProgram)
{
    for (const char* option : {"--window", "--background", "--classic", "--scale", "--delay", "--seed", "--frames",
                               "--fps", "--verbose", "--help", "--version"})
        EXPECT_NE(std::string(kWaylandUsage).find(option), std::string::npos) << option;
    EXPECT_EQ(std::string(kWaylandVersion).rfind("vidider-wayland ", 0), 0u);
}

}  // namespace
}  // namespace app
