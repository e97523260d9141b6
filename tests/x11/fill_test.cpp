// The stage filling the hack's window, run for real on a private Xvfb of
// 2560 x 1600: a window of 1600 x 900 shown to its edges, a resize followed
// with one new stage, the classic stage kept by --classic, the simulator's
// frames of a stage that size pixel for pixel, every figure pixel a 2 x 2
// block at scale 2 (asked for, or from the display's Xft.dpi), through the
// one-bit image and the 32-bit one alike; then the daemon running one hack on
// each of two heads.
#include "tests/x11/hack.h"
// Xlib's atoms after GoogleTest (through hack.h).
#include <X11/Xatom.h>
#include <signal.h>

#include <algorithm>
#include <cstring>

#include "resources/title.h"

namespace e2e {
namespace {

constexpr int kWideW = 2560, kWideH = 1600;
const std::string kWideWhat = " (2560 x 1600 x 24)";

// The lines of --verbose that say a stage was made.
std::vector<std::string> StageLines(const std::string& said) { return LinesFrom(said, "vidider: stage "); }

// The stage enlarged as the screen shows it: window pixel (x, y) is figure
// pixel ((x - offsetX) / scale, (y - offsetY) / scale), rounded down.
figure::Surface Enlarged(const figure::Surface& stage, int scale, int offsetX, int offsetY, int width, int height)
{
    figure::Surface shown(width, height);
    auto down = [&](int v, int offset) { return (v - offset + scale * 4096) / scale - 4096; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) shown.SetWhite(x, y, stage.IsWhite(down(x, offsetX), down(y, offsetY)));
    return shown;
}

// Every block of scale x scale screen pixels that the stage's figure pixels
// make (their corners at offset + k x scale) is of one colour.
bool BlocksOfOneColour(const Shot& s, int scale, int offsetX, int offsetY)
{
    for (int y = s.y; y < s.y + s.height; ++y)
        for (int x = s.x; x < s.x + s.width; ++x) {
            const int cornerX = x - ((x - offsetX) % scale + scale) % scale;
            const int cornerY = y - ((y - offsetY) % scale + scale) % scale;
            if (cornerX >= s.x && cornerY >= s.y && !(s.At(x, y) == s.At(cornerX, cornerY))) return false;
        }
    return true;
}

class Fill : public Hack {
protected:
    // A screen larger than the windows of these tests.
    static TestDisplay& Wide()
    {
        static TestDisplay display(TestDisplay::Screens::One, std::to_string(kWideW) + "x" + std::to_string(kWideH));
        return display;
    }
    TestDisplay& d = Wide();

    pid_t StartWide(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {})
    {
        return StartOn(d, "Xvfb " + d.Name() + kWideWhat, arguments, environment);
    }

    // The screen from the origin shows `expected` there, at once or within
    // `seconds`, and keeps it.
    void ExpectShows(const figure::Surface& expected, double seconds, const std::string& what)
    {
        const bool same = WaitFor(d, 0, 0, expected.Width(), expected.Height(),
                                  [&](const Shot& s) { return Shows(s, 0, 0, expected); }, seconds);
        EXPECT_TRUE(same) << what << "; " << SaveShot(d.Grab(0, 0, expected.Width(), expected.Height()), "x11-fill");
        if (!same) return;
        Sleep(0.3);
        const Shot later = d.Grab(0, 0, expected.Width(), expected.Height());
        EXPECT_TRUE(Shows(later, 0, 0, expected)) << what << ": and stays; " << SaveShot(later, "x11-fill-later");
    }

