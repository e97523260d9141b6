#include <gtest/gtest.h>

#include "tools/sim_options.h"

namespace sim {
namespace {

SimOptions Parse(std::vector<std::string> arguments) { return ParseSimArguments(arguments); }

std::string ErrorOf(std::vector<std::string> arguments)
{
    try {
        ParseSimArguments(arguments);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(SimOptions, EachCommandTakesExactlyItsOptionsInAnyOrder)
{
    SimOptions frames = Parse({"frames", "--out", "dir", "--frames", "4294967295", "--seed", "0"});
    EXPECT_EQ(frames.Run, Command::Frames);
    EXPECT_EQ(*frames.Seed, 0u);
    EXPECT_EQ(*frames.Frames, 4294967295u);
    EXPECT_EQ(*frames.Out, "dir");
    SimOptions trace = Parse({"trace", "--seed", "4294967295", "--frames", "0"});
    EXPECT_EQ(trace.Run, Command::Trace);
    EXPECT_EQ(*trace.Seed, 4294967295u);
    EXPECT_FALSE(trace.Out);
    SimOptions pattern = Parse({"pattern", "--out", "--seed"});  // a value may look like an option
    EXPECT_EQ(pattern.Run, Command::Pattern);
    EXPECT_EQ(*pattern.Out, "--seed");
    EXPECT_FALSE(pattern.Seed);
    EXPECT_EQ(ErrorOf({"pattern", "--out", "p.pbm", "--seed", "1"}), "unknown option --seed");
    EXPECT_EQ(ErrorOf({"trace", "--frames", "4294967296", "--seed", "1"}),
              "--frames is out of range (0 to 4294967295): 4294967296");
    EXPECT_EQ(ErrorOf({"frames", "--seed", "1", "--frames", "2"}), "missing --out");
}

TEST(SimOptions, AskingForHelpAnywhereWinsOverAnyMistake)
{
    for (std::vector<std::string> help : {std::vector<std::string>{"help"}, {"-h"}, {"dance", "--help"},
                                          {"trace", "--seed", "x", "-h"}, {"pattern", "--out", "-h"}})
        EXPECT_EQ(Parse(help).Run, Command::Help) << help[0];
    EXPECT_EQ(ErrorOf({}), "no command given");
    EXPECT_EQ(ErrorOf({"trace", "help"}), "unexpected argument help");
}

TEST(SimOptions, AnArgumentsControlBytesAreShownEscapedOnTheOneLine)
{
    EXPECT_EQ(ErrorOf({"trace\n"}), "unknown command trace\\x0A");
    EXPECT_EQ(ErrorOf({"trace", "--seed", "1\x1B[2J", "--frames", "5"}), "--seed is not a number: 1\\x1B[2J");
    EXPECT_EQ(ErrorOf({"pattern", "--out", "p", "\x7F\t"}), "unexpected argument \\x7F\\x09");
}

}  // namespace
}  // namespace sim
