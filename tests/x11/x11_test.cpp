// vidider, the X11 hack, run for real on a private Xvfb (1280 x 1024 x 24)
// and checked as a person would: what the screen shows, what keys, clicks,
// moves and the window manager do, how it ends, what it says; then under the
// real xscreensaver daemon.
#include <X11/Xatom.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "app/frame_rate.h"
#include "tests/x11/hack.h"
#include "resources/title.h"

namespace e2e {
namespace {

// --- its own window ---

class Window : public Hack {
protected:
    TestDisplay& d = Screen();
    // The whole screen, the classic stage: it lies at (128, 128) with a
    // black border.
    static constexpr int kX = 128, kY = 128;

    pid_t StartFullScreen(std::vector<std::string> more = {})
    {
        std::vector<std::string> arguments = {"--window", "--geometry", "1280x1024+0+0", "--classic"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        pid_t pid = Start(arguments);
        EXPECT_TRUE(WaitFor(kX, kY, kStageW, kStageH, HasBoth)) << "no moire on the stage";
        return pid;
    }
};

TEST_F(Window, ShowsTheTitleThenTheMoireOnABlackBorderAndAKeyEndsIt)
{
    const double started = Now();
    pid_t pid = StartFullScreen();
    const figure::Surface title = vidider::LoadTitlePicture();
    Shot screen = d.Grab(0, 0, 1280, 1024);
    EXPECT_TRUE(Shows(screen, kX + 352, kY + 264, title)) << "the title first; " << SaveShot(screen, "x11-title");
    for (int y = 0; y < 1024; y += 3)
        for (int x = 0; x < 1280; x += 3) {
            bool onStage = x >= kX && x < kX + kStageW && y >= kY && y < kY + kStageH;
            if (!onStage) {
                ASSERT_TRUE(screen.At(x, y).Black()) << "border pixel " << x << "," << y;
            }
        }
    EXPECT_GT(Changes(kX, kY, kStageW, kStageH, 1.0), 5) << "the moire moves";
    Sleep(std::max(0.0, 5.2 - (Now() - started)));
    EXPECT_FALSE(Shows(d.Grab(0, 0, 1280, 1024), kX + 352, kY + 264, title)) << "the title is gone after 4.5 s";
    const double pressed = Now();
    d.Key("a");
    Finished end = WaitExit(pid, 5);
    EXPECT_EQ(end.code, 0);
    EXPECT_LT(Now() - pressed, 1.0);
}

TEST_F(Window, ADoubleClickOnTheBorderDoesNotEndItOneOnTheStageDoes)
{
    pid_t pid = StartFullScreen();
    d.Click(40, 40, 2);
    d.Click(640, 512);  // a single click on the stage
    Sleep(1.0);
    ASSERT_TRUE(Running(pid)) << "a double click on the border or a click ended it";
    d.Click(500, 400, 2);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Window, TwentyMovesEndingAtTheCentreMakeTheStageBlackUntilTheMouseRests)
{
    // The stage fills the window at scale 2: its figure pixels under the
    // pointer are found through the scale.
    pid_t pid = Start({"--window", "--geometry", "1280x1024+0+0", "--scale", "2"});
    EXPECT_TRUE(WaitFor(0, 0, 1280, 1024, HasBoth)) << "no moire";
    Sleep(5.0);  // past the title time, when moves are dropped
    for (int i = 30; i >= 0; --i) {
        d.MoveTo(640 + 3 * i, 512 + 2 * i);
        Sleep(0.02);
    }
    const double moved = Now();
    EXPECT_TRUE(WaitFor(0, 0, 1280, 1024, AllBlack, 0.5)) << "the copies lie on each other";
    Sleep(std::max(0.0, moved + 3.0 - Now()));
    EXPECT_TRUE(AllBlack(d.Grab(0, 0, 1280, 1024))) << "still steering while the mouse rests";
    Sleep(std::max(0.0, moved + 5.5 - Now()));
    EXPECT_GT(Changes(0, 0, 1280, 1024, 1.0), 5) << "the motion resumes after 5 s of rest";
    d.Key("Escape");
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Window, TheWindowManagersCloseEndsIt)
{
    pid_t pid = StartFullScreen();
    const ::Window found = WindowNamed(d, "vidider");
    ASSERT_NE(found, 0u) << "no window named vidider";
    CloseLikeAWindowManager(d, found);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Window, AGeometryCountedFromTheRightAndBottomPutsItThere)
{
    // Frame 0 (--frames 0) is a still: the window's part of the stage, its
    // middle, must lie against that corner, and the rest of the screen stay
    // the black root.
    const figure::Surface stage = SimulatorStage(7, 0);
    const figure::Surface middle = Crop(stage, (kStageW - 640) / 2, (kStageH - 480) / 2, 640, 480);
    for (auto [geometry, x, y] : {std::tuple{"640x480-0-0", 640, 544}, {"640x480-10-20", 630, 524},
                                  {"640x480+10-0", 10, 544}, {"640x480-0+30", 640, 30}}) {
        pid_t pid = Start({"--geometry", geometry, "--seed", "7", "--frames", "0"});
        EXPECT_TRUE(WaitFor(x, y, 640, 480, [&](const Shot& s) { return Shows(s, x, y, middle); }))
            << geometry << " belongs at " << x << "," << y << "; " << SaveShot(d.Grab(0, 0, 1280, 1024), "x11-corner");
        const Shot screen = d.Grab(0, 0, 1280, 1024);
        int outside = 0;
        for (int sy = 0; sy < 1024; sy += 4)
            for (int sx = 0; sx < 1280; sx += 4)
                if (!(sx >= x && sx < x + 640 && sy >= y && sy < y + 480)) outside += !screen.At(sx, sy).Black();
        EXPECT_EQ(outside, 0) << geometry << ": drawn outside its place";
        ::kill(pid, SIGTERM);
        EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM) << geometry;
    }
}

// --- in a window of someone else's: the daemon's, or the preview's ---

class Foreign : public Hack {
protected:
    TestDisplay& d = Screen();
    ::Window window_ = 0;