    void End(pid_t pid)
    {
        ::kill(pid, SIGTERM);
        EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
    }
};

TEST_F(Fill, A1600x900WindowShowsTheTitleInItsMiddleAndTheMoireToEveryEdge)
{
    const double started = Now();
    pid_t pid = StartWide({"--geometry", "1600x900+0+0", "--verbose"});
    const figure::Surface title = vidider::LoadTitlePicture();
    EXPECT_TRUE(WaitFor(d, 0, 0, 1600, 900, [&](const Shot& s) { return Shows(s, 640, 330, title); }, 4))
        << "the title in the middle of the stage; " << SaveShot(d.Grab(0, 0, 1600, 900), "x11-fill-title");
    Sleep(std::max(0.0, 5.0 - (Now() - started)));
    const Shot screen = d.Grab(0, 0, 1601, 901);
    EXPECT_TRUE(EdgesHaveBoth(screen, 0, 0, 1600, 900))
        << "every edge row and column holds both colours; " << SaveShot(screen, "x11-fill-edges");
    EXPECT_TRUE(AllBlack(d.Grab(1600, 0, 1, 900)) && AllBlack(d.Grab(0, 900, 1600, 1))) << "nothing past the window";
    const std::vector<std::string> stages = StageLines(Slurp(errors));
    ASSERT_EQ(stages.size(), 1u) << Slurp(errors);
    EXPECT_EQ(stages[0].rfind("vidider: stage 1600 x 900 at scale 1 (no Xft.dpi) in a window of 1600 x 900", 0), 0u)
        << stages[0];
    End(pid);
}

TEST_F(Fill, AResizeFillsTheNewSizeWithOneNewStageAfterTheLastStep)
{
    pid_t pid = StartWide({"--geometry", "1600x900+0+0", "--verbose"});
    ASSERT_TRUE(WaitFor(d, 0, 0, 1600, 900, HasBoth)) << "no moire";
    const ::Window window = WindowNamed(d, "vidider");
    ASSERT_NE(window, 0u);
    // A drag: ten sizes 20 ms apart, as a window manager sends them.
    for (int step = 1; step <= 10; ++step) {
        XResizeWindow(X(d), window, unsigned(1600 + 20 * step), unsigned(900 + 10 * step));
        XSync(X(d), False);
        Sleep(0.02);
    }
    EXPECT_TRUE(WaitFor(d, 0, 0, 1801, 1001, [](const Shot& s) { return EdgesHaveBoth(s, 0, 0, 1800, 1000); }, 5))
        << "the moire to the new edges; " << SaveShot(d.Grab(0, 0, 1801, 1001), "x11-fill-resized");
    Sleep(0.5);
    const std::vector<std::string> stages = StageLines(Slurp(errors));
    ASSERT_EQ(stages.size(), 2u) << "the first stage, then one for the whole drag: " << Slurp(errors);
    EXPECT_EQ(stages[1].rfind("vidider: stage 1800 x 1000 at scale 1 (no Xft.dpi) in a window of 1800 x 1000, "
                              "1800 x 1000 shown",
                              0),
              0u)
        << stages[1];
    EXPECT_GT(Changes(d, 0, 0, 1800, 1000, 0.5), 2) << "and the moire moves on";
    EXPECT_TRUE(AllBlack(d.Grab(1800, 0, 1, 1000)) && AllBlack(d.Grab(0, 1000, 1800, 1))) << "nothing past the window";
    End(pid);
}

TEST_F(Fill, ClassicKeepsThe1024x768StageInTheMiddleWithABlackBorder)
{
    const int frame = 333;
    ASSERT_FALSE(ShownBefore(7, frame)) << "a frame shown before looks the same";
    // 1600 x 900: the stage at (288, 66), the border black around it.
    figure::Surface expected(1600, 900);
    expected.Fill(false);
    const figure::Surface stage = SimulatorStage(7, frame);
    for (int y = 0; y < kStageH; ++y)
        for (int x = 0; x < kStageW; ++x) expected.SetWhite(288 + x, 66 + y, stage.IsWhite(x, y));
    pid_t pid = StartWide({"--geometry", "1600x900+0+0", "--classic", "--seed", "7", "--frames", std::to_string(frame)});
    ExpectShows(expected, 20, "frame 333 on the classic stage");
    End(pid);
}

TEST_F(Fill, TheStageIsTheSimulatorsFrameOfAStageThatSizeThroughEitherImage)
{
    // A frame after the title time, unlike the one before it.
    const SimulatorFrames frames = RunSimulator("7", 333, {1600, 900});
    ASSERT_FALSE(frames.Frame == frames.Before) << "pick a frame that moved";
    for (const char* kind : {"bitmap", "pixels"}) {
        pid_t pid = StartWide({"--geometry", "1600x900+0+0", "--seed", "7", "--frames", "333", "--verbose"},
                              {std::string("VIDIDER_IMAGE=") + kind});
        ExpectShows(frames.Frame, 20, std::string("frame 333 through the ") + kind + " image");
        const std::string said = Slurp(errors);
        EXPECT_NE(said.find(std::strcmp(kind, "bitmap") == 0 ? "through one bit a pixel in shared memory"
                                                             : "through 32-bit pixels in shared memory"),
                  std::string::npos)
            << said;
        End(pid);
    }
}

TEST_F(Fill, AtScaleTwoEveryFigurePixelIsATwoByTwoBlockOfTheSimulatorsFrame)
{
    const int frame = 333;
    struct Case {
        int width, height;
        figure::StageSize stage;
        int offsetX, offsetY;
        const char* kind;
    };
    // An odd window of the least stage, 2048 x 1536 screen pixels cut to
    // it: the window starts in the middle of a block (-385 = -386 + 1). And
    // a window whose stage is larger than the least one, filled.
    for (Case c : {Case{1278, 1022, figure::kClassicStage, -385, -257, "pixels"},
                   {1278, 1022, figure::kClassicStage, -385, -257, "bitmap"},
                   {2400, 1600, {1200, 800}, 0, 0, "pixels"}}) {
        const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height) + " through " + c.kind;
        ASSERT_FALSE(ShownBefore(7, frame, c.stage)) << what << ": a frame shown before looks the same";
        const std::string geometry = std::to_string(c.width) + "x" + std::to_string(c.height) + "+0+0";
        pid_t pid = StartWide({"--geometry", geometry, "--scale", "2", "--seed", "7", "--frames", std::to_string(frame)},
                              {std::string("VIDIDER_IMAGE=") + c.kind});
        const figure::Surface expected =
            Enlarged(SimulatorStage(7, frame, c.stage), 2, c.offsetX, c.offsetY, c.width, c.height);
        ExpectShows(expected, 20, what);
        EXPECT_TRUE(BlocksOfOneColour(d.Grab(0, 0, c.width, c.height), 2, c.offsetX, c.offsetY)) << what;
        End(pid);
    }
}

TEST_F(Fill, TheDisplaysXftDpiGivesTheScaleWhereTheClassicStageFitsAndScaleOverridesIt)
{
    // The resources a desktop sets for the fonts of every program, read
    // when a program opens the display.
    const char resources[] = "Xft.antialias:\t1\nXft.dpi:\t192\n";
    XChangeProperty(X(d), DefaultRootWindow(X(d)), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources), int(std::strlen(resources)));
    XSync(X(d), False);
    const int frame = 333;
    // 2400 x 1600 holds the classic stage at scale 2 (2048 x 1536): the
    // stage of 1200 x 800 figure pixels fills it in 2 x 2 blocks.
    pid_t pid = StartWide({"--geometry", "2400x1600+0+0", "--verbose", "--seed", "7", "--frames", std::to_string(frame)});
    ExpectShows(Enlarged(SimulatorStage(7, frame, {1200, 800}), 2, 0, 0, 2400, 1600), 20, "Xft.dpi 192: scale 2");
    EXPECT_TRUE(BlocksOfOneColour(d.Grab(0, 0, 2400, 1600), 2, 0, 0));
    EXPECT_NE(Slurp(errors).find("vidider: stage 1200 x 800 at scale 2 (Xft.dpi 192)"), std::string::npos)
        << Slurp(errors);
    End(pid);

