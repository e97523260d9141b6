// vidider, the X11 hack, run for real on a private Xvfb (1280 x 1024 x 24)
// and checked as a person would: what the screen shows, what keys, clicks,
// moves and the window manager do, how it ends; then under the real
// xscreensaver daemon.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) would change GoogleTest's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/display.h"
#include "tests/e2e/process.h"
#include "tools/pbm.h"
#include "tools/title.h"

namespace e2e {
namespace {

constexpr int kStageW = 1024, kStageH = 768;

::Display* X(TestDisplay& d) { return static_cast<::Display*>(d.Connection()); }

bool HasBoth(const Shot& s)
{
    bool black = false, white = false;
    for (const Pixel& p : s.pixels) {
        black = black || p.Black();
        white = white || p.White();
    }
    return black && white;
}

bool AllBlack(const Shot& s)
{
    return std::all_of(s.pixels.begin(), s.pixels.end(), [](const Pixel& p) { return p.Black(); });
}

// Where a one-bit surface (bit 1 white) shows at (x, y) of a screenshot.
bool Shows(const Shot& shot, int x, int y, const figure::Surface& picture)
{
    for (int row = 0; row < picture.Height(); ++row)
        for (int col = 0; col < picture.Width(); ++col) {
            const Pixel p = shot.At(x + col, y + row);
            if (!(picture.IsWhite(col, row) ? p.White() : p.Black())) return false;
        }
    return true;
}

// The number of System V shared memory segments there are.
int SharedSegments()
{
    std::ifstream in("/proc/sysvipc/shm");
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines - 1;  // the header
}

class Hack : public ::testing::Test {
protected:
    // One display for the tests of this process; ctest runs each in its own.
    static TestDisplay& Screen()
    {
        static TestDisplay display;
        return display;
    }
    TestDisplay& d = Screen();
    const std::string program = VIDIDER_PATH;
    const std::string errors = "/tmp/vidider-x11-stderr.txt";
    pid_t pid_ = -1;

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string ran = program + " (the native X11 build) on Xvfb " + d.Name() + ", natively on this machine";
        std::printf("[x11] %s.%s ran %s\n", test->test_suite_name(), test->name(), ran.c_str());
        std::fflush(stdout);
        RecordProperty("ran", ran);
        d.MoveTo(5, 5);
    }
    void TearDown() override
    {
        if (pid_ > 0 && Running(pid_)) Kill(pid_);
    }

    pid_t Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {})
    {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> with = {"DISPLAY=" + d.Name()};
        with.insert(with.end(), environment.begin(), environment.end());
        pid_ = Spawn(argv, EnvironmentWith({"DISPLAY=", "XSCREENSAVER_WINDOW="}, with), "", errors);
        return pid_;
    }

    // Polls a part of the screen until `ready` holds of it.
    template <class Ready>
    bool WaitFor(int x, int y, int w, int h, Ready ready, double seconds = 10)
    {
        for (double start = Now(); Now() - start < seconds; Sleep(0.02))
            if (ready(d.Grab(x, y, w, h))) return true;
        return false;
    }

    int Changes(int x, int y, int w, int h, double seconds)
    {
        Shot previous = d.Grab(x, y, w, h);
        int changes = 0;
        for (double start = Now(); Now() - start < seconds;) {
            Sleep(0.1);
            Shot now = d.Grab(x, y, w, h);
            changes += !(now == previous);
            previous = std::move(now);
        }
        return changes;
    }
};

// --- its own window ---

class Window : public Hack {
protected:
    // The whole screen: the stage lies at (128, 128) with a black border.
    static constexpr int kX = 128, kY = 128;

    pid_t StartFullScreen(std::vector<std::string> more = {})
    {
        std::vector<std::string> arguments = {"--window", "--geometry", "1280x1024+0+0"};
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
    pid_t pid = StartFullScreen();
    Sleep(5.0);  // past the title time, when moves are dropped
    for (int i = 30; i >= 0; --i) {
        d.MoveTo(640 + 3 * i, 512 + 2 * i);
        Sleep(0.02);
    }
    const double moved = Now();
    EXPECT_TRUE(WaitFor(kX, kY, kStageW, kStageH, AllBlack, 0.5)) << "the copies lie on each other";
    Sleep(std::max(0.0, moved + 3.0 - Now()));
    EXPECT_TRUE(AllBlack(d.Grab(kX, kY, kStageW, kStageH))) << "still steering while the mouse rests";
    Sleep(std::max(0.0, moved + 5.5 - Now()));
    EXPECT_GT(Changes(kX, kY, kStageW, kStageH, 1.0), 5) << "the motion resumes after 5 s of rest";
    d.Key("Escape");
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

TEST_F(Window, TheWindowManagersCloseEndsIt)
{
    pid_t pid = StartFullScreen();
    // The window manager's close: WM_DELETE_WINDOW to the window named vidider.
    ::Display* x = X(d);
    ::Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(x, children[i], &name) && name != nullptr && std::string(name) == "vidider") found = children[i];
        if (name != nullptr) XFree(name);
    }
    if (children != nullptr) XFree(children);
    ASSERT_NE(found, 0u) << "no window named vidider";
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = found;
    close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, found, False, NoEventMask, &close);
    XSync(x, False);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
}