    // A 320 x 240 window, red, so that a part nothing draws on shows.
    ::Window MakeWindow() { return window_ = Hack::MakeWindow(d, 100, 100, 320, 240); }
    void TearDown() override
    {
        Hack::TearDown();
        if (window_ != 0) XDestroyWindow(X(d), window_);
        XSync(X(d), False);
    }

    static bool NoRed(const Shot& s)
    {
        return std::none_of(s.pixels.begin(), s.pixels.end(), [](const Pixel& p) { return p.r == 255 && p.g == 0; });
    }

    // Draws there, follows a resize, ends by SIGTERM within 100 ms, its
    // shared memory gone.
    void Check(pid_t pid)
    {
        // 320 x 240 shows the middle of the stage: the title, whole.
        const figure::Surface title = vidider::LoadTitlePicture();
        EXPECT_TRUE(WaitFor(100, 100, 320, 240, [&](const Shot& s) { return Shows(s, 100, 100, title); }))
            << "the title fills the 320 x 240 window; " << SaveShot(d.Grab(100, 100, 320, 240), "x11-small");
        XResizeWindow(X(d), window_, 640, 480);
        XSync(X(d), False);
        // The stage centred again: the title in the middle, moire around,
        // nothing of the window's own red left.
        EXPECT_TRUE(WaitFor(100, 100, 640, 480, [&](const Shot& s) {
            return NoRed(s) && HasBoth(s) && Shows(s, 100 + 160, 100 + 120, title);
        })) << SaveShot(d.Grab(100, 100, 640, 480), "x11-resized");
        ASSERT_TRUE(Running(pid));
        EXPECT_EQ(SharedSegmentsOf(pid).size(), 1u) << "it paints through shared memory";
        ::kill(pid, SIGTERM);
        Finished end = WaitExit(pid, 5);
        EXPECT_EQ(end.signal, SIGTERM) << "ends by the daemon's signal; exit status " << end.code;
        EXPECT_FALSE(end.core);
        EXPECT_LT(end.seconds, 0.1) << "ends within 100 ms of SIGTERM";
        EXPECT_TRUE(SharedSegmentsOf(pid).empty()) << "its shared memory is gone";
        EXPECT_EQ(Slurp(errors), "");
    }
};

TEST_F(Foreign, RootDrawsIntoTheDaemonsWindowFollowsItsSizeAndEndsOnSigterm)
{
    ::Window window = MakeWindow();
    Check(Start({"--root"}, {"XSCREENSAVER_WINDOW=" + Hex(window)}));
}

TEST_F(Foreign, WindowIdDrawsIntoThatWindowFollowsItsSizeAndEndsOnSigterm)
{
    ::Window window = MakeWindow();
    Check(Start({"-window-id", std::to_string(window)}));
}

TEST_F(Foreign, RootAndWindowIdShowTheFirstFrameAtOnceAndFramesZeroKeepsIt)
{
    // With --frames 0 no paced frame ever comes: what shows is the frame the
    // activation composed. 640 x 480 shows the title and the moire around it.
    const figure::Surface stage = SimulatorStage(2004, 0);
    const figure::Surface middle = Crop(stage, (kStageW - 640) / 2, (kStageH - 480) / 2, 640, 480);
    ASSERT_FALSE(middle == Crop(SimulatorStage(2004, 1), (kStageW - 640) / 2, (kStageH - 480) / 2, 640, 480))
        << "frame 0 must differ from frame 1 for this check to mean anything";
    for (const char* where : {"--root", "--window-id"}) {
        window_ = Hack::MakeWindow(d, 100, 100, 640, 480);
        pid_t pid = std::string(where) == "--root"
                        ? Start({"--root", "--seed", "2004", "--frames", "0"}, {"XSCREENSAVER_WINDOW=" + Hex(window_)})
                        : Start({"--window-id", Hex(window_), "--seed", "2004", "--frames", "0"});
        EXPECT_TRUE(WaitFor(100, 100, 640, 480, [&](const Shot& s) { return Shows(s, 100, 100, middle); }, 5))
            << where << ": frame 0; " << SaveShot(d.Grab(100, 100, 640, 480), "x11-frame0");
        Sleep(0.3);
        EXPECT_TRUE(Shows(d.Grab(100, 100, 640, 480), 100, 100, middle)) << where << ": and it stays";
        ::kill(pid, SIGTERM);
        EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
        XDestroyWindow(X(d), window_);
        XSync(X(d), False);
        window_ = 0;
    }
}

// --- the same pixels as the simulator ---

TEST_F(Hack, TheStageAfterNFramesIsTheSimulatorsFrameN)
{
    TestDisplay& d = Screen();
    // Frames after the title time, each differing from the frame before.
    for (auto [seed, frame] : {std::pair{"7", 333}, {"2004", 260}}) {
        const SimulatorFrames frames = RunSimulator(seed, frame, figure::kClassicStage);
        const figure::Surface& expected = frames.Frame;
        ASSERT_FALSE(expected == frames.Before) << "seed " << seed << ": pick a frame that moved";

        pid_t pid = Start({"--geometry", "1024x768+0+0", "--seed", seed, "--frames", std::to_string(frame)});
        bool same = WaitFor(0, 0, kStageW, kStageH, [&](const Shot& s) { return Shows(s, 0, 0, expected); },
                            frame * 0.02 + 10);
        EXPECT_TRUE(same) << "seed " << seed << " frame " << frame << "; "
                          << SaveShot(d.Grab(0, 0, kStageW, kStageH), "x11-frame");
        Sleep(0.5);
        EXPECT_TRUE(Shows(d.Grab(0, 0, kStageW, kStageH), 0, 0, expected)) << "and stays";
        ::kill(pid, SIGTERM);
        EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
    }
}

// --- the frame rate ---

TEST_F(Hack, FpsDrawsTheRateInTheBottomLeftCornerAndTouchesNothingElse)
{
    TestDisplay& d = Screen();
    const figure::Surface empty = app::FrameRateBox(std::nullopt);
    const int boxW = empty.Width(), boxH = empty.Height(), boxY = kStageH - boxH;
    const int frame = 333;
    ASSERT_FALSE(ShownBefore(7, frame)) << "a frame shown before looks the same";
    pid_t pid = Start({"--geometry", "1024x768+0+0", "--seed", "7", "--frames", std::to_string(frame), "--fps"});

    // While the frames run: the box reads the rate of a paced 50 a second.
    Sleep(3.0);
    const Shot running = d.Grab(0, boxY, boxW, boxH);
    std::string read;
    for (int tenths = 450; tenths <= 550 && read.empty(); ++tenths)
        if (Shows(running, 0, boxY, app::FrameRateBox(tenths / 10.0))) read = app::FrameRateText(tenths / 10.0);
    EXPECT_NE(read, "") << "no rate from 45.0 to 55.0 in the corner; " << SaveShot(running, "x11-fps");
    std::printf("the corner read \"%s\"\n", read.c_str());

    // Once they stop: the stage is the simulator's frame everywhere but in
    // the box, and the box holds pixels the frame does not have.
    const figure::Surface expected = SimulatorStage(7, frame);
    auto outsideTheBox = [&](const Shot& s) {
        for (int y = 0; y < kStageH; ++y)
            for (int x = 0; x < kStageW; ++x) {
                if (x < boxW && y >= boxY) continue;
                if (!(expected.IsWhite(x, y) ? s.At(x, y).White() : s.At(x, y).Black())) return false;
            }
        return true;
    };
    EXPECT_TRUE(WaitFor(0, 0, kStageW, kStageH, outsideTheBox, 10))
        << "the frame outside the box; " << SaveShot(d.Grab(0, 0, kStageW, kStageH), "x11-fps-frame");
    EXPECT_FALSE(Shows(d.Grab(0, boxY, boxW, boxH), 0, boxY, Crop(expected, 0, boxY, boxW, boxH)))
        << "the box shows nothing of its own";
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
    EXPECT_EQ(Slurp(errors), "") << "the rate goes on the screen, not on stderr";
}

// --- what it says ---

TEST_F(Hack, HelpAndVersionAnswerOnStandardOutput)
{
    const std::string out = "/tmp/vidider-x11-stdout-" + std::to_string(::getpid()) + ".txt";
    pid_t pid = Spawn({program, "--help"}, EnvironmentWith({}, {}), out, errors);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
    const std::string help = Slurp(out);
    EXPECT_EQ(help.rfind("usage: vidider", 0), 0u) << help;
    EXPECT_NE(help.find("--window-id ID"), std::string::npos);
    EXPECT_NE(help.find("49.7 days"), std::string::npos) << "the delay's range as a person reads it: " << help;
    EXPECT_EQ(help.find("4294967295000"), std::string::npos) << help;

    // The version is the project's, as CMakeLists.txt sets it.
    std::smatch version;
    const std::string project = Slurp(std::string(VIDIDER_SOURCE_DIR) + "/CMakeLists.txt");
    ASSERT_TRUE(std::regex_search(project, version, std::regex(R"(project\(vidider VERSION ([0-9.]+))")));
    pid = Spawn({program, "--version"}, EnvironmentWith({}, {}), out, errors);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
    EXPECT_EQ(Slurp(out), "vidider " + version[1].str() + "\n");
    std::remove(out.c_str());
}

// --- bad input ---

TEST_F(Hack, BadInputIsOneLineAndStatusTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},     {"--delay"},           {"--delay", "soon"},  {"--seed", "-1"},
        {"--window-id"}, {"--window-id", "x"}, {"--window-id", "0x1fff0001"}, {"--display", ":987"},
        {"--geometry", "99999x99999"}, {"--scale", "0"}, {"--scale", "9"}, {"--scale", "two"},
    };
    for (const auto& arguments : cases) {
        pid_t pid = Start(arguments);
        Finished end = WaitExit(pid, 5);
        std::string said = Slurp(errors);
        EXPECT_EQ(end.code, 2) << arguments[0] << ": " << said;
        EXPECT_EQ(said.rfind("vidider: ", 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "one line: " << said;
    }
    // XSCREENSAVER_WINDOW naming no window, with --root.
    pid_t pid = Start({"--root"}, {"XSCREENSAVER_WINDOW=0x1fff0002"});
    EXPECT_EQ(WaitExit(pid, 5).code, 2) << Slurp(errors);
    EXPECT_NE(Slurp(errors).find("no window 0x1fff0002"), std::string::npos) << Slurp(errors);
    // An image kind that is none.
    pid = Start({"--window"}, {"VIDIDER_IMAGE=fast"});
    EXPECT_EQ(WaitExit(pid, 5).code, 2) << Slurp(errors);
    EXPECT_EQ(Slurp(errors), "vidider: VIDIDER_IMAGE takes bitmap or pixels, not 'fast'\n");
    // No DISPLAY at all.
    pid = Spawn({program}, EnvironmentWith({"DISPLAY="}, {}), "", errors);
    EXPECT_EQ(WaitExit(pid, 5).code, 2);
    EXPECT_EQ(Slurp(errors), "vidider: no display: DISPLAY is not set, and no --display NAME was given\n");
}

// --- under the xscreensaver daemon ---

// The daemon runs as nobody; where it cannot, the test says SKIPPED (in CI
// it fails).
TEST(Daemon, ActivateShowsTheMoireACycleIsLoggedAsANormalEndAndDeactivateEndsIt)
{
    TestDisplay d(TestDisplay::Screens::One, "1280x1024", true);
    DaemonRun daemon(d, "--root");
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
    std::printf("[x11] Daemon ran %s (the native X11 build) under xscreensaver as nobody, on Xvfb %s\n", VIDIDER_PATH,
                d.Name().c_str());
    ASSERT_TRUE(daemon.Ready()) << daemon.Log();

    ASSERT_EQ(daemon.Command("-activate"), 0);
    bool shown = false;
    for (double start = Now(); !shown && Now() - start < 15; Sleep(0.1)) shown = HasBoth(d.Grab(128, 128, 1024, 768));
    EXPECT_TRUE(shown) << "the moire on the daemon's window; " << daemon.Log();
    EXPECT_EQ(daemon.Running().size(), 1u);

    // -cycle ends the hack with SIGTERM and starts it again; the daemon
    // logs how the old one ended, and counts an end by its own signal as
    // normal.
    const std::vector<pid_t> first = daemon.Running();
    ASSERT_EQ(daemon.Command("-cycle"), 0);
    bool again = false;
    for (double start = Now(); !again && Now() - start < 10; Sleep(0.1))
        again = daemon.Running().size() == 1 && daemon.Running() != first;
    EXPECT_TRUE(again) << "a new vidider after -cycle";
    Sleep(1.0);
    const std::string log = daemon.Log();
    EXPECT_NE(log.find("(" + daemon.Hack() + ") exited normally"), std::string::npos) << log;
    EXPECT_EQ(log.find("abnormally"), std::string::npos) << log;

    EXPECT_TRUE(daemon.Deactivate()) << "no vidider is left after -deactivate";
}

}  // namespace
}  // namespace e2e