    // 1600 x 900 does not: scale 1, as on a 150 % laptop, the stage filling
    // it pixel for pixel.
    pid = StartWide({"--geometry", "1600x900+0+0", "--verbose", "--seed", "7", "--frames", std::to_string(frame)});
    ExpectShows(SimulatorStage(7, frame, {1600, 900}), 20, "Xft.dpi 192 in 1600 x 900: scale 1");
    EXPECT_NE(Slurp(errors).find("vidider: stage 1600 x 900 at scale 1 (Xft.dpi 192)"), std::string::npos)
        << Slurp(errors);
    End(pid);

    pid = StartWide({"--geometry", "2400x1600+0+0", "--verbose", "--scale", "1"});
    EXPECT_TRUE(WaitFor(d, 0, 0, 2400, 1600, HasBoth)) << "no moire";
    EXPECT_NE(Slurp(errors).find("vidider: stage 2400 x 1600 at scale 1 (--scale)"), std::string::npos) << Slurp(errors);
    End(pid);
    XDeleteProperty(X(d), DefaultRootWindow(X(d)), XA_RESOURCE_MANAGER);
    XSync(X(d), False);
}

// --- under the daemon, on two heads ---

TEST(DaemonOnTwoHeads, EachHeadGetsAHackOfItsOwnFillingIt)
{
    // Xephyr's two heads side by side in one root, which is white: a head
    // nothing covers shows white, a classic stage a black border.
    TestDisplay d(TestDisplay::Screens::TwoMonitors, "", true);
    DaemonRun daemon(d, "--root --verbose");
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
    std::printf("[x11] DaemonOnTwoHeads ran %s (the native X11 build) under xscreensaver as nobody, on Xephyr %s "
                "(1280 x 1024 and 1024 x 768 heads, Xinerama)\n",
                VIDIDER_PATH, d.Name().c_str());
    ASSERT_TRUE(daemon.Ready()) << daemon.Log();
    ASSERT_EQ(daemon.Command("-activate"), 0);
    auto filled = [&](int x, int width, int height) {
        return EdgesHaveBoth(d.Grab(x, 0, width, height), x, 0, width, height);
    };
    bool both = false;
    for (double start = Now(); !both && Now() - start < 20; Sleep(0.2))
        both = filled(0, 1280, 1024) && filled(1280, 1024, 768);
    EXPECT_TRUE(both) << "the moire to every edge of both heads; " << SaveShot(d.Grab(0, 0, 2304, 1024), "x11-two-heads")
                      << "\n"
                      << daemon.Log();
    EXPECT_EQ(daemon.Running().size(), 2u) << "one vidider for each head";
    // Each said the stage it made, in the daemon's log: its head's size.
    const std::string log = daemon.Log();
    EXPECT_NE(log.find("vidider: stage 1280 x 1024 at scale 1 (no Xft.dpi) in a window of 1280 x 1024"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("vidider: stage 1024 x 768 at scale 1 (no Xft.dpi) in a window of 1024 x 768"), std::string::npos)
        << log;
    EXPECT_TRUE(daemon.Deactivate()) << "no vidider is left after -deactivate";
}

}  // namespace
}  // namespace e2e