// --- in a window of someone else's: the daemon's, or the preview's ---

class Foreign : public Hack {
protected:
    ::Window window_ = 0;

    // A 320 x 240 window, red, so that a part nothing draws on shows.
    ::Window MakeWindow()
    {
        ::Display* x = X(d);
        XSetWindowAttributes attributes{};
        attributes.background_pixel = 0xFF0000;
        attributes.override_redirect = True;
        window_ = XCreateWindow(x, DefaultRootWindow(x), 100, 100, 320, 240, 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
        XMapRaised(x, window_);
        XSync(x, False);
        return window_;
    }
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

    // Draws there, follows a resize, ends on SIGTERM within 100 ms.
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
        ::kill(pid, SIGTERM);
        Finished end = WaitExit(pid, 5);
        EXPECT_EQ(end.code, 0);
        EXPECT_LT(end.seconds, 0.1) << "ends within 100 ms of SIGTERM";
    }
};

TEST_F(Foreign, RootDrawsIntoTheDaemonsWindowFollowsItsSizeAndEndsOnSigterm)
{
    const int segments = SharedSegments();
    ::Window window = MakeWindow();
    pid_t pid = Start({"--root"}, {"XSCREENSAVER_WINDOW=0x" + [&] {
                                       char hex[16];
                                       std::snprintf(hex, sizeof hex, "%lx", window);
                                       return std::string(hex);
                                   }()});
    Check(pid);
    EXPECT_EQ(SharedSegments(), segments) << "its shared memory is gone";
}

TEST_F(Foreign, WindowIdDrawsIntoThatWindowFollowsItsSizeAndEndsOnSigterm)
{
    const int segments = SharedSegments();
    ::Window window = MakeWindow();
    pid_t pid = Start({"-window-id", std::to_string(window)});
    Check(pid);
    EXPECT_EQ(SharedSegments(), segments) << "its shared memory is gone";
}

// --- the same pixels as the simulator ---

TEST_F(Hack, TheStageAfterNFramesIsTheSimulatorsFrameN)
{
    // Frames after the title time, each differing from the frame before.
    const std::filesystem::path out = std::filesystem::temp_directory_path() / "vidider-x11-frames";
    for (auto [seed, frame] : {std::pair{"7", 333}, {"2004", 260}}) {
        std::filesystem::remove_all(out);
        std::string command = std::string(VIDIDER_SIM_PATH) + " frames --seed " + seed + " --frames " +
                              std::to_string(frame) + " --out " + out.string();
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        auto read = [&](int k) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06d.pbm", k);
            return sim::DecodePbm(Slurp((out / name).string()));
        };
        const figure::Surface expected = read(frame);
        ASSERT_FALSE(expected == read(frame - 1)) << "seed " << seed << ": pick a frame that moved";

        pid_t pid = Start({"--geometry", "1024x768+0+0", "--seed", seed, "--frames", std::to_string(frame)});
        bool same = WaitFor(0, 0, kStageW, kStageH, [&](const Shot& s) { return Shows(s, 0, 0, expected); },
                            frame * 0.02 + 10);
        EXPECT_TRUE(same) << "seed " << seed << " frame " << frame << "; "
                          << SaveShot(d.Grab(0, 0, kStageW, kStageH), "x11-frame");
        Sleep(0.5);
        EXPECT_TRUE(Shows(d.Grab(0, 0, kStageW, kStageH), 0, 0, expected)) << "and stays";
        ::kill(pid, SIGTERM);
        EXPECT_EQ(WaitExit(pid, 5).code, 0);
    }
    std::filesystem::remove_all(out);
}

// --- the frame rate, the usage ---

TEST_F(Hack, FpsReportsFiftyFramesASecondAndHelpPrintsTheUsage)
{
    pid_t pid = Start({"--geometry", "640x480+0+0", "--fps"});
    Sleep(3.5);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
    std::istringstream said(Slurp(errors));
    int reports = 0;
    for (std::string line; std::getline(said, line);) {
        double rate = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "vidider: %lf frames a second", &rate), 1) << line;
        EXPECT_NEAR(rate, 50.0, 2.0) << line;
        ++reports;
    }
    EXPECT_GE(reports, 2) << "one a second";

    const std::string out = "/tmp/vidider-x11-stdout.txt";
    pid = Spawn({program, "--help"}, EnvironmentWith({}, {}), out, errors);
    EXPECT_EQ(WaitExit(pid, 5).code, 0);
    EXPECT_EQ(Slurp(out).rfind("usage: vidider", 0), 0u) << Slurp(out);
    EXPECT_NE(Slurp(out).find("--window-id ID"), std::string::npos);
}

