#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/pbm.h"
#include "tools/simulation.h"
#include "resources/title.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SimCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("vidider-sim-test-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome Sim(const std::string& args)
    {
        std::string command = std::string(VIDIDER_SIM_PATH) + " " + args + " >" + (dir_ / "stdout").string() +
                              " 2>" + (dir_ / "stderr").string();
        int raw = std::system(command.c_str());
        Outcome run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = Slurp(dir_ / "stdout");
        run.err = Slurp(dir_ / "stderr");
        return run;
    }

    fs::path dir_;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(SimCommand, TracePrintsOneLineOfTenIntegersPerFrame)
{
    Outcome run = Sim("trace --seed 0 --frames 300");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 300u);
    // The first call starts the approach from the stage corner.
    EXPECT_EQ(lines[0], "1 0 1024 768 0 0 -76 -82 -1100 -850");
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::istringstream fields(lines[k]);
        long long value[10];
        int n = 0;
        while (n < 10 && fields >> value[n]) ++n;
        ASSERT_EQ(n, 10) << lines[k];
        std::string rest;
        EXPECT_FALSE(fields >> rest);
        EXPECT_EQ(value[0], static_cast<long long>(k + 1));
        EXPECT_GE(value[1], 0);
        EXPECT_LE(value[1], 6);
        // Image1 and the second copy sit at centre minus the reference point.
        EXPECT_EQ(value[6], value[2] - 1100);
        EXPECT_EQ(value[7], value[3] - 850);
        EXPECT_EQ(value[8], value[4] - 1100);
        EXPECT_EQ(value[9], value[5] - 850);
    }
    EXPECT_EQ(lines[0].find("  "), std::string::npos);
}

TEST_F(SimCommand, TraceIsTheSameForTheSameSeedAndMatchesTheEngine)
{
    Outcome a = Sim("trace --seed 4294967295 --frames 2000");
    Outcome b = Sim("trace --frames 2000 --seed 4294967295");
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, Sim("trace --seed 4294967294 --frames 2000").out);
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(4294967295u, &title);
    std::string expected;
    for (std::uint64_t k = 1; k <= 2000; ++k) expected += simulation.TraceStep(k) + "\n";
    EXPECT_EQ(a.out, expected);
    Outcome none = Sim("trace --seed 1 --frames 0");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
}

TEST_F(SimCommand, PatternWritesTheRingPatternAsBinaryPbm)
{
    fs::path file = dir_ / "pattern.pbm";
    Outcome run = Sim("pattern --out " + file.string());
    ASSERT_EQ(run.status, 0) << run.err;
    std::string bytes = Slurp(file);
    EXPECT_EQ(bytes.rfind("P4\n2200 1700\n", 0), 0u);
    EXPECT_EQ(bytes.size(), std::string("P4\n2200 1700\n").size() + 275u * 1700u);
    figure::Surface pattern = sim::DecodePbm(bytes);
    // PBM's 1 bits are black: a ring centre is a set bit.
    EXPECT_EQ(std::uint8_t(bytes[13 + 792 * 275 + 1100 / 8]) & (0x80 >> (1100 % 8)), 0x80 >> (1100 % 8));
    sim::Simulation simulation(0, nullptr);
    EXPECT_TRUE(pattern == simulation.Form().Figure.Pattern->PatternBitmap);
}

