// vidider-wayland run for real under a headless sway 1.7 and checked as a
// person would: what each output shows (against the simulator's frames, at
// scale 1, 2 and 150 %), outputs that come and go, keys, how it ends and
// what it says, a window resized, a moving wallpaper, the fullscreen
// toplevels of a compositor without a layer shell, and swayidle starting it.
#include <signal.h>

#include <algorithm>
#include <filesystem>

#include "tests/wayland/compositor.h"

namespace e2e {
namespace {

// A frame after the title time.
constexpr int kFrame = 333;

// The lines of --verbose that say a stage was made.
std::vector<std::string> StageLines(const std::string& said) { return LinesFrom(said, "vidider-wayland: stage "); }

class Wayland : public WaylandTest {
protected:
    // The output shows `expected` from its origin within `seconds`, and keeps it.
    void ExpectShows(Compositor& on, const std::string& output, const figure::Surface& expected, double seconds,
                     const std::string& what)
    {
        const bool same = WaitFor(on, output, [&](const Shot& s) { return Differences(s, 0, 0, expected) == 0; }, seconds);
        const Shot shot = on.Grab(output);
        EXPECT_TRUE(same) << what << ": " << Differences(shot, 0, 0, expected) << " pixels differ; "
                          << SaveShot(shot, "wayland-" + output);
        if (!same) return;
        Sleep(0.3);
        EXPECT_EQ(Differences(on.Grab(output), 0, 0, expected), 0) << what << ": and stays";
    }
    // The program on `sway` with `arguments`, once its moire shows on the
    // first output.
    pid_t StartShowing(Compositor& sway, const std::vector<std::string>& arguments)
    {
        const pid_t pid = StartOn(sway, arguments);
        EXPECT_TRUE(WaitFor(sway, "HEADLESS-1", HasBoth)) << "no moire: " << Slurp(errors);
        return pid;
    }
    // --seed 7 --frames 333 --verbose and `more` on the first output shows
    // `expected` and says `says`; then SIGTERM ends it, unless `end` is
    // false. The program.
    pid_t ExpectFrame(Compositor& sway, const figure::Surface& expected, const std::vector<std::string>& more,
                      const std::vector<std::string>& environment, const std::string& says, bool end = true)
    {
        std::vector<std::string> arguments = {"--seed", "7", "--frames", std::to_string(kFrame), "--verbose"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const pid_t pid = StartOn(sway, arguments, environment);
        ExpectShows(sway, "HEADLESS-1", expected, 25, "frame 333 of seed 7 on " + sway.What());
        EXPECT_NE(Slurp(errors).find(says), std::string::npos) << Slurp(errors);
        if (end) EndBy(pid, SIGTERM);
        return pid;
    }
    void EndBy(pid_t pid, int signal)
    {
        ::kill(pid, signal);
        const Finished end = WaitExit(pid, 5);
        EXPECT_EQ(end.signal, signal) << "exit status " << end.code;
    }
};

// --- what the outputs show ---

TEST_F(Wayland, AtScaleOneFrameNIsTheSimulatorsFrameNPixelForPixel)
{
    Compositor sway(1920, 1080, "1");
    if (!sway.Ready()) return;
    ExpectFrame(sway, SimulatorFrame(7, kFrame, {1920, 1080}), {}, {},
                "vidider-wayland: stage 1920 x 1080 at scale 1 (the output's) in a buffer of 1920 x 1080, output "
                "scale 1 on HEADLESS-1, in the overlay layer");
}

TEST_F(Wayland, AtScaleTwoEveryFigurePixelIsATwoByTwoBlockOfTheSimulatorsFrame)
{
    // 2560 x 1600 pixels at scale 2: a surface of 1280 x 800, its buffer at
    // the output's pixels (buffer scale 2), a stage of 1280 x 800 at figure
    // scale 2.
    Compositor sway(2560, 1600, "2");
    if (!sway.Ready()) return;
    ExpectFrame(sway, Enlarged(SimulatorFrame(7, kFrame, {1280, 800}), 2), {}, {},
                "stage 1280 x 800 at scale 2 (the output's) in a buffer of 2560 x 1600, output scale 2 on HEADLESS-1");
}

TEST_F(Wayland, AtAHundredAndFiftyPercentTheBufferHasTheOutputsOwnPixelsNoneResampled)
{
    // sway 1.7 scales the output by 1.5 without telling its clients so: the
    // surface is 1280 x 720, and a buffer of the output's 1920 x 1080 pixels
    // through a viewport shows them one to one. The scale rule gives 1 (144
    // DPI gives 2, which a 1920 x 1080 output cannot hold the classic stage at).
    Compositor sway(1920, 1080, "1.5");
    if (!sway.Ready()) return;
    ExpectFrame(sway, SimulatorFrame(7, kFrame, {1920, 1080}), {}, {},
                "in a buffer of 1920 x 1080 through a viewport, output scale 1.5");
}

TEST_F(Wayland, ScaleOverridesTheOutputsScale)
{
    Compositor sway(1920, 1080, "1");
    if (!sway.Ready()) return;
    // 960 x 540 figure pixels: the least stage, 2048 x 1536 on the output,
    // cut equally on both sides.
    const figure::Surface stage = Enlarged(SimulatorFrame(7, kFrame, figure::kClassicStage), 2);
    figure::Surface expected(1920, 1080);
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) expected.SetWhite(x, y, stage.IsWhite(x + 64, y + 228));
    ExpectFrame(sway, expected, {"--scale", "2"}, {}, "stage 1024 x 768 at scale 2 (--scale)");
}

TEST_F(Wayland, WithoutALayerShellEachOutputGetsAFullscreenToplevelShowingTheSame)
{
    // What GNOME and Weston offer; sway here with its layer shell left out.
    Compositor sway(1920, 1080, "1");
    if (!sway.Ready()) return;
    const pid_t pid = ExpectFrame(sway, SimulatorFrame(7, kFrame, {1920, 1080}), {}, {"VIDIDER_SHELL=xdg"},
                                  "on HEADLESS-1, in a fullscreen toplevel", false);
    ASSERT_EQ(sway.Type({"x"}), 0);
    EXPECT_EQ(WaitExit(pid, 5).code, 0) << "a key ends it there too";
}

// --- outputs ---

TEST_F(Wayland, TwoOutputsShowTheirOwnSeedsAnOutputAddedIsCoveredAndOneRemovedLeavesItRunning)
{
    Compositor sway(1920, 1080, "1",
                    {"output HEADLESS-2 resolution 1280x1024 position 1920 0 scale 1",
                     "output HEADLESS-3 resolution 1024x768 position 3200 0 scale 1"});
    if (!sway.Ready()) return;
    ASSERT_EQ(sway.Message("create_output"), 0);
    // The second output's motion starts from the first's seed + 7919, as
    // the Windows saver seeds its second monitor.
    const figure::Surface first = SimulatorFrame(7, kFrame, {1920, 1080});
    const figure::Surface second = SimulatorFrame(7 + 7919, kFrame, {1280, 1024});
    const pid_t pid = StartOn(sway, {"--seed", "7", "--frames", std::to_string(kFrame), "--verbose"});
    ExpectShows(sway, "HEADLESS-1", first, 20, "the first output: seed 7");
    ExpectShows(sway, "HEADLESS-2", second, 5, "the second output: seed 7926");

    ASSERT_EQ(sway.Message("create_output"), 0);
    const double added = Now();
    const bool covered = WaitFor(sway, "HEADLESS-3", [](const Shot& s) { return EdgesHaveBoth(s); }, 5);
    EXPECT_TRUE(covered) << SaveShot(sway.Grab("HEADLESS-3"), "wayland-added");
    EXPECT_LT(Now() - added, 1.0) << "the new output is covered within a second";

    ASSERT_EQ(sway.Message("output HEADLESS-2 disable"), 0);
    Sleep(1.0);
    ASSERT_TRUE(Running(pid)) << "an output removed ended it: " << Slurp(errors);
    EXPECT_EQ(Differences(sway.Grab("HEADLESS-1"), 0, 0, first), 0) << "the first output keeps its frame";
    ASSERT_EQ(sway.Type({"q"}), 0);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
    EXPECT_EQ(StageLines(Slurp(errors)).size(), 3u) << "one stage for each output: " << Slurp(errors);
}

// --- ending ---

TEST_F(Wayland, AKeyEndsItWithinASecondAndStatusZero)
{
    Compositor sway;
    if (!sway.Ready()) return;
    const pid_t pid = StartShowing(sway, {});
    ASSERT_FALSE(HasFailure());
    EXPECT_GT(Changes(sway, "HEADLESS-1", 5), 3) << "the moire moves";
    ASSERT_EQ(sway.Type({"a"}), 0);
    const double typed = Now();
    const Finished end = WaitExit(pid, 5);
    EXPECT_EQ(end.code, 0);
    EXPECT_LT(Now() - typed, 1.0);
    EXPECT_EQ(Slurp(errors), "");
}

TEST_F(Wayland, ADoubleClickOnTheBorderDoesNotEndItOneOnTheStageDoes)
{
    Compositor sway;
    if (!sway.Ready()) return;
    // The classic stage in the middle of 1920 x 1080: black border around it.
    const pid_t pid = StartShowing(sway, {"--classic"});
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(sway.Point(1920, 1080, {"m", "100", "100", "c", "c", "w", "600", "m", "960", "540", "c"}), 0);
    Sleep(1.0);
    ASSERT_TRUE(Running(pid)) << "a double click on the border or a click ended it";
    ASSERT_EQ(sway.Point(1920, 1080, {"m", "900", "500", "c", "c"}), 0);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Wayland, MovesEndingAtTheCentreSteerTheFigureUntilTheMouseRests)
{
    Compositor sway;
    if (!sway.Ready()) return;
    const pid_t pid = StartShowing(sway, {});
    ASSERT_FALSE(HasFailure());
    Sleep(5.0);  // past the title time, when moves are dropped
    // Thirty moves to the middle of the stage: the second centre follows
    // the pointer, the first mirrors it, and the copies lie on each other.
    std::vector<std::string> steps;
    for (int i = 30; i >= 0; --i) steps.insert(steps.end(), {"m", std::to_string(960 + 3 * i), std::to_string(540 + 2 * i)});
    ASSERT_EQ(sway.Point(1920, 1080, steps), 0);
    const double moved = Now();
    EXPECT_TRUE(WaitFor(sway, "HEADLESS-1", AllBlack, 0.5)) << "the copies lie on each other";
    Sleep(std::max(0.0, moved + 3.0 - Now()));
    EXPECT_TRUE(AllBlack(sway.Grab("HEADLESS-1"))) << "still steering while the mouse rests";
    Sleep(std::max(0.0, moved + 5.5 - Now()));
    EXPECT_GT(Changes(sway, "HEADLESS-1", 5), 3) << "the motion resumes after 5 s of rest";
    ASSERT_EQ(sway.Type({"-k", "Escape"}), 0);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Wayland, TheCompositorKilledEndsItWithOneLineAndStatusOne)
{
    Compositor sway;
    if (!sway.Ready()) return;
    const pid_t pid = StartShowing(sway, {});
    ASSERT_FALSE(HasFailure());
    sway.KillCompositor();
    const Finished end = WaitExit(pid, 5);
    EXPECT_EQ(end.code, 1);
    EXPECT_LT(end.seconds, 1.0);
    EXPECT_FALSE(end.core);
    EXPECT_EQ(Slurp(errors), "vidider-wayland: the compositor went away\n");
}

TEST_F(Wayland, SigtermSigintAndSighupEachEndItByThatSignal)
{
    Compositor sway;
    if (!sway.Ready()) return;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t pid = StartShowing(sway, {});
        ASSERT_FALSE(HasFailure());
        ::kill(pid, signal);
        const Finished end = WaitExit(pid, 5);
        EXPECT_EQ(end.signal, signal) << "exit status " << end.code;
        EXPECT_LT(end.seconds, 0.1) << "within 100 ms";
        EXPECT_EQ(Slurp(errors), "");
        // Its surface is gone with it: the output shows the empty desktop.
        EXPECT_TRUE(WaitFor(sway, "HEADLESS-1", [](const Shot& s) { return !HasBoth(s); }, 2)) << signal;
    }
}

TEST_F(Wayland, AWindowNobodySeesSleepsAndWakesWhenItShowsAgain)
{
    // A window on a workspace not shown gets no frame callback: it draws no
    // frame until it shows again. (sway 1.7 still calls back a surface on
    // an output turned off, so that cannot be tried here.)
    Compositor sway;
    if (!sway.Ready()) return;
    const pid_t pid = StartShowing(sway, {"--window"});
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(sway.Message("workspace 2"), 0);
    Sleep(0.5);
    const long before = CpuTicks(pid);
    Sleep(2.0);
    EXPECT_LE(CpuTicks(pid) - before, 1) << "it drew while nobody could see it";
    ASSERT_EQ(sway.Message("workspace 1"), 0);
    const long woke = CpuTicks(pid);
    EXPECT_GT(Changes(sway, "HEADLESS-1", 5), 3) << "the moire moves again";
    EXPECT_GT(CpuTicks(pid), woke);
    ASSERT_EQ(sway.Type({"a"}), 0);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

// --- the window, the wallpaper, swayidle ---

TEST_F(Wayland, AWindowResizedFillsTheNewSizeWithOneNewStageAfterItSettles)
{
    Compositor sway(1920, 1080, "1", {"default_border none", "for_window [app_id=vidider] floating enable"});
    if (!sway.Ready()) return;
    const pid_t pid = StartShowing(sway, {"--window", "--verbose"});
    ASSERT_FALSE(HasFailure());
    // A drag: ten sizes 20 ms apart.
    for (int step = 1; step <= 10; ++step) {
        ASSERT_EQ(sway.Message("[app_id=vidider] resize set " + std::to_string(1024 + 30 * step) + " px " +
                               std::to_string(768 + 20 * step) + " px"),
                  0);
        Sleep(0.02);
    }
    ASSERT_EQ(sway.Message("[app_id=vidider] move position 0 0"), 0);
    // The new stage a quarter of a second after the last step; then no other.
    for (double start = Now(); StageLines(Slurp(errors)).size() < 2 && Now() - start < 5;) Sleep(0.05);
    Sleep(0.5);
    const std::vector<std::string> stages = StageLines(Slurp(errors));
    ASSERT_EQ(stages.size(), 2u) << "the first stage, then one for the whole drag: " << Slurp(errors);
    EXPECT_EQ(stages[0].rfind("vidider-wayland: stage 1024 x 768 at scale 1 (the output's) in a buffer of 1024 x 768", 0),
              0u)
        << stages[0];
    EXPECT_EQ(stages[1].rfind("vidider-wayland: stage 1324 x 968 at scale 1 (the output's) in a buffer of 1324 x 968", 0),
              0u)
        << stages[1];
    const Shot shot = sway.Grab("HEADLESS-1");
    Shot window;
    window.width = 1324;
    window.height = 968;
    for (int y = 0; y < 968; ++y)
        for (int x = 0; x < 1324; ++x) window.pixels.push_back(shot.At(x, y));
    EXPECT_TRUE(EdgesHaveBoth(window)) << "the moire to the new edges; " << SaveShot(shot, "wayland-window");
    ASSERT_EQ(sway.Type({"-k", "Escape"}), 0);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Wayland, BackgroundLiesUnderWindowsAndTakesNoKeys)
{
    Compositor sway(1920, 1080, "1", {"default_border none"});
    if (!sway.Ready()) return;
    const pid_t pid = StartOn(sway, {"--background", "--verbose"});
    // The left of the output, where a classic stage in a window leaves black.
    auto left = [](const Shot& s) {
        Shot part;
        part.width = 440;
        part.height = s.height;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < 440; ++x) part.pixels.push_back(s.At(x, y));
        return part;
    };
    ASSERT_TRUE(WaitFor(sway, "HEADLESS-1", [&](const Shot& s) { return HasBoth(left(s)); })) << "no moire";
    EXPECT_NE(Slurp(errors).find("in the background layer"), std::string::npos) << Slurp(errors);
    ASSERT_EQ(sway.Type({"a"}), 0);
    Sleep(0.5);
    EXPECT_TRUE(Running(pid)) << "a key ended the wallpaper";
    // An ordinary window over it, filling the output: the saver's own, its
    // classic stage in the middle and black around it.
    const pid_t window = StartOn(sway, {"--window", "--classic"});
    EXPECT_TRUE(WaitFor(sway, "HEADLESS-1", [&](const Shot& s) { return AllBlack(left(s)); }))
        << "the window lies over the wallpaper; " << SaveShot(sway.Grab("HEADLESS-1"), "wayland-background");
    EndBy(window, SIGTERM);
    EXPECT_TRUE(WaitFor(sway, "HEADLESS-1", [&](const Shot& s) { return HasBoth(left(s)); }))
        << "the wallpaper shows again";
    EndBy(pid, SIGTERM);
}

TEST_F(Wayland, SwayidleStartsItAfterItsTimeoutAndAKeyEndsIt)
{
    Compositor sway;
    if (!sway.Ready()) return;
    NeedOrFail(::access("/usr/bin/swayidle", X_OK) == 0, "swayidle is not installed (tools/deps.sh test)");
    if (IsSkipped() || HasFailure()) return;
    std::printf("[wayland] swayidle ran %s (the native build, run from a copy) on %s\n", VIDIDER_WAYLAND_PATH,
                sway.What().c_str());
    const pid_t idle = sway.Start({"/usr/bin/swayidle", "-w", "timeout", "1", sway.Program() + " --verbose"}, errors);
    started_.push_back(idle);
    ASSERT_TRUE(WaitFor(sway, "HEADLESS-1", [](const Shot& s) { return EdgesHaveBoth(s); }, 10))
        << "no moire after the timeout: " << Slurp(errors);
    std::vector<pid_t> savers;
    for (pid_t p : ProcessesNamed("vidider-wayland"))
        if (std::filesystem::read_symlink("/proc/" + std::to_string(p) + "/exe") == sway.Program()) savers.push_back(p);
    ASSERT_EQ(savers.size(), 1u) << "swayidle runs one vidider-wayland";
    ASSERT_EQ(sway.Type({"a"}), 0);
    bool ended = false;
    for (double start = Now(); !ended && Now() - start < 5; Sleep(0.05)) ended = ::kill(savers[0], 0) != 0;
    EXPECT_TRUE(ended) << "the key ended it";
    EXPECT_TRUE(Running(idle)) << "swayidle goes on";
    EXPECT_NE(Slurp(errors).find("in the overlay layer"), std::string::npos) << Slurp(errors);
}

// --- what it says ---

TEST_F(Wayland, HelpVersionBadOptionsAndNoCompositorAreOneLineEach)
{
    const std::string program = VIDIDER_WAYLAND_PATH;
    std::printf("[wayland] ran %s (the native build), no compositor needed\n", program.c_str());
    const std::string out = errors + ".out";
    auto run = [&](const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return WaitExit(Spawn(argv, EnvironmentWith({"WAYLAND_DISPLAY=", "WAYLAND_SOCKET="}, environment), out, errors),
                        10);
    };
    EXPECT_EQ(run({"--version"}, {}).code, 0);
    EXPECT_EQ(Slurp(out), "vidider-wayland 0.6.3\n");
    EXPECT_EQ(run({"-help"}, {}).code, 0);
    EXPECT_NE(Slurp(out).find("--background"), std::string::npos) << Slurp(out);
    struct Case {
        std::vector<std::string> arguments, environment;
        const char* says;
    };
    const Case cases[] = {
        {{"--bogus"}, {}, "vidider-wayland: unknown option '--bogus' (see vidider-wayland --help)\n"},
        {{"--scale", "9"}, {}, "vidider-wayland: --scale is out of range (1 to 8): 9 (see vidider-wayland --help)\n"},
        {{"--root"}, {}, "vidider-wayland: unknown option '--root' (see vidider-wayland --help)\n"},
        {{}, {"XDG_RUNTIME_DIR=/tmp", "WAYLAND_DISPLAY=vidider-no-such-compositor"},
         "vidider-wayland: cannot connect to the Wayland compositor 'vidider-no-such-compositor'\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments, c.environment).code, 2) << c.says;
        EXPECT_EQ(Slurp(errors), c.says);
    }
    std::remove(out.c_str());
}

}  // namespace
}  // namespace e2e