// --- bad input ---

TEST_F(Hack, BadInputIsOneLineAndStatusTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},     {"--delay"},           {"--delay", "soon"},  {"--seed", "-1"},
        {"--window-id"}, {"--window-id", "x"}, {"--window-id", "0x1fff0001"}, {"--display", ":987"},
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
}

// --- under the xscreensaver daemon ---

// The daemon launches no hack as root: it and its command run as nobody,
// on a display open to every user. Where that cannot be (not root, no
// daemon installed) the test says so; in CI it fails instead.
void NeedOrFail(bool have, const std::string& what)
{
    if (have) return;
    if (std::getenv("CI") != nullptr) FAIL() << "cannot run here: " << what;
    GTEST_SKIP() << "SKIPPED, cannot run here: " << what;
}

TEST(Daemon, ActivateShowsTheMoireAndDeactivateEndsIt)
{
    const char* runuser = "/usr/sbin/runuser";
    NeedOrFail(::geteuid() == 0 && ::access(runuser, X_OK) == 0, "the daemon runs as nobody, through runuser as root");
    NeedOrFail(::access("/usr/bin/xscreensaver", X_OK) == 0, "xscreensaver is not installed (tools/deps.sh test)");
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
    passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);

    TestDisplay d(TestDisplay::Screens::One, "1280x1024", true);
    std::printf("[x11] Daemon ran %s (the native X11 build) under xscreensaver as nobody, on Xvfb %s\n", VIDIDER_PATH,
                d.Name().c_str());
    // A home of the test's, owned by nobody, with the hack and a settings
    // file whose programs list holds only it.
    char folder[] = "/tmp/vidider-daemon-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string home = folder, hack = home + "/vidider";
    std::filesystem::copy_file(VIDIDER_PATH, hack);
    std::ofstream(home + "/.xscreensaver") << "timeout: 0:30:00\nlock: False\nmode: one\nselected: 0\n"
                                              "splash: False\nfade: False\nunfade: False\n"
                                              "programs: " << hack << " --root \\n\n";
    for (const std::string& path : {home, hack, home + "/.xscreensaver"})
        ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
    ::chmod(folder, 0755);
    auto asNobody = [&](std::vector<std::string> command) {
        std::vector<std::string> argv = {runuser, "-u", "nobody", "--", "/usr/bin/env", "HOME=" + home,
                                         "DISPLAY=" + d.Name()};
        argv.insert(argv.end(), command.begin(), command.end());
        return argv;
    };
    // The hack the daemon runs: its copy in that home.
    auto running = [&] {
        std::vector<pid_t> ours;
        for (pid_t pid : ProcessesNamed("vidider")) {
            std::error_code error;
            auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
            if (!error && exe == hack) ours.push_back(pid);
        }
        return ours.size();
    };
    auto command = [&](const std::string& verb) {
        pid_t pid = Spawn(asNobody({"xscreensaver-command", verb}), EnvironmentWith({}, {}));
        return WaitExit(pid, 10).code;
    };
    pid_t daemon = Spawn(asNobody({"xscreensaver", "-no-splash"}), EnvironmentWith({}, {}), home + "/daemon.log",
                         home + "/daemon.log");
    bool ready = false;
    for (double start = Now(); !ready && Now() - start < 15; Sleep(0.3)) ready = command("-time") == 0;
    ASSERT_TRUE(ready) << Slurp(home + "/daemon.log");

    ASSERT_EQ(command("-activate"), 0);
    bool shown = false;
    for (double start = Now(); !shown && Now() - start < 15; Sleep(0.1)) shown = HasBoth(d.Grab(128, 128, 1024, 768));
    EXPECT_TRUE(shown) << "the moire on the daemon's window; " << Slurp(home + "/daemon.log");
    EXPECT_EQ(running(), 1u);

    ASSERT_EQ(command("-deactivate"), 0);
    bool ended = false;
    for (double start = Now(); !ended && Now() - start < 10; Sleep(0.1)) ended = running() == 0;
    EXPECT_TRUE(ended) << "no vidider is left after -deactivate";

    ::kill(daemon, SIGTERM);
    if (WaitExit(daemon, 10).code < 0) Kill(daemon);
    // What the daemon started and left, should a check above have failed.
    for (const char* name : {"xscreensaver", "xscreensaver-gfx", "xscreensaver-sy"})
        for (pid_t pid : ProcessesNamed(name))
            if (Slurp("/proc/" + std::to_string(pid) + "/environ").find("HOME=" + home) != std::string::npos)
                ::kill(pid, SIGKILL);
    std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace e2e