TEST_F(SimCommand, FramesWritesTheStageOfEachPacedFrameWithTheTitleAtFirst)
{
    fs::path out = dir_ / "new" / "frames";
    Outcome run = Sim("frames --seed 31 --frames 230 --out " + out.string());
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(fs::exists(out / "frame-000001.pbm"));
    ASSERT_TRUE(fs::exists(out / "frame-000230.pbm"));
    EXPECT_FALSE(fs::exists(out / "frame-000231.pbm"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 230);

    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(31, &title);
    figure::Surface panel(1024, 768);
    auto carriesTitle = [&](const figure::Surface& frame) {
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                if (frame.IsWhite(352 + x, 264 + y) != title.IsWhite(x, y)) return false;
        return true;
    };
    for (std::uint64_t k = 1; k <= 230; ++k) {
        simulation.PacedFrame(k);
        simulation.ShownPanel(panel);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.pbm", int(k));
        figure::Surface written = sim::DecodePbm(Slurp(out / name));
        ASSERT_TRUE(written == panel) << name;
        // 20 ms apart from activation: frames 1 to 225 lie within 4500 ms.
        if (k == 1 || k == 225 || k == 226 || k == 230) {
            EXPECT_EQ(carriesTitle(written), k <= 225) << k;
        }
    }
}

TEST_F(SimCommand, AStageOfAnySizeGivesFramesOfItsSizeAndAPatternTwiceAsLargeAndMore)
{
    // The classic stage asked for by name is today's trace, line for line.
    Outcome plain = Sim("trace --seed 77 --frames 3000");
    Outcome named = Sim("trace --seed 77 --frames 3000 --stage 1024x768");
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(plain.out, named.out);

    // On 1600 x 900 the origin is (800, 450), the motion's first step goes
    // from the stage's corner toward it, and the clamps follow the stage.
    Outcome wide = Sim("trace --seed 77 --frames 20000 --stage 1600x900");
    ASSERT_EQ(wide.status, 0) << wide.err;
    int row = 0;
    for (const std::string& line : Lines(wide.out)) {
        std::istringstream fields(line);
        long k, state, c1x, c1y, c2x, c2y, left, top, sx, sy;
        ASSERT_TRUE(fields >> k >> state >> c1x >> c1y >> c2x >> c2y >> left >> top >> sx >> sy) << line;
        if (row++ == 0) {
            EXPECT_EQ(line, "1 0 1600 900 0 0 -76 -82 -1676 -982");
        }
        ASSERT_TRUE(c1x >= 0 && c1x <= 1600 && c2y >= 0 && c2y <= 900) << line;
        ASSERT_TRUE(left >= -1676 && left <= -76 && sy >= -982 && sy <= -82) << line;
    }
    EXPECT_EQ(row, 20000);

    fs::path pattern = dir_ / "pattern.pbm";
    ASSERT_EQ(Sim("pattern --stage 1600x900 --out " + pattern.string()).status, 0);
    EXPECT_EQ(Slurp(pattern).rfind("P4\n3352 1964\n", 0), 0u);

    fs::path out = dir_ / "frames";
    Outcome frames = Sim("frames --seed 3 --frames 2 --stage 1600x900 --out " + out.string());
    ASSERT_EQ(frames.status, 0) << frames.err;
    figure::Surface second = sim::DecodePbm(Slurp(out / "frame-000002.pbm"));
    EXPECT_EQ(second.Width(), 1600);
    EXPECT_EQ(second.Height(), 900);
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(3, &title, {1600, 900});
    figure::Surface panel(1600, 900);
    simulation.PacedFrame(1);
    simulation.PacedFrame(2);
    simulation.ShownPanel(panel);
    EXPECT_TRUE(second == panel);
    // The title in the middle of the larger stage: (640, 330).
    for (int x = 0; x < 320; x += 7) EXPECT_EQ(second.IsWhite(640 + x, 330 + 120), title.IsWhite(x, 120)) << x;

    Outcome small = Sim("frames --seed 3 --frames 2 --stage 800x600 --out " + out.string());
    EXPECT_EQ(small.status, 2);
    EXPECT_NE(small.err.find("--stage is smaller than 1024x768"), std::string::npos) << small.err;
}

TEST_F(SimCommand, BadUsageIsOneClearLineAndStatusTwo)
{
    struct Case {
        const char* args;
        const char* says;
    };
    for (Case c : {Case{"", "no command"}, {"dance", "unknown command dance"}, {"trace --seed 1", "missing --frames"},
                   {"trace --seed 1 --frames 5 --speed 3", "unknown option --speed"},
                   {"trace --seed --frames 5", "--seed is not a number"}, {"trace --seed 1 --frames", "--frames needs a value"},
                   {"trace --seed x1 --frames 5", "--seed is not a number: x1"},
                   {"trace --seed 4294967296 --frames 5", "--seed is out of range"},
                   {"trace --seed -1 --frames 5", "--seed must not be negative"},
                   {"trace --seed 1 --frames -5", "--frames must not be negative"},
                   {"trace --seed 1 --seed 2 --frames 5", "--seed given twice"},
                   {"pattern", "missing --out"}, {"pattern --out a extra", "unexpected argument extra"},
                   {"frames --seed 1 --frames 2", "missing --out"}}) {
        Outcome run = Sim(c.args);
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.out, "") << c.args;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << " said: " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.args;
    }
}

TEST_F(SimCommand, AnOutputThatCannotBeWrittenIsStatusOneAndLeavesNoPartialFile)
{
    Outcome missing = Sim("pattern --out " + (dir_ / "no" / "such" / "dir" / "p.pbm").string() + "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot write"), std::string::npos);
    fs::create_directories(dir_ / "taken");
    Outcome folder = Sim("pattern --out " + (dir_ / "taken").string());
    EXPECT_EQ(folder.status, 1);
    EXPECT_FALSE(fs::exists(dir_ / "taken.partial"));
    std::ofstream(dir_ / "file") << "x";
    Outcome notFolder = Sim("frames --seed 1 --frames 3 --out " + (dir_ / "file").string());
    EXPECT_EQ(notFolder.status, 1);
    EXPECT_NE(notFolder.err.find("cannot create the folder"), std::string::npos);
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
        EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
}

TEST_F(SimCommand, HelpPrintsTheUsage)
{
    for (const char* args : {"--help", "trace --help", "-h"}) {
        Outcome run = Sim(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("vidider-sim trace --seed S --frames N"), std::string::npos);
        EXPECT_NE(run.out.find("vidider-sim frames --seed S --frames N --out DIR"), std::string::npos);
    }
}

}  // namespace
