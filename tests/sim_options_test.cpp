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

TEST(SimOptions, EveryCommandMayNameAStageThatTheFigureCanHave)
{
    EXPECT_FALSE(Parse({"trace", "--seed", "1", "--frames", "2"}).Stage);
    EXPECT_EQ(*Parse({"trace", "--stage", "1920x1080", "--seed", "1", "--frames", "2"}).Stage,
              (figure::StageSize{1920, 1080}));
    EXPECT_EQ(*Parse({"pattern", "--out", "p", "--stage", "16384x8070"}).Stage, (figure::StageSize{16384, 8070}));
    EXPECT_EQ(*Parse({"frames", "--stage", "1024x768", "--seed", "1", "--frames", "2", "--out", "d"}).Stage,
              figure::kClassicStage);
    EXPECT_EQ(ErrorOf({"pattern", "--out", "p", "--stage", "1000x768"}), "--stage is smaller than 1024x768: 1000x768");
    EXPECT_EQ(ErrorOf({"pattern", "--out", "p", "--stage", "1024x766"}), "--stage is smaller than 1024x768: 1024x766");
    EXPECT_EQ(ErrorOf({"pattern", "--out", "p", "--stage", "1025x768"}), "--stage takes even sides, not 1025x768");
    for (const char* bad : {"1024", "x768", "1024x", "1024x768x2", "1024 x 768", "-1024x768", "1e3x768", ""})
        EXPECT_EQ(ErrorOf({"pattern", "--out", "p", "--stage", bad}), std::string("--stage takes WxH, not ") + bad);
    for (const char* absurd : {"16386x768", "16384x8072", "99999999999999999999x99999999999999999999"})
        EXPECT_EQ(ErrorOf({"pattern", "--out", "p", "--stage", absurd}),
                  std::string("--stage is too large (no side over 16384, surfaces within 64 MiB): ") + absurd);
    EXPECT_EQ(ErrorOf({"pattern", "--stage", "1024x768", "--out", "p", "--stage", "1024x768"}), "--stage given twice");
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
